#include "Win32MainForm.h"

#include "Errors.h"
#include "Win32Resources.h"
#include "WindowsErrors.h"
#include "uWindowMetrics.h"

#include <shellapi.h>

namespace vui {

namespace {

const wchar_t* const WindowClassName = L"Vlp5ToVXPMainform";
const wchar_t* const Caption = L"Convert VLP (Vornalex 5 project) to VXP (new Vornalex project)";
constexpr UINT RunLaterMessage = WM_APP + 1;

enum TControlId : WORD { idConvert = 1001, idHelp, idPages, idTargets, idLog };

constexpr DWORD WindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD WindowExStyle = WS_EX_CONTROLPARENT;

struct TColumn {
  const wchar_t* Caption;
  int Format;
};
constexpr TColumn Columns[tcCount] = {{L"#", LVCFMT_LEFT},
                                      {L"Vornalex 5 Target", LVCFMT_LEFT},
                                      {L"Vornalex 7 Target", LVCFMT_LEFT},
                                      {L"Rows", LVCFMT_RIGHT}};

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

std::u16string WindowText(HWND aWindow) {
  std::u16string text(static_cast<size_t>(GetWindowTextLengthW(aWindow)), u'\0');
  GetWindowTextW(aWindow, reinterpret_cast<wchar_t*>(text.data()),
                 static_cast<int>(text.size() + 1));
  return text;
}

std::u16string ItemText(HWND aList, int aRow, int aColumn) {
  std::u16string text(1024, u'\0');
  for (;;) {
    LVITEMW item{};
    item.iSubItem = aColumn;
    item.pszText = reinterpret_cast<wchar_t*>(text.data());
    item.cchTextMax = static_cast<int>(text.size());
    const auto length = static_cast<size_t>(SendMessageW(
        aList, LVM_GETITEMTEXTW, static_cast<WPARAM>(aRow), reinterpret_cast<LPARAM>(&item)));
    if (length + 1 < text.size()) {
      text.resize(length);
      return text;
    }
    text.resize(text.size() * 2);
  }
}

bool DispatchesAsDialog(HWND aWindow, MSG& aMessage) {
  return aWindow && IsWindow(aWindow) && IsDialogMessageW(aWindow, &aMessage);
}

} // namespace

TWin32Mainform::TWin32Mainform(HINSTANCE aInstance, std::unique_ptr<TWin32Desktop> aDesktop)
    : fInstance(aInstance), fDesktop(std::move(aDesktop)) {
  RegisterWindowClass(aInstance, WindowProc);
  fWindow =
      CreateWindowExW(WindowExStyle, WindowClassName, Caption, WindowStyle, CW_USEDEFAULT,
                      CW_USEDEFAULT, ClientWidth, ClientHeight, nullptr, nullptr, aInstance, this);
  if (!fWindow)
    throw vbase::Exception(u"The window could not be created: " +
                           vbase::WindowsErrorText(GetLastError()));
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
  btnConvert = CreateChild(WC_BUTTONW, L"&Convert...", WS_TABSTOP | BS_PUSHBUTTON, 0, idConvert,
                           fWindow, fInstance);
  btnHelp = CreateChild(WC_BUTTONW, L"&Help...", WS_TABSTOP | BS_PUSHBUTTON, 0, idHelp, fWindow,
                        fInstance);
  lstTargets = CreateChild(WC_LISTVIEWW, L"",
                           WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT | LVS_SINGLESEL |
                               LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                           WS_EX_CLIENTEDGE, idTargets, fWindow, fInstance);
  ListView_SetExtendedListViewStyle(lstTargets, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT |
                                                    LVS_EX_INFOTIP | LVS_EX_DOUBLEBUFFER);
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
  pgcMain = CreateChild(WC_TABCONTROLW, L"", WS_CLIPSIBLINGS | TCS_HOTTRACK, 0, idPages, fWindow,
                        fInstance);
  TCITEMW page{};
  page.mask = TCIF_TEXT;
  page.pszText = const_cast<wchar_t*>(L"Log");
  SendMessageW(pgcMain, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&page));
}

