// The report of a whole command, what became of every input: JSON here, or an HTML page
// (HtmlReport) for a file named so.
#pragma once

#include "vreport/InputResult.h"

#include <string>
#include <string_view>
#include <vector>

namespace vreport {

// The extension of the UTF-8 path aPath (".vlp"), its ASCII letters lowered.
std::string LowerCaseExtension(const std::string& aPath);

// The report document, as UTF-8 JSON text.
std::string ReportJson(const std::vector<TInputResult>& aResults);

// Whether aPath names an HTML page: its extension is .html or .htm in any case.
bool IsHtmlReportPath(const std::string& aPath);

// Writes the report to aPath, in HTML or JSON by its name, through a safe replacement: a failed
// write leaves no half report, and a report that was there stays as it was. aProgramName is the
// program that writes it, named on the page. Raises the file's errors.
void WriteReport(const std::string& aPath, const std::vector<TInputResult>& aResults,
                 std::string_view aProgramName);

} // namespace vreport
