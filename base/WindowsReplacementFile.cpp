#include "ReplacementFileCalls.h"
#include "vbase/Errors.h"
#include "vbase/ReplacementFile.h"
#include "vbase/WindowsErrors.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <windows.h>

namespace vbase {

TReplacementFileCalls ReplacementFileCalls = {::WriteFile, ::FlushFileBuffers, ::CloseHandle,
                                              ::MoveFileExW};

namespace {

std::u16string CannotCreateMessage(const std::filesystem::path& aFullPath, DWORD aError) {
  return u"Cannot create file \"" + aFullPath.u16string() + u"\". " + WindowsErrorText(aError);
}

[[noreturn]] void RaiseCreateError(const std::filesystem::path& aFullPath, DWORD aError) {
  throw EFCreateError(CannotCreateMessage(aFullPath, aError));
}

// A failure once the content goes to disk keeps its own kind and message, and names the file and
// the system's reason for users.
template <class TError>
[[noreturn]] void RaiseWriteFailure(TError aError, const std::filesystem::path& aFullPath,
                                    DWORD aSystemError) {
  aError.SetWriteFailure({aFullPath.u16string(), WindowsErrorText(aSystemError)});
  throw aError;
}

[[noreturn]] void RaiseWriteError(const std::filesystem::path& aFullPath, DWORD aSystemError) {
  RaiseWriteFailure(EWriteError(u"Stream write error"), aFullPath, aSystemError);
}

HANDLE HandleOf(std::intptr_t aHandle) {
  return reinterpret_cast<HANDLE>(aHandle);
}

} // namespace

TReplacementFile::~TReplacementFile() {
  if (fHandle != -1)
    ::CloseHandle(HandleOf(fHandle));
  if (!fTemporary.empty())
    ::DeleteFileW(fTemporary.c_str());
}

void TReplacementFile::Write(std::string_view aBytes) {
  while (!aBytes.empty()) {
    const DWORD count = static_cast<DWORD>(std::min<std::size_t>(aBytes.size(), 1 << 30));
    DWORD written = 0;
    if (!ReplacementFileCalls.Write(HandleOf(fHandle), aBytes.data(), count, &written, nullptr))
      RaiseWriteError(fFullPath, ::GetLastError());
    // A write that takes nothing without an error has found no room.
    if (written == 0)
      RaiseWriteError(fFullPath, ERROR_DISK_FULL);
    aBytes.remove_prefix(written);
  }
}

// MOVEFILE_WRITE_THROUGH returns only once the new name is on disk, so the folder needs no sync
// of its own.
void TReplacementFile::Commit() {
  if (!ReplacementFileCalls.Sync(HandleOf(fHandle)))
    RaiseWriteError(fFullPath, ::GetLastError());
  const HANDLE handle = HandleOf(fHandle);
  fHandle = -1;
  if (!ReplacementFileCalls.Close(handle))
    RaiseWriteError(fFullPath, ::GetLastError());
  if (fKeptMode)
    ::SetFileAttributesW(fTemporary.c_str(), *fKeptMode);
  if (!ReplacementFileCalls.Rename(fTemporary.c_str(), fTarget.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = ::GetLastError();
    RaiseWriteFailure(EFCreateError(CannotCreateMessage(fFullPath, error)), fFullPath, error);
  }
  fTemporary.clear();
}

// What would stop the file from being opened for writing (a folder, a read-only file, a file
// that another program holds open without sharing) stops the save before anything is created;
// a file that exists passes its attributes on.
void TReplacementFile::RequireReplaceableTarget() {
  if (fTarget.empty())
    RaiseCreateError(fFullPath, ERROR_PATH_NOT_FOUND);
  const DWORD attributes = ::GetFileAttributesW(fTarget.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND)
      RaiseCreateError(fFullPath, error);
    return;
  }
  if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
    RaiseCreateError(fFullPath, ERROR_ACCESS_DENIED);
  const HANDLE probe = ::CreateFileW(fTarget.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == INVALID_HANDLE_VALUE)
    RaiseCreateError(fFullPath, ::GetLastError());
  ::CloseHandle(probe);
  fKeptMode = attributes;
}

void TReplacementFile::CreateTemporary() {
  // Files may be saved from several threads at once.
  static std::atomic<unsigned> serial = 0;
  const std::wstring prefix =
      (fTarget.parent_path() / (L"." + fTarget.filename().native() + L".")).native() +
      std::to_wstring(::GetCurrentProcessId()) + L".";
  DWORD error = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < 100 && error == ERROR_FILE_EXISTS; ++attempt) {
    std::wstring name = prefix + std::to_wstring(++serial) + L".tmp";
    const HANDLE handle = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      fHandle = reinterpret_cast<std::intptr_t>(handle);
      fTemporary = std::move(name);
      return;
    }
    error = ::GetLastError();
  }
  RaiseCreateError(fFullPath, error);
}

} // namespace vbase
