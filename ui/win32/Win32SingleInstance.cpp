#include "Win32SingleInstance.h"

#include <cstdint>

namespace vui {

namespace {

// "Local" names live in the user's session.
const wchar_t* const SharedName = L"Local\\Vlp5ToVXP.Window";
const wchar_t* const ReadyName = L"Local\\Vlp5ToVXP.WindowReady";
// The first start may still be loading when the later ones come; a window that does not answer
// within this is not waited for, and the later start opens a window of its own.
constexpr DWORD AnswerMilliseconds = 10000;

} // namespace

std::vector<std::u16string> ForwardedProjects(const COPYDATASTRUCT& aData) {
  std::vector<std::u16string> paths;
  if (aData.dwData != ForwardedProjectsTag || !aData.lpData)
    return paths;
  const std::u16string_view text(static_cast<const char16_t*>(aData.lpData),
                                 aData.cbData / sizeof(char16_t));
  for (std::size_t begin = 0; begin < text.size();) {
    const std::size_t end = std::min(text.find(u'\0', begin), text.size());
    if (end > begin)
      paths.emplace_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  return paths;
}

TWin32SingleInstance::TWin32SingleInstance()
    : fShared(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(uint64_t),
                                 SharedName)),
      fReady(CreateEventW(nullptr, TRUE, FALSE, ReadyName)) {
  fFirst = fShared && GetLastError() != ERROR_ALREADY_EXISTS;
}

TWin32SingleInstance::~TWin32SingleInstance() {
  if (fReady)
    CloseHandle(fReady);
  if (fShared)
    CloseHandle(fShared);
}

void TWin32SingleInstance::Publish(HWND aWindow) {
  void* view = MapViewOfFile(fShared, FILE_MAP_WRITE, 0, 0, sizeof(uint64_t));
  if (!view)
    return;
  *static_cast<uint64_t*>(view) = reinterpret_cast<uintptr_t>(aWindow);
  UnmapViewOfFile(view);
  SetEvent(fReady);
}

bool TWin32SingleInstance::Forward(const std::vector<std::u16string>& aPaths) const {
  if (!fShared || !fReady || WaitForSingleObject(fReady, AnswerMilliseconds) != WAIT_OBJECT_0)
    return false;
  const void* view = MapViewOfFile(fShared, FILE_MAP_READ, 0, 0, sizeof(uint64_t));
  if (!view)
    return false;
  const HWND window =
      reinterpret_cast<HWND>(static_cast<uintptr_t>(*static_cast<const uint64_t*>(view)));
  UnmapViewOfFile(view);
  std::u16string text;
  for (const std::u16string& path : aPaths)
    text += path + u'\0';
  COPYDATASTRUCT data{ForwardedProjectsTag, static_cast<DWORD>(text.size() * sizeof(char16_t)),
                      text.data()};
  // The window may come to the front only if this start, which the user began, lets it.
  AllowSetForegroundWindow(ASFW_ANY);
  DWORD_PTR taken = 0;
  return SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG, AnswerMilliseconds, &taken) &&
         taken;
}

} // namespace vui
