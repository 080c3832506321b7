// Shows the real window, converts one project in it and saves a picture of the screen:
//   WindowScreenshot <old project> <new project> <picture.png>
// The two file dialogs are answered with the paths given; everything else is the program.
#include "FakeDesktop.h"
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
  auto desktop = std::make_unique<TFakeDesktop>();
  desktop->OpenAnswer = arguments[1].toStdU16String();
  desktop->SaveAnswer = arguments[2].toStdU16String();
  const TFakeDesktop& shown = *desktop;
  mainform.SetDesktop(std::move(desktop));

  mainform.show();
  if (!QTest::qWaitForWindowExposed(&mainform))
    return 1;
  mainform.btnConvert->click();
  for (const TErrorReport& report : shown.Errors)
    std::fprintf(stderr, "%s: %s\n", qPrintable(QString::fromStdU16String(report.ClassName)),
                 qPrintable(QString::fromStdU16String(report.Message)));
  // Let the last repaints reach the screen before it is read back.
  QTest::qWait(300);
  const QPixmap picture = mainform.screen()->grabWindow(mainform.winId());
  if (!picture.save(arguments[3]))
    return 1;
  return shown.Errors.empty() ? 0 : 1;
}
