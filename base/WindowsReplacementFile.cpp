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

std::u16string CannotCreateMessage(const std::filesystem::path& AFullPath, DWORD AError) {
  return u"Cannot create file \"" + AFullPath.u16string() + u"\". " + WindowsErrorText(AError);
}

[[noreturn]] void RaiseCreateError(const std::filesystem::path& AFullPath, DWORD AError) {
  throw EFCreateError(CannotCreateMessage(AFullPath, AError));
}

// A failure once the content goes to disk keeps its own kind and message, and names the file and
// the system's reason for users.
template <class TError>
[[noreturn]] void RaiseWriteFailure(TError AError, const std::filesystem::path& AFullPath,
                                    DWORD ASystemError) {
  AError.SetWriteFailure({AFullPath.u16string(), WindowsErrorText(ASystemError)});
  throw AError;
}

[[noreturn]] void RaiseWriteError(const std::filesystem::path& AFullPath, DWORD ASystemError) {
  RaiseWriteFailure(EWriteError(u"Stream write error"), AFullPath, ASystemError);
}

HANDLE HandleOf(std::intptr_t AHandle) {
  return reinterpret_cast<HANDLE>(AHandle);
}

} // namespace

TReplacementFile::~TReplacementFile() {
  if (FHandle != -1)
    ::CloseHandle(HandleOf(FHandle));
  if (!FTemporary.empty())
    ::DeleteFileW(FTemporary.c_str());
}

void TReplacementFile::Write(std::string_view ABytes) {
  while (!ABytes.empty()) {
    const DWORD count = static_cast<DWORD>(std::min<std::size_t>(ABytes.size(), 1 << 30));
    DWORD written = 0;
    if (!ReplacementFileCalls.Write(HandleOf(FHandle), ABytes.data(), count, &written, nullptr))
      RaiseWriteError(FFullPath, ::GetLastError());
    // A write that takes nothing without an error has found no room.
    if (written == 0)
      RaiseWriteError(FFullPath, ERROR_DISK_FULL);
    ABytes.remove_prefix(written);
  }
}

// MOVEFILE_WRITE_THROUGH returns only once the new name is on disk, so the folder needs no sync
// of its own.
void TReplacementFile::Commit() {
  if (!ReplacementFileCalls.Sync(HandleOf(FHandle)))
    RaiseWriteError(FFullPath, ::GetLastError());
  const HANDLE handle = HandleOf(FHandle);
  FHandle = -1;
  if (!ReplacementFileCalls.Close(handle))
    RaiseWriteError(FFullPath, ::GetLastError());
  if (FKeptMode)
    ::SetFileAttributesW(FTemporary.c_str(), *FKeptMode);
  if (!ReplacementFileCalls.Rename(FTemporary.c_str(), FTarget.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = ::GetLastError();
    RaiseWriteFailure(EFCreateError(CannotCreateMessage(FFullPath, error)), FFullPath, error);
  }
  FTemporary.clear();
}

// What would stop the file from being opened for writing (a folder, a read-only file, a file
// that another program holds open without sharing) stops the save before anything is created;
// a file that exists passes its attributes on.
void TReplacementFile::RequireReplaceableTarget() {
  if (FTarget.empty())
    RaiseCreateError(FFullPath, ERROR_PATH_NOT_FOUND);
  const DWORD attributes = ::GetFileAttributesW(FTarget.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND)
      RaiseCreateError(FFullPath, error);
    return;
  }
  if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
    RaiseCreateError(FFullPath, ERROR_ACCESS_DENIED);
  const HANDLE probe = ::CreateFileW(FTarget.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == INVALID_HANDLE_VALUE)
    RaiseCreateError(FFullPath, ::GetLastError());
  ::CloseHandle(probe);
  FKeptMode = attributes;
}

void TReplacementFile::CreateTemporary() {
  // Files may be saved from several threads at once.
  static std::atomic<unsigned> serial = 0;
  const std::wstring prefix =
      (FTarget.parent_path() / (L"." + FTarget.filename().native() + L".")).native() +
      std::to_wstring(::GetCurrentProcessId()) + L".";
  DWORD error = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < 100 && error == ERROR_FILE_EXISTS; ++attempt) {
    std::wstring name = prefix + std::to_wstring(++serial) + L".tmp";
    const HANDLE handle = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      FHandle = reinterpret_cast<std::intptr_t>(handle);
      FTemporary = std::move(name);
      return;
    }
    error = ::GetLastError();
  }
  RaiseCreateError(FFullPath, error);
}

} // namespace vbase
