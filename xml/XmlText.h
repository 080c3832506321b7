// The text rules of the document layer: escaped storage, quoting, integers and booleans as
// text, and the locale-independent comparisons the node model uses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Escapes &, <, >, ', " and NUL as entities; every other character stays as it is.
std::u16string EscapeText(std::u16string_view Text);
void AppendEscaped(std::u16string& AOut, std::u16string_view Text);
// Resolves the six entities of EscapeText and numeric references up to 0xFFFE. Anything
// unrecognised stays as written. A text without "&" comes back unchanged.
std::u16string UnescapeText(std::u16string_view Text);
void AppendUnescaped(std::u16string& AOut, std::u16string_view Text);
std::u16string QuoteText(std::u16string_view Text);
std::u16string UnquoteText(std::u16string_view Text);

// The integer rule: leading spaces, an optional sign, decimal digits or hex digits after
// "$", "x" or "0x". Returns false when the text is not a number in range.
bool TryTextToInt(std::u16string_view Text, int32_t& Value);
bool TryTextToInt64(std::u16string_view Text, int64_t& Value);
std::u16string IntToText(int64_t Value);
// The value of a hexadecimal digit of either case; -1 for any other character.
int HexDigit(char16_t c);
// The hexadecimal digits by value, upper case.
inline constexpr char16_t HexDigitChars[] = u"0123456789ABCDEF";
// The value of a Base64 digit (also UTF-7's); -1 for any other character.
int Base64Digit(char16_t c);
// The Base64 digits by value.
inline constexpr char16_t Base64DigitChars[] =
    u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::u16string BoolToText(bool Value);
// Looks at the first character only: T or Y is true, F or N is false; anything else raises
// "Cannot convert value to bool".
bool TextToBool(std::u16string_view Text);
bool TryTextToBool(std::u16string_view Text, bool& Value);

// Removes leading and trailing code units up to U+0020.
std::u16string_view TrimControlChars(std::u16string_view AText);

// Case folding of ASCII letters only, so no locale can change a comparison.
char16_t AsciiUpper(char16_t c);
bool SameTextAscii(std::u16string_view a, std::u16string_view b);
int CompareTextAscii(std::u16string_view a, std::u16string_view b);
