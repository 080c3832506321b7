// The system calls through which a replacement file reaches the disk. The replacement file makes
// them only through the one table below, which starts out as the system's own functions; a test
// swaps an entry to make that call fail, and puts it back afterwards. Nothing else changes it.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/types.h>
#endif

namespace vbase {

struct TReplacementFileCalls {
#ifdef _WIN32
  BOOL(WINAPI* Write)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
  BOOL(WINAPI* Sync)(HANDLE);
  BOOL(WINAPI* Close)(HANDLE);
  BOOL(WINAPI* Rename)(LPCWSTR, LPCWSTR, DWORD);
#else
  ssize_t (*Write)(int, const void*, size_t);
  // For the temporary file and for the folder alike.
  int (*Sync)(int);
  int (*Close)(int);
  int (*Rename)(const char*, const char*);
  // Opens a folder for reading, to sync it.
  int (*OpenFolder)(const char*);
#endif
};

extern TReplacementFileCalls ReplacementFileCalls;

} // namespace vbase
