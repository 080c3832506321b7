// The window as its presenter sees it. The Qt window and the Win32 window implement this and
// nothing more: they set and read their controls and hand out their desktop (uDesktop.h); every
// decision of the window is the presenter's (uMainPresenter.h).
#pragma once

#include "vpresenter/uDesktop.h"
#include "vpresenter/uRowsWindow.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vui {

// The controls that can hold the keyboard focus, as far as the presenter tells them apart.
enum class TMainControl { mcNone, mcConvert, mcHelp, mcTargets, mcLog, mcOther };

// Images of the target list, by their index in the view's 16 x 16 image list.
enum TTargetImage : int32_t { tiConverted = 0, tiNotConverted = 1 };

// A cell of the target list: its text and its tooltip (empty: no text, no tooltip).
struct TTargetCell {
  std::u16string Text;
  std::u16string Hint;
};

// A row of the target list; the "Rows" column is filled later (SetTargetRowCount).
struct TTargetRow {
  TTargetImage Image = tiConverted;
  // The image column: its text is always empty, its hint says why a target is not converted.
  TTargetCell Number;
  TTargetCell OldTarget;
  TTargetCell NewTarget;
  // Empty until the count comes; a target that is not converted has only the hint.
  TTargetCell Rows;
};

// A row of the project list of a run of several projects: its image tells whether the project
// was converted, its cells follow ProjectColumnCaptions, its hint says what became of it.
struct TProjectRow {
  TTargetImage Image = tiConverted;
  std::array<std::u16string, pcCount> Cells;
  std::u16string Hint;
  bool operator==(const TProjectRow&) const = default;
};

// What the summary under the list shows after a run.
struct TSummary {
  // One entry a line; no lines hide the summary.
  std::vector<std::u16string> Lines;
  // The button ShowDroppedRowsCaption, which calls the presenter's ShowDroppedRowsClicked: there
  // are rows without a converted target or rows that could not be read.
  bool OffersDroppedRows = false;
  // The button SaveReportCaption, which calls the presenter's SaveReportClicked.
  bool OffersReport = false;
  // The button SaveAsCaption, which calls the presenter's SaveAsClicked.
  bool OffersSaveAs = false;
};

class IMainView {
public:
  virtual ~IMainView() = default;

  // Removes every line of the log box.
  virtual void ClearLog() = 0;
  // Appends aLine as the log box's last line; it holds no line break.
  virtual void AddLogLine(std::u16string_view aLine) = 0;

  // Removes every row of the target list.
  virtual void ClearTargets() = 0;
  // Appends aRow at the end of the target list: the image cell shows its image and hint; a
  // target cell with an empty text stays empty.
  virtual void AddTargetRow(const TTargetRow& aRow) = 0;
  // Shows aCount, aligned right, in the "Rows" column of the existing row aRow (from 0); the
  // column grows to show the whole number.
  virtual void SetTargetRowCount(int32_t aRow, const TTargetCell& aCount) = 0;

  // The project list above the target list, shown during and after a run of several projects
  // and hidden otherwise; hiding it removes its rows. A selected row calls the presenter's
  // ProjectSelected.
  virtual void ShowProjectList(bool aShown) = 0;
  // Sets the row aRow (from 0) of the project list, appending it when aRow is the row count.
  virtual void SetProjectRow(int32_t aRow, const TProjectRow& aProject) = 0;

  // The summary under the list, whose text can be selected, with the buttons it offers.
  virtual void ShowSummary(const TSummary& aSummary) = 0;
  // Opens the rows window over this one, modal, and returns at once: aWindow's texts in a list
  // that scrolls, sorts by a column and copies its selection, sized to fit the screen and
  // centred on this window; its "Save report..." calls the presenter's SaveReportClicked.
  virtual void ShowRowsWindow(TRowsWindow aWindow) = 0;
  // A thin bar of how far the run has come, in percent; none hides it.
  virtual void ShowProgressBar(std::optional<int32_t> aPercent) = 0;

  // Enables or disables the "Convert..." button.
  virtual void SetConvertEnabled(bool aEnabled) = 0;
  // While a run goes on the button reads StopCaption, and a click on it stops the run; it keeps
  // its place, its size and the focus.
  virtual void ShowConvertAsStop(bool aStop) = 0;
  // The control that has the keyboard focus within the window.
  virtual TMainControl FocusedControl() const = 0;
  // Gives the keyboard focus to the "Convert..." button.
  virtual void FocusConvert() = 0;

  // Runs aAction from the message loop once the message being handled is done.
  virtual void RunLater(std::function<void()> aAction) = 0;
  // Runs aAction from the message loop once aMilliseconds have passed.
  virtual void RunAfter(uint32_t aMilliseconds, std::function<void()> aAction) = 0;
  // Called on the run's thread, or on this one: the message loop calls the presenter's
  // HandleRunEvents once, soon. Safe from any thread; it never waits for the window's thread.
  virtual void PostRunEvents() = 0;

  // The dialogs, the browser and the boxes, owned by this window.
  virtual IDesktop& Desktop() = 0;
  // Closes the window; the view asks the presenter's CloseRequested first, as for the user.
  virtual void Close() = 0;
};

} // namespace vui
