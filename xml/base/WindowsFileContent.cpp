#include "Errors.h"
#include "FileContent.h"
#include "WindowsErrors.h"

#include <algorithm>
#include <windows.h>

namespace vbase {

namespace {

[[noreturn]] void RaiseOpenError(const std::u16string& AFileName, DWORD AError) {
  throw EFOpenError(u"Cannot open file \"" + AFileName + u"\". " + WindowsErrorText(AError));
}

class TFileHandle {
public:
  explicit TFileHandle(HANDLE AHandle) : FHandle(AHandle) {}
  ~TFileHandle() { ::CloseHandle(FHandle); }
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;
  HANDLE Get() const { return FHandle; }

private:
  HANDLE FHandle;
};

} // namespace

// Others may read the file meanwhile but not write it. A folder cannot be opened this way, and
// says so with "Access is denied".
std::string ReadWholeFile(const std::u16string& AFileName, uint64_t AMaxSize) {
  const HANDLE handle =
      ::CreateFileW(reinterpret_cast<const wchar_t*>(AFileName.c_str()), GENERIC_READ,
                    FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    RaiseOpenError(AFileName, ::GetLastError());
  const TFileHandle file(handle);
  if (::GetFileType(file.Get()) != FILE_TYPE_DISK)
    throw EFOpenError(u"Cannot open file \"" + AFileName + u"\". Not a regular file");
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size))
    RaiseOpenError(AFileName, ::GetLastError());
  if (static_cast<uint64_t>(size.QuadPart) > AMaxSize)
    RaiseOpenError(AFileName, ERROR_FILE_TOO_LARGE);
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(size.QuadPart));
  char chunk[65536];
  for (;;) {
    DWORD count = 0;
    if (!::ReadFile(file.Get(), chunk, sizeof chunk, &count, nullptr))
      RaiseOpenError(AFileName, ::GetLastError());
    if (count == 0)
      return bytes;
    bytes.append(chunk, count);
  }
}

} // namespace vbase
