#include "vpresenter/uMainPresenter.h"

#include "uKeptOlderProject.h"
#include "vbase/AvailableMemory.h"
#include "vbase/Characters.h"
#include "vbase/IntegerText.h"
#include "vbase/Utf8.h"
#include "vpresenter/uMainTexts.h"
#include "vpresenter/uProjectQueue.h"
#include "vreport/Report.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>
#include <thread>
#include <utility>

namespace vui {

using vbase::IntToText;
using vbase::Utf8Encode;
using vconvert::TFoundTarget;
using vconvert::TRunStage;

namespace {

constexpr std::u16string_view NotConvertedHint =
    u"Not converted: the new format has no counterpart for this kind of target.";
constexpr std::u16string_view NoBrowserNotice =
    u"No web browser could be started for the help. The help page is at:\n\n";
constexpr std::u16string_view NotSavedLine =
    u"The new project was not saved: the save dialog was cancelled.";
constexpr std::u16string_view FailedLine = u"The conversion failed; the new project was not saved.";
// Where each stage's share of the bar starts, in the order of TRunStage, and where the last ends:
// loading and checking read whole files, converting walks what is loaded.
constexpr std::array<int64_t, 5> StageStarts{0, 35, 50, 70, 100};

std::u16string EmptyProjectQuestion() {
  return std::u16string(vconvert::NothingOfOldProjectWarning) + u'\n' +
         std::u16string(SaveEmptyProjectQuestion);
}

// The characters on which a log box begins a new line; U+FDD0 and U+FDD1 are frame marks of
// Qt's text documents.
bool StartsNewLine(char16_t aChar) {
  return aChar == u'\r' || aChar == u'\n' || aChar == u'\u2028' || aChar == u'\u2029' ||
         aChar == u'\uFDD0' || aChar == u'\uFDD1';
}

// ".vxp" of the pattern "*.vxp".
std::u16string_view FilterExtension(const TFileFilter& aFilter) {
  return aFilter.Pattern.substr(1);
}

bool HasRowsNotCarriedOver(const vconvert::TConversionRun& aRun) {
  return !aRun.DroppedRows().empty() || !aRun.DiscardedRows().empty();
}

TTargetCell PathCell(std::u16string_view aPath) {
  // A long path is cut by its column; the tooltip shows it whole.
  return {std::u16string(aPath), std::u16string(aPath)};
}

bool IsStop(std::exception_ptr aError) {
  if (!aError)
    return false;
  try {
    std::rethrow_exception(aError);
  } catch (const vbase::EStopped&) {
    return true;
  } catch (...) {
    return false;
  }
}

// A copy of a found target whose texts outlive the run's call.
struct TFoundTargetCopy {
  TFoundTarget Target;
  std::u16string OldTarget;
  std::u16string NewTarget;

  explicit TFoundTargetCopy(const TFoundTarget& aTarget)
      : Target(aTarget), OldTarget(aTarget.OldTarget), NewTarget(aTarget.NewTarget) {}
  TFoundTarget View() const {
    TFoundTarget target = Target;
    target.OldTarget = OldTarget;
    target.NewTarget = NewTarget;
    return target;
  }
};

// Runs its action when the scope it stands in is left, by a return or an exception.
struct TAtExit {
  std::function<void()> Action;
  ~TAtExit() { Action(); }
};

} // namespace

int32_t RunPercent(TRunStage aStage, int64_t aDone, int64_t aTotal) {
  const int64_t ofStage = aTotal > 0 ? std::clamp<int64_t>(aDone * 100 / aTotal, 0, 100) : 0;
  const auto stage = static_cast<std::size_t>(aStage);
  const int64_t share = StageStarts.at(stage + 1) - StageStarts.at(stage);
  return static_cast<int32_t>(StageStarts.at(stage) + ofStage * share / 100);
}

// The run's host on the run's thread: everything it is told goes to the presenter on the
// window's thread, and the question where to save is asked there while the run waits. The host
// of a project converted beside another shows nothing: two runs would mix their logs and lists.
class TMainPresenter::TRunHost final : public vconvert::IConversionHost {
public:
  TRunHost(TMainPresenter& aPresenter, TRunThread& aThread, bool aShown)
      : fPresenter(aPresenter), fThread(aThread), fShown(aShown) {}

  // Set on the window's thread before the run starts, or on the run's before each project of a
  // run of several, which answers where to save from aQueue instead of asking.
  void Prepare(std::u16string aInput, std::optional<TQueueOptions> aQueue = std::nullopt) {
    fInput = std::move(aInput);
    fQueue = std::move(aQueue);
    fKept.reset();
    fExisting.reset();
    fPercent.reset();
  }
  const std::u16string& Input() const { return fInput; }
  // The new project is about to go to aPath: an older project there is kept until the check.
  void KeepOlderProjectAt(const std::u16string& aPath) {
    fKept.reset();
    fKept.emplace(std::filesystem::path(aPath));
  }
  // A stop during the check: the older project comes back, or the new one goes.
  void GiveUpNewProject() {
    if (fKept)
      fKept->GiveUpNewProject();
  }
  // The check has ended: the new project stays.
  void ForgetOlderProject() { fKept.reset(); }
  // The new project that existed and was not replaced, in a run of several.
  const std::optional<std::u16string>& Existing() const { return fExisting; }
  // Progress of a stage the presenter runs itself; it looks at the stop as well.
  vconvert::TOnProgressEvent ProgressOf(TRunStage aStage) {
    ShowProgress(aStage, 0, 0);
    return [this, aStage](int64_t aDone, int64_t aTotal) {
      fThread.StopSignal().Check();
      ShowProgress(aStage, aDone, aTotal);
    };
  }

