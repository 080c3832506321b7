// The program's one window: "Convert..." runs a conversion with the window as its host (log,
// target list, dialogs), "Help..." opens the tool's help page.
#pragma once

#include "uConversionHost.h"
#include "uConversionRun.h"
#include "uDesktopServices.h"

#include <QIcon>
#include <QWidget>
#include <array>
#include <exception>
#include <memory>

class QCloseEvent;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace vui {

class TMainform : public QWidget, public vconvert::IConversionHost {
  Q_OBJECT

public:
  static constexpr int LastLogLinesInReport = 10;

  explicit TMainform(QWidget* aParent = nullptr);
  ~TMainform() override;

  // The conversion run; a failure leaves as an exception.
  void Button1Click();
  void btnHelpClick();

  // Shows the exception in the error box; the window stays usable.
  void ReportException(std::exception_ptr aError);

  // Tests answer the dialogs and catch the browser and the error box through these.
  void SetOpenFileChooser(std::unique_ptr<TOpenFileChooser> aChooser);
  void SetSaveFileChooser(std::unique_ptr<TSaveFileChooser> aChooser);
  void SetUrlOpener(std::unique_ptr<TUrlOpener> aOpener);
  void SetErrorPresenter(std::unique_ptr<TErrorPresenter> aPresenter);

  // IConversionHost
  std::optional<std::u16string> AskOldProjectPath() override;
  void ClearLog() override;
  void AddLogLine(std::u16string_view aLine) override;
  void ClearTargetList() override;
  void AddTargetRow(int32_t aImageIndex, std::u16string_view aCaption) override;
  void AddTargetSubItem(int32_t aRow, std::u16string_view aText) override;
  int32_t TargetRowCount() const override;
  std::optional<std::u16string> AskOutputPath(const std::u16string& aProposal) override;
  uint32_t TickCount() override;
  void ProcessMessages() override;

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

private:
  void CreateTopPanel();
  void CreateLogPage();
  void ConvertClicked();
  void HelpClicked();
  QStringList LastLogLines() const;

  vconvert::TConversionRun fRun;
  bool fConverting = false;
  bool fCloseRequested = false;
  std::unique_ptr<TOpenFileChooser> fOpenFileChooser;
  std::unique_ptr<TSaveFileChooser> fSaveFileChooser;
  std::unique_ptr<TUrlOpener> fUrlOpener;
  std::unique_ptr<TErrorPresenter> fErrorPresenter;
};

extern const char* const HelpPageUrl;

} // namespace vui
