// The desktop of the Windows window: the common file dialogs, the question box, the browser,
// the notice box and the error box, as the presenter asks for them (vpresenter/uDesktop.h).
#pragma once

#include "vpresenter/uDesktop.h"

#include <memory>
#include <optional>
#include <shobjidl.h>
#include <string>
#include <string_view>
#include <windows.h>

namespace vui {

// The dialogs and boxes are owned by aOwner; the notice box comes from aResources.
std::unique_ptr<IDesktop> CreateWin32Desktop(HINSTANCE aResources, HWND aOwner);

// The common dialogs, set up but not shown; a test reads their settings back.
struct TFileDialogRelease {
  void operator()(IFileDialog* aDialog) const { aDialog->Release(); }
};
using TFileDialogPtr = std::unique_ptr<IFileDialog, TFileDialogRelease>;
TFileDialogPtr CreateOpenProjectDialog();
TFileDialogPtr CreateSaveDialog(const TSaveDialog& aDialog, const std::u16string& aProposal);

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
