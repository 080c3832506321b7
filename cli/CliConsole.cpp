#include "CliConsole.h"

#include "CliCheck.h"
#include "CliProgress.h"
#include "CliTargetTable.h"
#include "vbase/Utf8.h"
#include "vconvert/uConversionRun.h"

#include <ostream>

namespace vcli {

using vbase::Utf8Encode;

void TConsole::Begin(std::size_t aIndex, const std::string& aPath) {
  fProgress.Starting(aIndex, aPath);
  if (!fOptions.Quiet && fCount > 1)
    fOut << (aIndex ? "\n" : "") << "==> " << aPath << " <==\n";
}

void TConsole::End(std::size_t aIndex, const vreport::TInputResult& aResult) {
  fProgress.Clear();
  if (!fOptions.Quiet) {
    PrintTargetTable(fOut, aResult.Targets);
    if (!aResult.DroppedRows.empty())
      fOut << Utf8Encode(vconvert::DroppedRowsSentence(aResult.DroppedRows.size())) << '\n';
    if (!aResult.DiscardedRows.empty())
      fOut << Utf8Encode(vconvert::DiscardedRowsSentence(aResult.DiscardedRows.size())) << '\n';
    if (aResult.Verification)
      PrintCheckResult(fOut, *aResult.Verification);
  }
  fOut << std::flush;
  if (aResult.Warning)
    fErr << ProgramName << ": " << aResult.Input << ": warning: " << *aResult.Warning << '\n';
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
