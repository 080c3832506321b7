#include "Win32Desktop.h"

#include "Win32Resources.h"
#include "vbase/Errors.h"
#include "vbase/WindowsErrors.h"
#include "vpresenter/uMainTexts.h"

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

std::u16string ResultPath(IFileDialog& aDialog) {
  IShellItem* item = nullptr;
  Check(aDialog.GetResult(&item));
  const TComPtr<IShellItem> result(item);
  wchar_t* path = nullptr;
  Check(result->GetDisplayName(SIGDN_FILESYSPATH, &path));
  std::u16string chosen = FromWide(path);
  CoTaskMemFree(path);
  return chosen;
}

std::optional<std::u16string> ChosenPath(IFileDialog& aDialog, HWND aOwner) {
  const HRESULT shown = aDialog.Show(aOwner);
  if (shown == HRESULT_FROM_WIN32(ERROR_CANCELLED))
    return std::nullopt;
  Check(shown);
  return ResultPath(aDialog);
}

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

  std::optional<std::u16string> ChooseOpenPath() override {
    return ChosenPath(*CreateOpenProjectDialog(), fOwner);
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
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = fOwner;
    config.dwFlags =
        TDF_ALLOW_DIALOG_CANCELLATION | TDF_EXPAND_FOOTER_AREA | TDF_POSITION_RELATIVE_TO_WINDOW;
    // Escape sends IDCANCEL, which Wine's task dialog passes on to a button of that id only,
    // whatever TDF_ALLOW_DIALOG_CANCELLATION says: the box's one button has that id.
    const TASKDIALOG_BUTTON close{IDCANCEL, L"OK"};
    config.cButtons = 1;
    config.pButtons = &close;
    config.nDefaultButton = IDCANCEL;
    config.pszWindowTitle = WideLiteral(BoxTitle);
    config.pszMainIcon = TD_ERROR_ICON;
    config.pszContent = Wide(message);
    config.pszExpandedInformation = Wide(details);
    if (FAILED(TaskDialogIndirect(&config, nullptr, nullptr, nullptr)))
      MessageBoxW(fOwner, Wide(message + u"\n\n" + details), WideLiteral(BoxTitle),
                  MB_OK | MB_ICONERROR);
  }

private:
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
  ChangeOptions(*dialog, FOS_FORCEFILESYSTEM, FOS_FILEMUSTEXIST | FOS_PATHMUSTEXIST);
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
