// The real window on the offscreen platform; only the dialogs, the browser and the error box
// are stand-ins.
#include "FakeDesktop.h"
#include "FullDisk.h"
#include "vbase/Errors.h"
#include "vpresenter/uStartArguments.h"
#include "vui/uApplication.h"
#include "vui/uMainForm.h"
#include "vui/uRowsForm.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>

using namespace vbase;
using namespace vui;

namespace {

const QString DataFolder = QStringLiteral(VLP_UI_TEST_DATA);

QString ToQ(const std::u16string& aText) {
  return QString::fromStdU16String(aText);
}

std::u16string U16(const QString& aText) {
  return aText.toStdU16String();
}

QStringList ToQ(const std::vector<std::u16string>& aLines) {
  QStringList lines;
  for (const std::u16string& line : aLines)
    lines << ToQ(line);
  return lines;
}

struct TExpectedRow {
  int Image;
  QStringList Texts; // columns 1 to 3
};

// An image whose pixels are mostly of one hue, told apart by the dominant channel.
bool HasPixel(const QIcon& aIcon, const std::function<bool(QColor)>& aMatch) {
  const QImage image = aIcon.pixmap(16, 16).toImage();
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y).alpha() > 128 && aMatch(image.pixelColor(x, y)))
        return true;
  return false;
}

struct TShownBox {
  QString Text;
  QString Details;
  Qt::TextFormat Format = Qt::AutoText;
  Qt::TextInteractionFlags Interaction;
  QString Title;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
  // The button that Enter presses.
  QMessageBox::StandardButton Default = QMessageBox::NoButton;
};

// Answers the next modal box with aAnswer once it is open, after noting what it showed.
void AnswerNextMessageBox(TShownBox& aShown,
                          QMessageBox::StandardButton aAnswer = QMessageBox::Ok) {
  QTimer::singleShot(0, [&aShown, aAnswer] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    QVERIFY(box);
    aShown = {box->text(),
              box->detailedText(),
              box->textFormat(),
              box->textInteractionFlags(),
              box->windowTitle(),
              box->icon(),
              box->defaultButton() ? box->standardButton(box->defaultButton())
                                   : QMessageBox::NoButton};
    box->button(aAnswer)->click();
  });
}

// The file dialog on the screen: not modal, so that a close of the window reaches it.
QFileDialog* ShownFileDialog() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* found = qobject_cast<QFileDialog*>(widget); found && found->isVisible())
      return found;
  return nullptr;
}

// Types aName into the next file dialog once it is open, chooses aFilter (unless empty) and
// accepts it.
void AnswerNextFileDialog(const QString& aName, const QString& aFilter) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, poll, [poll, aName, aFilter] {
    QFileDialog* dialog = ShownFileDialog();
    if (!dialog)
      return;
    poll->deleteLater();
    poll->stop();
    if (!aFilter.isEmpty())
      dialog->selectNameFilter(aFilter);
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    name->setText(aName);
    QMetaObject::invokeMethod(dialog, "accept");
  });
  poll->start(10);
}

// Presses Escape in the next modal box once it is open; aClosed tells whether that closed it.
// A box that stays is closed anyway, so that the test goes on to fail.
void EscapeNextBox(bool& aClosed) {
  aClosed = false;
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, poll, [poll, &aClosed] {
    const QPointer<QDialog> box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!box)
      return;
    poll->deleteLater();
    poll->stop();
    QTest::keyClick(box->focusWidget() ? box->focusWidget() : box.data(), Qt::Key_Escape);
    aClosed = !box || !box->isVisible();
    if (!aClosed)
      box->done(QDialog::Rejected);
  });
  poll->start(10);
}

// The fake's dialogs and browser, the desktop's real boxes.
class TRealBoxesDesktop : public TFakeDesktop {
public:
  explicit TRealBoxesDesktop(QWidget& aOwner) : fBoxes(CreateQtDesktop(aOwner)) {}
  bool AskYesNo(std::u16string_view aQuestion) override {
    TFakeDesktop::AskYesNo(aQuestion);
    return fBoxes->AskYesNo(aQuestion);
  }
  void ShowNotice(TNoticeKind aKind, std::u16string_view aText) override {
    TFakeDesktop::ShowNotice(aKind, aText);
    fBoxes->ShowNotice(aKind, aText);
  }
  void ShowError(const TErrorReport& aReport) override {
    TFakeDesktop::ShowError(aReport);
    fBoxes->ShowError(aReport);
  }

private:
  std::unique_ptr<IDesktop> fBoxes;
};

// What a file manager delivers when files are dropped on the window.
bool DropFiles(QWidget* aWindow, const QStringList& aPaths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& path : aPaths)
    urls << QUrl::fromLocalFile(path);
  data.setUrls(urls);
  const QPoint centre = aWindow->rect().center();
  QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(aWindow, &enter);
  if (!enter.isAccepted())
    return false;
  QDropEvent drop(QPointF(centre), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(aWindow, &drop);
  return drop.isAccepted();
}

// An old project of aRows rows in one target, each with two translations: large enough that
// saving and checking it take many turns of the window's loop.
QByteArray SizeableProject(int aRows) {
  QByteArray rows;
  for (int row = 0; row < aRows; ++row)
    rows += QStringLiteral("<ROW><NATIVE>Open the file number %1 now</NATIVE>"
                           "<TRANSLATION language=\"de\"><VALUE>Datei %1 jetzt öffnen</VALUE>"
                           "</TRANSLATION><TRANSLATION language=\"fr\"><VALUE>Ouvrir le fichier "
                           "%1</VALUE></TRANSLATION><LOCATION><TYPE>STRING</TYPE><UNIT>Main</UNIT>"
                           "<ITEM>S%1</ITEM><TARGET>app.exe</TARGET></LOCATION></ROW>\r\n")
                .arg(row)
                .toUtf8();
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<VORNALEXPROJECT><TARGETS>"
         "<CPP_BINARY><FILENAME>app.exe</FILENAME></CPP_BINARY></TARGETS><DATA><LANGUAGES>"
         "<LANGUAGE language=\"de\"/><LANGUAGE language=\"fr\"/></LANGUAGES><ROWS>\r\n" +
         rows + "</ROWS></DATA></VORNALEXPROJECT>\r\n";
}

class TThrowingObject : public QObject {
public:
  bool event(QEvent*) override { throw EConvertError(u"Thrown from an event"); }
};

} // namespace

class TMainFormTest : public QObject {
  Q_OBJECT

private:
  std::unique_ptr<TMainform> fWindow;
  TFakeDesktop* fDesktop = nullptr;
  std::unique_ptr<QTemporaryDir> fFolder;

  QString CopyFixture(const QString& aName) {
    const QString path = fFolder->filePath(aName);
    QFile::copy(DataFolder + u'/' + aName, path);
    return path;
  }

  QStringList LogLines() const { return fWindow->memLog->toPlainText().split(u'\n'); }

  QString CellText(int aRow, int aColumn) const {
    const QTableWidgetItem* item = fWindow->lstTargets->item(aRow, aColumn);
    return item ? item->text() : QString();
  }

  int CellImage(int aRow) const {
    const qint64 key = fWindow->lstTargets->item(aRow, 0)->icon().cacheKey();
    for (size_t image = 0; image < fWindow->ImageList1.size(); ++image)
      if (fWindow->ImageList1[image].cacheKey() == key)
        return static_cast<int>(image);
    return -1;
  }

  void CompareRows(const std::vector<TExpectedRow>& aRows) {
    QCOMPARE(fWindow->lstTargets->rowCount(), static_cast<int>(aRows.size()));
    for (int row = 0; row < static_cast<int>(aRows.size()); ++row) {
      QCOMPARE(CellImage(row), aRows[row].Image);
      QCOMPARE(CellText(row, 0), QString());
      for (int column = 1; column <= 3; ++column)
        QCOMPARE(CellText(row, column), aRows[row].Texts.value(column - 1));
    }
  }

  void ShowActive() {
    fWindow->show();
    QApplication::setActiveWindow(fWindow.get());
    QVERIFY(QTest::qWaitForWindowActive(fWindow.get()));
  }

  // Turns the event loop until the run, which goes on a thread of its own, has ended.
  void WaitForRun() {
    while (fWindow->Presenter().State() != TMainState::msIdle)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }

  void RunWorkedProject() {
    fDesktop->OpenAnswer = U16(CopyFixture(QStringLiteral("worked.vlp")));
    fDesktop->SaveAnswer = U16(fFolder->filePath(QStringLiteral("out.vxp")));
    fWindow->btnConvert->click();
    WaitForRun();
  }

  // The window shown and active, with the desktop's real boxes, to open a project that cannot be
  // read; Escape closes the error box that follows, and aClosed tells whether it did.
  TRealBoxesDesktop& ShowToFailWithRealBoxes(bool& aClosed) {
    auto owned = std::make_unique<TRealBoxesDesktop>(*fWindow);
    TRealBoxesDesktop& desktop = *owned;
    fWindow->SetDesktop(std::move(owned));
    fDesktop = nullptr;
    ShowActive();
    desktop.OpenAnswer = U16(CopyFixture(QStringLiteral("unclosed.vlp")));
    EscapeNextBox(aClosed);
    return desktop;
  }