  std::optional<std::u16string> AskOldProjectPath() override { return fInput; }
  void ClearLog() override {
    Show([this] { fPresenter.ClearLog(); });
  }
  void AddLogLine(std::u16string_view aLine) override {
    Show([this, line = std::u16string(aLine)] { fPresenter.AddLogLine(line); });
  }
  void TargetsCleared() override {
    Show([this] { fPresenter.TargetsCleared(); });
  }
  void TargetFound(const TFoundTarget& aTarget) override {
    Show([this, target = TFoundTargetCopy(aTarget)] { fPresenter.TargetFound(target.View()); });
  }
  void TargetRowsCounted(int32_t aTarget, int32_t aCount) override {
    Show([this, aTarget, aCount] { fPresenter.TargetRowsCounted(aTarget, aCount); });
  }
  std::optional<std::u16string> AskOutputPath(const std::u16string& aProposal) override {
    std::optional<std::u16string> answer =
        fQueue ? QueuedOutputPath(aProposal) : AskUser(aProposal);
    if (answer)
      KeepOlderProjectAt(*answer);
    return answer;
  }
  uint32_t TickCount() override { return fPresenter.fClock(); }
  void ProcessMessages() override {}
  bool ShowsProgress() const override { return true; }
  // Only a new percent crosses to the window's thread: the run reports every node.
  void ShowProgress(TRunStage aStage, int64_t aDone, int64_t aTotal) override {
    const int32_t percent = RunPercent(aStage, aDone, aTotal);
    if (percent == fPercent)
      return;
    fPercent = percent;
    Show([this, aStage, aDone, aTotal] { fPresenter.ShowProgress(aStage, aDone, aTotal); });
  }

private:
  void Show(std::function<void()> aEvent) {
    if (fShown)
      fThread.Post(std::move(aEvent));
  }
  std::optional<std::u16string> AskUser(const std::u16string& aProposal) {
    // Outlives a wait that a stop ends while the dialog is still open.
    const auto answer = std::make_shared<std::optional<std::u16string>>();
    fThread.Ask([this, answer, aProposal] { *answer = fPresenter.AskOutputPath(aProposal); });
    return *answer;
  }
  // Answered once for the whole run: no dialog per project.
  std::optional<std::u16string> QueuedOutputPath(const std::u16string& aProposal) {
    std::filesystem::path path = QueuedOutput(aProposal, *fQueue);
    if (fQueue->Existing != TExistingOutputs::eoReplace && OutputExists(path)) {
      fExisting = path.make_preferred().u16string();
      return std::nullopt;
    }
    return path.make_preferred().u16string();
  }

  TMainPresenter& fPresenter;
  TRunThread& fThread;
  const bool fShown;
  std::u16string fInput;
  std::optional<TKeptOlderProject> fKept;
  std::optional<TQueueOptions> fQueue;
  std::optional<std::u16string> fExisting;
  std::optional<int32_t> fPercent;
};

// One project's conversion with everything of its own: what it tells, its report and the check
// of what it saved.
struct TMainPresenter::TProjectRun {
  TRunHost Host;
  vreport::TRunRecorder Recorder{Host};
  vconvert::TConversionRun Run{Recorder};
  // Made on the run's thread, until the window's thread takes it.
  std::optional<vconvert::TCheckResult> Check;

