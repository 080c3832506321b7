#include "uMainForm.h"

#include "uApplication.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBlock>
#include <QVBoxLayout>

namespace vui {

using vconvert::SteadyTickCount;

const char* const HelpPageUrl = "https://www.vornalex.com/system/jumper.php?page=en.app.vlp5tovxp";

namespace {

enum TTargetColumn { tcImage, tcOldTarget, tcNewTarget, tcRows, tcCount };

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
  return button;
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
    : QWidget(aParent), ImageList1{QIcon(QStringLiteral(":/images/check.svg")),
                                   QIcon(QStringLiteral(":/images/cross.svg"))},
      fRun(*this), fOpenFileChooser(CreateDesktopOpenFileChooser()),
      fSaveFileChooser(CreateDesktopSaveFileChooser()), fUrlOpener(CreateDesktopUrlOpener()),
      fErrorPresenter(CreateDesktopErrorPresenter()) {
  setObjectName(QStringLiteral("Mainform"));
  setWindowTitle(QStringLiteral("Convert VLP (Vornalex 5 project) to VXP (new Vornalex project)"));
  resize(854, 562);

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
  connect(btnConvert, &QPushButton::clicked, this, &TMainform::ConvertClicked);

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
  lstTargets->horizontalHeaderItem(tcRows)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  for (int column = tcImage; column < tcRows; ++column)
    lstTargets->horizontalHeaderItem(column)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  QHeaderView* header = lstTargets->horizontalHeader();
  header->setSectionResizeMode(tcImage, QHeaderView::Fixed);
  header->setSectionResizeMode(tcOldTarget, QHeaderView::Stretch);
  header->setSectionResizeMode(tcNewTarget, QHeaderView::Stretch);
  header->setSectionResizeMode(tcRows, QHeaderView::Fixed);
  header->resizeSection(tcImage, 32);
  header->resizeSection(tcRows, 50);
  header->setHighlightSections(false);
  lstTargets->verticalHeader()->hide();
  lstTargets->verticalHeader()->setDefaultSectionSize(lstTargets->fontMetrics().height() + 6);
  lstTargets->setShowGrid(true);
  lstTargets->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstTargets->setSelectionBehavior(QAbstractItemView::SelectRows);
  lstTargets->setSelectionMode(QAbstractItemView::SingleSelection);
  lstTargets->setIconSize(QSize(16, 16));
  lstTargets->setWordWrap(false);

  memLog = new QPlainTextEdit(shtLog);
  memLog->setObjectName(QStringLiteral("memLog"));
  memLog->setFixedHeight(95);
  memLog->setReadOnly(true);
  memLog->setLineWrapMode(QPlainTextEdit::NoWrap);
  memLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // The log indents with TABs; Qt's default stop of 80 pixels spreads it too wide.
  memLog->setTabStopDistance(4 * memLog->fontMetrics().averageCharWidth());

  auto* layout = new QVBoxLayout(shtLog);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(lstTargets, 1);
  layout->addWidget(memLog);
}

void TMainform::Button1Click() {
  TRunScope scope(fConverting, btnConvert);
  fRun.Execute();
}

void TMainform::btnHelpClick() {
  fUrlOpener->Open(this, QUrl(QString::fromLatin1(HelpPageUrl)));
}

void TMainform::ConvertClicked() {
  try {
    Button1Click();
  } catch (...) {
    ReportException(std::current_exception());
  }
  // A close that arrived while the run processed messages waited for the run to end.
  if (fCloseRequested)
    close();
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

std::optional<std::u16string> TMainform::AskOldProjectPath() {
  return ToU16(fOpenFileChooser->Execute(this));
}

void TMainform::ClearLog() {
  memLog->clear();
}

void TMainform::AddLogLine(std::u16string_view aLine) {
  memLog->appendPlainText(SingleLine(aLine));
}

void TMainform::ClearTargetList() {
  lstTargets->setRowCount(0);
}

void TMainform::AddTargetRow(int32_t aImageIndex, std::u16string_view aCaption) {
  const int row = lstTargets->rowCount();
  lstTargets->insertRow(row);
  auto* item = new QTableWidgetItem(ToQString(aCaption));
  if (aImageIndex >= 0 && aImageIndex < static_cast<int32_t>(ImageList1.size()))
    item->setIcon(ImageList1[static_cast<size_t>(aImageIndex)]);
  lstTargets->setItem(row, tcImage, item);
}

void TMainform::AddTargetSubItem(int32_t aRow, std::u16string_view aText) {
  if (aRow < 0 || aRow >= lstTargets->rowCount())
    return;
  // Sub-items fill the columns after the image column in the order they arrive.
  int column = tcOldTarget;
  while (column < tcCount && lstTargets->item(aRow, column))
    ++column;
  if (column == tcCount)
    return;
  auto* item = new QTableWidgetItem(ToQString(aText));
  if (column == tcRows)
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lstTargets->setItem(aRow, column, item);
}

int32_t TMainform::TargetRowCount() const {
  return lstTargets->rowCount();
}

std::optional<std::u16string> TMainform::AskOutputPath(const std::u16string& aProposal) {
  return ToU16(fSaveFileChooser->Execute(this, QString::fromStdU16String(aProposal)));
}

uint32_t TMainform::TickCount() {
  return SteadyTickCount();
}

void TMainform::ProcessMessages() {
  QApplication::processEvents();
}

} // namespace vui
