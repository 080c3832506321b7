#include "vbase/TextPlace.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using vbase::TLineCounter;

namespace {

struct TPlaceCase {
  const char* Name;
  std::u16string Text;
  uint64_t Stop;
  int64_t Line;
  int64_t Column;
};

TEST(TextPlaceTest, CountsLinesAndCharactersUpToTheStop) {
  const TPlaceCase cases[] = {
      {"the start", u"<a>", 0, 1, 1},
      {"on the first line", u"<a>x</b>", 4, 1, 5},
      {"after LF", u"<a>\n  </b>", 6, 2, 3},
      {"after CR", u"<a>\r  </b>", 6, 2, 3},
      {"CR LF is one break", u"<a>\r\n\r\n</b>", 7, 3, 1},
      {"LF CR is two", u"<a>\n\r</b>", 5, 3, 1},
      {"the end of the text", u"<a>\nxyz", 7, 2, 4},
      {"a surrogate pair is one character", u"<a>\U0001F600x</b>", 6, 1, 6},
      {"a lone surrogate is one character", u"<a>\xDC00x</b>", 5, 1, 6},
      {"the byte-order mark is none", u"\xFEFF<a>x</b>", 5, 1, 5},
      {"a later U+FEFF is one", u"<a>\xFEFFx</b>", 5, 1, 6},
  };
  for (const TPlaceCase& test : cases) {
    TLineCounter counter(test.Stop);
    counter.Pass(test.Text);
    EXPECT_EQ(counter.Line(), test.Line) << test.Name;
    EXPECT_EQ(counter.Column(), test.Column) << test.Name;
  }
}

// The file is decoded again in pieces; a CR LF or a surrogate pair may be cut by a seam.
TEST(TextPlaceTest, PiecesCountAsTheWholeText) {
  const std::u16string text = u"<r>\r\n  \U0001F600\U0001F600</x>\n\r\n<y/>";
  for (uint64_t stop = 0; stop <= text.size(); ++stop) {
    TLineCounter whole(stop);
    whole.Pass(text);
    for (std::size_t seam = 0; seam <= text.size(); ++seam) {
      TLineCounter pieces(stop);
      if (pieces.Pass(std::u16string_view(text).substr(0, seam)))
        pieces.Pass(std::u16string_view(text).substr(seam));
      EXPECT_EQ(pieces.Line(), whole.Line()) << stop << ' ' << seam;
      EXPECT_EQ(pieces.Column(), whole.Column()) << stop << ' ' << seam;
    }
  }
}

TEST(TextPlaceTest, NotesANulBeforeTheStopOnly) {
  const std::u16string text(u"<a>\0</b>", 8);
  TLineCounter before(5), at(3);
  before.Pass(text);
  at.Pass(text);
  EXPECT_TRUE(before.SawNul());
  EXPECT_FALSE(at.SawNul());
}

TEST(TextPlaceTest, PassSaysWhetherTheStopIsStillAhead) {
  TLineCounter counter(4);
  EXPECT_TRUE(counter.Pass(u"abc"));
  EXPECT_FALSE(counter.Pass(u"defg"));
  EXPECT_FALSE(counter.Pass(u"\n\n"));
  EXPECT_EQ(counter.Line(), 1);
  EXPECT_EQ(counter.Column(), 5);
}

} // namespace
