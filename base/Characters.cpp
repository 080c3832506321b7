#include "vbase/Characters.h"

#include <algorithm>
#include <cstring>

namespace vbase {

char16_t* PutUtf16(char32_t aCodePoint, char16_t* aOut) {
  if (aCodePoint < 0x10000) {
    *aOut++ = static_cast<char16_t>(aCodePoint);
    return aOut;
  }
  aCodePoint -= 0x10000;
  *aOut++ = static_cast<char16_t>(0xD800 + (aCodePoint >> 10));
  *aOut++ = static_cast<char16_t>(0xDC00 + (aCodePoint & 0x3FF));
  return aOut;
}

int HexDigit(char16_t aChar) {
  if (aChar >= u'0' && aChar <= u'9')
    return aChar - u'0';
  if (aChar >= u'a' && aChar <= u'f')
    return aChar - u'a' + 10;
  if (aChar >= u'A' && aChar <= u'F')
    return aChar - u'A' + 10;
  return -1;
}

int Base64Digit(char16_t aChar) {
  if (aChar >= u'A' && aChar <= u'Z')
    return aChar - u'A';
  if (aChar >= u'a' && aChar <= u'z')
    return aChar - u'a' + 26;
  if (aChar >= u'0' && aChar <= u'9')
    return aChar - u'0' + 52;
  if (aChar == u'+')
    return 62;
  if (aChar == u'/')
    return 63;
  return -1;
}

std::size_t FindCodeUnit(std::u16string_view aText, char16_t aUnit, std::size_t aFrom) {
  if (aFrom >= aText.size())
    return std::u16string_view::npos;
  // A byte found is a hit only as the first byte of a unit equal to aUnit.
  unsigned char firstByte = 0;
  std::memcpy(&firstByte, &aUnit, 1);
  const auto* const bytes = reinterpret_cast<const unsigned char*>(aText.data());
  const std::size_t size = aText.size() * sizeof(char16_t);
  for (std::size_t offset = aFrom * sizeof(char16_t); offset < size; ++offset) {
    const void* found = std::memchr(bytes + offset, firstByte, size - offset);
    if (!found)
      break;
    offset = static_cast<std::size_t>(static_cast<const unsigned char*>(found) - bytes);
    if (offset % sizeof(char16_t) == 0 && aText[offset / sizeof(char16_t)] == aUnit)
      return offset / sizeof(char16_t);
  }
  return std::u16string_view::npos;
}

char16_t AsciiUpper(char16_t aChar) {
  return (aChar >= u'a' && aChar <= u'z') ? char16_t(aChar - 0x20) : aChar;
}

char16_t AsciiLower(char16_t aChar) {
  return (aChar >= u'A' && aChar <= u'Z') ? char16_t(aChar + 0x20) : aChar;
}

bool SameTextAscii(std::u16string_view aLeft, std::u16string_view aRight) {
  if (aLeft.size() != aRight.size())
    return false;
  for (std::size_t i = 0; i < aLeft.size(); ++i)
    if (aLeft[i] != aRight[i] && AsciiUpper(aLeft[i]) != AsciiUpper(aRight[i]))
      return false;
  return true;
}

int CompareTextAscii(std::u16string_view aLeft, std::u16string_view aRight) {
  const std::size_t n = std::min(aLeft.size(), aRight.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t ca = AsciiUpper(aLeft[i]);
    const char16_t cb = AsciiUpper(aRight[i]);
    if (ca != cb)
      return ca < cb ? -1 : 1;
  }
  return aLeft.size() == aRight.size() ? 0 : (aLeft.size() < aRight.size() ? -1 : 1);
}

} // namespace vbase
