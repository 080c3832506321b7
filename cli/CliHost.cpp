#include "vcli/CliHost.h"

#include "CliProgress.h"
#include "vbase/Utf8.h"

#include <filesystem>
#include <ostream>
#include <system_error>

namespace vcli {

using vbase::Utf8Encode;

namespace {

// A dangling link counts too: saving would write through it.
bool PathIsTaken(const std::u16string& aPath) {
  std::error_code error;
  const auto status = std::filesystem::symlink_status(std::filesystem::path(aPath), error);
  return status.type() != std::filesystem::file_type::not_found &&
         status.type() != std::filesystem::file_type::none;
}

} // namespace

TCliHost::TCliHost(std::u16string aInput, std::optional<std::u16string> aOutput, bool aForce,
                   std::ostream* aLogStream, TProgress* aProgress)
    : fInput(std::move(aInput)), fOutput(std::move(aOutput)), fForce(aForce),
      fLogStream(aLogStream), fProgress(aProgress) {}

void TCliHost::AddLogLine(std::u16string_view aLine) {
  if (!fLogStream)
    return;
  if (fProgress)
    fProgress->Clear();
  *fLogStream << Utf8Encode(aLine) << '\n' << std::flush;
}

std::optional<std::u16string> TCliHost::AskOutputPath(const std::u16string& aProposal) {
  const std::u16string path = fOutput.value_or(aProposal);
  if (!fForce && PathIsTaken(path)) {
    fRefusedOutput = path;
    return std::nullopt;
  }
  return path;
}

bool TCliHost::ShowsProgress() const {
  return fProgress && fProgress->ShowsStages();
}

void TCliHost::ShowProgress(vconvert::TRunStage aStage, int64_t aDone, int64_t aTotal) {
  // The console's bar has always stood at the end of converting while the file is written.
  if (aStage == vconvert::TRunStage::rsSaving)
    return;
  fProgress->Stage(aStage, aDone, aTotal);
}

} // namespace vcli
