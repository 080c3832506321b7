#include "vpresenter/uProjectSlots.h"

#include "vbase/Characters.h"

#include <algorithm>
#include <limits>
#include <thread>
#include <utility>

namespace vui {

bool FitsBeside(uint64_t aRunningSize, uint64_t aNextSize, std::optional<uint64_t> aAvailable) {
  if (!aAvailable || aNextSize > std::numeric_limits<uint64_t>::max() - aRunningSize)
    return false;
  return aRunningSize + aNextSize <= *aAvailable / 2 / PeakPerInputByte;
}

std::size_t DefaultProjectsAtOnce() {
  // Zero when the library cannot tell.
  return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 2);
}

TProjectSlots::TProjectSlots(std::vector<TPlannedProject> aProjects, std::size_t aAtOnce,
                             TRunsAlone aRunsAlone, TAvailableMemory aAvailable)
    : fProjects(std::move(aProjects)), fAtOnce(std::max<std::size_t>(aAtOnce, 1)),
      fRunsAlone(std::move(aRunsAlone)), fAvailable(std::move(aAvailable)) {}

std::optional<std::size_t> TProjectSlots::Take(const vconvert::TRunStop& aStop) {
  std::unique_lock lock(fMutex);
  // A stop needs no wake of its own: whoever keeps this thread waiting is running, and ends
  // soon after the stop.
  fEnded.wait(lock, [&] {
    return fRunEnded || fNext == fProjects.size() || aStop.Requested() || MayStart(fNext);
  });
  if (fRunEnded || fNext == fProjects.size() || aStop.Requested())
    return std::nullopt;
  if (fRunning.empty())
    fAlone = fRunsAlone(fNext);
  fRunning.push_back(fNext);
  return fNext++;
}

void TProjectSlots::Done(std::size_t aIndex, bool aEndsRun) {
  {
    const std::lock_guard lock(fMutex);
    std::erase(fRunning, aIndex);
    fAlone = fAlone && !fRunning.empty();
    fRunEnded = fRunEnded || aEndsRun;
  }
  fEnded.notify_all();
}

bool TProjectSlots::MayStart(std::size_t aIndex) const {
  if (fRunning.empty())
    return true;
  if (fRunning.size() >= fAtOnce || fAlone || fRunsAlone(aIndex))
    return false;
  const TPlannedProject& next = fProjects[aIndex];
  uint64_t runningSize = 0;
  for (const std::size_t running : fRunning) {
    // Alike in any case: on Windows they are one file.
    if (vbase::SameTextAscii(fProjects[running].Output, next.Output))
      return false;
    runningSize += fProjects[running].Size;
  }
  return FitsBeside(runningSize, next.Size, fAvailable());
}

} // namespace vui
