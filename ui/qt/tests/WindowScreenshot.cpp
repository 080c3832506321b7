// Shows the real window, converts one project in it and saves a picture of the screen:
//   WindowScreenshot <old project> <new project> <picture.png>
// The two file dialogs are answered with the paths given; everything else is the program.
#include "FakeDesktopServices.h"
#include "vui/uApplication.h"
#include "vui/uMainForm.h"

#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <cstdio>

using namespace vui;

int main(int argc, char** argv) {
  TApplication application(argc, argv);
  const QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() != 4) {
    std::fprintf(stderr, "usage: WindowScreenshot <old project> <new project> <picture.png>\n");
    return 2;
  }
  TMainform mainform;
  auto open = std::make_unique<TFakeOpenFileChooser>();
  open->Answer = arguments[1];
  auto save = std::make_unique<TFakeSaveFileChooser>();
  save->Answer = arguments[2];
  auto errors = std::make_unique<TFakeErrorPresenter>();
  TFakeErrorPresenter& shownErrors = *errors;
  mainform.SetOpenFileChooser(std::move(open));
  mainform.SetSaveFileChooser(std::move(save));
  mainform.SetErrorPresenter(std::move(errors));

  mainform.show();
  if (!QTest::qWaitForWindowExposed(&mainform))
    return 1;
  mainform.btnConvert->click();
  for (const TErrorReport& report : shownErrors.Shown)
    std::fprintf(stderr, "%s: %s\n", qPrintable(QString::fromStdU16String(report.ClassName)),
                 qPrintable(QString::fromStdU16String(report.Message)));
  // Let the last repaints reach the screen before it is read back.
  QTest::qWait(300);
  const QPixmap picture = mainform.screen()->grabWindow(mainform.winId());
  if (!picture.save(arguments[3]))
    return 1;
  return shownErrors.Shown.empty() ? 0 : 1;
}
