#include "vui/uMainForm.h"

#include "vpresenter/uMainLayout.h"
#include "vpresenter/uMainTexts.h"
#include "vui/uRowsForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace vui {

namespace {

QString ToQString(std::u16string_view aText) {
  return QStringView(aText).toString();
}

std::u16string Joined(const std::vector<std::u16string>& aLines) {
  std::u16string text;
  for (const std::u16string& line : aLines) {
    if (!text.empty())
      text += u'\n';
    text += line;
  }
  return text;
}

// The caption shows without its "&"; Alt with the underlined letter presses the button.
QPushButton* CreateButton(const QString& aName, const std::u16string& aCaption, TRect96 aRect,
                          QWidget* aParent) {
  auto* button = new QPushButton(ToQString(aCaption), aParent);
  button->setObjectName(aName);
  button->setGeometry(aRect.Left, aRect.Top, aRect.Width, aRect.Height);
  // Outside a dialog a button answers only Space; Enter is what people press.
  button->setAutoDefault(true);
  return button;
}

// Both images drawn the same on a selected row: the style's tinted version of a small mark
// on the highlight colour cannot be read.
QIcon ListImage(const QString& aFile) {
  QIcon icon;
  for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Selected})
    icon.addFile(aFile, QSize(ListImageSize, ListImageSize), mode);
  return icon;
}

// Rows are selected whole, and so the focus marks the whole current row, not one cell of it
// that may be empty beside an image; a row that has the focus without being selected shows it.
class TRowFocusDelegate : public QStyledItemDelegate {
public:
  explicit TRowFocusDelegate(QAbstractItemView* aView) : QStyledItemDelegate(aView), fView(aView) {}

protected:
  void initStyleOption(QStyleOptionViewItem* aOption, const QModelIndex& aIndex) const override {
    QStyledItemDelegate::initStyleOption(aOption, aIndex);
    aOption->state.setFlag(QStyle::State_HasFocus,
                           fView->hasFocus() && aIndex.row() == fView->currentIndex().row());
  }

private:
  QAbstractItemView* fView;
};

// A list of whole rows that are read, not edited, with one caption a column.
template <std::size_t Columns>
QTableWidget* CreateRowList(const QString& aName,
                            const std::array<std::u16string_view, Columns>& aCaptions,
                            QWidget* aParent) {
  auto* list = new QTableWidget(0, static_cast<int>(Columns), aParent);
  list->setObjectName(aName);
  QStringList captions;
  for (const std::u16string_view caption : aCaptions)
    captions << ToQString(caption);
  list->setHorizontalHeaderLabels(captions);
  list->verticalHeader()->hide();
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setIconSize(QSize(ListImageSize, ListImageSize));
  list->setWordWrap(false);
  list->setItemDelegate(new TRowFocusDelegate(list));
  // The view repaints the current cell only; the row's other cells show the focus too.
  QObject::connect(list->selectionModel(), &QItemSelectionModel::currentRowChanged,
                   list->viewport(), qOverload<>(&QWidget::update));
  // Tab moves on to the next control instead of from cell to cell.
  list->setTabKeyNavigation(false);
  return list;
}

// The local files among dropped ones; the presenter picks what it takes.
std::vector<std::u16string> DroppedFiles(const QMimeData* aData) {
  std::vector<std::u16string> files;
  if (!aData || !aData->hasUrls())
    return files;
  for (const QUrl& url : aData->urls())
    if (url.isLocalFile())
      files.push_back(url.toLocalFile().toStdU16String());
  return files;
}

} // namespace

TMainform::TMainform(QWidget* aParent)
    : QWidget(aParent), ImageList1{ListImage(QStringLiteral(":/images/check.svg")),
                                   ListImage(QStringLiteral(":/images/cross.svg"))},
      fDesktop(CreateQtDesktop(*this)), fPresenter(*this) {
  setObjectName(QStringLiteral("Mainform"));
  setWindowTitle(ToQString(WindowCaption));
  resize(ClientWidth, ClientHeight);
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
  setTabOrder(btnHelp, btnConvertFolder);
}

// The run's thread goes before the controls it tells about.
TMainform::~TMainform() {
  fPresenter.AbandonRun();
}