  TProjectRun(TMainPresenter& aPresenter, bool aShown)
      : Host(aPresenter, aPresenter.fThread, aShown) {
    Run.SetStop(&aPresenter.fThread.StopSignal());
  }
};

// Around an event of the window that may open a dialog, whose loop handles other events meanwhile.
class TMainPresenter::THandling {
public:
  explicit THandling(TMainPresenter& aPresenter) : fPresenter(aPresenter) {
    ++fPresenter.fHandlingDepth;
  }
  ~THandling() {
    if (--fPresenter.fHandlingDepth == 0)
      fPresenter.ConvertGatheredLater();
  }
  THandling(const THandling&) = delete;
  THandling& operator=(const THandling&) = delete;

private:
  TMainPresenter& fPresenter;
};

TMainPresenter::TMainPresenter(IMainView& aView, TTickClock aClock)
    : fView(aView), fClock(std::move(aClock)), fThread([this] { fView.PostRunEvents(); }) {
  // The run's stop belongs to the thread, which is the last member.
  fMain = std::make_unique<TProjectRun>(*this, true);
  fMain->Run.SetKeepsUnsavedProject(true);
}

// The thread is the last member, so it is gone first; the host it uses goes after.
TMainPresenter::~TMainPresenter() = default;

void TMainPresenter::AbandonRun() {
  fThread.Abandon();
}

void TMainPresenter::ConvertClicked() {
  const THandling handling(*this);
  if (fState == TMainState::msIdle)
    RunConversion();
  else if (fState == TMainState::msRunning)
    StopRun(TMainState::msStopping);
}

void TMainPresenter::RunConversion() {
  if (fGivenProject) {
    StartSingleRun(*fGivenProject, true);
    return;
  }
  // A cancelled open dialog leaves the last run's summary as it is.
  ConvertChosen(fView.Desktop().ChooseOpenPaths(), false);
}

void TMainPresenter::ConvertChosen(const std::vector<std::u16string>& aPaths, bool aGiven) {
  std::error_code error;
  // One project stays the run it has always been, with its save dialog and its questions.
  if (aPaths.size() == 1 && !std::filesystem::is_directory(std::filesystem::path(aPaths[0]), error))
    StartSingleRun(aPaths[0], aGiven);
  else if (!aPaths.empty())
    try {
      std::vector<std::string> inputs;
      for (const std::u16string& path : aPaths)
        inputs.push_back(Utf8Encode(path));
      std::vector<vconvert::TInputItem> items = vconvert::ExpandInputs(inputs);
      if (const std::optional<TQueueOptions> options =
              fView.Desktop().AskQueueOptions(items.size()))
        StartQueue(std::move(items), *options, aGiven);
    } catch (...) {
      ReportException(std::current_exception());
    }
}

void TMainPresenter::StartSingleRun(const std::u16string& aInput, bool aGiven) {
  HideQueue();
  // A new run begins: nothing of the last run stays up behind its boxes, and the project kept
  // from it goes before the next one loads.
  fView.ShowSummary({});
  fReportSavedTo.reset();
  fRunInput = aInput;
  fUnsaved.reset();
  fSavedTo.reset();
  fSaveFailure.reset();
  fCheck.reset();
  fMain->Check.reset();
  fFocusConvertAtEnd = aGiven;
  fMain->Host.Prepare(aInput);
  BeginRun();
  fThread.Start([this] { ConvertAndVerify(*fMain); },
                [this](std::exception_ptr aError) { ConversionEnded(aError); });
}

void TMainPresenter::ConvertAndVerify(TProjectRun& aRun) {
  // Once the check is done, or the run ends before it, the new project is what stays.
  const TAtExit forget{[&aRun] { aRun.Host.ForgetOlderProject(); }};
  aRun.Check.reset();
  aRun.Run.Execute();
  if (const std::optional<std::u16string> savedTo = aRun.Recorder.SavedTo()) {
    try {
      aRun.Check = CheckSaved(aRun, *savedTo);
    } catch (const vbase::EStopped&) {
      aRun.Recorder.OutputRemoved();
      throw;
    }
    aRun.Recorder.Verified(*aRun.Check);
  }
}

vconvert::TCheckResult TMainPresenter::CheckSaved(TProjectRun& aRun, const std::u16string& aPath) {
  try {
    return vconvert::CheckConversion(aRun.Host.Input(), aPath,
                                     aRun.Host.ProgressOf(TRunStage::rsChecking),
                                     &fThread.StopSignal());
  } catch (const vbase::EStopped&) {
    aRun.Host.GiveUpNewProject();
    throw;
  }
}

void TMainPresenter::ConversionEnded(std::exception_ptr aError) {
  const bool closing = fState == TMainState::msClosing;
  const bool stopped = IsStop(aError);
  if (stopped)
    AddLogLine(StoppedLogLine);
  else if (aError && !closing)
    ReportException(aError);
  fUnsaved = fMain->Run.TakeUnsavedProject();
  if (aError && fUnsaved)
    fSaveFailure = DescribeException(aError).Message;
  fSavedTo = fMain->Recorder.SavedTo();
  fCheck = std::move(fMain->Check);
  fMain->Check.reset();
  fLastRun = RunResult(*fMain, aError);
  EndRun();
  ShowSummary(aError != nullptr, stopped);
  if (fFocusConvertAtEnd)
    fView.FocusConvert();
  CloseIfAsked(closing);
}

void TMainPresenter::CloseIfAsked(bool aClosing) {
  if (!aClosing)
    return;
  fUnsaved.reset();
  fView.Close();
}

void TMainPresenter::SaveAsClicked() {
  const THandling handling(*this);
  if (fState != TMainState::msIdle || !fUnsaved)
    return;
  const std::optional<std::u16string> chosen = AskSavePath(SaveProjectDialog, fUnsaved->Proposal());
  if (!chosen)
    return;
  fMain->Host.Prepare(*fRunInput);
  fMain->Host.KeepOlderProjectAt(*chosen);
  fMain->Check.reset();
  BeginRun();
  fThread.Start(
      [this, path = *chosen] {
        const TAtExit forget{[this] { fMain->Host.ForgetOlderProject(); }};
        fUnsaved->SaveTo(path, fMain->Host.ProgressOf(TRunStage::rsSaving));
        fMain->Check = CheckSaved(*fMain, path);
      },
      [this, path = *chosen](std::exception_ptr aError) { SaveAsEnded(path, aError); });
}

// The last run's report tells the save as if the run had made it.
void TMainPresenter::SaveAsEnded(const std::u16string& aPath, std::exception_ptr aError) {
  const bool closing = fState == TMainState::msClosing;
  EndRun();
  if (aError) {
    if (IsStop(aError)) {
      AddLogLine(StoppedLogLine);
      KeptProjectNotSaved(std::u16string(SaveStoppedReason));
    } else if (!closing) {
      ReportException(aError);
      KeptProjectNotSaved(DescribeException(aError).Message);
    }
    CloseIfAsked(closing);
    return;
  }
  fUnsaved.reset();
  fSavedTo = aPath;
  fSaveFailure.reset();
  fLastRun->Output = Utf8Encode(aPath);
  fLastRun->Error.reset();
  if (fMain->Run.FoundNothingOfOldProject())
    fLastRun->Warning = Utf8Encode(vconvert::NothingOfOldProjectWarning);
  fCheck = std::move(fMain->Check);
  fMain->Check.reset();
  fLastRun->Verification = fCheck;
  ShowSummary(false);
  CloseIfAsked(closing);
}

void TMainPresenter::BeginRun() {
  fState = TMainState::msRunning;
  fView.ShowConvertAsStop(true);
}

void TMainPresenter::StopRun(TMainState aState) {
  fState = aState;
  fThread.Stop();
  if (fConvertDisabled)
    return;
  // A stop is given once; the button waits for the run to end.
  const bool hadFocus = fView.FocusedControl() == TMainControl::mcConvert;
  fView.SetConvertEnabled(false);
  fConvertDisabled = true;
  if (hadFocus && fView.FocusedControl() != TMainControl::mcNone)
    fFocusTakenBy = fView.FocusedControl();
}

void TMainPresenter::EndRun() {
  fState = TMainState::msIdle;
  fProgressPercent.reset();
  fView.ShowProgressBar(std::nullopt);
  fView.ShowConvertAsStop(false);
  if (fConvertDisabled) {
    fView.SetConvertEnabled(true);
    fConvertDisabled = false;
    // Disabling passed the focus on; the next key press should convert again, unless the
    // user has put the focus elsewhere since.
    if (fFocusTakenBy && fView.FocusedControl() == *fFocusTakenBy)
      fView.FocusConvert();
    fFocusTakenBy.reset();
  }
}

void TMainPresenter::KeptProjectNotSaved(std::u16string aReason) {
  if (fUnsaved) {
    fSaveFailure = std::move(aReason);
    fLastRun->Error = Utf8Encode(*fSaveFailure);
  }
  ShowSummary(false);
}

void TMainPresenter::ShowSummary(bool aFailed, bool aStopped) {
  TSummary summary;
  // The report tells the story of a failed run too.
  summary.OffersReport = fLastRun.has_value();
  // A run that failed in its save has converted: only the save is to be made again.
  if (aFailed && !fUnsaved) {
    summary.Lines.emplace_back(aStopped ? StoppedLine : FailedLine);
    KeepSummary(std::move(summary));
    return;
  }
  summary.OffersSaveAs = fUnsaved.has_value();
  std::vector<std::u16string>& lines = summary.Lines;
  lines.push_back(SaveLine());
  lines.push_back(CountsLine(fMain->Run.TargetsConverted(), fMain->Run.TargetsFound(),
                             fMain->Run.RowsPlaced()));
  if (!fMain->Run.DroppedRows().empty())
    lines.push_back(vconvert::DroppedRowsSentence(fMain->Run.DroppedRows().size()));
  if (!fMain->Run.DiscardedRows().empty())
    lines.push_back(vconvert::DiscardedRowsSentence(fMain->Run.DiscardedRows().size()));
  summary.OffersDroppedRows = HasRowsNotCarriedOver(fMain->Run);
  if (fMain->Run.FoundNothingOfOldProject())
    lines.emplace_back(vconvert::NothingOfOldProjectWarning);
  if (fCheck)
    lines.push_back(VerificationLine(*fCheck));
  KeepSummary(std::move(summary));
}

void TMainPresenter::KeepSummary(TSummary aSummary) {
  fSummary = std::move(aSummary);
  ShowKeptSummary();
}

void TMainPresenter::ShowKeptSummary() {
  TSummary summary = fSummary;
  if (fReportSavedTo)
    summary.Lines.push_back(ReportSavedLine(*fReportSavedTo));
  fView.ShowSummary(summary);
}

std::u16string TMainPresenter::SaveLine() const {
  if (fSavedTo)
    return SavedLine(*fSavedTo);
  if (fSaveFailure)
    return std::u16string(NotSavedBecause) + *fSaveFailure + u".";
  if (fEmptyProjectDeclined)
    return std::u16string(EmptyProjectNotSavedLine);
  return std::u16string(NotSavedLine);
}

// The dialog closes before the presenter looks at its path: a refused path opens it again
// there, where the user can choose another or cancel.
std::optional<std::u16string> TMainPresenter::AskSavePath(const TSaveDialog& aDialog,
                                                          const std::u16string& aProposal) {
  std::u16string proposal = aProposal;
  while (const std::optional<TSaveChoice> chosen =
             fView.Desktop().ChooseSavePath(aDialog, proposal)) {
    proposal = PathWithExtension(aDialog, *chosen);
    if (MayWriteTo(proposal))
      return proposal;
  }
  return std::nullopt;
}

bool TMainPresenter::MayWriteTo(const std::u16string& aPath) {
  const std::filesystem::path path(aPath);
  std::filesystem::path folder = path.parent_path();
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    fView.Desktop().ShowNotice(TNoticeKind::nkWarning,
                               MissingFolderWarning(folder.make_preferred().u16string()));
    return false;
  }
  if (!std::filesystem::exists(path, error) || std::filesystem::is_directory(path, error))
    return true;
  return fView.Desktop().AskYesNo(ReplaceQuestion(aPath));
}