  // Where aWidget is in the window.
  QRect InWindow(const QWidget* aWidget) const {
    return {aWidget->mapTo(fWindow.get(), QPoint(0, 0)), aWidget->size()};
  }

  // The summary as the user sees it: its lines whole or cut to its width, its buttons wide
  // enough for their captions, inside the window, uncovered where they stand and clear of the
  // text, the list, the log and each other.
  void CheckSummaryFits() {
    const QRect window = fWindow->rect();
    const QRect list = InWindow(fWindow->lstTargets);
    const QRect log = InWindow(fWindow->memLog);
    const QRect text = InWindow(fWindow->lblSummary);
    QVERIFY(fWindow->lblSummary->isVisible());
    QVERIFY(window.contains(text));
    QVERIFY(!text.intersects(list));
    QVERIFY(!text.intersects(log));
    QVERIFY(log.height() > 0);
    const QFontMetrics font = fWindow->lblSummary->fontMetrics();
    const QStringList lines = fWindow->lblSummary->text().split(u'\n');
    QVERIFY(text.height() >= lines.size() * font.height());
    for (const QString& line : lines)
      QVERIFY2(font.horizontalAdvance(line) <= text.width(), qPrintable(line));

    QList<QRect> buttons;
    for (QPushButton* button : {fWindow->btnSaveAs, fWindow->btnShowRows, fWindow->btnSaveReport}) {
      if (!button->isVisible())
        continue;
      const QRect bounds = InWindow(button);
      const QByteArray where = button->objectName().toLatin1();
      QVERIFY2(window.contains(bounds), where);
      for (const QRect& other : QList<QRect>{list, log, text} + buttons)
        QVERIFY2(!bounds.intersects(other), where);
      buttons << bounds;
      // The caption with room on both sides for the frame and the focus.
      QString caption = button->text();
      caption.remove(u'&');
      QVERIFY2(button->fontMetrics().horizontalAdvance(caption) + 8 <= bounds.width(), where);
      // Nothing lies on it.
      for (const QPoint point : {bounds.center(), bounds.topLeft(), bounds.bottomRight()})
        QVERIFY2(fWindow->childAt(point) == button, where);
      QCOMPARE(button->visibleRegion(), QRegion(button->rect()));
    }
  }

  // Sizes the user may give the window: the first, the smallest, wide and low, narrow and high.
  void CheckSummaryFitsAtEverySize() {
    // The screen's DPI is the one the test's environment asks for, scaled by Qt or not.
    if (const QByteArray dpi = qgetenv("QT_FONT_DPI"); !dpi.isEmpty())
      QCOMPARE(qRound(fWindow->logicalDpiY() * fWindow->devicePixelRatioF()), dpi.toInt());
    const QSize least = TMainform::MinimumSize;
    for (const QSize size :
         {fWindow->size(), least, QSize(1000, least.height()), QSize(least.width(), 700),
          QSize(least.width() + 13, least.height() + 7)}) {
      fWindow->resize(size);
      QTRY_COMPARE(fWindow->size(), size);
      CheckSummaryFits();
      if (QTest::currentTestFailed())
        qWarning() << "at" << size << "with fonts of" << fWindow->logicalDpiY() << "DPI";
      QVERIFY(!QTest::currentTestFailed());
    }
  }

  // A project converted and its save cancelled: the summary offers all three buttons.
  void RunDemoWithoutSaving() {
    const QString input = fFolder->filePath(QStringLiteral("demo.vlp"));
    QVERIFY(QFile::copy(QStringLiteral(VLP_SOURCE_DIR "/examples/demo.vlp"), input));
    fDesktop->OpenAnswer = U16(input);
    fWindow->btnConvert->click();
    WaitForRun();
  }

private slots:
  void init() {
    fWindow = std::make_unique<TMainform>();
    auto desktop = std::make_unique<TFakeDesktop>();
    fDesktop = desktop.get();
    fWindow->SetDesktop(std::move(desktop));
    fFolder = std::make_unique<QTemporaryDir>();
    QVERIFY(fFolder->isValid());
  }

  void cleanup() {
    fWindow.reset();
    fFolder.reset();
  }

  // Two projects and a folder on the command line: one question, one run, a row per project,
  // every new project beside its old one, and a selected row shows that project's targets.
  void threeProjectsOnTheCommandLineGoInOneRun() {
    const QString first = CopyFixture(QStringLiteral("worked.vlp"));
    const QString second = fFolder->filePath(QStringLiteral("second.vlp"));
    QVERIFY(QFile::copy(first, second));
    const QString folder = fFolder->filePath(QStringLiteral("more"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::copy(first, folder + QStringLiteral("/third.vlp")));
    const TStartRequest request =
        ParseStartArguments({u"vlp5tovxp", U16(first), U16(second), U16(folder)}, u"1");
    QCOMPARE(request.Action, TStartAction::saWindow);
    fWindow->show();
    fWindow->Presenter().ConvertInputsLater(request.Projects);
    QCoreApplication::processEvents();
    WaitForRun();

    QCOMPARE(fDesktop->QueueQuestions, std::vector<size_t>{3});
    QVERIFY(fDesktop->Proposals.empty());
    QVERIFY(fDesktop->Errors.empty());
    QVERIFY(fWindow->lstProjects->isVisible());
    QCOMPARE(fWindow->lstProjects->rowCount(), 3);
    const QStringList projects{first, second, folder + QStringLiteral("/third.vlp")};
    for (int row = 0; row < 3; ++row) {
      QCOMPARE(fWindow->lstProjects->item(row, pcProject)->text(), projects[row]);
      QCOMPARE(fWindow->lstProjects->item(row, pcOutcome)->text(), QStringLiteral("converted"));
      QVERIFY(QFileInfo::exists(projects[row] + QStringLiteral("_converted.vxp")));
    }
    QVERIFY(fWindow->lblSummary->text().startsWith(QStringLiteral("3 of 3 projects converted.")));

    fWindow->lstProjects->setCurrentCell(2, 0);
    QCOMPARE(fWindow->lstTargets->rowCount(), 3);
    QVERIFY(!fWindow->memLog->toPlainText().isEmpty());

    fDesktop->ReportAnswer = U16(fFolder->filePath(QStringLiteral("run.json")));
    fWindow->btnSaveReport->click();
    QFile report(fFolder->filePath(QStringLiteral("run.json")));
    QVERIFY(report.open(QIODevice::ReadOnly));
    QCOMPARE(QJsonDocument::fromJson(report.readAll())[QStringLiteral("results")].toArray().size(),
             3);
  }

  void windowHasItsCaptionSizeAndControls() {
    QCOMPARE(fWindow->windowTitle(),
             QStringLiteral("Convert VLP (Vornalex 5 project) to VXP (new Vornalex project)"));
    // A display name of the application would be appended to the caption by the window system.
    QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    QCOMPARE(fWindow->size(), QSize(854, 562));
    for (const char* name :
         {"pnlTop", "btnConvert", "btnHelp", "pgcMain", "shtLog", "lstTargets", "memLog"})
      QVERIFY2(fWindow->findChild<QWidget*>(QString::fromLatin1(name)), name);

    // Alt with the letter after "&" presses the button; the "&" itself is not shown.
    QCOMPARE(fWindow->btnConvert->text(), QStringLiteral("&Convert..."));
    QCOMPARE(fWindow->btnConvert->geometry(), QRect(8, 8, 129, 49));
    QCOMPARE(fWindow->btnConvert->iconSize(), QSize(32, 32));
    QVERIFY(!fWindow->btnConvert->icon().pixmap(32, 32).isNull());
    QCOMPARE(fWindow->btnHelp->text(), QStringLiteral("&Help..."));
    QCOMPARE(fWindow->btnHelp->geometry(), QRect(144, 8, 129, 49));
    QVERIFY(fWindow->btnHelp->icon().isNull());
    QCOMPARE(fWindow->btnConvert->nextInFocusChain(), fWindow->btnHelp);

    QCOMPARE(fWindow->pgcMain->count(), 1);
    QCOMPARE(fWindow->pgcMain->widget(0), fWindow->shtLog);
    QCOMPARE(fWindow->pgcMain->tabText(0), QStringLiteral("Log"));
    QVERIFY(fWindow->memLog->isReadOnly());
    QCOMPARE(fWindow->memLog->lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(fWindow->memLog->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  }

  void targetListHasItsColumnsAndImages() {
    QTableWidget* list = fWindow->lstTargets;
    const QStringList captions{QStringLiteral("#"), QStringLiteral("Vornalex 5 Target"),
                               QStringLiteral("Vornalex 7 Target"), QStringLiteral("Rows")};
    QCOMPARE(list->columnCount(), 4);
    for (int column = 0; column < 4; ++column)
      QCOMPARE(list->horizontalHeaderItem(column)->text(), captions[column]);
    QCOMPARE(list->horizontalHeaderItem(3)->textAlignment() & Qt::AlignHorizontal_Mask,
             int(Qt::AlignRight));
    QCOMPARE(list->horizontalHeaderItem(1)->textAlignment() & Qt::AlignHorizontal_Mask,
             int(Qt::AlignLeft));
    QVERIFY(list->showGrid());
    QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(list->iconSize(), QSize(16, 16));

    fWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(fWindow.get()));
    QHeaderView* header = list->horizontalHeader();
    QCOMPARE(header->sectionSize(0), 32);
    QCOMPARE(header->sectionSize(3), 50);
    QVERIFY(qAbs(header->sectionSize(1) - header->sectionSize(2)) <= 1);
    QCOMPARE(header->length(), list->viewport()->width());

    QVERIFY(HasPixel(fWindow->ImageList1[0],
                     [](QColor c) { return c.green() > 120 && c.red() < 100 && c.blue() < 100; }));
    QVERIFY(HasPixel(fWindow->ImageList1[1],
                     [](QColor c) { return c.red() > 150 && c.green() < 80 && c.blue() < 80; }));
  }

  void controlsFollowTheWindowSize() {
    fWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(fWindow.get()));
    const int listHeight = fWindow->lstTargets->height();
    fWindow->resize(1000, 700);
    QTRY_COMPARE(fWindow->pnlTop->width(), 1000);
    QCOMPARE(fWindow->pnlTop->height(), 73);
    QCOMPARE(fWindow->pgcMain->geometry(), QRect(0, 73, 1000, 627));
    QCOMPARE(fWindow->memLog->height(), 95);
    QCOMPARE(fWindow->memLog->geometry().bottom(), fWindow->shtLog->height() - 1);
    QCOMPARE(fWindow->lstTargets->height(), listHeight + 138);
    QCOMPARE(fWindow->lstTargets->width(), fWindow->shtLog->width());
  }

  void minimumSizeKeepsBothButtonsAndReadableColumns() {
    fWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(fWindow.get()));
    fWindow->resize(127, 268);
    QTRY_COMPARE(fWindow->size(), TMainform::MinimumSize);
    QVERIFY(fWindow->pnlTop->rect().contains(fWindow->btnHelp->geometry()));
    QVERIFY(fWindow->pnlTop->rect().contains(fWindow->btnConvert->geometry()));
    QHeaderView* header = fWindow->lstTargets->horizontalHeader();
    for (const int column : {1, 2})
      QVERIFY2(header->sectionSize(column) >= 120, qPrintable(QString::number(column)));
    QCOMPARE(header->length(), fWindow->lstTargets->viewport()->width());
    QVERIFY(fWindow->lstTargets->height() >
            3 * fWindow->lstTargets->verticalHeader()->defaultSectionSize());
  }

