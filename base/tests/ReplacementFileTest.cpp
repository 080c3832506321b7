#include "vbase/ReplacementFile.h"

#include "ErrorOf.h"
#include "ReplacementFileCalls.h"
#include "TestFiles.h"
#include "vbase/Utf8.h"
#include "vbase/Utf8Path.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#ifdef _WIN32
#include "vbase/WindowsErrors.h"

#include <windows.h>
#else
#include <sys/stat.h>
#endif

using namespace vbase;

namespace fs = std::filesystem;

namespace {

const std::string OldContent = "old content";
const std::string NewContent = "new content";

// The call of a save that fails, and the system's error it fails with.
enum class TCall { None, Write, SyncFile, CloseFile, Rename, OpenFolder, SyncFolder, CloseFolder };

struct TFault {
  TCall Call = TCall::None;
  int Error = 0;
};

TFault Fault;
// The calls a save made, in order.
std::vector<std::string> Calls;

// The system's own calls, while the faulty ones are in place.
TReplacementFileCalls SystemCalls;

// Swaps the system calls of the replacement file for ones that record themselves and make the
// call of Fault fail, for the object's lifetime.
class TFaultyCalls {
public:
  explicit TFaultyCalls(TFault aFault);
  ~TFaultyCalls() {
    ReplacementFileCalls = SystemCalls;
    Fault = {};
    Calls.clear();
  }
  TFaultyCalls(const TFaultyCalls&) = delete;
  TFaultyCalls& operator=(const TFaultyCalls&) = delete;
};

// Records the call, and fails it with Fault's error when it is the call of Fault.
bool Fails(TCall aCall, const char* aName) {
  Calls.push_back(aName);
  if (Fault.Call != aCall)
    return false;
#ifdef _WIN32
  ::SetLastError(static_cast<DWORD>(Fault.Error));
#else
  errno = Fault.Error;
#endif
  return true;
}

#ifdef _WIN32

DWORD RenameFlags = 0;

TFaultyCalls::TFaultyCalls(TFault aFault) {
  Fault = aFault;
  SystemCalls = ReplacementFileCalls;
  ReplacementFileCalls = {
      [](HANDLE aFile, LPCVOID aBytes, DWORD aCount, LPDWORD aWritten, LPOVERLAPPED aOverlapped) {
        return Fails(TCall::Write, "write")
                   ? FALSE
                   : SystemCalls.Write(aFile, aBytes, aCount, aWritten, aOverlapped);
      },
      [](HANDLE aFile) {
        return Fails(TCall::SyncFile, "sync file") ? FALSE : SystemCalls.Sync(aFile);
      },
      // The handle is gone also when closing it fails.
      [](HANDLE aFile) {
        const BOOL closed = SystemCalls.Close(aFile);
        return Fails(TCall::CloseFile, "close file") ? FALSE : closed;
      },
      [](LPCWSTR aFrom, LPCWSTR aTo, DWORD aFlags) {
        RenameFlags = aFlags;
        return Fails(TCall::Rename, "rename") ? FALSE : SystemCalls.Rename(aFrom, aTo, aFlags);
      }};
}

std::string CannotCreate(const fs::path& aTarget, int aError) {
  return "EFCreateError: " + Utf8Encode(u"Cannot create file \"" + aTarget.u16string() + u"\". " +
                                        WindowsErrorText(static_cast<unsigned long>(aError)));
}

std::string CannotWrite(const fs::path& aTarget, int aError) {
  return Utf8Encode(u"Cannot write \"" + aTarget.u16string() + u"\": " +
                    WindowsErrorText(static_cast<unsigned long>(aError)));
}

#else

// The same calls serve the temporary file and the folder.
bool Fails(int aHandle, TCall aOnFile, const char* aFileName, TCall aOnFolder,
           const char* aFolderName) {
  struct stat status {};
  const bool folder = ::fstat(aHandle, &status) == 0 && S_ISDIR(status.st_mode);
  return folder ? Fails(aOnFolder, aFolderName) : Fails(aOnFile, aFileName);
}

TFaultyCalls::TFaultyCalls(TFault aFault) {
  Fault = aFault;
  SystemCalls = ReplacementFileCalls;
  ReplacementFileCalls = {
      [](int aFile, const void* aBytes, size_t aCount) {
        return Fails(TCall::Write, "write") ? ssize_t{-1}
                                            : SystemCalls.Write(aFile, aBytes, aCount);
      },
      [](int aFile) {
        return Fails(aFile, TCall::SyncFile, "sync file", TCall::SyncFolder, "sync folder")
                   ? -1
                   : SystemCalls.Sync(aFile);
      },
      // The handle is gone also when closing it fails.
      [](int aFile) {
        if (!Fails(aFile, TCall::CloseFile, "close file", TCall::CloseFolder, "close folder"))
          return SystemCalls.Close(aFile);
        const int error = errno;
        SystemCalls.Close(aFile);
        errno = error;
        return -1;
      },
      [](const char* aFrom, const char* aTo) {
        return Fails(TCall::Rename, "rename") ? -1 : SystemCalls.Rename(aFrom, aTo);
      },
      [](const char* aFolder) {
        return Fails(TCall::OpenFolder, "open folder") ? -1 : SystemCalls.OpenFolder(aFolder);
      }};
}

std::string CannotCreate(const fs::path& aTarget, int aError) {
  return "EFCreateError: Cannot create file \"" + aTarget.native() + "\". " + std::strerror(aError);
}

std::string CannotWrite(const fs::path& aTarget, int aError) {
  return "Cannot write \"" + aTarget.native() + "\": " + std::strerror(aError);
}

#endif

void Save(const fs::path& aTarget) {
  TReplacementFile file(aTarget);
  file.Write(NewContent);
  file.Commit();
}

class ReplacementFileTest : public ::testing::Test {
protected:
  fs::path Target() const { return PathOfUtf8(fFolder.File("demo.vxp")); }

