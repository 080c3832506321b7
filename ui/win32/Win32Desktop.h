// What the Windows window asks of the desktop: the file dialogs, the browser, the error box
// and the notice box. They sit behind one interface that the window owns, so that a test can
// answer a dialog or catch a browser call without a person in front of the screen.
#pragma once

#include <memory>
#include <optional>
#include <shobjidl.h>
#include <string>
#include <string_view>
#include <windows.h>

namespace vui {

class IWin32Desktop {
public:
  virtual ~IWin32Desktop() = default;
  // The chosen path, or nothing when the user cancels.
  virtual std::optional<std::u16string> ChooseOldProject(HWND aOwner) = 0;
  virtual std::optional<std::u16string> ChooseOutputPath(HWND aOwner,
                                                         const std::u16string& aProposal) = 0;
  // The report's path: an HTML page or JSON, by the extension.
  virtual std::optional<std::u16string> ChooseReportPath(HWND aOwner,
                                                         const std::u16string& aProposal) = 0;
  // False when no browser took the address.
  virtual bool OpenUrl(HWND aOwner, const std::u16string& aUrl) = 0;
  // The message in the box, the details behind its expander.
  virtual void ShowError(HWND aOwner, const std::u16string& aMessage,
                         const std::u16string& aDetails) = 0;
  // A message whose text can be selected and copied, such as an address.
  virtual void ShowNotice(HWND aOwner, const std::u16string& aText) = 0;
};

std::unique_ptr<IWin32Desktop> CreateWin32Desktop(HINSTANCE aResources);

// The common dialogs, set up for projects but not shown; a test reads their settings back.
struct TFileDialogRelease {
  void operator()(IFileDialog* aDialog) const { aDialog->Release(); }
};
using TFileDialogPtr = std::unique_ptr<IFileDialog, TFileDialogRelease>;
TFileDialogPtr CreateOpenProjectDialog();
TFileDialogPtr CreateSaveProjectDialog(const std::u16string& aProposal);
TFileDialogPtr CreateSaveReportDialog(const std::u16string& aProposal);

// The question asked before a chosen output replaces an existing file.
std::u16string ReplaceQuestion(const std::u16string& aPath);

inline const wchar_t* Wide(const std::u16string& aText) {
  return reinterpret_cast<const wchar_t*>(aText.c_str());
}

// For the window's shared texts only: they are literals, whose views end in a null as the
// system wants.
inline const wchar_t* WideLiteral(std::u16string_view aText) {
  return reinterpret_cast<const wchar_t*>(aText.data());
}

inline std::u16string FromWide(const wchar_t* aText) {
  return reinterpret_cast<const char16_t*>(aText);
}

} // namespace vui
