// The report of a whole command as one self-contained HTML page: per input its outcome, its
// targets, the rows not carried over and the verification. Nothing is loaded from elsewhere, the
// style is inline, and the page prints; every text of the results is escaped.
#pragma once

#include "CliResult.h"

#include <string>
#include <vector>

namespace vcli {

// The page, as UTF-8 text.
std::string ReportHtml(const std::vector<TInputResult>& aResults);

} // namespace vcli
