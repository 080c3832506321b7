// The window's tests turn its message loop themselves: the run goes on a thread of its own and
// posts what it tells to the window.
#pragma once

#include "Win32MainForm.h"

#include <windows.h>

namespace vui {

// Turns the thread's message loop until aForm's run has ended.
inline void WaitForRun(TWin32Mainform& aForm) {
  while (aForm.Presenter().State() != TMainState::msIdle) {
    WaitMessage();
    aForm.ProcessMessages();
  }
}

} // namespace vui
