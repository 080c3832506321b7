#include "vui/uApplication.h"

#include "vbase/Utf8.h"
#include "vpresenter/uErrorReport.h"

#include <QIcon>
#include <cstdio>

namespace vui {

using vbase::Utf8Encode;

TApplication::TApplication(int& aArgc, char** aArgv) : QApplication(aArgc, aArgv) {
  // No display name: the window system would append it to the window's caption.
  setApplicationName(QStringLiteral("vlp5tovxp"));
  setApplicationVersion(QStringLiteral(VLP_VERSION));
  setWindowIcon(QIcon(QStringLiteral(":/images/vlp5tovxp.svg")));
}

bool TApplication::notify(QObject* aReceiver, QEvent* aEvent) {
  try {
    return QApplication::notify(aReceiver, aEvent);
  } catch (...) {
    if (fReporter) {
      fReporter(std::current_exception());
    } else {
      const TErrorReport report = DescribeException(std::current_exception());
      std::fprintf(stderr, "vlp5tovxp: %s: %s\n", Utf8Encode(report.ClassName).c_str(),
                   Utf8Encode(report.Message).c_str());
    }
    return false;
  }
}

void TApplication::SetExceptionReporter(TExceptionReporter aReporter) {
  fReporter = std::move(aReporter);
}

} // namespace vui
