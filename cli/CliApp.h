// vlp5tovxp-cli: runs the conversion on every input, prints what the window would show, and
// optionally writes a JSON report.
#pragma once

#include "CliHost.h"
#include "uConversionRun.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace vcli {

enum TCliExitStatus : int { ceSuccess = 0, ceFailure = 1, ceUsage = 2 };

// What became of one input.
struct TInputResult {
  std::string Input;
  std::optional<std::string> Output;
  std::optional<std::string> Error;
  std::vector<std::u16string> Log;
  std::vector<TTargetOutcome> Targets;
  int32_t RowsPlaced = 0;
  int32_t RowsUnplaced = 0;
  std::vector<vconvert::TDroppedRow> DroppedRows;

  bool Ok() const { return !Error; }
};

// The whole command; aArgs without the program name. Returns the exit status.
int RunCli(const std::vector<std::string>& aArgs, std::ostream& aOut, std::ostream& aErr,
           bool aErrIsTerminal);

// One project an argument stands for, or the place that could not be read and why.
struct TInputItem {
  std::string Path;
  std::optional<std::string> Error;
  bool operator==(const TInputItem&) const = default;
};

// The projects an argument stands for: itself, or every .vlp below a folder in sorted order,
// where a subfolder that cannot be read is an item that fails; each made absolute without
// resolving links. Raises filesystem_error when the folder itself cannot be read.
std::vector<TInputItem> ProjectsOfInput(const std::string& aInput);

// The report document, as UTF-8 JSON text.
std::string ReportJson(const std::vector<TInputResult>& aResults);

} // namespace vcli
