// The program's one window in Qt: a view over the window's presenter, which decides what the
// buttons, the list, the log, a drop and a close do. The window lays out its controls, hands
// their events to the presenter and shows what the presenter tells it.
#pragma once

#include "vpresenter/uMainLayout.h"
#include "vpresenter/uMainPresenter.h"
#include "vpresenter/uMainView.h"
#include "vui/uDesktopServices.h"

#include <QIcon>
#include <QWidget>
#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <utility>

class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace vui {

class TMainform : public QWidget, public IMainView {
  Q_OBJECT

public:
  static constexpr QSize MinimumSize{MinimumWidth, MinimumHeight};

  explicit TMainform(QWidget* aParent = nullptr);
  ~TMainform() override;

  // "Convert...": the conversion run; a failure is shown in the error box.
  void Button1Click();
  void btnHelpClick();

  // Shows the exception in the error box; the window stays usable.
  void ReportException(std::exception_ptr aError);

  // Converts aPath as if it had been chosen in the open dialog; nothing while a run is going.
  void ConvertProject(const QString& aPath);
  // The same, once the event loop runs (for a project named on the command line).
  void ConvertProjectLater(const QString& aPath);

  // Tests answer the dialogs and catch the browser and the boxes through this.
  void SetDesktop(std::unique_ptr<IDesktop> aDesktop);

  // The presenter is the conversion run's host; tests feed it run events directly.
  TMainPresenter& Presenter() { return fPresenter; }

  QWidget* pnlTop;
  QPushButton* btnConvert;
  QPushButton* btnHelp;
  // Converts every project below a folder.
  QPushButton* btnConvertFolder;
  QTabWidget* pgcMain;
  QWidget* shtLog;
  // The projects of a run of several, above the targets; hidden otherwise.
  QTableWidget* lstProjects;
  QTableWidget* lstTargets;
  // What the last run did, under the list, and the buttons it offers; hidden before the first
  // run. Where a line is cut to fit, the summary's tooltip holds it whole.
  QWidget* pnlSummary;
  QLabel* lblSummary;
  QPushButton* btnSaveAs;
  QPushButton* btnShowRows;
  QPushButton* btnSaveReport;
  QPlainTextEdit* memLog;
  // A thin bar at the foot of the top panel while a run loads, converts, saves and checks.
  QProgressBar* barProgress;
  // Image 0 marks a converted target, image 1 one that cannot be converted.
  const std::array<QIcon, 2> ImageList1;

protected:
  void closeEvent(QCloseEvent* aEvent) override;
  void dragEnterEvent(QDragEnterEvent* aEvent) override;
  void dropEvent(QDropEvent* aEvent) override;
  bool eventFilter(QObject* aWatched, QEvent* aEvent) override;

private:
  // IMainView: the presenter reaches these through the interface only.
  void ClearLog() override;
  void AddLogLine(std::u16string_view aLine) override;
  void ClearTargets() override;
  void AddTargetRow(const TTargetRow& aRow) override;
  void SetTargetRowCount(int32_t aRow, const TTargetCell& aCount) override;
  void ShowProjectList(bool aShown) override;
  void SetProjectRow(int32_t aRow, const TProjectRow& aProject) override;
  void ShowSummary(const TSummary& aSummary) override;
  void ShowRowsWindow(TRowsWindow aWindow) override;
  void ShowProgressBar(std::optional<int32_t> aPercent) override;
  void SetConvertEnabled(bool aEnabled) override;
  void ShowConvertAsStop(bool aStop) override;
  TMainControl FocusedControl() const override;
  void FocusConvert() override;
  void RunLater(std::function<void()> aAction) override;
  void RunAfter(uint32_t aMilliseconds, std::function<void()> aAction) override;
  void PostRunEvents() override;
  IDesktop& Desktop() override;
  void Close() override;

  void CreateTopPanel();
  void CreateLogPage();
  void CreateSummary();
  void CreateProjectList();
  QPushButton* CreateSummaryButton(std::u16string_view aCaption, const QString& aName,
                                   void (TMainPresenter::*aClicked)());
  // The list, the summary and the log, one under another on the page.
  void LayOutPage();
  // The summary laid out in aWidth, the page's width, in the window's font.
  TSummaryLayout SummaryLayout(int aWidth) const;
  // The summary's buttons from left to right, and whether the summary offers them.
  std::array<std::pair<QPushButton*, bool>, 3> SummaryButtons() const;
  void SetUpTargetColumns();
  void ShareFreeWidth();
  void TargetColumnResized(int aColumn);
  void SetTargetCell(int aRow, int aColumn, const TTargetCell& aCell);

  // The last summary, laid out again whenever the page's size changes.
  TSummary fSummary;
  // The columns' own resizes while they share the free width are not the user's.
  bool fSharingFreeWidth = false;
  std::unique_ptr<IDesktop> fDesktop;
  // Last: its run may call the view as long as the window lives.
  TMainPresenter fPresenter;
};

} // namespace vui
