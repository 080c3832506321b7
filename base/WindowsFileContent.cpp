#include "vbase/Errors.h"
#include "vbase/FileContent.h"
#include "vbase/WindowsErrors.h"

#include <algorithm>
#include <windows.h>

namespace vbase {

namespace {

[[noreturn]] void RaiseOpenError(const std::u16string& aFileName, DWORD aError) {
  throw EFOpenError(u"Cannot open file \"" + aFileName + u"\". " + WindowsErrorText(aError));
}

HANDLE HandleOf(std::intptr_t aHandle) {
  return reinterpret_cast<HANDLE>(aHandle);
}

// The size of the file on disk behind aHandle, or the reason why it cannot be read.
uint64_t CheckedSize(const std::u16string& aFileName, HANDLE aHandle, uint64_t aMaxSize) {
  if (::GetFileType(aHandle) != FILE_TYPE_DISK)
    throw EFOpenError(u"Cannot open file \"" + aFileName + u"\". Not a regular file");
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(aHandle, &size))
    RaiseOpenError(aFileName, ::GetLastError());
  if (static_cast<uint64_t>(size.QuadPart) > aMaxSize)
    RaiseOpenError(aFileName, ERROR_FILE_TOO_LARGE);
  return static_cast<uint64_t>(size.QuadPart);
}

} // namespace

// Others may read the file meanwhile but not write it. A folder cannot be opened this way, and
// says so with "Access is denied".
TFileReader::TFileReader(const std::u16string& aFileName, uint64_t aMaxSize)
    : fFileName(aFileName),
      fHandle(reinterpret_cast<std::intptr_t>(
          ::CreateFileW(reinterpret_cast<const wchar_t*>(aFileName.c_str()), GENERIC_READ,
                        FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))) {
  if (HandleOf(fHandle) == INVALID_HANDLE_VALUE)
    RaiseOpenError(aFileName, ::GetLastError());
  try {
    fSize = CheckedSize(aFileName, HandleOf(fHandle), aMaxSize);
  } catch (...) {
    ::CloseHandle(HandleOf(fHandle));
    throw;
  }
}

TFileReader::~TFileReader() {
  ::CloseHandle(HandleOf(fHandle));
}

std::size_t TFileReader::Read(char* aBuffer, std::size_t aCount) {
  DWORD count = 0;
  const auto wanted = static_cast<DWORD>(std::min<std::size_t>(aCount, 1u << 30));
  if (!::ReadFile(HandleOf(fHandle), aBuffer, wanted, &count, nullptr))
    RaiseOpenError(fFileName, ::GetLastError());
  return count;
}

} // namespace vbase
