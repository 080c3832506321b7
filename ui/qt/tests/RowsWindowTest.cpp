// The rows window of the real Qt window: opened from the summary after a run of a generated
// project whose rows belong to no converted target; only the dialogs are stand-ins.
#include "FakeDesktop.h"
#include "vui/uApplication.h"
#include "vui/uMainForm.h"
#include "vui/uRowsForm.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace vui;

namespace {

// An old project of one converted target and aRows rows that belong to another, numbered from
// the last to the first so that sorting by the text turns them round.
QByteArray ProjectWithRowsWithoutTarget(int aRows) {
  QByteArray text = "<VLP5PROJECT><TARGETS><RESOURCE><FILENAME>C:\\app\\App.res</FILENAME>"
                    "</RESOURCE></TARGETS><DATA><LANGUAGES><LANGUAGE language=\"de\"/>"
                    "</LANGUAGES><ROWS>";
  for (int row = 0; row < aRows; ++row)
    text += QStringLiteral("<ROW><NATIVE>Text %1</NATIVE><LOCATION><TYPE>FORM</TYPE>"
                           "<TARGET>C:\\gone\\Gone%2.res</TARGET><UNIT>Form%3</UNIT></LOCATION>"
                           "</ROW>")
                .arg(aRows - row, 6, 10, QLatin1Char('0'))
                .arg(row % 3)
                .arg(row)
                .toUtf8();
  return text + "</ROWS></DATA></VLP5PROJECT>";
}

} // namespace

class TRowsWindowTest : public QObject {
  Q_OBJECT

private:
  // One folder serves every case: each writes its project and its output again.
  QTemporaryDir fFolder;
  std::unique_ptr<TMainform> fWindow;
  TFakeDesktop* fDesktop = nullptr;

  // Converts a generated project of aRows rows without a target and opens its rows window.
  TRowsForm* OpenRowsOfRun(int aRows) {
    const QString project = fFolder.filePath(QStringLiteral("rows.vlp"));
    QFile file(project);
    if (!file.open(QIODevice::WriteOnly) || file.write(ProjectWithRowsWithoutTarget(aRows)) < 0)
      return nullptr;
    file.close();
    fDesktop->OpenAnswer = project.toStdU16String();
    fDesktop->SaveAnswer = fFolder.filePath(QStringLiteral("rows.vxp")).toStdU16String();
    fWindow->btnConvert->click();
    // The run goes on a thread of its own; its end comes through the event loop.
    while (fWindow->Presenter().State() != TMainState::msIdle)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!fWindow->btnShowRows->isVisibleTo(fWindow.get()))
      return nullptr;
    fWindow->btnShowRows->click();
    return fWindow->findChild<TRowsForm*>();
  }

  static QString Cell(const TRowsForm& aForm, int aRow, int aColumn) {
    const QAbstractItemModel& model = *aForm.RowsList->model();
    return model.data(model.index(aRow, aColumn)).toString();
  }