  // Dragging a target column's edge sizes it; from then on the window's size leaves the
  // columns as they are, and a cut path can be read in its tooltip.
  void targetColumnsCanBeWidenedAndShowTheirTexts() {
    fWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(fWindow.get()));
    QHeaderView* header = fWindow->lstTargets->horizontalHeader();
    for (int column = 1; column < 4; ++column)
      QCOMPARE(header->sectionResizeMode(column), QHeaderView::Interactive);
    header->resizeSection(1, 600);
    fWindow->resize(1000, 700);
    QTRY_COMPARE(fWindow->pnlTop->width(), 1000);
    QCOMPARE(header->sectionSize(1), 600);

    RunWorkedProject();
    QCOMPARE(fWindow->lstTargets->item(1, 1)->toolTip(), QStringLiteral("R;C:\\app\\src"));
    QCOMPARE(fWindow->lstTargets->item(1, 2)->toolTip(), QStringLiteral(".\\VnxVirtualTarget[1]"));
  }

  void aTargetThatIsNotConvertedIsNamedAndSaysWhy() {
    RunWorkedProject();
    QCOMPARE(CellImage(2), 1);
    // Why, on every cell of its row, not only beside the image; what, in its old target's.
    const QString texts[] = {{}, QStringLiteral("C:\\app\\App.res"), {}, {}};
    for (int column = 0; column < 4; ++column) {
      const QTableWidgetItem* cell = fWindow->lstTargets->item(2, column);
      QVERIFY2(cell, qPrintable(QString::number(column)));
      QVERIFY2(cell->toolTip().contains(QStringLiteral("no counterpart")),
               qPrintable(cell->toolTip()));
      QCOMPARE(cell->text(), texts[column]);
    }
    QVERIFY(fWindow->lstTargets->item(0, 0)->toolTip().isEmpty());
  }

  void theRowsColumnShowsTheWholeNumber() {
    fWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(fWindow.get()));
    vconvert::TFoundTarget target;
    target.Converted = true;
    target.OldTarget = u"C:\\app\\App.dpr";
    target.NewTarget = u"C:\\app\\App.dpr";
    fWindow->Presenter().TargetFound(target);
    fWindow->Presenter().TargetRowsCounted(0, 120000);
    const QTableWidgetItem* count = fWindow->lstTargets->item(0, 3);
    QCOMPARE(count->text(), QStringLiteral("120000"));
    QCOMPARE(count->toolTip(), QStringLiteral("120000"));
    QVERIFY(
        fWindow->lstTargets->horizontalHeader()->sectionSize(3) >=
        fWindow->lstTargets->sizeHintForIndex(fWindow->lstTargets->model()->index(0, 3)).width());
    // The target columns still share what is left.
    QHeaderView* header = fWindow->lstTargets->horizontalHeader();
    QVERIFY(header->sectionSize(0) + header->sectionSize(1) + header->sectionSize(2) +
                header->sectionSize(3) <=
            fWindow->lstTargets->viewport()->width());
  }

  // A keyboard user sees where the focus is in the list: the current row is framed whole, even
  // before a row is selected, and only while the list has the focus.
  void theFocusedRowIsDrawnWhileTheListHasTheFocus() {
    ShowActive();
    RunWorkedProject();
    QTableWidget* list = fWindow->lstTargets;
    fWindow->memLog->setFocus();
    QTest::keyClick(fWindow->memLog, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), list);
    QCOMPARE(list->currentRow(), 0);
    QVERIFY(list->selectedItems().isEmpty());
    const QRect textCell = list->visualRect(list->model()->index(0, tcNewTarget));
    const QImage focused = list->viewport()->grab().toImage().copy(textCell);
    QTest::keyClick(list, Qt::Key_Tab);
    QVERIFY(!list->hasFocus());
    QCOMPARE(list->currentRow(), 0);
    QVERIFY(list->viewport()->grab().toImage().copy(textCell) != focused);
  }

  // The style would tint a selected row's image with the highlight colour.
  void selectedRowsShowTheImagesUntinted() {
    for (const QIcon& image : fWindow->ImageList1)
      QCOMPARE(image.pixmap(QSize(16, 16), QIcon::Selected).toImage(),
               image.pixmap(QSize(16, 16), QIcon::Normal).toImage());
  }

  void tabLeavesTheListAndEnterPressesAButton() {
    ShowActive();
    RunWorkedProject();
    fWindow->lstTargets->setFocus();
    fWindow->lstTargets->setCurrentCell(0, 1);
    QTest::keyClick(fWindow->lstTargets, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), fWindow->memLog);
    QTest::keyClick(fWindow->memLog, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), fWindow->btnSaveReport);
    QTest::keyClick(fWindow->btnSaveReport, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), fWindow->btnConvert);

    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
      fWindow->btnHelp->setFocus();
      QTest::keyClick(fWindow->btnHelp, key);
    }
    QCOMPARE(fDesktop->Opened.size(), size_t(2));
    fDesktop->OpenAnswer.reset();
    fWindow->btnConvert->setFocus();
    QTest::keyClick(fWindow->btnConvert, Qt::Key_Return);
    QCOMPARE(fDesktop->OpenCalls, 2);
  }

  // Several projects picked at once come back all, in the order picked.
  void openDialogTakesSeveralProjects() {
    const QString first = CopyFixture(QStringLiteral("worked.vlp"));
    const QString second = fFolder->filePath(QStringLiteral("second.vlp"));
    QVERIFY(QFile::copy(first, second));
    const auto open = CreateOpenProjectDialog(nullptr);
    const auto* list = open->findChild<QAbstractItemView*>(QStringLiteral("listView"));
    QVERIFY(list);
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    open->setDirectory(fFolder->path());
    open->selectFile(QStringLiteral("\"worked.vlp\" \"second.vlp\""));
    static_cast<QDialog*>(open.get())->accept();
    QCOMPARE(open->result(), int(QDialog::Accepted));
    QCOMPARE(open->selectedFiles(), (QStringList{first, second}));
  }

  // The one question before a run of several: beside each old project and skip by default;
  // a folder typed and Replace picked come back; Cancel answers nothing.
  void queueQuestionAnswersWhereAndWhatOfExistingProjects() {
    const std::unique_ptr<IDesktop> desktop = CreateQtDesktop(*fWindow);
    const auto answer = [](const std::function<void(QDialog&)>& aAct) {
      QTimer::singleShot(0, [aAct] {
        for (QWidget* widget : QApplication::topLevelWidgets())
          if (widget->objectName() == QStringLiteral("QueueDialog") && widget->isVisible())
            aAct(*qobject_cast<QDialog*>(widget));
      });
    };
    const auto radio = [](QDialog& aDialog, const QString& aName) {
      return aDialog.findChild<QRadioButton*>(aName);
    };
    const auto ok = [](QDialog& aDialog) {
      aDialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    };
    bool defaults = false;
    answer([&](QDialog& aDialog) {
      defaults = radio(aDialog, QStringLiteral("rbtBeside"))->isChecked() &&
                 radio(aDialog, QStringLiteral("rbtExisting0"))->isChecked();
      ok(aDialog);
    });
    QCOMPARE(desktop->AskQueueOptions(3), std::optional<TQueueOptions>(TQueueOptions{}));
    QVERIFY(defaults);

    answer([&](QDialog& aDialog) {
      auto* folder = aDialog.findChild<QLineEdit*>(QStringLiteral("edtFolder"));
      folder->setText(fFolder->path());
      radio(aDialog, QStringLiteral("rbtIntoFolder"))->setChecked(true);
      radio(aDialog, QStringLiteral("rbtExisting1"))->setChecked(true);
      ok(aDialog);
    });
    QCOMPARE(desktop->AskQueueOptions(3),
             std::optional<TQueueOptions>(TQueueOptions{
                 U16(QFileInfo(fFolder->path()).absoluteFilePath()), TExistingOutputs::eoReplace}));

    answer([](QDialog& aDialog) { aDialog.reject(); });
    QCOMPARE(desktop->AskQueueOptions(3), std::optional<TQueueOptions>());
  }

  void dialogsAreSetUpForProjects() {
    const auto open = CreateOpenProjectDialog(nullptr);
    QCOMPARE(open->nameFilters(), QStringList{QStringLiteral("Vornalex 5 Projects (*.vlp)")});
    QCOMPARE(open->acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(open->fileMode(), QFileDialog::AnyFile);
    QVERIFY(open->testOption(QFileDialog::DontUseNativeDialog));

    const QString proposal = fFolder->filePath(QStringLiteral("app.vlp_converted.vxp"));
    const auto save = CreateSaveDialog(nullptr, SaveProjectDialog, proposal);
    QCOMPARE(save->nameFilters(), QStringList{QStringLiteral("Vornalex 2010 Projects (*.vxp)")});
    QCOMPARE(save->acceptMode(), QFileDialog::AcceptSave);
    // The presenter asks before a file is replaced.
    QVERIFY(save->testOption(QFileDialog::DontConfirmOverwrite));
    // And adds the extension.
    QCOMPARE(save->defaultSuffix(), QString());
    QVERIFY(save->testOption(QFileDialog::DontUseNativeDialog));
    QCOMPARE(save->selectedFiles(), QStringList{proposal});
  }

  void saveReportWritesThePageOfTheLastRun() {
    QVERIFY(!fWindow->btnSaveReport->isVisibleTo(fWindow.get()));
    RunWorkedProject();
    QVERIFY(fWindow->btnSaveReport->isVisibleTo(fWindow.get()));
    fDesktop->ReportAnswer = U16(fFolder->filePath(QStringLiteral("report.html")));
    fWindow->btnSaveReport->click();
    QCOMPARE(ToQ(fDesktop->ReportProposals),
             QStringList{ToQ(*fDesktop->OpenAnswer) + QStringLiteral(".report.html")});
    QFile page(ToQ(*fDesktop->ReportAnswer));
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(page.readAll());
    QVERIFY(text.startsWith(QStringLiteral("<!DOCTYPE html>")));
    QVERIFY(text.contains(QStringLiteral("worked.vlp")));
    QVERIFY(fDesktop->Errors.empty());

    const auto dialog = CreateSaveDialog(nullptr, SaveReportDialog, ToQ(*fDesktop->ReportAnswer));
    QCOMPARE(dialog->nameFilters(), (QStringList{QStringLiteral("HTML report (*.html)"),
                                                 QStringLiteral("JSON report (*.json)")}));
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(dialog->selectedFiles(), QStringList{ToQ(*fDesktop->ReportAnswer)});
  }

  // The dialog passes a typed name on as it is, with the filter chosen; the presenter adds the
  // filter's extension, and the summary says where the report went.
  void aReportNamedWithoutExtensionGetsTheChosenFilters() {
    RunWorkedProject();
    fDesktop = nullptr;
    fWindow->SetDesktop(CreateQtDesktop(*fWindow));
    AnswerNextFileDialog(QStringLiteral("typed"), QStringLiteral("JSON report (*.json)"));
    fWindow->btnSaveReport->click();
    const QString saved = fFolder->filePath(QStringLiteral("typed.json"));
    QFile report(saved);
    QVERIFY(report.open(QIODevice::ReadOnly));
    QVERIFY(report.readAll().startsWith('{'));
    QCOMPARE(fWindow->lblSummary->text().split(u'\n').constLast(),
             QStringLiteral("The report was saved to \"%1\".").arg(saved));
  }

  void theSaveDialogGivesTheTypedNameAndTheChosenFilter() {
    const std::unique_ptr<IDesktop> desktop = CreateQtDesktop(*fWindow);
    const std::u16string proposal = U16(fFolder->filePath(QStringLiteral("x.vxp")));
    AnswerNextFileDialog(QStringLiteral("Release 2.5"), QString());
    const std::optional<TSaveChoice> project = desktop->ChooseSavePath(SaveProjectDialog, proposal);
    QVERIFY(project);
    QCOMPARE(ToQ(project->Path), fFolder->filePath(QStringLiteral("Release 2.5")));
    QCOMPARE(project->Filter, size_t(0));
    AnswerNextFileDialog(QStringLiteral("r"), QStringLiteral("JSON report (*.json)"));
    const std::optional<TSaveChoice> report = desktop->ChooseSavePath(SaveReportDialog, proposal);
    QVERIFY(report);
    QCOMPARE(ToQ(report->Path), fFolder->filePath(QStringLiteral("r")));
    QCOMPARE(report->Filter, size_t(1));
  }

  // The platform's close of the window (its title bar, the task bar) while the run's save
  // dialog is open stops the run: what the dialog answers is not saved, and the window closes.
  void aCloseDuringTheSaveDialogStopsTheRun() {
    ShowActive();
    fWindow->SetDesktop(CreateQtDesktop(*fWindow));
    const QString project = CopyFixture(QStringLiteral("worked.vlp"));
    const QString output = fFolder->filePath(QStringLiteral("out.vxp"));
    bool visibleAfterClose = false;
    bool blockedByTheDialog = true;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
      QFileDialog* dialog = ShownFileDialog();
      if (!dialog)
        return;
      poll.stop();
      // Qt drops the window system's close of a window that a modal dialog blocks.
      blockedByTheDialog = QApplication::activeModalWidget() != nullptr;
      fWindow->windowHandle()->close();
      visibleAfterClose = fWindow->isVisible();
      dialog->selectFile(output);
      QMetaObject::invokeMethod(dialog, "accept");
    });
    poll.start(10);
    fWindow->ConvertProject(project);
    WaitForRun();
    QVERIFY(!blockedByTheDialog);
    QVERIFY(visibleAfterClose);
    QVERIFY(!QFile::exists(output));
    QCOMPARE(QDir(fFolder->path()).entryList(QDir::Files), QStringList{"worked.vlp"});
    QVERIFY(!fWindow->isVisible());
  }

  void openDialogAcceptsANameThatDoesNotExist() {
    const QString missing = fFolder->filePath(QStringLiteral("missing.vlp"));
    const auto open = CreateOpenProjectDialog(nullptr);
    open->selectFile(missing);
    QMetaObject::invokeMethod(open.get(), "accept");
    QCOMPARE(open->result(), int(QDialog::Accepted));
    QCOMPARE(open->selectedFiles(), QStringList{missing});
  }

  // The presenter's question and warning in the desktop's boxes: titled as the window's boxes,
  // with a warning; No is what a stray Enter answers.
  void questionAndWarningBoxesAreTheWindows() {
    const std::unique_ptr<IDesktop> desktop = CreateQtDesktop(*fWindow);
    const std::u16string question =
        ReplaceQuestion(U16(fFolder->filePath(QStringLiteral("a.vxp"))));
    for (const auto answer : {QMessageBox::Yes, QMessageBox::No}) {
      TShownBox shown;
      AnswerNextMessageBox(shown, answer);
      QCOMPARE(desktop->AskYesNo(question), answer == QMessageBox::Yes);
      QCOMPARE(shown.Text, ToQ(question));
      QCOMPARE(shown.Title, QStringLiteral("Vlp5ToVXP"));
      QCOMPARE(shown.Icon, QMessageBox::Warning);
      QCOMPARE(shown.Default, QMessageBox::No);
      QCOMPARE(shown.Format, Qt::PlainText);
    }

    TShownBox shown;
    AnswerNextMessageBox(shown);
    desktop->ShowNotice(TNoticeKind::nkWarning, u"The folder \"/gone\" does not exist.");
    QCOMPARE(shown.Text, QStringLiteral("The folder \"/gone\" does not exist."));
    QCOMPARE(shown.Title, QStringLiteral("Vlp5ToVXP"));
    QCOMPARE(shown.Icon, QMessageBox::Warning);
  }

  // The run's save dialog does not ask itself; the window asks before the project is replaced.
  void aSecondRunAsksBeforeReplacingTheProject() {
    RunWorkedProject();
    QVERIFY(fDesktop->Questions.empty());
    const QString output = ToQ(*fDesktop->SaveAnswer);
    fDesktop->ReplaceAnswer = false;
    fDesktop->WhileSaving = [this] {
      if (fDesktop->Proposals.size() == 3)
        fDesktop->SaveAnswer.reset();
    };
    fWindow->btnConvert->click();
    WaitForRun();
    QCOMPARE(ToQ(fDesktop->Questions),
             QStringList{output + QStringLiteral(" already exists.\nDo you want to replace it?")});
    QCOMPARE(fWindow->lblSummary->text().section(u'\n', 0, 0),
             QStringLiteral("The new project was not saved: the save dialog was cancelled."));
  }

  void convertRunsTheWholeConversion() {
    RunWorkedProject();

    QCOMPARE(fDesktop->Errors.size(), size_t(0));
    CompareRows({
        {0, {QStringLiteral("C:\\app\\App.dpr"), QStringLiteral("C:\\app\\App.dpr"), "2"}},
        {0, {QStringLiteral("R;C:\\app\\src"), QStringLiteral(".\\VnxVirtualTarget[1]"), "1"}},
        {1, {QStringLiteral("C:\\app\\App.res")}},
    });
    QCOMPARE(fWindow->lstTargets->item(0, 3)->textAlignment() & Qt::AlignHorizontal_Mask,
             int(Qt::AlignRight));

    QStringList log = LogLines();
    QVERIFY(QRegularExpression(QStringLiteral("^Total processing time: \\d+ms$"))
                .match(log.takeLast())
                .hasMatch());
    QCOMPARE(log, (QStringList{"Opening old project...", "Reading dictionary info",
                               "\tDictionary name: Main", "Reading languages", "\tde", "\tsr.lat",
                               "Reading targets", "Reading translations", "\t - Native imported",
                               "\t - Translations imported", "\t - Read-only state imported",
                               "\t - Row comments imported", "\t - max. char info imported",
                               "Reading excluded strings", "\t - String excludes imported",
                               "\t - Context excludes imported"}));

    QCOMPARE(ToQ(fDesktop->Proposals),
             QStringList{ToQ(*fDesktop->OpenAnswer) + QStringLiteral("_converted.vxp")});
    QFile saved(ToQ(*fDesktop->SaveAnswer));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF<?xml"));
    QVERIFY(bytes.contains("\r\n<xml version=\"7.5.0.0\">\r\n  <infos>\r\n"));
    QVERIFY(bytes.contains(QStringLiteral("name=\"Source.Unit1\u2024pas.Hello\"").toUtf8()));
    QVERIFY(fWindow->btnConvert->isEnabled());
  }

  // The window and the batch command run the same core: the sample project must come out as
  // the checked-in output of the batch conversion, which was made with the relative path.
  void demoProjectGivesTheBytesOfTheBatchConversion() {
    const QString input = fFolder->filePath(QStringLiteral("demo.vlp"));
    QVERIFY(QFile::copy(QStringLiteral(VLP_SOURCE_DIR "/examples/demo.vlp"), input));
    fDesktop->OpenAnswer = U16(input);
    fDesktop->SaveAnswer = U16(fFolder->filePath(QStringLiteral("demo.vxp")));
    fWindow->btnConvert->click();
    WaitForRun();

    QFile saved(ToQ(*fDesktop->SaveAnswer));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QByteArray bytes = saved.readAll();
    bytes.replace("&quot;" + input.toUtf8() + "&quot;", "&quot;demo.vlp&quot;");
    QFile expected(QStringLiteral(VLP_SOURCE_DIR "/tests/data/demo.vlp_converted.vxp"));
    QVERIFY(expected.open(QIODevice::ReadOnly));
    QCOMPARE(bytes, expected.readAll());
  }

  // During a run "Convert..." reads "Stop" and stays enabled; a close stops the run, which
  // leaves nothing behind, and the window closes once it has ended.
  void convertReadsStopAndACloseStopsTheRun() {
    fWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(fWindow.get()));
    QString caption;
    bool convertEnabled = false, closed = true, visible = false;
    fDesktop->WhileSaving = [&] {
      caption = fWindow->btnConvert->text();
      convertEnabled = fWindow->btnConvert->isEnabled();
      closed = fWindow->close();
      visible = fWindow->isVisible();
    };
    RunWorkedProject();
    QCOMPARE(caption, QStringLiteral("Stop"));
    QVERIFY(convertEnabled);
    QVERIFY(!closed);
    QVERIFY(visible);
    QVERIFY(!QFile::exists(ToQ(*fDesktop->SaveAnswer)));
    QVERIFY(!fWindow->isVisible());
    QCOMPARE(fWindow->btnConvert->text(), QStringLiteral("Convert..."));
    QVERIFY(fDesktop->Errors.empty());
  }

  // A close while the project loads stops the run at once: no dialog comes up afterwards and
  // nothing is written.
  void aCloseWhileLoadingStopsTheRunBeforeAnyDialog() {
    fWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(fWindow.get()));
    fDesktop->OpenAnswer = U16(CopyFixture(QStringLiteral("worked.vlp")));
    fDesktop->SaveAnswer = U16(fFolder->filePath(QStringLiteral("out.vxp")));
    fWindow->btnConvert->click();
    // The window's thread has not turned yet: the run cannot have asked anything.
    QVERIFY(!fWindow->close());
    WaitForRun();
    QVERIFY(fDesktop->Proposals.empty());
    QVERIFY(fDesktop->Errors.empty());
    QCOMPARE(QDir(fFolder->path()).entryList(QDir::Files), QStringList{"worked.vlp"});
    QCOMPARE(LogLines().constLast(), QStringLiteral("Stopped."));
    QVERIFY(!fWindow->isVisible());
  }

  // The run goes on its own thread: while a sizeable project is saved and checked the window's
  // loop keeps turning (a timer runs, a resize is laid out), and a stop in either stage leaves
  // no file behind.
  void theWindowAnswersWhileItSavesAndChecksAndAStopLeavesNoFile() {
    fWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(fWindow.get()));
    const QString input = fFolder->filePath(QStringLiteral("sizeable.vlp"));
    {
      QFile file(input);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(SizeableProject(60000));
    }
    const QString output = fFolder->filePath(QStringLiteral("sizeable.vxp"));
    fDesktop->OpenAnswer = U16(input);
    fDesktop->SaveAnswer = U16(output);
    enum TStage { stOther, stSaving, stChecking };
    const struct {
      const char* Name;
      TStage StopIn;
    } cases[] = {{"no stop", stOther},
                 {"a stop while saving", stSaving},
                 {"a stop while checking", stChecking}};
    for (const auto& test : cases) {
      const QSize size = test.StopIn == stOther ? QSize(1000, 640) : QSize(900, 600);
      int savingTurns = 0, checkingTurns = 0;
      bool resized = false, laidOutWhileChecking = false, stopped = false;
      QTimer turns;
      connect(&turns, &QTimer::timeout, this, [&] {
        const int percent = fWindow->barProgress->isVisible() ? fWindow->barProgress->value() : 0;
        const TStage stage = percent > 50 && percent < 70   ? stSaving
                             : percent > 70 && percent < 99 ? stChecking
                                                            : stOther;
        savingTurns += stage == stSaving;
        checkingTurns += stage == stChecking;
        if (stage == stChecking && !resized) {
          resized = true;
          fWindow->resize(size);
        } else if (stage == stChecking && fWindow->pnlTop->width() == size.width()) {
          laidOutWhileChecking = true;
        }
        // A stop while checking comes once the resize is laid out, which it must not wait for.
        const bool stopNow = stage == stSaving || laidOutWhileChecking;
        if (stage == test.StopIn && stage != stOther && stopNow && !stopped) {
          stopped = true;
          fWindow->btnConvert->click();
        }
      });
      turns.start(0);
      fWindow->btnConvert->click();
      WaitForRun();
      turns.stop();
      qInfo("%s: %d turns while saving, %d while checking", test.Name, savingTurns, checkingTurns);
      QVERIFY2(savingTurns > 0, test.Name);
      if (test.StopIn == stSaving) {
        QVERIFY2(stopped, test.Name);
        QCOMPARE(checkingTurns, 0);
      } else {
        QVERIFY2(checkingTurns > 0, test.Name);
        QVERIFY2(laidOutWhileChecking, test.Name);
      }
      const QStringList summary = fWindow->lblSummary->text().split(u'\n');
      if (test.StopIn == stOther) {
        QVERIFY(QFile::exists(output));
        QVERIFY2(summary.constLast().startsWith(QStringLiteral("verified: 60000 rows")),
                 qPrintable(summary.constLast()));
        QVERIFY(QFile::remove(output));
      } else {
        QCOMPARE(QDir(fFolder->path()).entryList(QDir::Files), QStringList{"sizeable.vlp"});
        QCOMPARE(summary, QStringList{QStringLiteral(
                              "The run was stopped; the new project was not saved.")});
        QCOMPARE(LogLines().constLast(), QStringLiteral("Stopped."));
      }
      QCOMPARE(fWindow->btnConvert->text(), QStringLiteral("Convert..."));
      QVERIFY(fWindow->btnConvert->isEnabled());
      QVERIFY(fDesktop->Errors.empty());
    }
  }

  void aProjectOnTheCommandLineIsConverted() {
    const QString project = CopyFixture(QStringLiteral("worked.vlp"));

    fDesktop->SaveAnswer = U16(fFolder->filePath(QStringLiteral("out.vxp")));
    fWindow->ConvertProjectLater(project);
    QTRY_VERIFY(QFile::exists(ToQ(*fDesktop->SaveAnswer)));
    WaitForRun();
    QCOMPARE(fDesktop->OpenCalls, 0);
    QCOMPARE(ToQ(fDesktop->Proposals), QStringList{project + QStringLiteral("_converted.vxp")});
    QCOMPARE(fWindow->lstTargets->rowCount(), 3);

    // The next click asks the open dialog again.
    fDesktop->OpenAnswer.reset();
    fWindow->btnConvert->click();
    WaitForRun();
    QCOMPARE(fDesktop->OpenCalls, 1);
  }

  void aDroppedProjectIsConverted() {
    const QString notes = fFolder->filePath(QStringLiteral("notes.txt"));
    QVERIFY(!DropFiles(fWindow.get(), {notes}));
    const QString project = CopyFixture(QStringLiteral("worked.vlp"));
    fDesktop->SaveAnswer = U16(fFolder->filePath(QStringLiteral("out.vxp")));
    // Nothing is taken while a run is going.
    fDesktop->WhileSaving = [&] { QVERIFY(!DropFiles(fWindow.get(), {project})); };
    QVERIFY(DropFiles(fWindow.get(), {notes, project}));
    QTRY_VERIFY(QFile::exists(ToQ(*fDesktop->SaveAnswer)));
    WaitForRun();
    QCOMPARE(ToQ(fDesktop->Proposals), QStringList{project + QStringLiteral("_converted.vxp")});
    QCOMPARE(fDesktop->OpenCalls, 0);
    QTest::qWait(50);
    QCOMPARE(ToQ(fDesktop->Proposals).size(), 1);
  }

  void aProjectOnTheCommandLineLeavesTheFocusOnConvert() {
    ShowActive();
    fWindow->btnHelp->setFocus();
    fDesktop->SaveAnswer = U16(fFolder->filePath(QStringLiteral("out.vxp")));
    fWindow->ConvertProjectLater(CopyFixture(QStringLiteral("worked.vlp")));
    QTRY_VERIFY(QFile::exists(ToQ(*fDesktop->SaveAnswer)));
    WaitForRun();
    QCOMPARE(fWindow->focusWidget(), fWindow->btnConvert);
  }

  // After converting the demo project the summary says where it went, what was left out, and
  // that the saved file holds everything else.
  void theSummaryTellsWhatTheRunDid() {
    fWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(fWindow.get()));
    QVERIFY(!fWindow->pnlSummary->isVisible());
    const QString input = fFolder->filePath(QStringLiteral("demo.vlp"));
    QVERIFY(QFile::copy(QStringLiteral(VLP_SOURCE_DIR "/examples/demo.vlp"), input));
    fDesktop->OpenAnswer = U16(input);
    fDesktop->SaveAnswer = U16(fFolder->filePath(QStringLiteral("demo.vxp")));
    bool barDuringRun = false;
    fDesktop->WhileSaving = [&] { barDuringRun = fWindow->barProgress->isVisible(); };
    fWindow->btnConvert->click();
    WaitForRun();

    QVERIFY(barDuringRun);
    QVERIFY(!fWindow->barProgress->isVisible());
    QVERIFY(fWindow->pnlSummary->isVisible());
    const QStringList lines = fWindow->lblSummary->text().split(u'\n');
    QCOMPARE(lines.size(), 4);
    QCOMPARE(
        lines[0],
        QStringLiteral("The new project was saved to \"%1\".").arg(ToQ(*fDesktop->SaveAnswer)));
    QVERIFY2(lines[1].startsWith(QStringLiteral("Targets converted: ")), qPrintable(lines[1]));
    QCOMPARE(lines[2], QStringLiteral("2 rows without a converted target were not carried over"));
    QVERIFY2(lines[3].startsWith(QStringLiteral("verified: ")), qPrintable(lines[3]));
    // The log stays as it was.
    QVERIFY(LogLines().constLast().startsWith(QStringLiteral("Total processing time: ")));

    QVERIFY(fWindow->btnShowRows->isVisible());
    fWindow->btnShowRows->click();
    auto* rows = fWindow->findChild<TRowsForm*>();
    QVERIFY(rows);
    QCOMPARE(rows->RowsLabel->text(), lines[2]);
    QCOMPARE(rows->RowsList->model()->rowCount(), 2);
    rows->close();

    fDesktop->SaveAnswer.reset();
    fWindow->btnConvert->click();
    WaitForRun();
    QCOMPARE(fWindow->lblSummary->text().split(u'\n').constFirst(),
             QStringLiteral("The new project was not saved: the save dialog was cancelled."));
  }

  // The error box closed with Escape as a user would, the summary of the failed run offers its
  // report where nothing covers it, at every size.
  void theSummaryAfterAFailureFitsAtEverySize() {
    bool closed = false;
    TRealBoxesDesktop& desktop = ShowToFailWithRealBoxes(closed);
    fWindow->btnConvert->click();
    WaitForRun();
    QCOMPARE(desktop.Errors.size(), size_t(1));
    QVERIFY(closed);
    QCOMPARE(fWindow->lblSummary->text(),
             QStringLiteral("The conversion failed; the new project was not saved."));
    QVERIFY(fWindow->btnSaveReport->isVisible());
    QVERIFY(!fWindow->btnShowRows->isVisible());
    QVERIFY(!fWindow->btnSaveAs->isVisible());
    CheckSummaryFitsAtEverySize();
  }

  void theSummarysThreeButtonsFitAtEverySize() {
    ShowActive();
    RunDemoWithoutSaving();
    QVERIFY(fDesktop->Errors.empty());
    for (QPushButton* button : {fWindow->btnSaveAs, fWindow->btnShowRows, fWindow->btnSaveReport})
      QVERIFY(button->isVisible());
    CheckSummaryFitsAtEverySize();
  }

  // The saved path loses its middle, not the lines under it; the tooltip holds the whole summary.
  void aLongPathIsCutInItsMiddleAndEveryLineStays() {
    ShowActive();
    QString folder = fFolder->path();
    for (const char* name : {"a folder with a long name for the projects of the release",
                             "another long folder name that goes on and on"})
      folder += u'/' + QString::fromLatin1(name);
    QVERIFY(QDir().mkpath(folder));
    fDesktop->OpenAnswer = U16(CopyFixture(QStringLiteral("worked.vlp")));
    const QString saved = folder + QStringLiteral("/the converted project.vxp");
    fDesktop->SaveAnswer = U16(saved);
    fWindow->btnConvert->click();
    WaitForRun();
    QVERIFY(fDesktop->Errors.empty());
    const QStringList lines = fWindow->lblSummary->text().split(u'\n');
    QCOMPARE(lines.size(), 3);
    // The path's start and its end, around "…".
    const QString head = QStringLiteral("The new project was saved to \"");
    QVERIFY2(lines[0].startsWith(head) && lines[0].endsWith(QStringLiteral("\".")),
             qPrintable(lines[0]));
    const QStringList parts =
        lines[0].mid(head.size(), lines[0].size() - head.size() - 2).split(QChar(0x2026));
    QCOMPARE(parts.size(), 2);
    QVERIFY(!parts[0].isEmpty() && saved.startsWith(parts[0]));
    QVERIFY(!parts[1].isEmpty() && saved.endsWith(parts[1]));
    QCOMPARE(lines[1], QStringLiteral("Targets converted: 2 of 3. Rows carried over: 3."));
    QCOMPARE(lines[2], QStringLiteral("verified: 3 rows, 2 targets, 2 excludes, 2 languages"));
    QCOMPARE(fWindow->lblSummary->toolTip(),
             QStringLiteral("The new project was saved to \"%1\".\n%2\n%3")
                 .arg(saved, lines[1], lines[2]));
    CheckSummaryFitsAtEverySize();

    // A short path fits a wide window whole and needs no tooltip.
    fWindow->resize(1000, 600);
    QTRY_COMPARE(fWindow->size(), QSize(1000, 600));
    fDesktop->SaveAnswer = U16(fFolder->filePath(QStringLiteral("out.vxp")));
    fWindow->btnConvert->click();
    WaitForRun();
    QCOMPARE(
        fWindow->lblSummary->text().section(u'\n', 0, 0),
        QStringLiteral("The new project was saved to \"%1\".").arg(ToQ(*fDesktop->SaveAnswer)));
    QCOMPARE(fWindow->lblSummary->toolTip(), QString());
  }

  void convertKeepsTheFocusForTheNextRun() {
    fWindow->btnConvert->setFocus();
    RunWorkedProject();
    QCOMPARE(fWindow->focusWidget(), fWindow->btnConvert);

    fWindow->memLog->setFocus();
    fDesktop->WhileSaving = [this] { fWindow->lstTargets->setFocus(); };
    fWindow->btnConvert->click();
    WaitForRun();
    QCOMPARE(fWindow->focusWidget(), fWindow->lstTargets);
  }

  void logShowsEveryEntryOnOneLine() {
    const struct {
      std::u16string Entry;
      QString Shown;
    } cases[] = {
        {u"\tDictionary name: Main", QStringLiteral("\tDictionary name: Main")},
        {u"\tDictionary name: A\r\nB", QStringLiteral("\tDictionary name: A B")},
        {u"\tde\r", QStringLiteral("\tde ")},
        {u"\n\nx", QStringLiteral("  x")},
        {u"a\u2028b\u2029c", QStringLiteral("a b c")},
        {u"a\uFDD0b\uFDD1c", QStringLiteral("a b c")},
        {u"", QString()},
    };
    for (const auto& test : cases) {
      fWindow->Presenter().ClearLog();
      fWindow->Presenter().AddLogLine(u"before");
      fWindow->Presenter().AddLogLine(test.Entry);
      fWindow->Presenter().AddLogLine(u"after");
      QCOMPARE(LogLines(), (QStringList{"before", test.Shown, "after"}));
      QCOMPARE(fWindow->memLog->document()->blockCount(), 3);
    }
  }

  void aCountForATargetThatDoesNotExistIsDropped() {
    TMainPresenter& presenter = fWindow->Presenter();
    presenter.TargetRowsCounted(0, 7);
    vconvert::TFoundTarget target;
    target.Converted = true;
    target.OldTarget = u"old";
    target.NewTarget = u"new";
    presenter.TargetFound(target);
    presenter.TargetRowsCounted(1, 7);
    presenter.TargetRowsCounted(-1, 7);
    QCOMPARE(fWindow->lstTargets->rowCount(), 1);
    QCOMPARE(CellText(0, 3), QString());
  }

  void cancellingTheOpenDialogKeepsThePreviousRun() {
    RunWorkedProject();
    const QStringList log = LogLines();
    const int rows = fWindow->lstTargets->rowCount();

    fDesktop->OpenAnswer.reset();
    fWindow->btnConvert->click();
    WaitForRun();
    QCOMPARE(fDesktop->OpenCalls, 2);
    QCOMPARE(LogLines(), log);
    QCOMPARE(fWindow->lstTargets->rowCount(), rows);
    QCOMPARE(CellText(0, 3), QStringLiteral("2"));
    QCOMPARE(ToQ(fDesktop->Proposals).size(), 1);
  }

  void cancellingTheSaveDialogWritesNothing() {
    fDesktop->OpenAnswer = U16(CopyFixture(QStringLiteral("worked.vlp")));
    fDesktop->SaveAnswer.reset();
    fWindow->btnConvert->click();
    WaitForRun();
    QCOMPARE(ToQ(fDesktop->Proposals).size(), 1);
    QCOMPARE(QDir(fFolder->path()).entryList(QDir::Files), QStringList{"worked.vlp"});
    QVERIFY(LogLines().constLast().startsWith(QStringLiteral("Total processing time: ")));
    QCOMPARE(fDesktop->Errors.size(), size_t(0));
  }

