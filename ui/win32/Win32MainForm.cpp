#include "Win32MainForm.h"

#include "Win32Font.h"
#include "Win32Resources.h"
#include "Win32SingleInstance.h"
#include "vbase/Errors.h"
#include "vbase/WindowsErrors.h"
#include "vpresenter/uMainLayout.h"
#include "vpresenter/uMainTexts.h"

#include <shellapi.h>

namespace vui {

namespace {

const wchar_t* const WindowClassName = L"Vlp5ToVXPMainform";
constexpr UINT RunLaterMessage = WM_APP + 1;
constexpr UINT RunEventsMessage = WM_APP + 2;

enum TControlId : WORD {
  idConvert = 1001,
  idHelp,
  idPages,
  idTargets,
  idLog,
  idSummary,
  idShowRows,
  idSaveReport,
  idSaveAs,
  idProgress,
  idConvertFolder,
  idProjects
};
// Room beside a count in its column, at 96 DPI.
constexpr int CountPadding = 12;
// The summary's tooltip breaks its lines at this width, at 96 DPI.
constexpr int SummaryTipWidth = 600;

constexpr DWORD WindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD WindowExStyle = WS_EX_CONTROLPARENT;

constexpr std::array<int, tcCount> ColumnFormats{LVCFMT_LEFT, LVCFMT_LEFT, LVCFMT_LEFT,
                                                 LVCFMT_RIGHT};

RECT ScaledRect(const TRect96& aRect, int aDpi) {
  const auto scale = [aDpi](int aPixels) { return MulDiv(aPixels, aDpi, USER_DEFAULT_SCREEN_DPI); };
  return {scale(aRect.Left), scale(aRect.Top), scale(aRect.Left + aRect.Width),
          scale(aRect.Top + aRect.Height)};
}

// A dialog's window class, so that the dialog manager gives the keyboard its usual meaning:
// Tab, Enter and Space on the focused button, Alt with an underlined letter.
void RegisterWindowClass(HINSTANCE aInstance, WNDPROC aProcedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (GetClassInfoExW(aInstance, WindowClassName, &windowClass))
    return;
  windowClass.lpfnWndProc = aProcedure;
  windowClass.cbWndExtra = DLGWINDOWEXTRA;
  windowClass.hInstance = aInstance;
  windowClass.hIcon =
      static_cast<HICON>(LoadImageW(aInstance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON), IMAGE_ICON,
                                    0, 0, LR_DEFAULTSIZE | LR_SHARED));
  windowClass.hIconSm = static_cast<HICON>(
      LoadImageW(aInstance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = WindowClassName;
  RegisterClassExW(&windowClass);
}

HWND CreateChild(const wchar_t* aClass, const wchar_t* aText, DWORD aStyle, DWORD aExStyle,
                 WORD aId, HWND aParent, HINSTANCE aInstance) {
  return CreateWindowExW(aExStyle, aClass, aText, WS_CHILD | WS_VISIBLE | aStyle, 0, 0, 0, 0,
                         aParent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(aId)), aInstance,
                         nullptr);
}

// A list of whole rows, one selected at a time, whose cells tell their tips.
HWND CreateRowList(WORD aId, HWND aParent, HINSTANCE aInstance) {
  const HWND list = CreateChild(WC_LISTVIEWW, L"",
                                WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT | LVS_SINGLESEL |
                                    LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                                WS_EX_CLIENTEDGE, aId, aParent, aInstance);
  ListView_SetExtendedListViewStyle(list, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP |
                                              LVS_EX_DOUBLEBUFFER);
  return list;
}

HICON LoadIconOfSize(HINSTANCE aInstance, int aId, int aSize) {
  return static_cast<HICON>(
      LoadImageW(aInstance, MAKEINTRESOURCEW(aId), IMAGE_ICON, aSize, aSize, LR_DEFAULTCOLOR));
}

RECT Bounds(int aLeft, int aTop, int aWidth, int aHeight) {
  return {aLeft, aTop, aLeft + aWidth, aTop + aHeight};
}

void Place(HDWP& aPositions, HWND aControl, const RECT& aBounds) {
  aPositions = DeferWindowPos(aPositions, aControl, nullptr, aBounds.left, aBounds.top,
                              aBounds.right - aBounds.left, aBounds.bottom - aBounds.top,
                              SWP_NOZORDER | SWP_NOACTIVATE);
}

std::u16string TextOf(HWND aControl) {
  std::u16string text(static_cast<size_t>(GetWindowTextLengthW(aControl)), u'\0');
  GetWindowTextW(aControl, reinterpret_cast<wchar_t*>(text.data()),
                 static_cast<int>(text.size() + 1));
  return text;
}

TTTOOLINFOW ToolOf(HWND aWindow, HWND aControl) {
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = aWindow;
  tool.uId = reinterpret_cast<UINT_PTR>(aControl);
  return tool;
}

// The keyboard works as in a dialog in the window and in the rows window over it.
bool DispatchesAsDialog(MSG& aMessage) {
  const HWND window = aMessage.hwnd ? GetAncestor(aMessage.hwnd, GA_ROOT) : nullptr;
  return window && IsDialogMessageW(window, &aMessage);
}

} // namespace

TWin32Mainform::TWin32Mainform(HINSTANCE aInstance) : fInstance(aInstance), fPresenter(*this) {
  RegisterWindowClass(aInstance, WindowProc);
  // Whoever made the window's other classes ready may not know of the progress bar and the
  // tooltip.
  const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                     ICC_PROGRESS_CLASS | ICC_TAB_CLASSES};
  InitCommonControlsEx(&classes);
  const std::u16string caption(WindowCaption);
  fWindow =
      CreateWindowExW(WindowExStyle, WindowClassName, Wide(caption), WindowStyle, CW_USEDEFAULT,
                      CW_USEDEFAULT, ClientWidth, ClientHeight, nullptr, nullptr, aInstance, this);
  if (!fWindow)
    throw vbase::Exception(u"The window could not be created: " +
                           vbase::WindowsErrorText(GetLastError()));
  fDesktop = CreateWin32Desktop(aInstance, fWindow);
  CreateControls();
  ApplyDpi(GetDpiForWindow(fWindow));
  // The design's client size on the screen the window system chose.
  RECT frame = Bounds(0, 0, Scaled(ClientWidth), Scaled(ClientHeight));
  AdjustWindowRectExForDpi(&frame, WindowStyle, FALSE, WindowExStyle, fDpi);
  SetWindowPos(fWindow, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  DragAcceptFiles(fWindow, TRUE);
}

TWin32Mainform::~TWin32Mainform() {
  // The run's thread goes before the window it posts to.
  fPresenter.AbandonRun();
  if (fWindow && IsWindow(fWindow))
    DestroyWindow(fWindow);
  if (ImageList1)
    ImageList_Destroy(ImageList1);
  if (fConvertImage)
    DestroyIcon(fConvertImage);
  if (fFont)
    DeleteObject(fFont);
}

void TWin32Mainform::CreateControls() {
  // Creation order is tab order: the buttons, the list, the log; the page control behind them
  // only frames them.
  btnConvert = CreateChild(WC_BUTTONW, Wide(WithAccelerator(ConvertCaption)),
                           WS_TABSTOP | BS_PUSHBUTTON, 0, idConvert, fWindow, fInstance);
  btnHelp = CreateChild(WC_BUTTONW, Wide(WithAccelerator(HelpCaption)), WS_TABSTOP | BS_PUSHBUTTON,
                        0, idHelp, fWindow, fInstance);
  lstProjects = CreateRowList(idProjects, fWindow, fInstance);
  SetUpProjectColumns();
  ShowWindow(lstProjects, SW_HIDE);
  lstTargets = CreateRowList(idTargets, fWindow, fInstance);
  SetUpTargetColumns();
  memLog = CreateChild(WC_EDITW, L"",
                       WS_TABSTOP | WS_CLIPSIBLINGS | WS_VSCROLL | ES_MULTILINE | ES_READONLY |
                           ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                       WS_EX_CLIENTEDGE, idLog, fWindow, fInstance);
  // The log grows with every run; the edit control's default limit would cut it.
  SendMessageW(memLog, EM_SETLIMITTEXT, 0, 0);
  // The log indents with TABs; four average characters each, not eight.
  const int tabStop = 16;
  SendMessageW(memLog, EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
  // Its lines are cut to fit rather than wrapped.
  lblSummary =
      CreateChild(WC_EDITW, L"", WS_CLIPSIBLINGS | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL, 0,
                  idSummary, fWindow, fInstance);
  ShowWindow(lblSummary, SW_HIDE);
  // Created before the other buttons of the summary: Tab goes through them from left to right.
  // Each is clipped by the controls beside it, so that none can cover another.
  btnSaveAs =
      CreateChild(WC_BUTTONW, Wide(WithAccelerator(SaveAsCaption)),
                  WS_TABSTOP | WS_CLIPSIBLINGS | BS_PUSHBUTTON, 0, idSaveAs, fWindow, fInstance);
  btnShowRows =
      CreateChild(WC_BUTTONW, Wide(std::u16string(ShowDroppedRowsCaption)),
                  WS_TABSTOP | WS_CLIPSIBLINGS | BS_PUSHBUTTON, 0, idShowRows, fWindow, fInstance);
  btnSaveReport = CreateChild(WC_BUTTONW, Wide(std::u16string(SaveReportCaption)),
                              WS_TABSTOP | WS_CLIPSIBLINGS | BS_PUSHBUTTON, 0, idSaveReport,
                              fWindow, fInstance);
  for (const HWND button : {btnSaveAs, btnShowRows, btnSaveReport})
    ShowWindow(button, SW_HIDE);
  tipSummary =
      CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                      WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, fWindow, nullptr, fInstance, nullptr);
  TTTOOLINFOW tool = ToolOf(fWindow, lblSummary);
  tool.lpszText = const_cast<wchar_t*>(L"");
  SendMessageW(tipSummary, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  barProgress = CreateChild(PROGRESS_CLASSW, L"", 0, 0, idProgress, fWindow, fInstance);
  SendMessageW(barProgress, PBM_SETRANGE32, 0, 100);
  ShowWindow(barProgress, SW_HIDE);
  // No tab stop: Tab keeps going round the controls of a single run.
  btnConvertFolder =
      CreateChild(WC_BUTTONW, Wide(WithAccelerator(ConvertFolderCaption, ConvertFolderAccelerator)),
                  BS_PUSHBUTTON, 0, idConvertFolder, fWindow, fInstance);
  pgcMain = CreateChild(WC_TABCONTROLW, L"", WS_CLIPSIBLINGS | TCS_HOTTRACK, 0, idPages, fWindow,
                        fInstance);
  TCITEMW page{};
  page.mask = TCIF_TEXT;
  std::u16string caption(LogPageCaption);
  page.pszText = const_cast<wchar_t*>(Wide(caption));
  SendMessageW(pgcMain, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&page));
}

void TWin32Mainform::SetUpTargetColumns() {
  for (int column = tcImage; column < tcCount; ++column) {
    LVCOLUMNW definition{};
    definition.mask = LVCF_TEXT | LVCF_FMT | LVCF_SUBITEM;
    const std::u16string caption(TargetColumnCaptions[static_cast<size_t>(column)]);
    definition.fmt = ColumnFormats[static_cast<size_t>(column)];
    definition.pszText = const_cast<wchar_t*>(Wide(caption));
    definition.iSubItem = column;
    SendMessageW(lstTargets, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                 reinterpret_cast<LPARAM>(&definition));
  }
}

void TWin32Mainform::SetUpProjectColumns() {
  for (int column = pcProject; column < pcCount; ++column) {
    LVCOLUMNW definition{};
    definition.mask = LVCF_TEXT | LVCF_SUBITEM;
    const std::u16string caption(ProjectColumnCaptions[static_cast<size_t>(column)]);
    definition.pszText = const_cast<wchar_t*>(Wide(caption));
    definition.iSubItem = column;
    SendMessageW(lstProjects, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                 reinterpret_cast<LPARAM>(&definition));
  }
}

int TWin32Mainform::Scaled(int aPixels) const {
  return MulDiv(aPixels, static_cast<int>(fDpi), USER_DEFAULT_SCREEN_DPI);
}

// Fonts, images and fixed column widths for the screen's DPI; the layout follows.
void TWin32Mainform::ApplyDpi(UINT aDpi) {
  const UINT previousDpi = fDpi;
  fDpi = aDpi;
  const HFONT font = CreateMessageFont(fDpi);
  for (const HWND control : {btnConvert, btnHelp, btnConvertFolder, pgcMain, lstProjects,
                             lstTargets, memLog, lblSummary, btnShowRows, btnSaveReport, btnSaveAs})
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  if (fFont)
    DeleteObject(fFont);
  fFont = font;
  fLineHeight = LineHeightOf(fWindow, font);
  // The summary's text begins at its edge: the lines are measured to fit its width exactly.
  SendMessageW(lblSummary, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
  SendMessageW(tipSummary, TTM_SETMAXTIPWIDTH, 0, Scaled(SummaryTipWidth));
  LoadImages();
  ListView_SetColumnWidth(lstTargets, tcImage, Scaled(ImageColumnWidth));
  ListView_SetColumnWidth(lstTargets, tcRows, Scaled(RowsColumnWidth));
  for (int column = pcProject; column < pcCount; ++column)
    ListView_SetColumnWidth(lstProjects, column,
                            Scaled(ProjectColumnWidths[static_cast<size_t>(column)]));
  // Widths the user gave keep their size on the screen; shared ones are shared again.
  for (const int column : {tcOldTarget, tcNewTarget})
    ListView_SetColumnWidth(lstTargets, column,
                            MulDiv(ListView_GetColumnWidth(lstTargets, column),
                                   static_cast<int>(fDpi), static_cast<int>(previousDpi)));
}

void TWin32Mainform::LoadImages() {
  const int listSize = Scaled(ListImageSize);
  const HIMAGELIST images = ImageList_Create(listSize, listSize, ILC_COLOR32 | ILC_MASK, 2, 0);
  for (const int icon : {IDI_CONVERTED_TARGET, IDI_UNCONVERTIBLE_TARGET}) {
    const HICON image = LoadIconOfSize(fInstance, icon, listSize);
    ImageList_AddIcon(images, image);
    DestroyIcon(image);
  }
  ListView_SetImageList(lstTargets, images, LVSIL_SMALL);
  ListView_SetImageList(lstProjects, images, LVSIL_SMALL);
  if (ImageList1)
    ImageList_Destroy(ImageList1);
  ImageList1 = images;

  const HICON convertImage = LoadIconOfSize(fInstance, IDI_CONVERT, Scaled(ButtonImageSize));
  SendMessageW(btnConvert, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(convertImage));
  if (fConvertImage)
    DestroyIcon(fConvertImage);
  fConvertImage = convertImage;
}

void TWin32Mainform::LayOut() {
  RECT client{};
  GetClientRect(fWindow, &client);
  const int top = Scaled(TopPanelHeight);
  const RECT pages = Bounds(0, top, client.right, std::max<int>(client.bottom - top, 0));
  // The page's area inside the page control's frame and tabs.
  RECT page = Bounds(0, 0, pages.right - pages.left, pages.bottom - pages.top);
  TabCtrl_AdjustRect(pgcMain, FALSE, &page);
  OffsetRect(&page, pages.left, pages.top);
  const TSummaryLayout summary = SummaryLayout(page.right - page.left);
  const bool listsProjects = (GetWindowLongW(lstProjects, GWL_STYLE) & WS_VISIBLE) != 0;
  const TPageHeights heights =
      PageHeights(page.bottom - page.top, summary.Height, Scaled(LogHeight),
                  listsProjects ? Scaled(ProjectListHeight) : 0);
  const LONG targetsTop = page.top + heights.Projects;
  const LONG summaryTop = targetsTop + heights.List;
  const int logHeight = heights.Log;
  const RECT bar = ScaledRect(ProgressBarRect, static_cast<int>(fDpi));
  const auto onPage = [&](const TPixelRect& aRect) {
    return Bounds(page.left + aRect.Left, summaryTop + aRect.Top, aRect.Width, aRect.Height);
  };

  HDWP positions = BeginDeferWindowPos(12);
  Place(positions, btnConvert, ScaledRect(ConvertButtonRect, static_cast<int>(fDpi)));
  Place(positions, btnHelp, ScaledRect(HelpButtonRect, static_cast<int>(fDpi)));
  Place(positions, btnConvertFolder, ScaledRect(ConvertFolderButtonRect, static_cast<int>(fDpi)));
  Place(positions, lstProjects, {page.left, page.top, page.right, targetsTop});
  Place(positions, barProgress, {bar.left, bar.top, client.right - bar.left, bar.bottom});
  Place(positions, pgcMain, pages);
  Place(positions, lstTargets, {page.left, targetsTop, page.right, summaryTop});
  Place(positions, lblSummary, onPage(summary.Text));
  auto place = summary.Buttons.begin();
  for (const TSummaryButton& button : SummaryButtons())
    if (button.Offered && place != summary.Buttons.end())
      Place(positions, button.Button, onPage(*place++));
  Place(positions, memLog, {page.left, page.bottom - logHeight, page.right, page.bottom});
  EndDeferWindowPos(positions);
  ShowSummaryText(summary);
  ShareFreeWidth();
}

TSummaryLayout TWin32Mainform::SummaryLayout(int aWidth) const {
  const TTextMeter meter(fWindow, fFont);
  TSummaryMetrics metrics;
  metrics.Width = aWidth;
  metrics.LineHeight = fLineHeight;
  metrics.Spacing = Scaled(SummarySpacing);
  for (const TSummaryButton& button : SummaryButtons()) {
    const SIZE size = ButtonSizeFor(meter, button.Caption, fDpi);
    metrics.ButtonHeight = std::max<int>(metrics.ButtonHeight, size.cy);
    if (button.Offered)
      metrics.ButtonWidths.push_back(size.cx);
  }
  return LayOutSummary(fSummary.Lines, metrics,
                       [&meter](std::u16string_view aText) { return meter.Width(aText); });
}

std::array<TWin32Mainform::TSummaryButton, 3> TWin32Mainform::SummaryButtons() const {
  return {{{btnSaveAs, SaveAsCaption, fSummary.OffersSaveAs},
           {btnShowRows, ShowDroppedRowsCaption, fSummary.OffersDroppedRows},
           {btnSaveReport, SaveReportCaption, fSummary.OffersReport}}};
}

// The lines as they fit; a new text only where they changed, so that a resize keeps a selection.
void TWin32Mainform::ShowSummaryText(const TSummaryLayout& aLayout) {
  std::u16string text;
  for (const std::u16string& line : aLayout.Lines)
    text += (text.empty() ? u"" : u"\r\n") + line;
  if (text != TextOf(lblSummary))
    SetWindowTextW(lblSummary, Wide(text));
  std::u16string tip;
  for (const std::u16string& line : fSummary.Lines)
    tip += (tip.empty() ? u"" : u"\r\n") + line;
  if (!aLayout.Cut)
    tip.clear();
  TTTOOLINFOW tool = ToolOf(fWindow, lblSummary);
  tool.lpszText = const_cast<wchar_t*>(Wide(tip));
  SendMessageW(tipSummary, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

// The two target columns share what "#" and "Rows" leave of the list's width, as long as the
// presenter says so.
void TWin32Mainform::ShareFreeWidth() {
  RECT list{};
  GetClientRect(lstTargets, &list);
  const int free = list.right - ListView_GetColumnWidth(lstTargets, tcImage) -
                   ListView_GetColumnWidth(lstTargets, tcRows);
  // The sharing is the presenter's, in pixels at 96 DPI; the old column takes what rounding
  // leaves over.
  const std::optional<TTargetColumnWidths> widths =
      fPresenter.TargetColumnWidths(MulDiv(free, USER_DEFAULT_SCREEN_DPI, static_cast<int>(fDpi)));
  if (!widths)
    return;
  const int newWidth = Scaled(widths->NewTarget);
  ListView_SetColumnWidth(lstTargets, tcOldTarget,
                          std::max(free - newWidth, Scaled(MinimumTargetColumnWidth)));
  ListView_SetColumnWidth(lstTargets, tcNewTarget, newWidth);
}

void TWin32Mainform::Show(int aShowCommand) {
  ShowWindow(fWindow, aShowCommand);
  UpdateWindow(fWindow);
}

void TWin32Mainform::Close() {
  PostMessageW(fWindow, WM_CLOSE, 0, 0);
}

void TWin32Mainform::ClearLog() {
  SetWindowTextW(memLog, L"");
}

void TWin32Mainform::AddLogLine(std::u16string_view aLine) {
  std::u16string text;
  if (GetWindowTextLengthW(memLog) > 0)
    text = u"\r\n";
  text += aLine;
  const int end = GetWindowTextLengthW(memLog);
  SendMessageW(memLog, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageW(memLog, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void TWin32Mainform::ClearTargets() {
  ListView_DeleteAllItems(lstTargets);
  fHints.clear();
}

void TWin32Mainform::AddTargetRow(const TTargetRow& aRow) {
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = ListView_GetItemCount(lstTargets);
  item.pszText = const_cast<wchar_t*>(L"");
  item.iImage = aRow.Image;
  const int row = static_cast<int>(
      SendMessageW(lstTargets, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  SetCellText(lstTargets, row, tcOldTarget, aRow.OldTarget.Text);
  SetCellText(lstTargets, row, tcNewTarget, aRow.NewTarget.Text);
  fHints.push_back({aRow.Number.Hint, aRow.OldTarget.Hint, aRow.NewTarget.Hint, aRow.Rows.Hint});
}

void TWin32Mainform::SetTargetRowCount(int32_t aRow, const TTargetCell& aCount) {
  SetCellText(lstTargets, aRow, tcRows, aCount.Text);
  // A count wider than the column widens it rather than being cut, so it needs no tip.
  const std::u16string text(aCount.Text);
  const int needed = ListView_GetStringWidth(lstTargets, Wide(text)) + Scaled(CountPadding);
  if (needed > ListView_GetColumnWidth(lstTargets, tcRows)) {
    ListView_SetColumnWidth(lstTargets, tcRows, needed);
    ShareFreeWidth();
  }
}

void TWin32Mainform::ShowProjectList(bool aShown) {
  if (!aShown) {
    ListView_DeleteAllItems(lstProjects);
    fProjectHints.clear();
  }
  ShowWindow(lstProjects, aShown ? SW_SHOWNA : SW_HIDE);
  LayOut();
}

void TWin32Mainform::SetProjectRow(int32_t aRow, const TProjectRow& aProject) {
  if (aRow == ListView_GetItemCount(lstProjects)) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = aRow;
    item.pszText = const_cast<wchar_t*>(L"");
    SendMessageW(lstProjects, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    fProjectHints.emplace_back();
  }
  LVITEMW image{};
  image.mask = LVIF_IMAGE;
  image.iItem = aRow;
  image.iImage = aProject.Image;
  SendMessageW(lstProjects, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&image));
  for (int column = pcProject; column < pcCount; ++column)
    SetCellText(lstProjects, aRow, column, aProject.Cells[static_cast<size_t>(column)]);
  fProjectHints.at(static_cast<size_t>(aRow)) = aProject.Hint;
}

void TWin32Mainform::ShowSummary(const TSummary& aSummary) {
  fSummary = aSummary;
  // The buttons show once they are in their places, where nothing else is.
  for (const TSummaryButton& button : SummaryButtons())
    if (!button.Offered)
      ShowWindow(button.Button, SW_HIDE);
  LayOut();
  ShowWindow(lblSummary, aSummary.Lines.empty() ? SW_HIDE : SW_SHOWNA);
  for (const TSummaryButton& button : SummaryButtons())
    if (button.Offered)
      ShowWindow(button.Button, SW_SHOWNA);
}

void TWin32Mainform::ShowRowsWindow(TRowsWindow aWindow) {
  fRowsForm.reset();
  fRowsForm = std::make_unique<TWin32RowsForm>(
      fInstance, fWindow, std::move(aWindow),
      TRowsFormActions{[this] { fPresenter.SaveReportClicked(); },
                       [this](std::exception_ptr aError) { fPresenter.ReportException(aError); }});
}

void TWin32Mainform::ShowProgressBar(std::optional<int32_t> aPercent) {
  if (aPercent)
    SendMessageW(barProgress, PBM_SETPOS, static_cast<WPARAM>(*aPercent), 0);
  ShowWindow(barProgress, aPercent ? SW_SHOWNA : SW_HIDE);
}

void TWin32Mainform::SetCellText(HWND aList, int aRow, int aColumn, std::u16string_view aText) {
  const std::u16string text(aText);
  LVITEMW item{};
  item.iSubItem = aColumn;
  item.pszText = const_cast<wchar_t*>(Wide(text));
  SendMessageW(aList, LVM_SETITEMTEXTW, static_cast<WPARAM>(aRow), reinterpret_cast<LPARAM>(&item));
}

void TWin32Mainform::SetConvertEnabled(bool aEnabled) {
  // A disabled button must not keep the focus: it passes on as Tab would pass it.
  if (!aEnabled && GetFocus() == btnConvert)
    SendMessageW(fWindow, WM_NEXTDLGCTL, 0, FALSE);
  EnableWindow(btnConvert, aEnabled);
}

TMainControl TWin32Mainform::FocusedControl() const {
  const HWND focus = GetFocus();
  if (!focus || (focus != fWindow && !IsChild(fWindow, focus)))
    return TMainControl::mcNone;
  if (focus == btnConvert)
    return TMainControl::mcConvert;
  if (focus == btnHelp)
    return TMainControl::mcHelp;
  if (focus == lstTargets || IsChild(lstTargets, focus))
    return TMainControl::mcTargets;
  if (focus == memLog)
    return TMainControl::mcLog;
  return TMainControl::mcOther;
}

void TWin32Mainform::FocusConvert() {
  SendMessageW(fWindow, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(btnConvert), TRUE);
}

void TWin32Mainform::ProcessMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The loop that waits for it is the one outside the run.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (!DispatchesAsDialog(message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  UpdateWindow(fWindow);
}

void TWin32Mainform::RunLater(std::function<void()> aAction) {
  fLater.push_back(std::move(aAction));
  PostMessageW(fWindow, RunLaterMessage, 0, 0);
}

void TWin32Mainform::RunAfter(uint32_t aMilliseconds, std::function<void()> aAction) {
  fTimed.emplace(++fLastTimer, std::move(aAction));
  SetTimer(fWindow, fLastTimer, aMilliseconds, nullptr);
}

void TWin32Mainform::RunTimed(UINT_PTR aTimer) {
  const auto found = fTimed.find(aTimer);
  if (found == fTimed.end())
    return;
  KillTimer(fWindow, aTimer);
  const std::function<void()> action = std::move(found->second);
  fTimed.erase(found);
  action();
}

bool TWin32Mainform::TakeForwarded(const COPYDATASTRUCT& aData) {
  const std::vector<std::u16string> paths = ForwardedProjects(aData);
  if (paths.empty() || !fPresenter.GatherProjects(paths))
    return false;
  if (IsIconic(fWindow))
    ShowWindow(fWindow, SW_RESTORE);
  SetForegroundWindow(fWindow);
  return true;
}

// PostMessage may be called from any thread; the handle is set before a run can start and
// cleared only after the run's thread is gone.
void TWin32Mainform::PostRunEvents() {
  PostMessageW(fWindow, RunEventsMessage, 0, 0);
}

void TWin32Mainform::ShowConvertAsStop(bool aStop) {
  SetWindowTextW(btnConvert, Wide(WithAccelerator(aStop ? StopCaption : ConvertCaption)));
}

void TWin32Mainform::DropFiles(HDROP aDrop) {
  std::vector<std::u16string> paths;
  const UINT count = DragQueryFileW(aDrop, 0xFFFFFFFF, nullptr, 0);
  for (UINT index = 0; index < count; ++index) {
    std::u16string path(DragQueryFileW(aDrop, index, nullptr, 0), u'\0');
    DragQueryFileW(aDrop, index, reinterpret_cast<wchar_t*>(path.data()),
                   static_cast<UINT>(path.size() + 1));
    paths.push_back(std::move(path));
  }
  DragFinish(aDrop);
  fPresenter.FilesDropped(paths);
}

// A list view asks for one tip per row: it holds the hints of the row's cells, one a line.
void TWin32Mainform::ShowInfoTip(NMLVGETINFOTIPW& aTip) const {
  if (aTip.iItem < 0 || static_cast<size_t>(aTip.iItem) >= fHints.size() || aTip.cchTextMax <= 0)
    return;
  std::u16string tip;
  std::u16string_view last;
  for (const std::u16string& hint : fHints[static_cast<size_t>(aTip.iItem)]) {
    // The cells of a row that is not converted all say the same.
    if (hint.empty() || hint == last)
      continue;
    last = hint;
    if (!tip.empty())
      tip += u"\r\n";
    tip += hint;
  }
  tip.resize(std::min(tip.size(), static_cast<size_t>(aTip.cchTextMax - 1)));
  std::copy(tip.begin(), tip.end(), reinterpret_cast<char16_t*>(aTip.pszText));
  aTip.pszText[tip.size()] = L'\0';
}

// The list draws the focus around its focused row only, and has none until a row is clicked or
// a key moves it: the first row takes it, unselected, when the keyboard brings the focus.
void TWin32Mainform::MarkFocusedRow() const {
  if (ListView_GetItemCount(lstTargets) > 0 &&
      ListView_GetNextItem(lstTargets, -1, LVNI_FOCUSED) < 0)
    ListView_SetItemState(lstTargets, 0, LVIS_FOCUSED, LVIS_FOCUSED);
}

LRESULT TWin32Mainform::Notify(const NMHDR& aHeader) {
  if (aHeader.hwndFrom == lstProjects)
    return NotifyProjects(aHeader);
  if (aHeader.hwndFrom == lstTargets && aHeader.code == LVN_GETINFOTIPW) {
    ShowInfoTip(*reinterpret_cast<NMLVGETINFOTIPW*>(const_cast<NMHDR*>(&aHeader)));
    return 0;
  }
  if (aHeader.hwndFrom == lstTargets && aHeader.code == NM_SETFOCUS) {
    MarkFocusedRow();
    return 0;
  }
  if (aHeader.hwndFrom != ListView_GetHeader(lstTargets))
    return 0;
  const int column = reinterpret_cast<const NMHEADERW&>(aHeader).iItem;
  switch (aHeader.code) {
  case HDN_BEGINTRACKW:
  case HDN_DIVIDERDBLCLICKW:
    // "#" holds only the image: its width is fixed.
    return column == tcImage;
  case HDN_ENDTRACKW:
    // Once the drag has ended, the columns are shared again unless the presenter says not.
    fPresenter.ColumnSizedByUser(static_cast<TTargetColumn>(column));
    PostMessageW(fWindow, WM_SIZE, 0, 0);
    return 0;
  default:
    return 0;
  }
}

LRESULT TWin32Mainform::NotifyProjects(const NMHDR& aHeader) {
  if (aHeader.code == LVN_ITEMCHANGED) {
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(aHeader);
    if ((change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_SELECTED) &&
        !(change.uOldState & LVIS_SELECTED))
      fPresenter.ProjectSelected(change.iItem);
  } else if (aHeader.code == NM_CLICK) {
    // The row selected during the run is shown once clicked after it.
    fPresenter.ProjectSelected(reinterpret_cast<const NMITEMACTIVATE&>(aHeader).iItem);
  } else if (aHeader.code == LVN_GETINFOTIPW) {
    auto& tip = *reinterpret_cast<NMLVGETINFOTIPW*>(const_cast<NMHDR*>(&aHeader));
    if (tip.iItem >= 0 && static_cast<size_t>(tip.iItem) < fProjectHints.size() &&
        tip.cchTextMax > 0) {
      const std::u16string& hint = fProjectHints[static_cast<size_t>(tip.iItem)];
      const size_t length = std::min(hint.size(), static_cast<size_t>(tip.cchTextMax - 1));
      std::copy_n(hint.begin(), length, reinterpret_cast<char16_t*>(tip.pszText));
      tip.pszText[length] = L'\0';
    }
  }
  return 0;
}

LRESULT TWin32Mainform::HandleMessage(UINT aMessage, WPARAM aWParam, LPARAM aLParam) {
  switch (aMessage) {
  case WM_SIZE:
    LayOut();
    return 0;
  case WM_GETMINMAXINFO: {
    RECT frame = Bounds(0, 0, Scaled(MinimumWidth), Scaled(MinimumHeight));
    AdjustWindowRectExForDpi(&frame, WindowStyle, FALSE, WindowExStyle, fDpi);
    auto& limits = *reinterpret_cast<MINMAXINFO*>(aLParam);
    limits.ptMinTrackSize = {frame.right - frame.left, frame.bottom - frame.top};
    return 0;
  }
  case WM_DPICHANGED: {
    ApplyDpi(HIWORD(aWParam));
    const RECT& suggested = *reinterpret_cast<const RECT*>(aLParam);
    SetWindowPos(fWindow, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    LayOut();
    return 0;
  }
  case WM_CTLCOLORSTATIC:
    // The read-only log reads like a document, not like a disabled field; the summary takes the
    // colour of the page it lies on, which the themed page control paints like a document too.
    if (reinterpret_cast<HWND>(aLParam) == memLog ||
        reinterpret_cast<HWND>(aLParam) == lblSummary) {
      SetBkColor(reinterpret_cast<HDC>(aWParam), GetSysColor(COLOR_WINDOW));
      SetTextColor(reinterpret_cast<HDC>(aWParam), GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    break;
  case WM_COMMAND:
    if (HIWORD(aWParam) == BN_CLICKED && LOWORD(aWParam) == idConvert)
      fPresenter.ConvertClicked();
    else if (HIWORD(aWParam) == BN_CLICKED && LOWORD(aWParam) == idHelp)
      fPresenter.HelpClicked();
    else if (HIWORD(aWParam) == BN_CLICKED && LOWORD(aWParam) == idConvertFolder)
      fPresenter.ConvertFolderClicked();
    else if (HIWORD(aWParam) == BN_CLICKED && LOWORD(aWParam) == idShowRows)
      fPresenter.ShowDroppedRowsClicked();
    else if (HIWORD(aWParam) == BN_CLICKED && LOWORD(aWParam) == idSaveReport)
      fPresenter.SaveReportClicked();
    else if (HIWORD(aWParam) == BN_CLICKED && LOWORD(aWParam) == idSaveAs)
      fPresenter.SaveAsClicked();
    return 0;
  case WM_NOTIFY:
    return Notify(*reinterpret_cast<const NMHDR*>(aLParam));
  case WM_DROPFILES:
    DropFiles(reinterpret_cast<HDROP>(aWParam));
    return 0;
  case RunLaterMessage: {
    std::vector<std::function<void()>> actions;
    actions.swap(fLater);
    for (const std::function<void()>& action : actions)
      action();
    return 0;
  }
  case WM_TIMER:
    RunTimed(aWParam);
    return 0;
  case WM_COPYDATA:
    return TakeForwarded(*reinterpret_cast<const COPYDATASTRUCT*>(aLParam)) ? TRUE : FALSE;
  case RunEventsMessage:
    fPresenter.HandleRunEvents();
    return 0;
  case WM_CLOSE:
    if (fPresenter.CloseRequested())
      DestroyWindow(fWindow);
    return 0;
  case WM_DESTROY:
    if (fEndsProgram)
      PostQuitMessage(0);
    return 0;
  default:
    break;
  }
  return DefDlgProcW(fWindow, aMessage, aWParam, aLParam);
}

LRESULT CALLBACK TWin32Mainform::WindowProc(HWND aWindow, UINT aMessage, WPARAM aWParam,
                                            LPARAM aLParam) {
  if (aMessage == WM_NCCREATE) {
    auto* form =
        static_cast<TWin32Mainform*>(reinterpret_cast<CREATESTRUCTW*>(aLParam)->lpCreateParams);
    form->fWindow = aWindow;
    SetWindowLongPtrW(aWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<TWin32Mainform*>(GetWindowLongPtrW(aWindow, GWLP_USERDATA));
  if (aMessage == WM_NCDESTROY && form) {
    SetWindowLongPtrW(aWindow, GWLP_USERDATA, 0);
    form->fWindow = nullptr;
  }
  // Until its controls exist, the window is a plain dialog window.
  if (!form || !form->pgcMain || aMessage == WM_NCDESTROY)
    return DefDlgProcW(aWindow, aMessage, aWParam, aLParam);
  try {
    return form->HandleMessage(aMessage, aWParam, aLParam);
  } catch (...) {
    // Nothing may unwind into the system's code that called the window.
    form->fPresenter.ReportException(std::current_exception());
    return 0;
  }
}

int RunMessageLoop(HWND aWindow) {
  MSG message;
  while (IsWindow(aWindow)) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1)
      return got == 0 ? static_cast<int>(message.wParam) : 1;
    if (!DispatchesAsDialog(message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return 0;
}

std::vector<std::u16string> ArgumentsOfCommandLine(const wchar_t* aCommandLine) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(aCommandLine, &count);
  std::vector<std::u16string> result;
  for (int index = 0; arguments && index < count; ++index)
    result.push_back(FromWide(arguments[index]));
  LocalFree(arguments);
  return result;
}

} // namespace vui
