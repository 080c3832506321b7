#include "vpresenter/uMainPresenter.h"

#include "vbase/Characters.h"
#include "vbase/IntegerText.h"
#include "vbase/Utf8.h"
#include "vpresenter/uMainTexts.h"
#include "vreport/Report.h"

#include <algorithm>
#include <array>
#include <filesystem>
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
constexpr std::u16string_view NotSavedBecause = u"The new project was not saved: ";
constexpr std::u16string_view FailedLine = u"The conversion failed; the new project was not saved.";
// Where each stage's share of the bar starts, in the order of TRunStage, and where the last ends:
// loading and checking read whole files, converting walks what is loaded.
constexpr std::array<int64_t, 5> StageStarts{0, 35, 50, 70, 100};

std::u16string EmptyProjectQuestion() {
  return std::u16string(vconvert::NothingOfOldProjectWarning) + u'\n' +
         std::u16string(SaveEmptyProjectQuestion);
}

std::u16string SavedLine(const std::u16string& aPath) {
  return u"The new project was saved to \"" + aPath + u"\".";
}

std::u16string CountsLine(int32_t aConverted, int32_t aFound, int32_t aRows) {
  return u"Targets converted: " + IntToText(aConverted) + u" of " + IntToText(aFound) +
         u". Rows carried over: " + IntToText(aRows) + u".";
}

std::u16string VerificationLine(const vconvert::TCheckResult& aCheck) {
  if (aCheck.Passed())
    return u"verified: " + vconvert::CheckCounts(aCheck);
  return u"verification failed: " + vconvert::CheckFailureReason(aCheck);
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

// The check reads the new project under its temporary name; the user knows it by the name chosen.
void NameCheckedFile(vconvert::TCheckResult& aCheck, const std::u16string& aWritten,
                     const std::u16string& aChosen) {
  if (!aCheck.ReadError || aCheck.ReadError->Side != vconvert::TCheckSide::csNew)
    return;
  aCheck.ReadError->FileName = aChosen;
  std::u16string& message = aCheck.ReadError->Message;
  for (std::size_t at = message.find(aWritten); at != std::u16string::npos;
       at = message.find(aWritten, at + aChosen.size()))
    message.replace(at, aWritten.size(), aChosen);
}

} // namespace

int32_t RunPercent(TRunStage aStage, int64_t aDone, int64_t aTotal) {
  const int64_t ofStage = aTotal > 0 ? std::clamp<int64_t>(aDone * 100 / aTotal, 0, 100) : 0;
  const auto stage = static_cast<std::size_t>(aStage);
  const int64_t share = StageStarts.at(stage + 1) - StageStarts.at(stage);
  return static_cast<int32_t>(StageStarts.at(stage) + ofStage * share / 100);
}

// The run's host on the run's thread: everything it is told goes to the presenter on the
// window's thread, and the question where to save is asked there while the run waits.
class TMainPresenter::TRunHost final : public vconvert::IConversionHost {
public:
  TRunHost(TMainPresenter& aPresenter, TRunThread& aThread)
      : fPresenter(aPresenter), fThread(aThread) {}

  // Set on the window's thread before the run starts.
  void Prepare(std::u16string aInput) {
    fInput = std::move(aInput);
    fPercent.reset();
  }
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
    fThread.Post([this] { fPresenter.ClearLog(); });
  }
  void AddLogLine(std::u16string_view aLine) override {
    fThread.Post([this, line = std::u16string(aLine)] { fPresenter.AddLogLine(line); });
  }
  void TargetsCleared() override {
    fThread.Post([this] { fPresenter.TargetsCleared(); });
  }
  void TargetFound(const TFoundTarget& aTarget) override {
    fThread.Post(
        [this, target = TFoundTargetCopy(aTarget)] { fPresenter.TargetFound(target.View()); });
  }
  void TargetRowsCounted(int32_t aTarget, int32_t aCount) override {
    fThread.Post([this, aTarget, aCount] { fPresenter.TargetRowsCounted(aTarget, aCount); });
  }
  std::optional<std::u16string> AskOutputPath(const std::u16string& aProposal) override {
    // Outlives a wait that a stop ends while the dialog is still open.
    const auto answer = std::make_shared<std::optional<std::u16string>>();
    fThread.Ask([this, answer, aProposal] { *answer = fPresenter.AskOutputPath(aProposal); });
    return *answer;
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
    fThread.Post([this, aStage, aDone, aTotal] { fPresenter.ShowProgress(aStage, aDone, aTotal); });
  }

