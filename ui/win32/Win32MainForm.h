// The program's one window on Windows, made of the system's common controls: the buttons, the
// page with the target list and the log, scaled for the screen's DPI. It draws what its
// presenter tells it and passes on what the user does; every decision is the presenter's.
#pragma once

#include "Win32Desktop.h"
#include "Win32RowsForm.h"
#include "vpresenter/uMainLayout.h"
#include "vpresenter/uMainPresenter.h"
#include "vpresenter/uMainTexts.h"
#include "vpresenter/uMainView.h"

#include <array>
#include <commctrl.h>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include <windows.h>

namespace vui {

class TWin32Mainform : public IMainView {
public:
  explicit TWin32Mainform(HINSTANCE aInstance);
  ~TWin32Mainform() override;
  TWin32Mainform(const TWin32Mainform&) = delete;
  TWin32Mainform& operator=(const TWin32Mainform&) = delete;

  // Tests answer the dialogs and catch the browser and the boxes through this.
  void SetDesktop(std::unique_ptr<IDesktop> aDesktop) { fDesktop = std::move(aDesktop); }
  TMainPresenter& Presenter() { return fPresenter; }

  HWND Handle() const { return fWindow; }
  UINT Dpi() const { return fDpi; }
  // Closing the window then ends the thread's message loop.
  void EndProgramWhenClosed() { fEndsProgram = true; }
  void Show(int aShowCommand);

  // IMainView
  void ClearLog() override;
  void AddLogLine(std::u16string_view aLine) override;
  void ClearTargets() override;
  void AddTargetRow(const TTargetRow& aRow) override;
  void SetTargetRowCount(int32_t aRow, const TTargetCell& aCount) override;
  void ShowProjectList(bool aShown) override;
  void SetProjectRow(int32_t aRow, const TProjectRow& aProject) override;
  void ShowSummary(const TSummary& aSummary) override;
  void ShowRowsWindow(TRowsWindow aWindow) override;
  void ShowProgressBar(std::optional<int32_t> aPercent) override;
  void SetConvertEnabled(bool aEnabled) override;
  void ShowConvertAsStop(bool aStop) override;
  TMainControl FocusedControl() const override;
  void FocusConvert() override;
  void RunLater(std::function<void()> aAction) override;
  void RunAfter(uint32_t aMilliseconds, std::function<void()> aAction) override;
  void PostRunEvents() override;
  // Handles every pending message of the thread and returns: tests turn the loop with it.
  void ProcessMessages();
  IDesktop& Desktop() override { return *fDesktop; }
  void Close() override;

  HWND btnConvert = nullptr;
  HWND btnHelp = nullptr;
  // Converts every project below a folder; Alt with its underlined letter reaches it.
  HWND btnConvertFolder = nullptr;
  HWND pgcMain = nullptr;
  // The projects of a run of several, above the targets; hidden otherwise.
  HWND lstProjects = nullptr;
  HWND lstTargets = nullptr;
  HWND memLog = nullptr;
  // What the last run did, under the list, and the buttons it offers; where a line is cut to fit,
  // the summary's tooltip holds it whole.
  HWND lblSummary = nullptr;
  HWND btnShowRows = nullptr;
  HWND btnSaveReport = nullptr;
  HWND btnSaveAs = nullptr;
  HWND tipSummary = nullptr;
  // A thin bar at the foot of the top area while a run loads, converts, saves and checks.
  HWND barProgress = nullptr;
  // Image 0 marks a converted target, image 1 one that cannot be converted.
  HIMAGELIST ImageList1 = nullptr;
  // The rows window last opened; none before the first.
  const TWin32RowsForm* RowsForm() const { return fRowsForm.get(); }

private:
  static LRESULT CALLBACK WindowProc(HWND aWindow, UINT aMessage, WPARAM aWParam, LPARAM aLParam);
  LRESULT HandleMessage(UINT aMessage, WPARAM aWParam, LPARAM aLParam);
  void CreateControls();
  void SetUpTargetColumns();
  void SetUpProjectColumns();
  void ApplyDpi(UINT aDpi);
  void LoadImages();
  void LayOut();
  // The summary laid out in aWidth, the page's width, in the window's font.
  TSummaryLayout SummaryLayout(int aWidth) const;
  // The summary's buttons from left to right, with their captions and whether the summary offers
  // them.
  struct TSummaryButton {
    HWND Button;
    std::u16string_view Caption;
    bool Offered;
  };
  std::array<TSummaryButton, 3> SummaryButtons() const;
  void ShowSummaryText(const TSummaryLayout& aLayout);
  void ShareFreeWidth();
  LRESULT Notify(const NMHDR& aHeader);
  void ShowInfoTip(NMLVGETINFOTIPW& aTip) const;
  void MarkFocusedRow() const;
  void DropFiles(HDROP aDrop);
  // The projects a later start of the program hands over; the window comes to the front.
  bool TakeForwarded(const COPYDATASTRUCT& aData);
  void RunTimed(UINT_PTR aTimer);
  void SetCellText(HWND aList, int aRow, int aColumn, std::u16string_view aText);
  LRESULT NotifyProjects(const NMHDR& aHeader);
  int Scaled(int aPixels) const;

  HINSTANCE fInstance;
  std::unique_ptr<IDesktop> fDesktop;
  HWND fWindow = nullptr;
  UINT fDpi = USER_DEFAULT_SCREEN_DPI;
  HFONT fFont = nullptr;
  HICON fConvertImage = nullptr;
  bool fEndsProgram = false;
  // The last summary, laid out again whenever the window's size or DPI changes.
  TSummary fSummary;
  int fLineHeight = 0;
  // The tooltips of the rows' cells, by row and column; a list view keeps no tooltips.
  std::vector<std::array<std::u16string, tcCount>> fHints;
  // The tooltip of each row of the project list.
  std::vector<std::u16string> fProjectHints;
  std::vector<std::function<void()>> fLater;
  // What RunAfter was given, by its timer.
  std::map<UINT_PTR, std::function<void()>> fTimed;
  UINT_PTR fLastTimer = 0;
  std::unique_ptr<TWin32RowsForm> fRowsForm;
  TMainPresenter fPresenter;
};

// Runs the thread's message loop until the window is gone; the keyboard works as in a dialog.
int RunMessageLoop(HWND aWindow);

// The arguments of a command line, the program's name first.
std::vector<std::u16string> ArgumentsOfCommandLine(const wchar_t* aCommandLine);

} // namespace vui
