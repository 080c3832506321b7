// What the command prints around each input's log: a header when there are several inputs,
// then the target table, the count of rows left behind and the error, if any.
#pragma once

#include "CliOptions.h"
#include "CliScheduler.h"

#include <cstddef>
#include <iosfwd>
#include <string>

namespace vcli {

class TProgress;

class TConsole final : public IInputConsole {
public:
  TConsole(const TCliOptions& aOptions, std::ostream& aOut, std::ostream& aErr,
           TProgress& aProgress, std::size_t aCount)
      : fOptions(aOptions), fOut(aOut), fErr(aErr), fProgress(aProgress), fCount(aCount) {}

  void Begin(std::size_t aIndex, const std::string& aPath) override;
  void End(std::size_t aIndex, const vreport::TInputResult& aResult) override;

private:
  const TCliOptions& fOptions;
  std::ostream& fOut;
  std::ostream& fErr;
  TProgress& fProgress;
  std::size_t fCount;
};

} // namespace vcli
