#include "vui/uRowsForm.h"

#include "vpresenter/uMainLayout.h"
#include "vpresenter/uMainTexts.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <numeric>

namespace vui {

namespace {

QString ToQ(std::u16string_view aText) {
  return QStringView(aText).toString();
}

TScreenRect ScreenRect(const QRect& aRect) {
  return {aRect.left(), aRect.top(), aRect.width(), aRect.height()};
}

} // namespace

TRowsModel::TRowsModel(TRowsWindow aWindow, QObject* aParent)
    : QAbstractTableModel(aParent), fWindow(std::move(aWindow)), fOrder(fWindow.Rows.size()) {
  std::iota(fOrder.begin(), fOrder.end(), std::size_t{0});
}

int TRowsModel::rowCount(const QModelIndex& aParent) const {
  return aParent.isValid() ? 0 : static_cast<int>(fOrder.size());
}

int TRowsModel::columnCount(const QModelIndex& aParent) const {
  return aParent.isValid() ? 0 : rcCount;
}

QVariant TRowsModel::data(const QModelIndex& aIndex, int aRole) const {
  // A long path or text is cut by its column; the tooltip shows it whole.
  if (!aIndex.isValid() || (aRole != Qt::DisplayRole && aRole != Qt::ToolTipRole))
    return {};
  return ToQ(fWindow.Rows[fOrder[static_cast<std::size_t>(aIndex.row())]][aIndex.column()]);
}

QVariant TRowsModel::headerData(int aSection, Qt::Orientation aOrientation, int aRole) const {
  if (aOrientation != Qt::Horizontal || aRole != Qt::DisplayRole || aSection < 0 ||
      aSection >= rcCount)
    return {};
  return ToQ(fWindow.Captions[static_cast<std::size_t>(aSection)]);
}

void TRowsModel::sort(int aColumn, Qt::SortOrder aOrder) {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const std::vector<std::size_t> oldOrder = fOrder;
  if (aColumn < 0 || aColumn >= rcCount)
    std::iota(fOrder.begin(), fOrder.end(), std::size_t{0});
  else
    fOrder =
        SortedRows(fWindow.Rows, static_cast<TRowsColumn>(aColumn), aOrder == Qt::AscendingOrder);
  // The selection and the current row follow their rows to their new places.
  std::vector<int> newRowOf(fOrder.size());
  for (std::size_t row = 0; row < fOrder.size(); ++row)
    newRowOf[fOrder[row]] = static_cast<int>(row);
  for (const QModelIndex& index : persistentIndexList())
    changePersistentIndex(
        index,
        createIndex(newRowOf[oldOrder[static_cast<std::size_t>(index.row())]], index.column()));
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QString TRowsModel::Text(std::vector<int> aRows) const {
  std::sort(aRows.begin(), aRows.end());
  std::vector<std::size_t> indices;
  indices.reserve(aRows.size());
  for (const int row : aRows)
    indices.push_back(fOrder[static_cast<std::size_t>(row)]);
  return ToQ(RowsText(fWindow.Rows, indices, u"\n"));
}

TRowsForm::TRowsForm(QWidget* aOwner, TRowsWindow aWindow, std::function<void()> aSaveReport)
    : QDialog(aOwner) {
  setObjectName(QStringLiteral("RowsForm"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(ToQ(aWindow.Title));
  setSizeGripEnabled(true);
  QStringList lines;
  for (const std::u16string& line : aWindow.Lines)
    lines << ToQ(line);
  RowsLabel = new QLabel(lines.join(u'\n'), this);
  RowsLabel->setObjectName(QStringLiteral("RowsLabel"));
  RowsLabel->setTextFormat(Qt::PlainText);
  RowsLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  CreateList(std::move(aWindow));
  CreateButtons(std::move(aSaveReport));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(CopyButton);
  buttons->addWidget(SaveReportButton);
  buttons->addStretch(1);
  buttons->addWidget(CloseButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(RowsLabel);
  layout->addWidget(RowsList, 1);
  layout->addLayout(buttons);
  Place(*aOwner);
  RowsList->setFocus();
}

void TRowsForm::CreateList(TRowsWindow aWindow) {
  RowsList = new QTableView(this);
  RowsList->setObjectName(QStringLiteral("RowsList"));
  fModel = new TRowsModel(std::move(aWindow), RowsList);
  RowsList->setModel(fModel);
  RowsList->setSelectionBehavior(QAbstractItemView::SelectRows);
  RowsList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  RowsList->setWordWrap(false);
  RowsList->setAlternatingRowColors(true);
  // Rows of one height, never measured one by one: the list costs the same for any count.
  QHeaderView* rows = RowsList->verticalHeader();
  rows->hide();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(RowsList->fontMetrics().height() + 6);
  QHeaderView* columns = RowsList->horizontalHeader();
  for (int column = 0; column < rcCount; ++column)
    columns->resizeSection(column, RowsColumnWidths[static_cast<std::size_t>(column)]);
  columns->setStretchLastSection(true);
  // The list opens in the run's order; a click on a header sorts by that column.
  columns->setSortIndicator(-1, Qt::AscendingOrder);
  columns->setSortIndicatorClearable(true);
  RowsList->setSortingEnabled(true);
}

void TRowsForm::CreateButtons(std::function<void()> aSaveReport) {
  auto* copy = new QAction(ToQ(CopyRowsCaption), RowsList);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(copy, &QAction::triggered, this, &TRowsForm::CopySelection);
  RowsList->addAction(copy);
  RowsList->setContextMenuPolicy(Qt::ActionsContextMenu);
  CopyButton = new QPushButton(ToQ(CopyRowsCaption), this);
  CopyButton->setObjectName(QStringLiteral("CopyButton"));
  connect(CopyButton, &QPushButton::clicked, this, &TRowsForm::CopySelection);
  SaveReportButton = new QPushButton(ToQ(SaveReportCaption), this);
  SaveReportButton->setObjectName(QStringLiteral("SaveReportButton"));
  connect(SaveReportButton, &QPushButton::clicked, this, std::move(aSaveReport));
  CloseButton = new QPushButton(ToQ(CloseRowsCaption), this);
  CloseButton->setObjectName(QStringLiteral("CloseButton"));
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::close);
  for (QPushButton* button : {CopyButton, SaveReportButton, CloseButton})
    button->setAutoDefault(false);
}

void TRowsForm::Place(const QWidget& aOwner) {
  const QRect owner = aOwner.frameGeometry();
  // Not yet shown, this window's frame is unknown: its owner's, drawn alike, stands in for it.
  const QSize frame = owner.size() - aOwner.geometry().size();
  const TScreenRect placed =
      CentredWithin(RowsWindowWidth + frame.width(), RowsWindowHeight + frame.height(),
                    ScreenRect(owner), ScreenRect(aOwner.screen()->availableGeometry()));
  const QPoint clientOffset = aOwner.geometry().topLeft() - owner.topLeft();
  setMinimumSize(std::min(RowsWindowMinimumWidth, placed.Width - frame.width()),
                 std::min(RowsWindowMinimumHeight, placed.Height - frame.height()));
  setGeometry(placed.Left + clientOffset.x(), placed.Top + clientOffset.y(),
              placed.Width - frame.width(), placed.Height - frame.height());
}

void TRowsForm::CopySelection() {
  std::vector<int> rows;
  for (const QModelIndex& index : RowsList->selectionModel()->selectedRows())
    rows.push_back(index.row());
  QGuiApplication::clipboard()->setText(fModel->Text(std::move(rows)));
}

} // namespace vui
