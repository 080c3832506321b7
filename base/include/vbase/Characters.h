// Character classes, digits and ASCII case folding shared by every layer. None of them depends
// on the process locale.
#pragma once

#include <cstring>
#include <string>
#include <string_view>

namespace vbase {

// What a decoder writes for input it cannot read.
inline constexpr char16_t ReplacementCharacter = 0xFFFD;

inline constexpr bool IsHighSurrogate(char32_t aCodePoint) {
  return aCodePoint >= 0xD800 && aCodePoint <= 0xDBFF;
}
inline constexpr bool IsLowSurrogate(char32_t aCodePoint) {
  return aCodePoint >= 0xDC00 && aCodePoint <= 0xDFFF;
}
// The code point above U+FFFF of a surrogate pair.
inline constexpr char32_t CodePointOfPair(char32_t aHigh, char32_t aLow) {
  return 0x10000 + ((aHigh - 0xD800) << 10) + (aLow - 0xDC00);
}
// Writes a code point as one code unit, or as a surrogate pair above U+FFFF; returns the
// position after it.
char16_t* PutUtf16(char32_t aCodePoint, char16_t* aOut);

// The value of a hexadecimal digit of either case; -1 for any other character.
int HexDigit(char16_t aChar);
// The hexadecimal digits by value, upper case.
inline constexpr char16_t HexDigitChars[] = u"0123456789ABCDEF";
// The value of a Base64 digit (also UTF-7's); -1 for any other character.
int Base64Digit(char16_t aChar);
// The Base64 digits by value.
inline constexpr char16_t Base64DigitChars[] =
    u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The blanks and control characters: every code unit up to U+0020.
inline constexpr bool IsControlOrSpace(char16_t aChar) {
  return aChar <= u' ';
}

// aText without the code units at its end that aIsBlank accepts.
template <typename TIsBlank>
std::u16string_view TrimRight(std::u16string_view aText, TIsBlank aIsBlank) {
  while (!aText.empty() && aIsBlank(aText.back()))
    aText.remove_suffix(1);
  return aText;
}

// aText without the code units at either end that aIsBlank accepts.
template <typename TIsBlank>
std::u16string_view Trim(std::u16string_view aText, TIsBlank aIsBlank) {
  while (!aText.empty() && aIsBlank(aText.front()))
    aText.remove_prefix(1);
  return TrimRight(aText, aIsBlank);
}

// Removes leading and trailing code units up to U+0020.
inline std::u16string_view TrimControlChars(std::u16string_view aText) {
  return Trim(aText, IsControlOrSpace);
}

// aLeft == aRight by memcmp, which outruns the comparison of one char16_t after another.
inline bool SameCodeUnits(std::u16string_view aLeft, std::u16string_view aRight) {
  return aLeft.size() == aRight.size() &&
         (aLeft.empty() ||
          std::memcmp(aLeft.data(), aRight.data(), aLeft.size() * sizeof(char16_t)) == 0);
}

// aText.find(aUnit, aFrom), by memchr: it scans many bytes at a time where find takes one unit.
std::size_t FindCodeUnit(std::u16string_view aText, char16_t aUnit, std::size_t aFrom = 0);

// Case folding of ASCII letters only, so no locale can change a comparison.
char16_t AsciiUpper(char16_t aChar);
char16_t AsciiLower(char16_t aChar);
bool SameTextAscii(std::u16string_view aLeft, std::u16string_view aRight);
int CompareTextAscii(std::u16string_view aLeft, std::u16string_view aRight);

} // namespace vbase
