#include "vbase/Characters.h"

#include <algorithm>
#include <cstring>

namespace vbase {

char16_t* PutUtf16(char32_t ACodePoint, char16_t* AOut) {
  if (ACodePoint < 0x10000) {
    *AOut++ = static_cast<char16_t>(ACodePoint);
    return AOut;
  }
  ACodePoint -= 0x10000;
  *AOut++ = static_cast<char16_t>(0xD800 + (ACodePoint >> 10));
  *AOut++ = static_cast<char16_t>(0xDC00 + (ACodePoint & 0x3FF));
  return AOut;
}

int HexDigit(char16_t AChar) {
  if (AChar >= u'0' && AChar <= u'9')
    return AChar - u'0';
  if (AChar >= u'a' && AChar <= u'f')
    return AChar - u'a' + 10;
  if (AChar >= u'A' && AChar <= u'F')
    return AChar - u'A' + 10;
  return -1;
}

int Base64Digit(char16_t AChar) {
  if (AChar >= u'A' && AChar <= u'Z')
    return AChar - u'A';
  if (AChar >= u'a' && AChar <= u'z')
    return AChar - u'a' + 26;
  if (AChar >= u'0' && AChar <= u'9')
    return AChar - u'0' + 52;
  if (AChar == u'+')
    return 62;
  if (AChar == u'/')
    return 63;
  return -1;
}

std::size_t FindCodeUnit(std::u16string_view AText, char16_t AUnit, std::size_t AFrom) {
  if (AFrom >= AText.size())
    return std::u16string_view::npos;
  // A byte found is a hit only as the first byte of a unit equal to AUnit.
  unsigned char firstByte = 0;
  std::memcpy(&firstByte, &AUnit, 1);
  const auto* const bytes = reinterpret_cast<const unsigned char*>(AText.data());
  const std::size_t size = AText.size() * sizeof(char16_t);
  for (std::size_t offset = AFrom * sizeof(char16_t); offset < size; ++offset) {
    const void* found = std::memchr(bytes + offset, firstByte, size - offset);
    if (!found)
      break;
    offset = static_cast<std::size_t>(static_cast<const unsigned char*>(found) - bytes);
    if (offset % sizeof(char16_t) == 0 && AText[offset / sizeof(char16_t)] == AUnit)
      return offset / sizeof(char16_t);
  }
  return std::u16string_view::npos;
}

char16_t AsciiUpper(char16_t AChar) {
  return (AChar >= u'a' && AChar <= u'z') ? char16_t(AChar - 0x20) : AChar;
}

char16_t AsciiLower(char16_t AChar) {
  return (AChar >= u'A' && AChar <= u'Z') ? char16_t(AChar + 0x20) : AChar;
}

bool SameTextAscii(std::u16string_view ALeft, std::u16string_view ARight) {
  if (ALeft.size() != ARight.size())
    return false;
  for (std::size_t i = 0; i < ALeft.size(); ++i)
    if (ALeft[i] != ARight[i] && AsciiUpper(ALeft[i]) != AsciiUpper(ARight[i]))
      return false;
  return true;
}

int CompareTextAscii(std::u16string_view ALeft, std::u16string_view ARight) {
  const std::size_t n = std::min(ALeft.size(), ARight.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t ca = AsciiUpper(ALeft[i]);
    const char16_t cb = AsciiUpper(ARight[i]);
    if (ca != cb)
      return ca < cb ? -1 : 1;
  }
  return ALeft.size() == ARight.size() ? 0 : (ALeft.size() < ARight.size() ? -1 : 1);
}

} // namespace vbase
