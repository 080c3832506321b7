// What the rows window shows: the rows of the last run that were not carried over, those without
// a converted target and those that could not be read, as cells of text. The views keep the
// rows as given and show them through an order of their own, which sorting changes.
#pragma once

#include "vconvert/uConversionRun.h"
#include "vpresenter/uMainTexts.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vui {

using TRowCells = std::array<std::u16string, rcCount>;

struct TRowsWindow {
  std::u16string Title;
  // Above the list: how many rows of each kind it holds, one sentence a line.
  std::vector<std::u16string> Lines;
  std::array<std::u16string, rcCount> Captions;
  // The rows without a converted target first, then those that could not be read.
  std::vector<TRowCells> Rows;
};

TRowsWindow RowsWindowOf(const std::vector<vconvert::TDroppedRow>& aDropped,
                         const std::vector<vconvert::TDiscardedRow>& aDiscarded);

// The rows' indices in the order of aColumn's texts (letters in any case alike), equal texts in
// the rows' own order, or in reverse when not aAscending.
std::vector<std::size_t> SortedRows(const std::vector<TRowCells>& aRows, TRowsColumn aColumn,
                                    bool aAscending);

// The rows aIndices as the clipboard takes them: a line each, its cells separated by tabs, every
// line ended by aLineEnd.
std::u16string RowsText(const std::vector<TRowCells>& aRows,
                        const std::vector<std::size_t>& aIndices, std::u16string_view aLineEnd);

} // namespace vui
