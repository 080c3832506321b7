// The targets of one run as a table on the console, in the columns of the window's list.
#pragma once

#include "vreport/InputResult.h"

#include <iosfwd>
#include <vector>

namespace vcli {

// An empty line, a header and a line per target in the order found; columns are as wide as
// their widest text plus two spaces, the row count is right-aligned and no line ends in spaces.
// Nothing at all when there are no targets.
void PrintTargetTable(std::ostream& aOut, const std::vector<vreport::TTargetOutcome>& aTargets);

} // namespace vcli
