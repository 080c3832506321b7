#include "Win32Desktop.h"

#include "Win32Resources.h"
#include "vbase/Errors.h"
#include "vbase/WindowsErrors.h"
#include "vpresenter/uMainTexts.h"

#include <array>
#include <commctrl.h>
#include <shellapi.h>
#include <vector>

namespace vui {

namespace {

COMDLG_FILTERSPEC DialogFilter(const TFileFilter& aFilter) {
  return {WideLiteral(aFilter.Description), WideLiteral(aFilter.Pattern)};
}

void Check(HRESULT aResult) {
  if (FAILED(aResult))
    throw vbase::Exception(u"The file dialog failed: " +
                           vbase::WindowsErrorText(static_cast<unsigned long>(aResult)));
}

template <class T> struct TComRelease {
  void operator()(T* aObject) const { aObject->Release(); }
};
template <class T> using TComPtr = std::unique_ptr<T, TComRelease<T>>;

template <class T> TComPtr<T> CreateComObject(REFCLSID aClass) {
  T* dialog = nullptr;
  Check(CoCreateInstance(aClass, nullptr, CLSCTX_INPROC_SERVER, __uuidof(T),
                         reinterpret_cast<void**>(&dialog)));
  return TComPtr<T>(dialog);
}

// The options the dialog has by default, changed as the two project dialogs want them.
void ChangeOptions(IFileDialog& aDialog, FILEOPENDIALOGOPTIONS aAdd,
                   FILEOPENDIALOGOPTIONS aRemove) {
  FILEOPENDIALOGOPTIONS options = 0;
  Check(aDialog.GetOptions(&options));
  Check(aDialog.SetOptions((options | aAdd) & ~aRemove));
}

std::u16string PathOfItem(IShellItem& aItem) {
  wchar_t* path = nullptr;
  Check(aItem.GetDisplayName(SIGDN_FILESYSPATH, &path));
  std::u16string chosen = FromWide(path);
  CoTaskMemFree(path);
  return chosen;
}

std::u16string ResultPath(IFileDialog& aDialog) {
  IShellItem* item = nullptr;
  Check(aDialog.GetResult(&item));
  const TComPtr<IShellItem> result(item);
  return PathOfItem(*result);
}

// Every file picked in an open dialog that allows several.
std::vector<std::u16string> ResultPaths(IFileOpenDialog& aDialog) {
  IShellItemArray* items = nullptr;
  Check(aDialog.GetResults(&items));
  const TComPtr<IShellItemArray> results(items);
  DWORD count = 0;
  Check(results->GetCount(&count));
  std::vector<std::u16string> paths;
  for (DWORD index = 0; index < count; ++index) {
    IShellItem* item = nullptr;
    Check(results->GetItemAt(index, &item));
    const TComPtr<IShellItem> result(item);
    paths.push_back(PathOfItem(*result));
  }
  return paths;
}

bool Accepted(IFileDialog& aDialog, HWND aOwner) {
  const HRESULT shown = aDialog.Show(aOwner);
  if (shown == HRESULT_FROM_WIN32(ERROR_CANCELLED))
    return false;
  Check(shown);
  return true;
}

std::optional<std::u16string> ChosenPath(IFileDialog& aDialog, HWND aOwner) {
  if (!Accepted(aDialog, aOwner))
    return std::nullopt;
  return ResultPath(aDialog);
}

std::optional<std::u16string> ChosenFolder(HWND aOwner) {
  const TComPtr<IFileOpenDialog> dialog = CreateComObject<IFileOpenDialog>(CLSID_FileOpenDialog);
  ChangeOptions(*dialog, FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM, 0);
  return ChosenPath(*dialog, aOwner);
}

// The buttons of the question before a run of several projects.
enum TQueueButton : int { qbBeside = 100, qbIntoFolder, qbSkip = 200 };

// How long the program the shell starts for an address may take to say whether a browser took
// it; one that is still running then has started the browser in the foreground.
constexpr DWORD OpenerVerdictMs = 3000;

// The shell counts a started program as success. Under Wine that program is winebrowser, which
// exits with an error when it finds no browser to hand the address to.
bool OpenInBrowser(HWND aOwner, std::u16string_view aUrl) {
  const std::u16string url(aUrl);
  SHELLEXECUTEINFOW execute{};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  execute.hwnd = aOwner;
  execute.lpFile = Wide(url);
  execute.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&execute))
    return false;
  // A browser that was running already took the address without a new process.
  if (!execute.hProcess)
    return true;
  DWORD exitCode = 0;
  const bool failed = WaitForSingleObject(execute.hProcess, OpenerVerdictMs) == WAIT_OBJECT_0 &&
                      GetExitCodeProcess(execute.hProcess, &exitCode) && exitCode != 0;
  CloseHandle(execute.hProcess);
  return !failed;
}

