#include "vreport/RunRecorder.h"

#include "vbase/Errors.h"
#include "vbase/Utf8.h"

namespace vreport {

using vbase::Utf8Encode;

std::optional<std::u16string> TRunRecorder::AskOldProjectPath() {
  fResult = {};
  fSavedTo.reset();
  std::optional<std::u16string> input = fHost.AskOldProjectPath();
  if (input)
    fResult.Input = Utf8Encode(*input);
  return input;
}

void TRunRecorder::AddLogLine(std::u16string_view aLine) {
  fResult.Log.emplace_back(aLine);
  fHost.AddLogLine(aLine);
}

void TRunRecorder::TargetFound(const vconvert::TFoundTarget& aTarget) {
  fResult.Targets.push_back({aTarget.Converted, aTarget.Kind, std::u16string(aTarget.OldTarget),
                             std::u16string(aTarget.NewTarget), std::nullopt});
  fHost.TargetFound(aTarget);
}

void TRunRecorder::TargetRowsCounted(int32_t aTarget, int32_t aCount) {
  if (aTarget >= 0 && static_cast<std::size_t>(aTarget) < fResult.Targets.size())
    fResult.Targets[static_cast<std::size_t>(aTarget)].Rows = aCount;
  fHost.TargetRowsCounted(aTarget, aCount);
}

void TRunRecorder::ProjectSaved(const std::u16string& aPath) {
  fSavedTo = aPath;
  fHost.ProjectSaved(aPath);
}

void TRunRecorder::RunFailed(const std::exception& aError) {
  const auto* error = dynamic_cast<const vbase::Exception*>(&aError);
  fResult.Error = error ? Utf8Encode(error->Headline()) : std::string(aError.what());
  if (!error || !error->Place() || error->Place()->Line == 0)
    return;
  fResult.ErrorLine = error->Place()->Line;
  fResult.ErrorColumn = error->Place()->Column;
}

void TRunRecorder::RunFailed(std::string aMessage) {
  fResult.Error = std::move(aMessage);
}

void TRunRecorder::Verified(const vconvert::TCheckResult& aCheck) {
  fResult.Verification = aCheck;
}

TInputResult TRunRecorder::TakeResult(const vconvert::TConversionRun& aRun) {
  TInputResult result = std::move(fResult);
  fResult = {};
  if (fSavedTo)
    result.Output = Utf8Encode(*fSavedTo);
  if (!result.Error && aRun.FoundNothingOfOldProject())
    result.Warning = Utf8Encode(vconvert::NothingOfOldProjectWarning);
  result.RowsPlaced = aRun.RowsPlaced();
  result.RowsUnplaced = aRun.RowsDropped();
  result.DroppedRows = aRun.DroppedRows();
  result.DiscardedRows = aRun.DiscardedRows();
  return result;
}

} // namespace vreport
