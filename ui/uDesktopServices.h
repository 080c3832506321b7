// What the main window asks of the desktop: the two file dialogs, the browser, the error box
// and the notice box. Each sits behind a small interface that the window owns, so that a test can
// answer a dialog or catch a browser call without a person in front of the screen.
#pragma once

#include "uErrorReport.h"

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <memory>
#include <optional>

class QWidget;

namespace vui {

class TOpenFileChooser {
public:
  virtual ~TOpenFileChooser() = default;
  // The chosen path, or nothing when the user cancels.
  virtual std::optional<QString> Execute(QWidget* aOwner) = 0;
};

class TSaveFileChooser {
public:
  virtual ~TSaveFileChooser() = default;
  // The chosen path, or nothing when the user cancels.
  virtual std::optional<QString> Execute(QWidget* aOwner, const QString& aProposal) = 0;
};

class TUrlOpener {
public:
  virtual ~TUrlOpener() = default;
  // False when no browser took the address.
  virtual bool Open(QWidget* aOwner, const QUrl& aUrl) = 0;
};

// A message for the user whose text can be selected and copied, such as an address.
class TNoticePresenter {
public:
  virtual ~TNoticePresenter() = default;
  virtual void Show(QWidget* aOwner, const QString& aText) = 0;
};

// The error box: the message, and ErrorDetails in its details section.
class TErrorPresenter {
public:
  virtual ~TErrorPresenter() = default;
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

std::unique_ptr<TOpenFileChooser> CreateDesktopOpenFileChooser();
std::unique_ptr<TSaveFileChooser> CreateDesktopSaveFileChooser();
std::unique_ptr<TUrlOpener> CreateDesktopUrlOpener();
std::unique_ptr<TErrorPresenter> CreateDesktopErrorPresenter();
std::unique_ptr<TNoticePresenter> CreateDesktopNoticePresenter();

} // namespace vui
