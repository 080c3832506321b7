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
void AppendPadded(std::u16string& AText, int64_t AValue, std::size_t AWidth) {
  std::u16string digits = IntToText(AValue < 0 ? -AValue : AValue);
  if (AValue < 0)
    AText += u'-';
  if (digits.size() < AWidth)
    AText.append(AWidth - digits.size(), u'0');
  AText += digits;
}

// Characters AFirst.. (1-based) of AText, as many as are there.
std::u16string_view Field(std::u16string_view AText, std::size_t AFirst, std::size_t ALength) {
  return AFirst - 1 < AText.size() ? AText.substr(AFirst - 1, ALength) : std::u16string_view();
}

std::optional<int32_t> FieldValue(std::u16string_view AText, std::size_t AFirst,
                                  std::size_t ALength) {
  int32_t value = 0;
  if (!TryTextToInt(Field(AText, AFirst, ALength), value))
    return std::nullopt;
  return value;
}

struct TDateTimeFields {
  int32_t Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

year_month_day DateOf(const TDateTimeFields& AFields) {
  return {year(AFields.Year), month(static_cast<unsigned>(AFields.Month)),
          day(static_cast<unsigned>(AFields.Day))};
}

bool IsPossible(const TDateTimeFields& AFields) {
  const bool validDate =
      AFields.Year >= 1 && AFields.Month >= 1 && AFields.Day >= 1 && DateOf(AFields).ok();
  return validDate && AFields.Hour >= 0 && AFields.Hour < 24 && AFields.Minute >= 0 &&
         AFields.Minute < 60 && AFields.Second >= 0 && AFields.Second < 60 &&
         AFields.Millisecond >= 0 && AFields.Millisecond < 1000;
}

enum class TParseFailure { None, NotInteger, Impossible };

// The failing field's text goes to InvalidText, for the message of TextToDateTime.
TParseFailure ParseFields(std::u16string_view AText, TDateTimeFields& AFields,
                          std::u16string_view& InvalidText) {
  struct TRequired {
    std::size_t First, Length;
    int32_t TDateTimeFields::*Target;
  };
  const bool hasTime = AText.size() > 16;
  const TRequired required[] = {{1, 4, &TDateTimeFields::Year},
                                {6, 2, &TDateTimeFields::Month},
                                {9, 2, &TDateTimeFields::Day},
                                {12, 2, &TDateTimeFields::Hour},
                                {15, 2, &TDateTimeFields::Minute}};
  for (const TRequired& field : hasTime ? std::span(required) : std::span(required, 3)) {
    const std::optional<int32_t> value = FieldValue(AText, field.First, field.Length);
    if (!value) {
      InvalidText = Field(AText, field.First, field.Length);
      return TParseFailure::NotInteger;
    }
    AFields.*field.Target = *value;
  }
  if (hasTime) {
    AFields.Second = FieldValue(AText, 18, 2).value_or(0);
    AFields.Millisecond = FieldValue(AText, 21, 3).value_or(0);
  }
  if (!IsPossible(AFields)) {
    InvalidText = AText;
    return TParseFailure::Impossible;
  }
  return TParseFailure::None;
}

TXmlDateTime ToDateTime(const TDateTimeFields& AFields) {
  return sys_days(DateOf(AFields)) + hours(AFields.Hour) + minutes(AFields.Minute) +
         seconds(AFields.Second) + milliseconds(AFields.Millisecond);
}

} // namespace

std::u16string DateTimeToText(TXmlDateTime AValue) {
  const sys_days midnight = floor<days>(AValue);
  const year_month_day date(midnight);
  std::u16string text;
  text.reserve(24);
  AppendPadded(text, static_cast<int>(date.year()), 4);
  text += u'-';
  AppendPadded(text, static_cast<unsigned>(date.month()), 2);
  text += u'-';
  AppendPadded(text, static_cast<unsigned>(date.day()), 2);
  const hh_mm_ss<milliseconds> time(AValue - midnight);
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

TXmlDateTime TextToDateTime(std::u16string_view Text) {
  TDateTimeFields fields;
  std::u16string_view invalid;
  switch (ParseFields(Text, fields, invalid)) {
  case TParseFailure::NotInteger:
    throw EConvertError(u"''" + std::u16string(invalid) + u"'' is not a valid integer value");
  case TParseFailure::Impossible:
    throw EConvertError(u"''" + std::u16string(invalid) + u"'' is not a valid date and time");
  case TParseFailure::None:
    break;
  }
  return ToDateTime(fields);
}

bool TryTextToDateTime(std::u16string_view Text, TXmlDateTime& Value) {
  TDateTimeFields fields;
  std::u16string_view invalid;
  if (ParseFields(Text, fields, invalid) != TParseFailure::None)
    return false;
  Value = ToDateTime(fields);
  return true;
}

} // namespace vxml
