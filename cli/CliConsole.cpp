#include "CliConsole.h"

#include "CliCheck.h"
#include "CliProgress.h"
#include "CliTargetTable.h"

#include <ostream>

namespace vcli {

namespace {

std::string DroppedRowsSummary(std::size_t aCount) {
  if (aCount == 1)
    return "1 row without a converted target was not carried over";
  return std::to_string(aCount) + " rows without a converted target were not carried over";
}

std::string DiscardedRowsSummary(std::size_t aCount) {
  if (aCount == 1)
    return "1 row could not be read and was not carried over";
  return std::to_string(aCount) + " rows could not be read and were not carried over";
}

} // namespace

void TConsole::Begin(std::size_t aIndex, const std::string& aPath) {
  fProgress.Starting(aIndex, aPath);
  if (!fOptions.Quiet && fCount > 1)
    fOut << (aIndex ? "\n" : "") << "==> " << aPath << " <==\n";
}

void TConsole::End(std::size_t aIndex, const TInputResult& aResult) {
  fProgress.Clear();
  if (!fOptions.Quiet) {
    PrintTargetTable(fOut, aResult.Targets);
    if (!aResult.DroppedRows.empty())
      fOut << DroppedRowsSummary(aResult.DroppedRows.size()) << '\n';
    if (!aResult.DiscardedRows.empty())
      fOut << DiscardedRowsSummary(aResult.DiscardedRows.size()) << '\n';
    if (aResult.Verification)
      PrintCheckResult(fOut, *aResult.Verification);
  }
  fOut << std::flush;
  // A place in the input is written as compilers write theirs, so that editors can go to it.
  if (aResult.Error && aResult.ErrorLine > 0)
    fErr << aResult.Input << ':' << aResult.ErrorLine << ':' << aResult.ErrorColumn << ": "
         << *aResult.Error << '\n';
  else if (aResult.Error)
    fErr << ProgramName << ": " << aResult.Input << ": " << *aResult.Error << '\n';
  else if (aResult.Verification && !aResult.Verification->Passed())
    fErr << ProgramName << ": " << aResult.Input
         << ": verification failed: " << CheckFailureText(*aResult.Verification) << '\n';
  fProgress.Finished(aIndex + 1);
}

} // namespace vcli