private:
  TMainPresenter& fPresenter;
  TRunThread& fThread;
  std::u16string fInput;
  std::optional<int32_t> fPercent;
};

TMainPresenter::TMainPresenter(IMainView& aView, TTickClock aClock)
    : fView(aView), fClock(std::move(aClock)), fRunHost(std::make_unique<TRunHost>(*this, fThread)),
      fRecorder(*fRunHost), fRun(fRecorder), fThread([this] { fView.PostRunEvents(); }) {
  fRun.SetKeepsUnsavedProject(true);
  fRun.SetStop(&fThread.StopSignal());
  fRun.SetBeforeReplacing(
      [this](const std::filesystem::path& aWritten) { CheckBeforeReplacing(aWritten); });
}

// The thread is the last member, so it is gone first; the host it uses goes after.
TMainPresenter::~TMainPresenter() = default;

void TMainPresenter::AbandonRun() {
  fThread.Abandon();
}

void TMainPresenter::ConvertClicked() {
  if (fState == TMainState::msIdle)
    RunConversion();
  else if (fState == TMainState::msRunning)
    StopRun(TMainState::msStopping);
}

void TMainPresenter::RunConversion() {
  const std::optional<std::u16string> input =
      fGivenProject ? fGivenProject : fView.Desktop().ChooseOpenPath();
  // A cancelled open dialog leaves the last run's summary as it is.
  if (!input)
    return;
  // A new run begins: nothing of the last run stays up behind its boxes, and the project kept
  // from it goes before the next one loads.
  fView.ShowSummary({});
  fReportSavedTo.reset();
  fRunInput = input;
  fUnsaved.reset();
  fSavedTo.reset();
  fSaveFailure.reset();
  fCheck.reset();
  fRunCheck.reset();
  fFocusConvertAtEnd = fGivenProject.has_value();
  fRunHost->Prepare(*input);
  BeginRun();
  fThread.Start([this] { ConvertAndVerify(); },
                [this](std::exception_ptr aError) { ConversionEnded(aError); });
}

void TMainPresenter::ConvertAndVerify() {
  SaveChecked([this] { fRun.Execute(); });
  if (fRunCheck)
    fRecorder.Verified(*fRunCheck);
}

void TMainPresenter::SaveChecked(const std::function<void()>& aSave) {
  fRunCheck.reset();
  fRunCheckError = nullptr;
  try {
    aSave();
  } catch (...) {
    // A check whose file did not take the place of the old one proves nothing.
    fRunCheck.reset();
    throw;
  }
  if (fRunCheckError)
    std::rethrow_exception(std::exchange(fRunCheckError, nullptr));
}

void TMainPresenter::CheckBeforeReplacing(const std::filesystem::path& aWritten) {
  const std::u16string written = aWritten.u16string();
  try {
    fRunCheck = vconvert::CheckConversion(
        *fRunInput, written, fRunHost->ProgressOf(TRunStage::rsChecking), &fThread.StopSignal());
  } catch (const vbase::EStopped&) {
    throw;
  } catch (...) {
    fRunCheckError = std::current_exception();
    return;
  }
  NameCheckedFile(*fRunCheck, written, fRunOutput);
}