// What the notice box shows: its text and the system's icon for its kind.
struct TNotice {
  const wchar_t* Text;
  const wchar_t* Icon;
};

INT_PTR CALLBACK NoticeProc(HWND aDialog, UINT aMessage, WPARAM aWParam, LPARAM aLParam) {
  switch (aMessage) {
  case WM_INITDIALOG: {
    const auto& notice = *reinterpret_cast<const TNotice*>(aLParam);
    SetDlgItemTextW(aDialog, IDC_NOTICE_TEXT, notice.Text);
    SendDlgItemMessageW(aDialog, IDC_NOTICE_ICON, STM_SETICON,
                        reinterpret_cast<WPARAM>(LoadIconW(nullptr, notice.Icon)), 0);
    return TRUE;
  }
  case WM_COMMAND:
    if (LOWORD(aWParam) == IDOK || LOWORD(aWParam) == IDCANCEL) {
      EndDialog(aDialog, LOWORD(aWParam));
      return TRUE;
    }
    return FALSE;
  default:
    return FALSE;
  }
}

// An edit control breaks lines only at CR LF.
std::u16string WithControlLineBreaks(std::u16string_view aText) {
  std::u16string text;
  for (const char16_t character : aText) {
    if (character == u'\n' && (text.empty() || text.back() != u'\r'))
      text += u'\r';
    text += character;
  }
  return text;
}

class TDesktop : public IDesktop {
public:
  TDesktop(HINSTANCE aResources, HWND aOwner) : fResources(aResources), fOwner(aOwner) {}

  std::vector<std::u16string> ChooseOpenPaths() override {
    const TFileDialogPtr dialog = CreateOpenProjectDialog();
    if (!Accepted(*dialog, fOwner))
      return {};
    return ResultPaths(static_cast<IFileOpenDialog&>(*dialog));
  }

  std::optional<std::u16string> ChooseFolder() override { return ChosenFolder(fOwner); }

  // Where the projects go is a choice of two links; what becomes of existing ones is a choice of
  // three, skip first; the folder, when asked for, comes from the folder dialog after.
  std::optional<TQueueOptions> AskQueueOptions(std::size_t aCount) override {
    const std::u16string question = QueueQuestion(aCount);
    const std::u16string beside(BesideEachCaption);
    const std::u16string intoFolder(IntoFolderCaption);
    const std::u16string existing(ExistingQuestion);
    const std::array<TASKDIALOG_BUTTON, 2> places{
        {{qbBeside, Wide(beside)}, {qbIntoFolder, Wide(intoFolder)}}};
    std::array<std::u16string, ExistingCaptions.size()> captions;
    std::array<TASKDIALOG_BUTTON, ExistingCaptions.size()> choices{};
    for (std::size_t index = 0; index < captions.size(); ++index) {
      captions[index] = ExistingCaptions[index];
      choices[index] = {qbSkip + static_cast<int>(index), Wide(captions[index])};
    }
    TASKDIALOGCONFIG config =
        BoxConfig(TDF_USE_COMMAND_LINKS, TDCBF_CANCEL_BUTTON, QueueDialogTitle);
    config.pszMainInstruction = Wide(question);
    config.pszContent = Wide(existing);
    config.cButtons = static_cast<UINT>(places.size());
    config.pButtons = places.data();
    config.nDefaultButton = qbBeside;
    config.cRadioButtons = static_cast<UINT>(choices.size());
    config.pRadioButtons = choices.data();
    config.nDefaultRadioButton = qbSkip;
    int button = 0;
    int radio = 0;
    Check(TaskDialogIndirect(&config, &button, &radio, nullptr));
    if (button != qbBeside && button != qbIntoFolder)
      return std::nullopt;
    TQueueOptions options;
    options.Existing = static_cast<TExistingOutputs>(radio - qbSkip);
    if (button == qbIntoFolder) {
      options.Folder = ChosenFolder(fOwner);
      if (!options.Folder)
        return std::nullopt;
    }
    return options;
  }

  std::optional<TSaveChoice> ChooseSavePath(const TSaveDialog& aDialog,
                                            const std::u16string& aProposal) override {
    const TFileDialogPtr dialog = CreateSaveDialog(aDialog, aProposal);
    std::optional<std::u16string> path = ChosenPath(*dialog, fOwner);
    if (!path)
      return std::nullopt;
    // The dialog counts its file types from 1.
    UINT type = 1;
    Check(dialog->GetFileTypeIndex(&type));
    return TSaveChoice{std::move(*path), type > 0 ? type - 1 : 0};
  }

