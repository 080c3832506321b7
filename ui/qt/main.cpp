#include "vbase/Utf8.h"
#include "vpresenter/uStartArguments.h"
#include "vui/uApplication.h"
#include "vui/uMainForm.h"

#include <cstdio>
#include <cstdlib>

namespace {

// The arguments as the program got them, before Qt takes its own.
std::vector<std::u16string> Arguments(int aArgc, char** aArgv) {
  std::vector<std::u16string> arguments;
  for (int index = 0; index < aArgc; ++index)
    arguments.push_back(vbase::Utf8Decode(aArgv[index]));
  return arguments;
}

} // namespace

int main(int argc, char** argv) {
  const vui::TStartRequest request =
      vui::ParseStartArguments(Arguments(argc, argv), u"" VLP_VERSION);
  if (request.Action != vui::TStartAction::saWindow) {
    std::FILE* console = request.ExitCode == 0 ? stdout : stderr;
    std::fputs(vbase::Utf8Encode(request.Text).c_str(), console);
    return request.ExitCode;
  }
  vui::TApplication application(argc, argv);
  vui::TMainform mainform;
  application.SetExceptionReporter(
      [&mainform](std::exception_ptr aError) { mainform.ReportException(aError); });
  mainform.show();
  mainform.Presenter().ConvertInputsLater(request.Projects);
  const int exitCode = application.exec();
  // The window has gone and every file is written and closed: tearing down what a large run
  // left in memory would keep the process alive for nothing, so the system takes it back.
  std::fflush(nullptr);
  std::_Exit(exitCode);
}
