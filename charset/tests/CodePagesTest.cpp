#include "vcharset/CodePages.h"

#include "CodePageGaps.h"
#include "ErrorOf.h"
#include "vcharset/LocaleCodePage.h"

#include <gtest/gtest.h>
#include <string>

using namespace vbase;
using namespace vcharset;

using namespace std::string_literals;

namespace {

struct TConversionCase {
  const char* Name;
  uint32_t CodePage;
  std::string Bytes;
  std::u16string Text;
};

// Byte strings as hex, so a failing row shows what differs.
std::string Hex(std::string_view aBytes) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char b : aBytes) {
    hex += Digits[b >> 4];
    hex += Digits[b & 0xF];
    hex += ' ';
  }
  return hex;
}

std::string Hex(std::u16string_view aText) {
  std::string hex;
  for (char16_t unit : aText)
    hex += Hex(std::string{static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)});
  return hex;
}

constexpr char16_t Fffd = 0xFFFD;

TEST(CodePagesTest, DecodesBytesOfEachKindOfCodePage) {
  const TConversionCase cases[] = {
      {"UTF-8 of every length", 65001, "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", u"Aé€\U0001F600"},
      {"UTF-8 truncated sequence is one maximal subpart", 65001, "a\xE2\x82z", u"a\xFFFDz"},
      {"UTF-8 encoded surrogate: three bytes, three U+FFFD", 65001, "\xED\xA0\x80",
       std::u16string(3, Fffd)},
      {"UTF-8 overlong and stray bytes", 65001, "\xC0\xAF\xFF\x80", std::u16string(4, Fffd)},
      {"UTF-16 LE with a surrogate pair", 1200, "A\0\x3D\xD8\x00\xDE"s, u"A\U0001F600"},
      {"UTF-16 LE keeps a lone surrogate", 1200, "\x3D\xD8"s, u"\xD83D"},
      {"UTF-16 LE odd trailing byte", 1200, "A\0B"s, u"A\xFFFD"},
      {"UTF-16 BE", 1201, "\0A\xD8\x3D\xDE\x00"s, u"A\U0001F600"},
      {"UTF-16 BE odd trailing byte", 1201, "\0A\0"s, u"A\xFFFD"},
      {"windows-1252", 1252, "caf\xE9 \x80\x9F", u"café €Ÿ"},
#ifdef _WIN32
      // The system's converter: an undefined byte is the C1 control of its value, and us-ascii
      // drops the high bit.
      {"windows-1252 undefined byte", 1252, "a\x81z", u"a\x0081z"},
      {"us-ascii drops the high bit", 20127, "caf\xE9", u"cafi"},
#else
      {"windows-1252 undefined byte", 1252, "a\x81z", u"a\xFFFDz"},
      {"iso-8859-8", 28598, "\xE0\xE9 \xA1", u"אי \xFFFD"},
      {"us-ascii rejects high bytes one by one", 20127, "a\x80\xFFz", u"a\xFFFD\xFFFDz"},
      {"shift_jis bad trail byte keeps the ASCII byte", 932, "\x81\x20x", u"\xFFFD x"},
      {"shift_jis lead byte cut off at the end", 932, "a\x93", u"a\xFFFD"},
#endif
      {"code page 0 is windows-1252", 0, "\xE9\x80", u"é€"},
      {"iso-8859-1 maps every byte", 28591, "\xE9\x80", u"é\x0080"},
      {"iso-8859-2", 28592, "\xB1\xE6\xA9", u"ąćŠ"},
      {"shift_jis", 932, "\x93\xFA\x96\x7B\x5C", u"日本\\"},
      {"koi8-r", 20866, "\xF2\xD5\xD3", u"Рус"},
      {"koi8-r under the table's number 20878", 20878, "\xF2\xD5\xD3", u"Рус"},
      {"iso-2022-jp", 50220, "\x1B$B$3$s\x1B(Ba", u"こんa"},
      {"gb18030 four-byte sequence", 54936, "\x90\x30\x81\x30", u"\U00010000"},
      {"HZ", 52936, "a~{<:Ky~}~~b", u"a己所~b"},
      {"HZ soft line break and malformed escape", 52936, "a~\nb~x", u"ab\xFFFDx"},
      {"HZ line break ends a GB2312 run", 52936, "~{<:\nb", u"己\nb"},
      {"UTF-7 direct and base64", 65000, "Hi Mom -+Jjo--!", u"Hi Mom -☺-!"},
      {"UTF-7 run ended by a direct character", 65000, "A+ImIDkQ.", u"A≢Α."},
      {"UTF-7 plus sign and surrogate pair", 65000, "+-+2D3eAA-", u"+\U0001F600"},
      {"UTF-7 run ended with stray bits", 65000, "+AGF-x", u"a\xFFFDx"},
      {"UTF-7 plus sign that starts no run", 65000, "+!", u"\xFFFD!"},
      {"UTF-7 byte above 0x7F", 65000, "a\xE9", u"a\xFFFD"},
      {"UTF-7 run closed by the end of the bytes", 65000, "+AGE", u"a"},
      {"UTF-7 plus sign at the end", 65000, "a+", u"a\xFFFD"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Name);
    if (PlatformLacksCodePage(row.CodePage))
      continue;
    EXPECT_EQ(Hex(CodePageToUtf16(row.CodePage, row.Bytes)), Hex(row.Text));
  }
}

