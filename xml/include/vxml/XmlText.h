// The text rules of the document layer: escaped storage, quoting and booleans as text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vxml {

// Escapes &, <, >, ', " and NUL as entities; every other character stays as it is.
std::u16string EscapeText(std::u16string_view Text);
void AppendEscaped(std::u16string& AOut, std::u16string_view Text);
// Resolves the six entities of EscapeText and numeric references up to 0xFFFE. Anything
// unrecognised stays as written. A text without "&" comes back unchanged.
std::u16string UnescapeText(std::u16string_view Text);
void AppendUnescaped(std::u16string& AOut, std::u16string_view Text);
std::u16string QuoteText(std::u16string_view Text);
std::u16string UnquoteText(std::u16string_view Text);

// TAB, LF, CR and space.
inline bool IsXmlWhitespace(char16_t AUnit) {
  return AUnit == u' ' || AUnit == u'\n' || AUnit == u'\r' || AUnit == u'\t';
}

std::u16string BoolToText(bool Value);
// Looks at the first character only: T or Y is true, F or N is false; anything else raises
// "Cannot convert value to bool".
bool TextToBool(std::u16string_view Text);
bool TryTextToBool(std::u16string_view Text, bool& Value);

} // namespace vxml
