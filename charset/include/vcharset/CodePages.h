// The code-page service: bytes in a Windows code page to UTF-16 and back. UTF-8 (65001),
// UTF-16 LE/BE (1200/1201), UTF-7 (65000) and HZ (52936) are converted here; other code pages go
// through the platform's converter: iconv, or on Windows the system's own service. Code page 0
// stands for the system's ANSI code page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vcharset {

bool IsCodePageSupported(uint32_t aCodePage);

// Whether the code page is UTF-8, whose text can be decoded piece by piece as it arrives.
bool IsUtf8CodePage(uint32_t aCodePage);

// Bytes invalid in the code page become U+FFFD (on Windows: what the system makes of them, such
// as the C1 control of an undefined byte). A code page that cannot be converted raises
// EEncodingError "Invalid code page".
std::u16string CodePageToUtf16(uint32_t aCodePage, std::string_view aBytes);

// Characters without a mapping become "?" (on Windows: their best fit where the code page has
// one). A code page that cannot be converted raises EEncodingError "Invalid code page".
std::string Utf16ToCodePage(uint32_t aCodePage, std::u16string_view aText);

// The system's ANSI code page, the meaning of code page 0: windows-1252 on POSIX systems, the
// system's own on Windows.
uint32_t SystemAnsiCodePage();

} // namespace vcharset
