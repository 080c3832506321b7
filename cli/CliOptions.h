// The command line of vlp5tovxp-cli.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vcli {

// The name the command's messages begin with, and its reports carry.
inline constexpr const char* ProgramName = "vlp5tovxp-cli";

enum class TProgressMode { pmAuto, pmNone, pmNames, pmBar };

struct TCliOptions {
  std::vector<std::string> Inputs;
  std::optional<std::string> Output;
  bool Force = false;
  bool Quiet = false;
  // Projects converted at once.
  int Jobs = 1;
  // A report in HTML when the name ends in .html or .htm, else in JSON.
  std::optional<std::string> ReportPath;
  // Compare a new project with its old one (the two inputs) instead of converting.
  bool Check = false;
  // Check each new project just saved against its input.
  bool Verify = false;
  TProgressMode Progress = TProgressMode::pmAuto;
  bool ShowHelp = false;
  bool ShowVersion = false;
};

// A command line that cannot be run; the message says what is wrong with it.
class ECliUsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// aArgs without the program name. Raises ECliUsageError; -h and -V need no inputs.
TCliOptions ParseCliArguments(const std::vector<std::string>& aArgs);

const char* CliUsageText();

} // namespace vcli
