#include "uDesktopServices.h"

#include "uMainTexts.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

namespace vui {

namespace {

// Qt reads the pattern from the parentheses of the description.
const QString OpenFilter = QStringView(OpenProjectFilter.Description).toString();
const QString SaveFilter = QStringView(SaveProjectFilter.Description).toString();
const QString Title = QStringView(BoxTitle).toString();

// Qt's own dialog on every desktop: a native one insists that an opened file exists and
// does not run the save dialog's folder check.
void SetUpProjectDialog(QFileDialog& aDialog, QFileDialog::AcceptMode aMode,
                        const QString& aFilter) {
  aDialog.setOption(QFileDialog::DontUseNativeDialog);
  aDialog.setAcceptMode(aMode);
  // A typed name that does not exist is passed on: loading reports it, saving creates it.
  aDialog.setFileMode(QFileDialog::AnyFile);
  aDialog.setNameFilter(aFilter);
}

std::optional<QString> ChosenFile(QFileDialog& aDialog) {
  if (aDialog.exec() != QDialog::Accepted || aDialog.selectedFiles().isEmpty())
    return std::nullopt;
  return aDialog.selectedFiles().constFirst();
}

class TDesktopOpenFileChooser : public IOpenFileChooser {
public:
  std::optional<QString> Execute(QWidget* aOwner) override {
    return ChosenFile(*CreateOpenProjectDialog(aOwner));
  }
};

class TDesktopSaveFileChooser : public ISaveFileChooser {
public:
  std::optional<QString> Execute(QWidget* aOwner, const QString& aProposal) override {
    return ChosenFile(*CreateSaveProjectDialog(aOwner, aProposal));
  }
};

class TDesktopUrlOpener : public IUrlOpener {
public:
  bool Open(QWidget*, const QUrl& aUrl) override { return QDesktopServices::openUrl(aUrl); }
};

class TDesktopErrorPresenter : public IErrorPresenter {
public:
  void Show(QWidget* aOwner, const TErrorReport& aReport) override {
    QMessageBox box(QMessageBox::Critical, Title, QString::fromStdU16String(aReport.Message),
                    QMessageBox::Ok, aOwner);
    // Messages quote names and values from the input, which must not be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setDetailedText(QString::fromStdU16String(ErrorDetails(aReport)));
    box.exec();
  }
};

class TDesktopNoticePresenter : public INoticePresenter {
public:
  void Show(QWidget* aOwner, const QString& aText) override {
    QMessageBox box(QMessageBox::Information, Title, aText, QMessageBox::Ok, aOwner);
    box.setTextFormat(Qt::PlainText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box.exec();
  }
};

} // namespace

TSaveProjectDialog::TSaveProjectDialog(QWidget* aOwner) : QFileDialog(aOwner) {}

void TSaveProjectDialog::accept() {
  const QStringList files = selectedFiles();
  if (!files.isEmpty()) {
    const QDir folder = QFileInfo(files.constFirst()).absoluteDir();
    if (!folder.exists()) {
      QMessageBox::warning(
          this, windowTitle(),
          tr("The folder \"%1\" does not exist.").arg(QDir::toNativeSeparators(folder.path())));
      return;
    }
  }
  QFileDialog::accept();
}

std::unique_ptr<QFileDialog> CreateOpenProjectDialog(QWidget* aOwner) {
  auto dialog = std::make_unique<QFileDialog>(aOwner);
  SetUpProjectDialog(*dialog, QFileDialog::AcceptOpen, OpenFilter);
  return dialog;
}

std::unique_ptr<QFileDialog> CreateSaveProjectDialog(QWidget* aOwner, const QString& aProposal) {
  std::unique_ptr<QFileDialog> dialog = std::make_unique<TSaveProjectDialog>(aOwner);
  SetUpProjectDialog(*dialog, QFileDialog::AcceptSave, SaveFilter);
  const QFileInfo proposal(aProposal);
  dialog->setDirectory(proposal.absolutePath());
  dialog->selectFile(proposal.fileName());
  return dialog;
}

std::unique_ptr<IOpenFileChooser> CreateDesktopOpenFileChooser() {
  return std::make_unique<TDesktopOpenFileChooser>();
}

std::unique_ptr<ISaveFileChooser> CreateDesktopSaveFileChooser() {
  return std::make_unique<TDesktopSaveFileChooser>();
}

std::unique_ptr<IUrlOpener> CreateDesktopUrlOpener() {
  return std::make_unique<TDesktopUrlOpener>();
}

std::unique_ptr<IErrorPresenter> CreateDesktopErrorPresenter() {
  return std::make_unique<TDesktopErrorPresenter>();
}

std::unique_ptr<INoticePresenter> CreateDesktopNoticePresenter() {
  return std::make_unique<TDesktopNoticePresenter>();
}

} // namespace vui
