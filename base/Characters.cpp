#include "Characters.h"

#include <algorithm>
#include <cstring>

namespace vbase {

char16_t* PutUtf16(char32_t c, char16_t* AOut) {
  if (c < 0x10000) {
    *AOut++ = static_cast<char16_t>(c);
    return AOut;
  }
  c -= 0x10000;
  *AOut++ = static_cast<char16_t>(0xD800 + (c >> 10));
  *AOut++ = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  return AOut;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9')
    return c - u'0';
  if (c >= u'a' && c <= u'f')
    return c - u'a' + 10;
  if (c >= u'A' && c <= u'F')
    return c - u'A' + 10;
  return -1;
}

int Base64Digit(char16_t c) {
  if (c >= u'A' && c <= u'Z')
    return c - u'A';
  if (c >= u'a' && c <= u'z')
    return c - u'a' + 26;
  if (c >= u'0' && c <= u'9')
    return c - u'0' + 52;
  if (c == u'+')
    return 62;
  if (c == u'/')
    return 63;
  return -1;
}

std::size_t FindCodeUnit(std::u16string_view AText, char16_t c, std::size_t AFrom) {
  if (AFrom >= AText.size())
    return std::u16string_view::npos;
  // A byte found is a hit only as the first byte of a unit equal to c.
  unsigned char firstByte = 0;
  std::memcpy(&firstByte, &c, 1);
  const auto* const bytes = reinterpret_cast<const unsigned char*>(AText.data());
  const std::size_t size = AText.size() * sizeof(char16_t);
  for (std::size_t offset = AFrom * sizeof(char16_t); offset < size; ++offset) {
    const void* found = std::memchr(bytes + offset, firstByte, size - offset);
    if (!found)
      break;
    offset = static_cast<std::size_t>(static_cast<const unsigned char*>(found) - bytes);
    if (offset % sizeof(char16_t) == 0 && AText[offset / sizeof(char16_t)] == c)
      return offset / sizeof(char16_t);
  }
  return std::u16string_view::npos;
}

char16_t AsciiUpper(char16_t c) {
  return (c >= u'a' && c <= u'z') ? char16_t(c - 0x20) : c;
}

char16_t AsciiLower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? char16_t(c + 0x20) : c;
}

bool SameTextAscii(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && AsciiUpper(a[i]) != AsciiUpper(b[i]))
      return false;
  return true;
}

int CompareTextAscii(std::u16string_view a, std::u16string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t ca = AsciiUpper(a[i]);
    const char16_t cb = AsciiUpper(b[i]);
    if (ca != cb)
      return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

} // namespace vbase
