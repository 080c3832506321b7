#include "CliProgress.h"

#include <ostream>

namespace vcli {

using vconvert::TRunStage;

namespace {

constexpr std::size_t BarWidth = 30;

const char* StageName(TRunStage aStage) {
  return aStage == TRunStage::rsLoading ? "loading" : "converting";
}

} // namespace

TProgress::TProgress(TProgressMode aMode, std::ostream& aErr, std::size_t aTotal)
    : fMode(aMode), fErr(aErr), fTotal(aTotal) {}

void TProgress::Starting(std::size_t aIndex, const std::string& aInput) {
  Clear();
  if (fMode == TProgressMode::pmNames)
    fErr << '[' << aIndex + 1 << '/' << fTotal << "] " << aInput << '\n' << std::flush;
}

void TProgress::Finished(std::size_t aDone) {
  if (fMode != TProgressMode::pmBar || ShowsStages())
    return;
  const std::size_t filled = fTotal ? aDone * BarWidth / fTotal : BarWidth;
  Draw(filled, std::to_string(aDone) + '/' + std::to_string(fTotal));
}

void TProgress::Stage(TRunStage aStage, int64_t aDone, int64_t aTotal) {
  if (!ShowsStages())
    return;
  const int percent = aTotal > 0 ? static_cast<int>(aDone * 100 / aTotal) : 0;
  if (fShown && aStage == fStage && percent == fPercent)
    return;
  fStage = aStage;
  fPercent = percent;
  Draw(static_cast<std::size_t>(percent) * BarWidth / 100,
       std::string(StageName(aStage)) + ' ' + std::to_string(percent) + '%');
}

void TProgress::Clear() {
  if (fShown)
    fErr << "\r\033[K" << std::flush;
  fShown = false;
}

void TProgress::Draw(std::size_t aFilled, const std::string& aText) {
  fErr << "\r[" << std::string(aFilled, '#') << std::string(BarWidth - aFilled, '.') << "] "
       << aText << std::flush;
  fShown = true;
}

TProgressMode EffectiveProgress(TProgressMode aMode, bool aErrIsTerminal, bool aQuiet,
                                std::size_t aCount) {
  if (aMode != TProgressMode::pmAuto)
    return aMode;
  if (!aErrIsTerminal)
    return TProgressMode::pmNone;
  return aCount > 1 || !aQuiet ? TProgressMode::pmBar : TProgressMode::pmNone;
}

} // namespace vcli
