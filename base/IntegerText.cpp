#include "vbase/IntegerText.h"

#include "vbase/Characters.h"

#include <charconv>
#include <limits>
#include <type_traits>

namespace vbase {

namespace {

// The integer rule for both widths: a hexadecimal number is a bit pattern of TInt's width, of
// at most a digit per four bits; a decimal one must lie in TInt's range.
template <typename TInt> bool TryTextToInteger(std::u16string_view AText, TInt& AResult) {
  using TUnsigned = std::make_unsigned_t<TInt>;
  constexpr std::size_t MaxHexDigits = sizeof(TInt) * 2;
  std::size_t i = 0;
  while (i < AText.size() && AText[i] == u' ')
    ++i;
  bool negative = false;
  if (i < AText.size() && (AText[i] == u'+' || AText[i] == u'-')) {
    negative = AText[i] == u'-';
    ++i;
  }
  bool hex = false;
  if (i < AText.size() && (AText[i] == u'$' || AText[i] == u'x' || AText[i] == u'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < AText.size() && AText[i] == u'0' &&
             (AText[i + 1] == u'x' || AText[i + 1] == u'X')) {
    hex = true;
    i += 2;
  }
  if (i >= AText.size())
    return false;
  TUnsigned magnitude = 0;
  if (hex) {
    // Leading zeros count: "$000000001" has more digits than a 32-bit number holds.
    if (AText.size() - i > MaxHexDigits)
      return false;
    for (; i < AText.size(); ++i) {
      const int digit = HexDigit(AText[i]);
      if (digit < 0)
        return false;
      magnitude = (magnitude << 4) | static_cast<TUnsigned>(digit);
    }
    const TUnsigned pattern = negative ? TUnsigned(0) - magnitude : magnitude;
    AResult = static_cast<TInt>(pattern);
    return true;
  }
  // The magnitude may reach one past the largest positive value, for the most negative number.
  const TUnsigned limit =
      static_cast<TUnsigned>(std::numeric_limits<TInt>::max()) + (negative ? 1 : 0);
  for (; i < AText.size(); ++i) {
    const char16_t c = AText[i];
    if (c < u'0' || c > u'9')
      return false;
    const TUnsigned digit = c - u'0';
    if (magnitude > (limit - digit) / 10)
      return false;
    magnitude = magnitude * 10 + digit;
  }
  AResult = static_cast<TInt>(negative ? TUnsigned(0) - magnitude : magnitude);
  return true;
}

} // namespace

bool TryTextToInt(std::u16string_view Text, int32_t& Value) {
  return TryTextToInteger(Text, Value);
}

bool TryTextToInt64(std::u16string_view Text, int64_t& Value) {
  return TryTextToInteger(Text, Value);
}

std::u16string IntToText(int64_t Value) {
  char buffer[24];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, Value).ptr;
  return std::u16string(buffer, end);
}

} // namespace vbase
