#include "vcharset/LocaleCodePage.h"

#include <array>
#include <cstdlib>

namespace vcharset {

namespace {

// The parts of "language_TERRITORY.codeset@modifier".
struct TLocaleName {
  std::string_view Language;
  std::string_view Territory;
  std::string_view Modifier;
};

TLocaleName SplitLocaleName(std::string_view aName) {
  TLocaleName parts;
  if (const auto at = aName.find('@'); at != std::string_view::npos) {
    parts.Modifier = aName.substr(at + 1);
    aName = aName.substr(0, at);
  }
  aName = aName.substr(0, aName.find('.'));
  const auto underscore = aName.find('_');
  parts.Language = aName.substr(0, underscore);
  if (underscore != std::string_view::npos)
    parts.Territory = aName.substr(underscore + 1);
  return parts;
}

bool IsLanguageCode(std::string_view aLanguage) {
  if (aLanguage.size() < 2 || aLanguage.size() > 3)
    return false;
  for (char c : aLanguage)
    if (c < 'a' || c > 'z')
      return false;
  return true;
}

// An empty territory or modifier matches any; the first matching row wins, so the specific
// rows of a language come before its general one.
struct TLocaleCodePage {
  std::string_view Language;
  std::string_view Territory;
  std::string_view Modifier;
  uint32_t CodePage;
};

constexpr std::array LocaleCodePages{
    TLocaleCodePage{"zh", "TW", "", 950},
    TLocaleCodePage{"zh", "HK", "", 950},
    TLocaleCodePage{"zh", "MO", "", 950},
    TLocaleCodePage{"zh", "", "", 936},
    TLocaleCodePage{"ja", "", "", 932},
    TLocaleCodePage{"ko", "", "", 949},
    TLocaleCodePage{"th", "", "", 874},
    TLocaleCodePage{"vi", "", "", 1258},
    TLocaleCodePage{"sr", "", "latin", 1250},
    TLocaleCodePage{"sr", "ME", "", 1250},
    TLocaleCodePage{"sr", "", "", 1251},
    TLocaleCodePage{"uz", "", "cyrillic", 1251},
    TLocaleCodePage{"uz", "", "", 1254},
    TLocaleCodePage{"az", "", "", 1254},
    TLocaleCodePage{"bs", "", "", 1250},
    TLocaleCodePage{"cs", "", "", 1250},
    TLocaleCodePage{"hr", "", "", 1250},
    TLocaleCodePage{"hu", "", "", 1250},
    TLocaleCodePage{"pl", "", "", 1250},
    TLocaleCodePage{"ro", "", "", 1250},
    TLocaleCodePage{"sk", "", "", 1250},
    TLocaleCodePage{"sl", "", "", 1250},
    TLocaleCodePage{"sq", "", "", 1250},
    TLocaleCodePage{"ba", "", "", 1251},
    TLocaleCodePage{"be", "", "", 1251},
    TLocaleCodePage{"bg", "", "", 1251},
    TLocaleCodePage{"kk", "", "", 1251},
    TLocaleCodePage{"ky", "", "", 1251},
    TLocaleCodePage{"mk", "", "", 1251},
    TLocaleCodePage{"mn", "", "", 1251},
    TLocaleCodePage{"ru", "", "", 1251},
    TLocaleCodePage{"sah", "", "", 1251},
    TLocaleCodePage{"tg", "", "", 1251},
    TLocaleCodePage{"tt", "", "", 1251},
    TLocaleCodePage{"uk", "", "", 1251},
    TLocaleCodePage{"el", "", "", 1253},
    TLocaleCodePage{"tr", "", "", 1254},
    TLocaleCodePage{"he", "", "", 1255},
    TLocaleCodePage{"ar", "", "", 1256},
    TLocaleCodePage{"fa", "", "", 1256},
    TLocaleCodePage{"ps", "", "", 1256},
    TLocaleCodePage{"ug", "", "", 1256},
    TLocaleCodePage{"ur", "", "", 1256},
    TLocaleCodePage{"et", "", "", 1257},
    TLocaleCodePage{"lt", "", "", 1257},
    TLocaleCodePage{"lv", "", "", 1257},
    // Scripts without an ANSI code page.
    TLocaleCodePage{"am", "", "", 0},
    TLocaleCodePage{"as", "", "", 0},
    TLocaleCodePage{"bn", "", "", 0},
    TLocaleCodePage{"bo", "", "", 0},
    TLocaleCodePage{"dv", "", "", 0},
    TLocaleCodePage{"gu", "", "", 0},
    TLocaleCodePage{"hi", "", "", 0},
    TLocaleCodePage{"hy", "", "", 0},
    TLocaleCodePage{"iu", "", "", 0},
    TLocaleCodePage{"ka", "", "", 0},
    TLocaleCodePage{"km", "", "", 0},
    TLocaleCodePage{"kn", "", "", 0},
    TLocaleCodePage{"kok", "", "", 0},
    TLocaleCodePage{"lo", "", "", 0},
    TLocaleCodePage{"ml", "", "", 0},
    TLocaleCodePage{"mr", "", "", 0},
    TLocaleCodePage{"my", "", "", 0},
    TLocaleCodePage{"ne", "", "", 0},
    TLocaleCodePage{"or", "", "", 0},
    TLocaleCodePage{"pa", "", "", 0},
    TLocaleCodePage{"sa", "", "", 0},
    TLocaleCodePage{"si", "", "", 0},
    TLocaleCodePage{"syr", "", "", 0},
    TLocaleCodePage{"ta", "", "", 0},
    TLocaleCodePage{"te", "", "", 0},
    TLocaleCodePage{"ti", "", "", 0},
};

bool Matches(const TLocaleCodePage& aRow, const TLocaleName& aName) {
  return aRow.Language == aName.Language &&
         (aRow.Territory.empty() || aRow.Territory == aName.Territory) &&
         (aRow.Modifier.empty() || aRow.Modifier == aName.Modifier);
}

// Latin-script languages share windows-1252.
constexpr uint32_t LatinCodePage = 1252;

} // namespace

std::optional<uint32_t> LocaleAnsiCodePage(std::string_view aLocale) {
  const TLocaleName name = SplitLocaleName(aLocale);
  if (!IsLanguageCode(name.Language))
    return std::nullopt;
  for (const auto& row : LocaleCodePages)
    if (Matches(row, name))
      return row.CodePage;
  return LatinCodePage;
}

std::string UserLocaleName() {
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0')
      continue;
    const std::string_view name(value);
    if (name == "C" || name == "POSIX" || name.starts_with("C."))
      break;
    return std::string(name);
  }
  return "en_US";
}

} // namespace vcharset
