#include "vbase/Errors.h"
#include "vbase/FileContent.h"
#include "vbase/WindowsErrors.h"

#include <algorithm>
#include <windows.h>

namespace vbase {

namespace {

[[noreturn]] void RaiseOpenError(const std::u16string& AFileName, DWORD AError) {
  throw EFOpenError(u"Cannot open file \"" + AFileName + u"\". " + WindowsErrorText(AError));
}

HANDLE HandleOf(std::intptr_t AHandle) {
  return reinterpret_cast<HANDLE>(AHandle);
}

// The size of the file on disk behind AHandle, or the reason why it cannot be read.
uint64_t CheckedSize(const std::u16string& AFileName, HANDLE AHandle, uint64_t AMaxSize) {
  if (::GetFileType(AHandle) != FILE_TYPE_DISK)
    throw EFOpenError(u"Cannot open file \"" + AFileName + u"\". Not a regular file");
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(AHandle, &size))
    RaiseOpenError(AFileName, ::GetLastError());
  if (static_cast<uint64_t>(size.QuadPart) > AMaxSize)
    RaiseOpenError(AFileName, ERROR_FILE_TOO_LARGE);
  return static_cast<uint64_t>(size.QuadPart);
}

} // namespace

// Others may read the file meanwhile but not write it. A folder cannot be opened this way, and
// says so with "Access is denied".
TFileReader::TFileReader(const std::u16string& AFileName, uint64_t AMaxSize)
    : FFileName(AFileName),
      FHandle(reinterpret_cast<std::intptr_t>(
          ::CreateFileW(reinterpret_cast<const wchar_t*>(AFileName.c_str()), GENERIC_READ,
                        FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))) {
  if (HandleOf(FHandle) == INVALID_HANDLE_VALUE)
    RaiseOpenError(AFileName, ::GetLastError());
  try {
    FSize = CheckedSize(AFileName, HandleOf(FHandle), AMaxSize);
  } catch (...) {
    ::CloseHandle(HandleOf(FHandle));
    throw;
  }
}

TFileReader::~TFileReader() {
  ::CloseHandle(HandleOf(FHandle));
}

std::size_t TFileReader::Read(char* ABuffer, std::size_t ACount) {
  DWORD count = 0;
  const auto wanted = static_cast<DWORD>(std::min<std::size_t>(ACount, 1u << 30));
  if (!::ReadFile(HandleOf(FHandle), ABuffer, wanted, &count, nullptr))
    RaiseOpenError(FFileName, ::GetLastError());
  return count;
}

} // namespace vbase
