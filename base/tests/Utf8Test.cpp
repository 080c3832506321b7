#include "vbase/Utf8.h"

#include "ErrorOf.h"
#include "vbase/Errors.h"

#include <gtest/gtest.h>

using namespace vbase;

namespace {

TEST(Utf8Decode, ReplacesEachMaximalInvalidSubpartOnce) {
  struct TCase {
    const char* Name;
    std::string Bytes;
    std::u16string Expected;
  };
  const TCase cases[] = {
      {"ASCII", "abc", u"abc"},
      {"two, three and four bytes", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80",
       u"\u00e9\u20ac\U0001F600"},
      {"lone continuation byte", "a\x80z", u"a\uFFFDz"},
      {"truncated three-byte sequence is one subpart", "a\xe2\x82z", u"a\uFFFDz"},
      {"overlong two-byte lead", "\xc0\xaf", u"\uFFFD\uFFFD"},
      {"overlong three-byte form", "\xe0\x80\xaf", u"\uFFFD\uFFFD\uFFFD"},
      {"encoded surrogate", "\xed\xa0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"beyond U+10FFFF", "\xf4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"truncated at the end", "\xf0\x9f\x98", u"\uFFFD"},
      {"invalid lead bytes", "\xfe\xff", u"\uFFFD\uFFFD"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Name);
    EXPECT_EQ(Utf8Decode(row.Bytes), row.Expected);
  }
}

TEST(Utf8Encode, JoinsSurrogatePairsAndReplacesLoneSurrogates) {
  EXPECT_EQ(Utf8Encode(u"a\u00e9\u20ac\U0001F600"), "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");
  EXPECT_EQ(Utf8Encode(std::u16string{0xD800, u'x'}), "\xef\xbf\xbdx");
  EXPECT_EQ(Utf8Encode(std::u16string{0xDC00}), "\xef\xbf\xbd");
}

// ASCII goes in runs of several code units: a run may end at any place before other text.
TEST(Utf8, AsciiRunsOfEveryLengthMeetOtherText) {
  for (std::size_t run = 0; run <= 20; ++run) {
    SCOPED_TRACE(run);
    const std::string ascii(run, 'x');
    const std::u16string wide(run, u'x');
    EXPECT_EQ(Utf8Decode(ascii + "\xC3\xA9" + ascii + "\x80" + ascii),
              wide + u"\u00e9" + wide + u"\uFFFD" + wide);
    EXPECT_EQ(Utf8Encode(wide + u"\u00e9" + wide + char16_t(0xD800) + wide + u"\U0001F600"),
              ascii + "\xC3\xA9" + ascii + "\xEF\xBF\xBD" + ascii + "\xF0\x9F\x98\x80");
  }
}

TEST(Utf8CompleteLength, StopsBeforeASequenceThatTheEndCutsOff) {
  const struct {
    std::string_view Bytes;
    std::size_t Complete;
  } cases[] = {
      {"", 0},
      {"ab", 2},
      {"a\xC3", 1},
      {"a\xC3\xA9", 3},
      {"a\xE2\x82", 1},
      {"a\xE2\x82\xAC", 4},
      {"a\xF0\x9F\x98", 1},
      {"a\xF0\x9F\x98\x80", 5},
      {"a\x80", 2},                // a stray continuation byte waits for nothing
      {"\x80\x80\x80\x80\x80", 5}, // nor do more of them than any sequence holds
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Bytes.size());
    EXPECT_EQ(Utf8CompleteLength(row.Bytes), row.Complete);
  }
}

} // namespace
