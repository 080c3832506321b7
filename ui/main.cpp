#include "uApplication.h"
#include "uMainForm.h"

int main(int argc, char** argv) {
  TApplication application(argc, argv);
  TMainform mainform;
  application.SetExceptionReporter(
      [&mainform](std::exception_ptr aError) { mainform.ReportException(aError); });
  mainform.show();
  if (const std::optional<QString> project = ProjectOfArguments(QCoreApplication::arguments()))
    mainform.ConvertProjectLater(*project);
  const int exitCode = application.exec();
  // The window goes before the application: nothing may report to it any more.
  application.SetExceptionReporter({});
  return exitCode;
}
