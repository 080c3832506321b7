#include "CliOptions.h"

#include <string_view>

namespace vcli {

namespace {

TProgressMode ParseProgressMode(const std::string& aValue) {
  if (aValue == "none")
    return TProgressMode::pmNone;
  if (aValue == "names")
    return TProgressMode::pmNames;
  if (aValue == "bar")
    return TProgressMode::pmBar;
  throw ECliUsageError("--progress takes none, names or bar, not '" + aValue + "'");
}

class TArgumentParser {
public:
  explicit TArgumentParser(const std::vector<std::string>& aArgs) : fArgs(aArgs) {}

  TCliOptions Parse() {
    for (fIndex = 0; fIndex < fArgs.size(); ++fIndex) {
      const std::string& arg = fArgs[fIndex];
      if (arg == "--")
        TakeRemainingAsInputs();
      else if (arg.starts_with("--"))
        ParseLongOption(arg.substr(2));
      else if (arg.size() > 1 && arg[0] == '-')
        ParseShortOptions(arg);
      else
        fOptions.Inputs.push_back(arg);
    }
    Validate();
    return fOptions;
  }

private:
  void TakeRemainingAsInputs() {
    fOptions.Inputs.insert(fOptions.Inputs.end(), fArgs.begin() + fIndex + 1, fArgs.end());
    fIndex = fArgs.size();
  }

  // The value of an option: attached (--name=value, -ovalue) or the next argument.
  std::string TakeValue(const std::string& aOption, std::optional<std::string> aAttached) {
    if (aAttached)
      return *aAttached;
    if (fIndex + 1 >= fArgs.size())
      throw ECliUsageError("option " + aOption + " needs a value");
    return fArgs[++fIndex];
  }

  void ParseLongOption(const std::string& aBody) {
    const std::size_t equals = aBody.find('=');
    const std::string name = aBody.substr(0, equals);
    std::optional<std::string> attached;
    if (equals != std::string::npos)
      attached = aBody.substr(equals + 1);
    const std::string option = "--" + name;
    if (name == "output")
      fOptions.Output = TakeValue(option, attached);
    else if (name == "report")
      fOptions.ReportPath = TakeValue(option, attached);
    else if (name == "progress")
      fOptions.Progress = ParseProgressMode(TakeValue(option, attached));
    else if (attached)
      throw ECliUsageError("option " + option + " takes no value");
    else
      SetFlag(option, name == "force"     ? 'f'
                      : name == "quiet"   ? 'q'
                      : name == "help"    ? 'h'
                      : name == "version" ? 'V'
                                          : '\0');
  }

  void ParseShortOptions(const std::string& aArg) {
    for (std::size_t i = 1; i < aArg.size(); ++i) {
      if (aArg[i] == 'o') {
        std::optional<std::string> attached;
        if (i + 1 < aArg.size())
          attached = aArg.substr(i + 1);
        fOptions.Output = TakeValue("-o", attached);
        return;
      }
      SetFlag(std::string("-") + aArg[i], aArg[i]);
    }
  }

  void SetFlag(const std::string& aOption, char aLetter) {
    switch (aLetter) {
    case 'f':
      fOptions.Force = true;
      break;
    case 'q':
      fOptions.Quiet = true;
      break;
    case 'h':
      fOptions.ShowHelp = true;
      break;
    case 'V':
      fOptions.ShowVersion = true;
      break;
    default:
      throw ECliUsageError("unknown option " + aOption);
    }
  }

  void Validate() const {
    if (fOptions.ShowHelp || fOptions.ShowVersion)
      return;
    if (fOptions.Inputs.empty())
      throw ECliUsageError("no input given");
    if (fOptions.Output && fOptions.Inputs.size() > 1)
      throw ECliUsageError("-o/--output needs exactly one input");
  }

  const std::vector<std::string>& fArgs;
  std::size_t fIndex = 0;
  TCliOptions fOptions;
};

} // namespace

TCliOptions ParseCliArguments(const std::vector<std::string>& aArgs) {
  return TArgumentParser(aArgs).Parse();
}

const char* CliUsageText() {
  return R"(Usage: vlp5tovxp-cli [options] INPUT...
Converts Vornalex 5 projects (.vlp) into projects of the new format (.vxp).
INPUT is a .vlp file or a folder, which stands for every .vlp file below it.
Each new project is written beside its input as INPUT_converted.vxp.

Options:
  -o, --output FILE       write the new project to FILE (one input only)
  -f, --force             replace an output file that already exists
  -q, --quiet             print neither the log nor the target table
      --report FILE.json  write a JSON report of every input to FILE.json
      --progress MODE     none, names or bar (default: a bar when stderr is a
                          terminal and there are several inputs)
  -h, --help              show this help and exit
  -V, --version           show the version and exit

Exit status: 0 when every input was converted, 1 when any failed,
2 for a usage error.
)";
}

} // namespace vcli
