// Proof that a conversion lost nothing: a new project is compared with the old one it was made
// from, item by item in the old project's terms. Whatever the conversion places must be in the
// new project (rows with their texts and flags, targets, exclusions, the dictionary name and the
// languages), and nothing else may be; order and bytes do not matter, content does.
#pragma once

#include "vconvert/uConversionRun.h"
#include "vconvert/uRunStop.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vconvert {

enum class TCheckSide { csOld, csNew };

// A file of the check that could not be read, and the reader's message.
struct TCheckReadError {
  TCheckSide Side = TCheckSide::csOld;
  std::u16string FileName;
  std::u16string Message;
};

// One thing that is not as the old project has it. Target is the old target's path (the new
// target's file name when the old project has no such target), empty for what belongs to the
// project; Context the row's context path, none for what is not a row. A value that is not there
// is none.
struct TCheckDifference {
  std::u16string Target;
  std::optional<std::u16string> Context;
  std::u16string What;
  std::optional<std::u16string> OldValue;
  std::optional<std::u16string> NewValue;
};

struct TCheckResult {
  std::optional<TCheckReadError> ReadError;
  // What the old project holds for the new one: rows placed, converted targets, exclusions of
  // both kinds, languages.
  int64_t Rows = 0;
  int32_t Targets = 0;
  int32_t Excludes = 0;
  int32_t Languages = 0;
  // Rows without a converted target: the conversion leaves them out, so they are no loss.
  std::vector<TDroppedRow> RowsNotCarriedOver;
  std::vector<TCheckDifference> Differences;

  bool Passed() const { return !ReadError && Differences.empty(); }
};

// Reads both files; a file that cannot be read (or an old project that cannot be converted) is
// the result's ReadError. Only failures other than those of reading leave as exceptions.
// aOnProgress, when given, follows the old project's loading (bytes of text) and then the walk
// of its rows, as one count from 0 to its total; it is called on the calling thread only. A stop
// asked of aStop ends the check with EStopped, on both threads.
TCheckResult CheckConversion(const std::u16string& aOldFileName, const std::u16string& aNewFileName,
                             const TOnProgressEvent& aOnProgress = {},
                             const TRunStop* aStop = nullptr);

// "1200 rows, 3 targets, 2 excludes, 1 language".
std::u16string CheckCounts(const TCheckResult& aResult);
// Why a check did not pass, in one line: the file that cannot be read and the reader's message,
// or how many differences there are ("3 differences").
std::u16string CheckFailureReason(const TCheckResult& aResult);
// One line: where, what, and the old and the new value.
std::u16string DifferenceText(const TCheckDifference& aDifference);
// A value on one line: CR, LF, TAB and the other control characters as escapes.
std::u16string VisibleText(std::u16string_view aText);
// "old project" or "new project".
std::u16string_view SideName(TCheckSide aSide);

} // namespace vconvert
