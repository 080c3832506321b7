#include "vbase/ReplacementFile.h"

namespace vbase {

namespace {

std::filesystem::path FullPathOf(const std::filesystem::path& aFileName) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(aFileName, error);
  return error ? aFileName : full.lexically_normal();
}

// A link is followed so that its target gets the new content and the link stays a link.
std::filesystem::path ReplacedFileOf(const std::filesystem::path& aFullPath) {
  std::error_code error;
  if (!std::filesystem::is_symlink(aFullPath, error))
    return aFullPath;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(aFullPath, error);
  return error ? aFullPath : resolved;
}

} // namespace

// The calls of the platform are in PosixReplacementFile.cpp and WindowsReplacementFile.cpp.
TReplacementFile::TReplacementFile(const std::filesystem::path& aFileName)
    : fFullPath(FullPathOf(aFileName)), fTarget(ReplacedFileOf(fFullPath)) {
  RequireReplaceableTarget();
  CreateTemporary();
}

} // namespace vbase