TEST(CodePagesTest, EncodesTextAndSubstitutesWhatTheCodePageLacks) {
  const TConversionCase cases[] = {
      {"UTF-8: a surrogate pair is one four-byte sequence", 65001,
       "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", u"é€\U0001F600"},
      {"UTF-8 lone surrogate", 65001, "a\xEF\xBF\xBD", u"a\xDC00"},
      {"UTF-16 LE", 1200, "A\0\x3D\xD8\x00\xDE"s, u"A\U0001F600"},
      {"UTF-16 BE", 1201, "\0A\xD8\x3D\xDE\x00"s, u"A\U0001F600"},
      {"windows-1252", 1252, "caf\xE9\x80", u"café€"},
#ifdef _WIN32
      // The system's converter takes a best fit where the code page has one, and substitutes
      // each half of a surrogate pair.
      {"windows-1252 has a best fit for omega", 1252, "aOz", u"aΩz"},
      {"a surrogate pair is two characters", 1252, "a??z", u"a\U0001F600z"},
      {"iso-8859-8", 28598,
       "\xE0\xE9"
       "e",
       u"איé"},
      {"us-ascii", 20127, "ae?", u"aé中"},
      {"shift_jis", 932,
       "\x93\xFA\x96\x7B"
       "e",
       u"日本é"},
#else
      {"windows-1252 lacks omega", 1252, "a?z", u"aΩz"},
      {"a surrogate pair is one character", 1252, "a?z", u"a\U0001F600z"},
      {"iso-8859-8", 28598, "\xE0\xE9?", u"איé"},
      {"us-ascii", 20127, "a?", u"aé"},
      {"shift_jis", 932, "\x93\xFA\x96\x7B?", u"日本é"},
      {"iso-2022-jp puts the substitute in ASCII mode", 50220, "\x1B$B$3\x1B(B?\x1B$B$s\x1B(B",
       u"こ丂ん"},
#endif
      {"windows-1252 lacks a CJK character", 1252, "a?z", u"a中z"},
      {"a lone surrogate", 1252, "a?z", u"a\xD83Dz"},
      {"a lone surrogate at the end", 1252, "a?", u"a\xD83D"},
      {"code page 0 is windows-1252", 0, "\x80", u"€"},
      {"iso-8859-1 lacks the euro", 28591, "\xE9?", u"é€"},
      {"iso-8859-2", 28592, "\xB1\xE6\xA9", u"ąćŠ"},
      {"koi8-r", 20866, "\xF2\xD5\xD3", u"Рус"},
      {"EBCDIC has its own question mark", 37, "\xC1\x6F", u"A€"},
      {"HZ", 52936, "a~{<:Ky~}~~b?", u"a己所~b€"},
      {"UTF-7 direct characters", 65000, "Hi Mom -'(),./:?", u"Hi Mom -'(),./:?"},
      {"UTF-7 optional direct characters stay direct", 65000, "<a b=\"!#\"/>", u"<a b=\"!#\"/>"},
      {"UTF-7 plus sign", 65000, "1+-1", u"1+1"},
      {"UTF-7 base64 runs", 65000, "+ZeVnLIqe- +2D3eAA-", u"日本語 \U0001F600"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Name);
    if (PlatformLacksCodePage(row.CodePage))
      continue;
    EXPECT_EQ(Hex(Utf16ToCodePage(row.CodePage, row.Text)), Hex(row.Bytes));
  }
}

