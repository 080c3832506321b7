// HZ (code page 52936): 7-bit mail text in which "~{" ... "~}" enclose GB2312 characters written
// as byte pairs without their high bits, "~~" is a tilde and "~" before a line feed joins lines.
#pragma once

#include <string>
#include <string_view>

namespace vcharset {

// A byte above 0x7F, an unknown "~" escape, a byte that forms no pair inside "~{ ~}" and a pair
// that is no GB2312 character give U+FFFD each. A line break inside "~{ ~}" ends the GB2312 run.
void HzDecodeAppend(std::string_view aBytes, std::u16string& aOut);

// Characters outside ASCII and GB2312 become "?".
void HzEncodeAppend(std::u16string_view aText, std::string& aOut);

} // namespace vcharset