void TMainform::CreateTopPanel() {
  pnlTop = new QWidget(this);
  pnlTop->setObjectName(QStringLiteral("pnlTop"));
  pnlTop->setFixedHeight(TopPanelHeight);

  btnConvert = CreateButton(QStringLiteral("btnConvert"), WithAccelerator(ConvertCaption),
                            ConvertButtonRect, pnlTop);
  btnConvert->setIcon(QIcon(QStringLiteral(":/images/convert.svg")));
  btnConvert->setIconSize(QSize(ButtonImageSize, ButtonImageSize));
  connect(btnConvert, &QPushButton::clicked, this, &TMainform::Button1Click);

  btnHelp =
      CreateButton(QStringLiteral("btnHelp"), WithAccelerator(HelpCaption), HelpButtonRect, pnlTop);
  connect(btnHelp, &QPushButton::clicked, this, &TMainform::btnHelpClick);

  btnConvertFolder = CreateButton(QStringLiteral("btnConvertFolder"),
                                  WithAccelerator(ConvertFolderCaption, ConvertFolderAccelerator),
                                  ConvertFolderButtonRect, pnlTop);
  connect(btnConvertFolder, &QPushButton::clicked, this,
          [this] { fPresenter.ConvertFolderClicked(); });

  barProgress = new QProgressBar(pnlTop);
  barProgress->setObjectName(QStringLiteral("barProgress"));
  barProgress->setTextVisible(false);
  barProgress->setFixedHeight(ProgressBarRect.Height);
  barProgress->hide();
  // The buttons keep their places; only the bar follows the panel's width.
  auto* layout = new QVBoxLayout(pnlTop);
  layout->setContentsMargins(ProgressBarRect.Left, ProgressBarRect.Top, ProgressBarRect.Left,
                             TopPanelHeight - ProgressBarRect.Top - ProgressBarRect.Height);
  layout->addWidget(barProgress);
}

// Laid out by LayOutPage, which fits the summary to the page's width.
void TMainform::CreateSummary() {
  pnlSummary = new QWidget(shtLog);
  pnlSummary->setObjectName(QStringLiteral("pnlSummary"));
  lblSummary = new QLabel(pnlSummary);
  lblSummary->setObjectName(QStringLiteral("lblSummary"));
  // Paths and texts from the project must not be read as markup; the path can be copied.
  lblSummary->setTextFormat(Qt::PlainText);
  lblSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblSummary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  btnSaveAs = CreateSummaryButton(WithAccelerator(SaveAsCaption), QStringLiteral("btnSaveAs"),
                                  &TMainPresenter::SaveAsClicked);
  btnShowRows = CreateSummaryButton(ShowDroppedRowsCaption, QStringLiteral("btnShowRows"),
                                    &TMainPresenter::ShowDroppedRowsClicked);
  btnSaveReport = CreateSummaryButton(SaveReportCaption, QStringLiteral("btnSaveReport"),
                                      &TMainPresenter::SaveReportClicked);
  pnlSummary->hide();
}

// Hidden until a summary offers it.
QPushButton* TMainform::CreateSummaryButton(std::u16string_view aCaption, const QString& aName,
                                            void (TMainPresenter::*aClicked)()) {
  auto* button = new QPushButton(ToQString(aCaption), pnlSummary);
  button->setObjectName(aName);
  button->hide();
  connect(button, &QPushButton::clicked, this, [this, aClicked] { (fPresenter.*aClicked)(); });
  return button;
}

void TMainform::CreateLogPage() {
  pgcMain = new QTabWidget(this);
  pgcMain->setObjectName(QStringLiteral("pgcMain"));
  shtLog = new QWidget;
  shtLog->setObjectName(QStringLiteral("shtLog"));
  pgcMain->addTab(shtLog, ToQString(LogPageCaption));

  lstTargets = CreateRowList(QStringLiteral("lstTargets"), TargetColumnCaptions, shtLog);
  SetUpTargetColumns();
  lstTargets->verticalHeader()->setDefaultSectionSize(lstTargets->fontMetrics().height() + 6);
  lstTargets->setShowGrid(true);
  lstTargets->installEventFilter(this);

  memLog = new QPlainTextEdit(shtLog);
  memLog->setObjectName(QStringLiteral("memLog"));
  memLog->setReadOnly(true);
  memLog->setLineWrapMode(QPlainTextEdit::NoWrap);
  memLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memLog->setTabChangesFocus(true);
  // A project dropped on the log goes to the window, not into the text.
  memLog->setAcceptDrops(false);
  // The log indents with TABs; Qt's default stop of 80 pixels spreads it too wide.
  memLog->setTabStopDistance(4 * memLog->fontMetrics().averageCharWidth());

  CreateSummary();
  CreateProjectList();
  shtLog->installEventFilter(this);
}

