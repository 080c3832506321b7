// How the summary is laid out and cut to its width, with a font whose every unit is 10 pixels
// wide: the buttons beside or under the text, and lines that lose a path's middle or their end.
#include "vpresenter/uMainLayout.h"

#include <gtest/gtest.h>

namespace vui {

// For gtest, beside the type.
std::ostream& operator<<(std::ostream& aOut, const TPixelRect& aRect) {
  return aOut << "{" << aRect.Left << "," << aRect.Top << "," << aRect.Width << "," << aRect.Height
              << "}";
}

} // namespace vui

using namespace vui;

namespace {

int TenPerUnit(std::u16string_view aText) {
  return 10 * static_cast<int>(aText.size());
}

bool Intersect(const TPixelRect& aOne, const TPixelRect& aOther) {
  return aOne.Left < aOther.Left + aOther.Width && aOther.Left < aOne.Left + aOne.Width &&
         aOne.Top < aOther.Top + aOther.Height && aOther.Top < aOne.Top + aOne.Height;
}

TEST(FittedLineTest, APathLosesItsMiddleBeforeTheLineLosesItsEnd) {
  const struct {
    std::u16string Line;
    int Width;
    std::u16string Fitted;
  } cases[] = {
      {u"Targets converted: 2 of 3.", 260, u"Targets converted: 2 of 3."},
      // The path's start and its file name stay, the end's half a unit longer.
      {u"The report was saved to \"/home/ann/projects/demo.report.html\".", 450,
       u"The report was saved to \"/home/an\u2026port.html\"."},
      // Where even the quotes with "…" alone are too wide, the line loses its end.
      {u"The new project was saved to \"C:\\a\\b.vxp\".", 300,
       u"The new project was saved to \u2026"},
      {u"Targets converted: 2 of 3. Rows carried over: 3.", 200, u"Targets converted: \u2026"},
      // A character of two units is kept or cut whole.
      {u"saved to \"ab\U0001F600cd\".", 170, u"saved to \"ab\u2026cd\"."},
      {u"xy\U0001F600z", 45, u"xy\u2026"},
      {u"", 0, u""},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(testing::Message() << test.Width);
    EXPECT_EQ(FittedLine(test.Line, test.Width, TenPerUnit), test.Fitted);
  }
}

TEST(SummaryLayoutTest, TheButtonsStandBesideTheTextWhereItFitsAndUnderItElsewhere) {
  const std::u16string twenty(20, u'a');
  const std::u16string longer(25, u'b');
  const std::vector<int> two{80, 90};
  struct TCase {
    std::vector<std::u16string> Lines;
    int Width;
    std::vector<int> ButtonWidths;
    int Height;
    TPixelRect Text;
    std::vector<TPixelRect> Buttons;
  };
  const std::vector<TCase> cases{
      // 392 inside the spacing, 174 for the buttons and 4 between: 214 for the text.
      {{twenty, u"bb"}, 400, two, 38, {4, 4, 214, 30}, {{222, 4, 80, 23}, {306, 4, 90, 23}}},
      // One line is lower than the buttons.
      {{twenty}, 400, two, 31, {4, 4, 214, 15}, {{222, 4, 80, 23}, {306, 4, 90, 23}}},
      {{longer, u"bb"}, 400, two, 65, {4, 4, 392, 30}, {{222, 38, 80, 23}, {306, 38, 90, 23}}},
      {{std::u16string(50, u'c')}, 400, {}, 23, {4, 4, 392, 15}, {}},
      // Too narrow for one row: the buttons take two, each right-aligned.
      {{u"a"}, 150, two, 77, {4, 4, 142, 15}, {{66, 23, 80, 23}, {56, 50, 90, 23}}},
      {{u"a"},
       190,
       {80, 90, 60},
       77,
       {4, 4, 182, 15},
       {{12, 23, 80, 23}, {96, 23, 90, 23}, {126, 50, 60, 23}}},
      {{}, 400, two, 0, {0, 0, 0, 0}, {}},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(testing::Message() << test.Lines.size() << " lines, width " << test.Width);
    TSummaryMetrics metrics;
    metrics.Width = test.Width;
    metrics.LineHeight = 15;
    metrics.ButtonWidths = test.ButtonWidths;
    metrics.ButtonHeight = 23;
    metrics.Spacing = 4;
    const TSummaryLayout layout = LayOutSummary(test.Lines, metrics, TenPerUnit);
    EXPECT_EQ(layout.Height, test.Height);
    EXPECT_EQ(layout.Text, test.Text);
    EXPECT_EQ(layout.Buttons, test.Buttons);
  }
}

// At any width the text's lines fit it whole or cut, the buttons stay inside the panel and off
// the text, and the whole summary is the tooltip only where a line was cut.
TEST(SummaryLayoutTest, EveryLineFitsAndNothingOverlapsAtAnyWidth) {
  const std::vector<std::u16string> lines{
      u"The new project was saved to \"/home/ann/projects/release/2024/demo.vxp\".",
      u"Targets converted: 2 of 3. Rows carried over: 3.",
      u"The saved file holds everything of the old project."};
  for (int width = 110; width <= 1000; width += 7) {
    SCOPED_TRACE(width);
    const TSummaryLayout layout =
        LayOutSummary(lines, {width, 15, {80, 90, 100}, 23, 4}, TenPerUnit);
    ASSERT_EQ(layout.Lines.size(), lines.size());
    bool cut = false;
    for (size_t index = 0; index < lines.size(); ++index) {
      EXPECT_LE(TenPerUnit(layout.Lines[index]), layout.Text.Width) << index;
      cut = cut || layout.Lines[index] != lines[index];
    }
    EXPECT_EQ(layout.Cut, cut);
    EXPECT_EQ(layout.Text.Height, 45);
    EXPECT_LE(layout.Text.Top + layout.Text.Height, layout.Height);
    for (size_t index = 0; index < layout.Buttons.size(); ++index) {
      const TPixelRect& button = layout.Buttons[index];
      EXPECT_FALSE(Intersect(button, layout.Text)) << button;
      for (size_t other = 0; other < index; ++other)
        EXPECT_FALSE(Intersect(button, layout.Buttons[other])) << button;
      EXPECT_GE(button.Left, 0) << button;
      EXPECT_LE(button.Left + button.Width, width) << button;
      EXPECT_LE(button.Top + button.Height, layout.Height) << button;
    }
  }
}

TEST(PageHeightsTest, TheSummaryShowsWholeAndTheListsGiveWayFirst) {
  const struct {
    int Page, Summary, Log, Projects;
    int ShownProjects, List, ShownSummary, ShownLog;
  } cases[] = {
      {400, 60, 95, 0, 0, 245, 60, 95},
      {155, 60, 95, 0, 0, 0, 60, 95},
      // Too low for both: the log gives up what the summary needs.
      {120, 60, 95, 0, 0, 0, 60, 60},
      {40, 60, 95, 0, 0, 0, 40, 0},
      {300, 0, 95, 0, 0, 205, 0, 95},
      {-5, 60, 95, 0, 0, 0, 0, 0},
      // A run of several: the project list keeps its height while the targets have as much.
      {500, 60, 95, 140, 140, 205, 60, 95},
      {300, 60, 95, 140, 72, 73, 60, 95},
      {150, 60, 95, 140, 0, 0, 60, 90},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(testing::Message() << test.Page << " " << test.Summary << " " << test.Projects);
    const TPageHeights heights = PageHeights(test.Page, test.Summary, test.Log, test.Projects);
    EXPECT_EQ(heights.Projects, test.ShownProjects);
    EXPECT_EQ(heights.List, test.List);
    EXPECT_EQ(heights.Summary, test.ShownSummary);
    EXPECT_EQ(heights.Log, test.ShownLog);
  }
}

} // namespace
