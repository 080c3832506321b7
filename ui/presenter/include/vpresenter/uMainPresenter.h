// Everything the window decides, without a toolkit: the run's states, what the log and the
// target list show, what Help, a dropped file, a project on the command line, a stop and a close
// do, and what the error box says. The views forward their events here and draw what they are
// told through IMainView. A run goes on a thread of its own (uRunThread.h); the presenter itself
// is only ever called on the window's thread.
#pragma once

#include "vconvert/uConversionHost.h"
#include "vconvert/uConversionRun.h"
#include "vconvert/uProjectCheck.h"
#include "vconvert/uProjectInputs.h"
#include "vpresenter/uMainLayout.h"
#include "vpresenter/uMainTexts.h"
#include "vpresenter/uMainView.h"
#include "vpresenter/uProjectQueue.h"
#include "vpresenter/uProjectSlots.h"
#include "vpresenter/uRunThread.h"
#include "vreport/InputResult.h"
#include "vreport/RunRecorder.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vui {

using TTickClock = std::function<uint32_t()>;

// How long projects given to an idle window wait for more, counted from the last that came: a
// file manager starts the program once per selected file, nearly at once, and the later starts
// hand their projects to the first window, which converts the whole selection in one run.
constexpr uint32_t GatheringMilliseconds = 400;

// The window is idle, runs a conversion (or a save of a kept project), or has stopped one and
// waits for it to end, then to close when msClosing.
enum class TMainState { msIdle, msRunning, msStopping, msClosing };

class TMainPresenter {
public:
  static constexpr int LastLogLinesInReport = 10;

  // aClock gives the run's milliseconds; it is read on the run's thread.
  explicit TMainPresenter(IMainView& aView, TTickClock aClock = vconvert::SteadyTickCount);
  ~TMainPresenter();
  TMainPresenter(const TMainPresenter&) = delete;
  TMainPresenter& operator=(const TMainPresenter&) = delete;

  TMainState State() const { return fState; }

  // "Convert...": one conversion run, which goes on while the window's loop turns; a failure is
  // shown in the error box. During a run the button is "Stop", and the click stops the run.
  void ConvertClicked();
  // "Help...": the help page in the browser, or its address in a notice.
  void HelpClicked();
  // The summary's button: the rows of the last run that were not carried over, both kinds, in
  // the rows window.
  void ShowDroppedRowsClicked();
  // The summary's other button: the report of the last run, failed or not, as the batch command
  // writes it for that input, to a path from the save dialog; the summary then says where.
  // Nothing during a run.
  void SaveReportClicked();
  // The summary's button after a run whose save was cancelled or failed: saves the kept project
  // through the save dialog without converting again, then checks the saved file.
  void SaveAsClicked();
  // "Convert folder...": every project below the folder the folder dialog gives, in one run.
  void ConvertFolderClicked();
  // Converts aPath as if it had been chosen in the open dialog; nothing while a run is going.
  void ConvertProject(const std::u16string& aPath);
  // The same, once the message loop runs (for a project named on the command line).
  void ConvertProjectLater(const std::u16string& aPath);
  // Converts aPaths, old projects and folders, as given on the command line or dropped: a single
  // project as ConvertProject, several (a folder's too) in one run after one question.
  void ConvertInputs(const std::vector<std::u16string>& aPaths);
  // The same, once the message loop runs.
  void ConvertInputsLater(std::vector<std::u16string> aPaths);
  // Projects given on the command line of this start or of a later one, which handed them to
  // this window: an idle window gathers them until none has come for GatheringMilliseconds and
  // converts them as ConvertInputs, in the order they came; those that come during a run or while a
  // dialog is open wait for the window to be idle. False, taking nothing, while the window closes.
  bool GatherProjects(const std::vector<std::u16string>& aPaths);
  // The user has selected the row aRow of the project list: the target list, the log and the
  // summary show that project as a run of it alone would, once the run has ended.
  void ProjectSelected(int32_t aRow);
  // Whether files dragged over the window would be taken.
  bool AcceptsDrop(const std::vector<std::u16string>& aPaths) const;
  // Takes the old projects and folders among dropped files and converts them once the drop has
  // ended, as ConvertInputs; false when nothing was taken.
  bool FilesDropped(const std::vector<std::u16string>& aPaths);
  // The window is asked to close: true when it may close now. A run is stopped first, and the
  // window closes once it has ended, with no dialog nor box on the way.
  bool CloseRequested();
  // The run's thread has posted events (IMainView::PostRunEvents): they are handled here.
  void HandleRunEvents();
  // Stops a run that is still going and waits for its thread, telling the window nothing more: for
  // a window that goes away.
  void AbandonRun();
  // Shows the exception in the error box with the last log lines; the window stays usable.
  void ReportException(std::exception_ptr aError);
  // The user has sized aColumn by its edge: from then on the target columns keep their widths.
  void ColumnSizedByUser(TTargetColumn aColumn);
  // The widths of the two target columns in aFreeWidth (at 96 DPI), what "#" and "Rows" leave of
  // the list's width; none once the user has sized one of them, and the views leave them be.
  std::optional<TTargetColumnWidths> TargetColumnWidths(int aFreeWidth) const;
  // How many projects a run of several converts at once at most (DefaultProjectsAtOnce), for the
  // runs that begin from now on. Projects beside each other show their rows only, and the bar
  // counts the projects ended; the log and the targets of each come when it is selected.
  void SetProjectsAtOnce(std::size_t aCount);

