// A run of several projects as the window tells it: a row per project, the summary of the whole
// run with the selected project's story under it, and where each new project goes.
#pragma once

#include "vconvert/uProjectCheck.h"
#include "vconvert/uProjectInputs.h"
#include "vpresenter/uDesktop.h"
#include "vpresenter/uMainTexts.h"
#include "vpresenter/uMainView.h"
#include "vpresenter/uProjectSlots.h"
#include "vreport/InputResult.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vui {

// What became of a project of a run of several, handed from the run's thread to the window's.
struct TQueuedProject {
  TProjectOutcome Outcome = poWaiting;
  vreport::TInputResult Result;
};

inline constexpr std::u16string_view NotSavedBecause = u"The new project was not saved: ";

// Lines of a run's summary, of one project or of several.
std::u16string SavedLine(const std::u16string& aPath);
std::u16string CountsLine(int32_t aConverted, int32_t aFound, int32_t aRows);
std::u16string VerificationLine(const vconvert::TCheckResult& aCheck);
// Why a project of a run of several was not converted: its new project is there already.
std::u16string ExistingOutputError(const std::u16string& aPath, bool aStops);

TProjectRow ProjectRowOf(const TQueuedProject& aProject);
// "N of M projects converted.", the projects that failed or were skipped, and then the story of
// aSelected, when a project is selected, as a run of it alone tells it.
TSummary QueueSummaryOf(const std::vector<TQueuedProject>& aQueue,
                        std::optional<std::size_t> aSelected);

// Where a run of several puts the new project proposed at aProposal.
std::filesystem::path QueuedOutput(const std::filesystem::path& aProposal,
                                   const TQueueOptions& aOptions);
// A dangling link is in the way of a new project too.
bool OutputExists(const std::filesystem::path& aPath);
// What the order of the run knows of aItem before converting it.
TPlannedProject PlannedProject(const vconvert::TInputItem& aItem, const TQueueOptions& aOptions);

} // namespace vui
