#include "CliOptions.h"

#include <charconv>
#include <getopt.h>
#include <string_view>

namespace vcli {

namespace {

// Codes of the options that have no one-letter form.
enum TLongOnlyOption : int { loReport = 256, loProgress, loCheck, loVerify };

constexpr option LongOptions[] = {{"output", required_argument, nullptr, 'o'},
                                  {"force", no_argument, nullptr, 'f'},
                                  {"quiet", no_argument, nullptr, 'q'},
                                  {"jobs", required_argument, nullptr, 'j'},
                                  {"report", required_argument, nullptr, loReport},
                                  {"progress", required_argument, nullptr, loProgress},
                                  {"check", no_argument, nullptr, loCheck},
                                  {"verify", no_argument, nullptr, loVerify},
                                  {"help", no_argument, nullptr, 'h'},
                                  {"version", no_argument, nullptr, 'V'},
                                  {nullptr, 0, nullptr, 0}};

// "-": inputs come back in place as code 1, so options may follow them; ":": the parser
// reports nothing itself and tells a missing value apart.
constexpr const char* ShortOptions = "-:o:fqj:hV";

TProgressMode ParseProgressMode(const std::string& aValue) {
  if (aValue == "none")
    return TProgressMode::pmNone;
  if (aValue == "names")
    return TProgressMode::pmNames;
  if (aValue == "bar")
    return TProgressMode::pmBar;
  throw ECliUsageError("--progress takes none, names or bar, not '" + aValue + "'");
}

int ParseJobCount(const std::string& aValue) {
  int count = 0;
  const char* end = aValue.data() + aValue.size();
  const auto [stop, error] = std::from_chars(aValue.data(), end, count);
  if (error != std::errc() || stop != end || count < 1)
    throw ECliUsageError("-j/--jobs takes a whole number from 1 up, not '" + aValue + "'");
  return count;
}

// The long name of the option with code aCode.
std::string LongName(int aCode) {
  for (const option& entry : LongOptions)
    if (entry.name && entry.val == aCode)
      return std::string("--") + entry.name;
  return {};
}

void ApplyOption(TCliOptions& aOptions, int aCode, const std::string& aValue) {
  switch (aCode) {
  case 1:
    aOptions.Inputs.push_back(aValue);
    break;
  case 'o':
    aOptions.Output = aValue;
    break;
  case 'f':
    aOptions.Force = true;
    break;
  case 'q':
    aOptions.Quiet = true;
    break;
  case 'j':
    aOptions.Jobs = ParseJobCount(aValue);
    break;
  case loReport:
    aOptions.ReportPath = aValue;
    break;
  case loProgress:
    aOptions.Progress = ParseProgressMode(aValue);
    break;
  case loCheck:
    aOptions.Check = true;
    break;
  case loVerify:
    aOptions.Verify = true;
    break;
  case 'h':
    aOptions.ShowHelp = true;
    break;
  case 'V':
    aOptions.ShowVersion = true;
    break;
  }
}

// What getopt_long did not accept in aArg, in our words. An unknown long option leaves optopt
// at 0; a known one is named by its full name, however it was abbreviated.
[[noreturn]] void RaiseRejected(int aCode, std::string_view aArg) {
  if (aArg.starts_with("--")) {
    if (optopt == 0)
      throw ECliUsageError("unknown option " + std::string(aArg.substr(0, aArg.find('='))));
    // A value the option does not take is '?' for glibc and ':' for the BSD parser of MinGW.
    if (aArg.find('=') != std::string_view::npos)
      throw ECliUsageError("option " + LongName(optopt) + " takes no value");
    throw ECliUsageError("option " + LongName(optopt) + " needs a value");
  }
  const std::string option = std::string("-") + static_cast<char>(optopt);
  if (aCode == ':')
    throw ECliUsageError("option " + option + " needs a value");
  throw ECliUsageError("unknown option " + option);
}

void Validate(const TCliOptions& aOptions) {
  if (aOptions.ShowHelp || aOptions.ShowVersion)
    return;
  if (aOptions.Inputs.empty())
    throw ECliUsageError("no input given");
  if (aOptions.Check) {
    if (aOptions.Inputs.size() != 2)
      throw ECliUsageError("--check needs two inputs: the old project and the new one");
    if (aOptions.Output || aOptions.Verify)
      throw ECliUsageError("--check converts nothing: it takes neither -o/--output nor --verify");
  }
  if (aOptions.Output && aOptions.Inputs.size() > 1)
    throw ECliUsageError("-o/--output needs exactly one input");
}

} // namespace

TCliOptions ParseCliArguments(const std::vector<std::string>& aArgs) {
  std::vector<std::string> storage{"vlp5tovxp-cli"};
  storage.insert(storage.end(), aArgs.begin(), aArgs.end());
  std::vector<char*> argv;
  for (std::string& arg : storage)
    argv.push_back(arg.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(storage.size());

  TCliOptions options;
  optind = 0; // starts the parser afresh for every command line
  opterr = 0;
  for (;;) {
    // The argument being read: the parser moves on from a group of letters only at its end.
    const auto scanned = static_cast<std::size_t>(optind == 0 ? 1 : optind);
    const int code = getopt_long(argc, argv.data(), ShortOptions, LongOptions, nullptr);
    if (code == -1)
      break;
    if (code == '?' || code == ':')
      RaiseRejected(code, storage[scanned]);
    ApplyOption(options, code, optarg ? std::string(optarg) : std::string());
  }
  // Whatever follows "--" is an input, even when it looks like an option.
  options.Inputs.insert(options.Inputs.end(), storage.begin() + optind, storage.end());
  Validate(options);
  return options;
}

const char* CliUsageText() {
  return R"(Usage: vlp5tovxp-cli [options] INPUT...
       vlp5tovxp-cli --check [--report FILE] OLD.vlp NEW.vxp
Converts Vornalex 5 projects (.vlp) into projects of the new format (.vxp).
INPUT is a .vlp file or a folder, which stands for every .vlp file below it.
Each new project is written beside its input as INPUT_converted.vxp.

Options:
  -o, --output FILE       write the new project to FILE (one input only)
  -f, --force             replace an output file that already exists
  -q, --quiet             print neither the log nor the target table
  -j, --jobs N            convert up to N projects at once (default: 1); the
                          output is the same as one at a time
      --verify            check each new project just saved against its input:
                          every row, translation, exclusion and language there
      --check             convert nothing; check that NEW.vxp holds everything
                          of OLD.vlp that a conversion carries over, and name
                          each difference
      --report FILE       write a report of every input to FILE: an HTML page
                          when FILE ends in .html or .htm, else JSON
      --progress MODE     none, names or bar (default: a bar when stderr is a
                          terminal and there are several inputs, or one input
                          without -q)
  -h, --help              show this help and exit
  -V, --version           show the version and exit

Exit status: 0 when every input was converted (and verified), or the check
found everything; 1 when any failed or anything differs; 2 for a usage error.
)";
}

} // namespace vcli
