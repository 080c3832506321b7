// What became of one input of the command.
#pragma once

#include "CliHost.h"
#include "uConversionRun.h"
#include "uProjectCheck.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vcli {

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

} // namespace vcli
