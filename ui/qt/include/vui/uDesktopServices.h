// What the main window asks of the desktop: the file dialogs, the browser, the error box
// and the notice box. Each sits behind a small interface that the window owns, so that a test can
// answer a dialog or catch a browser call without a person in front of the screen.
#pragma once

#include "vpresenter/uErrorReport.h"

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <memory>
#include <optional>

class QWidget;

namespace vui {

class IOpenFileChooser {
public:
  virtual ~IOpenFileChooser() = default;
  // The chosen path, or nothing when the user cancels.
  virtual std::optional<QString> Execute(QWidget* aOwner) = 0;
};

class ISaveFileChooser {
public:
  virtual ~ISaveFileChooser() = default;
  // The chosen path, or nothing when the user cancels.
  virtual std::optional<QString> Execute(QWidget* aOwner, const QString& aProposal) = 0;
};

class IUrlOpener {
public:
  virtual ~IUrlOpener() = default;
  // False when no browser took the address.
  virtual bool Open(QWidget* aOwner, const QUrl& aUrl) = 0;
};

// A message for the user whose text can be selected and copied, such as an address.
class INoticePresenter {
public:
  virtual ~INoticePresenter() = default;
  virtual void Show(QWidget* aOwner, const QString& aText) = 0;
};

// The error box: the message, and ErrorDetails in its details section.
class IErrorPresenter {
public:
  virtual ~IErrorPresenter() = default;
  virtual void Show(QWidget* aOwner, const TErrorReport& aReport) = 0;
};

// The save dialog refuses a path whose folder does not exist, as Qt's own dialog would not.
class TSaveProjectDialog : public QFileDialog {
public:
  explicit TSaveProjectDialog(QWidget* aOwner);

protected:
  void accept() override;
};

std::unique_ptr<QFileDialog> CreateOpenProjectDialog(QWidget* aOwner);
std::unique_ptr<QFileDialog> CreateSaveProjectDialog(QWidget* aOwner, const QString& aProposal);
// The save dialog of a report: an HTML page or JSON, by the extension.
std::unique_ptr<QFileDialog> CreateSaveReportDialog(QWidget* aOwner, const QString& aProposal);

std::unique_ptr<IOpenFileChooser> CreateDesktopOpenFileChooser();
std::unique_ptr<ISaveFileChooser> CreateDesktopSaveFileChooser();
std::unique_ptr<ISaveFileChooser> CreateDesktopReportFileChooser();
std::unique_ptr<IUrlOpener> CreateDesktopUrlOpener();
std::unique_ptr<IErrorPresenter> CreateDesktopErrorPresenter();
std::unique_ptr<INoticePresenter> CreateDesktopNoticePresenter();

} // namespace vui
