// The rows window in Qt: the rows of the last run that were not carried over, in a list over the
// presenter's cells that draws only the rows in sight, so that it opens at once for any count.
#pragma once

#include "vpresenter/uRowsWindow.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <cstddef>
#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTableView;

namespace vui {

// The rows as the list shows them: the presenter's cells in an order of their own, which a
// click on a column's header changes.
class TRowsModel : public QAbstractTableModel {
  Q_OBJECT

public:
  explicit TRowsModel(TRowsWindow aWindow, QObject* aParent = nullptr);

  int rowCount(const QModelIndex& aParent = {}) const override;
  int columnCount(const QModelIndex& aParent = {}) const override;
  QVariant data(const QModelIndex& aIndex, int aRole) const override;
  QVariant headerData(int aSection, Qt::Orientation aOrientation, int aRole) const override;
  // A column below 0 brings back the rows' own order.
  void sort(int aColumn, Qt::SortOrder aOrder) override;

  // The presenter's rows aRows of the list (in any order), as the clipboard takes them.
  QString Text(std::vector<int> aRows) const;

private:
  TRowsWindow fWindow;
  // The index in fWindow.Rows of each row of the list.
  std::vector<std::size_t> fOrder;
};

class TRowsForm : public QDialog {
  Q_OBJECT

public:
  // Opens over aOwner, which it keeps from input while it is open; aSaveReport is the summary's
  // "Save report...".
  TRowsForm(QWidget* aOwner, TRowsWindow aWindow, std::function<void()> aSaveReport);

  // The selected rows to the clipboard, a tab-separated line each, in the list's order.
  void CopySelection();

  QLabel* RowsLabel;
  QTableView* RowsList;
  QPushButton* CopyButton;
  QPushButton* SaveReportButton;
  QPushButton* CloseButton;

private:
  void CreateList(TRowsWindow aWindow);
  void CreateButtons(std::function<void()> aSaveReport);
  // The design's size, or the screen's available area when that is smaller, centred on aOwner.
  void Place(const QWidget& aOwner);

  TRowsModel* fModel = nullptr;
};

} // namespace vui
