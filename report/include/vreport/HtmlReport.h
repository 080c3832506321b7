// The report of a whole command as one self-contained HTML page: per input its outcome, the error
// with the file, line and column where reading stopped, its targets, the rows not carried over,
// the verification and the log; the facts of the JSON report, no more and no fewer. Nothing is
// loaded from elsewhere, the style is inline, and the page prints; every text is escaped.
#pragma once

#include "vreport/InputResult.h"

#include <string>
#include <string_view>
#include <vector>

namespace vreport {

// The page, as UTF-8 text; aProgramName is the program that writes it, named in its title and
// beside its version.
std::string ReportHtml(const std::vector<TInputResult>& aResults, std::string_view aProgramName);

} // namespace vreport
