#include "Win32RowsForm.h"

#include "Win32Desktop.h"
#include "Win32Font.h"
#include "vbase/Errors.h"
#include "vbase/WindowsErrors.h"
#include "vpresenter/uMainLayout.h"
#include "vpresenter/uMainTexts.h"

#include <algorithm>
#include <commctrl.h>
#include <numeric>
#include <string>
#include <windowsx.h>

namespace vui {

namespace {

enum TRowsControlId : WORD { idRowsLabel = 1101, idRowsList, idCopy, idSaveReport, idClose };
constexpr DWORD RowsStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD RowsExStyle = WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME;
// Room around the controls and inside the buttons, at 96 DPI.
constexpr int Margin = 8;
constexpr int ButtonPadding = 4;

// An empty dialog in memory, without menu, class or title: the controls come once it exists.
struct alignas(DWORD) TEmptyDialog {
  DLGTEMPLATE Template;
  WORD Menu = 0;
  WORD WindowClass = 0;
  WORD Title = 0;
};

HWND CreateControl(const wchar_t* aClass, std::u16string_view aText, DWORD aStyle, WORD aId,
                   HWND aParent, DWORD aExStyle = 0) {
  const std::u16string text(aText);
  return CreateWindowExW(aExStyle, aClass, Wide(text), WS_CHILD | WS_VISIBLE | aStyle, 0, 0, 0, 0,
                         aParent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(aId)), nullptr,
                         nullptr);
}

TScreenRect ScreenRect(const RECT& aRect) {
  return {aRect.left, aRect.top, aRect.right - aRect.left, aRect.bottom - aRect.top};
}

void PutOnClipboard(HWND aWindow, const std::u16string& aText) {
  if (!OpenClipboard(aWindow))
    return;
  EmptyClipboard();
  const std::size_t bytes = (aText.size() + 1) * sizeof(char16_t);
  if (const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    std::copy_n(aText.c_str(), aText.size() + 1, static_cast<char16_t*>(GlobalLock(memory)));
    GlobalUnlock(memory);
    if (!SetClipboardData(CF_UNICODETEXT, memory))
      GlobalFree(memory);
  }
  CloseClipboard();
}

// The list asks for the cells it draws; it holds none itself.
void ShowCell(const TRowsWindow& aRows, const std::vector<std::size_t>& aOrder,
              NMLVDISPINFOW& aInfo) {
  LVITEMW& item = aInfo.item;
  if (!(item.mask & LVIF_TEXT) || item.cchTextMax <= 0 || item.iItem < 0 ||
      static_cast<std::size_t>(item.iItem) >= aOrder.size() || item.iSubItem < 0 ||
      item.iSubItem >= rcCount)
    return;
  const std::u16string& cell =
      aRows.Rows[aOrder[static_cast<std::size_t>(item.iItem)]][static_cast<size_t>(item.iSubItem)];
  const std::size_t length = std::min(cell.size(), static_cast<std::size_t>(item.cchTextMax - 1));
  std::copy_n(cell.data(), length, reinterpret_cast<char16_t*>(item.pszText));
  item.pszText[length] = L'\0';
}

} // namespace

TWin32RowsForm::TWin32RowsForm(HINSTANCE aInstance, HWND aOwner, TRowsWindow aWindow,
                               TRowsFormActions aActions)
    : fOwner(aOwner), fDpi(GetDpiForWindow(aOwner)), fRows(std::move(aWindow)),
      fOrder(fRows.Rows.size()), fActions(std::move(aActions)) {
  std::iota(fOrder.begin(), fOrder.end(), std::size_t{0});
  // A dialog, so that Tab, Escape and Alt with a letter work as in any dialog.
  const TEmptyDialog dialog{{RowsStyle, RowsExStyle, 0, 0, 0, 0, 0}};
  CreateDialogIndirectParamW(aInstance, &dialog.Template, aOwner, DialogProc,
                             reinterpret_cast<LPARAM>(this));
  if (!fWindow)
    throw vbase::Exception(u"The rows window could not be created: " +
                           vbase::WindowsErrorText(GetLastError()));
  SetWindowTextW(fWindow, Wide(fRows.Title));
  CreateControls();
  ApplyFont();
  Place();
  EnableWindow(fOwner, FALSE);
  ShowWindow(fWindow, SW_SHOW);
  SetFocus(RowsList);
}