  // What the run tells the window, handled on the window's thread in the order the run told it.
  void ClearLog();
  // One line per entry: a name from the project may hold line breaks.
  void AddLogLine(std::u16string_view aLine);
  // A target is a row of the list: its number is the row, its image tells whether it was
  // converted, its old target names it, and a converted one shows its new target and then its
  // row count.
  void TargetsCleared();
  void TargetFound(const vconvert::TFoundTarget& aTarget);
  void TargetRowsCounted(int32_t aTarget, int32_t aCount);
  // A file with nothing of an old project is saved only if the user says so before the dialog.
  std::optional<std::u16string> AskOutputPath(const std::u16string& aProposal);
  // The bar follows the four stages one after the other, by whole percents.
  void ShowProgress(vconvert::TRunStage aStage, int64_t aDone, int64_t aTotal);

private:
  class TRunHost;
  struct TProjectRun;
  class THandling;

  // The gathered projects, once the window is idle with no dialog open.
  void ConvertGathered();
  void ConvertGatheredLater();

  void RunConversion();
  // On the run's thread: converts, saves and checks what was saved; a failure leaves as an
  // exception.
  void ConvertAndVerify(TProjectRun& aRun);
  void ConversionEnded(std::exception_ptr aError);
  // On the run's thread: checks the project aRun saved at aPath against its old project. A stop
  // puts back the older project the new one replaced, or removes the new one where there was none.
  vconvert::TCheckResult CheckSaved(TProjectRun& aRun, const std::u16string& aPath);
  void SaveAsEnded(const std::u16string& aPath, std::exception_ptr aError);
  // The kept project stays for another try; the summary says why it was not saved.
  void KeptProjectNotSaved(std::u16string aReason);
  // A close that came during the run closes the window once the run has ended.
  void CloseIfAsked(bool aClosing);
  // Convert becomes Stop while a run goes on, and comes back when it ends.
  void BeginRun();
  void EndRun();
  void StopRun(TMainState aState);
  void ShowSummary(bool aFailed, bool aStopped = false);
  // The bar moves only when its percentage does.
  void ShowPercent(int32_t aPercent);
  // Keeps aSummary as the last run's and shows it.
  void KeepSummary(TSummary aSummary);
  // The last run's summary, and where its report was saved, if it was.
  void ShowKeptSummary();
  std::u16string SaveLine() const;
  // The save dialog until it gives a path that may be written or is cancelled.
  std::optional<std::u16string> AskSavePath(const TSaveDialog& aDialog,
                                            const std::u16string& aProposal);
  // Whether aPath's folder exists, and whether the user lets an existing file be replaced.
  bool MayWriteTo(const std::u16string& aPath);
  // What became of aRun's run that just ended (aError, if it failed), as its report tells it.
  vreport::TInputResult RunResult(TProjectRun& aRun, std::exception_ptr aError);

  // A run of several projects: aItems in their order on the run's thread, and on a worker
  // beside it when projects go at once (uProjectSlots.h), a failure going on with the next; a
  // stop or an existing project that stops the run leaves the rest unconverted.
  void StartQueue(std::vector<vconvert::TInputItem> aItems, const TQueueOptions& aOptions,
                  bool aGiven);
  void ConvertQueue(const std::vector<vconvert::TInputItem>& aItems, const TQueueOptions& aOptions,
                    std::size_t aAtOnce);
  // The projects on aAtOnce threads, this one and workers beside it.
  void ConvertAtOnce(TProjectSlots& aSlots, const std::vector<vconvert::TInputItem>& aItems,
                     const TQueueOptions& aOptions, std::size_t aAtOnce);
  // A worker's share of the projects with a run of its own; what it raised, as its thread
  // must not let it out.
  std::exception_ptr ConvertOnWorker(TProjectSlots& aSlots,
                                     const std::vector<vconvert::TInputItem>& aItems,
                                     const TQueueOptions& aOptions);
  // The projects aSlots hands this thread, one after the other with aRun.
  void ConvertTaken(TProjectSlots& aSlots, TProjectRun& aRun,
                    const std::vector<vconvert::TInputItem>& aItems, const TQueueOptions& aOptions);
  TQueuedProject ConvertQueued(TProjectRun& aRun, const vconvert::TInputItem& aItem,
                               const TQueueOptions& aOptions);
  void QueuedProjectEnded(std::size_t aIndex, const TQueuedProject& aProject);
  void QueueEnded(std::exception_ptr aError);
  void ShowProjectRow(std::size_t aIndex);
  void ShowQueueSummary();
  // Leaves the project list for a run of one project.
  void HideQueue();
  // The dialog's or the drop's paths, several or one.
  void ConvertChosen(const std::vector<std::u16string>& aPaths, bool aGiven);
  void StartSingleRun(const std::u16string& aInput, bool aGiven);

