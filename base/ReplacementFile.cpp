#include "vbase/ReplacementFile.h"

namespace vbase {

namespace {

std::filesystem::path FullPathOf(const std::filesystem::path& AFileName) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(AFileName, error);
  return error ? AFileName : full.lexically_normal();
}

// A link is followed so that its target gets the new content and the link stays a link.
std::filesystem::path ReplacedFileOf(const std::filesystem::path& AFullPath) {
  std::error_code error;
  if (!std::filesystem::is_symlink(AFullPath, error))
    return AFullPath;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(AFullPath, error);
  return error ? AFullPath : resolved;
}

} // namespace

// The calls of the platform are in PosixReplacementFile.cpp and WindowsReplacementFile.cpp.
TReplacementFile::TReplacementFile(const std::filesystem::path& AFileName)
    : FFullPath(FullPathOf(AFileName)), FTarget(ReplacedFileOf(FFullPath)) {
  RequireReplaceableTarget();
  CreateTemporary();
}

} // namespace vbase
