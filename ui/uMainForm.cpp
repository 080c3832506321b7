#include "uMainForm.h"

#include "IntegerText.h"
#include "uApplication.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>

namespace vui {

using vbase::IntToText;
using vconvert::SteadyTickCount;
using vconvert::TRunStage;

const char* const HelpPageUrl = "https://www.vornalex.com/system/jumper.php?page=en.app.vlp5tovxp";

namespace {

enum TTargetColumn { tcImage, tcOldTarget, tcNewTarget, tcRows, tcCount };

// Narrower target columns cut every path to its drive letter.
constexpr int MinimumTargetColumnWidth = 120;

QString ToQString(std::u16string_view aText) {
  return QString(reinterpret_cast<const QChar*>(aText.data()),
                 static_cast<qsizetype>(aText.size()));
}

std::optional<std::u16string> ToU16(const std::optional<QString>& aText) {
  if (!aText)
    return std::nullopt;
  return aText->toStdU16String();
}

QPushButton* CreateButton(const QString& aName, const QString& aCaption, int aLeft,
                          QWidget* aParent) {
  auto* button = new QPushButton(aCaption, aParent);
  button->setObjectName(aName);
  button->setGeometry(aLeft, 8, 129, 49);
  // Outside a dialog a button answers only Space; Enter is what people press.
  button->setAutoDefault(true);
  return button;
}

// Both images drawn the same on a selected row: the style's tinted version of a small mark
// on the highlight colour cannot be read.
QIcon ListImage(const QString& aFile) {
  QIcon icon;
  for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Selected})
    icon.addFile(aFile, QSize(16, 16), mode);
  return icon;
}

// Rows are selected whole; a focus frame around one cell, empty beside an image, is noise.
class TNoFocusFrameDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;

protected:
  void initStyleOption(QStyleOptionViewItem* aOption, const QModelIndex& aIndex) const override {
    QStyledItemDelegate::initStyleOption(aOption, aIndex);
    aOption->state &= ~QStyle::State_HasFocus;
  }
};

// The first old project among dropped files, if any.
std::optional<QString> DroppedProject(const QMimeData* aData) {
  if (!aData || !aData->hasUrls())
    return std::nullopt;
  for (const QUrl& url : aData->urls())
    if (url.isLocalFile() &&
        url.toLocalFile().endsWith(QStringLiteral(".vlp"), Qt::CaseInsensitive))
      return url.toLocalFile();
  return std::nullopt;
}

// Keeps the Convert button disabled while a run is in progress, whatever ends the run.
class TRunScope {
public:
  TRunScope(bool& aConverting, QPushButton* aButton) : fConverting(aConverting), fButton(aButton) {
    const bool hadFocus = fButton->window()->focusWidget() == fButton;
    fConverting = true;
    fButton->setEnabled(false);
    if (hadFocus)
      fFocusTakenBy = fButton->window()->focusWidget();
  }
  ~TRunScope() {
    fConverting = false;
    fButton->setEnabled(true);
    // Disabling passed the focus on to Help; the next key press should convert again, unless
    // the user has put the focus elsewhere since.
    if (fFocusTakenBy && fButton->window()->focusWidget() == fFocusTakenBy)
      fButton->setFocus();
  }
  TRunScope(const TRunScope&) = delete;
  TRunScope& operator=(const TRunScope&) = delete;

private:
  bool& fConverting;
  QPushButton* fButton;
  QWidget* fFocusTakenBy = nullptr;
};

// The characters on which the log box begins a new line; U+FDD0 and U+FDD1 are its frame marks.
bool StartsNewLine(QChar aChar) {
  return aChar == u'\r' || aChar == u'\n' || aChar == QChar::LineSeparator ||
         aChar == QChar::ParagraphSeparator || aChar == QChar(0xFDD0) || aChar == QChar(0xFDD1);
}

// A name from the project may hold a line break; the log keeps one line per entry.
QString SingleLine(std::u16string_view aText) {
  QString line = ToQString(aText);
  line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
  for (QChar& character : line)
    if (StartsNewLine(character))
      character = u' ';
  return line;
}

} // namespace