void TMainform::LayOutPage() {
  const int width = shtLog->width();
  const TSummaryLayout summary = SummaryLayout(width);
  const TPageHeights heights = PageHeights(shtLog->height(), summary.Height, LogHeight,
                                           lstProjects->isHidden() ? 0 : ProjectListHeight);
  lstProjects->setGeometry(0, 0, width, heights.Projects);
  const int targetsTop = heights.Projects;
  lstTargets->setGeometry(0, targetsTop, width, heights.List);
  pnlSummary->setGeometry(0, targetsTop + heights.List, width, heights.Summary);
  memLog->setGeometry(0, targetsTop + heights.List + heights.Summary, width, heights.Log);
  const auto rect = [](const TPixelRect& aRect) {
    return QRect(aRect.Left, aRect.Top, aRect.Width, aRect.Height);
  };
  lblSummary->setGeometry(rect(summary.Text));
  auto place = summary.Buttons.begin();
  for (const auto& [button, offered] : SummaryButtons())
    if (offered && place != summary.Buttons.end())
      button->setGeometry(rect(*place++));
  // A new text only where the lines changed, so that a resize keeps a selection.
  const QString text = ToQString(Joined(summary.Lines));
  if (text != lblSummary->text())
    lblSummary->setText(text);
  lblSummary->setToolTip(summary.Cut ? ToQString(Joined(fSummary.Lines)) : QString());
}

TSummaryLayout TMainform::SummaryLayout(int aWidth) const {
  const QFontMetrics font = lblSummary->fontMetrics();
  TSummaryMetrics metrics;
  metrics.Width = aWidth;
  metrics.LineHeight = font.lineSpacing();
  metrics.Spacing = SummarySpacing;
  // A button's size hint is its caption measured in its font, with the style's frame around.
  for (const auto& [button, offered] : SummaryButtons()) {
    const QSize size = button->sizeHint();
    metrics.ButtonHeight = std::max(metrics.ButtonHeight, size.height());
    if (offered)
      metrics.ButtonWidths.push_back(size.width());
  }
  return LayOutSummary(fSummary.Lines, metrics, [&font](std::u16string_view aText) {
    return font.horizontalAdvance(ToQString(aText));
  });
}

std::array<std::pair<QPushButton*, bool>, 3> TMainform::SummaryButtons() const {
  return {{{btnSaveAs, fSummary.OffersSaveAs},
           {btnShowRows, fSummary.OffersDroppedRows},
           {btnSaveReport, fSummary.OffersReport}}};
}

void TMainform::CreateProjectList() {
  lstProjects = CreateRowList(QStringLiteral("lstProjects"), ProjectColumnCaptions, shtLog);
  // The style may draw captions wider than the shared widths allow for.
  QHeaderView* header = lstProjects->horizontalHeader();
  for (int column = pcProject; column < pcCount; ++column)
    header->resizeSection(column, std::max(ProjectColumnWidths[static_cast<std::size_t>(column)],
                                           header->sectionSizeHint(column)));
  header->setStretchLastSection(true);
  // A project's file name is what tells it from the others.
  lstProjects->setTextElideMode(Qt::ElideMiddle);
  lstProjects->installEventFilter(this);
  // A click on the row that is current already still shows it: it may have become current
  // during the run, when the presenter does not yet show a project.
  connect(lstProjects, &QTableWidget::currentCellChanged, this,
          [this](int aRow) { fPresenter.ProjectSelected(aRow); });
  connect(lstProjects, &QTableWidget::cellClicked, this,
          [this](int aRow) { fPresenter.ProjectSelected(aRow); });
  lstProjects->hide();
}