void TMainPresenter::ShowDroppedRowsClicked() {
  const THandling handling(*this);
  if (fState != TMainState::msIdle)
    return;
  if (!fQueue.empty()) {
    if (fSelectedProject) {
      const vreport::TInputResult& result = fQueue[*fSelectedProject].Result;
      fView.ShowRowsWindow(RowsWindowOf(result.DroppedRows, result.DiscardedRows));
    }
    return;
  }
  // During a run the rows are the run's, on its own thread.
  if (HasRowsNotCarriedOver(fMain->Run))
    fView.ShowRowsWindow(RowsWindowOf(fMain->Run.DroppedRows(), fMain->Run.DiscardedRows()));
}

void TMainPresenter::SaveReportClicked() {
  const THandling handling(*this);
  if (fState != TMainState::msIdle || (!fLastRun && fQueue.empty()))
    return;
  std::vector<vreport::TInputResult> results;
  for (const TQueuedProject& project : fQueue)
    results.push_back(project.Result);
  const std::u16string proposal =
      results.empty() ? vbase::Utf8Decode(fLastRun->Input) + std::u16string(ReportNameSuffix)
                      : (std::filesystem::path(vbase::Utf8Decode(results[0].Input)).parent_path() /
                         std::filesystem::path(QueueReportName))
                            .make_preferred()
                            .u16string();
  if (results.empty())
    results.push_back(*fLastRun);
  const std::optional<std::u16string> chosen = AskSavePath(SaveReportDialog, proposal);
  if (!chosen)
    return;
  try {
    vreport::WriteReport(Utf8Encode(*chosen), results, Utf8Encode(ProgramName));
  } catch (...) {
    ReportException(std::current_exception());
    return;
  }
  fReportSavedTo = chosen;
  ShowKeptSummary();
}