TWin32RowsForm::~TWin32RowsForm() {
  if (fWindow)
    Close();
  if (fFont)
    DeleteObject(fFont);
}

void TWin32RowsForm::CreateControls() {
  std::u16string lines;
  for (const std::u16string& line : fRows.Lines)
    lines.append(lines.empty() ? u"" : u"\r\n").append(line);
  RowsLabel = CreateControl(WC_STATICW, lines, SS_LEFT | SS_NOPREFIX, idRowsLabel, fWindow);
  RowsList =
      CreateControl(WC_LISTVIEWW, u"", WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS,
                    idRowsList, fWindow, WS_EX_CLIENTEDGE);
  ListView_SetExtendedListViewStyle(RowsList, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES |
                                                  LVS_EX_LABELTIP | LVS_EX_DOUBLEBUFFER);
  for (int column = 0; column < rcCount; ++column) {
    LVCOLUMNW definition{};
    definition.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    definition.pszText = const_cast<wchar_t*>(Wide(fRows.Captions[static_cast<size_t>(column)]));
    definition.cx = Scaled(RowsColumnWidths[static_cast<size_t>(column)]);
    definition.iSubItem = column;
    SendMessageW(RowsList, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                 reinterpret_cast<LPARAM>(&definition));
  }
  ListView_SetItemCountEx(RowsList, static_cast<int>(fOrder.size()), LVSICF_NOINVALIDATEALL);
  CopyButton =
      CreateControl(WC_BUTTONW, CopyRowsCaption, WS_TABSTOP | BS_PUSHBUTTON, idCopy, fWindow);
  SaveReportButton = CreateControl(WC_BUTTONW, SaveReportCaption, WS_TABSTOP | BS_PUSHBUTTON,
                                   idSaveReport, fWindow);
  CloseButton =
      CreateControl(WC_BUTTONW, CloseRowsCaption, WS_TABSTOP | BS_PUSHBUTTON, idClose, fWindow);
}

int TWin32RowsForm::Scaled(int aPixels) const {
  return MulDiv(aPixels, static_cast<int>(fDpi), USER_DEFAULT_SCREEN_DPI);
}

void TWin32RowsForm::ApplyFont() {
  fFont = CreateMessageFont(fDpi);
  for (const HWND control : {RowsLabel, RowsList, CopyButton, SaveReportButton, CloseButton})
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fFont), FALSE);
  fLineHeight = LineHeightOf(fWindow, fFont);
}

// The design's size, or the work area when that is smaller, centred on the owner.
void TWin32RowsForm::Place() {
  RECT frame{0, 0, Scaled(RowsWindowWidth), Scaled(RowsWindowHeight)};
  AdjustWindowRectExForDpi(&frame, RowsStyle, FALSE, RowsExStyle, fDpi);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(fOwner, MONITOR_DEFAULTTONEAREST), &monitor);
  RECT owner{};
  GetWindowRect(fOwner, &owner);
  const TScreenRect placed = CentredWithin(frame.right - frame.left, frame.bottom - frame.top,
                                           ScreenRect(owner), ScreenRect(monitor.rcWork));
  SetWindowPos(fWindow, nullptr, placed.Left, placed.Top, placed.Width, placed.Height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  LayOut();
}

