#include "vpresenter/uMainLayout.h"

#include "vbase/Characters.h"

#include <numeric>

namespace vui {

using vbase::IsLowSurrogate;

namespace {

constexpr std::u16string_view Ellipsis = u"\u2026";

// The last of aFirst..aLast (from 0 up) that aFits accepts, given that aFits accepts aFirst and
// that what it accepts is a range from there.
size_t LastFitting(size_t aFirst, size_t aLast, const std::function<bool(size_t)>& aFits) {
  while (aFirst < aLast) {
    const size_t middle = aFirst + (aLast - aFirst + 1) / 2;
    if (aFits(middle))
      aFirst = middle;
    else
      aLast = middle - 1;
  }
  return aFirst;
}

// aText without its middle: aKept units stay, the end's half rounded up; a character of two units
// is kept or cut whole.
std::u16string WithoutMiddle(std::u16string_view aText, size_t aKept) {
  size_t front = aKept / 2;
  size_t back = aText.size() - (aKept - front);
  if (front > 0 && IsLowSurrogate(aText[front]))
    --front;
  if (back < aText.size() && IsLowSurrogate(aText[back]))
    ++back;
  return std::u16string(aText.substr(0, front)) + std::u16string(Ellipsis) +
         std::u16string(aText.substr(back));
}

std::u16string WithoutEnd(std::u16string_view aText, size_t aKept) {
  if (aKept > 0 && aKept < aText.size() && IsLowSurrogate(aText[aKept]))
    --aKept;
  return std::u16string(aText.substr(0, aKept)) + std::u16string(Ellipsis);
}

// The buttons' widths in rows no wider than aWidth, in their order; each row holds one at least.
std::vector<std::vector<int>> ButtonRows(const std::vector<int>& aButtons, int aWidth,
                                         int aSpacing) {
  std::vector<std::vector<int>> rows;
  int rowWidth = 0;
  for (const int width : aButtons) {
    if (rows.empty() || rowWidth + aSpacing + width > aWidth) {
      rows.emplace_back();
      rowWidth = -aSpacing;
    }
    rows.back().push_back(width);
    rowWidth += aSpacing + width;
  }
  return rows;
}

int RowWidth(const std::vector<int>& aRow, int aSpacing) {
  return std::accumulate(aRow.begin(), aRow.end(), 0) +
         aSpacing * (static_cast<int>(aRow.size()) - 1);
}

} // namespace

std::u16string FittedLine(std::u16string_view aLine, int aWidth, const TTextMeasure& aMeasure) {
  if (aLine.empty() || aMeasure(aLine) <= aWidth)
    return std::u16string(aLine);
  const size_t open = aLine.find(u'"');
  const size_t close = aLine.rfind(u'"');
  if (open != std::u16string_view::npos && close > open + 1) {
    const std::u16string_view head = aLine.substr(0, open + 1);
    const std::u16string_view quoted = aLine.substr(open + 1, close - open - 1);
    const std::u16string_view tail = aLine.substr(close);
    const auto line = [&](size_t aKept) {
      return std::u16string(head) + WithoutMiddle(quoted, aKept) + std::u16string(tail);
    };
    const auto fits = [&](size_t aKept) { return aMeasure(line(aKept)) <= aWidth; };
    if (fits(0))
      return line(LastFitting(0, quoted.size() - 1, fits));
  }
  const auto fits = [&](size_t aKept) { return aMeasure(WithoutEnd(aLine, aKept)) <= aWidth; };
  return WithoutEnd(aLine, LastFitting(0, aLine.size() - 1, fits));
}

TSummaryLayout LayOutSummary(const std::vector<std::u16string>& aLines,
                             const TSummaryMetrics& aMetrics, const TTextMeasure& aMeasure) {
  TSummaryLayout layout;
  if (aLines.empty())
    return layout;
  const int spacing = aMetrics.Spacing;
  const int inside = std::max(aMetrics.Width - 2 * spacing, 0);
  const std::vector<std::vector<int>> rows = ButtonRows(aMetrics.ButtonWidths, inside, spacing);
  int widest = 0;
  for (const std::u16string& line : aLines)
    widest = std::max(widest, aMeasure(line));
  const int beside =
      rows.size() == 1 ? std::max(inside - RowWidth(rows[0], spacing) - spacing, 0) : inside;
  const bool buttonsBeside = rows.empty() || (rows.size() == 1 && widest <= beside);
  const int textHeight = static_cast<int>(aLines.size()) * aMetrics.LineHeight;
  layout.Text = {spacing, spacing, buttonsBeside ? beside : inside, textHeight};
  int top = buttonsBeside ? spacing : 2 * spacing + textHeight;
  layout.Height = 2 * spacing + textHeight;
  // Each row right-aligned; a panel too narrow for a button still shows its left part.
  for (const std::vector<int>& row : rows) {
    int left = std::max(aMetrics.Width - spacing - RowWidth(row, spacing), spacing);
    for (const int width : row) {
      layout.Buttons.push_back({left, top, width, aMetrics.ButtonHeight});
      left += width + spacing;
    }
    layout.Height = std::max(layout.Height, top + aMetrics.ButtonHeight + spacing);
    top += aMetrics.ButtonHeight + spacing;
  }
  for (const std::u16string& line : aLines) {
    layout.Lines.push_back(FittedLine(line, layout.Text.Width, aMeasure));
    layout.Cut = layout.Cut || layout.Lines.back() != line;
  }
  return layout;
}

} // namespace vui
