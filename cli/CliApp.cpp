#include "CliApp.h"

#include "CliCheck.h"
#include "CliConsole.h"
#include "CliOptions.h"
#include "CliProgress.h"
#include "CliScheduler.h"
#include "vbase/Errors.h"
#include "vbase/Utf8.h"
#include "vcli/CliHost.h"
#include "vconvert/uConversionRun.h"
#include "vconvert/uProjectInputs.h"
#include "vreport/Report.h"
#include "vreport/RunRecorder.h"

#include <algorithm>
#include <new>
#include <ostream>

namespace vcli {

using vbase::Exception;
using vbase::Utf8Decode;
using vbase::Utf8Encode;
using vconvert::AbsolutePath;
using vconvert::ExpandInputs;
using vconvert::IsUtf8Path;
using vconvert::TConversionRun;
using vconvert::TInputItem;

namespace {

// ---- One input ----

vreport::TInputResult FailedInput(const std::string& aInput, std::string aError) {
  vreport::TInputResult result;
  result.Input = aInput;
  result.Error = std::move(aError);
  return result;
}

vreport::TInputResult ConvertProject(const std::string& aInput, const TCliOptions& aOptions,
                                     std::ostream* aLog, TProgress* aProgress) {
  std::optional<std::u16string> output;
  if (aOptions.Output) {
    const std::string path = AbsolutePath(*aOptions.Output);
    if (!IsUtf8Path(path))
      return FailedInput(aInput, "the output path is not valid UTF-8");
    output = Utf8Decode(path);
  }
  TCliHost host(Utf8Decode(aInput), output, aOptions.Force, aLog, aProgress);
  vreport::TRunRecorder recorder(host);
  TConversionRun run(recorder);
  try {
    run.Execute();
    if (aOptions.Verify && recorder.SavedTo())
      recorder.Verified(vconvert::CheckConversion(Utf8Decode(aInput), *recorder.SavedTo()));
  } catch (const std::bad_alloc&) {
    throw; // from the check or the host: ConvertItem names the input
  } catch (const std::exception& error) {
    recorder.RunFailed(error);
  }
  vreport::TInputResult result = recorder.TakeResult(run);
  if (host.RefusedOutput())
    result.Error = "Output file \"" + Utf8Encode(*host.RefusedOutput()) +
                   "\" already exists; use -f to replace it";
  return result;
}

vreport::TInputResult ConvertItem(const TInputItem& aItem, const TCliOptions& aOptions,
                                  std::ostream* aLog, TProgress* aProgress) {
  if (aItem.Error)
    return FailedInput(aItem.Path, *aItem.Error);
  try {
    return ConvertProject(aItem.Path, aOptions, aLog, aProgress);
  } catch (const std::bad_alloc&) {
    // Out of memory after the run, in the check or on the way to the result: what was built is
    // gone by now.
    return FailedInput(aItem.Path,
                       Utf8Encode(vconvert::NotEnoughMemoryMessage(Utf8Decode(aItem.Path))));
  }
}

// ---- The command ----

// The report, if one was asked for; false when it cannot be written.
bool WriteReportIfAsked(const TCliOptions& aOptions,
                        const std::vector<vreport::TInputResult>& aResults, std::ostream& aErr) {
  if (!aOptions.ReportPath)
    return true;
  try {
    vreport::WriteReport(*aOptions.ReportPath, aResults, ProgramName);
    return true;
  } catch (const Exception& error) {
    aErr << ProgramName << ": " << *aOptions.ReportPath
         << ": cannot write the report: " << error.what() << '\n';
    return false;
  }
}

std::string RowsLeftOutSummary(std::size_t aCount) {
  if (aCount == 1)
    return "1 row without a converted target is not in the new project, as a conversion leaves it "
           "out";
  return std::to_string(aCount) +
         " rows without a converted target are not in the new project, as a conversion leaves "
         "them out";
}

// --check: the two inputs compared, nothing converted.
int RunCheck(const TCliOptions& aOptions, std::ostream& aOut, std::ostream& aErr) {
  vreport::TInputResult result;
  result.Input = AbsolutePath(aOptions.Inputs[0]);
  result.Output = AbsolutePath(aOptions.Inputs[1]);
  result.Verification =
      vconvert::CheckConversion(Utf8Decode(result.Input), Utf8Decode(*result.Output));
  const vconvert::TCheckResult& check = *result.Verification;
  if (!aOptions.Quiet) {
    PrintCheckResult(aOut, check);
    if (!check.ReadError && !check.RowsNotCarriedOver.empty())
      aOut << RowsLeftOutSummary(check.RowsNotCarriedOver.size()) << '\n';
  }
  aOut << std::flush;
  if (!check.Passed())
    aErr << ProgramName << ": check failed: " << CheckFailureText(check) << '\n';
  const bool reported = WriteReportIfAsked(aOptions, {result}, aErr);
  return check.Passed() && reported ? ceSuccess : ceFailure;
}

int RunInputs(const TCliOptions& aOptions, std::ostream& aOut, std::ostream& aErr,
              bool aErrIsTerminal) {
  const std::vector<TInputItem> items = ExpandInputs(aOptions.Inputs);
  if (aOptions.Output && items.size() > 1) {
    aErr << ProgramName << ": -o/--output needs exactly one input, the inputs hold " << items.size()
         << " projects\n";
    return ceUsage;
  }
  TProgress progress(
      EffectiveProgress(aOptions.Progress, aErrIsTerminal, aOptions.Quiet, items.size()), aErr,
      items.size());
  TConsole console(aOptions, aOut, aErr, progress, items.size());
  const TSchedule schedule{static_cast<std::size_t>(aOptions.Jobs),
                           aOptions.Quiet ? nullptr : &aOut, &progress};
  const std::vector<vreport::TInputResult> results = ConvertInputs(
      items, schedule,
      [&aOptions](const TInputItem& aItem, std::ostream* aLog, TProgress* aProgress) {
        return ConvertItem(aItem, aOptions, aLog, aProgress);
      },
      console);
  progress.Clear();
  const bool allOk = std::all_of(results.begin(), results.end(),
                                 [](const vreport::TInputResult& aResult) { return aResult.Ok(); });
  const bool reported = WriteReportIfAsked(aOptions, results, aErr);
  return allOk && reported ? ceSuccess : ceFailure;
}

} // namespace

int RunCli(const std::vector<std::string>& aArgs, std::ostream& aOut, std::ostream& aErr,
           bool aErrIsTerminal) {
  TCliOptions options;
  try {
    options = ParseCliArguments(aArgs);
  } catch (const ECliUsageError& error) {
    aErr << ProgramName << ": " << error.what() << "\nTry '" << ProgramName
         << " --help' for more information.\n";
    return ceUsage;
  }
  if (options.ShowHelp) {
    aOut << CliUsageText();
    return ceSuccess;
  }
  if (options.ShowVersion) {
    aOut << ProgramName << ' ' << VLP_VERSION << '\n';
    return ceSuccess;
  }
  try {
    if (options.Check)
      return RunCheck(options, aOut, aErr);
    return RunInputs(options, aOut, aErr, aErrIsTerminal);
  } catch (const std::bad_alloc&) {
    // Beyond the inputs, whose runs say so themselves: the command's own lists or the report.
    aErr << ProgramName << ": not enough memory\n";
    return ceFailure;
  }
}

} // namespace vcli
