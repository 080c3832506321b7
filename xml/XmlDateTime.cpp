#include "vxml/XmlDateTime.h"

#include "vbase/Errors.h"
#include "vbase/IntegerText.h"
#include "vxml/XmlText.h"

#include <optional>
#include <span>

namespace vxml {

using vbase::EConvertError;
using vbase::IntToText;
using vbase::TryTextToInt;

namespace {

using namespace std::chrono;

// Zero-padded to Width digits, as "%.4d" does; a minus sign goes before the padding.
void AppendPadded(std::u16string& aText, int64_t aValue, std::size_t aWidth) {
  std::u16string digits = IntToText(aValue < 0 ? -aValue : aValue);
  if (aValue < 0)
    aText += u'-';
  if (digits.size() < aWidth)
    aText.append(aWidth - digits.size(), u'0');
  aText += digits;
}

// Characters aFirst.. (1-based) of aText, as many as are there.
std::u16string_view Field(std::u16string_view aText, std::size_t AFirst, std::size_t ALength) {
  return AFirst - 1 < aText.size() ? aText.substr(AFirst - 1, ALength) : std::u16string_view();
}

std::optional<int32_t> FieldValue(std::u16string_view aText, std::size_t AFirst,
                                  std::size_t ALength) {
  int32_t value = 0;
  if (!TryTextToInt(Field(aText, AFirst, ALength), value))
    return std::nullopt;
  return value;
}

struct TDateTimeFields {
  int32_t Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

year_month_day DateOf(const TDateTimeFields& aFields) {
  return {year(aFields.Year), month(static_cast<unsigned>(aFields.Month)),
          day(static_cast<unsigned>(aFields.Day))};
}

bool IsPossible(const TDateTimeFields& aFields) {
  const bool validDate =
      aFields.Year >= 1 && aFields.Month >= 1 && aFields.Day >= 1 && DateOf(aFields).ok();
  return validDate && aFields.Hour >= 0 && aFields.Hour < 24 && aFields.Minute >= 0 &&
         aFields.Minute < 60 && aFields.Second >= 0 && aFields.Second < 60 &&
         aFields.Millisecond >= 0 && aFields.Millisecond < 1000;
}

enum class TParseFailure { None, NotInteger, Impossible };

// The failing field's text goes to InvalidText, for the message of TextToDateTime.
TParseFailure ParseFields(std::u16string_view aText, TDateTimeFields& aFields,
                          std::u16string_view& aInvalidText) {
  struct TRequired {
    std::size_t First, Length;
    int32_t TDateTimeFields::*Target;
  };
  const bool hasTime = aText.size() > 16;
  const TRequired required[] = {{1, 4, &TDateTimeFields::Year},
                                {6, 2, &TDateTimeFields::Month},
                                {9, 2, &TDateTimeFields::Day},
                                {12, 2, &TDateTimeFields::Hour},
                                {15, 2, &TDateTimeFields::Minute}};
  for (const TRequired& field : hasTime ? std::span(required) : std::span(required, 3)) {
    const std::optional<int32_t> value = FieldValue(aText, field.First, field.Length);
    if (!value) {
      aInvalidText = Field(aText, field.First, field.Length);
      return TParseFailure::NotInteger;
    }
    aFields.*field.Target = *value;
  }
  if (hasTime) {
    aFields.Second = FieldValue(aText, 18, 2).value_or(0);
    aFields.Millisecond = FieldValue(aText, 21, 3).value_or(0);
  }
  if (!IsPossible(aFields)) {
    aInvalidText = aText;
    return TParseFailure::Impossible;
  }
  return TParseFailure::None;
}

TXmlDateTime ToDateTime(const TDateTimeFields& aFields) {
  return sys_days(DateOf(aFields)) + hours(aFields.Hour) + minutes(aFields.Minute) +
         seconds(aFields.Second) + milliseconds(aFields.Millisecond);
}

} // namespace

std::u16string DateTimeToText(TXmlDateTime aValue) {
  const sys_days midnight = floor<days>(aValue);
  const year_month_day date(midnight);
  std::u16string text;
  text.reserve(24);
  AppendPadded(text, static_cast<int>(date.year()), 4);
  text += u'-';
  AppendPadded(text, static_cast<unsigned>(date.month()), 2);
  text += u'-';
  AppendPadded(text, static_cast<unsigned>(date.day()), 2);
  const hh_mm_ss<milliseconds> time(aValue - midnight);
  if (time.to_duration() == milliseconds::zero())
    return text;
  text += u'T';
  AppendPadded(text, time.hours().count(), 2);
  text += u':';
  AppendPadded(text, time.minutes().count(), 2);
  text += u':';
  AppendPadded(text, time.seconds().count(), 2);
  text += u'.';
  AppendPadded(text, time.subseconds().count(), 3);
  text += u'Z';
  return text;
}

TXmlDateTime TextToDateTime(std::u16string_view aText) {
  TDateTimeFields fields;
  std::u16string_view invalid;
  switch (ParseFields(aText, fields, invalid)) {
  case TParseFailure::NotInteger:
    throw EConvertError(u"''" + std::u16string(invalid) + u"'' is not a valid integer value");
  case TParseFailure::Impossible:
    throw EConvertError(u"''" + std::u16string(invalid) + u"'' is not a valid date and time");
  case TParseFailure::None:
    break;
  }
  return ToDateTime(fields);
}

bool TryTextToDateTime(std::u16string_view aText, TXmlDateTime& aValue) {
  TDateTimeFields fields;
  std::u16string_view invalid;
  if (ParseFields(aText, fields, invalid) != TParseFailure::None)
    return false;
  aValue = ToDateTime(fields);
  return true;
}

} // namespace vxml
