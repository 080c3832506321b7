// The rows window on Windows: the rows of the last run that were not carried over, in a list view
// that holds no rows of its own but asks for the cells in sight, so that it opens at once for
// any count. It is modal: its owner takes no input while it is open.
#pragma once

#include "vpresenter/uRowsWindow.h"

#include <cstddef>
#include <exception>
#include <functional>
#include <vector>
#include <windows.h>

namespace vui {

// What the window asks of the presenter behind its owner.
struct TRowsFormActions {
  // The summary's "Save report...".
  std::function<void()> SaveReport;
  // Shows what went wrong while the window handled a message.
  std::function<void(std::exception_ptr)> ReportError;
};

class TWin32RowsForm {
public:
  // Opens over aOwner, centred on it and inside its screen's work area.
  TWin32RowsForm(HINSTANCE aInstance, HWND aOwner, TRowsWindow aWindow, TRowsFormActions aActions);
  ~TWin32RowsForm();
  TWin32RowsForm(const TWin32RowsForm&) = delete;
  TWin32RowsForm& operator=(const TWin32RowsForm&) = delete;

  HWND Handle() const { return fWindow; }
  // The selected rows to the clipboard, a tab-separated line each, in the list's order.
  void CopySelection() const;

  HWND RowsLabel = nullptr;
  HWND RowsList = nullptr;
  HWND CopyButton = nullptr;
  HWND SaveReportButton = nullptr;
  HWND CloseButton = nullptr;

private:
  static INT_PTR CALLBACK DialogProc(HWND aWindow, UINT aMessage, WPARAM aWParam, LPARAM aLParam);
  bool HandleMessage(UINT aMessage, WPARAM aWParam, LPARAM aLParam);
  void CreateControls();
  void ApplyFont();
  void Place();
  void LayOut();
  void Notify(const NMHDR& aHeader);
  void Command(WORD aId);
  void SortBy(int aColumn);
  void ShowSortArrow() const;
  void ShowContextMenu(LPARAM aWhere);
  void SaveReport();
  void Close();
  int Scaled(int aPixels) const;

  HWND fOwner;
  HWND fWindow = nullptr;
  UINT fDpi = USER_DEFAULT_SCREEN_DPI;
  HFONT fFont = nullptr;
  int fLineHeight = 0;
  TRowsWindow fRows;
  // The index in fRows.Rows of each row of the list.
  std::vector<std::size_t> fOrder;
  // The column the list is sorted by, none before the first click on a header.
  int fSortColumn = -1;
  bool fAscending = true;
  TRowsFormActions fActions;
};

} // namespace vui
