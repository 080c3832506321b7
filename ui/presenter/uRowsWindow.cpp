#include "vpresenter/uRowsWindow.h"

#include "vbase/Characters.h"
#include "vpresenter/uMainPresenter.h"
#include "vpresenter/uMainTexts.h"

#include <algorithm>

namespace vui {

namespace {

// A list shows one line a cell, and the clipboard's cells end at a tab.
std::u16string CellText(std::u16string_view aText) {
  std::u16string cell = SingleLine(aText);
  std::replace(cell.begin(), cell.end(), u'\t', u' ');
  return cell;
}

bool LessIgnoringCase(const std::u16string& aLeft, const std::u16string& aRight) {
  return std::lexicographical_compare(
      aLeft.begin(), aLeft.end(), aRight.begin(), aRight.end(),
      [](char16_t aA, char16_t aB) { return vbase::AsciiLower(aA) < vbase::AsciiLower(aB); });
}

} // namespace

TRowsWindow RowsWindowOf(const std::vector<vconvert::TDroppedRow>& aDropped,
                         const std::vector<vconvert::TDiscardedRow>& aDiscarded) {
  TRowsWindow window{std::u16string(RowsWindowTitle), {}, {}, {}};
  const bool withErrors = !aDiscarded.empty();
  window.Captions = {
      std::u16string(RowsColumnCaptions[rcOldTarget]),
      std::u16string(RowsColumnCaptions[rcContext]),
      std::u16string(withErrors ? RowsErrorColumnCaption : RowsColumnCaptions[rcText])};
  if (!aDropped.empty())
    window.Lines.push_back(vconvert::DroppedRowsSentence(aDropped.size()));
  if (withErrors)
    window.Lines.push_back(vconvert::DiscardedRowsSentence(aDiscarded.size()));
  window.Rows.reserve(aDropped.size() + aDiscarded.size());
  for (const vconvert::TDroppedRow& row : aDropped)
    window.Rows.push_back({CellText(row.VLP5Target), CellText(row.Context), CellText(row.Native)});
  for (const vconvert::TDiscardedRow& row : aDiscarded)
    window.Rows.push_back({CellText(row.VLP5Target), CellText(row.Context),
                           CellText(std::u16string(UnreadableRowPrefix) + row.Message)});
  return window;
}

std::vector<std::size_t> SortedRows(const std::vector<TRowCells>& aRows, TRowsColumn aColumn,
                                    bool aAscending) {
  std::vector<std::size_t> order(aRows.size());
  for (std::size_t index = 0; index < order.size(); ++index)
    order[index] = index;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t aLeft, std::size_t aRight) {
    const std::u16string& left = aRows[aLeft][aColumn];
    const std::u16string& right = aRows[aRight][aColumn];
    return aAscending ? LessIgnoringCase(left, right) : LessIgnoringCase(right, left);
  });
  return order;
}

std::u16string RowsText(const std::vector<TRowCells>& aRows,
                        const std::vector<std::size_t>& aIndices, std::u16string_view aLineEnd) {
  std::u16string text;
  for (const std::size_t index : aIndices) {
    const TRowCells& cells = aRows.at(index);
    text.append(cells[rcOldTarget]).append(1, u'\t').append(cells[rcContext]);
    text.append(1, u'\t').append(cells[rcText]).append(aLineEnd);
  }
  return text;
}

} // namespace vui
