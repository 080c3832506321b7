// The rows window of the real Windows window under Wine: a virtual list over the presenter's
// rows, in the screen's work area, modal over the window.
#include "FakeDesktop.h"
#include "ListViewCells.h"
#include "TestFiles.h"
#include "WaitForRun.h"
#include "Win32MainForm.h"
#include "vbase/IntegerText.h"

#include <commctrl.h>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <windows.h>

using namespace vui;

namespace {

std::u16string Title(HWND aWindow) {
  wchar_t title[128] = {};
  GetWindowTextW(aWindow, title, 128);
  return FromWide(title);
}

std::u16string ClipboardText() {
  std::u16string text;
  if (!OpenClipboard(nullptr))
    return text;
  if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const char16_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

// What the list view tells its window when a column's header is clicked.
void ClickHeader(const TWin32RowsForm& aForm, int aColumn) {
  NMLISTVIEW click{};
  click.hdr = {aForm.RowsList, static_cast<UINT_PTR>(GetDlgCtrlID(aForm.RowsList)),
               LVN_COLUMNCLICK};
  click.iItem = -1;
  click.iSubItem = aColumn;
  SendMessageW(aForm.Handle(), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
}

class TWin32RowsFormTest : public testing::Test {
protected:
  void SetUp() override {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    fDesktop = new TFakeDesktop;
    fForm.SetDesktop(std::unique_ptr<IDesktop>(fDesktop));
    fForm.Show(SW_SHOWNORMAL);
  }

  TWin32Mainform fForm{GetModuleHandleW(nullptr)};
  TFakeDesktop* fDesktop = nullptr;
  TTempFolder fFolder;
};

TEST_F(TWin32RowsFormTest, AHundredThousandRowsAreAVirtualListThatFitsTheWorkArea) {
  std::vector<vconvert::TDroppedRow> dropped;
  for (int row = 0; row < 100000; ++row)
    dropped.push_back({u"C:\\gone.res", u"Forms.F" + vbase::IntToText(100000 - row), u"Text"});
  const DWORD start = GetTickCount();
  static_cast<IMainView&>(fForm).ShowRowsWindow(RowsWindowOf(dropped, {{u"a", u"b", u"failed"}}));
  const TWin32RowsForm* rows = fForm.RowsForm();
  ASSERT_TRUE(rows);
  UpdateWindow(rows->Handle());
  std::printf("100,001 rows: the rows window was open and drawn in %lu ms\n",
              GetTickCount() - start);

  EXPECT_EQ(Title(rows->Handle()), u"Rows not carried over");
  EXPECT_TRUE(GetWindowLongW(rows->RowsList, GWL_STYLE) & LVS_OWNERDATA);
  EXPECT_EQ(ListView_GetItemCount(rows->RowsList), 100001);
  EXPECT_EQ(CellText(rows->RowsList, 0, 1), u"Forms.F100000");
  EXPECT_EQ(CellText(rows->RowsList, 100000, 2), u"Could not be read: failed");
  EXPECT_FALSE(IsWindowEnabled(fForm.Handle())) << "the rows window is modal";

  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(fForm.Handle(), MONITOR_DEFAULTTONEAREST), &monitor);
  RECT frame{};
  GetWindowRect(rows->Handle(), &frame);
  RECT inside{};
  IntersectRect(&inside, &frame, &monitor.rcWork);
  EXPECT_TRUE(EqualRect(&inside, &frame));

  SendMessageW(rows->Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(rows->Handle()));
  EXPECT_TRUE(IsWindowEnabled(fForm.Handle()));
}

TEST_F(TWin32RowsFormTest, AClickOnAHeaderSortsTheSelectionIsCopiedAndTheReportSaved) {
  const std::filesystem::path demo = fFolder.Path() / "demo.vlp";
  std::filesystem::copy_file(std::filesystem::path(VLP_SOURCE_DIR) / "examples" / "demo.vlp", demo);
  fDesktop->OpenAnswer = demo.u16string();
  fDesktop->SaveAnswer = (fFolder.Path() / "demo.vxp").u16string();
  SendMessageW(fForm.btnConvert, BM_CLICK, 0, 0);
  WaitForRun(fForm);
  SendMessageW(fForm.btnShowRows, BM_CLICK, 0, 0);
  ASSERT_TRUE(fForm.RowsForm());
  const TWin32RowsForm& rows = *fForm.RowsForm();
  ASSERT_EQ(ListView_GetItemCount(rows.RowsList), 2);
  EXPECT_EQ(CellText(rows.RowsList, 0, 0), u"C:\\Demo\\Demo.res");
  ListView_SetItemState(rows.RowsList, 0, LVIS_SELECTED, LVIS_SELECTED);
  ClickHeader(rows, 0);
  EXPECT_EQ(CellText(rows.RowsList, 0, 2), u"Orphan text");
  // The selection follows its row.
  EXPECT_EQ(ListView_GetNextItem(rows.RowsList, -1, LVNI_SELECTED), 1);
  ClickHeader(rows, 0);
  EXPECT_EQ(CellText(rows.RowsList, 0, 2), u"Version");

  ListView_SetItemState(rows.RowsList, -1, LVIS_SELECTED, LVIS_SELECTED);
  SendMessageW(rows.CopyButton, BM_CLICK, 0, 0);
  EXPECT_EQ(ClipboardText(),
            u"C:\\Demo\\Demo.res\tForms.VersionInfo\tVersion\r\n\t\tOrphan text\r\n");

  fDesktop->ReportAnswer = (fFolder.Path() / "demo.json").u16string();
  SendMessageW(rows.SaveReportButton, BM_CLICK, 0, 0);
  EXPECT_EQ(fDesktop->ReportProposals.size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(fFolder.Path() / "demo.json"));
  EXPECT_FALSE(IsWindowEnabled(fForm.Handle())) << "still modal after the save dialog";
  SendMessageW(rows.CloseButton, BM_CLICK, 0, 0);
  EXPECT_TRUE(IsWindowEnabled(fForm.Handle()));
}

} // namespace
