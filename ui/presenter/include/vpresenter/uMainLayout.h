// The window's sizes in pixels at 96 dots per inch, shared by every view; a view scales them
// to its screen.
#pragma once

#include "vpresenter/uMainTexts.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vui {

struct TRect96 {
  int Left;
  int Top;
  int Width;
  int Height;
};

inline constexpr int ClientWidth = 854;
inline constexpr int ClientHeight = 562;
// Small enough for a small screen; large enough for both buttons and readable columns.
inline constexpr int MinimumWidth = 420;
inline constexpr int MinimumHeight = 320;
inline constexpr int TopPanelHeight = 73;
inline constexpr TRect96 ConvertButtonRect{8, 8, 129, 49};
inline constexpr TRect96 HelpButtonRect{144, 8, 129, 49};
inline constexpr TRect96 ConvertFolderButtonRect{280, 8, 129, 49};
// The project list of a run of several projects, above the target list, and its columns' widths
// to start with: each caption shows whole.
inline constexpr int ProjectListHeight = 140;
inline constexpr std::array<int, pcCount> ProjectColumnWidths{220, 80, 120, 120, 110, 220};
inline constexpr int ButtonImageSize = 32;
// The run's progress, thin, under the buttons across the top panel (its width follows it).
inline constexpr TRect96 ProgressBarRect{8, 63, 0, 4};
inline constexpr int ListImageSize = 16;
inline constexpr int LogHeight = 95;
inline constexpr int ImageColumnWidth = 32;
inline constexpr int RowsColumnWidth = 50;
// Narrower target columns cut every path to its drive letter.
inline constexpr int MinimumTargetColumnWidth = 120;

struct TTargetColumnWidths {
  int OldTarget;
  int NewTarget;
};

// The two target columns share aFreeWidth, what "#" and "Rows" leave of the width inside the
// list, as long as the user has not sized one of them; neither gets narrower than readable.
constexpr TTargetColumnWidths SharedTargetColumnWidths(int aFreeWidth) {
  const int half = std::max(aFreeWidth / 2, MinimumTargetColumnWidth);
  return {std::max(aFreeWidth - half, MinimumTargetColumnWidth), half};
}

// Around the summary's text and buttons, and between them.
inline constexpr int SummarySpacing = 4;

// A rectangle in a view's own pixels, relative to its parent.
struct TPixelRect {
  int Left;
  int Top;
  int Width;
  int Height;

  bool operator==(const TPixelRect&) const = default;
};

// How wide a text is in a view's font, in the view's pixels.
using TTextMeasure = std::function<int(std::u16string_view)>;

// What the summary's layout needs of a view, in its pixels.
struct TSummaryMetrics {
  // The panel's width.
  int Width = 0;
  int LineHeight = 0;
  // The widths of the buttons shown, from left to right; each holds its caption.
  std::vector<int> ButtonWidths;
  int ButtonHeight = 0;
  int Spacing = 0;
};

// The summary as a view places it: the panel's height, its text one line under another and its
// buttons in a row at the right, inside the panel.
struct TSummaryLayout {
  // None without lines.
  int Height = 0;
  TPixelRect Text{};
  std::vector<TPixelRect> Buttons;
  // The lines as they fit the text's width.
  std::vector<std::u16string> Lines;
  // Whether a line had to be cut: the whole summary is then the text's tooltip.
  bool Cut = false;
};

// The buttons stand in a row beside the text where its widest line fits there, and under it
// elsewhere, in as many rows as the panel's width needs; no line wraps, and a line too wide for
// the panel is cut (FittedLine).
TSummaryLayout LayOutSummary(const std::vector<std::u16string>& aLines,
                             const TSummaryMetrics& aMetrics, const TTextMeasure& aMeasure);

// aLine as it fits aWidth: a quoted part, a path, loses its middle first, so that its start and
// its file name stay; only where that is not enough does the line lose its end. "…" marks the cut.
std::u16string FittedLine(std::u16string_view aLine, int aWidth, const TTextMeasure& aMeasure);

// The page's height shared from its top down: the project list of a run of several (aProjects
// high, none after a run of one), the target list, the summary and the log. The summary shows
// whole; the log gives up height only where the lists have none left, and the project list
// takes at most half of what the lists have.
struct TPageHeights {
  int Projects;
  int List;
  int Summary;
  int Log;
};
constexpr TPageHeights PageHeights(int aPage, int aSummary, int aLog, int aProjects = 0) {
  const int page = std::max(aPage, 0);
  const int summary = std::min(aSummary, page);
  const int log = std::min(aLog, page - summary);
  const int lists = page - summary - log;
  const int projects = std::min(aProjects, lists / 2);
  return {projects, lists - projects, summary, log};
}

// The rows window opens at this client size unless the screen is smaller; its columns start at
// these widths.
inline constexpr int RowsWindowWidth = 800;
inline constexpr int RowsWindowHeight = 500;
inline constexpr int RowsWindowMinimumWidth = 360;
inline constexpr int RowsWindowMinimumHeight = 240;
inline constexpr std::array<int, rcCount> RowsColumnWidths{220, 260, 280};

// A rectangle on the screen, in the screen's own pixels.
struct TScreenRect {
  int Left;
  int Top;
  int Width;
  int Height;
};

// Where a window of aWidth by aHeight (its frame) goes: centred on aOwner's frame, made no larger
// than aAvailable, the screen without its panels, and moved inside it.
constexpr TScreenRect CentredWithin(int aWidth, int aHeight, const TScreenRect& aOwner,
                                    const TScreenRect& aAvailable) {
  const int width = std::min(aWidth, aAvailable.Width);
  const int height = std::min(aHeight, aAvailable.Height);
  const int left = std::clamp(aOwner.Left + (aOwner.Width - width) / 2, aAvailable.Left,
                              aAvailable.Left + aAvailable.Width - width);
  const int top = std::clamp(aOwner.Top + (aOwner.Height - height) / 2, aAvailable.Top,
                             aAvailable.Top + aAvailable.Height - height);
  return {left, top, width, height};
}

} // namespace vui
