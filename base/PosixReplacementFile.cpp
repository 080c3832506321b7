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
    [](const char* aFolder) { return ::open(aFolder, O_RDONLY | O_DIRECTORY | O_CLOEXEC); }};

namespace {

int Descriptor(std::intptr_t aHandle) {
  return static_cast<int>(aHandle);
}

std::u16string CannotCreateMessage(const std::filesystem::path& aFullPath, int aError) {
  return u"Cannot create file \"" + Utf8Decode(aFullPath.native()) + u"\". " +
         Utf8Decode(std::strerror(aError));
}

[[noreturn]] void RaiseCreateError(const std::filesystem::path& aFullPath, int aError) {
  throw EFCreateError(CannotCreateMessage(aFullPath, aError));
}

// A failure once the content goes to disk keeps its own kind and message, and names the file and
// the system's reason for users: "Cannot write "FILE": REASON".
template <class TError>
[[noreturn]] void RaiseWriteFailure(TError aError, const std::filesystem::path& aFullPath,
                                    int aSystemError) {
  aError.SetWriteFailure({Utf8Decode(aFullPath.native()), Utf8Decode(std::strerror(aSystemError))});
  throw aError;
}

[[noreturn]] void RaiseWriteError(const std::filesystem::path& aFullPath, int aSystemError) {
  RaiseWriteFailure(EWriteError(u"Stream write error"), aFullPath, aSystemError);
}

// The new content is written, but its name could not be given or put on disk.
[[noreturn]] void RaiseUnwrittenName(const std::filesystem::path& aFullPath, int aSystemError) {
  RaiseWriteFailure(EFCreateError(CannotCreateMessage(aFullPath, aSystemError)), aFullPath,
                    aSystemError);
}

// The flush to disk on commit then waits only for what is left: the bytes written before are
// put on disk meanwhile, while the rest is still being made. A failure shows in that flush.
void StartFlushing(int aHandle, uint64_t aWritten, uint64_t& aFlushStarted) {
#if defined(__linux__)
  constexpr uint64_t Step = 1 << 20;
  if (aWritten - aFlushStarted < Step)
    return;
  ::sync_file_range(aHandle, static_cast<off64_t>(aFlushStarted),
                    static_cast<off64_t>(aWritten - aFlushStarted), SYNC_FILE_RANGE_WRITE);
  aFlushStarted = aWritten;
#else
  (void)aHandle;
  (void)aWritten;
  (void)aFlushStarted;
#endif
}

// Until the folder is on disk too, a power cut may leave its old entry: the old file, or none.
// A folder that may not be read, or a file system that does not sync folders, leaves nothing
// more to do. Any other failure is reported although the new file stays under the name:
// durability was not reached, the old content is already gone, and deleting the new file would
// lose both.
void SyncFolder(const std::filesystem::path& aFolder, const std::filesystem::path& aFullPath) {
  const int folder = ReplacementFileCalls.OpenFolder(aFolder.empty() ? "." : aFolder.c_str());
  if (folder < 0) {
    if (errno == EACCES)
      return;
    RaiseUnwrittenName(aFullPath, errno);
  }
  const int error = ReplacementFileCalls.Sync(folder) == 0 ? 0 : errno;
  ReplacementFileCalls.Close(folder);
  if (error != 0 && error != EINVAL)
    RaiseUnwrittenName(aFullPath, error);
}

} // namespace

TReplacementFile::~TReplacementFile() {
  if (fHandle >= 0)
    ::close(Descriptor(fHandle));
  if (!fTemporary.empty())
    ::unlink(fTemporary.c_str());
}

void TReplacementFile::Write(std::string_view aBytes) {
  while (!aBytes.empty()) {
    const ssize_t written =
        ReplacementFileCalls.Write(Descriptor(fHandle), aBytes.data(), aBytes.size());
    if (written < 0 && errno == EINTR)
      continue;
    // A write that takes nothing without an error has found no room.
    if (written <= 0)
      RaiseWriteError(fFullPath, written == 0 ? ENOSPC : errno);
    aBytes.remove_prefix(static_cast<std::size_t>(written));
    fWritten += static_cast<uint64_t>(written);
  }
  StartFlushing(Descriptor(fHandle), fWritten, fFlushStarted);
}

void TReplacementFile::Commit() {
  if (fKeptMode && ::fchmod(Descriptor(fHandle), static_cast<mode_t>(*fKeptMode)) != 0)
    RaiseCreateError(fFullPath, errno);
  if (ReplacementFileCalls.Sync(Descriptor(fHandle)) != 0)
    RaiseWriteError(fFullPath, errno);
  const int handle = Descriptor(fHandle);
  fHandle = -1;
  if (ReplacementFileCalls.Close(handle) != 0)
    RaiseWriteError(fFullPath, errno);
  if (ReplacementFileCalls.Rename(fTemporary.c_str(), fTarget.c_str()) != 0)
    RaiseUnwrittenName(fFullPath, errno);
  fTemporary.clear();
  SyncFolder(fTarget.parent_path(), fFullPath);
}

// What would stop the file from being opened for writing stops the save before anything is
// created; a file that exists passes its permission bits on.
void TReplacementFile::RequireReplaceableTarget() {
  if (fTarget.empty())
    RaiseCreateError(fFullPath, ENOENT);
  struct stat status {};
  if (::stat(fTarget.c_str(), &status) != 0) {
    if (errno != ENOENT)
      RaiseCreateError(fFullPath, errno);
    return;
  }
  if (S_ISDIR(status.st_mode))
    RaiseCreateError(fFullPath, EISDIR);
  if (::access(fTarget.c_str(), W_OK) != 0)
    RaiseCreateError(fFullPath, errno);
  fKeptMode = status.st_mode & 07777;
}

void TReplacementFile::CreateTemporary() {
  // Files may be saved from several threads at once.
  static std::atomic<unsigned> serial = 0;
  const std::string prefix =
      (fTarget.parent_path() / ("." + fTarget.filename().native() + ".")).native() +
      std::to_string(::getpid()) + ".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = prefix + std::to_string(++serial) + ".tmp";
    fHandle = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fHandle >= 0) {
      fTemporary = std::move(name);
      return;
    }
    if (errno != EEXIST)
      break;
  }
  RaiseCreateError(fFullPath, errno);
}

} // namespace vbase
