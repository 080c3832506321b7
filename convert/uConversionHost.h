// What a conversion run needs from whoever hosts it: the window, the batch command or a test.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vconvert {

// Steps of a run that take long on a large project.
enum class TRunStage { rsLoading, rsConverting };

class IConversionHost {
public:
  virtual ~IConversionHost() = default;

  // The old project's path; none when the user cancels.
  virtual std::optional<std::u16string> AskOldProjectPath() = 0;

  virtual void ClearLog() = 0;
  virtual void AddLogLine(std::u16string_view aLine) = 0;

  // The target list: rows are addressed by their index from 0, in the order they were added.
  virtual void ClearTargetList() = 0;
  virtual void AddTargetRow(int32_t aImageIndex, std::u16string_view aCaption) = 0;
  virtual void AddTargetSubItem(int32_t aRow, std::u16string_view aText) = 0;
  virtual int32_t TargetRowCount() const = 0;

  // The path to save to, starting from aProposal; none when the user cancels.
  virtual std::optional<std::u16string> AskOutputPath(const std::u16string& aProposal) = 0;

  // Milliseconds, 32 bits, unsigned, wrapping.
  virtual uint32_t TickCount() = 0;

  // Lets the host handle what is pending (a window repaints its list).
  virtual void ProcessMessages() = 0;

  // Whether the run should report its progress; asked once per run. Reporting costs a call
  // per node of the old project, so a host that shows nothing says no.
  virtual bool ShowsProgress() const { return false; }
  // How far a stage has come: aDone of aTotal, in bytes of text while loading and in rows while
  // converting. A stage starts with aDone 0 (aTotal 0 while the size is not yet known) and ends
  // with aDone equal to aTotal.
  virtual void ShowProgress(TRunStage /*aStage*/, int64_t /*aDone*/, int64_t /*aTotal*/) {}
};

// Image index of a target row: a converted target, or one without a counterpart.
inline constexpr int32_t ConvertedTargetImage = 0;
inline constexpr int32_t UnconvertibleTargetImage = 1;

// A steady millisecond counter truncated to 32 bits, for hosts without a clock of their own.
uint32_t SteadyTickCount();

} // namespace vconvert
