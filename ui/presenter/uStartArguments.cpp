#include "vpresenter/uStartArguments.h"

#include "vpresenter/uMainPresenter.h"
#include "vpresenter/uMainTexts.h"

namespace vui {

namespace {

constexpr std::u16string_view Usage =
    u"Usage: vlp5tovxp [OLD.vlp]\n"
    u"       vlp5tovxp OLD.vlp|FOLDER...\n"
    u"Opens the window that converts an old project (.vlp) to a new one (.vxp); a project\n"
    u"named here is converted at once, as if picked in the open dialog. Several projects, or a\n"
    u"folder whose projects are all converted, go in one run that asks once where they go.\n"
    u"\n"
    u"  --help     show this help and exit\n"
    u"  --version  show the version and exit\n"
    u"\n"
    u"vlp5tovxp-cli converts without a window.\n";

bool IsOption(const std::u16string& aArgument) {
  return aArgument.size() > 1 && aArgument[0] == u'-';
}

} // namespace

TStartRequest ParseStartArguments(const std::vector<std::u16string>& aArguments,
                                  std::u16string_view aVersion) {
  std::vector<std::u16string> files{aArguments.empty() ? std::u16string() : aArguments[0]};
  bool optionsEnd = false;
  for (size_t index = 1; index < aArguments.size(); ++index) {
    const std::u16string& argument = aArguments[index];
    if (optionsEnd || !IsOption(argument))
      files.push_back(argument);
    else if (argument == u"--")
      optionsEnd = true;
    else if (argument == u"--help" || argument == u"-h")
      return {TStartAction::saHelp, std::nullopt, {}, std::u16string(Usage), 0};
    else if (argument == u"--version")
      return {TStartAction::saVersion,
              std::nullopt,
              {},
              std::u16string(ProgramName) + u' ' + std::u16string(aVersion) + u'\n',
              0};
    else
      return {TStartAction::saUsageError,
              std::nullopt,
              {},
              std::u16string(ProgramName) + u": unknown option " + argument + u"\n\n" +
                  std::u16string(Usage),
              2};
  }
  std::vector<std::u16string> projects;
  for (size_t index = 1; index < files.size(); ++index)
    projects.push_back(*ProjectOfArguments({files[0], files[index]}));
  return {TStartAction::saWindow, ProjectOfArguments(files), std::move(projects), {}, 0};
}

} // namespace vui
