#include "vui/uDesktopServices.h"

#include "vpresenter/uMainTexts.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <vector>

namespace vui {

namespace {

const QString Title = QStringView(BoxTitle).toString();

QString ToQString(std::u16string_view aText) {
  return QStringView(aText).toString();
}

// Qt reads the pattern from the parentheses of the description.
QStringList NameFilters(std::span<const TFileFilter> aFilters) {
  QStringList descriptions;
  for (const TFileFilter& filter : aFilters)
    descriptions << ToQString(filter.Description);
  return descriptions;
}

// Qt's own dialog on every desktop: a native one insists that an opened file exists. The
// presenter checks a save dialog's folder and asks before a file is replaced.
void SetUpFileDialog(QFileDialog& aDialog, QFileDialog::AcceptMode aMode,
                     const QStringList& aFilters) {
  aDialog.setOption(QFileDialog::DontUseNativeDialog);
  aDialog.setOption(QFileDialog::DontConfirmOverwrite);
  aDialog.setAcceptMode(aMode);
  // A typed name that does not exist is passed on: loading reports it, saving creates it.
  aDialog.setFileMode(QFileDialog::AnyFile);
  aDialog.setNameFilters(aFilters);
}

// Not modal: Qt drops a close request to a window that a modal dialog blocks, and the window's
// presenter is to keep it until the run ends. The run keeps the window's other controls idle.
bool Accepted(QDialog& aDialog) {
  aDialog.setWindowModality(Qt::NonModal);
  QEventLoop loop;
  QObject::connect(&aDialog, &QDialog::finished, &loop, &QEventLoop::quit);
  aDialog.show();
  loop.exec();
  return aDialog.result() == QDialog::Accepted;
}

std::vector<std::u16string> ChosenFiles(QFileDialog& aDialog) {
  std::vector<std::u16string> files;
  if (Accepted(aDialog))
    for (const QString& file : aDialog.selectedFiles())
      files.push_back(file.toStdU16String());
  return files;
}

std::optional<std::u16string> ChosenFile(QFileDialog& aDialog) {
  std::vector<std::u16string> files = ChosenFiles(aDialog);
  if (files.empty())
    return std::nullopt;
  return std::move(files.front());
}

// The one question before a run of several projects: where they go, and what becomes of new
// projects that exist.
class TQueueDialog : public QDialog {
public:
  TQueueDialog(QWidget* aOwner, std::size_t aCount) : QDialog(aOwner) {
    setObjectName(QStringLiteral("QueueDialog"));
    setWindowTitle(ToQString(QueueDialogTitle));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromStdU16String(QueueQuestion(aCount)), this));
    auto* places = new QButtonGroup(this);
    fBeside = AddRadio(*layout, *places, BesideEachCaption, QStringLiteral("rbtBeside"));
    auto* folderRow = new QHBoxLayout;
    fIntoFolder = new QRadioButton(ToQString(IntoFolderCaption), this);
    fIntoFolder->setObjectName(QStringLiteral("rbtIntoFolder"));
    places->addButton(fIntoFolder);
    fFolder = new QLineEdit(this);
    fFolder->setObjectName(QStringLiteral("edtFolder"));
    auto* choose = new QPushButton(ToQString(ChooseFolderCaption), this);
    choose->setObjectName(QStringLiteral("btnChooseFolder"));
    folderRow->addWidget(fIntoFolder);
    folderRow->addWidget(fFolder, 1);
    folderRow->addWidget(choose);
    layout->addLayout(folderRow);
    fBeside->setChecked(true);
    connect(choose, &QPushButton::clicked, this, [this] {
      const QString folder = QFileDialog::getExistingDirectory(
          this, ToQString(ChooseFolderCaption), fFolder->text(), QFileDialog::DontUseNativeDialog);
      if (!folder.isEmpty()) {
        fFolder->setText(QDir::toNativeSeparators(folder));
        fIntoFolder->setChecked(true);
      }
    });
    connect(fFolder, &QLineEdit::textEdited, this, [this] { fIntoFolder->setChecked(true); });

