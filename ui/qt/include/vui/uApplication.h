// The application object. Qt must not unwind through its event loop, so every exception that
// an event handler lets out stops here and goes to the reporter the main window installs.
#pragma once

#include <QApplication>
#include <exception>
#include <functional>

namespace vui {

class TApplication : public QApplication {
public:
  using TExceptionReporter = std::function<void(std::exception_ptr)>;

  TApplication(int& aArgc, char** aArgv);
  bool notify(QObject* aReceiver, QEvent* aEvent) override;
  void SetExceptionReporter(TExceptionReporter aReporter);

private:
  TExceptionReporter fReporter;
};

} // namespace vui
