// The code-page service: bytes in a Windows code page to UTF-16 and back. UTF-8 (65001),
// UTF-16 LE/BE (1200/1201), UTF-7 (65000) and HZ (52936) are converted here; other code pages go
// through iconv. Code page 0 stands for the system's ANSI code page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

bool IsCodePageSupported(uint32_t ACodePage);

// Bytes invalid in the code page become U+FFFD. A code page that cannot be converted raises
// EEncodingError "Invalid code page".
std::u16string CodePageToUtf16(uint32_t ACodePage, std::string_view ABytes);

// Characters without a mapping become "?". A code page that cannot be converted raises
// EEncodingError "Invalid code page".
std::string Utf16ToCodePage(uint32_t ACodePage, std::u16string_view AText);

// The system's ANSI code page, the meaning of code page 0: windows-1252 on every system.
uint32_t SystemAnsiCodePage();

// The default ANSI code page of a POSIX locale name ("ja_JP.UTF-8", "sr_RS@latin"), taken from
// its language and, where it matters, its territory or script modifier; 0 for a locale whose
// script has no ANSI code page. No value for a name without a language.
std::optional<uint32_t> LocaleAnsiCodePage(std::string_view ALocale);

// The user's locale from the environment (LC_ALL, LC_CTYPE, LANG); "en_US" when none is set or
// it is the C locale.
std::string UserLocaleName();
