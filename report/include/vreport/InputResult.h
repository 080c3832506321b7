// What became of one converted input, as its report tells it: the batch command and the window
// record it from their runs (RunRecorder).
#pragma once

#include "vconvert/uConversionHost.h"
#include "vconvert/uConversionRun.h"
#include "vconvert/uProjectCheck.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vreport {

// A target of the run, as found and, once its rows are read, counted.
struct TTargetOutcome {
  bool Converted = false;
  vconvert::TTargetKind Kind = vconvert::TTargetKind::tkPlain;
  std::u16string OldTarget;
  std::u16string NewTarget;
  // None for a target that is not converted, or when the run ended before the count.
  std::optional<int32_t> Rows;

  bool operator==(const TTargetOutcome&) const = default;
};

struct TInputResult {
  std::string Input;
  std::optional<std::string> Output;
  std::optional<std::string> Error;
  // Where reading the input stopped when that failed: line and column from 1, else 0.
  int64_t ErrorLine = 0;
  int64_t ErrorColumn = 0;
  // Said of an input that converted but is no old project (see FoundNothingOfOldProject).
  std::optional<std::string> Warning;
  std::vector<std::u16string> Log;
  std::vector<TTargetOutcome> Targets;
  int32_t RowsPlaced = 0;
  int32_t RowsUnplaced = 0;
  std::vector<vconvert::TDroppedRow> DroppedRows;
  std::vector<vconvert::TDiscardedRow> DiscardedRows;
  // The check of the saved project against the input, when one was asked for.
  std::optional<vconvert::TCheckResult> Verification;

  bool Ok() const { return !Error && (!Verification || Verification->Passed()); }
};

} // namespace vreport