void TMainform::SetUpTargetColumns() {
  lstTargets->horizontalHeaderItem(tcRows)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  for (int column = tcImage; column < tcRows; ++column)
    lstTargets->horizontalHeaderItem(column)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  QHeaderView* header = lstTargets->horizontalHeader();
  header->setMinimumSectionSize(ImageColumnWidth);
  header->setStretchLastSection(false);
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setSectionResizeMode(tcImage, QHeaderView::Fixed);
  header->resizeSection(tcImage, ImageColumnWidth);
  header->resizeSection(tcRows, RowsColumnWidth);
  header->setHighlightSections(false);
  connect(header, &QHeaderView::sectionResized, this,
          [this](int aColumn, int, int) { TargetColumnResized(aColumn); });
  lstTargets->viewport()->installEventFilter(this);
}

// Only the user and a count that widens "Rows" resize a column besides the sharing.
void TMainform::TargetColumnResized(int aColumn) {
  if (fSharingFreeWidth)
    return;
  fPresenter.ColumnSizedByUser(static_cast<TTargetColumn>(aColumn));
  ShareFreeWidth();
}

void TMainform::ShareFreeWidth() {
  QHeaderView* header = lstTargets->horizontalHeader();
  const std::optional<TTargetColumnWidths> widths = fPresenter.TargetColumnWidths(
      lstTargets->viewport()->width() - header->sectionSize(tcImage) - header->sectionSize(tcRows));
  if (!widths)
    return;
  const QScopedValueRollback sharing(fSharingFreeWidth, true);
  header->resizeSection(tcOldTarget, widths->OldTarget);
  header->resizeSection(tcNewTarget, widths->NewTarget);
}

bool TMainform::eventFilter(QObject* aWatched, QEvent* aEvent) {
  if (aWatched == lstTargets->viewport() && aEvent->type() == QEvent::Resize)
    ShareFreeWidth();
  if (aWatched == shtLog && aEvent->type() == QEvent::Resize)
    LayOutPage();
  if ((aWatched == lstTargets || aWatched == lstProjects) &&
      (aEvent->type() == QEvent::FocusIn || aEvent->type() == QEvent::FocusOut))
    static_cast<QAbstractItemView*>(aWatched)->viewport()->update();
  return QWidget::eventFilter(aWatched, aEvent);
}

void TMainform::Button1Click() {
  fPresenter.ConvertClicked();
}

void TMainform::btnHelpClick() {
  fPresenter.HelpClicked();
}

void TMainform::ReportException(std::exception_ptr aError) {
  fPresenter.ReportException(aError);
}

void TMainform::ConvertProject(const QString& aPath) {
  fPresenter.ConvertProject(aPath.toStdU16String());
}

void TMainform::ConvertProjectLater(const QString& aPath) {
  fPresenter.ConvertProjectLater(aPath.toStdU16String());
}

void TMainform::closeEvent(QCloseEvent* aEvent) {
  if (!fPresenter.CloseRequested()) {
    aEvent->ignore();
    return;
  }
  QWidget::closeEvent(aEvent);
}

void TMainform::dragEnterEvent(QDragEnterEvent* aEvent) {
  if (fPresenter.AcceptsDrop(DroppedFiles(aEvent->mimeData())))
    aEvent->acceptProposedAction();
}

void TMainform::dropEvent(QDropEvent* aEvent) {
  if (fPresenter.FilesDropped(DroppedFiles(aEvent->mimeData())))
    aEvent->acceptProposedAction();
}

void TMainform::SetDesktop(std::unique_ptr<IDesktop> aDesktop) {
  fDesktop = std::move(aDesktop);
}

void TMainform::ClearLog() {
  memLog->clear();
}

void TMainform::AddLogLine(std::u16string_view aLine) {
  memLog->appendPlainText(ToQString(aLine));
}

void TMainform::ClearTargets() {
  lstTargets->setRowCount(0);
}

void TMainform::AddTargetRow(const TTargetRow& aRow) {
  const int row = lstTargets->rowCount();
  lstTargets->insertRow(row);
  // The image column always has an item, whose icon is the row's image.
  auto* item = new QTableWidgetItem(ToQString(aRow.Number.Text));
  item->setIcon(ImageList1[aRow.Image]);
  item->setToolTip(ToQString(aRow.Number.Hint));
  lstTargets->setItem(row, tcImage, item);
  SetTargetCell(row, tcOldTarget, aRow.OldTarget);
  SetTargetCell(row, tcNewTarget, aRow.NewTarget);
  SetTargetCell(row, tcRows, aRow.Rows);
}