  IMainView& fView;
  TTickClock fClock;
  // The run that the window shows as it goes: a single project's, its save as, and each
  // project of a run of several converted one at a time. Its host passes what the run tells on
  // to the window's thread; its recorder keeps it as the run's report.
  std::unique_ptr<TProjectRun> fMain;
  TMainState fState = TMainState::msIdle;
  // The project the next run converts instead of asking the open dialog.
  std::optional<std::u16string> fGivenProject;
  // The run converts a given project: Enter converts again once it has ended.
  bool fFocusConvertAtEnd = false;
  // A stop disabled the button, which took the focus with it: it comes back at the end.
  std::optional<TMainControl> fFocusTakenBy;
  bool fConvertDisabled = false;
  std::deque<std::u16string> fLastLogLines;
  int32_t fTargetRows = 0;
  std::optional<int32_t> fProgressPercent;
  std::size_t fProjectsAtOnce = DefaultProjectsAtOnce();
  // The last run of several converts projects beside each other.
  bool fQueueAtOnce = false;
  // The user has sized a target column: the views stop sharing the free width between them.
  bool fTargetColumnsSizedByUser = false;
  // The last run's project and the check of the saved file.
  std::optional<std::u16string> fRunInput;
  std::optional<vconvert::TCheckResult> fCheck;
  // The user would not save the empty project of the last run that asked where to save.
  bool fEmptyProjectDeclined = false;
  // The last run's report; a cancelled open dialog keeps it, as it keeps the summary.
  std::optional<vreport::TInputResult> fLastRun;
  TSummary fSummary;
  std::optional<std::u16string> fReportSavedTo;
  // Where the last run's project was saved, or why its save failed (none: cancelled).
  std::optional<std::u16string> fSavedTo;
  std::optional<std::u16string> fSaveFailure;
  // The last run's project while it is not saved, until the next run begins or the window closes.
  std::optional<vconvert::TUnsavedProject> fUnsaved;
  // The projects of the last run of several, in the order of the list; none after a run of one.
  std::vector<TQueuedProject> fQueue;
  std::optional<std::size_t> fSelectedProject;
  // Projects given by GatherProjects and not converted yet, in the order they came.
  std::vector<std::u16string> fGathered;
  bool fGathering = false;
  // Counts the waits for more projects: only the wait of the last that came ends the gathering.
  uint64_t fGatheringWaits = 0;
  // How deep the window's events being handled are nested: a dialog's loop handles events too,
  // and gathered projects wait until the outermost one is done.
  int fHandlingDepth = 0;
  // Last: the thread goes before anything it may touch.
  TRunThread fThread;
};

// How far a run has come, in percent of the bar: each stage fills a share of its own.
int32_t RunPercent(vconvert::TRunStage aStage, int64_t aDone, int64_t aTotal);

// The text a log entry shows: every line break of any kind becomes a blank, CR LF one blank.
std::u16string SingleLine(std::u16string_view aText);
// The path a save dialog's choice names: the chosen filter's extension is added unless the name
// already ends in an extension of the dialog's filters, in any case ("Release 2.5" becomes
// "Release 2.5.vxp", "x.VXP" stays).
std::u16string PathWithExtension(const TSaveDialog& aDialog, const TSaveChoice& aChoice);
// The first old project (.vlp, in any case) among aPaths.
std::optional<std::u16string> OldProjectAmong(const std::vector<std::u16string>& aPaths);
// The old projects (.vlp, in any case) and the folders among aPaths, in their order.
std::vector<std::u16string> ProjectsAmong(const std::vector<std::u16string>& aPaths);
// The project named on a command line (program name first), made absolute, if there is one.
std::optional<std::u16string> ProjectOfArguments(const std::vector<std::u16string>& aArguments);

} // namespace vui