  TTempFolder fFolder;
};

TEST_F(ReplacementFileTest, SyncsTheFolderAfterTheRename) {
  const TFaultyCalls calls({});
  WriteFileBytes(Target(), OldContent);
  Save(Target());
  EXPECT_EQ(ReadFileBytes(Target()), NewContent);
#ifdef _WIN32
  EXPECT_EQ(Calls, (std::vector<std::string>{"write", "sync file", "close file", "rename"}));
  EXPECT_EQ(RenameFlags, DWORD{MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH});
#else
  EXPECT_EQ(Calls, (std::vector<std::string>{"write", "sync file", "close file", "rename",
                                             "open folder", "sync folder", "close folder"}));
#endif
}

struct TFailedCallCase {
  const char* Name;
  TFault Fault;
  // "Cannot create file" with the target's full path and the system's text for the fault's
  // error, rather than "Stream write error".
  bool CreateError;
  // Only once the new file has its name can a failure no longer keep the old content.
  bool NewFileStays;
};

#ifdef _WIN32
const TFailedCallCase FailedCallCases[] = {
    {"write", {TCall::Write, ERROR_DISK_FULL}, false, false},
    {"flush", {TCall::SyncFile, ERROR_DISK_FULL}, false, false},
    {"close", {TCall::CloseFile, ERROR_NETNAME_DELETED}, false, false},
    {"rename", {TCall::Rename, ERROR_ACCESS_DENIED}, true, false},
};
#else
const TFailedCallCase FailedCallCases[] = {
    {"write", {TCall::Write, ENOSPC}, false, false},
    // Bytes written earlier that did not reach the disk.
    {"flush", {TCall::SyncFile, EIO}, false, false},
    {"close", {TCall::CloseFile, EIO}, false, false},
    {"rename", {TCall::Rename, EACCES}, true, false},
    {"open the folder", {TCall::OpenFolder, ENOENT}, true, true},
    {"sync the folder", {TCall::SyncFolder, EIO}, true, true},
};
#endif

TEST_F(ReplacementFileTest, FailedCallLeavesTheTargetAsItWasAndNoTemporaryFile) {
  for (const TFailedCallCase& row : FailedCallCases) {
    for (const bool targetExists : {true, false}) {
      SCOPED_TRACE(std::string(row.Name) + (targetExists ? ", existing target" : ", new target"));
      if (targetExists)
        WriteFileBytes(Target(), OldContent);
      {
        const TFaultyCalls calls(row.Fault);
        std::string headline;
        const auto save = [&] {
          try {
            Save(Target());
          } catch (const Exception& error) {
            headline = Utf8Encode(error.Headline());
            throw;
          }
        };
        EXPECT_EQ(ErrorOf(save), row.CreateError ? CannotCreate(Target(), row.Fault.Error)
                                                 : "EWriteError: Stream write error");
        // Users are told which file and why, whichever call failed.
        EXPECT_EQ(headline, CannotWrite(Target(), row.Fault.Error));
      }
      if (row.NewFileStays || targetExists) {
        EXPECT_EQ(ReadFileBytes(Target()), row.NewFileStays ? NewContent : OldContent);
      }
      EXPECT_EQ(fFolder.Entries(),
                (targetExists || row.NewFileStays ? std::set<std::string>{"demo.vxp"}
                                                  : std::set<std::string>{}));
      fs::remove(Target());
    }
  }
}

#ifndef _WIN32
// Nothing more can be done for the new name there, and the save succeeded as far as it can.
TEST_F(ReplacementFileTest, FolderThatCannotBeSyncedIsNoFailure) {
  const TFault faults[] = {
      {TCall::OpenFolder, EACCES}, // a folder that may be written to but not read
      {TCall::SyncFolder, EINVAL}, // a file system that does not sync folders
      {TCall::CloseFolder, EIO},   // the folder was synced, only read
  };
  for (const TFault& fault : faults) {
    SCOPED_TRACE(std::strerror(fault.Error));
    WriteFileBytes(Target(), OldContent);
    const TFaultyCalls calls(fault);
    Save(Target());
    EXPECT_EQ(ReadFileBytes(Target()), NewContent);
    EXPECT_EQ(fFolder.Entries(), std::set<std::string>{"demo.vxp"});
  }
}
#endif

} // namespace
