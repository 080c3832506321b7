// A file whose new content takes the place of the old one only once every byte of it is on
// disk. The bytes go to a temporary file beside the target; until Commit, and after any
// failure up to the rename, the target stays as it was and the temporary file goes. The calls
// of the platform stay inside this unit (ReplacementFileCalls.h).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace vbase {

// The file a save to aPath replaces: a link's target, so that the link stays a link; else aPath.
std::filesystem::path ReplacedFileOf(const std::filesystem::path& aPath);

class TReplacementFile {
public:
  // Raises EFCreateError "Cannot create file "%s". %s" (with the full path) when the target
  // cannot be replaced, for instance a folder or a file without write permission, or when the
  // temporary file cannot be created.
  explicit TReplacementFile(const std::filesystem::path& aFileName);
  ~TReplacementFile();
  TReplacementFile(const TReplacementFile&) = delete;
  TReplacementFile& operator=(const TReplacementFile&) = delete;

  // Appends a chunk of the content; raises EWriteError "Stream write error".
  void Write(std::string_view aBytes);
  // Gives the new file the old one's permission bits, flushes it to disk, renames it over the
  // target and puts the folder's new entry on disk. A link is followed, so the link stays and
  // its target gets the content. A failed flush or close raises EWriteError, a failed rename
  // EFCreateError; both leave the target as it was. A failed sync of the folder raises
  // EFCreateError too, but the new file stays in place: the old content is gone by then.
  // Every failure of a write, flush, close, rename or sync carries the full path and the
  // system's reason as its WriteFailure.
  void Commit();

private:
  void RequireReplaceableTarget();
  void CreateTemporary();

  std::filesystem::path fFullPath;
  std::filesystem::path fTarget;
  std::filesystem::path fTemporary;
  // The POSIX mode bits or the Windows attributes of the file replaced.
  std::optional<uint32_t> fKeptMode;
  // A POSIX file descriptor or a Windows handle; -1 for none on both.
  std::intptr_t fHandle = -1;
  // Where the system supports it, bytes written so far, and how many of them it was asked to put
  // on disk meanwhile.
  uint64_t fWritten = 0;
  uint64_t fFlushStarted = 0;
};

} // namespace vbase