vreport::TInputResult TMainPresenter::RunResult(TProjectRun& aRun, std::exception_ptr aError) {
  if (aError) {
    try {
      std::rethrow_exception(aError);
    } catch (const std::exception& error) {
      aRun.Recorder.RunFailed(error);
    } catch (...) {
      aRun.Recorder.RunFailed(Utf8Encode(DescribeException(aError).Message));
    }
  }
  return aRun.Recorder.TakeResult(aRun.Run);
}

void TMainPresenter::StartQueue(std::vector<vconvert::TInputItem> aItems,
                                const TQueueOptions& aOptions, bool aGiven) {
  fUnsaved.reset();
  fLastRun.reset();
  fSelectedProject.reset();
  fQueue.assign(aItems.size(), {});
  ClearLog();
  TargetsCleared();
  fView.ShowProjectList(true);
  for (std::size_t index = 0; index < aItems.size(); ++index) {
    fQueue[index].Result.Input = aItems[index].Path;
    ShowProjectRow(index);
  }
  fView.ShowSummary({});
  fReportSavedTo.reset();
  fFocusConvertAtEnd = aGiven;
  // Nothing is kept in memory for a later save: each project is saved or given up at once.
  fMain->Run.SetKeepsUnsavedProject(false);
  const std::size_t atOnce = aItems.size() > 1 ? fProjectsAtOnce : 1;
  fQueueAtOnce = atOnce > 1;
  BeginRun();
  if (fQueueAtOnce)
    ShowPercent(0);
  fThread.Start([this, items = std::move(aItems), aOptions,
                 atOnce] { ConvertQueue(items, aOptions, atOnce); },
                [this](std::exception_ptr aError) { QueueEnded(aError); });
}

void TMainPresenter::ConvertQueue(const std::vector<vconvert::TInputItem>& aItems,
                                  const TQueueOptions& aOptions, std::size_t aAtOnce) {
  std::vector<TPlannedProject> planned;
  for (const vconvert::TInputItem& item : aItems)
    planned.push_back(PlannedProject(item, aOptions));
  // A project that would stop the run must not have started one after it meanwhile.
  const auto runsAlone = [&planned, &aOptions](std::size_t aIndex) {
    return aOptions.Existing == TExistingOutputs::eoStop &&
           OutputExists(std::filesystem::path(planned[aIndex].Output));
  };
  TProjectSlots slots(planned, aAtOnce, runsAlone, vbase::AvailablePhysicalMemory);
  if (aAtOnce == 1)
    ConvertTaken(slots, *fMain, aItems, aOptions);
  else
    ConvertAtOnce(slots, aItems, aOptions, aAtOnce);
}

