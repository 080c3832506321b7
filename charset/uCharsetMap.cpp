#include "vcharset/uCharsetMap.h"

#include "vbase/Characters.h"
#include "vbase/IntegerText.h"
#include "vcharset/CodePages.h"
#include "vcharset/LocaleCodePage.h"

#include <array>

namespace vcharset {

using vbase::SameTextAscii;
using vbase::TryTextToInt;

namespace {

// AsciiCodePage stands in for this code page in rows 0 and 1.
constexpr uint32_t AsciiPlaceholder = 0;

struct TBuiltinCharset {
  std::u16string_view Name;
  std::u16string_view URLSuffix;
  uint32_t CodePage;
  TFontCharset CharSet;
  std::u16string_view MIMECharsetName;
  std::u16string_view CharsetName;
};

// Row 32 repeats the name of row 30, so a lookup by "iso-8859-9" always stops at row 30.
constexpr std::array<TBuiltinCharset, 36> BuiltinCharsets{{
    {u"US ASCII", u"", AsciiPlaceholder, 0, u"", u"ANSI_CHARSET"},
    {u"US ASCII", u"", AsciiPlaceholder, 0, u"us-ascii", u"ANSI_CHARSET"},
    {u"Western Europe (ISO)", u"", 28591, 0, u"iso-8859-1", u"ANSI_CHARSET"},
    {u"Western Europe (Windows)", u"", 1252, 0, u"windows-1252", u"ANSI_CHARSET"},
    {u"Latin (3)", u"", 28593, 162, u"iso-8859-3", u"TURKISH_CHARSET"},
    {u"Latin (9)", u"", 28605, 0, u"iso-8859-15", u"ANSI_CHARSET"},
    {u"Thai", u".th", 874, 222, u"iso-8859-11", u"ARABIC_CHARSET"},
    {u"Japanese (JIS)", u".jp", 50220, 128, u"iso-2022-jp", u"SHIFTJIS_CHARSET"},
    {u"Japanese (EUC)", u"", 51932, 128, u"euc-jp", u"SHIFTJIS_CHARSET"},
    {u"Japanese (EUC)", u"", 51932, 128, u"x-euc-jp", u"SHIFTJIS_CHARSET"},
    {u"Japanese (Shift-JIS)", u"", 932, 128, u"shift-jis", u"SHIFTJIS_CHARSET"},
    {u"Japanese (Shift-JIS)", u"", 932, 128, u"x-shift-jis", u"SHIFTJIS_CHARSET"},
    {u"Chinese - Simplified (GB2312)", u"", 936, 134, u"gb2312", u"GB2312_CHARSET"},
    {u"Chinese - Simplified (HZ)", u"", 52936, 134, u"hz-gb-2312", u"GB2312_CHARSET"},
    {u"Chinese - Traditional (Big5)", u".cn", 950, 136, u"big5", u"CHINESEBIG5_CHARSET"},
    {u"Chinese - Traditional (Big5)", u"", 950, 136, u"x-big5", u"CHINESEBIG5_CHARSET"},
    {u"Korean", u".kr", 949, 129, u"iso-2022-kr", u"HANGEUL_CHARSET"},
    {u"Korean", u"", 949, 129, u"KS_C_5601-1987", u"HANGEUL_CHARSET"},
    {u"Korean (EUC)", u"", 51949, 129, u"euc-kr", u"HANGEUL_CHARSET"},
    {u"Korean (EUC)", u"", 51949, 129, u"x-euc-kr", u"HANGEUL_CHARSET"},
    {u"Central European (ISO)", u"", 28592, 238, u"iso-8859-2", u"EASTEUROPE_CHARSET"},
    {u"Central European (Windows)", u"", 1250, 238, u"windows-1250", u"EASTEUROPE_CHARSET"},
    {u"Russian (KOI8-R)", u".ru", 20878, 204, u"koi8-r", u"RUSSIAN_CHARSET"},
    {u"Russian (KOI8-R)", u"", 20878, 204, u"x-koi8-r", u"RUSSIAN_CHARSET"},
    {u"Russian (KOI8)", u"", 20866, 204, u"koi8", u"RUSSIAN_CHARSET"},
    {u"Russian (KOI8)", u"", 20866, 204, u"x-koi8", u"RUSSIAN_CHARSET"},
    {u"Russian (ISO)", u"", 28595, 204, u"iso-8859-5", u"RUSSIAN_CHARSET"},
    {u"Russian (Windows)", u"", 1251, 204, u"windows-1251", u"RUSSIAN_CHARSET"},
    {u"Greek (ISO)", u"", 28597, 161, u"iso-8859-7", u"GREEK_CHARSET"},
    {u"Greek (Windows)", u".gr", 1253, 161, u"windows-1253", u"GREEK_CHARSET"},
    {u"Turkish (ISO)", u".tr", 28599, 162, u"iso-8859-9", u"TURKISH_CHARSET"},
    {u"Hebrew (Windows)", u".il", 1255, 177, u"windows-1255", u"HEBREW_CHARSET"},
    {u"Hebrew (ISO)", u"", 28598, 177, u"iso-8859-9", u"HEBREW_CHARSET"},
    {u"Arabic (ISO)", u"", 28596, 178, u"iso-8859-6", u"ARABIC_CHARSET"},
    {u"Baltic (ISO)", u"", 28594, 186, u"iso-8859-4", u"BALTIC_CHARSET"},
    {u"Unicode (UTF-8)", u"", 65001, 0, u"utf-8", u"ANSI_CHARSET"},
}};

// The rows that seed a table built from an enumeration: built-in rows 0 and 5.
constexpr std::size_t SeedRows[] = {0, 5};

TCharsetRec ToRecord(const TBuiltinCharset& aRow) {
  const uint32_t codePage = aRow.CodePage == AsciiPlaceholder ? AsciiCodePage() : aRow.CodePage;
  return {std::u16string(aRow.Name),
          std::u16string(aRow.URLSuffix),
          codePage,
          aRow.CharSet,
          std::u16string(aRow.MIMECharsetName),
          std::u16string(aRow.CharsetName)};
}

TCharsetRec ToRecord(const TMimeCodePageInfo& aInfo) {
  return {std::u16string(aInfo.Description), u"", aInfo.CodePage, aInfo.FontCharset,
          std::u16string(aInfo.WebCharset),  u""};
}

void FillUrlSuffixes(std::vector<TCharsetRec>& aTable) {
  for (auto& row : aTable) {
    for (const auto& builtin : BuiltinCharsetTable()) {
      if (!row.URLSuffix.empty())
        break;
      if (builtin.CodePage == row.CodePage)
        row.URLSuffix = builtin.URLSuffix;
    }
  }
}

bool HasCodePage(const std::vector<TCharsetRec>& aTable, uint32_t aCodePage) {
  for (const auto& row : aTable)
    if (row.CodePage == aCodePage)
      return true;
  return false;
}

void AppendDefaultCodePage(std::vector<TCharsetRec>& aTable, uint32_t aDefaultCodePage) {
  if (HasCodePage(aTable, aDefaultCodePage))
    return;
  for (const auto& builtin : BuiltinCharsetTable()) {
    if (builtin.CodePage == aDefaultCodePage) {
      aTable.push_back(builtin);
      return;
    }
  }
}

// "windows-N" names its code page directly: N, or 1252 when N is no integer. A negative N is no
// code page either. Gives 0 for every other name, and for N = 0.
uint32_t CodePageFromWindowsName(std::u16string_view aName) {
  const auto hyphen = aName.find(u'-');
  if (hyphen == std::u16string_view::npos || !SameTextAscii(aName.substr(0, hyphen), u"windows"))
    return 0;
  int32_t number = 0;
  if (!TryTextToInt(aName.substr(hyphen + 1), number) || number < 0)
    return 1252;
  return static_cast<uint32_t>(number);
}

struct TStartupValues {
  uint32_t AsciiCodePage;
  uint32_t DefaultCodePage;
};

// Every system this runs on converts US-ASCII as code page 20127.
const TStartupValues& StartupValues() {
  static const TStartupValues Values{20127, CodePageFromLocale(UserLocaleName())};
  return Values;
}

} // namespace

uint32_t AsciiCodePage() {
  return StartupValues().AsciiCodePage;
}

uint32_t DefaultCodePage() {
  return StartupValues().DefaultCodePage;
}

const std::vector<TCharsetRec>& BuiltinCharsetTable() {
  static const std::vector<TCharsetRec> Table = [] {
    std::vector<TCharsetRec> rows;
    rows.reserve(BuiltinCharsets.size());
    for (const auto& row : BuiltinCharsets)
      rows.push_back(ToRecord(row));
    return rows;
  }();
  return Table;
}

std::vector<TCharsetRec> BuildCharsetTable(std::span<const TMimeCodePageInfo> aEnumeration,
                                           uint32_t aDefaultCodePage) {
  if (aEnumeration.empty())
    return BuiltinCharsetTable();
  std::vector<TCharsetRec> table;
  table.reserve(std::size(SeedRows) + aEnumeration.size() + 1);
  for (std::size_t seed : SeedRows)
    table.push_back(BuiltinCharsetTable()[seed]);
  for (const auto& info : aEnumeration)
    table.push_back(ToRecord(info));
  FillUrlSuffixes(table);
  AppendDefaultCodePage(table, aDefaultCodePage);
  return table;
}

const std::vector<TCharsetRec>& CharsetTable() {
  static const std::vector<TCharsetRec> Table =
      BuildCharsetTable(MailNewsCodePages(), DefaultCodePage());
  return Table;
}

uint32_t CodePageFromCharsetName(std::u16string_view aName) {
  return CodePageFromCharsetName(CharsetTable(), aName);
}

uint32_t CodePageFromCharsetName(const std::vector<TCharsetRec>& aTable,
                                 std::u16string_view aName) {
  if (SameTextAscii(aName, u"us-ascii"))
    return AsciiCodePage();
  if (const uint32_t codePage = CodePageFromWindowsName(aName); codePage != 0)
    return codePage;
  for (const auto& row : aTable)
    if (SameTextAscii(row.MIMECharsetName, aName))
      return row.CodePage;
  return AsciiCodePage();
}

uint32_t CodePageFromLocale(std::string_view aLocale) {
  return LocaleAnsiCodePage(aLocale).value_or(SystemAnsiCodePage());
}

} // namespace vcharset
