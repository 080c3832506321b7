#include "vpresenter/uMainPresenter.h"

#include "vbase/Characters.h"
#include "vbase/IntegerText.h"
#include "vbase/Utf8.h"
#include "vpresenter/uMainTexts.h"
#include "vreport/Report.h"

#include <algorithm>
#include <filesystem>

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
// While loading, the bar goes to this percentage; converting fills the rest.
constexpr int64_t LoadingShare = 50;

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

int32_t RunPercent(TRunStage aStage, int64_t aDone, int64_t aTotal) {
  const int64_t ofStage = aTotal > 0 ? std::clamp<int64_t>(aDone * 100 / aTotal, 0, 100) : 0;
  const int64_t percent = aStage == TRunStage::rsLoading
                              ? ofStage * LoadingShare / 100
                              : LoadingShare + ofStage * (100 - LoadingShare) / 100;
  return static_cast<int32_t>(percent);
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

// Keeps "Convert..." disabled while a run is in progress, whatever ends the run.
class TRunScope {
public:
  TRunScope(TMainState& aState, IMainView& aView) : fState(aState), fView(aView) {
    const bool hadFocus = fView.FocusedControl() == TMainControl::mcConvert;
    fState = TMainState::msRunning;
    fView.SetConvertEnabled(false);
    if (hadFocus && fView.FocusedControl() != TMainControl::mcNone)
      fFocusTakenBy = fView.FocusedControl();
  }
  ~TRunScope() {
    if (fState == TMainState::msRunning)
      fState = TMainState::msIdle;
    fView.SetConvertEnabled(true);
    // Disabling passed the focus on; the next key press should convert again, unless the
    // user has put the focus elsewhere since.
    if (fFocusTakenBy && fView.FocusedControl() == *fFocusTakenBy)
      fView.FocusConvert();
  }
  TRunScope(const TRunScope&) = delete;
  TRunScope& operator=(const TRunScope&) = delete;

private:
  TMainState& fState;
  IMainView& fView;
  std::optional<TMainControl> fFocusTakenBy;
};

} // namespace

TMainPresenter::TMainPresenter(IMainView& aView, TTickClock aClock)
    : fView(aView), fClock(std::move(aClock)), fRecorder(*this), fRun(fRecorder) {
  fRun.SetKeepsUnsavedProject(true);
}

void TMainPresenter::ConvertClicked() {
  if (fState == TMainState::msIdle)
    RunConversion();
}

void TMainPresenter::RunConversion() {
  // Nothing of the last run stays up behind the new run's dialogs and boxes.
  fView.ShowSummary({});
  fRunInput.reset();
  fCheck.reset();
  std::exception_ptr error;
  try {
    TRunScope scope(fState, fView);
    ConvertAndVerify();
  } catch (...) {
    error = std::current_exception();
    ReportException(error);
  }
  fUnsaved = fRun.TakeUnsavedProject();
  if (error && fUnsaved)
    fSaveFailure = DescribeException(error).Message;
  fProgressPercent.reset();
  fView.ShowProgressBar(std::nullopt);
  // A cancelled open dialog brings the last run's summary back as it was.
  if (fRunInput) {
    fLastRun = RunResult(error);
    fReportSavedTo.reset();
    ShowSummary(error != nullptr);
  } else {
    ShowKeptSummary();
  }
  // A close that arrived while the run processed messages waited for the run to end.
  if (fState == TMainState::msClosing) {
    fState = TMainState::msIdle;
    fUnsaved.reset();
    fView.Close();
  }
}

void TMainPresenter::ConvertAndVerify() {
  fRun.Execute();
  fSavedTo = fRecorder.SavedTo();
  if (fSavedTo) {
    Verify(*fRunInput, *fSavedTo);
    fRecorder.Verified(*fCheck);
  }
}

void TMainPresenter::Verify(const std::u16string& aOldProject, const std::u16string& aPath) {
  fCheck = vconvert::CheckConversion(aOldProject, aPath);
}

void TMainPresenter::SaveAsClicked() {
  if (fState != TMainState::msIdle || !fUnsaved)
    return;
  const std::optional<std::u16string> chosen = AskSavePath(SaveProjectDialog, fUnsaved->Proposal());
  if (!chosen)
    return;
  try {
    SaveKeptProject(*chosen);
  } catch (...) {
    KeptProjectNotSaved(std::current_exception());
    return;
  }
  ShowSummary(false);
}

// The last run's report tells the save as if the run had made it.
void TMainPresenter::SaveKeptProject(const std::u16string& aPath) {
  fUnsaved->SaveTo(aPath);
  fUnsaved.reset();
  fSavedTo = aPath;
  fSaveFailure.reset();
  fLastRun->Output = Utf8Encode(aPath);
  fLastRun->Error.reset();
  if (fRun.FoundNothingOfOldProject())
    fLastRun->Warning = Utf8Encode(vconvert::NothingOfOldProjectWarning);
  Verify(vbase::Utf8Decode(fLastRun->Input), aPath);
  fLastRun->Verification = fCheck;
}

void TMainPresenter::KeptProjectNotSaved(std::exception_ptr aError) {
  ReportException(aError);
  if (fUnsaved) {
    fSaveFailure = DescribeException(aError).Message;
    fLastRun->Error = Utf8Encode(*fSaveFailure);
  }
  ShowSummary(false);
}

void TMainPresenter::ShowSummary(bool aFailed) {
  TSummary summary;
  // The report tells the story of a failed run too.
  summary.OffersReport = fLastRun.has_value();
  // A run that failed in its save has converted: only the save is to be made again.
  if (aFailed && !fUnsaved) {
    summary.Lines.emplace_back(FailedLine);
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
  if (HasRowsNotCarriedOver(fRun))
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
  fGivenProject = aPath;
  RunConversion();
  fGivenProject.reset();
  // Wherever the focus was when the project came, Enter should convert again now.
  if (fState == TMainState::msIdle)
    fView.FocusConvert();
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
  fState = TMainState::msClosing;
  return false;
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

std::optional<std::u16string> TMainPresenter::AskOldProjectPath() {
  fRunInput = fGivenProject ? fGivenProject : fView.Desktop().ChooseOpenPath();
  // A new run begins: the project kept from the last one goes before the next one loads.
  if (fRunInput) {
    fUnsaved.reset();
    fSavedTo.reset();
    fSaveFailure.reset();
  }
  return fRunInput;
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
  return AskSavePath(SaveProjectDialog, aProposal);
}

uint32_t TMainPresenter::TickCount() {
  return fClock();
}

void TMainPresenter::ProcessMessages() {
  RepaintIfDue(false);
}

// A stage that starts is shown at once: before a large file loads, the window has to lose the
// image of the dialog that was just closed and show what it is doing.
// The bar moves only when its percentage does: a call per node must not mean a call per node to
// the view.
void TMainPresenter::ShowProgress(TRunStage aStage, int64_t aDone, int64_t aTotal) {
  const int32_t percent = RunPercent(aStage, aDone, aTotal);
  if (percent != fProgressPercent) {
    fProgressPercent = percent;
    fView.ShowProgressBar(percent);
  }
  RepaintIfDue(aDone == 0);
}

void TMainPresenter::RepaintIfDue(bool aNow) {
  // Unsigned differences stay right when the counter wraps.
  if (!aNow && fLastRepaint && fClock() - *fLastRepaint < RepaintIntervalMs)
    return;
  fView.ProcessMessages();
  fLastRepaint = fClock();
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