void TMainPresenter::ConversionEnded(std::exception_ptr aError) {
  const bool closing = fState == TMainState::msClosing;
  const bool stopped = IsStop(aError);
  if (stopped)
    AddLogLine(StoppedLogLine);
  else if (aError && !closing)
    ReportException(aError);
  fUnsaved = fRun.TakeUnsavedProject();
  if (aError && fUnsaved)
    fSaveFailure = DescribeException(aError).Message;
  fSavedTo = fRecorder.SavedTo();
  fCheck = std::move(fRunCheck);
  fRunCheck.reset();
  fLastRun = RunResult(aError);
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
  if (fState != TMainState::msIdle || !fUnsaved)
    return;
  const std::optional<std::u16string> chosen = AskSavePath(SaveProjectDialog, fUnsaved->Proposal());
  if (!chosen)
    return;
  fRunHost->Prepare(*chosen);
  fRunOutput = *chosen;
  BeginRun();
  fThread.Start(
      [this, path = *chosen] {
        SaveChecked([this, &path] {
          fUnsaved->SaveTo(
              path, fRunHost->ProgressOf(TRunStage::rsSaving),
              [this](const std::filesystem::path& aWritten) { CheckBeforeReplacing(aWritten); });
        });
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
  if (fRun.FoundNothingOfOldProject())
    fLastRun->Warning = Utf8Encode(vconvert::NothingOfOldProjectWarning);
  fCheck = std::move(fRunCheck);
  fRunCheck.reset();
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
  lines.push_back(CountsLine(fRun.TargetsConverted(), fRun.TargetsFound(), fRun.RowsPlaced()));
  if (!fRun.DroppedRows().empty())
    lines.push_back(vconvert::DroppedRowsSentence(fRun.DroppedRows().size()));
  if (!fRun.DiscardedRows().empty())
    lines.push_back(vconvert::DiscardedRowsSentence(fRun.DiscardedRows().size()));
  summary.OffersDroppedRows = HasRowsNotCarriedOver(fRun);
  if (fRun.FoundNothingOfOldProject())
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
  // During a run the rows are the run's, on its own thread.
  if (fState == TMainState::msIdle && HasRowsNotCarriedOver(fRun))
    fView.ShowRowsWindow(RowsWindowOf(fRun.DroppedRows(), fRun.DiscardedRows()));
}

void TMainPresenter::SaveReportClicked() {
  if (fState != TMainState::msIdle || !fLastRun)
    return;
  const std::optional<std::u16string> chosen = AskSavePath(
      SaveReportDialog, vbase::Utf8Decode(fLastRun->Input) + std::u16string(ReportNameSuffix));
  if (!chosen)
    return;
  try {
    vreport::WriteReport(Utf8Encode(*chosen), {*fLastRun}, Utf8Encode(ProgramName));
  } catch (...) {
    ReportException(std::current_exception());
    return;
  }
  fReportSavedTo = chosen;
  ShowKeptSummary();
}

vreport::TInputResult TMainPresenter::RunResult(std::exception_ptr aError) {
  if (aError) {
    try {
      std::rethrow_exception(aError);
    } catch (const std::exception& error) {
      fRecorder.RunFailed(error);
    } catch (...) {
      fRecorder.RunFailed(Utf8Encode(DescribeException(aError).Message));
    }
  }
  return fRecorder.TakeResult(fRun);
}

void TMainPresenter::HelpClicked() {
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

bool TMainPresenter::AcceptsDrop(const std::vector<std::u16string>& aPaths) const {
  return fState == TMainState::msIdle && OldProjectAmong(aPaths);
}

bool TMainPresenter::FilesDropped(const std::vector<std::u16string>& aPaths) {
  if (!AcceptsDrop(aPaths))
    return false;
  // The file manager waits for the drop to end; the run and its dialogs come after.
  ConvertProjectLater(*OldProjectAmong(aPaths));
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
  try {
    fThread.HandleEvents();
  } catch (...) {
    // A view that fails must not take the window's loop with it.
    ReportException(std::current_exception());
  }
}

void TMainPresenter::ReportException(std::exception_ptr aError) {
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
      fRun.FoundNothingOfOldProject() && !fView.Desktop().AskYesNo(EmptyProjectQuestion());
  if (fEmptyProjectDeclined)
    return std::nullopt;
  std::optional<std::u16string> chosen = AskSavePath(SaveProjectDialog, aProposal);
  fRunOutput = chosen.value_or(std::u16string());
  return chosen;
}

// The bar moves only when its percentage does; the run's host has already let only new
// percentages through.
void TMainPresenter::ShowProgress(TRunStage aStage, int64_t aDone, int64_t aTotal) {
  const int32_t percent = RunPercent(aStage, aDone, aTotal);
  if (percent != fProgressPercent) {
    fProgressPercent = percent;
    fView.ShowProgressBar(percent);
  }
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

std::optional<std::u16string> ProjectOfArguments(const std::vector<std::u16string>& aArguments) {
  if (aArguments.size() < 2)
    return std::nullopt;
  return std::filesystem::absolute(std::filesystem::path(aArguments[1]))
      .lexically_normal()
      .u16string();
}

} // namespace vui
