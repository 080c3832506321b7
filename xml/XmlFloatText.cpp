#include "XmlFloatText.h"

#include "vbase/Characters.h"
#include "vbase/Errors.h"
#include "vbase/IntegerText.h"

#include <charconv>
#include <cmath>

namespace vxml {

using vbase::Exception;
using vbase::IntToText;
using vbase::Trim;

namespace {

struct TDecimal {
  std::string Digits; // exactly the requested count, the first one not zero
  int32_t PointPos;   // digits before the decimal point; negative for small numbers
};

// Rounds on the exact binary value (half to even), so no scaling loop can drift; a carry into
// one more digit (9.9999996 at six digits) already comes back as 1.00000 with the exponent raised.
TDecimal RoundToDigits(double aX, int32_t aDigits) {
  char buffer[64];
  const auto end =
      std::to_chars(buffer, buffer + sizeof buffer, aX, std::chars_format::scientific, aDigits - 1)
          .ptr;
  const std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
  const std::size_t exponentAt = text.find('e');
  TDecimal decimal;
  for (const char c : text.substr(0, exponentAt))
    if (c != '.')
      decimal.Digits += c;
  int32_t exponent = 0;
  const std::string_view exponentText = text.substr(exponentAt + 1);
  std::from_chars(exponentText.data() + (exponentText[0] == '+' ? 1 : 0),
                  exponentText.data() + exponentText.size(), exponent);
  decimal.PointPos = exponent + 1;
  return decimal;
}

std::u16string NonFiniteText(double aX) {
  if (std::isnan(aX))
    return u"NAN";
  return aX < 0 ? u"-INF" : u"INF";
}

} // namespace

std::u16string FloatToText(double aX, int32_t aDigits, bool aAllowScientific) {
  if (aDigits < 1 || aDigits > 9)
    throw Exception(u"Significant digits out of range");
  if (aX == 0)
    return u"0";
  if (!std::isfinite(aX))
    return NonFiniteText(aX);
  TDecimal decimal = RoundToDigits(std::fabs(aX), aDigits);
  int32_t n = decimal.PointPos;
  // Trailing zeros go only where they would stand after the decimal point.
  while (aDigits > n && decimal.Digits.back() == '0') {
    decimal.Digits.pop_back();
    --aDigits;
  }
  bool hasExponent = false;
  int32_t exponent = 0;
  if (aAllowScientific && (n < -1 || n > aDigits + 2)) {
    hasExponent = true;
    exponent = n - 1;
    n = 1;
  }
  std::string text = std::move(decimal.Digits);
  if (aDigits < n)
    text.append(static_cast<std::size_t>(n - aDigits), '0');
  if (n < 0) {
    text.insert(0, static_cast<std::size_t>(-n), '0');
    n = 0;
  }
  if (n == 0)
    text.insert(0, 1, '.');
  else if (n < static_cast<int32_t>(text.size()))
    text.insert(static_cast<std::size_t>(n), 1, '.');
  if (aX < 0)
    text.insert(0, 1, '-');
  std::u16string result(text.begin(), text.end());
  if (hasExponent)
    result.append(u"E").append(IntToText(exponent));
  return result;
}

bool TryTextToFloat(std::u16string_view aText, double& aValue) {
  std::u16string_view text = Trim(aText, [](char16_t aUnit) { return aUnit == u' '; });
  if (text.empty())
    return false;
  // from_chars takes no "+" of its own; a second sign after it stays an error.
  if (text[0] == u'+' && text.size() > 1 && text[1] != u'-')
    text.remove_prefix(1);
  std::string ascii;
  ascii.reserve(text.size());
  bool commaReplaced = false;
  for (char16_t c : text) {
    if (c == u',' && !commaReplaced) {
      c = u'.';
      commaReplaced = true;
    }
    if (c > 0x7F)
      return false;
    ascii += static_cast<char>(c);
  }
  double value = 0;
  const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (error != std::errc() || end != ascii.data() + ascii.size())
    return false;
  aValue = value;
  return true;
}

} // namespace vxml
