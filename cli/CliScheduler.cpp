#include "CliScheduler.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <system_error>
#include <thread>

namespace vcli {

namespace {

std::vector<vreport::TInputResult> ConvertInTurn(const std::vector<vconvert::TInputItem>& aItems,
                                                 const TSchedule& aSchedule,
                                                 const TConvertInput& aConvert,
                                                 IInputConsole& aConsole) {
  std::vector<vreport::TInputResult> results;
  for (std::size_t i = 0; i < aItems.size(); ++i) {
    aConsole.Begin(i, aItems[i].Path);
    results.push_back(aConvert(aItems[i], aSchedule.Log, aSchedule.Progress));
    aConsole.End(i, results.back());
  }
  return results;
}

// For each item, the last earlier item with the same path, if any: that one must be done first,
// as in a serial run, or both would race for the same output file.
std::vector<std::optional<std::size_t>>
EarlierSamePaths(const std::vector<vconvert::TInputItem>& aItems) {
  std::vector<std::optional<std::size_t>> earlier(aItems.size());
  std::map<std::string, std::size_t> lastByPath;
  for (std::size_t i = 0; i < aItems.size(); ++i) {
    const auto [found, added] = lastByPath.try_emplace(aItems[i].Path, i);
    if (!added) {
      earlier[i] = found->second;
      found->second = i;
    }
  }
  return earlier;
}

// One input on a worker thread: nothing it raises may leave the thread.
vreport::TInputResult ConvertOnWorker(const vconvert::TInputItem& aItem, std::ostream* aLog,
                                      const TConvertInput& aConvert) {
  try {
    return aConvert(aItem, aLog, nullptr);
  } catch (const std::exception& error) {
    vreport::TInputResult result;
    result.Input = aItem.Path;
    result.Error = error.what();
    return result;
  }
}

std::vector<vreport::TInputResult> ConvertAtOnce(const std::vector<vconvert::TInputItem>& aItems,
                                                 const TSchedule& aSchedule,
                                                 const TConvertInput& aConvert,
                                                 IInputConsole& aConsole) {
  struct TDone {
    vreport::TInputResult Result;
    std::string Log;
  };
  std::vector<std::optional<TDone>> done(aItems.size());
  const std::vector<std::optional<std::size_t>> earlier = EarlierSamePaths(aItems);
  std::mutex mutex;
  std::condition_variable finished;
  std::atomic<std::size_t> next{0};

  const auto work = [&] {
    for (std::size_t i; (i = next++) < aItems.size();) {
      if (earlier[i]) {
        std::unique_lock lock(mutex);
        finished.wait(lock, [&] { return done[*earlier[i]].has_value(); });
      }
      std::ostringstream log;
      TDone item;
      item.Result = ConvertOnWorker(aItems[i], aSchedule.Log ? &log : nullptr, aConvert);
      item.Log = log.str();
      {
        std::lock_guard lock(mutex);
        done[i] = std::move(item);
      }
      finished.notify_all();
    }
  };
  std::vector<std::jthread> workers;
  const std::size_t count = std::min(aItems.size(), aSchedule.Jobs);
  for (std::size_t worker = 0; worker < count; ++worker) {
    try {
      workers.emplace_back(work);
    } catch (const std::system_error&) {
      break; // no room for another thread's stack: those started do the work
    }
  }
  if (workers.empty())
    work();

  std::vector<vreport::TInputResult> results;
  for (std::size_t i = 0; i < aItems.size(); ++i) {
    {
      std::unique_lock lock(mutex);
      finished.wait(lock, [&] { return done[i].has_value(); });
    }
    aConsole.Begin(i, aItems[i].Path);
    if (aSchedule.Log)
      *aSchedule.Log << done[i]->Log;
    aConsole.End(i, done[i]->Result);
    results.push_back(std::move(done[i]->Result));
  }
  return results;
}

} // namespace

std::vector<vreport::TInputResult> ConvertInputs(const std::vector<vconvert::TInputItem>& aItems,
                                                 const TSchedule& aSchedule,
                                                 const TConvertInput& aConvert,
                                                 IInputConsole& aConsole) {
  if (aSchedule.Jobs > 1 && aItems.size() > 1)
    return ConvertAtOnce(aItems, aSchedule, aConvert, aConsole);
  return ConvertInTurn(aItems, aSchedule, aConvert, aConsole);
}

} // namespace vcli
