#include "vbase/ReplacementFile.h"

namespace vbase {

namespace {

std::filesystem::path FullPathOf(const std::filesystem::path& aFileName) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(aFileName, error);
  return error ? aFileName : full.lexically_normal();
}

} // namespace

std::filesystem::path ReplacedFileOf(const std::filesystem::path& aPath) {
  std::error_code error;
  if (!std::filesystem::is_symlink(aPath, error))
    return aPath;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(aPath, error);
  return error ? aPath : resolved;
}

// The calls of the platform are in PosixReplacementFile.cpp and WindowsReplacementFile.cpp.
TReplacementFile::TReplacementFile(const std::filesystem::path& aFileName)
    : fFullPath(FullPathOf(aFileName)), fTarget(ReplacedFileOf(fFullPath)) {
  RequireReplaceableTarget();
  CreateTemporary();
}

} // namespace vbase