void TMainPresenter::ConvertAtOnce(TProjectSlots& aSlots,
                                   const std::vector<vconvert::TInputItem>& aItems,
                                   const TQueueOptions& aOptions, std::size_t aAtOnce) {
  std::vector<std::exception_ptr> errors(aAtOnce);
  {
    std::vector<std::jthread> workers;
    for (std::size_t worker = 1; worker < aAtOnce; ++worker)
      try {
        workers.emplace_back(
            [&, worker] { errors[worker] = ConvertOnWorker(aSlots, aItems, aOptions); });
      } catch (const std::system_error&) {
        break; // no room for another thread's stack: those started do the work
      }
    errors[0] = ConvertOnWorker(aSlots, aItems, aOptions);
  }
  for (const std::exception_ptr& error : errors)
    if (error)
      std::rethrow_exception(error);
}

std::exception_ptr TMainPresenter::ConvertOnWorker(TProjectSlots& aSlots,
                                                   const std::vector<vconvert::TInputItem>& aItems,
                                                   const TQueueOptions& aOptions) {
  try {
    TProjectRun run(*this, false);
    run.Run.SetKeepsUnsavedProject(false);
    ConvertTaken(aSlots, run, aItems, aOptions);
  } catch (...) {
    return std::current_exception();
  }
  return nullptr;
}

void TMainPresenter::ConvertTaken(TProjectSlots& aSlots, TProjectRun& aRun,
                                  const std::vector<vconvert::TInputItem>& aItems,
                                  const TQueueOptions& aOptions) {
  while (const std::optional<std::size_t> index = aSlots.Take(fThread.StopSignal())) {
    bool stops = true;
    try {
      fThread.Post([this, index = *index] {
        fQueue[index].Outcome = poConverting;
        ShowProjectRow(index);
      });
      TQueuedProject project = ConvertQueued(aRun, aItems[*index], aOptions);
      stops = project.Outcome == poStopped;
      // Posted before the slot is freed: the window sees a project end before the next of the
      // same new project begins.
      fThread.Post([this, index = *index, project = std::move(project)] {
        QueuedProjectEnded(index, project);
      });
    } catch (...) {
      aSlots.Done(*index, true);
      throw;
    }
    aSlots.Done(*index, stops);
  }
}

TQueuedProject TMainPresenter::ConvertQueued(TProjectRun& aRun, const vconvert::TInputItem& aItem,
                                             const TQueueOptions& aOptions) {
  TQueuedProject project;
  if (aItem.Error) {
    project.Outcome = poFailed;
    project.Result.Input = aItem.Path;
    project.Result.Error = aItem.Error;
    return project;
  }
  const std::u16string input = vbase::Utf8Decode(aItem.Path);
  aRun.Host.Prepare(input, aOptions);
  aRun.Check.reset();
  std::exception_ptr error;
  try {
    ConvertAndVerify(aRun);
  } catch (...) {
    error = std::current_exception();
  }
  project.Result = RunResult(aRun, error);
  const std::optional<std::u16string>& existing = aRun.Host.Existing();
  if (IsStop(error))
    project.Outcome = poStopped;
  else if (existing) {
    const bool stops = aOptions.Existing == TExistingOutputs::eoStop;
    project.Outcome = stops ? poStopped : poSkipped;
    project.Result.Error = Utf8Encode(ExistingOutputError(*existing, stops));
  } else if (!project.Result.Ok())
    project.Outcome = poFailed;
  else
    project.Outcome = project.Result.Warning ? poWarning : poConverted;
  return project;
}

void TMainPresenter::QueuedProjectEnded(std::size_t aIndex, const TQueuedProject& aProject) {
  fQueue[aIndex] = aProject;
  ShowProjectRow(aIndex);
  if (!fQueueAtOnce)
    return;
  // Projects beside each other have no one stage to show: the bar counts those ended.
  const auto ended = std::count_if(fQueue.begin(), fQueue.end(), [](const TQueuedProject& aEnded) {
    return aEnded.Outcome > poConverting;
  });
  ShowPercent(static_cast<int32_t>(ended * 100 / static_cast<std::ptrdiff_t>(fQueue.size())));
}

void TMainPresenter::QueueEnded(std::exception_ptr aError) {
  const bool closing = fState == TMainState::msClosing;
  bool stopped = false;
  for (std::size_t index = 0; index < fQueue.size(); ++index) {
    TQueuedProject& project = fQueue[index];
    if (project.Outcome == poStopped)
      stopped = true;
    if (project.Outcome != poWaiting && project.Outcome != poConverting)
      continue;
    // Never begun, or begun when the stop came between its steps.
    project.Outcome = poStopped;
    project.Result.Error = Utf8Encode(vconvert::StoppedMessage);
    ShowProjectRow(index);
    stopped = true;
  }
  if (stopped)
    AddLogLine(StoppedLogLine);
  else if (aError && !closing)
    ReportException(aError);
  fMain->Run.SetKeepsUnsavedProject(true);
  EndRun();
  ShowQueueSummary();
  if (fFocusConvertAtEnd)
    fView.FocusConvert();
  CloseIfAsked(closing);
}

void TMainPresenter::ShowProjectRow(std::size_t aIndex) {
  fView.SetProjectRow(static_cast<int32_t>(aIndex), ProjectRowOf(fQueue[aIndex]));
}

