// What the rows window is given and what it does with it, without a window: its texts for both
// kinds of rows, its sorting, what it copies and where it opens.
#include "vpresenter/uMainLayout.h"
#include "vpresenter/uRowsWindow.h"

#include <gtest/gtest.h>

using namespace vui;

namespace {

TEST(MainPresenterRowsWindowTest, ListsRowsWithoutATargetThenRowsThatCouldNotBeRead) {
  const TRowsWindow window =
      RowsWindowOf({{u"C:\\a.res", u"Forms.About.lbl\tTitle", u"One#C#LTwo\r\nThree"}},
                   {{u"C:\\a.exe", u"Strings.U.S", u"handler failed"}, {u"", u"", u"Unknown"}});
  EXPECT_EQ(window.Title, u"Rows not carried over");
  EXPECT_EQ(window.Lines,
            (std::vector<std::u16string>{u"1 row without a converted target was not carried over",
                                         u"2 rows could not be read and were not carried over"}));
  EXPECT_EQ(window.Captions, (std::array<std::u16string, rcCount>{u"Old target", u"Context path",
                                                                  u"Native text or error"}));
  // A cell is one line without tabs, as the list shows it and the clipboard takes it.
  EXPECT_EQ(window.Rows, (std::vector<TRowCells>{
                             {u"C:\\a.res", u"Forms.About.lbl Title", u"One#C#LTwo Three"},
                             {u"C:\\a.exe", u"Strings.U.S", u"Could not be read: handler failed"},
                             {u"", u"", u"Could not be read: Unknown"}}));

  const TRowsWindow unreadable = RowsWindowOf({}, {{u"t", u"c", u"m"}});
  EXPECT_EQ(unreadable.Lines,
            std::vector<std::u16string>{u"1 row could not be read and was not carried over"});
  EXPECT_EQ(RowsWindowOf({{u"t", u"c", u"n"}}, {}).Captions[rcText], u"Native text");
}

TEST(MainPresenterRowsWindowTest, SortsByAColumnKeepingTheOrderOfEqualTexts) {
  const std::vector<TRowCells> rows{
      {u"b", u"x", u"1"}, {u"A", u"x", u"2"}, {u"a", u"y", u"3"}, {u"C", u"y", u"4"}};
  const struct {
    TRowsColumn Column;
    bool Ascending;
    std::vector<std::size_t> Order;
  } cases[] = {
      {rcOldTarget, true, {1, 2, 0, 3}}, {rcOldTarget, false, {3, 0, 1, 2}},
      {rcContext, true, {0, 1, 2, 3}},   {rcContext, false, {2, 3, 0, 1}},
      {rcText, false, {3, 2, 1, 0}},
  };
  for (const auto& each : cases)
    EXPECT_EQ(SortedRows(rows, each.Column, each.Ascending), each.Order)
        << each.Column << ' ' << each.Ascending;
}

TEST(MainPresenterRowsWindowTest, CopiesRowsAsTabSeparatedLinesInTheGivenOrder) {
  const std::vector<TRowCells> rows{{u"t1", u"c1", u"n1"}, {u"t2", u"", u"n2"}};
  EXPECT_EQ(RowsText(rows, {1, 0}, u"\r\n"), u"t2\t\tn2\r\nt1\tc1\tn1\r\n");
  EXPECT_EQ(RowsText(rows, {0}, u"\n"), u"t1\tc1\tn1\n");
  EXPECT_EQ(RowsText(rows, {}, u"\n"), u"");
}

TEST(MainPresenterRowsWindowTest, OpensCentredOnTheWindowAndInsideTheScreen) {
  const TScreenRect screen{0, 0, 1280, 860};
  const struct {
    int Width;
    int Height;
    TScreenRect Owner;
    TScreenRect Expected;
  } cases[] = {
      {800, 500, {100, 100, 870, 600}, {135, 150, 800, 500}},
      // Larger than the screen: as large as the screen.
      {2000, 6554, {100, 100, 870, 600}, {0, 0, 1280, 860}},
      // An owner near an edge: moved back inside.
      {800, 500, {900, 700, 400, 300}, {480, 360, 800, 500}},
      {800, 500, {-300, -200, 400, 300}, {0, 0, 800, 500}},
  };
  for (const auto& each : cases) {
    const TScreenRect placed = CentredWithin(each.Width, each.Height, each.Owner, screen);
    EXPECT_EQ((std::array{placed.Left, placed.Top, placed.Width, placed.Height}),
              (std::array{each.Expected.Left, each.Expected.Top, each.Expected.Width,
                          each.Expected.Height}));
  }
  // A screen whose area starts elsewhere, as beside a panel on the left.
  const TScreenRect placed = CentredWithin(800, 500, {0, 0, 400, 300}, {64, 0, 1216, 860});
  EXPECT_EQ(placed.Left, 64);
}

} // namespace
