// What the window program does with its command line, on every system: convert the projects it
// names, or answer --help or --version on the console without a window, or refuse an option it
// does not know.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vui {

enum class TStartAction { saWindow, saHelp, saVersion, saUsageError };

struct TStartRequest {
  TStartAction Action = TStartAction::saWindow;
  // The project to convert once the window is up, made absolute: the first of Projects.
  std::optional<std::u16string> Project;
  // Every project and folder named, made absolute, in order: several are converted in one run.
  std::vector<std::u16string> Projects;
  // What goes to the console: the help, the version line, or the error and the usage.
  std::u16string Text;
  // The process's status when no window is opened: 0, or 2 for a usage error.
  int ExitCode = 0;
};

// aArguments: the program's name first. aVersion: the program's version number.
TStartRequest ParseStartArguments(const std::vector<std::u16string>& aArguments,
                                  std::u16string_view aVersion);

} // namespace vui