// Every code page that a declaration name or a writer encoding can lead to.
constexpr uint32_t NamedCodePages[] = {
    0,     874,   932,   936,   949,   950,   1200,  1201,  1250,  1251,  1252,  1253,
    1254,  1255,  1256,  1257,  1258,  10000, 20127, 20866, 20878, 21866, 28591, 28592,
    28593, 28594, 28595, 28596, 28597, 28598, 28599, 28600, 28601, 28603, 28604, 28605,
    28606, 50220, 50225, 51932, 51949, 52936, 54936, 65000, 65001};

TEST(CodePagesTest, EveryNamedCodePageRoundTripsText) {
  const std::u16string text = u"<?xml version=\"1.0\"?>\r\n<a b='~+&amp;'/>";
  for (uint32_t codePage : NamedCodePages) {
    SCOPED_TRACE(codePage);
    EXPECT_NE(IsCodePageSupported(codePage), PlatformLacksCodePage(codePage));
    if (PlatformLacksCodePage(codePage))
      continue;
    EXPECT_EQ(CodePageToUtf16(codePage, Utf16ToCodePage(codePage, text)), text);
  }
}

TEST(CodePagesTest, LongTextRoundTripsThroughAStatefulCodePage) {
  if (PlatformLacksCodePage(50220))
    GTEST_SKIP() << "no ISO-2022-JP converter";
  std::u16string text;
  for (int i = 0; i < 20000; ++i)
    text += u"aこ";
  const std::string bytes = Utf16ToCodePage(50220, text);
  EXPECT_EQ(bytes.size(), 20000u * 9); // "a", ESC $ B, one pair, ESC ( B
  EXPECT_EQ(CodePageToUtf16(50220, bytes), text);
}

TEST(CodePagesTest, ManyInvalidBytesEachBecomeOneReplacementCharacter) {
  const std::string bytes(100000, '\x81');
#ifdef _WIN32
  EXPECT_EQ(CodePageToUtf16(1252, bytes), std::u16string(100000, u'\x0081'));
#else
  EXPECT_EQ(CodePageToUtf16(1252, bytes), std::u16string(100000, Fffd));
#endif
}

TEST(CodePagesTest, UnknownCodePagesFailWithInvalidCodePage) {
  for (uint32_t codePage : {1u, 28602u, 50221u, 12345u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(codePage);
    EXPECT_FALSE(IsCodePageSupported(codePage));
    EXPECT_EQ(ErrorOf([&] { CodePageToUtf16(codePage, "a"); }),
              "EEncodingError: Invalid code page");
    EXPECT_EQ(ErrorOf([&] { Utf16ToCodePage(codePage, u"a"); }),
              "EEncodingError: Invalid code page");
  }
}

TEST(CodePagesTest, EmptyInputGivesEmptyOutput) {
  for (uint32_t codePage : NamedCodePages) {
    SCOPED_TRACE(codePage);
    if (PlatformLacksCodePage(codePage))
      continue;
    EXPECT_EQ(CodePageToUtf16(codePage, ""), u"");
    EXPECT_EQ(Utf16ToCodePage(codePage, u""), "");
  }
}

TEST(CodePagesTest, TheSystemAnsiCodePageIsWindows1252) {
  EXPECT_EQ(SystemAnsiCodePage(), 1252u);
}

#ifndef _WIN32
TEST(CodePagesTest, LocaleAnsiCodePageFollowsLanguageTerritoryAndScript) {
  const struct {
    const char* Locale;
    std::optional<uint32_t> CodePage;
  } cases[] = {
      {"en_US.UTF-8", 1252},   {"de_DE@euro", 1252},   {"ja_JP.UTF-8", 932},
      {"zh_CN.GB2312", 936},   {"zh_TW.UTF-8", 950},   {"ko_KR", 949},
      {"th_TH", 874},          {"pl_PL", 1250},        {"sr_RS", 1251},
      {"sr_RS@latin", 1250},   {"ru_RU.KOI8-R", 1251}, {"el_GR", 1253},
      {"tr_TR", 1254},         {"he_IL", 1255},        {"ar_EG", 1256},
      {"lt_LT", 1257},         {"vi_VN", 1258},        {"hi_IN", 0},
      {"ka_GE.UTF-8", 0},      {"C", std::nullopt},    {"", std::nullopt},
      {"12_34", std::nullopt},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Locale);
    EXPECT_EQ(LocaleAnsiCodePage(row.Locale), row.CodePage);
  }
}
#endif

} // namespace
