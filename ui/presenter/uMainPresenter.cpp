#include "uMainPresenter.h"

#include "IntegerText.h"
#include "uMainTexts.h"

#include <algorithm>
#include <filesystem>

namespace vui {

using vbase::IntToText;
using vconvert::TFoundTarget;
using vconvert::TRunStage;

namespace {

constexpr std::u16string_view NotConvertedHint =
    u"Not converted: the new format has no counterpart for this kind of target.";
constexpr std::u16string_view NoBrowserNotice =
    u"No web browser could be started for the help. The help page is at:\n\n";

// The characters on which a log box begins a new line; U+FDD0 and U+FDD1 are frame marks of
// Qt's text documents.
bool StartsNewLine(char16_t aChar) {
  return aChar == u'\r' || aChar == u'\n' || aChar == u'\u2028' || aChar == u'\u2029' ||
         aChar == u'\uFDD0' || aChar == u'\uFDD1';
}

bool EndsWithVlp(std::u16string_view aPath) {
  constexpr std::u16string_view Extension = u".vlp";
  if (aPath.size() < Extension.size())
    return false;
  const std::u16string_view end = aPath.substr(aPath.size() - Extension.size());
  return std::equal(end.begin(), end.end(), Extension.begin(), [](char16_t aOf, char16_t aIn) {
    return (aOf >= u'A' && aOf <= u'Z' ? aOf + (u'a' - u'A') : aOf) == aIn;
  });
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
    : fView(aView), fClock(std::move(aClock)), fRun(*this) {}

void TMainPresenter::ConvertClicked() {
  if (fState == TMainState::msIdle)
    RunConversion();
}

void TMainPresenter::RunConversion() {
  try {
    TRunScope scope(fState, fView);
    fRun.Execute();
  } catch (...) {
    ReportException(std::current_exception());
  }
  // A close that arrived while the run processed messages waited for the run to end.
  if (fState == TMainState::msClosing) {
    fState = TMainState::msIdle;
    fView.Close();
  }
}

void TMainPresenter::HelpClicked() {
  try {
    if (!fView.OpenUrl(HelpPageUrl))
      fView.ShowNotice(std::u16string(NoBrowserNotice) + std::u16string(HelpPageUrl));
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
  if (fState == TMainState::msIdle)
    return true;
  fState = TMainState::msClosing;
  return false;
}

void TMainPresenter::ReportException(std::exception_ptr aError) {
  TErrorReport report = DescribeException(aError);
  report.LastLogLines.assign(fLastLogLines.begin(), fLastLogLines.end());
  fView.ShowError(report);
}

std::optional<std::u16string> TMainPresenter::AskOldProjectPath() {
  if (fGivenProject)
    return fGivenProject;
  return fView.AskOpenPath();
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
    row.Image = tiNotConverted;
    row.Number.Hint = NotConvertedHint;
  }
  fView.AddTargetRow(row);
  ++fTargetRows;
}

void TMainPresenter::TargetRowsCounted(int32_t aTarget, int32_t aCount) {
  if (aTarget >= 0 && aTarget < fTargetRows)
    fView.SetTargetRowCount(aTarget, IntToText(aCount));
}

std::optional<std::u16string> TMainPresenter::AskOutputPath(const std::u16string& aProposal) {
  return fView.AskSavePath(aProposal);
}

uint32_t TMainPresenter::TickCount() {
  return fClock();
}

void TMainPresenter::ProcessMessages() {
  RepaintIfDue(false);
}

// A stage that starts is shown at once: before a large file loads, the window has to lose the
// image of the dialog that was just closed and show what it is doing.
void TMainPresenter::ShowProgress(TRunStage aStage, int64_t aDone, int64_t aTotal) {
  fView.ShowProgress(aStage, aDone, aTotal);
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

std::optional<std::u16string> OldProjectAmong(const std::vector<std::u16string>& aPaths) {
  const auto project = std::find_if(aPaths.begin(), aPaths.end(), EndsWithVlp);
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
