#include "Win32Desktop.h"
#include "Win32MainForm.h"

#include <commctrl.h>
#include <objbase.h>
#include <windows.h>

int WINAPI wWinMain(HINSTANCE aInstance, HINSTANCE, PWSTR, int aShowCommand) {
  // The file dialogs are COM objects of the shell, which wants a single-threaded apartment.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const INITCOMMONCONTROLSEX controls{
      sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  int exitCode = 0;
  {
    vui::TWin32Mainform mainform(aInstance, vui::CreateWin32Desktop(aInstance));
    mainform.EndProgramWhenClosed();
    mainform.Show(aShowCommand);
    if (const std::optional<std::u16string> project =
            vui::ProjectOfArguments(vui::ArgumentsOfCommandLine(GetCommandLineW())))
      mainform.Presenter().ConvertProjectLater(*project);
    exitCode = vui::RunMessageLoop(mainform.Handle());
  }
  CoUninitialize();
  return exitCode;
}
