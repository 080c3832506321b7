#include "vcharset/uCharsetMap.h"

#include "CodePageGaps.h"
#include "vbase/Characters.h"
#include "vcharset/CodePages.h"
#include "vcharset/LocaleCodePage.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

using namespace vbase;
using namespace vcharset;

namespace {

struct TLookupCase {
  std::u16string_view Name;
  uint32_t CodePage;
};

std::string Narrow(std::u16string_view aText) {
  return std::string(aText.begin(), aText.end());
}

void ExpectLookups(const std::vector<TCharsetRec>& aTable, std::span<const TLookupCase> aCases) {
  for (const auto& row : aCases) {
    SCOPED_TRACE(Narrow(row.Name));
    EXPECT_EQ(CodePageFromCharsetName(aTable, row.Name), row.CodePage);
  }
}

TEST(uCharsetMapTest, BuiltinTableHoldsTheThirtySixRows) {
  const auto& table = BuiltinCharsetTable();
  ASSERT_EQ(table.size(), 36u);
  const TCharsetRec row0{u"US ASCII", u"", 20127, 0, u"", u"ANSI_CHARSET"};
  const TCharsetRec row7{u"Japanese (JIS)",  u".jp", 50220, 128, u"iso-2022-jp",
                         u"SHIFTJIS_CHARSET"};
  const TCharsetRec row22{u"Russian (KOI8-R)", u".ru", 20878, 204, u"koi8-r", u"RUSSIAN_CHARSET"};
  const TCharsetRec row32{u"Hebrew (ISO)", u"", 28598, 177, u"iso-8859-9", u"HEBREW_CHARSET"};
  const TCharsetRec row35{u"Unicode (UTF-8)", u"", 65001, 0, u"utf-8", u"ANSI_CHARSET"};
  EXPECT_EQ(table[0], row0);
  EXPECT_EQ(table[1].CodePage, AsciiCodePage());
  EXPECT_EQ(table[1].MIMECharsetName, u"us-ascii");
  EXPECT_EQ(table[7], row7);
  EXPECT_EQ(table[22], row22);
  EXPECT_EQ(table[32], row32);
  EXPECT_EQ(table[35], row35);
}

// Lookups that give the same answer with either table: the "windows-" rule and us-ascii come
// before any table search.
constexpr TLookupCase CommonLookups[] = {
    {u"us-ascii", 20127},
    {u"US-ASCII", 20127},
    {u"windows-1250", 1250},
    {u"Windows-874", 874},
    {u"WINDOWS-9999", 9999},
    {u"windows-abc", 1252},
    {u"windows-", 1252},
    {u"windows--5", 1252},
    {u"windows-0", 20127},
    {u"windows-$4E4", 1252},
    {u"windows-$000004E2", 1250},
    {u"windows-$0000004E2", 1252}, // nine hexadecimal digits are no integer
    {u"iso-8859-1", 28591},
    {u"ISO-8859-1", 28591},
    {u"utf-8", 65001},
    {u"KS_C_5601-1987", 949},
    {u"iso-8859-9", 28599},
    {u"utf8", 20127},
    {u"", 20127},
    {u"iso-8859-1 ", 20127},
    {u"\u212Aoi8", 20127},
    {u"euc-jp", 51932},
    {u"x-euc-kr", 51949},
    {u"hz-gb-2312", 52936},
};

TEST(uCharsetMapTest, LookupsInTheBuiltinTable) {
  ExpectLookups(BuiltinCharsetTable(), CommonLookups);
  const TLookupCase builtinOnly[] = {
      {u"Shift_JIS", 20127},  // only "shift-jis" is built in
      {u"ISO-8859-8", 20127}, // Hebrew's row carries the name iso-8859-9
      {u"koi8-r", 20878},     {u"iso-2022-kr", 949}, {u"iso-8859-11", 874},
  };
  ExpectLookups(BuiltinCharsetTable(), builtinOnly);
}

TEST(uCharsetMapTest, LookupsInTheProcessTable) {
  ExpectLookups(CharsetTable(), CommonLookups);
  const TLookupCase withMailNewsList[] = {
      {u"Shift_JIS", 932},     {u"ISO-8859-8", 28598},  {u"koi8-r", 20866},  {u"x-koi8-r", 20866},
      {u"iso-2022-kr", 50225}, {u"iso-8859-11", 28601}, {u"gb18030", 54936}, {u"utf-7", 65000},
      {u"utf-16", 20127},      {u"unicode", 20127},
  };
  ExpectLookups(CharsetTable(), withMailNewsList);
  for (std::u16string_view name : {u"utf-8", u"Shift_JIS", u"iso-8859-15"}) {
    SCOPED_TRACE(Narrow(name));
    EXPECT_EQ(CodePageFromCharsetName(name), CodePageFromCharsetName(CharsetTable(), name));
  }
}

TEST(uCharsetMapTest, TheProcessTableResolvesEveryBuiltinNameToAConvertibleCodePage) {
  for (const auto& row : BuiltinCharsetTable()) {
    if (row.MIMECharsetName.empty() || row.MIMECharsetName == u"us-ascii")
      continue;
    SCOPED_TRACE(Narrow(row.MIMECharsetName));
    const uint32_t codePage = CodePageFromCharsetName(row.MIMECharsetName);
    EXPECT_NE(codePage, AsciiCodePage());
    EXPECT_NE(IsCodePageSupported(codePage), PlatformLacksCodePage(codePage));
  }
}

TEST(uCharsetMapTest, MailNewsListHasConvertibleCodePagesAndNoUtf16) {
  const auto list = MailNewsCodePages();
  for (std::size_t i = 0; i < list.size(); ++i) {
    SCOPED_TRACE(Narrow(list[i].WebCharset));
    EXPECT_NE(IsCodePageSupported(list[i].CodePage), PlatformLacksCodePage(list[i].CodePage));
    EXPECT_NE(list[i].CodePage, 1200u);
    EXPECT_NE(list[i].CodePage, 1201u);
    EXPECT_FALSE(SameTextAscii(list[i].WebCharset, u"utf8"));
    for (std::size_t j = 0; j < i; ++j)
      EXPECT_FALSE(SameTextAscii(list[i].WebCharset, list[j].WebCharset)) << "repeated name";
  }
}

TEST(uCharsetMapTest, MailNewsListNamesTheUsualCharsets) {
  const TLookupCase expected[] = {
      {u"shift_jis", 932},     {u"iso-2022-jp", 50220}, {u"euc-jp", 51932},
      {u"iso-8859-1", 28591},  {u"iso-8859-2", 28592},  {u"iso-8859-3", 28593},
      {u"iso-8859-4", 28594},  {u"iso-8859-5", 28595},  {u"iso-8859-6", 28596},
      {u"iso-8859-7", 28597},  {u"iso-8859-8", 28598},  {u"iso-8859-9", 28599},
      {u"iso-8859-10", 28600}, {u"iso-8859-13", 28603}, {u"iso-8859-14", 28604},
      {u"iso-8859-15", 28605}, {u"iso-8859-16", 28606}, {u"windows-1250", 1250},
      {u"windows-1251", 1251}, {u"windows-1252", 1252}, {u"windows-1253", 1253},
      {u"windows-1254", 1254}, {u"windows-1255", 1255}, {u"windows-1256", 1256},
      {u"windows-1257", 1257}, {u"windows-1258", 1258}, {u"koi8-r", 20866},
      {u"koi8-u", 21866},      {u"gb2312", 936},        {u"gbk", 936},
      {u"gb18030", 54936},     {u"big5", 950},          {u"euc-kr", 51949},
      {u"utf-8", 65001},       {u"utf-7", 65000},       {u"us-ascii", 20127},
  };
  const auto list = MailNewsCodePages();
  for (const auto& row : expected) {
    SCOPED_TRACE(Narrow(row.Name));
    const auto found = std::find_if(list.begin(), list.end(), [&](const TMimeCodePageInfo& aInfo) {
      return aInfo.WebCharset == row.Name;
    });
    ASSERT_NE(found, list.end());
    EXPECT_EQ(found->CodePage, row.CodePage);
  }
}

// A small enumeration as another platform might report it.
constexpr TMimeCodePageInfo PlatformList[] = {
    {u"Western European (Windows)", 1252, 0, u"windows-1252"},
    {u"Japanese (JIS)", 50220, 128, u"iso-2022-jp"},
    {u"Greek (Windows)", 1253, 161, u"windows-1253"},
    {u"Latin 3 (ISO)", 28593, 162, u"iso-8859-3"},
};

TEST(uCharsetMapTest, TableFromAnEnumerationStartsWithBuiltinRowsZeroAndFive) {
  const auto table = BuildCharsetTable(PlatformList, 1252);
  ASSERT_EQ(table.size(), 6u);
  EXPECT_EQ(table[0], BuiltinCharsetTable()[0]);
  EXPECT_EQ(table[1], BuiltinCharsetTable()[5]);
  const TCharsetRec jis{u"Japanese (JIS)", u".jp", 50220, 128, u"iso-2022-jp", u""};
  EXPECT_EQ(table[3], jis);
  EXPECT_EQ(table[4].URLSuffix, u".gr");
  EXPECT_EQ(table[5].URLSuffix, u""); // built-in row 4 of code page 28593 has none
}

TEST(uCharsetMapTest, TableFromAnEnumerationGainsTheMissingDefaultCodePage) {
  const struct {
    const char* Name;
    uint32_t DefaultCodePage;
    std::u16string_view Appended; // the name of the appended row; empty for none
  } cases[] = {
      {"listed default", 1253, u""},
      {"default from a built-in row", 1251, u"windows-1251"},
      {"default of the first of two built-in rows", 51932, u"euc-jp"},
      {"default without a built-in row", 0, u""},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Name);
    const auto table = BuildCharsetTable(PlatformList, row.DefaultCodePage);
    const bool appended = !row.Appended.empty();
    ASSERT_EQ(table.size(), appended ? 7u : 6u);
    EXPECT_EQ(table.back().MIMECharsetName, appended ? row.Appended : u"iso-8859-3");
  }
}

