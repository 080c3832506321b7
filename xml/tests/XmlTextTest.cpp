#include "vxml/XmlText.h"

#include "ErrorOf.h"
#include "vbase/Characters.h"
#include "vbase/IntegerText.h"

#include <gtest/gtest.h>

using namespace vbase;
using namespace vxml;

namespace {

struct TTextCase {
  const char* Name;
  std::u16string Input;
  std::u16string Expected;
};

TEST(EscapeText, EscapesTheSixCharactersAndNothingElse) {
  const TTextCase cases[] = {
      {"plain text is untouched", u"plain \t\r\n\u00e9", u"plain \t\r\n\u00e9"},
      {"ampersand, less-than, apostrophe", u"a&b<c'd", u"a&amp;b&lt;c&apos;d"},
      {"greater-than and double quote", u"x>\"y", u"x&gt;&quot;y"},
      {"NUL", std::u16string(u"a\0b", 3), u"a&null;b"},
      {"an entity in the text is escaped again", u"&lt;", u"&amp;lt;"},
      {"empty", u"", u""},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Name);
    EXPECT_EQ(EscapeText(row.Input), row.Expected);
  }
}

// Text is passed block by block: a character to escape is found wherever it stands.
TEST(EscapeText, FindsEachCharacterAtEveryPlaceOfALongText) {
  const std::pair<char16_t, std::u16string_view> entities[] = {
      {u'&', u"&amp;"},   {u'<', u"&lt;"},   {u'>', u"&gt;"},
      {u'\'', u"&apos;"}, {u'"', u"&quot;"}, {u'\0', u"&null;"}};
  for (std::size_t place = 0; place < 20; ++place)
    for (const auto& [character, entity] : entities) {
      SCOPED_TRACE(place);
      const std::u16string before(place, u'x'), after(19 - place, u'y');
      EXPECT_EQ(EscapeText(before + character + after), before + std::u16string(entity) + after);
    }
}

TEST(UnescapeText, ResolvesKnownReferencesAndKeepsTheRest) {
  const TTextCase cases[] = {
      {"decimal reference", u"&#65;", u"A"},
      {"hex reference, lower x", u"&#x41;", u"A"},
      {"hex reference, upper X", u"&#X41;", u"A"},
      {"eight hex digits", u"&#x00000041;", u"A"},
      {"nine hex digits stay as written", u"&#x000000041;", u"&#x000000041;"},
      {"zero gives NUL", u"&#0;", std::u16string(1, u'\0')},
      {"the largest code unit", u"&#65534;", u"\uFFFE"},
      {"65535 is out of range", u"&#65535;", u"&#65535;"},
      {"negative", u"&#-1;", u"&#-1;"},
      {"no digits", u"&#;", u"&#;"},
      {"hex prefix without digits", u"&#x;", u"&#x;"},
      {"unknown named entity", u"a&nbsp;b", u"a&nbsp;b"},
      {"null entity", u"&null;", std::u16string(1, u'\0')},
      {"named entities are case-sensitive", u"&AMP;", u"&AMP;"},
      {"no semicolon after the ampersand", u"a &amp b &lt c", u"a &amp b &lt c"},
      {"ampersand, space, later semicolon", u"a& b;&lt;", u"a& b;<"},
      {"replacements are not read again", u"&amp;lt;", u"&lt;"},
      {"all six", u"&amp;&lt;&gt;&apos;&quot;", u"&<>'\""},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Name);
    EXPECT_EQ(UnescapeText(row.Input), row.Expected);
  }
}

TEST(UnescapeText, RoundTripsEveryEscapedText) {
  const std::u16string text(u"<a href='x'>\"T&C\"</a>\0!", 23);
  EXPECT_EQ(UnescapeText(EscapeText(text)), text);
}

TEST(FindCodeUnit, FindsWhatFindFinds) {
  // U+2300 and U+4E23 hold the byte of "#" at either place; U+2323 holds it twice.
  const std::u16string text(u"a\u2300\u4E23#\u2323b#\0#");
  for (const char16_t c : {u'#', u'\u2323', u'\u4E23', u'\0', u'b', u'z'}) {
    for (std::size_t from = 0; from <= text.size() + 1; ++from) {
      SCOPED_TRACE(testing::Message() << "unit " << int(c) << " from " << from);
      EXPECT_EQ(std::u16string_view(text).find(c, from), FindCodeUnit(text, c, from));
    }
  }
  EXPECT_EQ(std::u16string_view::npos, FindCodeUnit(u"", u'#'));
}

