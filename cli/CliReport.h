// The JSON report of a whole command: what became of every input.
#pragma once

#include "CliResult.h"

#include <string>
#include <vector>

namespace vcli {

// The report document, as UTF-8 JSON text.
std::string ReportJson(const std::vector<TInputResult>& aResults);

// Writes the report to aPath through a safe replacement: a failed write leaves no half report,
// and a report that was there stays as it was. Raises the file's errors.
void WriteReport(const std::string& aPath, const std::vector<TInputResult>& aResults);

} // namespace vcli
