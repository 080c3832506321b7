#include "vreport/InputResult.h"

#include "vbase/Errors.h"
#include "vbase/Utf8.h"

namespace vreport {

TTargetOutcome OutcomeOf(const vconvert::TFoundTarget& aTarget) {
  return {aTarget.Converted, aTarget.Kind, std::u16string(aTarget.OldTarget),
          std::u16string(aTarget.NewTarget), std::nullopt};
}

void NoteRowCount(std::vector<TTargetOutcome>& aTargets, int32_t aTarget, int32_t aCount) {
  if (aTarget >= 0 && static_cast<std::size_t>(aTarget) < aTargets.size())
    aTargets[static_cast<std::size_t>(aTarget)].Rows = aCount;
}

void NoteError(const std::exception& aError, TInputResult& aResult) {
  const auto* error = dynamic_cast<const vbase::Exception*>(&aError);
  aResult.Error = error ? vbase::Utf8Encode(error->Message()) : std::string(aError.what());
  if (!error || !error->Place() || error->Place()->Line == 0)
    return;
  aResult.ErrorLine = error->Place()->Line;
  aResult.ErrorColumn = error->Place()->Column;
}

void NoteRunCounts(const vconvert::TConversionRun& aRun, TInputResult& aResult) {
  aResult.RowsPlaced = aRun.RowsPlaced();
  aResult.RowsUnplaced = aRun.RowsDropped();
  aResult.DroppedRows = aRun.DroppedRows();
  aResult.DiscardedRows = aRun.DiscardedRows();
}

} // namespace vreport
