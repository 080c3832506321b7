// The user's locale and the ANSI code page that goes with a locale. Locale names are the
// platform's: POSIX names on POSIX systems (PosixLocaleCodePage.cpp), Windows names such as
// "ja-JP" on Windows (WindowsLocaleCodePage.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vcharset {

// The default ANSI code page of a locale; 0 for a locale whose script has no ANSI code page. No
// value for a name that names no locale. A POSIX name ("ja_JP.UTF-8", "sr_RS@latin") is taken
// by its language and, where it matters, its territory or script modifier; Windows answers for
// its own names.
std::optional<uint32_t> LocaleAnsiCodePage(std::string_view aLocale);

// The user's locale: on POSIX systems from the environment (LC_ALL, LC_CTYPE, LANG), "en_US"
// when none is set or it is the C locale; on Windows the thread's locale, "en-US" when it has
// none.
std::string UserLocaleName();

} // namespace vcharset