    layout->addWidget(new QLabel(ToQString(ExistingQuestion), this));
    auto* existing = new QButtonGroup(this);
    for (std::size_t index = 0; index < ExistingCaptions.size(); ++index)
      fExisting[index] = AddRadio(*layout, *existing, ExistingCaptions[index],
                                  QStringLiteral("rbtExisting%1").arg(index));
    fExisting[static_cast<std::size_t>(TExistingOutputs::eoSkip)]->setChecked(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("bbxQueue"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
      // A folder that does not exist would fail every project of the run.
      if (fIntoFolder->isChecked() && !QFileInfo(fFolder->text()).isDir())
        fFolder->setFocus();
      else
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
  }

  TQueueOptions Options() const {
    TQueueOptions options;
    if (fIntoFolder->isChecked())
      options.Folder = QFileInfo(fFolder->text()).absoluteFilePath().toStdU16String();
    for (std::size_t index = 0; index < fExisting.size(); ++index)
      if (fExisting[index]->isChecked())
        options.Existing = static_cast<TExistingOutputs>(index);
    return options;
  }

private:
  QRadioButton* AddRadio(QVBoxLayout& aLayout, QButtonGroup& aGroup, std::u16string_view aCaption,
                         const QString& aName) {
    auto* button = new QRadioButton(ToQString(aCaption), this);
    button->setObjectName(aName);
    aGroup.addButton(button);
    aLayout.addWidget(button);
    return button;
  }

  QRadioButton* fBeside;
  QRadioButton* fIntoFolder;
  QLineEdit* fFolder;
  std::array<QRadioButton*, 3> fExisting{};
};

// Where the window system would not put it: a box over the middle of its window.
void CentreOnOwner(QWidget& aBox, const QWidget& aOwner) {
  const QRect owner = aOwner.window()->frameGeometry();
  const QSize size = aBox.frameGeometry().size();
  aBox.move(owner.center() - QPoint(size.width() / 2, size.height() / 2));
}

// How long the desktop's opener may take to say whether a browser took the address; one that
// is still running then has started the browser in the foreground.
constexpr int OpenerVerdictMs = 3000;

// Qt counts a started opener as success; one that exits with an error started no browser.
bool OpenInBrowser(const QUrl& aUrl) {
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

class TQtDesktop : public IDesktop {
public:
  explicit TQtDesktop(QWidget& aOwner) : fOwner(aOwner) {}

  std::vector<std::u16string> ChooseOpenPaths() override {
    return ChosenFiles(*CreateOpenProjectDialog(&fOwner));
  }

  std::optional<std::u16string> ChooseFolder() override {
    QFileDialog dialog(&fOwner);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return ChosenFile(dialog);
  }

  std::optional<TQueueOptions> AskQueueOptions(std::size_t aCount) override {
    TQueueDialog dialog(&fOwner, aCount);
    if (!Accepted(dialog))
      return std::nullopt;
    return dialog.Options();
  }

  std::optional<TSaveChoice> ChooseSavePath(const TSaveDialog& aDialog,
                                            const std::u16string& aProposal) override {
    const std::unique_ptr<QFileDialog> dialog =
        CreateSaveDialog(&fOwner, aDialog, QString::fromStdU16String(aProposal));
    std::optional<std::u16string> path = ChosenFile(*dialog);
    if (!path)
      return std::nullopt;
    const qsizetype filter = NameFilters(aDialog.Filters).indexOf(dialog->selectedNameFilter());
    return TSaveChoice{std::move(*path), static_cast<std::size_t>(std::max<qsizetype>(filter, 0))};
  }

  bool AskYesNo(std::u16string_view aQuestion) override {
    QMessageBox box(QMessageBox::Warning, Title, ToQString(aQuestion),
                    QMessageBox::Yes | QMessageBox::No, &fOwner);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
  }

  bool OpenUrl(std::u16string_view aUrl) override { return OpenInBrowser(QUrl(ToQString(aUrl))); }

  void ShowNotice(TNoticeKind aKind, std::u16string_view aText) override {
    QMessageBox box(aKind == TNoticeKind::nkWarning ? QMessageBox::Warning
                                                    : QMessageBox::Information,
                    Title, ToQString(aText), QMessageBox::Ok, &fOwner);
    box.setTextFormat(Qt::PlainText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
  }

  void ShowError(const TErrorReport& aReport) override {
    QMessageBox box(QMessageBox::Critical, Title, QString::fromStdU16String(ErrorBoxText(aReport)),
                    QMessageBox::Ok, &fOwner);
    // Messages quote names and values from the input, which must not be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setDetailedText(QString::fromStdU16String(ErrorDetails(aReport)));
    // Beside "Show Details..." Qt would not know which button Escape presses.
    box.setEscapeButton(QMessageBox::Ok);
    // Once shown and laid out, when its size is known.
    QTimer::singleShot(0, &box, [&box, this] { CentreOnOwner(box, fOwner); });
    box.exec();
  }

private:
  QWidget& fOwner;
};

} // namespace

std::unique_ptr<IDesktop> CreateQtDesktop(QWidget& aOwner) {
  return std::make_unique<TQtDesktop>(aOwner);
}

std::unique_ptr<QFileDialog> CreateOpenProjectDialog(QWidget* aOwner) {
  auto dialog = std::make_unique<QFileDialog>(aOwner);
  SetUpFileDialog(*dialog, QFileDialog::AcceptOpen, NameFilters({&OpenProjectFilter, 1}));
  // Several projects may be picked in the lists, while a typed name still need not exist: the
  // file mode that allows several would refuse it.
  for (QAbstractItemView* view : dialog->findChildren<QAbstractItemView*>())
    if (view->objectName() == QStringLiteral("listView") ||
        view->objectName() == QStringLiteral("treeView"))
      view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  return dialog;
}

std::unique_ptr<QFileDialog> CreateSaveDialog(QWidget* aOwner, const TSaveDialog& aDialog,
                                              const QString& aProposal) {
  auto dialog = std::make_unique<QFileDialog>(aOwner);
  // The presenter adds the chosen filter's extension to the name.
  SetUpFileDialog(*dialog, QFileDialog::AcceptSave, NameFilters(aDialog.Filters));
  const QFileInfo proposal(aProposal);
  dialog->setDirectory(proposal.absolutePath());
  dialog->selectFile(proposal.fileName());
  return dialog;
}

} // namespace vui
