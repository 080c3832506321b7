// The program's one window on Windows, made of the system's common controls: the buttons, the
// page with the target list and the log, scaled for the screen's DPI. It draws what it is told
// and passes on what the user does; every decision is the presenter's.
#pragma once

#include "Win32Desktop.h"

#include <commctrl.h>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include <windows.h>

namespace vui {

enum TTargetColumn { tcImage, tcOldTarget, tcNewTarget, tcRows, tcCount };

class TWin32Mainform {
public:
  // What the user does, for the presenter.
  struct TEvents {
    std::function<void()> ConvertClicked;
    std::function<void()> HelpClicked;
    // Whether the window may close now.
    std::function<bool()> CloseRequested;
    std::function<void(const std::vector<std::u16string>&)> FilesDropped;
    // An exception that left one of the handlers above.
    std::function<void(std::exception_ptr)> Failed;
  };

  TWin32Mainform(HINSTANCE aInstance, std::unique_ptr<TWin32Desktop> aDesktop);
  ~TWin32Mainform();
  TWin32Mainform(const TWin32Mainform&) = delete;
  TWin32Mainform& operator=(const TWin32Mainform&) = delete;

  void SetEvents(TEvents aEvents) { fEvents = std::move(aEvents); }
  void SetDesktop(std::unique_ptr<TWin32Desktop> aDesktop) { fDesktop = std::move(aDesktop); }
  TWin32Desktop& Desktop() { return *fDesktop; }

  HWND Handle() const { return fWindow; }
  // Closing the window then ends the thread's message loop.
  void EndProgramWhenClosed() { fEndsProgram = true; }
  UINT Dpi() const { return fDpi; }
  void Show(int aShowCommand);
  void Close();

  void ClearLog();
  void AddLogLine(std::u16string_view aLine);
  // The log's lines, the last aCount of them at the most.
  std::vector<std::u16string> LastLogLines(size_t aCount) const;

  void ClearTargets();
  // A row at the end of the list, with its image (-1 for none) and its texts in columns 1 to 3.
  void AddTarget(int aImage, const std::u16string& aOldTarget, const std::u16string& aNewTarget);
  void SetTargetText(int aRow, TTargetColumn aColumn, const std::u16string& aText);
  // What a row's tooltip says about its image, when the image needs words.
  void SetTargetImageNote(int aRow, const std::u16string& aNote);
  int TargetCount() const;

  // A run disables Convert; when it ends, the focus goes back to Convert if the run took it.
  void SetConvertEnabled(bool aEnabled);
  // Repaints and handles the input that waits, as the run lets the window breathe.
  void ProcessMessages();
  // Calls aAction once the message loop runs again.
  void Later(std::function<void()> aAction);

  // The handlers the window's messages go to; tests call them as the system would.
  void DropFiles(HDROP aDrop);
  LRESULT HandleMessage(UINT aMessage, WPARAM aWParam, LPARAM aLParam);

  HWND btnConvert = nullptr;
  HWND btnHelp = nullptr;
  HWND pgcMain = nullptr;
  HWND lstTargets = nullptr;
  HWND memLog = nullptr;
  // Image 0 marks a converted target, image 1 one that cannot be converted.
  HIMAGELIST ImageList1 = nullptr;

private:
  static LRESULT CALLBACK WindowProc(HWND aWindow, UINT aMessage, WPARAM aWParam, LPARAM aLParam);
  void CreateControls();
  void SetUpTargetColumns();
  void ApplyDpi(UINT aDpi);
  void LoadImages();
  void LayOut();
  void ShareFreeWidth();
  LRESULT Notify(const NMHDR& aHeader);
  void ShowInfoTip(NMLVGETINFOTIPW& aTip) const;
  void Command(WORD aControl);
  void Fail(std::exception_ptr aError);
  int Scaled(int aPixels) const;

  HINSTANCE fInstance;
  std::unique_ptr<TWin32Desktop> fDesktop;
  TEvents fEvents;
  HWND fWindow = nullptr;
  UINT fDpi = USER_DEFAULT_SCREEN_DPI;
  HFONT fFont = nullptr;
  HICON fConvertImage = nullptr;
  // The two target columns share the free width until the user sizes one of them.
  bool fTargetColumnsSizedByUser = false;
  // The control that took the focus from Convert when a run disabled it.
  HWND fFocusTakenBy = nullptr;
  bool fEndsProgram = false;
  std::vector<std::u16string> fImageNotes;
  std::vector<std::function<void()>> fLater;
};

// Runs the thread's message loop until the window is gone; the keyboard works as in a dialog.
int RunMessageLoop(HWND aWindow);

// The project named on a command line (program name first), made absolute, if there is one.
std::optional<std::u16string> ProjectOfCommandLine(const wchar_t* aCommandLine);

} // namespace vui
