#include "CliApp.h"

#include "CliOptions.h"
#include "CliProgress.h"
#include "Errors.h"
#include "IntegerText.h"
#include "ReplacementFile.h"
#include "Utf8.h"
#include "Utf8Path.h"
#include "uConversionRun.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>
#include <system_error>
#include <thread>

namespace vcli {

using vbase::Exception;
using vbase::IntToText;
using vbase::PathOfUtf8;
using vbase::TReplacementFile;
using vbase::Utf8Decode;
using vbase::Utf8Encode;
using vbase::Utf8OfPath;
using vconvert::TConversionRun;
using vconvert::TDroppedRow;
using vconvert::TTargetKind;

namespace fs = std::filesystem;

namespace {

constexpr const char* ProgramName = "vlp5tovxp-cli";

// ---- Inputs ----

// Absolute, without resolving links; "." parts are dropped, ".." parts are kept since a link
// may stand before them.
std::string AbsolutePath(const std::string& aPath) {
  std::error_code error;
  const fs::path absolute = fs::absolute(PathOfUtf8(aPath), error);
  if (error)
    return aPath;
  fs::path result;
  for (const fs::path& part : absolute)
    if (part != ".")
      result /= part;
  return Utf8OfPath(result);
}

bool IsProjectFile(const fs::directory_entry& aEntry) {
  std::string extension = Utf8OfPath(aEntry.path().extension());
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
  std::error_code error;
  return extension == ".vlp" && aEntry.is_regular_file(error);
}

// Why a subfolder cannot be listed, if it cannot. Links to folders are not followed by the walk,
// so they need no look.
std::optional<std::string> UnreadableFolderError(const fs::directory_entry& aEntry) {
  std::error_code error;
  if (aEntry.is_symlink(error) || !aEntry.is_directory(error))
    return std::nullopt;
  fs::directory_iterator probe(aEntry.path(), error);
  return error ? std::optional(error.message()) : std::nullopt;
}

// A subfolder that cannot be read is reported rather than skipped: a batch that leaves projects
// out must not look like one that converted everything.
std::vector<TInputItem> ProjectsInFolder(const std::string& aFolder) {
  std::vector<TInputItem> items;
  for (fs::recursive_directory_iterator entry(PathOfUtf8(aFolder)), end; entry != end; ++entry) {
    if (std::optional<std::string> error = UnreadableFolderError(*entry)) {
      items.push_back({Utf8OfPath(entry->path()), std::move(error)});
      entry.disable_recursion_pending();
    } else if (IsProjectFile(*entry)) {
      items.push_back({Utf8OfPath(entry->path()), std::nullopt});
    }
  }
  std::sort(items.begin(), items.end(),
            [](const TInputItem& a, const TInputItem& b) { return a.Path < b.Path; });
  return items;
}

// Files are named in UTF-16 inside the converter; a path that is not UTF-8 would come back from
// that round trip as the name of another file.
bool IsUtf8Path(const std::string& aPath) {
  return Utf8Encode(Utf8Decode(aPath)) == aPath;
}

// ---- Console output ----

// Characters as a terminal counts them, near enough: code points.
std::size_t DisplayWidth(std::u16string_view aText) {
  return static_cast<std::size_t>(std::count_if(
      aText.begin(), aText.end(), [](char16_t c) { return c < 0xDC00 || c > 0xDFFF; }));
}

void PrintTargetTable(std::ostream& aOut, const std::vector<TTargetOutcome>& aTargets) {
  if (aTargets.empty())
    return;
  using TLine = std::vector<std::u16string>;
  std::vector<TLine> lines{{u"Converted", u"Vornalex 5 Target", u"Vornalex 7 Target", u"Rows"}};
  for (const TTargetOutcome& target : aTargets)
    lines.push_back({target.Converted ? u"yes" : u"no", target.OldTarget, target.NewTarget,
                     target.Rows ? IntToText(*target.Rows) : u""});
  std::vector<std::size_t> widths(lines.front().size(), 0);
  for (const TLine& line : lines)
    for (std::size_t i = 0; i < line.size(); ++i)
      widths[i] = std::max(widths[i], DisplayWidth(line[i]));
  aOut << '\n';
  for (const TLine& line : lines) {
    std::string text;
    for (std::size_t i = 0; i + 1 < line.size(); ++i)
      text += Utf8Encode(line[i]) + std::string(widths[i] - DisplayWidth(line[i]) + 2, ' ');
    // The count is right-aligned, as in the window.
    text += std::string(widths.back() - DisplayWidth(line.back()), ' ') + Utf8Encode(line.back());
    text.erase(text.find_last_not_of(' ') + 1);
    aOut << text << '\n';
  }
}

// ---- One input ----

std::string ErrorMessage(const std::exception& aError) {
  if (const auto* error = dynamic_cast<const Exception*>(&aError))
    return Utf8Encode(error->Message());
  return aError.what();
}

TInputResult ConvertProject(const std::string& aInput, const TCliOptions& aOptions,
                            std::ostream* aLog, TProgress* aProgress) {
  TInputResult result;
  result.Input = aInput;
  std::optional<std::u16string> output;
  if (aOptions.Output) {
    const std::string path = AbsolutePath(*aOptions.Output);
    if (!IsUtf8Path(path)) {
      result.Error = "the output path is not valid UTF-8";
      return result;
    }
    output = Utf8Decode(path);
  }
  TCliHost host(Utf8Decode(aInput), output, aOptions.Force, aLog, aProgress);
  TConversionRun run(host);
  try {
    run.Execute();
    if (host.RefusedOutput())
      result.Error = "Output file \"" + Utf8Encode(*host.RefusedOutput()) +
                     "\" already exists; use -f to replace it";
    else
      result.Output = Utf8Encode(*host.ChosenOutput());
  } catch (const std::exception& error) {
    result.Error = ErrorMessage(error);
  }
  result.Log = host.LogLines();
  result.Targets = host.Targets();
  result.RowsPlaced = run.RowsPlaced();
  result.RowsUnplaced = run.RowsDropped();
  result.DroppedRows = run.DroppedRows();
  return result;
}

TInputResult ConvertItem(const TInputItem& aItem, const TCliOptions& aOptions, std::ostream* aLog,
                         TProgress* aProgress) {
  if (!aItem.Error)
    return ConvertProject(aItem.Path, aOptions, aLog, aProgress);
  TInputResult result;
  result.Input = aItem.Path;
  result.Error = aItem.Error;
  return result;
}

std::vector<TInputItem> ExpandInputs(const std::vector<std::string>& aInputs) {
  std::vector<TInputItem> items;
  for (const std::string& input : aInputs) {
    try {
      std::vector<TInputItem> projects = ProjectsOfInput(input);
      if (projects.empty())
        items.push_back({AbsolutePath(input), "no .vlp file in this folder"});
      for (TInputItem& project : projects) {
        if (!project.Error && !IsUtf8Path(project.Path))
          project.Error = "the path is not valid UTF-8";
        items.push_back(std::move(project));
      }
    } catch (const fs::filesystem_error& error) {
      items.push_back({AbsolutePath(input), error.code().message()});
    }
  }
  return items;
}

// ---- Report ----

nlohmann::ordered_json ToJson(const std::optional<std::string>& aText) {
  return aText ? nlohmann::ordered_json(*aText) : nlohmann::ordered_json(nullptr);
}

// A target without a counterpart is known by nothing but that; a count is missing too when the
// run ended before the rows were counted.
nlohmann::ordered_json ToJson(const TTargetOutcome& aTarget) {
  if (!aTarget.Converted)
    return {{"kind", nullptr},
            {"converted", false},
            {"old_target", nullptr},
            {"new_target", nullptr},
            {"rows", nullptr}};
  return {{"kind", aTarget.Kind == TTargetKind::tkVirtual ? "virtual" : "plain"},
          {"converted", true},
          {"old_target", Utf8Encode(aTarget.OldTarget)},
          {"new_target", Utf8Encode(aTarget.NewTarget)},
          {"rows", aTarget.Rows ? nlohmann::ordered_json(*aTarget.Rows) : nullptr}};
}

nlohmann::ordered_json ToJson(const TInputResult& aResult) {
  nlohmann::ordered_json log = nlohmann::ordered_json::array();
  for (const std::u16string& line : aResult.Log)
    log.push_back(Utf8Encode(line));
  nlohmann::ordered_json dropped = nlohmann::ordered_json::array();
  for (const TDroppedRow& row : aResult.DroppedRows)
    dropped.push_back({{"target", Utf8Encode(row.VLP5Target)},
                       {"context", Utf8Encode(row.Context)},
                       {"native", Utf8Encode(row.Native)}});
  nlohmann::ordered_json targets = nlohmann::ordered_json::array();
  for (const TTargetOutcome& target : aResult.Targets)
    targets.push_back(ToJson(target));
  return {{"input", aResult.Input},
          {"output", ToJson(aResult.Output)},
          {"ok", aResult.Ok()},
          {"error", ToJson(aResult.Error)},
          {"log", std::move(log)},
          {"targets", std::move(targets)},
          {"rows_placed", aResult.RowsPlaced},
          {"rows_unplaced", aResult.RowsUnplaced},
          {"rows_dropped", std::move(dropped)}};
}

// Through the same safe replacement as a saved project: a failed write leaves no half report,
// and a report that was there stays as it was.
void WriteReport(const std::string& aPath, const std::string& aText) {
  TReplacementFile file(PathOfUtf8(aPath));
  file.Write(aText);
  file.Commit();
}

// ---- The command ----

std::string DroppedRowsSummary(std::size_t aCount) {
  if (aCount == 1)
    return "1 row without a converted target was not carried over";
  return std::to_string(aCount) + " rows without a converted target were not carried over";
}

// Prints what each input did, in input order, whichever order they finish in.
class TConsole {
public:
  TConsole(const TCliOptions& aOptions, std::ostream& aOut, std::ostream& aErr,
           TProgress& aProgress, std::size_t aCount)
      : fOptions(aOptions), fOut(aOut), fErr(aErr), fProgress(aProgress), fCount(aCount) {}

