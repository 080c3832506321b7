// Progress on stderr: a line per project ("names"), or one bar redrawn in place ("bar") that
// counts projects when there are several and follows loading and converting when there is one.
#pragma once

#include "CliOptions.h"
#include "vconvert/uConversionHost.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

namespace vcli {

class TProgress {
public:
  TProgress(TProgressMode aMode, std::ostream& aErr, std::size_t aTotal);

  // Whether the bar follows the stages of the one project.
  bool ShowsStages() const { return fMode == TProgressMode::pmBar && fTotal == 1; }

  void Starting(std::size_t aIndex, const std::string& aInput);
  void Finished(std::size_t aDone);
  void Stage(vconvert::TRunStage aStage, int64_t aDone, int64_t aTotal);
  // Takes the bar off the line so that other output starts on a clean one.
  void Clear();

private:
  void Draw(std::size_t aFilled, const std::string& aText);

  TProgressMode fMode;
  std::ostream& fErr;
  std::size_t fTotal;
  bool fShown = false;
  // The last stage drawn and its percentage, so that a redraw happens only on a change.
  vconvert::TRunStage fStage = vconvert::TRunStage::rsLoading;
  int fPercent = -1;
};

// The mode the command runs with: "auto" becomes a bar on a terminal when there are several
// projects, or one project and the log is printed.
TProgressMode EffectiveProgress(TProgressMode aMode, bool aErrIsTerminal, bool aQuiet,
                                std::size_t aCount);

} // namespace vcli
