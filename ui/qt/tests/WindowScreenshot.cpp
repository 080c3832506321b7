// Shows the real window, converts in it and saves a picture of the screen:
//   WindowScreenshot <picture.png> <old project> <new project> [<rows picture.png>]
//   WindowScreenshot <picture.png> --queue <old project or folder>...
// The first converts one project, the file dialogs answered with the paths given, and pictures
// the rows not carried over too when asked; the second converts several in one run, the question
// before it answered with its defaults, and shows the first project. Everything else is the
// program.
#include "FakeDesktop.h"
#include "vui/uApplication.h"
#include "vui/uMainForm.h"
#include "vui/uRowsForm.h"

#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTest>
#include <cstdio>

using namespace vui;

namespace {

// The run goes on a thread of its own; the window's loop turns until it has ended.
void WaitForRun(TMainform& aMainform) {
  QCoreApplication::processEvents();
  while (aMainform.Presenter().State() != TMainState::msIdle)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

std::vector<std::u16string> Paths(const QStringList& aArguments) {
  std::vector<std::u16string> paths;
  for (const QString& argument : aArguments)
    paths.push_back(argument.toStdU16String());
  return paths;
}

// Let the last repaints reach the screen before it is read back.
bool SavePicture(QWidget& aWindow, const QString& aPicture) {
  QTest::qWait(300);
  return aWindow.screen()->grabWindow(aWindow.winId()).save(aPicture);
}

// "Show rows..." pressed, and its window pictured and closed.
bool SaveRowsPicture(TMainform& aMainform, const QString& aPicture) {
  aMainform.btnShowRows->click();
  auto* rows = aMainform.findChild<TRowsForm*>();
  if (!rows || !QTest::qWaitForWindowExposed(rows))
    return false;
  const bool saved = SavePicture(*rows, aPicture);
  rows->close();
  return saved;
}

int Usage() {
  std::fprintf(stderr,
               "usage: WindowScreenshot <picture.png> <old project> <new project> "
               "[<rows picture.png>]\n"
               "       WindowScreenshot <picture.png> --queue <old project or folder>...\n");
  return 2;
}

} // namespace

int main(int argc, char** argv) {
  TApplication application(argc, argv);
  const QStringList arguments = QCoreApplication::arguments();
  const bool queue = arguments.size() >= 4 && arguments[2] == QStringLiteral("--queue");
  if (!queue && arguments.size() != 4 && arguments.size() != 5)
    return Usage();
  TMainform mainform;
  auto desktop = std::make_unique<TFakeDesktop>();
  if (!queue) {
    desktop->OpenAnswer = arguments[2].toStdU16String();
    desktop->SaveAnswer = arguments[3].toStdU16String();
  }
  const TFakeDesktop& shown = *desktop;
  mainform.SetDesktop(std::move(desktop));

  mainform.show();
  if (!QTest::qWaitForWindowExposed(&mainform))
    return 1;
  if (queue)
    mainform.Presenter().ConvertInputs(Paths(arguments.mid(3)));
  else
    mainform.btnConvert->click();
  WaitForRun(mainform);
  if (queue)
    mainform.lstProjects->setCurrentCell(0, 0);
  for (const TErrorReport& report : shown.Errors)
    std::fprintf(stderr, "%s: %s\n", qPrintable(QString::fromStdU16String(report.ClassName)),
                 qPrintable(QString::fromStdU16String(report.Message)));
  if (!SavePicture(mainform, arguments[1]))
    return 1;
  if (!queue && arguments.size() == 5 && !SaveRowsPicture(mainform, arguments[4]))
    return 1;
  return shown.Errors.empty() ? 0 : 1;
}
