// The window's sizes in pixels at 96 dots per inch, the same for the window of every toolkit;
// a view scales them for its screen.
#pragma once

#include <algorithm>
#include <utility>

namespace vui {

inline constexpr int ClientWidth = 854;
inline constexpr int ClientHeight = 562;
// Small enough for a small screen; large enough for both buttons and readable columns.
inline constexpr int MinimumClientWidth = 420;
inline constexpr int MinimumClientHeight = 320;

inline constexpr int TopPanelHeight = 73;
inline constexpr int ButtonTop = 8;
inline constexpr int ConvertButtonLeft = 8;
inline constexpr int HelpButtonLeft = 144;
inline constexpr int ButtonWidth = 129;
inline constexpr int ButtonHeight = 49;
inline constexpr int ButtonImageSize = 32;

inline constexpr int TargetImageSize = 16;
inline constexpr int ImageColumnWidth = 32;
inline constexpr int RowsColumnWidth = 50;
// Narrower target columns cut every path to its drive letter.
inline constexpr int MinimumTargetColumnWidth = 120;
inline constexpr int LogHeight = 95;

// The widths of the old and the new target column when they share aFree pixels, no narrower
// than aMinimum each.
constexpr std::pair<int, int> SharedTargetWidths(int aFree, int aMinimum) {
  const int half = std::max(aFree / 2, aMinimum);
  return {std::max(aFree - half, aMinimum), half};
}

} // namespace vui