void TMainform::SetTargetRowCount(int32_t aRow, const TTargetCell& aCount) {
  SetTargetCell(aRow, tcRows, aCount);
  lstTargets->item(aRow, tcRows)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // A count wider than the column widens it rather than being cut.
  const int needed = lstTargets->sizeHintForIndex(lstTargets->model()->index(aRow, tcRows)).width();
  QHeaderView* header = lstTargets->horizontalHeader();
  if (needed > header->sectionSize(tcRows))
    header->resizeSection(tcRows, needed);
}

void TMainform::ShowProjectList(bool aShown) {
  if (!aShown)
    lstProjects->setRowCount(0);
  lstProjects->setVisible(aShown);
  LayOutPage();
}

void TMainform::SetProjectRow(int32_t aRow, const TProjectRow& aProject) {
  if (aRow == lstProjects->rowCount())
    lstProjects->insertRow(aRow);
  for (int column = 0; column < pcCount; ++column) {
    auto* item =
        new QTableWidgetItem(ToQString(aProject.Cells.at(static_cast<std::size_t>(column))));
    item->setToolTip(ToQString(aProject.Hint));
    if (column == pcProject)
      item->setIcon(ImageList1.at(static_cast<std::size_t>(aProject.Image)));
    lstProjects->setItem(aRow, column, item);
  }
}

void TMainform::ShowSummary(const TSummary& aSummary) {
  fSummary = aSummary;
  LayOutPage();
  for (const auto& [button, offered] : SummaryButtons())
    button->setVisible(offered);
  pnlSummary->setVisible(!aSummary.Lines.empty());
}

void TMainform::ShowRowsWindow(TRowsWindow aWindow) {
  // Modal without a loop of its own: the call returns at once; the form goes when it is closed.
  auto* form = new TRowsForm(this, std::move(aWindow), [this] { fPresenter.SaveReportClicked(); });
  form->open();
}

void TMainform::ShowProgressBar(std::optional<int32_t> aPercent) {
  if (aPercent)
    barProgress->setValue(*aPercent);
  barProgress->setVisible(aPercent.has_value());
}

void TMainform::SetTargetCell(int aRow, int aColumn, const TTargetCell& aCell) {
  if (aCell.Text.empty() && aCell.Hint.empty())
    return;
  auto* item = new QTableWidgetItem(ToQString(aCell.Text));
  item->setToolTip(ToQString(aCell.Hint));
  lstTargets->setItem(aRow, aColumn, item);
}

void TMainform::SetConvertEnabled(bool aEnabled) {
  btnConvert->setEnabled(aEnabled);
}

TMainControl TMainform::FocusedControl() const {
  const QWidget* focused = focusWidget();
  if (!focused)
    return TMainControl::mcNone;
  if (focused == btnConvert)
    return TMainControl::mcConvert;
  if (focused == btnHelp)
    return TMainControl::mcHelp;
  if (focused == lstTargets)
    return TMainControl::mcTargets;
  if (focused == memLog)
    return TMainControl::mcLog;
  return TMainControl::mcOther;
}

void TMainform::FocusConvert() {
  btnConvert->setFocus();
}

void TMainform::ShowConvertAsStop(bool aStop) {
  btnConvert->setText(ToQString(aStop ? StopCaption : ConvertCaption));
}

void TMainform::RunLater(std::function<void()> aAction) {
  QTimer::singleShot(0, this, std::move(aAction));
}

void TMainform::RunAfter(uint32_t aMilliseconds, std::function<void()> aAction) {
  QTimer::singleShot(static_cast<int>(aMilliseconds), this, std::move(aAction));
}

// Queued to the window's thread from the run's: Qt's posted events are safe from any thread.
void TMainform::PostRunEvents() {
  QMetaObject::invokeMethod(
      this, [this] { fPresenter.HandleRunEvents(); }, Qt::QueuedConnection);
}

IDesktop& TMainform::Desktop() {
  return *fDesktop;
}

void TMainform::Close() {
  close();
}

} // namespace vui
