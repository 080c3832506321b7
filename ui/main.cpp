#include "uApplication.h"
#include "uMainForm.h"

int main(int argc, char** argv) {
  vui::TApplication application(argc, argv);
  vui::TMainform mainform;
  application.SetExceptionReporter(
      [&mainform](std::exception_ptr aError) { mainform.ReportException(aError); });
  mainform.show();
  if (const std::optional<QString> project = vui::ProjectOfArguments(QCoreApplication::arguments()))
    mainform.ConvertProjectLater(*project);
  const int exitCode = application.exec();
  // The window goes before the application: nothing may report to it any more.
  application.SetExceptionReporter({});
  return exitCode;
}
