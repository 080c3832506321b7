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

[[noreturn]] void RaiseCreateError(const std::filesystem::path& AFullPath, DWORD AError) {
  throw EFCreateError(u"Cannot create file \"" + AFullPath.u16string() + u"\". " +
                      WindowsErrorText(AError));
}

[[noreturn]] void RaiseWriteError() {
  throw EWriteError(u"Stream write error");
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
    if (!ReplacementFileCalls.Write(HandleOf(FHandle), ABytes.data(), count, &written, nullptr) ||
        written == 0)
      RaiseWriteError();
    ABytes.remove_prefix(written);
  }
}

// MOVEFILE_WRITE_THROUGH returns only once the new name is on disk, so the folder needs no sync
// of its own.
void TReplacementFile::Commit() {
  if (!ReplacementFileCalls.Sync(HandleOf(FHandle)))
    RaiseWriteError();
  const HANDLE handle = HandleOf(FHandle);
  FHandle = -1;
  if (!ReplacementFileCalls.Close(handle))
    RaiseWriteError();
  if (FKeptMode)
    ::SetFileAttributesW(FTemporary.c_str(), *FKeptMode);
  if (!ReplacementFileCalls.Rename(FTemporary.c_str(), FTarget.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    RaiseCreateError(FFullPath, ::GetLastError());
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
