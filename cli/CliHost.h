// Hosts one conversion run without a window: the input is the old project, the log streams to
// a console, and an existing output file is replaced only when that was asked for.
#pragma once

#include "uConversionHost.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace vcli {

class TProgress;

struct TTargetRow {
  int32_t ImageIndex = 0;
  std::u16string Caption;
  std::vector<std::u16string> SubItems;
};

class TCliHost final : public vconvert::IConversionHost {
public:
  // aOutput replaces the run's proposal when given; aLogStream (may be none) gets every log
  // line as UTF-8, one per line; aProgress (may be none) shows how far the run has come.
  TCliHost(std::u16string aInput, std::optional<std::u16string> aOutput, bool aForce,
           std::ostream* aLogStream, TProgress* aProgress = nullptr);

  std::optional<std::u16string> AskOldProjectPath() override { return fInput; }
  void ClearLog() override { fLog.clear(); }
  void AddLogLine(std::u16string_view aLine) override;
  void ClearTargetList() override { fTargets.clear(); }
  void AddTargetRow(int32_t aImageIndex, std::u16string_view aCaption) override;
  void AddTargetSubItem(int32_t aRow, std::u16string_view aText) override;
  int32_t TargetRowCount() const override { return static_cast<int32_t>(fTargets.size()); }
  // Declines, like a save dialog whose overwrite question is answered no, when the file exists
  // and replacing it was not asked for.
  std::optional<std::u16string> AskOutputPath(const std::u16string& aProposal) override;
  uint32_t TickCount() override { return vconvert::SteadyTickCount(); }
  void ProcessMessages() override {}
  bool ShowsProgress() const override;
  void ShowProgress(vconvert::TRunStage aStage, int64_t aDone, int64_t aTotal) override;

  const std::vector<std::u16string>& LogLines() const { return fLog; }
  const std::vector<TTargetRow>& TargetRows() const { return fTargets; }
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
  std::vector<TTargetRow> fTargets;
  std::optional<std::u16string> fChosenOutput;
  std::optional<std::u16string> fRefusedOutput;
};

} // namespace vcli
