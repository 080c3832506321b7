// The user's locale and the ANSI code page that goes with a locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vcharset {

// The default ANSI code page of a POSIX locale name ("ja_JP.UTF-8", "sr_RS@latin"), taken from
// its language and, where it matters, its territory or script modifier; 0 for a locale whose
// script has no ANSI code page. No value for a name without a language.
std::optional<uint32_t> LocaleAnsiCodePage(std::string_view ALocale);

// The user's locale from the environment (LC_ALL, LC_CTYPE, LANG); "en_US" when none is set or
// it is the C locale.
std::string UserLocaleName();

} // namespace vcharset