void TMainPresenter::ShowQueueSummary() {
  KeepSummary(QueueSummaryOf(fQueue, fSelectedProject));
}

void TMainPresenter::ProjectSelected(int32_t aRow) {
  if (fState != TMainState::msIdle || aRow < 0 || static_cast<std::size_t>(aRow) >= fQueue.size())
    return;
  const auto index = static_cast<std::size_t>(aRow);
  if (fSelectedProject == index)
    return;
  fSelectedProject = index;
  const vreport::TInputResult& result = fQueue[index].Result;
  ClearLog();
  for (const std::u16string& line : result.Log)
    AddLogLine(line);
  TargetsCleared();
  for (std::size_t number = 0; number < result.Targets.size(); ++number) {
    const vreport::TTargetOutcome& target = result.Targets[number];
    TFoundTarget found;
    found.Number = static_cast<int32_t>(number);
    found.Converted = target.Converted;
    found.Kind = target.Kind;
    found.OldTarget = target.OldTarget;
    found.NewTarget = target.NewTarget;
    TargetFound(found);
    if (target.Rows)
      TargetRowsCounted(found.Number, *target.Rows);
  }
  ShowQueueSummary();
}

void TMainPresenter::HideQueue() {
  if (fQueue.empty())
    return;
  fQueue.clear();
  fSelectedProject.reset();
  fView.ShowProjectList(false);
}

void TMainPresenter::HelpClicked() {
  const THandling handling(*this);
  try {
    if (!fView.Desktop().OpenUrl(HelpPageUrl))
      fView.Desktop().ShowNotice(TNoticeKind::nkInformation,
                                 std::u16string(NoBrowserNotice) + std::u16string(HelpPageUrl));
  } catch (...) {
    ReportException(std::current_exception());
  }
}

void TMainPresenter::ConvertProject(const std::u16string& aPath) {
  if (fState != TMainState::msIdle)
    return;
  // Wherever the focus is when the project comes, Enter should convert again once it is done.
  fGivenProject = aPath;
  RunConversion();
  fGivenProject.reset();
}

void TMainPresenter::ConvertProjectLater(const std::u16string& aPath) {
  fView.RunLater([this, aPath] { ConvertProject(aPath); });
}

void TMainPresenter::ConvertInputs(const std::vector<std::u16string>& aPaths) {
  const THandling handling(*this);
  if (fState == TMainState::msIdle)
    ConvertChosen(aPaths, true);
}

void TMainPresenter::ConvertInputsLater(std::vector<std::u16string> aPaths) {
  fView.RunLater([this, paths = std::move(aPaths)] { ConvertInputs(paths); });
}

bool TMainPresenter::GatherProjects(const std::vector<std::u16string>& aPaths) {
  if (fState == TMainState::msClosing)
    return false;
  fGathered.insert(fGathered.end(), aPaths.begin(), aPaths.end());
  if (!aPaths.empty() && fState == TMainState::msIdle) {
    fGathering = true;
    fView.RunAfter(GatheringMilliseconds, [this, wait = ++fGatheringWaits] {
      if (wait != fGatheringWaits)
        return;
      fGathering = false;
      ConvertGathered();
    });
  }
  return true;
}

void TMainPresenter::ConvertGathered() {
  if (!fGathering && fHandlingDepth == 0 && fState == TMainState::msIdle && !fGathered.empty())
    ConvertInputs(std::exchange(fGathered, {}));
}

void TMainPresenter::ConvertGatheredLater() {
  if (!fGathered.empty() && fState == TMainState::msIdle)
    fView.RunLater([this] { ConvertGathered(); });
}

void TMainPresenter::ConvertFolderClicked() {
  const THandling handling(*this);
  if (fState != TMainState::msIdle)
    return;
  if (const std::optional<std::u16string> folder = fView.Desktop().ChooseFolder())
    ConvertChosen({*folder}, false);
}

bool TMainPresenter::AcceptsDrop(const std::vector<std::u16string>& aPaths) const {
  return fState == TMainState::msIdle && !ProjectsAmong(aPaths).empty();
}

bool TMainPresenter::FilesDropped(const std::vector<std::u16string>& aPaths) {
  if (!AcceptsDrop(aPaths))
    return false;
  // The file manager waits for the drop to end; the run and its dialogs come after.
  ConvertInputsLater(ProjectsAmong(aPaths));
  return true;
}

bool TMainPresenter::CloseRequested() {
  if (fState == TMainState::msIdle) {
    fUnsaved.reset();
    return true;
  }
  // The run removes what it began to write; the window closes when it is told the run ended.
  StopRun(TMainState::msClosing);
  return false;
}

void TMainPresenter::HandleRunEvents() {
  const THandling handling(*this);
  try {
    fThread.HandleEvents();
  } catch (...) {
    // A view that fails must not take the window's loop with it.
    ReportException(std::current_exception());
  }
}

void TMainPresenter::ReportException(std::exception_ptr aError) {
  const THandling handling(*this);
  TErrorReport report = DescribeException(aError);
  report.LastLogLines.assign(fLastLogLines.begin(), fLastLogLines.end());
  fView.Desktop().ShowError(report);
}

