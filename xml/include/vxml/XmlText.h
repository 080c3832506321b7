// The text rules of the document layer: escaped storage, quoting and booleans as text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vxml {

// Escapes &, <, >, ', " and NUL as entities; every other character stays as it is.
std::u16string EscapeText(std::u16string_view aText);
void AppendEscaped(std::u16string& aOut, std::u16string_view aText);
// Resolves the six entities of EscapeText and numeric references up to 0xFFFE. Anything
// unrecognised stays as written. A text without "&" comes back unchanged.
std::u16string UnescapeText(std::u16string_view aText);
void AppendUnescaped(std::u16string& aOut, std::u16string_view aText);
std::u16string QuoteText(std::u16string_view aText);
std::u16string UnquoteText(std::u16string_view aText);

// TAB, LF, CR and space.
inline bool IsXmlWhitespace(char16_t aUnit) {
  return aUnit == u' ' || aUnit == u'\n' || aUnit == u'\r' || aUnit == u'\t';
}

std::u16string BoolToText(bool aValue);
// Looks at the first character only: T or Y is true, F or N is false; anything else raises
// "Cannot convert value to bool".
bool TextToBool(std::u16string_view aText);
bool TryTextToBool(std::u16string_view aText, bool& aValue);

} // namespace vxml