  // What comes before the input's log.
  void Begin(std::size_t aIndex, const std::string& aPath) {
    fProgress.Starting(aIndex, aPath);
    if (!fOptions.Quiet && fCount > 1)
      fOut << (aIndex ? "\n" : "") << "==> " << aPath << " <==\n";
  }

  // What comes after it.
  void End(std::size_t aIndex, const TInputResult& aResult) {
    fProgress.Clear();
    if (!fOptions.Quiet) {
      PrintTargetTable(fOut, aResult.Targets);
      if (!aResult.DroppedRows.empty())
        fOut << DroppedRowsSummary(aResult.DroppedRows.size()) << '\n';
    }
    fOut << std::flush;
    if (aResult.Error)
      fErr << ProgramName << ": " << aResult.Input << ": " << *aResult.Error << '\n';
    fProgress.Finished(aIndex + 1);
  }

private:
  const TCliOptions& fOptions;
  std::ostream& fOut;
  std::ostream& fErr;
  TProgress& fProgress;
  std::size_t fCount;
};

// One at a time, the log printed as it comes.
std::vector<TInputResult> ConvertInTurn(const std::vector<TInputItem>& aItems,
                                        const TCliOptions& aOptions, std::ostream& aOut,
                                        TConsole& aConsole, TProgress& aProgress) {
  std::vector<TInputResult> results;
  for (std::size_t i = 0; i < aItems.size(); ++i) {
    aConsole.Begin(i, aItems[i].Path);
    results.push_back(
        ConvertItem(aItems[i], aOptions, aOptions.Quiet ? nullptr : &aOut, &aProgress));
    aConsole.End(i, results.back());
  }
  return results;
}

// For each item, the last earlier item with the same path, if any: that one must be done first,
// as in a serial run, or both would race for the same output file.
std::vector<std::optional<std::size_t>> EarlierSamePaths(const std::vector<TInputItem>& aItems) {
  std::vector<std::optional<std::size_t>> earlier(aItems.size());
  std::map<std::string, std::size_t> lastByPath;
  for (std::size_t i = 0; i < aItems.size(); ++i) {
    const auto [found, added] = lastByPath.try_emplace(aItems[i].Path, i);
    if (!added) {
      earlier[i] = found->second;
      found->second = i;
    }
  }
  return earlier;
}

// Up to aOptions.Jobs at once; each log is kept back and printed whole, in input order.
std::vector<TInputResult> ConvertAtOnce(const std::vector<TInputItem>& aItems,
                                        const TCliOptions& aOptions, std::ostream& aOut,
                                        TConsole& aConsole) {
  struct TDone {
    TInputResult Result;
    std::string Log;
  };
  std::vector<std::optional<TDone>> done(aItems.size());
  const std::vector<std::optional<std::size_t>> earlier = EarlierSamePaths(aItems);
  std::mutex mutex;
  std::condition_variable finished;
  std::atomic<std::size_t> next{0};

  const auto work = [&] {
    for (std::size_t i; (i = next++) < aItems.size();) {
      if (earlier[i]) {
        std::unique_lock lock(mutex);
        finished.wait(lock, [&] { return done[*earlier[i]].has_value(); });
      }
      std::ostringstream log;
      TDone item;
      try {
        item.Result = ConvertItem(aItems[i], aOptions, aOptions.Quiet ? nullptr : &log, nullptr);
      } catch (const std::exception& error) {
        item.Result.Input = aItems[i].Path;
        item.Result.Error = error.what();
      }
      item.Log = log.str();
      {
        std::lock_guard lock(mutex);
        done[i] = std::move(item);
      }
      finished.notify_all();
    }
  };
  std::vector<std::jthread> workers;
  const std::size_t count = std::min(aItems.size(), static_cast<std::size_t>(aOptions.Jobs));
  for (std::size_t worker = 0; worker < count; ++worker)
    workers.emplace_back(work);

  std::vector<TInputResult> results;
  for (std::size_t i = 0; i < aItems.size(); ++i) {
    {
      std::unique_lock lock(mutex);
      finished.wait(lock, [&] { return done[i].has_value(); });
    }
    aConsole.Begin(i, aItems[i].Path);
    aOut << done[i]->Log;
    aConsole.End(i, done[i]->Result);
    results.push_back(std::move(done[i]->Result));
  }
  return results;
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
  const std::vector<TInputResult> results =
      aOptions.Jobs > 1 && items.size() > 1
          ? ConvertAtOnce(items, aOptions, aOut, console)
          : ConvertInTurn(items, aOptions, aOut, console, progress);
  progress.Clear();
  int status = std::all_of(results.begin(), results.end(),
                           [](const TInputResult& result) { return result.Ok(); })
                   ? ceSuccess
                   : ceFailure;
  if (aOptions.ReportPath) {
    try {
      WriteReport(*aOptions.ReportPath, ReportJson(results));
    } catch (const Exception& error) {
      aErr << ProgramName << ": " << *aOptions.ReportPath
           << ": cannot write the report: " << error.what() << '\n';
      status = ceFailure;
    }
  }
  return status;
}

} // namespace

std::vector<TInputItem> ProjectsOfInput(const std::string& aInput) {
  const std::string path = AbsolutePath(aInput);
  std::error_code error;
  if (fs::is_directory(PathOfUtf8(path), error))
    return ProjectsInFolder(path);
  return {{path, std::nullopt}};
}

std::string ReportJson(const std::vector<TInputResult>& aResults) {
  nlohmann::ordered_json results = nlohmann::ordered_json::array();
  for (const TInputResult& result : aResults)
    results.push_back(ToJson(result));
  const nlohmann::ordered_json report{{"version", VLP_VERSION}, {"results", std::move(results)}};
  return report.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

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
  return RunInputs(options, aOut, aErr, aErrIsTerminal);
}

} // namespace vcli
