#include "Win32Desktop.h"
#include "Win32MainForm.h"
#include "Win32SingleInstance.h"
#include "vbase/Utf8.h"
#include "vpresenter/uMainTexts.h"
#include "vpresenter/uStartArguments.h"

#include <commctrl.h>
#include <cstdlib>
#include <objbase.h>
#include <windows.h>

namespace {

// --help, --version and a usage error answer on the console the program was started from; a
// program started without one shows the text in a box.
void Answer(const vui::TStartRequest& aRequest) {
  const bool attached = AttachConsole(ATTACH_PARENT_PROCESS);
  const HANDLE output = GetStdHandle(aRequest.ExitCode == 0 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  DWORD mode = 0;
  DWORD written = 0;
  if (output && output != INVALID_HANDLE_VALUE && GetConsoleMode(output, &mode)) {
    std::u16string text;
    for (const char16_t character : aRequest.Text)
      text += character == u'\n' ? std::u16string(u"\r\n") : std::u16string(1, character);
    WriteConsoleW(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  } else if (output && output != INVALID_HANDLE_VALUE && GetFileType(output) != FILE_TYPE_UNKNOWN) {
    const std::string bytes = vbase::Utf8Encode(aRequest.Text);
    WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  } else if (!attached) {
    MessageBoxW(nullptr, vui::Wide(aRequest.Text), vui::WideLiteral(vui::BoxTitle),
                aRequest.ExitCode == 0 ? MB_ICONINFORMATION : MB_ICONERROR);
  }
}

} // namespace

int WINAPI wWinMain(HINSTANCE aInstance, HINSTANCE, PWSTR, int aShowCommand) {
  const vui::TStartRequest request =
      vui::ParseStartArguments(vui::ArgumentsOfCommandLine(GetCommandLineW()), u"" VLP_VERSION);
  if (request.Action != vui::TStartAction::saWindow) {
    Answer(request);
    return request.ExitCode;
  }
  // A start without projects opens a window of its own, as it always has.
  vui::TWin32SingleInstance instance;
  if (!instance.First() && !request.Projects.empty() && instance.Forward(request.Projects))
    return 0;
  // The file dialogs are COM objects of the shell, which wants a single-threaded apartment.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const INITCOMMONCONTROLSEX controls{
      sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  vui::TWin32Mainform mainform(aInstance);
  mainform.EndProgramWhenClosed();
  mainform.Show(aShowCommand);
  if (instance.First())
    instance.Publish(mainform.Handle());
  mainform.Presenter().GatherProjects(request.Projects);
  const int exitCode = vui::RunMessageLoop(mainform.Handle());
  // The window has gone and every file is written and closed: tearing down what a large run
  // left in memory would keep the process alive for nothing, so the system takes it back.
  ExitProcess(static_cast<UINT>(exitCode));
}
