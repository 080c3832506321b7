#include "uKeptOlderProject.h"

#include "vbase/ReplacementFile.h"

#include <system_error>

namespace vui {

namespace {

// Hidden beside the file, so that a rename puts it back on the same volume.
std::filesystem::path KeptNameOf(const std::filesystem::path& aTarget) {
  std::filesystem::path kept = aTarget.parent_path() / ".";
  kept += aTarget.filename();
  kept += ".kept";
  return kept;
}

} // namespace

TKeptOlderProject::TKeptOlderProject(const std::filesystem::path& aPath)
    : fTarget(vbase::ReplacedFileOf(aPath)) {
  std::error_code error;
  fExisted = std::filesystem::exists(fTarget, error);
  if (!fExisted || !std::filesystem::is_regular_file(fTarget, error))
    return;
  const std::filesystem::path kept = KeptNameOf(fTarget);
  std::filesystem::remove(kept, error);
  // A second name costs nothing; a volume without them gets a copy.
  std::filesystem::create_hard_link(fTarget, kept, error);
  if (error)
    std::filesystem::copy_file(fTarget, kept, error);
  if (!error)
    fKept = kept;
}

TKeptOlderProject::~TKeptOlderProject() {
  if (!fKept)
    return;
  std::error_code ignored;
  std::filesystem::remove(*fKept, ignored);
}

void TKeptOlderProject::GiveUpNewProject() {
  std::error_code ignored;
  if (fKept) {
    std::filesystem::rename(*fKept, fTarget, ignored);
    fKept.reset();
  } else if (!fExisted) {
    std::filesystem::remove(fTarget, ignored);
  }
}

} // namespace vui
