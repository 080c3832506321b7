// The code-page service: bytes in a Windows code page to UTF-16 and back. UTF-8 (65001),
// UTF-16 LE/BE (1200/1201), UTF-7 (65000) and HZ (52936) are converted here; other code pages go
// through iconv. Code page 0 stands for the system's ANSI code page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vcharset {

bool IsCodePageSupported(uint32_t ACodePage);

// Bytes invalid in the code page become U+FFFD. A code page that cannot be converted raises
// EEncodingError "Invalid code page".
std::u16string CodePageToUtf16(uint32_t ACodePage, std::string_view ABytes);

// Characters without a mapping become "?". A code page that cannot be converted raises
// EEncodingError "Invalid code page".
std::string Utf16ToCodePage(uint32_t ACodePage, std::u16string_view AText);

// The system's ANSI code page, the meaning of code page 0: windows-1252 on every system.
uint32_t SystemAnsiCodePage();

} // namespace vcharset
