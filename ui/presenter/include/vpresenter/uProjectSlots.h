// Which projects of a run of several the window converts at the same time: as many as the cores
// allow, up to two, while their inputs fit in memory together and their new projects differ.
#pragma once

#include "vconvert/uRunStop.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vui {

// A conversion with its check holds about four times its input at its peak: the old document,
// the new one built in its storage, and the two the check loads.
inline constexpr uint64_t PeakPerInputByte = 4;

// Whether a project of aNextSize bytes may start beside running ones of aRunningSize bytes
// together, aAvailable bytes of physical memory being free: their peaks together take half of it
// at most, so that the window, the system and a wrong guess have the rest. Memory that the
// system does not tell keeps the projects one at a time.
bool FitsBeside(uint64_t aRunningSize, uint64_t aNextSize, std::optional<uint64_t> aAvailable);

// Two on a machine of two cores or more: more would multiply the peaks in memory for little gain
// on a desktop, where the window and the user's other programs want a core too.
std::size_t DefaultProjectsAtOnce();

// What the order of a run of several knows of a project before converting it.
struct TPlannedProject {
  uint64_t Size = 0;
  // The new project's path: two projects of the same one never run at once, as the later
  // must find what the earlier wrote.
  std::u16string Output;
};

using TAvailableMemory = std::function<std::optional<uint64_t>()>;
// Whether the project must run with nothing beside it, when it comes to start.
using TRunsAlone = std::function<bool(std::size_t)>;

// Hands the projects out in their order to the threads that convert them.
class TProjectSlots {
public:
  TProjectSlots(std::vector<TPlannedProject> aProjects, std::size_t aAtOnce, TRunsAlone aRunsAlone,
                TAvailableMemory aAvailable);

  // Waits until the next project may start and gives its index; none once every project has
  // been given, the run has ended or aStop has been requested.
  std::optional<std::size_t> Take(const vconvert::TRunStop& aStop);
  // The project aIndex has ended; aEndsRun when no project after it may start.
  void Done(std::size_t aIndex, bool aEndsRun);

private:
  bool MayStart(std::size_t aIndex) const;

  const std::vector<TPlannedProject> fProjects;
  const std::size_t fAtOnce;
  const TRunsAlone fRunsAlone;
  const TAvailableMemory fAvailable;
  std::mutex fMutex;
  std::condition_variable fEnded;
  std::vector<std::size_t> fRunning;
  std::size_t fNext = 0;
  bool fAlone = false;
  bool fRunEnded = false;
};

} // namespace vui