#ifndef _WIN32
  // A save that fails keeps the converted project: the user reads why under the list and saves
  // it elsewhere with "Save as...", without converting again. Root writes into a read-only
  // folder, so the disk fills up instead.
  void aFailedSaveIsMadeAgainWithSaveAs() {
    fWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(fWindow.get()));
    fDesktop->OpenAnswer = U16(CopyFixture(QStringLiteral("worked.vlp")));
    const QString failed = fFolder->filePath(QStringLiteral("out.vxp"));
    fDesktop->SaveAnswer = U16(failed);
    {
      const TFullDisk fullDisk;
      fWindow->btnConvert->click();
      WaitForRun();
    }
    QCOMPARE(fDesktop->Errors.size(), size_t(1));
    const QString cannotWrite = QStringLiteral("Cannot write \"%1\": %2")
                                    .arg(failed, QString::fromUtf8(TFullDisk::ReasonOfFullDisk));
    QCOMPARE(ToQ(ErrorBoxText(fDesktop->Errors[0])), cannotWrite);
    QCOMPARE(fWindow->lblSummary->text().split(u'\n').constFirst(),
             QStringLiteral("The new project was not saved: %1.").arg(cannotWrite));
    QVERIFY(!QFile::exists(failed));
    QVERIFY(fWindow->btnSaveAs->isVisible());
    // Alt+S saves, as in the Windows window.
    QCOMPARE(fWindow->btnSaveAs->text(), QStringLiteral("&Save as..."));

    const QString elsewhere = fFolder->filePath(QStringLiteral("elsewhere.vxp"));
    fDesktop->SaveAnswer = U16(elsewhere);
    fWindow->btnSaveAs->click();
    WaitForRun();
    QCOMPARE(fDesktop->OpenCalls, 1);
    QCOMPARE(ToQ(fDesktop->Proposals).constLast(), failed);
    QVERIFY(QFile::exists(elsewhere));
    const QStringList lines = fWindow->lblSummary->text().split(u'\n');
    QCOMPARE(lines.constFirst(),
             QStringLiteral("The new project was saved to \"%1\".").arg(elsewhere));
    QVERIFY2(lines.constLast().startsWith(QStringLiteral("verified: ")),
             qPrintable(lines.constLast()));
    QVERIFY(!fWindow->btnSaveAs->isVisible());
    QCOMPARE(fDesktop->Errors.size(), size_t(1));
  }
