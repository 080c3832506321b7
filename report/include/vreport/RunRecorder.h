// What a conversion run tells its host, kept as the report's entry of its input: the recorder
// stands between the run and the host, passes every call on, and keeps what the report tells.
// The batch command and the window record their runs with it alike.
#pragma once

#include "vconvert/uConversionHost.h"
#include "vconvert/uConversionRun.h"
#include "vconvert/uProjectCheck.h"
#include "vreport/InputResult.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

namespace vreport {

class TRunRecorder final : public vconvert::IConversionHost {
public:
  explicit TRunRecorder(vconvert::IConversionHost& aHost) : fHost(aHost) {}
  TRunRecorder(const TRunRecorder&) = delete;
  TRunRecorder& operator=(const TRunRecorder&) = delete;

  // IConversionHost: the host answers and shows. A run starts by asking for its input, which
  // forgets the record of the last one.
  std::optional<std::u16string> AskOldProjectPath() override;
  void ClearLog() override {
    fResult.Log.clear();
    fHost.ClearLog();
  }
  void AddLogLine(std::u16string_view aLine) override;
  void TargetsCleared() override {
    fResult.Targets.clear();
    fHost.TargetsCleared();
  }
  void TargetFound(const vconvert::TFoundTarget& aTarget) override;
  void TargetRowsCounted(int32_t aTarget, int32_t aCount) override;
  std::optional<std::u16string> AskOutputPath(const std::u16string& aProposal) override {
    return fHost.AskOutputPath(aProposal);
  }
  void ProjectSaved(const std::u16string& aPath) override;
  uint32_t TickCount() override { return fHost.TickCount(); }
  void ProcessMessages() override { fHost.ProcessMessages(); }
  bool ShowsProgress() const override { return fHost.ShowsProgress(); }
  void ShowProgress(vconvert::TRunStage aStage, int64_t aDone, int64_t aTotal) override {
    fHost.ShowProgress(aStage, aDone, aTotal);
  }

  // What ended the run: the message of aError (for a failed write, the file and the system's
  // reason), and where reading stopped when it tells.
  void RunFailed(const std::exception& aError);
  // What ended the run, for a failure that is no std::exception.
  void RunFailed(std::string aMessage);
  // The check of the saved project against the input.
  void Verified(const vconvert::TCheckResult& aCheck);

  // The saved project was given up again: a run stopped in its check leaves nothing of it behind.
  void OutputRemoved() { fSavedTo.reset(); }
  // Where the last run saved the new project; none when it saved nothing.
  const std::optional<std::u16string>& SavedTo() const { return fSavedTo; }
  // The entry of the last run, with the rows aRun placed, dropped and discarded, and its warning
  // when it converted a file without anything of an old project. Hands the record over: what
  // is left of it is empty until the next run.
  TInputResult TakeResult(const vconvert::TConversionRun& aRun);

private:
  vconvert::IConversionHost& fHost;
  TInputResult fResult;
  std::optional<std::u16string> fSavedTo;
};

} // namespace vreport