  bool AskYesNo(std::u16string_view aQuestion) override {
    const std::u16string question(aQuestion);
    return MessageBoxW(fOwner, Wide(question), WideLiteral(BoxTitle),
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
  }

  bool OpenUrl(std::u16string_view aUrl) override { return OpenInBrowser(fOwner, aUrl); }

  void ShowNotice(TNoticeKind aKind, std::u16string_view aText) override {
    const std::u16string text = WithControlLineBreaks(aText);
    const TNotice notice{Wide(text),
                         aKind == TNoticeKind::nkWarning ? IDI_WARNING : IDI_INFORMATION};
    DialogBoxParamW(fResources, MAKEINTRESOURCEW(IDD_NOTICE), fOwner, NoticeProc,
                    reinterpret_cast<LPARAM>(&notice));
  }

  void ShowError(const TErrorReport& aReport) override {
    const std::u16string message = ErrorBoxText(aReport);
    const std::u16string details = ErrorDetails(aReport);
    TASKDIALOGCONFIG config = BoxConfig(TDF_EXPAND_FOOTER_AREA, 0, BoxTitle);
    // Escape sends IDCANCEL, which Wine's task dialog passes on to a button of that id only,
    // whatever TDF_ALLOW_DIALOG_CANCELLATION says: the box's one button has that id.
    const TASKDIALOG_BUTTON close{IDCANCEL, L"OK"};
    config.cButtons = 1;
    config.pButtons = &close;
    config.nDefaultButton = IDCANCEL;
    config.pszMainIcon = TD_ERROR_ICON;
    config.pszContent = Wide(message);
    config.pszExpandedInformation = Wide(details);
    if (FAILED(TaskDialogIndirect(&config, nullptr, nullptr, nullptr)))
      MessageBoxW(fOwner, Wide(message + u"\n\n" + details), WideLiteral(BoxTitle),
                  MB_OK | MB_ICONERROR);
  }

private:
  // A task dialog over the window that Escape closes, titled aTitle, a literal.
  TASKDIALOGCONFIG BoxConfig(TASKDIALOG_FLAGS aFlags, TASKDIALOG_COMMON_BUTTON_FLAGS aButtons,
                             std::u16string_view aTitle) const {
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = fOwner;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW | aFlags;
    config.dwCommonButtons = aButtons;
    config.pszWindowTitle = WideLiteral(aTitle);
    return config;
  }

  HINSTANCE fResources;
  HWND fOwner;
};

} // namespace

std::unique_ptr<IDesktop> CreateWin32Desktop(HINSTANCE aResources, HWND aOwner) {
  return std::make_unique<TDesktop>(aResources, aOwner);
}

TFileDialogPtr CreateOpenProjectDialog() {
  TComPtr<IFileOpenDialog> dialog = CreateComObject<IFileOpenDialog>(CLSID_FileOpenDialog);
  const COMDLG_FILTERSPEC filter = DialogFilter(OpenProjectFilter);
  Check(dialog->SetFileTypes(1, &filter));
  // A typed name that does not exist is passed on: loading reports it.
  ChangeOptions(*dialog, FOS_FORCEFILESYSTEM | FOS_ALLOWMULTISELECT,
                FOS_FILEMUSTEXIST | FOS_PATHMUSTEXIST);
  return TFileDialogPtr(dialog.release());
}

TFileDialogPtr CreateSaveDialog(const TSaveDialog& aDialog, const std::u16string& aProposal) {
  TComPtr<IFileSaveDialog> dialog = CreateComObject<IFileSaveDialog>(CLSID_FileSaveDialog);
  std::vector<COMDLG_FILTERSPEC> filters;
  for (const TFileFilter& filter : aDialog.Filters)
    filters.push_back(DialogFilter(filter));
  Check(dialog->SetFileTypes(static_cast<UINT>(filters.size()), filters.data()));
  // The presenter adds the chosen file type's extension, checks the folder and asks before a
  // file is replaced; without a default extension the dialog adds none.
  ChangeOptions(*dialog, FOS_FORCEFILESYSTEM, FOS_PATHMUSTEXIST | FOS_OVERWRITEPROMPT);
  const size_t nameStart = aProposal.find_last_of(u"\\/");
  const std::u16string name =
      nameStart == std::u16string::npos ? aProposal : aProposal.substr(nameStart + 1);
  if (nameStart != std::u16string::npos) {
    IShellItem* folder = nullptr;
    // A proposal in a folder that is gone opens where the dialog would open anyway.
    if (SUCCEEDED(SHCreateItemFromParsingName(Wide(aProposal.substr(0, nameStart)), nullptr,
                                              IID_PPV_ARGS(&folder)))) {
      dialog->SetFolder(folder);
      folder->Release();
    }
  }
  Check(dialog->SetFileName(Wide(name)));
  return TFileDialogPtr(dialog.release());
}

} // namespace vui