void TWin32RowsForm::LayOut() {
  RECT client{};
  GetClientRect(fWindow, &client);
  const int margin = Scaled(Margin);
  const int labelHeight = static_cast<int>(fRows.Lines.size()) * fLineHeight;
  const int buttonHeight = fLineHeight + 2 * Scaled(ButtonPadding);
  const int buttonsTop = std::max<int>(client.bottom - margin - buttonHeight, 0);
  const int listTop = margin + labelHeight + margin;
  MoveWindow(RowsLabel, margin, margin, std::max<int>(client.right - 2 * margin, 0), labelHeight,
             TRUE);
  MoveWindow(RowsList, margin, listTop, std::max<int>(client.right - 2 * margin, 0),
             std::max(buttonsTop - margin - listTop, 0), TRUE);
  // "Copy" and "Save report..." at the left under the list, "Close" at the right.
  const TTextMeter meter(fWindow, fFont);
  const auto width = [&](std::u16string_view aCaption) {
    return static_cast<int>(ButtonSizeFor(meter, aCaption, fDpi).cx);
  };
  const int copyWidth = width(CopyRowsCaption);
  MoveWindow(CopyButton, margin, buttonsTop, copyWidth, buttonHeight, TRUE);
  MoveWindow(SaveReportButton, 2 * margin + copyWidth, buttonsTop, width(SaveReportCaption),
             buttonHeight, TRUE);
  const int closeWidth = width(CloseRowsCaption);
  MoveWindow(CloseButton, client.right - margin - closeWidth, buttonsTop, closeWidth, buttonHeight,
             TRUE);
}

// A click on the sorted column's header turns the order round; the selection follows its rows.
void TWin32RowsForm::SortBy(int aColumn) {
  fAscending = aColumn != fSortColumn || !fAscending;
  fSortColumn = aColumn;
  std::vector<bool> selected(fOrder.size());
  for (int row = ListView_GetNextItem(RowsList, -1, LVNI_SELECTED); row >= 0;
       row = ListView_GetNextItem(RowsList, row, LVNI_SELECTED))
    selected[fOrder[static_cast<std::size_t>(row)]] = true;
  fOrder = SortedRows(fRows.Rows, static_cast<TRowsColumn>(aColumn), fAscending);
  ListView_SetItemState(RowsList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  for (std::size_t row = 0; row < fOrder.size(); ++row)
    if (selected[fOrder[row]])
      ListView_SetItemState(RowsList, static_cast<int>(row), LVIS_SELECTED, LVIS_SELECTED);
  ShowSortArrow();
  InvalidateRect(RowsList, nullptr, FALSE);
}

void TWin32RowsForm::ShowSortArrow() const {
  const HWND header = ListView_GetHeader(RowsList);
  for (int column = 0; column < rcCount; ++column) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    Header_GetItem(header, column, &item);
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (column == fSortColumn)
      item.fmt |= fAscending ? HDF_SORTUP : HDF_SORTDOWN;
    Header_SetItem(header, column, &item);
  }
}

void TWin32RowsForm::CopySelection() const {
  std::vector<std::size_t> rows;
  for (int row = ListView_GetNextItem(RowsList, -1, LVNI_SELECTED); row >= 0;
       row = ListView_GetNextItem(RowsList, row, LVNI_SELECTED))
    rows.push_back(fOrder[static_cast<std::size_t>(row)]);
  PutOnClipboard(fWindow, RowsText(fRows.Rows, rows, u"\r\n"));
}

void TWin32RowsForm::ShowContextMenu(LPARAM aWhere) {
  POINT where{GET_X_LPARAM(aWhere), GET_Y_LPARAM(aWhere)};
  // From the keyboard: at the list's corner.
  if (aWhere == -1) {
    where = {0, 0};
    ClientToScreen(RowsList, &where);
  }
  const HMENU menu = CreatePopupMenu();
  const std::u16string copy(CopyRowsCaption);
  AppendMenuW(menu, MF_STRING, idCopy, Wide(copy));
  const UINT chosen = static_cast<UINT>(
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, where.x, where.y, 0, fWindow, nullptr));
  DestroyMenu(menu);
  if (chosen == idCopy)
    CopySelection();
}

