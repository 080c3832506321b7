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

HWND DialogWindow(IFileDialog& aDialog) {
  IOleWindow* window = nullptr;
  HWND handle = nullptr;
  if (SUCCEEDED(aDialog.QueryInterface(IID_PPV_ARGS(&window)))) {
    window->GetWindow(&handle);
    window->Release();
  }
  return handle;
}

bool IsExistingFile(const std::u16string& aPath) {
  const DWORD attributes = GetFileAttributesW(Wide(aPath));
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Asks before an existing file is replaced, with No as the answer a stray Enter gives; the
// dialog's own question would default to Yes on some systems.
class TReplaceQuestion : public IFileDialogEvents {
public:
  IFACEMETHODIMP QueryInterface(REFIID aId, void** aObject) override {
    if (aId == IID_IUnknown || aId == __uuidof(IFileDialogEvents)) {
      *aObject = static_cast<IFileDialogEvents*>(this);
      AddRef();
      return S_OK;
    }
    *aObject = nullptr;
    return E_NOINTERFACE;
  }
  // Lives on the stack of the dialog's caller, which outlasts the dialog's references.
  IFACEMETHODIMP_(ULONG) AddRef() override { return 2; }
  IFACEMETHODIMP_(ULONG) Release() override { return 1; }

  IFACEMETHODIMP OnFileOk(IFileDialog* aDialog) override {
    std::u16string path;
    try {
      path = ResultPath(*aDialog);
    } catch (const vbase::Exception&) {
      // Nothing may unwind into the dialog; the caller reads the result again and reports it.
      return S_OK;
    }
    if (!IsExistingFile(path))
      return S_OK;
    const int answer =
        MessageBoxW(DialogWindow(*aDialog), Wide(ReplaceQuestion(path)), WideLiteral(BoxTitle),
                    MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    return answer == IDYES ? S_OK : S_FALSE;
  }
  IFACEMETHODIMP OnFolderChanging(IFileDialog*, IShellItem*) override { return S_OK; }
  IFACEMETHODIMP OnFolderChange(IFileDialog*) override { return S_OK; }
  IFACEMETHODIMP OnSelectionChange(IFileDialog*) override { return S_OK; }
  IFACEMETHODIMP OnShareViolation(IFileDialog*, IShellItem*,
                                  FDE_SHAREVIOLATION_RESPONSE*) override {
    return E_NOTIMPL;
  }
  IFACEMETHODIMP OnTypeChange(IFileDialog*) override { return S_OK; }
  IFACEMETHODIMP OnOverwrite(IFileDialog*, IShellItem*, FDE_OVERWRITE_RESPONSE*) override {
    return E_NOTIMPL;
  }
};

INT_PTR CALLBACK NoticeProc(HWND aDialog, UINT aMessage, WPARAM aWParam, LPARAM aLParam) {
  switch (aMessage) {
  case WM_INITDIALOG:
    SetDlgItemTextW(aDialog, IDC_NOTICE_TEXT, reinterpret_cast<const wchar_t*>(aLParam));
    SendDlgItemMessageW(aDialog, IDC_NOTICE_ICON, STM_SETICON,
                        reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_INFORMATION)), 0);
    return TRUE;
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
std::u16string WithControlLineBreaks(const std::u16string& aText) {
  std::u16string text;
  for (const char16_t character : aText) {
    if (character == u'\n' && (text.empty() || text.back() != u'\r'))
      text += u'\r';
    text += character;
  }
  return text;
}

// A save dialog that asks the window's own question before replacing a file.
std::optional<std::u16string> ChosenSavePath(const TFileDialogPtr& aDialog, HWND aOwner) {
  TReplaceQuestion question;
  DWORD cookie = 0;
  Check(aDialog->Advise(&question, &cookie));
  std::optional<std::u16string> chosen = ChosenPath(*aDialog, aOwner);
  aDialog->Unadvise(cookie);
  return chosen;
}

class TDesktop : public IWin32Desktop {
public:
  explicit TDesktop(HINSTANCE aResources) : fResources(aResources) {}

  std::optional<std::u16string> ChooseOldProject(HWND aOwner) override {
    return ChosenPath(*CreateOpenProjectDialog(), aOwner);
  }

  std::optional<std::u16string> ChooseOutputPath(HWND aOwner,
                                                 const std::u16string& aProposal) override {
    return ChosenSavePath(CreateSaveProjectDialog(aProposal), aOwner);
  }

  std::optional<std::u16string> ChooseReportPath(HWND aOwner,
                                                 const std::u16string& aProposal) override {
    return ChosenSavePath(CreateSaveReportDialog(aProposal), aOwner);
  }

  bool OpenUrl(HWND aOwner, const std::u16string& aUrl) override {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(aOwner, nullptr, Wide(aUrl), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
  }

  void ShowError(HWND aOwner, const std::u16string& aMessage,
                 const std::u16string& aDetails) override {
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = aOwner;
    config.dwFlags =
        TDF_ALLOW_DIALOG_CANCELLATION | TDF_EXPAND_FOOTER_AREA | TDF_POSITION_RELATIVE_TO_WINDOW;
    config.dwCommonButtons = TDCBF_OK_BUTTON;
    config.pszWindowTitle = WideLiteral(BoxTitle);
    config.pszMainIcon = TD_ERROR_ICON;
    config.pszContent = Wide(aMessage);
    config.pszExpandedInformation = Wide(aDetails);
    if (FAILED(TaskDialogIndirect(&config, nullptr, nullptr, nullptr)))
      MessageBoxW(aOwner, Wide(aMessage + u"\n\n" + aDetails), WideLiteral(BoxTitle),
                  MB_OK | MB_ICONERROR);
  }

  void ShowNotice(HWND aOwner, const std::u16string& aText) override {
    const std::u16string text = WithControlLineBreaks(aText);
    DialogBoxParamW(fResources, MAKEINTRESOURCEW(IDD_NOTICE), aOwner, NoticeProc,
                    reinterpret_cast<LPARAM>(Wide(text)));
  }

private:
  HINSTANCE fResources;
};

} // namespace

std::unique_ptr<IWin32Desktop> CreateWin32Desktop(HINSTANCE aResources) {
  return std::make_unique<TDesktop>(aResources);
}

TFileDialogPtr CreateOpenProjectDialog() {
  TComPtr<IFileOpenDialog> dialog = CreateComObject<IFileOpenDialog>(CLSID_FileOpenDialog);
  const COMDLG_FILTERSPEC filter = DialogFilter(OpenProjectFilter);
  Check(dialog->SetFileTypes(1, &filter));
  // A typed name that does not exist is passed on: loading reports it.
  ChangeOptions(*dialog, FOS_FORCEFILESYSTEM, FOS_FILEMUSTEXIST | FOS_PATHMUSTEXIST);
  return TFileDialogPtr(dialog.release());
}

namespace {

TFileDialogPtr CreateSaveDialog(const std::u16string& aProposal,
                                const std::vector<COMDLG_FILTERSPEC>& aFilters,
                                std::u16string_view aExtension) {
  TComPtr<IFileSaveDialog> dialog = CreateComObject<IFileSaveDialog>(CLSID_FileSaveDialog);
  Check(dialog->SetFileTypes(static_cast<UINT>(aFilters.size()), aFilters.data()));
  // The replace question is ours; a name typed without an extension gets the file type's.
  ChangeOptions(*dialog, FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST, FOS_OVERWRITEPROMPT);
  Check(dialog->SetDefaultExtension(WideLiteral(aExtension)));
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

} // namespace

TFileDialogPtr CreateSaveProjectDialog(const std::u16string& aProposal) {
  return CreateSaveDialog(aProposal, {DialogFilter(SaveProjectFilter)}, SaveProjectExtension);
}

TFileDialogPtr CreateSaveReportDialog(const std::u16string& aProposal) {
  return CreateSaveDialog(
      aProposal, {DialogFilter(ReportFilters[0]), DialogFilter(ReportFilters[1])}, ReportExtension);
}

std::u16string ReplaceQuestion(const std::u16string& aPath) {
  return aPath + u" already exists.\nDo you want to replace it?";
}

} // namespace vui
