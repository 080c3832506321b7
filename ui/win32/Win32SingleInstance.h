// One window per user session takes the projects of every start of the program: Explorer starts
// it once per selected file, and the later starts hand their projects to the first one's window.
#pragma once

#include <string>
#include <vector>
#include <windows.h>

namespace vui {

// What marks a WM_COPYDATA of projects handed over by a later start.
constexpr ULONG_PTR ForwardedProjectsTag = 0x564C5050;

// The projects of a WM_COPYDATA that a later start sent, none when it is not such a message.
std::vector<std::u16string> ForwardedProjects(const COPYDATASTRUCT& aData);

class TWin32SingleInstance {
public:
  TWin32SingleInstance();
  ~TWin32SingleInstance();
  TWin32SingleInstance(const TWin32SingleInstance&) = delete;
  TWin32SingleInstance& operator=(const TWin32SingleInstance&) = delete;

  // No earlier start of the session has claimed the window that takes the projects.
  bool First() const { return fFirst; }
  // From now on later starts hand their projects to aWindow.
  void Publish(HWND aWindow);
  // Hands aPaths to the first start's window: false when it did not take them, gone or closing.
  bool Forward(const std::vector<std::u16string>& aPaths) const;

private:
  HANDLE fShared = nullptr;
  HANDLE fReady = nullptr;
  bool fFirst = false;
};

} // namespace vui