#endif

  void aFailingProjectIsReportedAndTheNextRunWorks() {
    fDesktop->OpenAnswer = U16(CopyFixture(QStringLiteral("unclosed.vlp")));
    fWindow->btnConvert->click();
    WaitForRun();
    QCOMPARE(fDesktop->Errors.size(), size_t(1));
    QCOMPARE(ToQ(fDesktop->Errors[0].Message),
             QStringLiteral("Missing close tag in element VORNALEXPROJECT"));
    QCOMPARE(ToQ(fDesktop->Errors[0].ClassName), QStringLiteral("EFilerError"));
    QCOMPARE(ToQ(fDesktop->Errors[0].LastLogLines), QStringList{"Opening old project..."});
    QCOMPARE(ToQ(fDesktop->Proposals).size(), 0);
    QVERIFY(fWindow->btnConvert->isEnabled());

    RunWorkedProject();
    QCOMPARE(fDesktop->Errors.size(), size_t(1));
    QCOMPARE(fWindow->lstTargets->rowCount(), 3);
    QVERIFY(QFile::exists(ToQ(*fDesktop->SaveAnswer)));
  }

  void aMissingProjectReportsTheOpenError() {
    const QString missing = fFolder->filePath(QStringLiteral("missing.vlp"));
    fDesktop->OpenAnswer = U16(missing);
    fWindow->btnConvert->click();
    WaitForRun();
    QCOMPARE(fDesktop->Errors.size(), size_t(1));
    QCOMPARE(ToQ(fDesktop->Errors[0].ClassName), QStringLiteral("EFOpenError"));
    QVERIFY2(ToQ(fDesktop->Errors[0].Message)
                 .startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(missing)),
             qPrintable(ToQ(fDesktop->Errors[0].Message)));
  }

  void helpOpensTheHelpPage() {
    fWindow->btnHelp->click();
    QCOMPARE(fDesktop->Opened.size(), size_t(1));
    QCOMPARE(
        QUrl(ToQ(fDesktop->Opened[0])),
        QUrl(QStringLiteral("https://www.vornalex.com/system/jumper.php?page=en.app.vlp5tovxp")));
    QCOMPARE(ToQ(fDesktop->Notices).size(), 0);
  }

  void helpWithoutABrowserShowsTheAddress() {
    fDesktop->BrowserStarts = false;
    fWindow->btnHelp->click();
    QCOMPARE(ToQ(fDesktop->Notices).size(), 1);
    const QString address =
        QStringLiteral("https://www.vornalex.com/system/jumper.php?page=en.app.vlp5tovxp");
    QVERIFY2(ToQ(fDesktop->Notices)[0].contains(address), qPrintable(ToQ(fDesktop->Notices)[0]));

    // The desktop's box lets the address be selected and copied.
    TShownBox shown;
    AnswerNextMessageBox(shown);
    CreateQtDesktop(*fWindow)->ShowNotice(TNoticeKind::nkInformation, fDesktop->Notices[0]);
    QCOMPARE(shown.Text, ToQ(fDesktop->Notices)[0]);
    QCOMPARE(shown.Icon, QMessageBox::Information);
    QCOMPARE(shown.Format, Qt::PlainText);
    QVERIFY(shown.Interaction.testFlag(Qt::TextSelectableByMouse));
    QVERIFY(shown.Interaction.testFlag(Qt::TextSelectableByKeyboard));
  }

  // A browser command that runs but starts no browser is no browser.
  void aBrowserCommandThatFailsStartedNoBrowser() {
    const std::unique_ptr<IDesktop> desktop = CreateQtDesktop(*fWindow);
    const QByteArray path = qgetenv("PATH");
    for (const int status : {0, 3}) {
      QFile opener(fFolder->filePath(QStringLiteral("xdg-open")));
      QVERIFY(opener.open(QIODevice::WriteOnly | QIODevice::Truncate));
      opener.write(QStringLiteral("#!/bin/sh\nexit %1\n").arg(status).toUtf8());
      opener.close();
      opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
      qputenv("PATH", fFolder->path().toUtf8() + ':' + path);
      const bool started = desktop->OpenUrl(u"https://example.invalid/help");
      qputenv("PATH", path);
      QCOMPARE(started, status == 0);
    }
  }

  // Alt with the underlined letter presses the button, and Escape closes the error box of the run
  // it started; the window then has the focus back. MainFormTestOnX11 runs this under a window
  // manager too.
  void altConvertsAndEscapeClosesTheErrorBox() {
    bool closed = false;
    TRealBoxesDesktop& desktop = ShowToFailWithRealBoxes(closed);
    // The button shows itself pressed for a moment before it converts.
    QTest::keyClick(fWindow.get(), Qt::Key_C, Qt::AltModifier);
    QTRY_COMPARE(desktop.Errors.size(), size_t(1));
    QCOMPARE(desktop.OpenCalls, 1);
    QVERIFY(closed);
    // A window manager gives the window the focus back; the offscreen platform has none.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
      ShowActive();
    QTRY_VERIFY(fWindow->isActiveWindow());

    QTest::keyClick(fWindow.get(), Qt::Key_H, Qt::AltModifier);
    QTRY_COMPARE(desktop.Opened.size(), size_t(1));
  }

  // Escape answers every box of the window: the notice, the error box with its details shown,
  // and the question, where it says No.
  void escapeClosesEveryBox() {
    const std::unique_ptr<IDesktop> desktop = CreateQtDesktop(*fWindow);
    bool closed = false;
    EscapeNextBox(closed);
    desktop->ShowNotice(TNoticeKind::nkInformation, u"notice");
    QVERIFY(closed);
    EscapeNextBox(closed);
    desktop->ShowNotice(TNoticeKind::nkWarning, u"warning");
    QVERIFY(closed);
    QTimer::singleShot(0, [] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      for (QAbstractButton* button : box->buttons())
        if (box->buttonRole(button) == QMessageBox::ActionRole)
          button->click();
    });
    EscapeNextBox(closed);
    desktop->ShowError({u"message", u"EFilerError", {u"a log line"}, {}});
    QVERIFY(closed);
    EscapeNextBox(closed);
    QVERIFY(!desktop->AskYesNo(u"Replace?"));
    QVERIFY(closed);
  }

  // Only on X11 (MainFormTestOnX11) does the box get a place it could keep; exposed rather than
  // active, as no window manager is there to activate the window.
  void errorBoxIsCentredOnTheWindow() {
    fWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(fWindow.get()));
    fWindow->move(100, 80);
    QRect box;
    QTimer::singleShot(50, [&box] {
      QWidget* shown = QApplication::activeModalWidget();
      QVERIFY(shown);
      box = shown->frameGeometry();
      qobject_cast<QMessageBox*>(shown)->accept();
    });
    CreateQtDesktop(*fWindow)->ShowError({u"message", u"EFilerError", {}, {}});
    const QPoint offset = box.center() - fWindow->frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 2,
             qPrintable(QStringLiteral("%1, %2 off the centre").arg(offset.x()).arg(offset.y())));
  }

  // --help and --version answer without a window; an unknown option is a usage error. No display
  // is there: a window would fail.
  void theProgramAnswersHelpAndVersionOnTheConsole() {
    const struct {
      QString Option;
      int Status;
      QString Out;
      QString ErrStart;
    } cases[] = {
        {QStringLiteral("--help"), 0, QStringLiteral("Usage: vlp5tovxp [OLD.vlp]\n"), QString()},
        {QStringLiteral("--version"), 0, QString::fromUtf8("vlp5tovxp " VLP_VERSION "\n"),
         QString()},
        {QStringLiteral("--frce"), 2, QString(),
         QStringLiteral("vlp5tovxp: unknown option --frce\n\nUsage: vlp5tovxp [OLD.vlp]\n")},
    };
    for (const auto& test : cases) {
      QProcess program;
      QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
      environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
      environment.remove(QStringLiteral("DISPLAY"));
      environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
      program.setProcessEnvironment(environment);
      program.start(QString::fromUtf8(VLP_WINDOW_PROGRAM), {test.Option});
      QVERIFY(program.waitForFinished(10000));
      const QString out = QString::fromUtf8(program.readAllStandardOutput());
      const QString err = QString::fromUtf8(program.readAllStandardError());
      QCOMPARE(program.exitCode(), test.Status);
      QVERIFY2(out.startsWith(test.Out) && (test.Status != 0 || err.isEmpty()), qPrintable(err));
      QVERIFY2(err.startsWith(test.ErrStart), qPrintable(err));
      QCOMPARE(out.isEmpty(), test.Out.isEmpty());
    }
  }

  void errorBoxShowsMessageClassAndLastLogLines() {
    // The value comes from the old project and looks like markup; it is shown as it is.
    const TErrorReport report{u"'<b>1</b>' is not a valid integer value",
                              u"EConvertError",
                              {u"Reading targets"},
                              u"The project \"a.vlp\" could not be read: line 3, column 9."};
    TShownBox shown;
    AnswerNextMessageBox(shown);
    CreateQtDesktop(*fWindow)->ShowError(report);
    QCOMPARE(shown.Text, ToQ(report.Sentence) + QStringLiteral("\n\n") + ToQ(report.Message));
    QCOMPARE(shown.Format, Qt::PlainText);
    QCOMPARE(shown.Details, QStringLiteral("Exception class: EConvertError\n\n"
                                           "Last log lines:\nReading targets"));
  }

  void reportKeepsOnlyTheLastLogLines() {
    for (int line = 1; line <= 12; ++line)
      fWindow->Presenter().AddLogLine(QStringLiteral("line %1").arg(line).toStdU16String());
    fWindow->ReportException(std::make_exception_ptr(std::runtime_error("plain")));
    QCOMPARE(fDesktop->Errors.size(), size_t(1));
    QCOMPARE(ToQ(fDesktop->Errors[0].Message), QStringLiteral("plain"));
    QCOMPARE(ToQ(fDesktop->Errors[0].ClassName), QStringLiteral("std::runtime_error"));
    const QStringList lines = ToQ(fDesktop->Errors[0].LastLogLines);
    QCOMPARE(lines.size(), TMainPresenter::LastLogLinesInReport);
    QCOMPARE(lines.constFirst(), QStringLiteral("line 3"));
    QCOMPARE(lines.constLast(), QStringLiteral("line 12"));
  }

  void anExceptionFromAnEventStopsInTheApplication() {
    auto* application = static_cast<TApplication*>(QCoreApplication::instance());
    std::vector<TErrorReport> reported;
    application->SetExceptionReporter(
        [&reported](std::exception_ptr aError) { reported.push_back(DescribeException(aError)); });
    TThrowingObject receiver;
    QEvent event(QEvent::User);
    QVERIFY(!QCoreApplication::sendEvent(&receiver, &event));
    application->SetExceptionReporter({});
    QCOMPARE(reported.size(), size_t(1));
    QCOMPARE(ToQ(reported[0].Message), QStringLiteral("Thrown from an event"));
    QCOMPARE(ToQ(reported[0].ClassName), QStringLiteral("EConvertError"));
  }
};

int main(int argc, char** argv) {
  TApplication application(argc, argv);
  application.setQuitOnLastWindowClosed(false);
  TMainFormTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "MainFormTest.moc"
