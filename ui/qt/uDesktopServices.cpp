#include "vui/uDesktopServices.h"

#include "vpresenter/uMainTexts.h"

#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

namespace vui {

namespace {

// Qt reads the pattern from the parentheses of the description.
const QString OpenFilter = QStringView(OpenProjectFilter.Description).toString();
const QString SaveFilter = QStringView(SaveProjectFilter.Description).toString();
const QString ReportFilter = QStringView(ReportFilters[0].Description).toString() +
                             QStringLiteral(";;") +
                             QStringView(ReportFilters[1].Description).toString();
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

// Not modal: Qt drops a close request to a window that a modal dialog blocks, and the window's
// presenter is to keep it until the run ends. The run keeps the window's other controls idle.
std::optional<QString> ChosenFile(QFileDialog& aDialog) {
  aDialog.setWindowModality(Qt::NonModal);
  QEventLoop loop;
  QObject::connect(&aDialog, &QDialog::finished, &loop, &QEventLoop::quit);
  aDialog.show();
  loop.exec();
  if (aDialog.result() != QDialog::Accepted || aDialog.selectedFiles().isEmpty())
    return std::nullopt;
  return aDialog.selectedFiles().constFirst();
}

// Where the window system would not put it: a box over the middle of its window.
void CentreOnOwner(QWidget& aBox, const QWidget* aOwner) {
  if (!aOwner)
    return;
  const QRect owner = aOwner->window()->frameGeometry();
  const QSize size = aBox.frameGeometry().size();
  aBox.move(owner.center() - QPoint(size.width() / 2, size.height() / 2));
}

// How long the desktop's opener may take to say whether a browser took the address; one that
// is still running then has started the browser in the foreground.
constexpr int OpenerVerdictMs = 3000;

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

class TDesktopReportFileChooser : public ISaveFileChooser {
public:
  std::optional<QString> Execute(QWidget* aOwner, const QString& aProposal) override {
    return ChosenFile(*CreateSaveReportDialog(aOwner, aProposal));
  }
};

class TDesktopUrlOpener : public IUrlOpener {
public:
  // Qt counts a started opener as success; one that exits with an error started no browser.
  bool Open(QWidget*, const QUrl& aUrl) override {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
      return QDesktopServices::openUrl(aUrl);
    auto* process = new QProcess;
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->start(opener, {aUrl.toString(QUrl::FullyEncoded)});
    if (!process->waitForStarted()) {
      delete process;
      return false;
    }
    if (!process->waitForFinished(OpenerVerdictMs))
      return true;
    return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
  }
};

class TDesktopErrorPresenter : public IErrorPresenter {
public:
  void Show(QWidget* aOwner, const TErrorReport& aReport) override {
    QMessageBox box(QMessageBox::Critical, Title, QString::fromStdU16String(ErrorBoxText(aReport)),
                    QMessageBox::Ok, aOwner);
    // Messages quote names and values from the input, which must not be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setDetailedText(QString::fromStdU16String(ErrorDetails(aReport)));
    // Once shown and laid out, when its size is known.
    QTimer::singleShot(0, &box, [&box, aOwner] { CentreOnOwner(box, aOwner); });
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

namespace {

std::unique_ptr<QFileDialog> CreateSaveDialog(QWidget* aOwner, const QString& aProposal,
                                              const QString& aFilter,
                                              std::u16string_view aExtension) {
  std::unique_ptr<QFileDialog> dialog = std::make_unique<TSaveProjectDialog>(aOwner);
  SetUpProjectDialog(*dialog, QFileDialog::AcceptSave, aFilter);
  dialog->setDefaultSuffix(QStringView(aExtension).toString());
  const QFileInfo proposal(aProposal);
  dialog->setDirectory(proposal.absolutePath());
  dialog->selectFile(proposal.fileName());
  return dialog;
}

} // namespace

std::unique_ptr<QFileDialog> CreateSaveProjectDialog(QWidget* aOwner, const QString& aProposal) {
  return CreateSaveDialog(aOwner, aProposal, SaveFilter, SaveProjectExtension);
}

std::unique_ptr<QFileDialog> CreateSaveReportDialog(QWidget* aOwner, const QString& aProposal) {
  return CreateSaveDialog(aOwner, aProposal, ReportFilter, ReportExtension);
}

std::unique_ptr<IOpenFileChooser> CreateDesktopOpenFileChooser() {
  return std::make_unique<TDesktopOpenFileChooser>();
}

std::unique_ptr<ISaveFileChooser> CreateDesktopReportFileChooser() {
  return std::make_unique<TDesktopReportFileChooser>();
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
