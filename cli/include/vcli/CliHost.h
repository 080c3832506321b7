// Hosts one conversion run without a window: the input is the old project, the log streams to
// a console, and an existing output file is replaced only when that was asked for.
#pragma once

#include "vconvert/uConversionHost.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

namespace vcli {

class TProgress;

class TCliHost final : public vconvert::IConversionHost {
public:
  // aOutput replaces the run's proposal when given; aLogStream (may be none) gets every log
  // line as UTF-8, one per line; aProgress (may be none) shows how far the run has come.
  TCliHost(std::u16string aInput, std::optional<std::u16string> aOutput, bool aForce,
           std::ostream* aLogStream, TProgress* aProgress = nullptr);

  std::optional<std::u16string> AskOldProjectPath() override { return fInput; }
  void ClearLog() override {}
  void AddLogLine(std::u16string_view aLine) override;
  // The console shows the targets from the run's report once the run has ended.
  void TargetsCleared() override {}
  void TargetFound(const vconvert::TFoundTarget& /*aTarget*/) override {}
  void TargetRowsCounted(int32_t /*aTarget*/, int32_t /*aCount*/) override {}
  // Declines when the file exists and replacing it was not asked for.
  std::optional<std::u16string> AskOutputPath(const std::u16string& aProposal) override;
  uint32_t TickCount() override { return vconvert::SteadyTickCount(); }
  void ProcessMessages() override {}
  bool ShowsProgress() const override;
  void ShowProgress(vconvert::TRunStage aStage, int64_t aDone, int64_t aTotal) override;

  // The existing file that was not replaced, if any.
  const std::optional<std::u16string>& RefusedOutput() const { return fRefusedOutput; }

private:
  std::u16string fInput;
  std::optional<std::u16string> fOutput;
  bool fForce;
  std::ostream* fLogStream;
  TProgress* fProgress;
  std::optional<std::u16string> fRefusedOutput;
};

} // namespace vcli
