#include "ReplacementFileCalls.h"
#include "vbase/Errors.h"
#include "vbase/ReplacementFile.h"
#include "vbase/Utf8.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vbase {

TReplacementFileCalls ReplacementFileCalls = {
    ::write, ::fsync, ::close, ::rename,
    [](const char* AFolder) { return ::open(AFolder, O_RDONLY | O_DIRECTORY | O_CLOEXEC); }};

namespace {

int Descriptor(std::intptr_t AHandle) {
  return static_cast<int>(AHandle);
}

std::u16string CannotCreateMessage(const std::filesystem::path& AFullPath, int AError) {
  return u"Cannot create file \"" + Utf8Decode(AFullPath.native()) + u"\". " +
         Utf8Decode(std::strerror(AError));
}

[[noreturn]] void RaiseCreateError(const std::filesystem::path& AFullPath, int AError) {
  throw EFCreateError(CannotCreateMessage(AFullPath, AError));
}

// A failure once the content goes to disk keeps its own kind and message, and names the file and
// the system's reason for users: "Cannot write "FILE": REASON".
template <class TError>
[[noreturn]] void RaiseWriteFailure(TError AError, const std::filesystem::path& AFullPath,
                                    int ASystemError) {
  AError.SetWriteFailure({Utf8Decode(AFullPath.native()), Utf8Decode(std::strerror(ASystemError))});
  throw AError;
}

[[noreturn]] void RaiseWriteError(const std::filesystem::path& AFullPath, int ASystemError) {
  RaiseWriteFailure(EWriteError(u"Stream write error"), AFullPath, ASystemError);
}

// The new content is written, but its name could not be given or put on disk.
[[noreturn]] void RaiseUnwrittenName(const std::filesystem::path& AFullPath, int ASystemError) {
  RaiseWriteFailure(EFCreateError(CannotCreateMessage(AFullPath, ASystemError)), AFullPath,
                    ASystemError);
}

// The flush to disk on commit then waits only for what is left: the bytes written before are
// put on disk meanwhile, while the rest is still being made. A failure shows in that flush.
void StartFlushing(int AHandle, uint64_t AWritten, uint64_t& AFlushStarted) {
#if defined(__linux__)
  constexpr uint64_t Step = 1 << 20;
  if (AWritten - AFlushStarted < Step)
    return;
  ::sync_file_range(AHandle, static_cast<off64_t>(AFlushStarted),
                    static_cast<off64_t>(AWritten - AFlushStarted), SYNC_FILE_RANGE_WRITE);
  AFlushStarted = AWritten;
#else
  (void)AHandle;
  (void)AWritten;
  (void)AFlushStarted;
#endif
}

// Until the folder is on disk too, a power cut may leave its old entry: the old file, or none.
// A folder that may not be read, or a file system that does not sync folders, leaves nothing
// more to do. Any other failure is reported although the new file stays under the name:
// durability was not reached, the old content is already gone, and deleting the new file would
// lose both.
void SyncFolder(const std::filesystem::path& AFolder, const std::filesystem::path& AFullPath) {
  const int folder = ReplacementFileCalls.OpenFolder(AFolder.empty() ? "." : AFolder.c_str());
  if (folder < 0) {
    if (errno == EACCES)
      return;
    RaiseUnwrittenName(AFullPath, errno);
  }
  const int error = ReplacementFileCalls.Sync(folder) == 0 ? 0 : errno;
  ReplacementFileCalls.Close(folder);
  if (error != 0 && error != EINVAL)
    RaiseUnwrittenName(AFullPath, error);
}

} // namespace

TReplacementFile::~TReplacementFile() {
  if (FHandle >= 0)
    ::close(Descriptor(FHandle));
  if (!FTemporary.empty())
    ::unlink(FTemporary.c_str());
}

void TReplacementFile::Write(std::string_view ABytes) {
  while (!ABytes.empty()) {
    const ssize_t written =
        ReplacementFileCalls.Write(Descriptor(FHandle), ABytes.data(), ABytes.size());
    if (written < 0 && errno == EINTR)
      continue;
    // A write that takes nothing without an error has found no room.
    if (written <= 0)
      RaiseWriteError(FFullPath, written == 0 ? ENOSPC : errno);
    ABytes.remove_prefix(static_cast<std::size_t>(written));
    FWritten += static_cast<uint64_t>(written);
  }
  StartFlushing(Descriptor(FHandle), FWritten, FFlushStarted);
}

void TReplacementFile::Commit() {
  if (FKeptMode && ::fchmod(Descriptor(FHandle), static_cast<mode_t>(*FKeptMode)) != 0)
    RaiseCreateError(FFullPath, errno);
  if (ReplacementFileCalls.Sync(Descriptor(FHandle)) != 0)
    RaiseWriteError(FFullPath, errno);
  const int handle = Descriptor(FHandle);
  FHandle = -1;
  if (ReplacementFileCalls.Close(handle) != 0)
    RaiseWriteError(FFullPath, errno);
  if (ReplacementFileCalls.Rename(FTemporary.c_str(), FTarget.c_str()) != 0)
    RaiseUnwrittenName(FFullPath, errno);
  FTemporary.clear();
  SyncFolder(FTarget.parent_path(), FFullPath);
}

// What would stop the file from being opened for writing stops the save before anything is
// created; a file that exists passes its permission bits on.
void TReplacementFile::RequireReplaceableTarget() {
  if (FTarget.empty())
    RaiseCreateError(FFullPath, ENOENT);
  struct stat status {};
  if (::stat(FTarget.c_str(), &status) != 0) {
    if (errno != ENOENT)
      RaiseCreateError(FFullPath, errno);
    return;
  }
  if (S_ISDIR(status.st_mode))
    RaiseCreateError(FFullPath, EISDIR);
  if (::access(FTarget.c_str(), W_OK) != 0)
    RaiseCreateError(FFullPath, errno);
  FKeptMode = status.st_mode & 07777;
}

void TReplacementFile::CreateTemporary() {
  // Files may be saved from several threads at once.
  static std::atomic<unsigned> serial = 0;
  const std::string prefix =
      (FTarget.parent_path() / ("." + FTarget.filename().native() + ".")).native() +
      std::to_string(::getpid()) + ".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = prefix + std::to_string(++serial) + ".tmp";
    FHandle = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (FHandle >= 0) {
      FTemporary = std::move(name);
      return;
    }
    if (errno != EEXIST)
      break;
  }
  RaiseCreateError(FFullPath, errno);
}

} // namespace vbase