private slots:
  void init() {
    QVERIFY(fFolder.isValid());
    fWindow = std::make_unique<TMainform>();
    fDesktop = new TFakeDesktop;
    fWindow->SetDesktop(std::unique_ptr<IDesktop>(fDesktop));
    fWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(fWindow.get()));
  }

  void cleanup() { fWindow.reset(); }

  // The message box it replaces grew with the rows, off the screen; the window keeps its size
  // and scrolls.
  void fiveThousandRowsFitTheScreenAndScroll() {
    fWindow->move(60, 40);
    TRowsForm* form = OpenRowsOfRun(5000);
    QVERIFY(form);
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QVERIFY(form->isModal());
    QCOMPARE(form->windowTitle(), QStringLiteral("Rows not carried over"));
    QCOMPARE(form->RowsLabel->text(),
             QStringLiteral("5000 rows without a converted target were not carried over"));
    QCOMPARE(form->RowsList->model()->rowCount(), 5000);
    const QStringList captions{QStringLiteral("Old target"), QStringLiteral("Context path"),
                               QStringLiteral("Native text")};
    for (int column = 0; column < captions.size(); ++column)
      QCOMPARE(form->RowsList->model()->headerData(column, Qt::Horizontal), captions[column]);
    QCOMPARE(Cell(*form, 0, 0), QStringLiteral("C:\\gone\\Gone0.res"));
    QCOMPARE(Cell(*form, 0, 1), QStringLiteral("Forms.Form0"));
    QCOMPARE(Cell(*form, 0, 2), QStringLiteral("Text 005000"));

    const QRect screen = form->screen()->availableGeometry();
    qInfo("screen area %dx%d", screen.width(), screen.height());
    const QRect frame = form->frameGeometry();
    QVERIFY2(screen.contains(frame), qPrintable(QStringLiteral("%1,%2 %3x%4 on %5x%6")
                                                    .arg(frame.x())
                                                    .arg(frame.y())
                                                    .arg(frame.width())
                                                    .arg(frame.height())
                                                    .arg(screen.width())
                                                    .arg(screen.height())));
    for (QPushButton* button : {form->CopyButton, form->SaveReportButton, form->CloseButton})
      QVERIFY(screen.contains(button->mapToGlobal(button->rect().bottomRight())));
    // Centred on the main window, unless that would put it over the screen's edge.
    const QPoint offset = frame.center() - fWindow->frameGeometry().center();
    QVERIFY2(std::abs(offset.x()) <= 1 || frame.left() == screen.left() ||
                 frame.right() == screen.right(),
             qPrintable(QStringLiteral("%1 off the centre").arg(offset.x())));
    QVERIFY2(std::abs(offset.y()) <= 1 || frame.top() == screen.top() ||
                 frame.bottom() == screen.bottom(),
             qPrintable(QStringLiteral("%1 off the centre").arg(offset.y())));

    QScrollBar* scrollBar = form->RowsList->verticalScrollBar();
    QVERIFY(scrollBar->maximum() > 0);
    QTest::keyClick(form->RowsList, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(form->RowsList->currentIndex().row(), 4999);
    QCOMPARE(scrollBar->value(), scrollBar->maximum());
    QCOMPARE(form->RowsList->rowAt(form->RowsList->viewport()->height() - 2), 4999);

    form->CloseButton->click();
    QTRY_VERIFY(!fWindow->findChild<TRowsForm*>());
  }

  void aClickOnAHeaderSortsAndTheSelectionIsCopied() {
    TRowsForm* form = OpenRowsOfRun(5000);
    QVERIFY(form);
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QHeaderView* header = form->RowsList->horizontalHeader();
    const auto clickHeader = [header](int aColumn) {
      QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                        QPoint(header->sectionViewportPosition(aColumn) + 10, 5));
    };
    clickHeader(2);
    QCOMPARE(Cell(*form, 0, 2), QStringLiteral("Text 000001"));
    QCOMPARE(Cell(*form, 4999, 2), QStringLiteral("Text 005000"));
    clickHeader(2);
    QCOMPARE(Cell(*form, 0, 2), QStringLiteral("Text 005000"));
    // Rows of one target keep their order among themselves.
    clickHeader(0);
    QCOMPARE(Cell(*form, 0, 0), QStringLiteral("C:\\gone\\Gone0.res"));
    QCOMPARE(Cell(*form, 0, 2), QStringLiteral("Text 005000"));
    QCOMPARE(Cell(*form, 1, 2), QStringLiteral("Text 004997"));

    // Ctrl+C, the button and the context menu's action copy the selected rows in the list's
    // order.
    form->RowsList->setFocus();
    form->RowsList->selectRow(1);
    form->RowsList->selectionModel()->select(form->RowsList->model()->index(0, 0),
                                             QItemSelectionModel::Select |
                                                 QItemSelectionModel::Rows);
    const QString expected = QStringLiteral("C:\\gone\\Gone0.res\tForms.Form0\tText 005000\n"
                                            "C:\\gone\\Gone0.res\tForms.Form3\tText 004997\n");
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    QTest::keyClick(form->RowsList, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), expected);
    clipboard->clear();
    form->CopyButton->click();
    QCOMPARE(clipboard->text(), expected);
    QCOMPARE(form->RowsList->contextMenuPolicy(), Qt::ActionsContextMenu);
    QCOMPARE(form->RowsList->actions().size(), 1);
    QCOMPARE(form->RowsList->actions()[0]->text(), QStringLiteral("Copy"));
    clipboard->clear();
    form->RowsList->actions()[0]->trigger();
    QCOMPARE(clipboard->text(), expected);

    // The summary's "Save report..." from the rows window.
    fDesktop->ReportAnswer = fFolder.filePath(QStringLiteral("rows.json")).toStdU16String();
    form->SaveReportButton->click();
    QCOMPARE(fDesktop->ReportProposals.size(), size_t{1});
    QVERIFY(QFile::exists(fFolder.filePath(QStringLiteral("rows.json"))));
  }

  // Only the rows in sight are drawn: a hundred thousand open as fast as a few.
  void aHundredThousandRowsOpenAtOnce() {
    std::vector<vconvert::TDroppedRow> dropped;
    for (int row = 0; row < 100000; ++row)
      dropped.push_back(
          {u"C:\\gone\\Gone.res", u"Forms.Form" + QString::number(row).toStdU16String(), u"Text"});
    IMainView& view = *fWindow;
    QElapsedTimer timer;
    timer.start();
    view.ShowRowsWindow(RowsWindowOf(dropped, {{u"C:\\a.exe", u"S.U", u"failed"}}));
    auto* form = fWindow->findChild<TRowsForm*>();
    QVERIFY(form);
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QCoreApplication::processEvents();
    qInfo("100,001 rows: the rows window was open and drawn in %lld ms", timer.elapsed());
    QCOMPARE(form->RowsList->model()->rowCount(), 100001);
    QCOMPARE(form->RowsList->model()->headerData(2, Qt::Horizontal).toString(),
             QStringLiteral("Native text or error"));
    QCOMPARE(Cell(*form, 100000, 2), QStringLiteral("Could not be read: failed"));
    timer.restart();
    form->RowsList->sortByColumn(1, Qt::DescendingOrder);
    qInfo("100,001 rows: sorted by a column in %lld ms", timer.elapsed());
    QCOMPARE(Cell(*form, 0, 1), QStringLiteral("S.U"));
  }
};

int main(int argc, char** argv) {
  TApplication application(argc, argv);
  application.setQuitOnLastWindowClosed(false);
  TRowsWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "RowsWindowTest.moc"
