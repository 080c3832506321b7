#include "vbase/IntegerText.h"

#include "vbase/Characters.h"

#include <charconv>
#include <limits>
#include <type_traits>

namespace vbase {

namespace {

// The integer rule for both widths: a hexadecimal number is a bit pattern of TInt's width, of
// at most a digit per four bits; a decimal one must lie in TInt's range.
template <typename TInt> bool TryTextToInteger(std::u16string_view aText, TInt& aResult) {
  using TUnsigned = std::make_unsigned_t<TInt>;
  constexpr std::size_t MaxHexDigits = sizeof(TInt) * 2;
  std::size_t i = 0;
  while (i < aText.size() && aText[i] == u' ')
    ++i;
  bool negative = false;
  if (i < aText.size() && (aText[i] == u'+' || aText[i] == u'-')) {
    negative = aText[i] == u'-';
    ++i;
  }
  bool hex = false;
  if (i < aText.size() && (aText[i] == u'$' || aText[i] == u'x' || aText[i] == u'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < aText.size() && aText[i] == u'0' &&
             (aText[i + 1] == u'x' || aText[i + 1] == u'X')) {
    hex = true;
    i += 2;
  }
  if (i >= aText.size())
    return false;
  TUnsigned magnitude = 0;
  if (hex) {
    // Leading zeros count: "$000000001" has more digits than a 32-bit number holds.
    if (aText.size() - i > MaxHexDigits)
      return false;
    for (; i < aText.size(); ++i) {
      const int digit = HexDigit(aText[i]);
      if (digit < 0)
        return false;
      magnitude = (magnitude << 4) | static_cast<TUnsigned>(digit);
    }
    const TUnsigned pattern = negative ? TUnsigned(0) - magnitude : magnitude;
    aResult = static_cast<TInt>(pattern);
    return true;
  }
  // The magnitude may reach one past the largest positive value, for the most negative number.
  const TUnsigned limit =
      static_cast<TUnsigned>(std::numeric_limits<TInt>::max()) + (negative ? 1 : 0);
  for (; i < aText.size(); ++i) {
    const char16_t c = aText[i];
    if (c < u'0' || c > u'9')
      return false;
    const TUnsigned digit = c - u'0';
    if (magnitude > (limit - digit) / 10)
      return false;
    magnitude = magnitude * 10 + digit;
  }
  aResult = static_cast<TInt>(negative ? TUnsigned(0) - magnitude : magnitude);
  return true;
}

} // namespace

bool TryTextToInt(std::u16string_view aText, int32_t& aValue) {
  return TryTextToInteger(aText, aValue);
}

bool TryTextToInt64(std::u16string_view aText, int64_t& aValue) {
  return TryTextToInteger(aText, aValue);
}

std::u16string IntToText(int64_t aValue) {
  char buffer[24];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, aValue).ptr;
  return std::u16string(buffer, end);
}

} // namespace vbase