void TMainPresenter::ColumnSizedByUser(TTargetColumn aColumn) {
  if (aColumn == tcOldTarget || aColumn == tcNewTarget)
    fTargetColumnsSizedByUser = true;
}

std::optional<TTargetColumnWidths> TMainPresenter::TargetColumnWidths(int aFreeWidth) const {
  if (fTargetColumnsSizedByUser)
    return std::nullopt;
  return SharedTargetColumnWidths(aFreeWidth);
}

void TMainPresenter::ClearLog() {
  fLastLogLines.clear();
  fView.ClearLog();
}

void TMainPresenter::AddLogLine(std::u16string_view aLine) {
  const std::u16string line = SingleLine(aLine);
  fView.AddLogLine(line);
  if (fLastLogLines.size() == LastLogLinesInReport)
    fLastLogLines.pop_front();
  fLastLogLines.push_back(line);
}

void TMainPresenter::TargetsCleared() {
  fTargetRows = 0;
  fView.ClearTargets();
}

void TMainPresenter::TargetFound(const TFoundTarget& aTarget) {
  TTargetRow row;
  if (aTarget.Converted) {
    row.OldTarget = PathCell(aTarget.OldTarget);
    row.NewTarget = PathCell(aTarget.NewTarget);
  } else {
    // The old target names it; every cell of the row tells why it has nothing more.
    row.Image = tiNotConverted;
    row.OldTarget.Text = aTarget.OldTarget;
    for (TTargetCell* cell : {&row.Number, &row.OldTarget, &row.NewTarget, &row.Rows})
      cell->Hint = NotConvertedHint;
  }
  fView.AddTargetRow(row);
  ++fTargetRows;
}

void TMainPresenter::TargetRowsCounted(int32_t aTarget, int32_t aCount) {
  if (aTarget >= 0 && aTarget < fTargetRows) {
    const std::u16string count = IntToText(aCount);
    fView.SetTargetRowCount(aTarget, {count, count});
  }
}

std::optional<std::u16string> TMainPresenter::AskOutputPath(const std::u16string& aProposal) {
  // The run has read the whole old project by now: what it found is final.
  fEmptyProjectDeclined =
      fMain->Run.FoundNothingOfOldProject() && !fView.Desktop().AskYesNo(EmptyProjectQuestion());
  if (fEmptyProjectDeclined)
    return std::nullopt;
  return AskSavePath(SaveProjectDialog, aProposal);
}

// The bar moves only when its percentage does; the run's host has already let only new
// percentages through.
void TMainPresenter::ShowProgress(TRunStage aStage, int64_t aDone, int64_t aTotal) {
  ShowPercent(RunPercent(aStage, aDone, aTotal));
}

void TMainPresenter::ShowPercent(int32_t aPercent) {
  if (aPercent != fProgressPercent) {
    fProgressPercent = aPercent;
    fView.ShowProgressBar(aPercent);
  }
}

void TMainPresenter::SetProjectsAtOnce(std::size_t aCount) {
  fProjectsAtOnce = std::max<std::size_t>(aCount, 1);
}

std::u16string SingleLine(std::u16string_view aText) {
  std::u16string line;
  line.reserve(aText.size());
  for (size_t index = 0; index < aText.size(); ++index) {
    if (aText[index] == u'\r' && index + 1 < aText.size() && aText[index + 1] == u'\n')
      ++index;
    line += StartsNewLine(aText[index]) ? u' ' : aText[index];
  }
  return line;
}

std::u16string PathWithExtension(const TSaveDialog& aDialog, const TSaveChoice& aChoice) {
  for (const TFileFilter& filter : aDialog.Filters) {
    const std::u16string_view extension = FilterExtension(filter);
    if (aChoice.Path.size() > extension.size() &&
        vbase::SameTextAscii(
            std::u16string_view(aChoice.Path).substr(aChoice.Path.size() - extension.size()),
            extension))
      return aChoice.Path;
  }
  const std::size_t filter = std::min(aChoice.Filter, aDialog.Filters.size() - 1);
  return aChoice.Path + std::u16string(FilterExtension(aDialog.Filters[filter]));
}

std::optional<std::u16string> OldProjectAmong(const std::vector<std::u16string>& aPaths) {
  const auto project = std::find_if(aPaths.begin(), aPaths.end(), vconvert::IsOldProjectPath);
  if (project == aPaths.end())
    return std::nullopt;
  return *project;
}

std::vector<std::u16string> ProjectsAmong(const std::vector<std::u16string>& aPaths) {
  std::vector<std::u16string> projects;
  std::error_code error;
  for (const std::u16string& path : aPaths)
    if (vconvert::IsOldProjectPath(path) ||
        std::filesystem::is_directory(std::filesystem::path(path), error))
      projects.push_back(path);
  return projects;
}

std::optional<std::u16string> ProjectOfArguments(const std::vector<std::u16string>& aArguments) {
  if (aArguments.size() < 2)
    return std::nullopt;
  return std::filesystem::absolute(std::filesystem::path(aArguments[1]))
      .lexically_normal()
      .u16string();
}

} // namespace vui