// The save dialog and the error box belong to the owner and give it back its input when they
// close; this window keeps it from the owner until it closes itself.
void TWin32RowsForm::SaveReport() {
  fActions.SaveReport();
  if (!fWindow)
    return;
  EnableWindow(fOwner, FALSE);
  SetActiveWindow(fWindow);
}

void TWin32RowsForm::Close() {
  // The owner first, so that the system gives it the activation this window leaves.
  EnableWindow(fOwner, TRUE);
  DestroyWindow(fWindow);
}

void TWin32RowsForm::Notify(const NMHDR& aHeader) {
  if (aHeader.hwndFrom != RowsList)
    return;
  if (aHeader.code == LVN_GETDISPINFOW)
    ShowCell(fRows, fOrder, reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(aHeader)));
  else if (aHeader.code == LVN_COLUMNCLICK)
    SortBy(reinterpret_cast<const NMLISTVIEW&>(aHeader).iSubItem);
  else if (aHeader.code == LVN_KEYDOWN &&
           reinterpret_cast<const NMLVKEYDOWN&>(aHeader).wVKey == 'C' &&
           GetKeyState(VK_CONTROL) < 0)
    CopySelection();
}

void TWin32RowsForm::Command(WORD aId) {
  if (aId == idCopy)
    CopySelection();
  else if (aId == idSaveReport)
    SaveReport();
  else if (aId == idClose || aId == IDCANCEL)
    Close();
}

// Whether the dialog handled aMessage; what it did not, the dialog manager does.
bool TWin32RowsForm::HandleMessage(UINT aMessage, WPARAM aWParam, LPARAM aLParam) {
  switch (aMessage) {
  case WM_SIZE:
    LayOut();
    return true;
  case WM_GETMINMAXINFO: {
    RECT frame{0, 0, Scaled(RowsWindowMinimumWidth), Scaled(RowsWindowMinimumHeight)};
    AdjustWindowRectExForDpi(&frame, RowsStyle, FALSE, RowsExStyle, fDpi);
    reinterpret_cast<MINMAXINFO*>(aLParam)->ptMinTrackSize = {frame.right - frame.left,
                                                              frame.bottom - frame.top};
    return true;
  }
  case WM_NOTIFY:
    Notify(*reinterpret_cast<const NMHDR*>(aLParam));
    return true;
  case WM_CONTEXTMENU:
    if (reinterpret_cast<HWND>(aWParam) != RowsList)
      return false;
    ShowContextMenu(aLParam);
    return true;
  case WM_COMMAND:
    Command(LOWORD(aWParam));
    return true;
  case WM_CLOSE:
    Close();
    return true;
  default:
    return false;
  }
}

INT_PTR CALLBACK TWin32RowsForm::DialogProc(HWND aWindow, UINT aMessage, WPARAM aWParam,
                                            LPARAM aLParam) {
  if (aMessage == WM_INITDIALOG) {
    SetWindowLongPtrW(aWindow, DWLP_USER, aLParam);
    reinterpret_cast<TWin32RowsForm*>(aLParam)->fWindow = aWindow;
    return FALSE;
  }
  auto* form = reinterpret_cast<TWin32RowsForm*>(GetWindowLongPtrW(aWindow, DWLP_USER));
  if (form && aMessage == WM_NCDESTROY)
    form->fWindow = nullptr;
  // Until its controls exist, the dialog manager alone answers.
  if (!form || !form->CloseButton || !form->fWindow)
    return FALSE;
  try {
    return form->HandleMessage(aMessage, aWParam, aLParam) ? TRUE : FALSE;
  } catch (...) {
    // Nothing may unwind into the system's code that called the window.
    form->fActions.ReportError(std::current_exception());
    return TRUE;
  }
}

} // namespace vui
