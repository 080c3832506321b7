// Character classes, digits and ASCII case folding shared by every layer. None of them depends
// on the process locale.
#pragma once

#include <cstring>
#include <string>
#include <string_view>

namespace vbase {

// What a decoder writes for input it cannot read.
inline constexpr char16_t ReplacementCharacter = 0xFFFD;

inline constexpr bool IsHighSurrogate(char32_t ACodePoint) {
  return ACodePoint >= 0xD800 && ACodePoint <= 0xDBFF;
}
inline constexpr bool IsLowSurrogate(char32_t ACodePoint) {
  return ACodePoint >= 0xDC00 && ACodePoint <= 0xDFFF;
}
// The code point above U+FFFF of a surrogate pair.
inline constexpr char32_t CodePointOfPair(char32_t AHigh, char32_t ALow) {
  return 0x10000 + ((AHigh - 0xD800) << 10) + (ALow - 0xDC00);
}
// Writes a code point as one code unit, or as a surrogate pair above U+FFFF; returns the
// position after it.
char16_t* PutUtf16(char32_t ACodePoint, char16_t* AOut);

// The value of a hexadecimal digit of either case; -1 for any other character.
int HexDigit(char16_t AChar);
// The hexadecimal digits by value, upper case.
inline constexpr char16_t HexDigitChars[] = u"0123456789ABCDEF";
// The value of a Base64 digit (also UTF-7's); -1 for any other character.
int Base64Digit(char16_t AChar);
// The Base64 digits by value.
inline constexpr char16_t Base64DigitChars[] =
    u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The blanks and control characters: every code unit up to U+0020.
inline constexpr bool IsControlOrSpace(char16_t AChar) {
  return AChar <= u' ';
}

// AText without the code units at its end that AIsBlank accepts.
template <typename TIsBlank>
std::u16string_view TrimRight(std::u16string_view AText, TIsBlank AIsBlank) {
  while (!AText.empty() && AIsBlank(AText.back()))
    AText.remove_suffix(1);
  return AText;
}

// AText without the code units at either end that AIsBlank accepts.
template <typename TIsBlank>
std::u16string_view Trim(std::u16string_view AText, TIsBlank AIsBlank) {
  while (!AText.empty() && AIsBlank(AText.front()))
    AText.remove_prefix(1);
  return TrimRight(AText, AIsBlank);
}

// Removes leading and trailing code units up to U+0020.
inline std::u16string_view TrimControlChars(std::u16string_view AText) {
  return Trim(AText, IsControlOrSpace);
}

// ALeft == ARight by memcmp, which outruns the comparison of one char16_t after another.
inline bool SameCodeUnits(std::u16string_view ALeft, std::u16string_view ARight) {
  return ALeft.size() == ARight.size() &&
         (ALeft.empty() ||
          std::memcmp(ALeft.data(), ARight.data(), ALeft.size() * sizeof(char16_t)) == 0);
}

// AText.find(AUnit, AFrom), by memchr: it scans many bytes at a time where find takes one unit.
std::size_t FindCodeUnit(std::u16string_view AText, char16_t AUnit, std::size_t AFrom = 0);

// Case folding of ASCII letters only, so no locale can change a comparison.
char16_t AsciiUpper(char16_t AChar);
char16_t AsciiLower(char16_t AChar);
bool SameTextAscii(std::u16string_view ALeft, std::u16string_view ARight);
int CompareTextAscii(std::u16string_view ALeft, std::u16string_view ARight);

} // namespace vbase
