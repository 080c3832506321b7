#include "uApplication.h"

#include "Errors.h"
#include "uDesktopServices.h"

#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

namespace vui {

using vbase::Exception;

namespace {

QString DemangledName(const std::type_info& aType) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> name(
      abi::__cxa_demangle(aType.name(), nullptr, nullptr, &status), &std::free);
  return QString::fromUtf8(status == 0 ? name.get() : aType.name());
}

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // No display name: the window system would append it to the window's caption.
  setApplicationName(QStringLiteral("vlp5tovxp"));
  setApplicationVersion(QStringLiteral(VLP_VERSION));
  setWindowIcon(QIcon(QStringLiteral(":/images/vlp5tovxp.svg")));
}

bool TApplication::notify(QObject* aReceiver, QEvent* aEvent) {
  try {
    return QApplication::notify(aReceiver, aEvent);
  } catch (...) {
    if (FReporter) {
      FReporter(std::current_exception());
    } else {
      const TErrorReport report = DescribeException(std::current_exception());
      std::fprintf(stderr, "vlp5tovxp: %s: %s\n", qPrintable(report.ClassName),
                   qPrintable(report.Message));
    }
    return false;
  }
}

void TApplication::SetExceptionReporter(TExceptionReporter aReporter) {
  FReporter = std::move(aReporter);
}

TErrorReport DescribeException(std::exception_ptr aError) {
  try {
    std::rethrow_exception(aError);
  } catch (const Exception& error) {
    return {QString::fromStdU16String(error.Message()), QString::fromLatin1(error.ClassName()), {}};
  } catch (const std::exception& error) {
    return {QString::fromUtf8(error.what()), DemangledName(typeid(error)), {}};
  } catch (...) {
    return {QStringLiteral("An unknown exception occurred."), QStringLiteral("unknown"), {}};
  }
}

} // namespace vui