TMainform::TMainform(QWidget* aParent)
    : QWidget(aParent), ImageList1{ListImage(QStringLiteral(":/images/check.svg")),
                                   ListImage(QStringLiteral(":/images/cross.svg"))},
      fRun(*this), fOpenFileChooser(CreateDesktopOpenFileChooser()),
      fSaveFileChooser(CreateDesktopSaveFileChooser()), fUrlOpener(CreateDesktopUrlOpener()),
      fErrorPresenter(CreateDesktopErrorPresenter()),
      fNoticePresenter(CreateDesktopNoticePresenter()) {
  setObjectName(QStringLiteral("Mainform"));
  setWindowTitle(QStringLiteral("Convert VLP (Vornalex 5 project) to VXP (new Vornalex project)"));
  resize(854, 562);
  setMinimumSize(MinimumSize);
  setAcceptDrops(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  CreateTopPanel();
  layout->addWidget(pnlTop);
  CreateLogPage();
  layout->addWidget(pgcMain, 1);
  setTabOrder(btnConvert, btnHelp);
}

TMainform::~TMainform() = default;

void TMainform::CreateTopPanel() {
  pnlTop = new QWidget(this);
  pnlTop->setObjectName(QStringLiteral("pnlTop"));
  pnlTop->setFixedHeight(73);

  btnConvert = CreateButton(QStringLiteral("btnConvert"), tr("Convert..."), 8, pnlTop);
  btnConvert->setIcon(QIcon(QStringLiteral(":/images/convert.svg")));
  btnConvert->setIconSize(QSize(32, 32));
  connect(btnConvert, &QPushButton::clicked, this, &TMainform::RunConversion);

  btnHelp = CreateButton(QStringLiteral("btnHelp"), tr("Help..."), 144, pnlTop);
  connect(btnHelp, &QPushButton::clicked, this, &TMainform::HelpClicked);
}

void TMainform::CreateLogPage() {
  pgcMain = new QTabWidget(this);
  pgcMain->setObjectName(QStringLiteral("pgcMain"));
  shtLog = new QWidget;
  shtLog->setObjectName(QStringLiteral("shtLog"));
  pgcMain->addTab(shtLog, tr("Log"));

  lstTargets = new QTableWidget(0, tcCount, shtLog);
  lstTargets->setObjectName(QStringLiteral("lstTargets"));
  lstTargets->setHorizontalHeaderLabels(
      {tr("#"), tr("Vornalex 5 Target"), tr("Vornalex 7 Target"), tr("Rows")});
  SetUpTargetColumns();
  lstTargets->verticalHeader()->hide();
  lstTargets->verticalHeader()->setDefaultSectionSize(lstTargets->fontMetrics().height() + 6);
  lstTargets->setShowGrid(true);
  lstTargets->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstTargets->setSelectionBehavior(QAbstractItemView::SelectRows);
  lstTargets->setSelectionMode(QAbstractItemView::SingleSelection);
  lstTargets->setIconSize(QSize(16, 16));
  lstTargets->setWordWrap(false);
  lstTargets->setItemDelegate(new TNoFocusFrameDelegate(lstTargets));
  // Tab moves on to the log instead of from cell to cell.
  lstTargets->setTabKeyNavigation(false);

  memLog = new QPlainTextEdit(shtLog);
  memLog->setObjectName(QStringLiteral("memLog"));
  memLog->setFixedHeight(95);
  memLog->setReadOnly(true);
  memLog->setLineWrapMode(QPlainTextEdit::NoWrap);
  memLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memLog->setTabChangesFocus(true);
  // A project dropped on the log goes to the window, not into the text.
  memLog->setAcceptDrops(false);
  // The log indents with TABs; Qt's default stop of 80 pixels spreads it too wide.
  memLog->setTabStopDistance(4 * memLog->fontMetrics().averageCharWidth());

  auto* layout = new QVBoxLayout(shtLog);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(lstTargets, 1);
  layout->addWidget(memLog);
}

void TMainform::SetUpTargetColumns() {
  lstTargets->horizontalHeaderItem(tcRows)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  for (int column = tcImage; column < tcRows; ++column)
    lstTargets->horizontalHeaderItem(column)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  QHeaderView* header = lstTargets->horizontalHeader();
  header->setMinimumSectionSize(32);
  header->setStretchLastSection(false);
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setSectionResizeMode(tcImage, QHeaderView::Fixed);
  header->resizeSection(tcImage, 32);
  header->resizeSection(tcRows, 50);
  header->setHighlightSections(false);
  connect(header, &QHeaderView::sectionResized, this,
          [this](int aColumn, int, int) { TargetColumnResized(aColumn); });
  lstTargets->viewport()->installEventFilter(this);
}

void TMainform::TargetColumnResized(int aColumn) {
  if (fSharingFreeWidth)
    return;
  if (aColumn == tcOldTarget || aColumn == tcNewTarget)
    fTargetColumnsSizedByUser = true;
  else
    ShareFreeWidth();
}

// The two target columns share what "#" and "Rows" leave of the list's width, as long as the
// user has not dragged one of them.
void TMainform::ShareFreeWidth() {
  if (fTargetColumnsSizedByUser)
    return;
  QHeaderView* header = lstTargets->horizontalHeader();
  const int free =
      lstTargets->viewport()->width() - header->sectionSize(tcImage) - header->sectionSize(tcRows);
  const int half = std::max(free / 2, MinimumTargetColumnWidth);
  const QScopedValueRollback sharing(fSharingFreeWidth, true);
  header->resizeSection(tcOldTarget, std::max(free - half, MinimumTargetColumnWidth));
  header->resizeSection(tcNewTarget, half);
}

bool TMainform::eventFilter(QObject* aWatched, QEvent* aEvent) {
  if (aWatched == lstTargets->viewport() && aEvent->type() == QEvent::Resize)
    ShareFreeWidth();
  return QWidget::eventFilter(aWatched, aEvent);
}

void TMainform::Button1Click() {
  TRunScope scope(fConverting, btnConvert);
  fRun.Execute();
}

void TMainform::btnHelpClick() {
  const QString address = QString::fromLatin1(HelpPageUrl);
  if (!fUrlOpener->Open(this, QUrl(address)))
    fNoticePresenter->Show(
        this, tr("No web browser could be started for the help. The help page is at:\n\n%1")
                  .arg(address));
}

void TMainform::RunConversion() {
  try {
    Button1Click();
  } catch (...) {
    ReportException(std::current_exception());
  }
  // A close that arrived while the run processed messages waited for the run to end.
  if (fCloseRequested)
    close();
}

void TMainform::ConvertProject(const QString& aPath) {
  if (fConverting)
    return;
  fGivenProject = aPath;
  RunConversion();
  fGivenProject.reset();
}

void TMainform::ConvertProjectLater(const QString& aPath) {
  QTimer::singleShot(0, this, [this, aPath] { ConvertProject(aPath); });
}

void TMainform::HelpClicked() {
  try {
    btnHelpClick();
  } catch (...) {
    ReportException(std::current_exception());
  }
}

void TMainform::ReportException(std::exception_ptr aError) {
  TErrorReport report = DescribeException(aError);
  report.LastLogLines = LastLogLines();
  fErrorPresenter->Show(this, report);
}

QStringList TMainform::LastLogLines() const {
  QStringList lines;
  for (QTextBlock block = memLog->document()->lastBlock();
       block.isValid() && lines.size() < LastLogLinesInReport; block = block.previous())
    lines.prepend(block.text());
  if (lines.size() == 1 && lines.constFirst().isEmpty())
    lines.clear();
  return lines;
}

void TMainform::closeEvent(QCloseEvent* aEvent) {
  if (fConverting) {
    fCloseRequested = true;
    aEvent->ignore();
    return;
  }
  QWidget::closeEvent(aEvent);
}

void TMainform::dragEnterEvent(QDragEnterEvent* aEvent) {
  if (!fConverting && DroppedProject(aEvent->mimeData()))
    aEvent->acceptProposedAction();
}

void TMainform::dropEvent(QDropEvent* aEvent) {
  const std::optional<QString> project = DroppedProject(aEvent->mimeData());
  if (fConverting || !project)
    return;
  aEvent->acceptProposedAction();
  // The file manager waits for the drop to end; the run and its dialogs come after.
  ConvertProjectLater(*project);
}

void TMainform::SetOpenFileChooser(std::unique_ptr<TOpenFileChooser> aChooser) {
  fOpenFileChooser = std::move(aChooser);
}

void TMainform::SetSaveFileChooser(std::unique_ptr<TSaveFileChooser> aChooser) {
  fSaveFileChooser = std::move(aChooser);
}

void TMainform::SetUrlOpener(std::unique_ptr<TUrlOpener> aOpener) {
  fUrlOpener = std::move(aOpener);
}

void TMainform::SetErrorPresenter(std::unique_ptr<TErrorPresenter> aPresenter) {
  fErrorPresenter = std::move(aPresenter);
}

void TMainform::SetNoticePresenter(std::unique_ptr<TNoticePresenter> aPresenter) {
  fNoticePresenter = std::move(aPresenter);
}

std::optional<std::u16string> TMainform::AskOldProjectPath() {
  if (fGivenProject)
    return fGivenProject->toStdU16String();
  return ToU16(fOpenFileChooser->Execute(this));
}

void TMainform::ClearLog() {
  memLog->clear();
}

void TMainform::AddLogLine(std::u16string_view aLine) {
  memLog->appendPlainText(SingleLine(aLine));
}

void TMainform::TargetsCleared() {
  lstTargets->setRowCount(0);
}

void TMainform::TargetFound(const vconvert::TFoundTarget& aTarget) {
  const int row = lstTargets->rowCount();
  lstTargets->insertRow(row);
  // The image column's caption is always empty.
  auto* item = new QTableWidgetItem(QString());
  item->setIcon(ImageList1[aTarget.Converted ? 0 : 1]);
  if (!aTarget.Converted)
    item->setToolTip(tr("Not converted: the new format has no counterpart for this kind of "
                        "target."));
  lstTargets->setItem(row, tcImage, item);
  if (!aTarget.Converted)
    return;
  SetTargetText(row, tcOldTarget, aTarget.OldTarget);
  SetTargetText(row, tcNewTarget, aTarget.NewTarget);
}

void TMainform::TargetRowsCounted(int32_t aTarget, int32_t aCount) {
  if (aTarget < 0 || aTarget >= lstTargets->rowCount())
    return;
  SetTargetText(aTarget, tcRows, IntToText(aCount));
}

void TMainform::SetTargetText(int aRow, int aColumn, std::u16string_view aText) {
  auto* item = new QTableWidgetItem(ToQString(aText));
  if (aColumn == tcRows)
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  else
    item->setToolTip(item->text()); // a long path is cut by the column
  lstTargets->setItem(aRow, aColumn, item);
}

std::optional<std::u16string> TMainform::AskOutputPath(const std::u16string& aProposal) {
  return ToU16(fSaveFileChooser->Execute(this, QString::fromStdU16String(aProposal)));
}

uint32_t TMainform::TickCount() {
  return SteadyTickCount();
}

void TMainform::ProcessMessages() {
  RepaintIfDue(false);
}

// A stage that starts is shown at once: before a large file loads, the window has to lose the
// image of the dialog that was just closed and show what it is doing.
void TMainform::ShowProgress(TRunStage, int64_t aDone, int64_t) {
  RepaintIfDue(aDone == 0);
}

void TMainform::RepaintIfDue(bool aNow) {
  if (!aNow && fSinceRepaint.isValid() && fSinceRepaint.elapsed() < RepaintIntervalMs)
    return;
  QApplication::processEvents();
  fSinceRepaint.start();
}

std::optional<QString> ProjectOfArguments(const QStringList& aArguments) {
  if (aArguments.size() < 2)
    return std::nullopt;
  return QFileInfo(aArguments[1]).absoluteFilePath();
}

} // namespace vui
