#include "vpresenter/uProjectQueue.h"

#include "vbase/IntegerText.h"
#include "vbase/Utf8.h"
#include "vconvert/uConversionRun.h"

#include <algorithm>
#include <system_error>

namespace vui {

using vbase::IntToText;
using vbase::Utf8Decode;

namespace {

constexpr std::u16string_view FailedProjectsPrefix = u"Failed: ";
constexpr std::u16string_view SkippedProjectsPrefix = u"Skipped, as their new projects exist: ";

std::u16string QueueCountsLine(std::size_t aConverted, std::size_t aCount) {
  return IntToText(static_cast<int64_t>(aConverted)) + u" of " +
         IntToText(static_cast<int64_t>(aCount)) + u" projects converted.";
}

std::u16string NamedProjectsLine(std::u16string_view aPrefix,
                                 const std::vector<std::u16string>& aProjects) {
  std::u16string line(aPrefix);
  for (std::size_t index = 0; index < aProjects.size(); ++index)
    line += (index == 0 ? u"" : u", ") + aProjects[index];
  return line + u".";
}

bool IsConverted(TProjectOutcome aOutcome) {
  return aOutcome == poConverted || aOutcome == poWarning;
}

// What the summary tells of a selected project: as a run of it alone would.
void AddProjectStory(const vreport::TInputResult& aResult, TSummary& aSummary) {
  std::vector<std::u16string>& lines = aSummary.Lines;
  lines.push_back(u"\"" + Utf8Decode(aResult.Input) + u"\":");
  if (aResult.Output)
    lines.push_back(SavedLine(Utf8Decode(*aResult.Output)));
  else if (aResult.Error)
    lines.push_back(std::u16string(NotSavedBecause) + Utf8Decode(*aResult.Error));
  if (aResult.Warning)
    lines.push_back(Utf8Decode(*aResult.Warning));
  if (!aResult.DroppedRows.empty())
    lines.push_back(vconvert::DroppedRowsSentence(aResult.DroppedRows.size()));
  if (!aResult.DiscardedRows.empty())
    lines.push_back(vconvert::DiscardedRowsSentence(aResult.DiscardedRows.size()));
  if (aResult.Verification)
    lines.push_back(VerificationLine(*aResult.Verification));
  aSummary.OffersDroppedRows = !aResult.DroppedRows.empty() || !aResult.DiscardedRows.empty();
}

} // namespace

std::u16string SavedLine(const std::u16string& aPath) {
  return u"The new project was saved to \"" + aPath + u"\".";
}

std::u16string CountsLine(int32_t aConverted, int32_t aFound, int32_t aRows) {
  return u"Targets converted: " + IntToText(aConverted) + u" of " + IntToText(aFound) +
         u". Rows carried over: " + IntToText(aRows) + u".";
}

std::u16string VerificationLine(const vconvert::TCheckResult& aCheck) {
  if (aCheck.Passed())
    return u"verified: " + vconvert::CheckCounts(aCheck);
  return u"verification failed: " + vconvert::CheckFailureReason(aCheck);
}

std::u16string ExistingOutputError(const std::u16string& aPath, bool aStops) {
  return u"The new project \"" + aPath + u"\" exists already" +
         (aStops ? u"; the run stopped there" : u"; it was skipped");
}

TProjectRow ProjectRowOf(const TQueuedProject& aProject) {
  const vreport::TInputResult& result = aProject.Result;
  TProjectRow row;
  row.Cells[pcProject] = Utf8Decode(result.Input);
  row.Cells[pcOutcome] = ProjectOutcomeTexts[aProject.Outcome];
  row.Image = IsConverted(aProject.Outcome) ? tiConverted : tiNotConverted;
  if (result.Error)
    row.Hint = Utf8Decode(*result.Error);
  else if (result.Warning)
    row.Hint = Utf8Decode(*result.Warning);
  else if (result.Output)
    row.Hint = SavedLine(Utf8Decode(*result.Output));
  if (aProject.Outcome > poConverting && !result.Targets.empty()) {
    const auto targets = static_cast<int32_t>(result.Targets.size());
    const auto convertedTargets = static_cast<int32_t>(
        std::count_if(result.Targets.begin(), result.Targets.end(),
                      [](const vreport::TTargetOutcome& aTarget) { return aTarget.Converted; }));
    row.Cells[pcTargets] = IntToText(convertedTargets) + u" of " + IntToText(targets);
    row.Cells[pcRowsCarried] = IntToText(result.RowsPlaced);
    row.Cells[pcRowsNotCarried] =
        IntToText(static_cast<int64_t>(result.DroppedRows.size() + result.DiscardedRows.size()));
  }
  if (result.Verification)
    row.Cells[pcCheck] = VerificationLine(*result.Verification);
  return row;
}

TSummary QueueSummaryOf(const std::vector<TQueuedProject>& aQueue,
                        std::optional<std::size_t> aSelected) {
  TSummary summary;
  summary.OffersReport = true;
  std::size_t converted = 0;
  std::vector<std::u16string> failed;
  std::vector<std::u16string> skipped;
  for (const TQueuedProject& project : aQueue) {
    const std::u16string input = Utf8Decode(project.Result.Input);
    if (IsConverted(project.Outcome))
      ++converted;
    else if (project.Outcome == poFailed)
      failed.push_back(input);
    else if (project.Outcome == poSkipped)
      skipped.push_back(input);
  }
  summary.Lines.push_back(QueueCountsLine(converted, aQueue.size()));
  if (!failed.empty())
    summary.Lines.push_back(NamedProjectsLine(FailedProjectsPrefix, failed));
  if (!skipped.empty())
    summary.Lines.push_back(NamedProjectsLine(SkippedProjectsPrefix, skipped));
  if (aSelected)
    AddProjectStory(aQueue.at(*aSelected).Result, summary);
  return summary;
}

std::filesystem::path QueuedOutput(const std::filesystem::path& aProposal,
                                   const TQueueOptions& aOptions) {
  if (!aOptions.Folder)
    return aProposal;
  return std::filesystem::path(*aOptions.Folder) / aProposal.filename();
}

bool OutputExists(const std::filesystem::path& aPath) {
  std::error_code error;
  return std::filesystem::symlink_status(aPath, error).type() !=
         std::filesystem::file_type::not_found;
}

// An input that cannot be measured fails as soon as it is read: it takes no memory to speak of.
TPlannedProject PlannedProject(const vconvert::TInputItem& aItem, const TQueueOptions& aOptions) {
  const std::u16string input = Utf8Decode(aItem.Path);
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(std::filesystem::path(input), error);
  TPlannedProject planned;
  planned.Size = error ? 0 : static_cast<uint64_t>(size);
  planned.Output = QueuedOutput(input + std::u16string(vconvert::ConvertedSuffix), aOptions)
                       .lexically_normal()
                       .make_preferred()
                       .u16string();
  return planned;
}

} // namespace vui
