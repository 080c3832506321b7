// The program's one window: "Convert..." runs a conversion with the window as its host (log,
// target list, dialogs), "Help..." opens the tool's help page. A project given on the command
// line or dropped on the window is converted as if chosen in the open dialog.
#pragma once

#include "uConversionHost.h"
#include "uConversionRun.h"
#include "uDesktopServices.h"

#include <QElapsedTimer>
#include <QIcon>
#include <QWidget>
#include <array>
#include <exception>
#include <memory>

class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace vui {

class TMainform : public QWidget, public vconvert::IConversionHost {
  Q_OBJECT

public:
  static constexpr int LastLogLinesInReport = 10;
  // Small enough for a small screen; large enough for both buttons and readable columns.
  static constexpr QSize MinimumSize{420, 320};
  // During a run the window repaints at most this often; each repaint of a long list costs time.
  static constexpr qint64 RepaintIntervalMs = 50;

  explicit TMainform(QWidget* aParent = nullptr);
  ~TMainform() override;

  // The conversion run; a failure leaves as an exception.
  void Button1Click();
  void btnHelpClick();

  // Shows the exception in the error box; the window stays usable.
  void ReportException(std::exception_ptr aError);

  // Converts aPath as if it had been chosen in the open dialog; nothing while a run is going.
  void ConvertProject(const QString& aPath);
  // The same, once the event loop runs (for a project named on the command line).
  void ConvertProjectLater(const QString& aPath);

  // Tests answer the dialogs and catch the browser and the error box through these.
  void SetOpenFileChooser(std::unique_ptr<TOpenFileChooser> aChooser);
  void SetSaveFileChooser(std::unique_ptr<TSaveFileChooser> aChooser);
  void SetUrlOpener(std::unique_ptr<TUrlOpener> aOpener);
  void SetErrorPresenter(std::unique_ptr<TErrorPresenter> aPresenter);
  void SetNoticePresenter(std::unique_ptr<TNoticePresenter> aPresenter);

  // IConversionHost
  std::optional<std::u16string> AskOldProjectPath() override;
  void ClearLog() override;
  void AddLogLine(std::u16string_view aLine) override;
  // A target is a row of lstTargets: its number is the row, its image tells whether it was
  // converted, and a converted one shows its old and new target, then its row count.
  void TargetsCleared() override;
  void TargetFound(const vconvert::TFoundTarget& aTarget) override;
  void TargetRowsCounted(int32_t aTarget, int32_t aCount) override;
  std::optional<std::u16string> AskOutputPath(const std::u16string& aProposal) override;
  uint32_t TickCount() override;
  void ProcessMessages() override;
  bool ShowsProgress() const override { return true; }
  void ShowProgress(vconvert::TRunStage aStage, int64_t aDone, int64_t aTotal) override;

  QWidget* pnlTop;
  QPushButton* btnConvert;
  QPushButton* btnHelp;
  QTabWidget* pgcMain;
  QWidget* shtLog;
  QTableWidget* lstTargets;
  QPlainTextEdit* memLog;
  // Image 0 marks a converted target, image 1 one that cannot be converted.
  const std::array<QIcon, 2> ImageList1;

protected:
  void closeEvent(QCloseEvent* aEvent) override;
  void dragEnterEvent(QDragEnterEvent* aEvent) override;
  void dropEvent(QDropEvent* aEvent) override;
  bool eventFilter(QObject* aWatched, QEvent* aEvent) override;

private:
  void CreateTopPanel();
  void CreateLogPage();
  void SetUpTargetColumns();
  void ShareFreeWidth();
  void TargetColumnResized(int aColumn);
  void RunConversion();
  void HelpClicked();
  void SetTargetText(int aRow, int aColumn, std::u16string_view aText);
  void RepaintIfDue(bool aNow);
  QStringList LastLogLines() const;

  vconvert::TConversionRun fRun;
  bool fConverting = false;
  bool fCloseRequested = false;
  // The project the next run converts instead of asking the open dialog.
  std::optional<QString> fGivenProject;
  QElapsedTimer fSinceRepaint;
  // The two target columns share the free width until the user sizes one of them.
  bool fTargetColumnsSizedByUser = false;
  bool fSharingFreeWidth = false;
  std::unique_ptr<TOpenFileChooser> fOpenFileChooser;
  std::unique_ptr<TSaveFileChooser> fSaveFileChooser;
  std::unique_ptr<TUrlOpener> fUrlOpener;
  std::unique_ptr<TErrorPresenter> fErrorPresenter;
  std::unique_ptr<TNoticePresenter> fNoticePresenter;
};

// The project named on a command line (program name first), made absolute, if there is one.
std::optional<QString> ProjectOfArguments(const QStringList& aArguments);

extern const char* const HelpPageUrl;

} // namespace vui
