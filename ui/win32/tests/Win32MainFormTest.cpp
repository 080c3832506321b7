// The real window under Wine, driven by the messages the system would send; only the dialogs,
// the browser and the boxes are stand-ins.
#include "Win32MainForm.h"

#include "FakeDesktop.h"
#include "ListViewCells.h"
#include "TestFiles.h"
#include "WaitForRun.h"
#include "Win32Desktop.h"
#include "Win32Resources.h"
#include "vpresenter/uMainLayout.h"

#include <array>
#include <commctrl.h>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

using namespace vui;

// Found beside RECT, which lives in the global namespace.
bool operator==(const RECT& aA, const RECT& aB) {
  return EqualRect(&aA, &aB);
}

std::ostream& operator<<(std::ostream& aOut, const RECT& aRect) {
  return aOut << "(" << aRect.left << "," << aRect.top << ")-(" << aRect.right << ","
              << aRect.bottom << ")";
}

namespace {

std::u16string TextOf(HWND aWindow) {
  std::u16string text(static_cast<size_t>(GetWindowTextLengthW(aWindow)), u'\0');
  GetWindowTextW(aWindow, reinterpret_cast<wchar_t*>(text.data()),
                 static_cast<int>(text.size() + 1));
  return text;
}

// Where a control sits in its parent's client area.
RECT BoundsInParent(HWND aControl) {
  RECT bounds{};
  GetWindowRect(aControl, &bounds);
  MapWindowPoints(nullptr, GetParent(aControl), reinterpret_cast<POINT*>(&bounds), 2);
  return bounds;
}

RECT Rect(int aLeft, int aTop, int aWidth, int aHeight) {
  return {aLeft, aTop, aLeft + aWidth, aTop + aHeight};
}

// Whether a control is shown in its window, shown or not itself.
bool IsShown(HWND aControl) {
  return GetWindowLongW(aControl, GWL_STYLE) & WS_VISIBLE;
}

SIZE ClientSize(HWND aWindow) {
  RECT client{};
  GetClientRect(aWindow, &client);
  return {client.right, client.bottom};
}

int CellImage(HWND aList, int aRow) {
  LVITEMW item{};
  item.mask = LVIF_IMAGE;
  item.iItem = aRow;
  SendMessageW(aList, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return item.iImage;
}

struct TColumnInfo {
  std::u16string Caption;
  int Format;
  int Width;
};

TColumnInfo Column(HWND aList, int aColumn) {
  wchar_t caption[64] = {};
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
  column.pszText = caption;
  column.cchTextMax = 64;
  SendMessageW(aList, LVM_GETCOLUMNW, static_cast<WPARAM>(aColumn),
               reinterpret_cast<LPARAM>(&column));
  return {FromWide(caption), column.fmt & LVCFMT_JUSTIFYMASK, column.cx};
}

// Whether an image of the list has an opaque pixel that aMatch accepts (red, green, blue).
bool HasPixel(HIMAGELIST aImages, int aImage, bool (*aMatch)(int, int, int)) {
  IMAGEINFO info{};
  ImageList_GetImageInfo(aImages, aImage, &info);
  // The image list keeps its images side by side in one bitmap.
  BITMAP bitmap{};
  GetObjectW(info.hbmImage, sizeof bitmap, &bitmap);
  BITMAPINFO format{};
  format.bmiHeader = {
      sizeof(BITMAPINFOHEADER), bitmap.bmWidth, -bitmap.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<RGBQUAD> pixels(static_cast<size_t>(bitmap.bmWidth * bitmap.bmHeight));
  const HDC screen = GetDC(nullptr);
  GetDIBits(screen, info.hbmImage, 0, static_cast<UINT>(bitmap.bmHeight), pixels.data(), &format,
            DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  for (int y = info.rcImage.top; y < info.rcImage.bottom; ++y)
    for (int x = info.rcImage.left; x < info.rcImage.right; ++x) {
      const RGBQUAD pixel = pixels[static_cast<size_t>(y * bitmap.bmWidth + x)];
      if (pixel.rgbReserved > 128 && aMatch(pixel.rgbRed, pixel.rgbGreen, pixel.rgbBlue))
        return true;
    }
  return false;
}

// What Explorer hands over when files are dropped on the window.
HDROP DropOf(const std::vector<std::u16string>& aPaths) {
  size_t units = 1;
  for (const std::u16string& path : aPaths)
    units += path.size() + 1;
  const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + units * sizeof(wchar_t));
  auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
  files->pFiles = sizeof(DROPFILES);
  files->fWide = TRUE;
  auto* names = reinterpret_cast<char16_t*>(files + 1);
  for (const std::u16string& path : aPaths) {
    std::copy(path.begin(), path.end(), names);
    names += path.size() + 1;
  }
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

class TWin32MainFormTest : public testing::Test {
protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES |
                                                                          ICC_LISTVIEW_CLASSES |
                                                                          ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    fForm = std::make_unique<TWin32Mainform>(GetModuleHandleW(nullptr));
    auto desktop = std::make_unique<TFakeDesktop>();
    fDesktop = desktop.get();
    fForm->SetDesktop(std::move(desktop));
  }

  void TearDown() override {
    fForm.reset();
    CoUninitialize();
  }

  HWND Window() const { return fForm->Handle(); }

  // A fixture of the window's tests copied into the test's folder.
  std::u16string Fixture(const char* aName) {
    const std::filesystem::path copy = fFolder.Path() / aName;
    std::filesystem::copy_file(std::filesystem::path(VLP_UI_TEST_DATA) / aName, copy,
                               std::filesystem::copy_options::overwrite_existing);
    return copy.u16string();
  }

  void WaitForRun() { vui::WaitForRun(*fForm); }

  void RunWorkedProject() {
    fDesktop->OpenAnswer = Fixture("worked.vlp");
    fDesktop->SaveAnswer = (fFolder.Path() / "out.vxp").u16string();
    SendMessageW(fForm->btnConvert, BM_CLICK, 0, 0);
    WaitForRun();
  }

  std::unique_ptr<TWin32Mainform> fForm;
  TFakeDesktop* fDesktop = nullptr;
  TTempFolder fFolder;
};

TEST_F(TWin32MainFormTest, WindowHasItsCaptionSizeAndControls) {
  ASSERT_EQ(fForm->Dpi(), 96u) << "the expectations are for a screen of 96 DPI";
  EXPECT_EQ(TextOf(Window()), u"Convert VLP (Vornalex 5 project) to VXP (new Vornalex project)");
  EXPECT_EQ(ClientSize(Window()).cx, 854);
  EXPECT_EQ(ClientSize(Window()).cy, 562);
  EXPECT_TRUE(GetWindowLongW(Window(), GWL_STYLE) & WS_THICKFRAME);

  // The underlined letters are the accelerators; on screen the captions read as designed.
  EXPECT_EQ(TextOf(fForm->btnConvert), u"&Convert...");
  EXPECT_EQ(BoundsInParent(fForm->btnConvert), Rect(8, 8, 129, 49));
  EXPECT_NE(SendMessageW(fForm->btnConvert, BM_GETIMAGE, IMAGE_ICON, 0), 0);
  EXPECT_EQ(TextOf(fForm->btnHelp), u"&Help...");
  EXPECT_EQ(BoundsInParent(fForm->btnHelp), Rect(144, 8, 129, 49));
  EXPECT_EQ(SendMessageW(fForm->btnHelp, BM_GETIMAGE, IMAGE_ICON, 0), 0);

  EXPECT_EQ(BoundsInParent(fForm->pgcMain), Rect(0, 73, 854, 489));
  EXPECT_EQ(SendMessageW(fForm->pgcMain, TCM_GETITEMCOUNT, 0, 0), 1);
  wchar_t page[16] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = page;
  item.cchTextMax = 16;
  SendMessageW(fForm->pgcMain, TCM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(FromWide(page), u"Log");

  const LONG logStyle = GetWindowLongW(fForm->memLog, GWL_STYLE);
  for (const LONG style : {ES_MULTILINE, ES_READONLY, WS_VSCROLL, ES_AUTOHSCROLL})
    EXPECT_TRUE(logStyle & style) << std::hex << style;
  EXPECT_FALSE(logStyle & WS_HSCROLL);
  EXPECT_EQ(BoundsInParent(fForm->memLog).bottom - BoundsInParent(fForm->memLog).top, 95);
  EXPECT_EQ(BoundsInParent(fForm->lstTargets).bottom, BoundsInParent(fForm->memLog).top);

  // Tab goes from button to button, to the list, to the log and round again.
  const HWND order[] = {fForm->btnConvert, fForm->btnHelp, fForm->lstTargets, fForm->memLog,
                        fForm->btnConvert};
  for (size_t step = 0; step + 1 < std::size(order); ++step)
    EXPECT_EQ(GetNextDlgTabItem(Window(), order[step], FALSE), order[step + 1]) << step;
}

TEST_F(TWin32MainFormTest, TargetListHasItsColumnsAndImages) {
  const HWND list = fForm->lstTargets;
  EXPECT_TRUE(GetWindowLongW(list, GWL_STYLE) & LVS_REPORT);
  EXPECT_TRUE(ListView_GetExtendedListViewStyle(list) & LVS_EX_GRIDLINES);
  const TColumnInfo expected[] = {{u"#", LVCFMT_LEFT, 32},
                                  {u"Vornalex 5 Target", LVCFMT_LEFT, -1},
                                  {u"Vornalex 7 Target", LVCFMT_LEFT, -1},
                                  {u"Rows", LVCFMT_RIGHT, 50}};
  int total = 0;
  for (int column = 0; column < 4; ++column) {
    const TColumnInfo shown = Column(list, column);
    EXPECT_EQ(shown.Caption, expected[column].Caption);
    EXPECT_EQ(shown.Format, expected[column].Format) << column;
    if (expected[column].Width > 0) {
      EXPECT_EQ(shown.Width, expected[column].Width) << column;
    }
    total += shown.Width;
  }
  EXPECT_LE(std::abs(Column(list, 1).Width - Column(list, 2).Width), 1);
  EXPECT_EQ(total, ClientSize(list).cx);

  int width = 0, height = 0;
  ImageList_GetIconSize(fForm->ImageList1, &width, &height);
  EXPECT_EQ(width, 16);
  EXPECT_EQ(height, 16);
  EXPECT_EQ(ImageList_GetImageCount(fForm->ImageList1), 2);
  EXPECT_EQ(ListView_GetImageList(list, LVSIL_SMALL), fForm->ImageList1);
  EXPECT_TRUE(HasPixel(fForm->ImageList1, 0,
                       [](int r, int g, int b) { return g > 120 && r < 100 && b < 100; }));
  EXPECT_TRUE(HasPixel(fForm->ImageList1, 1,
                       [](int r, int g, int b) { return r > 150 && g < 80 && b < 80; }));
}

TEST_F(TWin32MainFormTest, ControlsFollowTheWindowSize) {
  const RECT list = BoundsInParent(fForm->lstTargets);
  RECT frame{};
  GetWindowRect(Window(), &frame);
  SetWindowPos(Window(), nullptr, 0, 0, frame.right - frame.left + 146,
               frame.bottom - frame.top + 138, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(ClientSize(Window()).cx, 1000);
  EXPECT_EQ(BoundsInParent(fForm->pgcMain), Rect(0, 73, 1000, 627));
  const RECT log = BoundsInParent(fForm->memLog);
  EXPECT_EQ(log.bottom - log.top, 95);
  const RECT grown = BoundsInParent(fForm->lstTargets);
  EXPECT_EQ(grown.bottom - grown.top, list.bottom - list.top + 138);
  EXPECT_EQ(grown.right - grown.left, list.right - list.left + 146);
}

TEST_F(TWin32MainFormTest, MinimumSizeKeepsBothButtonsAndReadableColumns) {
  SetWindowPos(Window(), nullptr, 0, 0, 127, 268, SWP_NOMOVE | SWP_NOZORDER);
  MINMAXINFO limits{};
  SendMessageW(Window(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  SetWindowPos(Window(), nullptr, 0, 0, limits.ptMinTrackSize.x, limits.ptMinTrackSize.y,
               SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(ClientSize(Window()).cx, MinimumWidth);
  EXPECT_EQ(ClientSize(Window()).cy, MinimumHeight);
  EXPECT_LE(BoundsInParent(fForm->btnHelp).right, MinimumWidth);
  for (const int column : {1, 2})
    EXPECT_GE(Column(fForm->lstTargets, column).Width, MinimumTargetColumnWidth) << column;
}

TEST_F(TWin32MainFormTest, EverythingScalesWhenTheWindowMovesToAnotherDpi) {
  RECT suggested{100, 100, 100 + 1300, 100 + 900};
  SendMessageW(Window(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(fForm->Dpi(), 144u);
  EXPECT_EQ(BoundsInParent(fForm->btnConvert), Rect(12, 12, 194, 74));
  EXPECT_EQ(BoundsInParent(fForm->btnHelp), Rect(216, 12, 194, 74));
  EXPECT_EQ(BoundsInParent(fForm->pgcMain).top, 110);
  const RECT log = BoundsInParent(fForm->memLog);
  EXPECT_EQ(log.bottom - log.top, 143);
  EXPECT_EQ(Column(fForm->lstTargets, 0).Width, 48);
  EXPECT_EQ(Column(fForm->lstTargets, 3).Width, 75);
  int width = 0, height = 0;
  ImageList_GetIconSize(fForm->ImageList1, &width, &height);
  EXPECT_EQ(width, 24);
  MINMAXINFO limits{};
  SendMessageW(Window(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_GE(limits.ptMinTrackSize.x, 630);
}

// Once the user drags a target column's edge, the window's size leaves the columns as they are.
TEST_F(TWin32MainFormTest, ATargetColumnSizedByTheUserKeepsItsWidth) {
  ListView_SetColumnWidth(fForm->lstTargets, 1, 600);
  NMHEADERW tracked{};
  tracked.hdr = {ListView_GetHeader(fForm->lstTargets), 0, HDN_ENDTRACKW};
  tracked.iItem = 1;
  SendMessageW(Window(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tracked));
  SetWindowPos(Window(), nullptr, 0, 0, 1100, 800, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(Column(fForm->lstTargets, 1).Width, 600);

  // "#" holds only the image and cannot be dragged.
  NMHEADERW begin{};
  begin.hdr = {ListView_GetHeader(fForm->lstTargets), 0, HDN_BEGINTRACKW};
  begin.iItem = 0;
  EXPECT_EQ(SendMessageW(Window(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&begin)), TRUE);
  begin.iItem = 2;
  EXPECT_EQ(SendMessageW(Window(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&begin)), FALSE);
}

TEST_F(TWin32MainFormTest, TargetRowsShowTheirImagesTextsAndTips) {
  fForm->AddTargetRow({tiConverted,
                       {},
                       {u"R;C:\\app\\src", u"R;C:\\app\\src"},
                       {u".\\VnxVirtualTarget[1]", u".\\VnxVirtualTarget[1]"},
                       {}});
  fForm->SetTargetRowCount(0, {u"1", u"1"});
  // Every cell of a row that is not converted says why; the row's tip says it once.
  const TTargetCell why{u"", u"Not converted."};
  fForm->AddTargetRow({tiNotConverted, why, {u"C:\\app\\App.res", why.Hint}, why, why});
  const HWND list = fForm->lstTargets;
  ASSERT_EQ(ListView_GetItemCount(list), 2);
  EXPECT_EQ(CellImage(list, 0), 0);
  EXPECT_EQ(CellImage(list, 1), 1);
  const std::u16string expected[2][4] = {{u"", u"R;C:\\app\\src", u".\\VnxVirtualTarget[1]", u"1"},
                                         {u"", u"C:\\app\\App.res", u"", u""}};
  for (int row = 0; row < 2; ++row)
    for (int column = 0; column < 4; ++column)
      EXPECT_EQ(CellText(list, row, column), expected[row][column]) << row << "," << column;

  const auto tip = [&](int aRow) {
    wchar_t text[INFOTIPSIZE] = {};
    NMLVGETINFOTIPW request{};
    request.hdr = {list, 0, LVN_GETINFOTIPW};
    request.pszText = text;
    request.cchTextMax = INFOTIPSIZE;
    request.iItem = aRow;
    SendMessageW(Window(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&request));
    return FromWide(text);
  };
  EXPECT_EQ(tip(0), u"R;C:\\app\\src\r\n.\\VnxVirtualTarget[1]");
  EXPECT_EQ(tip(1), u"Not converted.");

  fForm->ClearTargets();
  EXPECT_EQ(ListView_GetItemCount(list), 0);
  EXPECT_EQ(tip(0), u"");
}

TEST_F(TWin32MainFormTest, LogKeepsOneLinePerEntry) {
  for (const char16_t* line :
       {u"Opening old project...", u"\tDictionary name: Main", u"", u"Total processing time: 3ms"})
    fForm->AddLogLine(line);
  EXPECT_EQ(TextOf(fForm->memLog),
            u"Opening old project...\r\n\tDictionary name: Main\r\n\r\nTotal processing time: 3ms");
  fForm->ClearLog();
  EXPECT_EQ(TextOf(fForm->memLog), u"");
}

TEST_F(TWin32MainFormTest, ConvertRunsTheWholeConversion) {
  RunWorkedProject();
  EXPECT_TRUE(fDesktop->Errors.empty());
  const HWND list = fForm->lstTargets;
  ASSERT_EQ(ListView_GetItemCount(list), 3);
  const std::u16string expected[3][3] = {{u"C:\\app\\App.dpr", u"C:\\app\\App.dpr", u"2"},
                                         {u"R;C:\\app\\src", u".\\VnxVirtualTarget[1]", u"1"},
                                         {u"C:\\app\\App.res", u"", u""}};
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(CellImage(list, row), row < 2 ? 0 : 1) << row;
    for (int column = 1; column < 4; ++column)
      EXPECT_EQ(CellText(list, row, column), expected[row][column - 1]) << row << "," << column;
  }
  const std::u16string log = TextOf(fForm->memLog);
  EXPECT_EQ(log.rfind(u"Opening old project...\r\nReading dictionary info\r\n", 0), 0u);
  EXPECT_NE(log.find(u"\r\nTotal processing time: "), std::u16string::npos);
  EXPECT_EQ(fDesktop->Proposals,
            std::vector<std::u16string>{*fDesktop->OpenAnswer + u"_converted.vxp"});
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(*fDesktop->SaveAnswer)));
  EXPECT_TRUE(IsWindowEnabled(fForm->btnConvert));

  // The summary sits between the list and the log.
  EXPECT_TRUE(IsShown(fForm->lblSummary));
  EXPECT_EQ(TextOf(fForm->lblSummary),
            u"The new project was saved to \"" + *fDesktop->SaveAnswer +
                u"\".\r\nTargets converted: 2 of 3. Rows carried over: 3.\r\n"
                u"verified: 3 rows, 2 targets, 2 excludes, 2 languages");
  EXPECT_FALSE(IsShown(fForm->btnShowRows));
  EXPECT_FALSE(IsShown(fForm->barProgress));
  EXPECT_LT(BoundsInParent(fForm->lstTargets).bottom, BoundsInParent(fForm->lblSummary).top);
  EXPECT_LT(BoundsInParent(fForm->lblSummary).bottom, BoundsInParent(fForm->memLog).top);
}

// A cancelled save keeps the converted project; "Save as..." beside the summary's text saves it.
TEST_F(TWin32MainFormTest, SaveAsSavesTheProjectOfACancelledSave) {
  fDesktop->OpenAnswer = Fixture("worked.vlp");
  SendMessageW(fForm->btnConvert, BM_CLICK, 0, 0);
  WaitForRun();
  ASSERT_TRUE(IsShown(fForm->btnSaveAs));
  EXPECT_EQ(TextOf(fForm->btnSaveAs), u"&Save as...");
  EXPECT_LT(BoundsInParent(fForm->lblSummary).right, BoundsInParent(fForm->btnSaveAs).left);
  EXPECT_LT(BoundsInParent(fForm->btnSaveAs).right, BoundsInParent(fForm->btnSaveReport).left);

  fDesktop->SaveAnswer = (fFolder.Path() / "later.vxp").u16string();
  SendMessageW(fForm->btnSaveAs, BM_CLICK, 0, 0);
  WaitForRun();
  EXPECT_TRUE(std::filesystem::exists(fFolder.Path() / "later.vxp"));
  EXPECT_EQ(TextOf(fForm->lblSummary).rfind(u"The new project was saved to \"", 0), 0u);
  EXPECT_FALSE(IsShown(fForm->btnSaveAs));
  EXPECT_EQ(fDesktop->OpenCalls, 1);
  EXPECT_TRUE(fDesktop->Errors.empty());
}

TEST_F(TWin32MainFormTest, TheSummaryListsTheRowsNotCarriedOver) {
  const std::filesystem::path demo = fFolder.Path() / "demo.vlp";
  std::filesystem::copy_file(std::filesystem::path(VLP_SOURCE_DIR) / "examples" / "demo.vlp", demo);
  fDesktop->OpenAnswer = demo.u16string();
  fDesktop->SaveAnswer = (fFolder.Path() / "demo.vxp").u16string();
  SendMessageW(fForm->btnConvert, BM_CLICK, 0, 0);
  WaitForRun();
  ASSERT_TRUE(fDesktop->Errors.empty());
  EXPECT_NE(TextOf(fForm->lblSummary)
                .find(u"\r\n2 rows without a converted target were not carried over\r\nverified: "),
            std::u16string::npos);
  ASSERT_TRUE(IsShown(fForm->btnShowRows));
  SendMessageW(fForm->btnShowRows, BM_CLICK, 0, 0);
  ASSERT_TRUE(fForm->RowsForm());
  EXPECT_EQ(TextOf(fForm->RowsForm()->RowsLabel),
            u"2 rows without a converted target were not carried over");
  EXPECT_EQ(ListView_GetItemCount(fForm->RowsForm()->RowsList), 2);
  SendMessageW(fForm->RowsForm()->Handle(), WM_CLOSE, 0, 0);

  ASSERT_TRUE(IsShown(fForm->btnSaveReport));
  EXPECT_LT(BoundsInParent(fForm->btnShowRows).right, BoundsInParent(fForm->btnSaveReport).left);
  fDesktop->ReportAnswer = (fFolder.Path() / "demo.html").u16string();
  SendMessageW(fForm->btnSaveReport, BM_CLICK, 0, 0);
  EXPECT_EQ(fDesktop->ReportProposals,
            std::vector<std::u16string>{demo.u16string() + u".report.html"});
  ASSERT_TRUE(fDesktop->Errors.empty());
  const std::string text = ReadFileBytes(fFolder.Path() / "demo.html");
  EXPECT_EQ(text.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_NE(text.find("demo.vlp"), std::string::npos);
}

TEST_F(TWin32MainFormTest, TheRowsColumnWidensForALargeCount) {
  fForm->AddTargetRow({tiConverted, {}, {u"a", u"a"}, {u"a", u"a"}, {}});
  fForm->SetTargetRowCount(0, {u"1200000", u"1200000"});
  const HWND list = fForm->lstTargets;
  EXPECT_EQ(CellText(list, 0, 3), u"1200000");
  EXPECT_GT(Column(list, 3).Width, ListView_GetStringWidth(list, L"1200000"));
}

TEST_F(TWin32MainFormTest, AFailingProjectIsReportedAndTheWindowStaysUsable) {
  fDesktop->OpenAnswer = Fixture("unclosed.vlp");
  SendMessageW(fForm->btnConvert, BM_CLICK, 0, 0);
  WaitForRun();
  ASSERT_EQ(fDesktop->Errors.size(), 1u);
  // The file and the place first, then the reader's message.
  const std::u16string message = ErrorBoxText(fDesktop->Errors[0]);
  EXPECT_EQ(message.rfind(u"The project \"unclosed.vlp\" could not be read: line ", 0), 0u);
  EXPECT_TRUE(message.ends_with(u".\n\nMissing close tag in element VORNALEXPROJECT"));
  EXPECT_EQ(TextOf(fForm->lblSummary), u"The conversion failed; the new project was not saved.");
  EXPECT_EQ(ErrorDetails(fDesktop->Errors[0]),
            u"Exception class: EFilerError\n\nLast log lines:\nOpening old project...");
  EXPECT_TRUE(IsWindowEnabled(fForm->btnConvert));
  RunWorkedProject();
  EXPECT_EQ(fDesktop->Errors.size(), 1u);
  EXPECT_EQ(ListView_GetItemCount(fForm->lstTargets), 3);
}

TEST_F(TWin32MainFormTest, ButtonsAndKeysReachThePresenter) {
  SendMessageW(fForm->btnHelp, BM_CLICK, 0, 0);
  EXPECT_EQ(fDesktop->Opened,
            std::vector<std::u16string>{
                u"https://www.vornalex.com/system/jumper.php?page=en.app.vlp5tovxp"});
  fDesktop->BrowserStarts = false;
  SendMessageW(fForm->btnHelp, BM_CLICK, 0, 0);
  ASSERT_EQ(fDesktop->Notices.size(), 1u);
  EXPECT_NE(fDesktop->Notices[0].find(fDesktop->Opened[0]), std::u16string::npos);

  fForm->Show(SW_SHOW);
  SetForegroundWindow(Window());
  // Enter on the focused button, and Alt with the underlined letter.
  SendMessageW(Window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(fForm->btnHelp), TRUE);
  ASSERT_EQ(GetFocus(), fForm->btnHelp);
  MSG enter{fForm->btnHelp, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  EXPECT_TRUE(IsDialogMessageW(Window(), &enter));
  EXPECT_EQ(fDesktop->Opened.size(), 3u);
  MSG altC{fForm->btnHelp, WM_SYSCHAR, L'c', 1 << 29, 0, {}};
  EXPECT_TRUE(IsDialogMessageW(Window(), &altC));
  EXPECT_EQ(fDesktop->OpenCalls, 1);
}

// The keyboard's focus in the list is on a row, which the list frames, before any is selected.
TEST_F(TWin32MainFormTest, TheFocusInTheListIsOnARow) {
  RunWorkedProject();
  fForm->Show(SW_SHOW);
  SetForegroundWindow(Window());
  SendMessageW(Window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(fForm->lstTargets), TRUE);
  ASSERT_EQ(GetFocus(), fForm->lstTargets);
  EXPECT_EQ(ListView_GetNextItem(fForm->lstTargets, -1, LVNI_FOCUSED), 0);
  EXPECT_EQ(ListView_GetSelectedCount(fForm->lstTargets), 0u);
}

// During a run "Convert..." reads "Stop" and keeps the focus; a stop disables it until the run
// has ended, and then the focus comes back to it.
TEST_F(TWin32MainFormTest, ConvertReadsStopDuringARunAndGetsTheFocusBack) {
  fForm->Show(SW_SHOW);
  SetForegroundWindow(Window());
  SendMessageW(Window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(fForm->btnConvert), TRUE);
  std::u16string captionDuringRun;
  bool enabledDuringRun = false;
  HWND focusDuringRun = nullptr;
  fDesktop->WhileSaving = [&] {
    captionDuringRun = TextOf(fForm->btnConvert);
    enabledDuringRun = IsWindowEnabled(fForm->btnConvert);
    focusDuringRun = GetFocus();
  };
  RunWorkedProject();
  EXPECT_EQ(captionDuringRun, u"&Stop");
  EXPECT_TRUE(enabledDuringRun);
  EXPECT_EQ(focusDuringRun, fForm->btnConvert);
  EXPECT_EQ(TextOf(fForm->btnConvert), u"&Convert...");
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(*fDesktop->SaveAnswer)));

  // Stop, pressed while the save dialog is open, saves nothing and gives the focus back.
  std::filesystem::remove(std::filesystem::path(*fDesktop->SaveAnswer));
  fDesktop->WhileSaving = [&] {
    SendMessageW(fForm->btnConvert, BM_CLICK, 0, 0);
    enabledDuringRun = IsWindowEnabled(fForm->btnConvert);
  };
  SendMessageW(fForm->btnConvert, BM_CLICK, 0, 0);
  WaitForRun();
  EXPECT_FALSE(enabledDuringRun);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(*fDesktop->SaveAnswer)));
  EXPECT_EQ(TextOf(fForm->lblSummary), u"The run was stopped; the new project was not saved.");
  EXPECT_TRUE(IsWindowEnabled(fForm->btnConvert));
  EXPECT_EQ(GetFocus(), fForm->btnConvert);
  EXPECT_TRUE(fDesktop->Errors.empty());
}

TEST_F(TWin32MainFormTest, ADroppedProjectWithAUnicodeNameIsConverted) {
  EXPECT_TRUE(GetWindowLongW(Window(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  const std::u16string project = fFolder.Path().u16string() + u"\\Übersetzung €.vlp";
  std::filesystem::copy_file(std::filesystem::path(Fixture("worked.vlp")),
                             std::filesystem::path(project));
  fDesktop->SaveAnswer = fFolder.Path().u16string() + u"\\out.vxp";
  SendMessageW(Window(), WM_DROPFILES,
               reinterpret_cast<WPARAM>(DropOf({u"C:\\notes.txt", project})), 0);
  // The run starts once the drop has ended.
  EXPECT_TRUE(fDesktop->Proposals.empty());
  fForm->ProcessMessages();
  WaitForRun();
  EXPECT_EQ(fDesktop->Proposals, std::vector<std::u16string>{project + u"_converted.vxp"});
  EXPECT_EQ(fDesktop->OpenCalls, 0);
}

// A close during the run stops it: nothing is saved, and the window closes once it has ended.
TEST_F(TWin32MainFormTest, ACloseDuringARunStopsItAndClosesTheWindow) {
  fDesktop->WhileSaving = [&] { SendMessageW(Window(), WM_CLOSE, 0, 0); };
  const HWND window = Window();
  RunWorkedProject();
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(*fDesktop->SaveAnswer)));
  EXPECT_TRUE(fDesktop->Errors.empty());
  fForm->ProcessMessages();
  EXPECT_FALSE(IsWindow(window));
}

// An old project of aRows rows in one target: large enough that saving and checking it take
// many turns of the message loop.
std::string SizeableProject(int aRows) {
  std::string rows;
  for (int row = 0; row < aRows; ++row) {
    const std::string number = std::to_string(row);
    rows += "<ROW><NATIVE>Open the file number " + number +
            " now</NATIVE><TRANSLATION language=\"de\"><VALUE>Datei " + number +
            " jetzt \xC3\xB6"
            "ffnen</VALUE></TRANSLATION><LOCATION><TYPE>STRING</TYPE><UNIT>Main"
            "</UNIT><ITEM>S" +
            number + "</ITEM><TARGET>app.exe</TARGET></LOCATION></ROW>\r\n";
  }
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<VORNALEXPROJECT><TARGETS><CPP_BINARY>"
         "<FILENAME>app.exe</FILENAME></CPP_BINARY></TARGETS><DATA><LANGUAGES><LANGUAGE "
         "language=\"de\"/></LANGUAGES><ROWS>\r\n" +
         rows + "</ROWS></DATA></VORNALEXPROJECT>\r\n";
}

// The stage a turn of the loop sees by the bar, strictly inside the stage's share.
enum TSeenStage { ssOther, ssSaving, ssChecking };

// The run goes on its own thread: while a sizeable project is checked, the window's thread comes
// back to its loop again and again (a timer runs, the test looks at the window) and a resize is
// laid out; a stop there leaves no file. Under Wine the save of this project passes in a few turns
// only, so the test looks at the check, which reads both files.
TEST_F(TWin32MainFormTest, TheWindowAnswersWhileItSavesAndChecksAndAStopLeavesNoFile) {
  fForm->Show(SW_SHOW);
  const std::filesystem::path input = fFolder.Path() / "sizeable.vlp";
  WriteFileBytes(input, SizeableProject(100000));
  fDesktop->OpenAnswer = input.u16string();
  fDesktop->SaveAnswer = (fFolder.Path() / "sizeable.vxp").u16string();
  const struct {
    const char* Name;
    TSeenStage StopIn;
  } cases[] = {{"no stop", ssOther}, {"a stop while checking", ssChecking}};
  for (const auto& test : cases) {
    SCOPED_TRACE(test.Name);
    int checkingTurns = 0, timerTurns = 0;
    bool resized = false, laidOutWhileChecking = false, stopped = false;
    RECT before{};
    GetClientRect(fForm->barProgress, &before);
    const auto lookAtTheWindow = [&] {
      const int percent = IsWindowVisible(fForm->barProgress)
                              ? static_cast<int>(SendMessageW(fForm->barProgress, PBM_GETPOS, 0, 0))
                              : 0;
      const TSeenStage stage = percent > 50 && percent < 70   ? ssSaving
                               : percent > 70 && percent < 99 ? ssChecking
                                                              : ssOther;
      checkingTurns += stage == ssChecking;
      RECT bar{};
      GetClientRect(fForm->barProgress, &bar);
      if (stage == ssChecking && !resized && test.StopIn == ssOther) {
        resized = true;
        RECT frame{};
        GetWindowRect(Window(), &frame);
        SetWindowPos(Window(), nullptr, 0, 0, frame.right - frame.left + 100,
                     frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      } else if (stage == ssChecking && bar.right > before.right) {
        laidOutWhileChecking = true;
      }
      if (stage == test.StopIn && stage != ssOther && !stopped) {
        stopped = true;
        SendMessageW(fForm->btnConvert, BM_CLICK, 0, 0);
      }
    };
    static int* ticks = nullptr;
    ticks = &timerTurns;
    const UINT_PTR timer =
        SetTimer(nullptr, 0, USER_TIMER_MINIMUM, [](HWND, UINT, UINT_PTR, DWORD) { ++*ticks; });
    SendMessageW(fForm->btnConvert, BM_CLICK, 0, 0);
    while (fForm->Presenter().State() != TMainState::msIdle) {
      WaitMessage();
      fForm->ProcessMessages();
      lookAtTheWindow();
    }
    KillTimer(nullptr, timer);
    EXPECT_GT(timerTurns, 0);
    EXPECT_GT(checkingTurns, 0);
    EXPECT_EQ(stopped, test.StopIn == ssChecking);
    const bool saved = std::filesystem::exists(std::filesystem::path(*fDesktop->SaveAnswer));
    EXPECT_EQ(laidOutWhileChecking, test.StopIn == ssOther);
    if (test.StopIn == ssOther) {
      EXPECT_TRUE(saved);
      EXPECT_NE(TextOf(fForm->lblSummary).find(u"verified: 100000 rows"), std::u16string::npos);
      std::filesystem::remove(std::filesystem::path(*fDesktop->SaveAnswer));
    } else {
      EXPECT_EQ(fFolder.Entries(), std::set<std::string>{"sizeable.vlp"});
      EXPECT_EQ(TextOf(fForm->lblSummary), u"The run was stopped; the new project was not saved.");
    }
    EXPECT_TRUE(fDesktop->Errors.empty());
  }
}

// The summary as the user sees it at any size and DPI: its lines whole or cut to its width, its
// buttons wide enough for their captions, inside the window, on top where they stand and clear of
// the text, the list, the log and each other.
class TWin32SummaryTest : public TWin32MainFormTest {
protected:
  // A prefix made for another DPI has the window on a screen of that DPI.
  void SetUp() override {
    TWin32MainFormTest::SetUp();
    if (const char* dpi = std::getenv("VLP_WINE_DPI")) {
      ASSERT_EQ(fForm->Dpi(), static_cast<UINT>(std::atoi(dpi)));
    }
  }

  void Show() { fForm->Show(SW_SHOWNORMAL); }

  static bool Overlap(const RECT& aOne, const RECT& aOther) {
    RECT common{};
    return IntersectRect(&common, &aOne, &aOther);
  }

  static bool Contains(const RECT& aOuter, const RECT& aInner) {
    RECT both{};
    UnionRect(&both, &aOuter, &aInner);
    return EqualRect(&both, &aOuter);
  }

  // The size of aText in aControl's font; its height is that of a line.
  static SIZE TextSize(HWND aControl, std::u16string_view aText) {
    const HDC context = GetDC(aControl);
    const HGDIOBJ previous =
        SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(aControl, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(context, reinterpret_cast<const wchar_t*>(aText.data()),
                          static_cast<int>(aText.size()), &size);
    SelectObject(context, previous);
    ReleaseDC(aControl, context);
    return size;
  }

  static std::vector<std::u16string> Lines(const std::u16string& aText) {
    std::vector<std::u16string> lines;
    for (size_t start = 0;;) {
      const size_t end = aText.find(u"\r\n", start);
      lines.push_back(aText.substr(start, end - start));
      if (end == std::u16string::npos)
        return lines;
      start = end + 2;
    }
  }

  // The child of the window that the user sees at aPoint of aControl's parent.
  HWND TopmostAt(POINT aPoint) const {
    return ChildWindowFromPointEx(Window(), aPoint, CWP_SKIPINVISIBLE);
  }

  void ExpectSummaryFits() {
    // Whatever is still to be painted is painted, as the message loop would.
    RedrawWindow(Window(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT client{};
    GetClientRect(Window(), &client);
    const RECT list = BoundsInParent(fForm->lstTargets);
    const RECT log = BoundsInParent(fForm->memLog);
    const RECT text = BoundsInParent(fForm->lblSummary);
    ASSERT_TRUE(IsWindowVisible(fForm->lblSummary));
    EXPECT_TRUE(Contains(client, text)) << text;
    EXPECT_FALSE(Overlap(text, list)) << text << list;
    EXPECT_FALSE(Overlap(text, log)) << text << log;
    EXPECT_GT(log.bottom - log.top, 0);
    const std::vector<std::u16string> lines = Lines(TextOf(fForm->lblSummary));
    EXPECT_GE(text.bottom - text.top,
              static_cast<int>(lines.size()) * TextSize(fForm->lblSummary, u"Ag").cy);
    for (const std::u16string& line : lines)
      EXPECT_LE(TextSize(fForm->lblSummary, line).cx, text.right - text.left)
          << std::string(line.begin(), line.end());

    std::vector<RECT> buttons;
    for (const HWND button : {fForm->btnSaveAs, fForm->btnShowRows, fForm->btnSaveReport}) {
      if (!IsWindowVisible(button))
        continue;
      const RECT bounds = BoundsInParent(button);
      SCOPED_TRACE(testing::Message() << "button at " << bounds);
      EXPECT_TRUE(Contains(client, bounds));
      for (const RECT& other : {list, log, text})
        EXPECT_FALSE(Overlap(bounds, other)) << other;
      for (const RECT& other : buttons)
        EXPECT_FALSE(Overlap(bounds, other)) << other;
      buttons.push_back(bounds);
      // The caption with room on both sides for the button's frame and focus rectangle.
      std::u16string caption = TextOf(button);
      std::erase(caption, u'&');
      EXPECT_LE(TextSize(button, caption).cx + 2 * MulDiv(4, static_cast<int>(fForm->Dpi()), 96),
                bounds.right - bounds.left);
      // Nothing lies on it, nor is it waiting to be painted.
      for (const POINT point :
           {POINT{(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2},
            POINT{bounds.left, bounds.top}, POINT{bounds.right - 1, bounds.bottom - 1}})
        EXPECT_EQ(TopmostAt(point), button) << point.x << "," << point.y;
      EXPECT_FALSE(GetUpdateRect(button, nullptr, FALSE));
    }
  }

  // Sizes the user may give the window: the first, the smallest, wide and low, narrow and high.
  std::vector<SIZE> FrameSizes() const {
    RECT frame{};
    GetWindowRect(Window(), &frame);
    MINMAXINFO limits{};
    SendMessageW(Window(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    const POINT least = limits.ptMinTrackSize;
    return {{frame.right - frame.left, frame.bottom - frame.top},
            {least.x, least.y},
            {least.x * 3, least.y},
            {least.x, least.y * 2},
            {least.x + 13, least.y + 7}};
  }

  void ExpectSummaryFitsAtEverySize() {
    for (const SIZE size : FrameSizes()) {
      SCOPED_TRACE(testing::Message()
                   << "frame " << size.cx << "x" << size.cy << " at " << fForm->Dpi() << " DPI");
      SetWindowPos(Window(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
      ExpectSummaryFits();
    }
  }

  // A project converted and its save cancelled: the summary offers all three buttons.
  void RunDemoWithoutSaving() {
    const std::filesystem::path demo = fFolder.Path() / "demo.vlp";
    std::filesystem::copy_file(std::filesystem::path(VLP_SOURCE_DIR) / "examples" / "demo.vlp",
                               demo);
    fDesktop->OpenAnswer = demo.u16string();
    SendMessageW(fForm->btnConvert, BM_CLICK, 0, 0);
    WaitForRun();
  }

  std::u16string SummaryTip() const {
    std::array<wchar_t, 2048> text{};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = Window();
    tool.uId = reinterpret_cast<UINT_PTR>(fForm->lblSummary);
    tool.lpszText = text.data();
    SendMessageW(fForm->tipSummary, TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
    return FromWide(text.data());
  }
};

TEST_F(TWin32SummaryTest, AfterAFailureItsButtonStandsClearOfTheLogAtEverySize) {
  Show();
  fDesktop->OpenAnswer = Fixture("unclosed.vlp");
  SendMessageW(fForm->btnConvert, BM_CLICK, 0, 0);
  WaitForRun();
  ASSERT_EQ(fDesktop->Errors.size(), 1u);
  EXPECT_EQ(TextOf(fForm->lblSummary), u"The conversion failed; the new project was not saved.");
  ASSERT_TRUE(IsWindowVisible(fForm->btnSaveReport));
  EXPECT_FALSE(IsWindowVisible(fForm->btnShowRows));
  EXPECT_FALSE(IsWindowVisible(fForm->btnSaveAs));
  ExpectSummaryFitsAtEverySize();
}

TEST_F(TWin32SummaryTest, ItsThreeButtonsFitAtEverySizeAndDpi) {
  Show();
  RunDemoWithoutSaving();
  ASSERT_TRUE(fDesktop->Errors.empty());
  for (const HWND button : {fForm->btnSaveAs, fForm->btnShowRows, fForm->btnSaveReport})
    ASSERT_TRUE(IsWindowVisible(button));
  ExpectSummaryFitsAtEverySize();
  for (const UINT dpi : {144u, 192u}) {
    if (dpi == fForm->Dpi())
      continue;
    RECT suggested{0, 0, MulDiv(900, static_cast<int>(dpi), 96),
                   MulDiv(640, static_cast<int>(dpi), 96)};
    SendMessageW(Window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    ExpectSummaryFitsAtEverySize();
  }
}

// The saved path loses its middle, not the lines under it; the tooltip holds the whole summary.
TEST_F(TWin32SummaryTest, ALongPathIsCutInItsMiddleAndEveryLineStays) {
  Show();
  std::filesystem::path folder = fFolder.Path();
  for (const char* name : {"a folder with a long name for the projects of the release",
                           "another long folder name that goes on and on"})
    folder /= name;
  std::filesystem::create_directories(folder);
  fDesktop->OpenAnswer = Fixture("worked.vlp");
  fDesktop->SaveAnswer = (folder / "the converted project.vxp").u16string();
  SendMessageW(fForm->btnConvert, BM_CLICK, 0, 0);
  WaitForRun();
  ASSERT_TRUE(fDesktop->Errors.empty());
  const std::vector<std::u16string> lines = Lines(TextOf(fForm->lblSummary));
  ASSERT_EQ(lines.size(), 3u);
  // The path's start and its end, around "…".
  const std::u16string head = u"The new project was saved to \"";
  ASSERT_TRUE(lines[0].starts_with(head) && lines[0].ends_with(u"\"."));
  const std::u16string path = lines[0].substr(head.size(), lines[0].size() - head.size() - 2);
  const size_t cut = path.find(u'\u2026');
  ASSERT_NE(cut, std::u16string::npos);
  EXPECT_TRUE(cut > 0 && fDesktop->SaveAnswer->starts_with(path.substr(0, cut)));
  EXPECT_TRUE(cut + 1 < path.size() && fDesktop->SaveAnswer->ends_with(path.substr(cut + 1)));
  EXPECT_EQ(lines[1], u"Targets converted: 2 of 3. Rows carried over: 3.");
  EXPECT_EQ(lines[2], u"verified: 3 rows, 2 targets, 2 excludes, 2 languages");
  EXPECT_EQ(SummaryTip(), u"The new project was saved to \"" + *fDesktop->SaveAnswer +
                              u"\".\r\nTargets converted: 2 of 3. Rows carried over: 3.\r\n"
                              u"verified: 3 rows, 2 targets, 2 excludes, 2 languages");
  ExpectSummaryFitsAtEverySize();

  // A short path fits a wide window whole and needs no tooltip.
  SetWindowPos(Window(), nullptr, 0, 0, 1200, 700, SWP_NOMOVE | SWP_NOZORDER);
  fDesktop->SaveAnswer = (fFolder.Path() / "out.vxp").u16string();
  SendMessageW(fForm->btnConvert, BM_CLICK, 0, 0);
  WaitForRun();
  EXPECT_EQ(Lines(TextOf(fForm->lblSummary))[0],
            u"The new project was saved to \"" + *fDesktop->SaveAnswer + u"\".");
  EXPECT_EQ(SummaryTip(), u"");
}

TEST(Win32CommandLineTest, ArgumentsComeAsTheShellSplitsThem) {
  EXPECT_EQ(ArgumentsOfCommandLine(L"vlp5tovxp.exe \"C:\\Über setzung\\a.vlp\""),
            (std::vector<std::u16string>{u"vlp5tovxp.exe", u"C:\\Über setzung\\a.vlp"}));
}

// What a modal box of the thread showed: its caption, every text of its controls, whether
// the control with aTextId is a read-only edit and the button Enter presses; the box is then
// answered with the button gAnswer.
struct TShownBox {
  std::u16string Caption;
  std::vector<std::u16string> Texts;
  bool SelectableText = false;
  int DefaultButton = 0;
};

TShownBox* gShown = nullptr;
int gTextId = 0;
int gAnswer = IDOK;

BOOL CALLBACK NoteControl(HWND aControl, LPARAM) {
  gShown->Texts.push_back(TextOf(aControl));
  wchar_t name[16] = {};
  GetClassNameW(aControl, name, 16);
  if (_wcsicmp(name, L"Button") == 0 &&
      (GetWindowLongW(aControl, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
    gShown->DefaultButton = GetDlgCtrlID(aControl);
  if (GetDlgCtrlID(aControl) == gTextId) {
    gShown->SelectableText =
        _wcsicmp(name, L"Edit") == 0 && (GetWindowLongW(aControl, GWL_STYLE) & ES_READONLY);
  }
  return TRUE;
}

BOOL CALLBACK AnswerBox(HWND aWindow, LPARAM aAnswered) {
  wchar_t name[16] = {};
  GetClassNameW(aWindow, name, 16);
  if (std::wstring(name) != L"#32770" || !IsWindowVisible(aWindow))
    return TRUE;
  gShown->Caption = TextOf(aWindow);
  EnumChildWindows(aWindow, NoteControl, 0);
  PostMessageW(aWindow, WM_COMMAND, static_cast<WPARAM>(gAnswer), 0);
  *reinterpret_cast<bool*>(aAnswered) = true;
  return FALSE;
}

void CALLBACK LookForBox(HWND, UINT, UINT_PTR aTimer, DWORD) {
  bool answered = false;
  EnumThreadWindows(GetCurrentThreadId(), AnswerBox, reinterpret_cast<LPARAM>(&answered));
  if (answered)
    KillTimer(nullptr, aTimer);
}

// Shows a box through aShow while a timer of the thread notes and answers it with aAnswer.
TShownBox AnswerBoxShownBy(const std::function<void()>& aShow, int aTextId = 0,
                           int aAnswer = IDOK) {
  TShownBox shown;
  gShown = &shown;
  gTextId = aTextId;
  gAnswer = aAnswer;
  SetTimer(nullptr, 0, 50, LookForBox);
  aShow();
  gShown = nullptr;
  return shown;
}

bool Contains(const std::vector<std::u16string>& aTexts, const std::u16string& aText) {
  return std::find(aTexts.begin(), aTexts.end(), aText) != aTexts.end();
}

// Escape is pressed in the box this many times before the box is closed with OK instead.
constexpr int EscapePresses = 5;
int gEscapes = 0;

// Presses Escape on the focused control of the thread's box, as the keyboard would.
BOOL CALLBACK EscapeBox(HWND aWindow, LPARAM) {
  wchar_t name[16] = {};
  GetClassNameW(aWindow, name, 16);
  if (std::wstring(name) != L"#32770" || !IsWindowVisible(aWindow))
    return TRUE;
  const HWND focus = GetFocus();
  const HWND target = focus && IsChild(aWindow, focus) ? focus : aWindow;
  if (gEscapes++ < EscapePresses) {
    PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageW(target, WM_KEYUP, VK_ESCAPE, 0xC0000001);
  } else {
    PostMessageW(aWindow, WM_COMMAND, IDOK, 0);
  }
  return FALSE;
}

void CALLBACK PressEscape(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), EscapeBox, 0);
}

// Whether Escape closed the box that aShow shows.
bool EscapeCloses(const std::function<void()>& aShow) {
  gEscapes = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, PressEscape);
  aShow();
  KillTimer(nullptr, timer);
  return gEscapes > 0 && gEscapes <= EscapePresses;
}

// Every box of the window closes on Escape: the notice, the error box with its details and the
// question, which Escape answers No.
TEST_F(TWin32MainFormTest, EscapeClosesEveryBox) {
  const std::unique_ptr<IDesktop> desktop = CreateWin32Desktop(GetModuleHandleW(nullptr), Window());
  EXPECT_TRUE(EscapeCloses([&] { desktop->ShowNotice(TNoticeKind::nkWarning, u"notice"); }));
  EXPECT_TRUE(EscapeCloses([&] {
    desktop->ShowError({u"message", u"EFilerError", {u"a log line"}, {}});
  }));
  bool said = true;
  EXPECT_TRUE(EscapeCloses([&] { said = desktop->AskYesNo(u"Replace?"); }));
  EXPECT_FALSE(said);
}

// Where no browser can be started, Help shows the address instead.
TEST_F(TWin32MainFormTest, HelpWithoutABrowserShowsTheAddress) {
  // Wine's opener of addresses tries the browsers of this list; this one is nowhere.
  const wchar_t browsers[] = L"vlp-no-such-browser";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", L"Browsers", REG_SZ,
                            browsers, sizeof browsers),
            ERROR_SUCCESS);
  fDesktop = nullptr;
  fForm->SetDesktop(CreateWin32Desktop(GetModuleHandleW(nullptr), Window()));
  const TShownBox shown =
      AnswerBoxShownBy([&] { SendMessageW(fForm->btnHelp, BM_CLICK, 0, 0); }, IDC_NOTICE_TEXT);
  RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", L"Browsers");
  EXPECT_TRUE(std::any_of(shown.Texts.begin(), shown.Texts.end(), [](const std::u16string& aText) {
    return aText.find(HelpPageUrl) != std::u16string::npos;
  }));
  EXPECT_TRUE(shown.SelectableText);
}

TEST_F(TWin32MainFormTest, TheNoticeBoxLetsTheAddressBeSelected) {
  const std::unique_ptr<IDesktop> desktop = CreateWin32Desktop(GetModuleHandleW(nullptr), Window());
  const TShownBox shown = AnswerBoxShownBy(
      [&] {
        desktop->ShowNotice(TNoticeKind::nkInformation,
                            u"The help page is at:\n\nhttps://example.invalid/x");
      },
      IDC_NOTICE_TEXT);
  EXPECT_EQ(shown.Caption, u"Vlp5ToVXP");
  EXPECT_TRUE(Contains(shown.Texts, u"The help page is at:\r\n\r\nhttps://example.invalid/x"));
  EXPECT_TRUE(shown.SelectableText);
}

// The presenter's question in the desktop's box, titled as the window's boxes; No is what a
// stray Enter answers.
TEST_F(TWin32MainFormTest, TheQuestionBoxAnswersYesOrNoWithNoAsDefault) {
  const std::unique_ptr<IDesktop> desktop = CreateWin32Desktop(GetModuleHandleW(nullptr), Window());
  const std::u16string question = ReplaceQuestion(u"C:\\a.vxp");
  for (const int answer : {IDYES, IDNO}) {
    bool said = false;
    const TShownBox shown =
        AnswerBoxShownBy([&] { said = desktop->AskYesNo(question); }, 0, answer);
    EXPECT_EQ(said, answer == IDYES);
    EXPECT_EQ(shown.Caption, u"Vlp5ToVXP");
    EXPECT_TRUE(Contains(shown.Texts, u"C:\\a.vxp already exists.\nDo you want to replace it?"));
    EXPECT_EQ(shown.DefaultButton, IDNO);
  }
}

// The run's save dialog does not ask itself; the window asks before the project is replaced.
TEST_F(TWin32MainFormTest, ASecondRunAsksBeforeReplacingTheProject) {
  RunWorkedProject();
  EXPECT_TRUE(fDesktop->Questions.empty());
  const std::u16string output = *fDesktop->SaveAnswer;
  fDesktop->ReplaceAnswer = false;
  fDesktop->WhileSaving = [this] {
    if (fDesktop->Proposals.size() == 3)
      fDesktop->SaveAnswer.reset();
  };
  SendMessageW(fForm->btnConvert, BM_CLICK, 0, 0);
  WaitForRun();
  EXPECT_EQ(fDesktop->Questions,
            std::vector<std::u16string>{output + u" already exists.\nDo you want to replace it?"});
  EXPECT_EQ(TextOf(fForm->lblSummary)
                .rfind(u"The new project was not saved: the save dialog was cancelled.\r\n", 0),
            0u);
}

TEST_F(TWin32MainFormTest, TheErrorBoxShowsTheMessageAndItsDetails) {
  const std::unique_ptr<IDesktop> desktop = CreateWin32Desktop(GetModuleHandleW(nullptr), Window());
  // The message comes from the old project and looks like markup; it is shown as it is.
  const TShownBox shown = AnswerBoxShownBy([&] {
    desktop->ShowError(
        {u"'<a href=\"x\">1</a>' is not a valid integer value", u"EConvertError", {}});
  });
  EXPECT_EQ(shown.Caption, u"Vlp5ToVXP");
  EXPECT_TRUE(Contains(shown.Texts, u"'<a href=\"x\">1</a>' is not a valid integer value"));
  EXPECT_TRUE(IsWindow(Window()));
}

// The program's resources, which the suite carries too.
TEST(Win32ResourcesTest, VersionAndManifestAreThere) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::vector<char> version(GetFileVersionInfoSizeW(path, nullptr));
  ASSERT_FALSE(version.empty());
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, static_cast<DWORD>(version.size()), version.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(version.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(3, 8));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, 1));
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  wchar_t* text = nullptr;
  ASSERT_TRUE(VerQueryValueW(version.data(), L"\\StringFileInfo\\040904B0\\FileVersion",
                             reinterpret_cast<void**>(&text), &length));
  EXPECT_EQ(FromWide(text), u"8.3.1.0");

  const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_MANIFEST);
  ASSERT_NE(found, nullptr);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(nullptr, found))),
                             SizeofResource(nullptr, found));
  for (const char* setting :
       {"PerMonitorV2", "Microsoft.Windows.Common-Controls\" version=\"6.0.0.0",
        "level=\"asInvoker\"", "version=\"8.3.1.0\""})
    EXPECT_NE(manifest.find(setting), std::string::npos) << setting;
  EXPECT_NE(FindResourceW(nullptr, MAKEINTRESOURCEW(IDI_APPLICATION_ICON), RT_GROUP_ICON), nullptr);
}

class TWin32DialogTest : public testing::Test {
protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(TWin32DialogTest, DialogsAreSetUpForProjects) {
  FILEOPENDIALOGOPTIONS options = 0;
  const TFileDialogPtr open = CreateOpenProjectDialog();
  ASSERT_EQ(open->GetOptions(&options), S_OK);
  // A typed name that does not exist goes to the run, which reports it.
  EXPECT_FALSE(options & FOS_FILEMUSTEXIST);
  EXPECT_FALSE(options & FOS_PATHMUSTEXIST);
  EXPECT_TRUE(options & FOS_FORCEFILESYSTEM);

  const TFileDialogPtr save =
      CreateSaveDialog(SaveProjectDialog, u"C:\\windows\\app.vlp_converted.vxp");
  ASSERT_EQ(save->GetOptions(&options), S_OK);
  // The folder check and the question before replacing a file are the presenter's.
  EXPECT_FALSE(options & FOS_PATHMUSTEXIST);
  EXPECT_FALSE(options & FOS_OVERWRITEPROMPT);
  wchar_t* name = nullptr;
  ASSERT_EQ(save->GetFileName(&name), S_OK);
  EXPECT_EQ(FromWide(name), u"app.vlp_converted.vxp");
  CoTaskMemFree(name);
  const TFileDialogPtr report =
      CreateSaveDialog(SaveReportDialog, u"C:\\windows\\app.vlp.report.html");
  ASSERT_EQ(report->GetOptions(&options), S_OK);
  EXPECT_FALSE(options & FOS_PATHMUSTEXIST);
  EXPECT_FALSE(options & FOS_OVERWRITEPROMPT);
  ASSERT_EQ(report->GetFileName(&name), S_OK);
  EXPECT_EQ(FromWide(name), u"app.vlp.report.html");
  CoTaskMemFree(name);
}

} // namespace