TEST(uCharsetMapTest, AnEmptyEnumerationGivesTheBuiltinTable) {
  EXPECT_EQ(BuildCharsetTable({}, 1252), BuiltinCharsetTable());
}

struct TLocaleCase {
  const char* Locale;
  uint32_t CodePage;
};

// Locale names are the platform's own; a name without a language gives the system's ANSI code
// page.
#ifdef _WIN32
const TLocaleCase LocaleCases[] = {
    {"ja-JP", 932},
    {"ru-RU", 1251},
    {"fr-CA", 1252},
    {"sr-Latn-RS", 1250},
    {"hi-IN", 0},
    {"C", SystemAnsiCodePage()},
    {"xx-YY", SystemAnsiCodePage()},
};
#else
const TLocaleCase LocaleCases[] = {
    {"ja_JP.UTF-8", 932}, {"ru_RU", 1251}, {"fr_CA", 1252}, {"hi_IN", 0}, {"C", 1252}, {"", 1252},
};
#endif

TEST(uCharsetMapTest, CodePageFromLocale) {
  for (const auto& row : LocaleCases) {
    SCOPED_TRACE(row.Locale);
    EXPECT_EQ(CodePageFromLocale(row.Locale), row.CodePage);
  }
}

#ifndef _WIN32
// Restores the locale variables that a test changes.
class UserLocaleNameTest : public ::testing::Test {
protected:
  static constexpr const char* Variables[] = {"LC_ALL", "LC_CTYPE", "LANG"};

  void SetUp() override {
    for (const char* name : Variables) {
      const char* value = std::getenv(name);
      fSaved.push_back(value ? std::optional<std::string>(value) : std::nullopt);
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (std::size_t i = 0; i < std::size(Variables); ++i) {
      if (fSaved[i])
        setenv(Variables[i], fSaved[i]->c_str(), 1);
      else
        unsetenv(Variables[i]);
    }
  }

private:
  std::vector<std::optional<std::string>> fSaved;
};

TEST_F(UserLocaleNameTest, FollowsThePosixPrecedence) {
  EXPECT_EQ(UserLocaleName(), "en_US");
  setenv("LANG", "ru_RU.UTF-8", 1);
  EXPECT_EQ(UserLocaleName(), "ru_RU.UTF-8");
  setenv("LC_CTYPE", "ja_JP", 1);
  EXPECT_EQ(UserLocaleName(), "ja_JP");
  setenv("LC_ALL", "C.UTF-8", 1);
  EXPECT_EQ(UserLocaleName(), "en_US");
}
#endif

} // namespace