TEST(QuoteText, PrefersDoubleQuotes) {
  EXPECT_EQ(QuoteText(u"abc"), u"\"abc\"");
  EXPECT_EQ(QuoteText(u"a\"b"), u"'a\"b'");
  EXPECT_EQ(QuoteText(u""), u"\"\"");
}

TEST(UnquoteText, ExtractsTheQuotedString) {
  const TTextCase cases[] = {
      {"double quotes", u"\"abc\"", u"abc"},
      {"apostrophes", u"'abc'", u"abc"},
      {"doubled quote counts once", u"'it''s'", u"it's"},
      {"text after the closing quote is dropped", u"\"ab\"cd", u"ab"},
      {"no closing quote: up to the end", u"\"abc", u"abc"},
      {"not quoted", u"abc", u"abc"},
      {"a single quote character alone", u"\"", u"\""},
      {"empty quoted string", u"''", u""},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Name);
    EXPECT_EQ(UnquoteText(row.Input), row.Expected);
  }
}

TEST(IntegerRule, ReadsDecimalAndHexadecimalText) {
  struct TCase {
    std::u16string Text;
    bool Valid;
    int32_t Value;
  };
  const TCase cases[] = {
      {u"12", true, 12},
      {u"   12", true, 12},
      {u"12 ", false, 0},
      {u"+7", true, 7},
      {u"-7", true, -7},
      {u"007", true, 7},
      {u"$1F", true, 31},
      {u"0x1F", true, 31},
      {u"0X1f", true, 31},
      {u"x1F", true, 31},
      {u"X1F", true, 31},
      {u"$FFFFFFFF", true, -1},
      {u"-$10", true, -16},
      {u"$100000000", false, 0},
      {u"$0000001F", true, 31},  // leading zeros within eight digits
      {u"$000000001", false, 0}, // nine digits, however small the number
      {u"-0x000000001", false, 0},
      {u"2147483647", true, 2147483647},
      {u"-2147483648", true, INT32_MIN},
      {u"2147483648", false, 0},
      {u"-2147483649", false, 0},
      {u"", false, 0},
      {u"   ", false, 0},
      {u"-", false, 0},
      {u"$", false, 0},
      {u"0x", false, 0},
      {u"1.5", false, 0},
      {u"abc", false, 0},
      {u"\t12", false, 0},
      {u"&#49;", false, 0},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(std::string(row.Text.begin(), row.Text.end()));
    int32_t value = 0;
    EXPECT_EQ(TryTextToInt(row.Text, value), row.Valid);
    if (row.Valid) {
      EXPECT_EQ(value, row.Value);
    }
  }
}

TEST(IntegerRule, Has64BitCounterparts) {
  int64_t value = 0;
  EXPECT_TRUE(TryTextToInt64(u"9223372036854775807", value));
  EXPECT_EQ(value, INT64_MAX);
  EXPECT_TRUE(TryTextToInt64(u"-9223372036854775808", value));
  EXPECT_EQ(value, INT64_MIN);
  EXPECT_FALSE(TryTextToInt64(u"9223372036854775808", value));
  EXPECT_TRUE(TryTextToInt64(u"$FFFFFFFFFFFFFFFF", value));
  EXPECT_EQ(value, -1);
  EXPECT_TRUE(TryTextToInt64(u"$000000000000001F", value));
  EXPECT_EQ(value, 31);
  EXPECT_FALSE(TryTextToInt64(u"$00000000000000001", value));
  EXPECT_TRUE(TryTextToInt64(u" 2147483648", value));
  EXPECT_EQ(value, 2147483648LL);
  EXPECT_EQ(IntToText(INT64_MIN), u"-9223372036854775808");
}

TEST(TextToBool, LooksAtTheFirstCharacterOnly) {
  struct TCase {
    std::u16string Text;
    bool Value;
  };
  const TCase cases[] = {{u"True", true},   {u"yes", true}, {u"Y", true},     {u"tommy", true},
                         {u"False", false}, {u"No", false}, {u"nope", false}, {u"f", false}};
  for (const auto& row : cases)
    EXPECT_EQ(TextToBool(row.Text), row.Value);
  EXPECT_EQ(BoolToText(true), u"True");
  EXPECT_EQ(BoolToText(false), u"False");
}

TEST(TextToBool, RejectsOtherTexts) {
  for (const std::u16string text : {u"", u"1", u"0", u" true", u"on"})
    EXPECT_EQ(ErrorOf([&] { TextToBool(text); }), "Exception: Cannot convert value to bool");
}

} // namespace