void TWin32Mainform::SetUpTargetColumns() {
  for (int column = tcImage; column < tcCount; ++column) {
    LVCOLUMNW definition{};
    definition.mask = LVCF_TEXT | LVCF_FMT | LVCF_SUBITEM;
    definition.fmt = Columns[column].Format;
    definition.pszText = const_cast<wchar_t*>(Columns[column].Caption);
    definition.iSubItem = column;
    SendMessageW(lstTargets, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
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
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, fDpi);
  const HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  for (const HWND control : {btnConvert, btnHelp, pgcMain, lstTargets, memLog})
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  if (fFont)
    DeleteObject(fFont);
  fFont = font;
  LoadImages();
  ListView_SetColumnWidth(lstTargets, tcImage, Scaled(ImageColumnWidth));
  ListView_SetColumnWidth(lstTargets, tcRows, Scaled(RowsColumnWidth));
  if (fTargetColumnsSizedByUser)
    for (const int column : {tcOldTarget, tcNewTarget})
      ListView_SetColumnWidth(lstTargets, column,
                              MulDiv(ListView_GetColumnWidth(lstTargets, column),
                                     static_cast<int>(fDpi), static_cast<int>(previousDpi)));
}

void TWin32Mainform::LoadImages() {
  const int listSize = Scaled(TargetImageSize);
  const HIMAGELIST images = ImageList_Create(listSize, listSize, ILC_COLOR32 | ILC_MASK, 2, 0);
  for (const int icon : {IDI_CONVERTED_TARGET, IDI_UNCONVERTIBLE_TARGET}) {
    const HICON image = LoadIconOfSize(fInstance, icon, listSize);
    ImageList_AddIcon(images, image);
    DestroyIcon(image);
  }
  ListView_SetImageList(lstTargets, images, LVSIL_SMALL);
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
  const int logHeight = std::min<int>(Scaled(LogHeight), page.bottom - page.top);

  HDWP positions = BeginDeferWindowPos(5);
  Place(positions, btnConvert,
        Bounds(Scaled(ConvertButtonLeft), Scaled(ButtonTop), Scaled(ButtonWidth),
               Scaled(ButtonHeight)));
  Place(
      positions, btnHelp,
      Bounds(Scaled(HelpButtonLeft), Scaled(ButtonTop), Scaled(ButtonWidth), Scaled(ButtonHeight)));
  Place(positions, pgcMain, pages);
  Place(positions, lstTargets,
        {page.left, page.top, page.right, std::max<LONG>(page.bottom - logHeight, page.top)});
  Place(positions, memLog, {page.left, page.bottom - logHeight, page.right, page.bottom});
  EndDeferWindowPos(positions);
  ShareFreeWidth();
}

// The two target columns share what "#" and "Rows" leave of the list's width, as long as the
// user has not sized one of them.
void TWin32Mainform::ShareFreeWidth() {
  if (fTargetColumnsSizedByUser)
    return;
  RECT list{};
  GetClientRect(lstTargets, &list);
  const int free = list.right - ListView_GetColumnWidth(lstTargets, tcImage) -
                   ListView_GetColumnWidth(lstTargets, tcRows);
  const auto [oldWidth, newWidth] = SharedTargetWidths(free, Scaled(MinimumTargetColumnWidth));
  ListView_SetColumnWidth(lstTargets, tcOldTarget, oldWidth);
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

std::vector<std::u16string> TWin32Mainform::LastLogLines(size_t aCount) const {
  const std::u16string text = WindowText(memLog);
  std::vector<std::u16string> lines;
  size_t end = text.size();
  while (lines.size() < aCount && !text.empty()) {
    const size_t breakAt = end == 0 ? std::u16string::npos : text.rfind(u"\r\n", end - 1);
    const size_t start = breakAt == std::u16string::npos ? 0 : breakAt + 2;
    lines.insert(lines.begin(), text.substr(start, end - start));
    if (breakAt == std::u16string::npos)
      break;
    end = breakAt;
  }
  return lines;
}

void TWin32Mainform::ClearTargets() {
  ListView_DeleteAllItems(lstTargets);
  fImageNotes.clear();
}

void TWin32Mainform::AddTarget(int aImage, const std::u16string& aOldTarget,
                               const std::u16string& aNewTarget) {
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = TargetCount();
  item.pszText = const_cast<wchar_t*>(L"");
  item.iImage = aImage < 0 ? I_IMAGENONE : aImage;
  const int row = static_cast<int>(
      SendMessageW(lstTargets, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  SetTargetText(row, tcOldTarget, aOldTarget);
  SetTargetText(row, tcNewTarget, aNewTarget);
  fImageNotes.resize(static_cast<size_t>(TargetCount()));
}

void TWin32Mainform::SetTargetText(int aRow, TTargetColumn aColumn, const std::u16string& aText) {
  LVITEMW item{};
  item.iSubItem = aColumn;
  item.pszText = const_cast<wchar_t*>(Wide(aText));
  SendMessageW(lstTargets, LVM_SETITEMTEXTW, static_cast<WPARAM>(aRow),
               reinterpret_cast<LPARAM>(&item));
}

void TWin32Mainform::SetTargetImageNote(int aRow, const std::u16string& aNote) {
  if (aRow >= 0 && static_cast<size_t>(aRow) < fImageNotes.size())
    fImageNotes[static_cast<size_t>(aRow)] = aNote;
}

int TWin32Mainform::TargetCount() const {
  return ListView_GetItemCount(lstTargets);
}

void TWin32Mainform::SetConvertEnabled(bool aEnabled) {
  if (!aEnabled) {
    // A disabled button must not keep the focus: it passes to the next control.
    fFocusTakenBy = nullptr;
    if (GetFocus() == btnConvert) {
      SendMessageW(fWindow, WM_NEXTDLGCTL, 0, FALSE);
      fFocusTakenBy = GetFocus();
    }
    EnableWindow(btnConvert, FALSE);
    return;
  }
  EnableWindow(btnConvert, TRUE);
  // The next key press should convert again, unless the user has put the focus elsewhere.
  if (fFocusTakenBy && GetFocus() == fFocusTakenBy)
    SendMessageW(fWindow, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(btnConvert), TRUE);
  fFocusTakenBy = nullptr;
}

void TWin32Mainform::ProcessMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The loop that waits for it is the one outside the run.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (!DispatchesAsDialog(fWindow, message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  UpdateWindow(fWindow);
}

void TWin32Mainform::Later(std::function<void()> aAction) {
  fLater.push_back(std::move(aAction));
  PostMessageW(fWindow, RunLaterMessage, 0, 0);
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
  if (fEvents.FilesDropped)
    fEvents.FilesDropped(paths);
}

void TWin32Mainform::Command(WORD aControl) {
  if (aControl == idConvert && fEvents.ConvertClicked)
    fEvents.ConvertClicked();
  else if (aControl == idHelp && fEvents.HelpClicked)
    fEvents.HelpClicked();
}

// Nothing may unwind into the system's code that called the window.
void TWin32Mainform::Fail(std::exception_ptr aError) {
  if (!fEvents.Failed)
    std::rethrow_exception(aError);
  fEvents.Failed(aError);
}

void TWin32Mainform::ShowInfoTip(NMLVGETINFOTIPW& aTip) const {
  std::u16string tip;
  const auto row = static_cast<size_t>(aTip.iItem);
  if (row < fImageNotes.size())
    tip = fImageNotes[row];
  // The target columns are often too narrow for a whole path.
  for (const int column : {tcOldTarget, tcNewTarget}) {
    const std::u16string text = ItemText(lstTargets, aTip.iItem, column);
    if (text.empty())
      continue;
    if (!tip.empty())
      tip += u"\r\n";
    tip += FromWide(Columns[column].Caption);
    tip += u": ";
    tip += text;
  }
  if (aTip.cchTextMax <= 0)
    return;
  tip.resize(std::min(tip.size(), static_cast<size_t>(aTip.cchTextMax - 1)));
  std::copy(tip.begin(), tip.end(), reinterpret_cast<char16_t*>(aTip.pszText));
  aTip.pszText[tip.size()] = L'\0';
}

LRESULT TWin32Mainform::Notify(const NMHDR& aHeader) {
  if (aHeader.hwndFrom == lstTargets && aHeader.code == LVN_GETINFOTIPW) {
    ShowInfoTip(*reinterpret_cast<NMLVGETINFOTIPW*>(const_cast<NMHDR*>(&aHeader)));
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
    if (column == tcOldTarget || column == tcNewTarget)
      fTargetColumnsSizedByUser = true;
    else
      PostMessageW(fWindow, WM_SIZE, 0, 0);
    return 0;
  default:
    return 0;
  }
}

LRESULT TWin32Mainform::HandleMessage(UINT aMessage, WPARAM aWParam, LPARAM aLParam) {
  switch (aMessage) {
  case WM_SIZE:
    LayOut();
    return 0;
  case WM_GETMINMAXINFO: {
    RECT frame = Bounds(0, 0, Scaled(MinimumClientWidth), Scaled(MinimumClientHeight));
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
    // The read-only log reads like a document, not like a disabled field.
    if (reinterpret_cast<HWND>(aLParam) == memLog) {
      SetBkColor(reinterpret_cast<HDC>(aWParam), GetSysColor(COLOR_WINDOW));
      SetTextColor(reinterpret_cast<HDC>(aWParam), GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    break;
  case WM_COMMAND:
    if (HIWORD(aWParam) == BN_CLICKED)
      Command(LOWORD(aWParam));
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
  case WM_CLOSE:
    if (!fEvents.CloseRequested || fEvents.CloseRequested())
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
    form->Fail(std::current_exception());
    return 0;
  }
}

int RunMessageLoop(HWND aWindow) {
  MSG message;
  while (IsWindow(aWindow)) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1)
      return got == 0 ? static_cast<int>(message.wParam) : 1;
    if (!DispatchesAsDialog(aWindow, message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return 0;
}

std::optional<std::u16string> ProjectOfCommandLine(const wchar_t* aCommandLine) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(aCommandLine, &count);
  if (!arguments)
    return std::nullopt;
  std::optional<std::u16string> project;
  if (count >= 2) {
    const DWORD length = GetFullPathNameW(arguments[1], 0, nullptr, nullptr);
    std::u16string path(length, u'\0');
    const DWORD written =
        GetFullPathNameW(arguments[1], length, reinterpret_cast<wchar_t*>(path.data()), nullptr);
    path.resize(written);
    project = written ? path : FromWide(arguments[1]);
  }
  LocalFree(arguments);
  return project;
}

} // namespace vui
