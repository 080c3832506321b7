#include "vbase/IntegerText.h"
#include "vbase/Utf8.h"
#include "vcharset/LocaleCodePage.h"

#include <windows.h>

namespace vcharset {

namespace {

constexpr LCID UnitedStates = 1033;

std::wstring WideName(std::string_view aName) {
  const std::u16string name = vbase::Utf8Decode(aName);
  return std::wstring(name.begin(), name.end());
}

} // namespace

// The platform gives the code page as decimal text, in room for 7 code units.
std::optional<uint32_t> LocaleAnsiCodePage(std::string_view aLocale) {
  wchar_t text[7] = {};
  if (::GetLocaleInfoEx(WideName(aLocale).c_str(), LOCALE_IDEFAULTANSICODEPAGE, text, 7) == 0)
    return std::nullopt;
  int32_t codePage = 0;
  if (!vbase::TryTextToInt(reinterpret_cast<const char16_t*>(text), codePage) || codePage < 0)
    return std::nullopt;
  return static_cast<uint32_t>(codePage);
}

std::string UserLocaleName() {
  LCID locale = ::GetThreadLocale();
  if (locale == 0)
    locale = UnitedStates;
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  if (::LCIDToLocaleName(locale, name, LOCALE_NAME_MAX_LENGTH, 0) == 0)
    return "en-US";
  return vbase::Utf8Encode(reinterpret_cast<const char16_t*>(name));
}

} // namespace vcharset
