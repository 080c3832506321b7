// Hosts one conversion run without a window: the input is the old project, the log streams to
// a console, and an existing output file is replaced only when that was asked for.
#pragma once

#include "vconvert/uConversionHost.h"
#include "vreport/InputResult.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace vcli {

class TProgress;

class TCliHost final : public vconvert::IConversionHost {
public:
  // aOutput replaces the run's proposal when given; aLogStream (may be none) gets every log
  // line as UTF-8, one per line; aProgress (may be none) shows how far the run has come.
  TCliHost(std::u16string aInput, std::optional<std::u16string> aOutput, bool aForce,
           std::ostream* aLogStream, TProgress* aProgress = nullptr);

  std::optional<std::u16string> AskOldProjectPath() override { return fInput; }
  void ClearLog() override { fLog.clear(); }
  void AddLogLine(std::u16string_view aLine) override;
  void TargetsCleared() override { fTargets.clear(); }
  void TargetFound(const vconvert::TFoundTarget& aTarget) override;
  void TargetRowsCounted(int32_t aTarget, int32_t aCount) override;
  // Declines, like a save dialog whose overwrite question is answered no, when the file exists
  // and replacing it was not asked for.
  std::optional<std::u16string> AskOutputPath(const std::u16string& aProposal) override;
  uint32_t TickCount() override { return vconvert::SteadyTickCount(); }
  void ProcessMessages() override {}
  bool ShowsProgress() const override;
  void ShowProgress(vconvert::TRunStage aStage, int64_t aDone, int64_t aTotal) override;

  const std::vector<std::u16string>& LogLines() const { return fLog; }
  // The targets in the order found: a target's number is its index.
  const std::vector<vreport::TTargetOutcome>& Targets() const { return fTargets; }
  // The path handed to the run for saving, if it got that far.
  const std::optional<std::u16string>& ChosenOutput() const { return fChosenOutput; }
  // The existing file that was not replaced, if any.
  const std::optional<std::u16string>& RefusedOutput() const { return fRefusedOutput; }

private:
  std::u16string fInput;
  std::optional<std::u16string> fOutput;
  bool fForce;
  std::ostream* fLogStream;
  TProgress* fProgress;
  std::vector<std::u16string> fLog;
  std::vector<vreport::TTargetOutcome> fTargets;
  std::optional<std::u16string> fChosenOutput;
  std::optional<std::u16string> fRefusedOutput;
};

} // namespace vcli
