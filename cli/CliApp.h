// vlp5tovxp-cli: runs the conversion on every input, prints what the window would show, and
// optionally writes a JSON report.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vcli {

enum TCliExitStatus : int { ceSuccess = 0, ceFailure = 1, ceUsage = 2 };

// The whole command; aArgs without the program name. Returns the exit status.
int RunCli(const std::vector<std::string>& aArgs, std::ostream& aOut, std::ostream& aErr,
           bool aErrIsTerminal);

} // namespace vcli
