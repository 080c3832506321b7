// What a conversion run needs from whoever hosts it: the window, the batch command or a test.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vconvert {

// Steps of a run that take long on a large project; the window's check of the saved file is the
// last.
enum class TRunStage { rsLoading, rsConverting, rsSaving, rsChecking };

// What an old target became in the new project: a plain target keeps its file name; a virtual
// one (a folder of sources or forms) is named by its number and lists the files it covers.
enum class TTargetKind { tkPlain, tkVirtual };

// A target of the old project as the run found it. The texts last as long as the call.
struct TFoundTarget {
  // From 0, in the order the targets are found in the run.
  int32_t Number = 0;
  // Whether the new format has a counterpart for it. One without has no new name, counts as
  // plain and never gets a row count; its old name is empty when the old project gives none.
  bool Converted = false;
  TTargetKind Kind = TTargetKind::tkPlain;
  // The old target as people know it: its file name, or the virtual target's file list without
  // the blanks and line breaks around it.
  std::u16string_view OldTarget;
  // The file name of the new target: the old one, or the virtual target's numbered name.
  std::u16string_view NewTarget;
};

class IConversionHost {
public:
  virtual ~IConversionHost() = default;

  // The old project's path; none when the user cancels.
  virtual std::optional<std::u16string> AskOldProjectPath() = 0;

  virtual void ClearLog() = 0;
  virtual void AddLogLine(std::u16string_view aLine) = 0;

  // The targets of a run: all forgotten when it starts, then each one as it is found, then,
  // once the rows are read, how many rows each converted target received (aTarget is the
  // target's number; the counts come in no particular order). A run that fails on the way
  // stops where it is: targets found so far may have no count.
  virtual void TargetsCleared() = 0;
  virtual void TargetFound(const TFoundTarget& aTarget) = 0;
  virtual void TargetRowsCounted(int32_t aTarget, int32_t aCount) = 0;

  // The path to save to, starting from aProposal; none when the user cancels. Asked once the
  // whole old project is read: the run's counts are final by then.
  virtual std::optional<std::u16string> AskOutputPath(const std::u16string& aProposal) = 0;
  // The new project is complete at aPath: told once the file is written, and never for a run
  // that was cancelled or failed. A host that keeps no record of its runs needs no answer.
  virtual void ProjectSaved(const std::u16string& /*aPath*/) {}

  // Milliseconds, 32 bits, unsigned, wrapping.
  virtual uint32_t TickCount() = 0;

  // Lets the host handle what is pending (a window repaints its list).
  virtual void ProcessMessages() = 0;

  // Whether the run should report its progress; asked once per run. Reporting costs a call
  // per node of the old project, so a host that shows nothing says no.
  virtual bool ShowsProgress() const { return false; }
  // How far a stage has come: aDone of aTotal, in bytes of text while loading, in rows while
  // converting and in nodes while saving. A stage starts with aDone 0 (aTotal 0 while the size
  // is not yet known) and ends with aDone equal to aTotal.
  virtual void ShowProgress(TRunStage /*aStage*/, int64_t /*aDone*/, int64_t /*aTotal*/) {}
};

// A steady millisecond counter truncated to 32 bits, for hosts without a clock of their own.
uint32_t SteadyTickCount();

} // namespace vconvert
