#include "IconvCodec.h"
#include "SystemCodePages.h"
#include "vcharset/CodePages.h"

#include <algorithm>
#include <array>

namespace vcharset {

namespace {

struct TIconvName {
  uint32_t CodePage;
  const char* Charset;
};

// Windows code pages and the glibc iconv names that convert them, sorted by code page.
constexpr std::array IconvNames{
    TIconvName{37, "IBM037"},
    TIconvName{437, "IBM437"},
    TIconvName{500, "IBM500"},
    TIconvName{708, "ISO-8859-6"},
    TIconvName{737, "CP737"},
    TIconvName{775, "CP775"},
    TIconvName{850, "IBM850"},
    TIconvName{852, "IBM852"},
    TIconvName{855, "IBM855"},
    TIconvName{857, "IBM857"},
    TIconvName{858, "CP858"},
    TIconvName{860, "IBM860"},
    TIconvName{861, "IBM861"},
    TIconvName{862, "IBM862"},
    TIconvName{863, "IBM863"},
    TIconvName{864, "IBM864"},
    TIconvName{865, "IBM865"},
    TIconvName{866, "IBM866"},
    TIconvName{869, "IBM869"},
    TIconvName{870, "IBM870"},
    TIconvName{874, "CP874"},
    TIconvName{875, "CP875"},
    TIconvName{932, "CP932"},
    TIconvName{936, "CP936"},
    TIconvName{949, "CP949"},
    TIconvName{950, "CP950"},
    TIconvName{1026, "IBM1026"},
    TIconvName{1047, "IBM1047"},
    TIconvName{1140, "IBM1140"},
    TIconvName{1141, "IBM1141"},
    TIconvName{1142, "IBM1142"},
    TIconvName{1143, "IBM1143"},
    TIconvName{1144, "IBM1144"},
    TIconvName{1145, "IBM1145"},
    TIconvName{1146, "IBM1146"},
    TIconvName{1147, "IBM1147"},
    TIconvName{1148, "IBM1148"},
    TIconvName{1149, "IBM1149"},
    TIconvName{1250, "CP1250"},
    TIconvName{1251, "CP1251"},
    TIconvName{1252, "CP1252"},
    TIconvName{1253, "CP1253"},
    TIconvName{1254, "CP1254"},
    TIconvName{1255, "CP1255"},
    TIconvName{1256, "CP1256"},
    TIconvName{1257, "CP1257"},
    TIconvName{1258, "CP1258"},
    TIconvName{1361, "JOHAB"},
    TIconvName{10000, "MACINTOSH"},
    TIconvName{10007, "MAC-CYRILLIC"},
    TIconvName{10017, "MAC-UK"},
    TIconvName{10029, "MAC-CENTRALEUROPE"},
    TIconvName{10079, "MAC-IS"},
    TIconvName{20127, "ASCII"},
    TIconvName{20273, "IBM273"},
    TIconvName{20277, "IBM277"},
    TIconvName{20278, "IBM278"},
    TIconvName{20280, "IBM280"},
    TIconvName{20284, "IBM284"},
    TIconvName{20285, "IBM285"},
    TIconvName{20290, "IBM290"},
    TIconvName{20297, "IBM297"},
    TIconvName{20420, "IBM420"},
    TIconvName{20423, "IBM423"},
    TIconvName{20424, "IBM424"},
    TIconvName{20866, "KOI8-R"},
    TIconvName{20871, "IBM871"},
    // The character-set table names KOI8-R 20878; the code page itself is KOI8-R's 20866.
    TIconvName{20878, "KOI8-R"},
    TIconvName{20880, "IBM880"},
    TIconvName{20905, "IBM905"},
    TIconvName{20932, "EUC-JP"},
    TIconvName{20936, "GB2312"},
    TIconvName{21025, "IBM1025"},
    TIconvName{21866, "KOI8-U"},
    TIconvName{28591, "ISO-8859-1"},
    TIconvName{28592, "ISO-8859-2"},
    TIconvName{28593, "ISO-8859-3"},
    TIconvName{28594, "ISO-8859-4"},
    TIconvName{28595, "ISO-8859-5"},
    TIconvName{28596, "ISO-8859-6"},
    TIconvName{28597, "ISO-8859-7"},
    TIconvName{28598, "ISO-8859-8"},
    TIconvName{28599, "ISO-8859-9"},
    TIconvName{28600, "ISO-8859-10"},
    TIconvName{28601, "ISO-8859-11"},
    TIconvName{28603, "ISO-8859-13"},
    TIconvName{28604, "ISO-8859-14"},
    TIconvName{28605, "ISO-8859-15"},
    TIconvName{28606, "ISO-8859-16"},
    TIconvName{38598, "ISO-8859-8"},
    TIconvName{50220, "ISO-2022-JP"},
    TIconvName{50225, "ISO-2022-KR"},
    TIconvName{50227, "ISO-2022-CN"},
    TIconvName{51932, "EUC-JP"},
    TIconvName{51936, "GB2312"},
    TIconvName{51949, "EUC-KR"},
    TIconvName{54936, "GB18030"},
};

static_assert(std::is_sorted(IconvNames.begin(), IconvNames.end(),
                             [](const TIconvName& aLeft, const TIconvName& aRight) {
                               return aLeft.CodePage < aRight.CodePage;
                             }));

const char* IconvNameOf(uint32_t aCodePage) {
  const auto row = std::lower_bound(
      IconvNames.begin(), IconvNames.end(), aCodePage,
      [](const TIconvName& aName, uint32_t aCodePage) { return aName.CodePage < aCodePage; });
  return row != IconvNames.end() && row->CodePage == aCodePage ? row->Charset : nullptr;
}

const char* IconvNameOrRaise(uint32_t aCodePage) {
  const char* charset = IconvNameOf(aCodePage);
  if (charset == nullptr)
    RaiseInvalidCodePage();
  return charset;
}

// GB2312 in its EUC-CN form.
constexpr const char* EucCnCharset = "EUC-CN";

} // namespace

// Every system this runs on is taken to be a Western one.
uint32_t SystemAnsiCodePage() {
  return 1252;
}

bool SystemCodePageSupported(uint32_t aCodePage) {
  const char* charset = IconvNameOf(aCodePage);
  return charset != nullptr && IconvSupports(charset);
}

void SystemDecodeAppend(uint32_t aCodePage, std::string_view aBytes, std::u16string& aOut) {
  IconvDecodeAppend(IconvNameOrRaise(aCodePage), aBytes, aOut);
}

void SystemEncodeAppend(uint32_t aCodePage, std::u16string_view aText, std::string& aOut) {
  IconvEncodeAppend(IconvNameOrRaise(aCodePage), aText, aOut);
}

void EucCnDecodeAppend(std::string_view aBytes, std::u16string& aOut) {
  IconvDecodeAppend(EucCnCharset, aBytes, aOut);
}

void EucCnEncodeAppend(std::u16string_view aText, std::string& aOut) {
  IconvEncodeAppend(EucCnCharset, aText, aOut);
}

} // namespace vcharset
