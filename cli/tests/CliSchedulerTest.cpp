#include "CliScheduler.h"

#include <chrono>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace vcli;
using vconvert::TInputItem;

namespace {

// Writes what the scheduler has printed around each input into the stream the logs go to.
class TRecordingConsole final : public IInputConsole {
public:
  explicit TRecordingConsole(std::ostream& aOut) : fOut(aOut) {}
  void Begin(std::size_t aIndex, const std::string& aPath) override {
    fOut << "begin " << aIndex << ' ' << aPath << '\n';
  }
  void End(std::size_t aIndex, const vreport::TInputResult& aResult) override {
    fOut << "end " << aIndex << ' ' << aResult.Input << '\n';
  }

private:
  std::ostream& fOut;
};

// Converts by logging two lines, the first inputs slowest so that at once the later ones finish
// first; notes an input whose path is being converted already.
class TSlowConverter {
public:
  vreport::TInputResult operator()(const TInputItem& aItem, std::ostream* aLog, TProgress*) {
    {
      std::lock_guard lock(fMutex);
      if (!fBusy.insert(aItem.Path).second)
        fOverlapping.push_back(aItem.Path);
    }
    if (aLog)
      *aLog << "log of " << aItem.Path << '\n';
    std::this_thread::sleep_for(std::chrono::milliseconds(aItem.Path == "a" ? 60 : 10));
    if (aLog)
      *aLog << "done " << aItem.Path << '\n';
    {
      std::lock_guard lock(fMutex);
      fBusy.erase(aItem.Path);
    }
    if (aItem.Path == "bad")
      throw std::runtime_error("cannot convert");
    vreport::TInputResult result;
    result.Input = aItem.Path;
    return result;
  }

  std::vector<std::string> Overlapping() const { return fOverlapping; }

private:
  std::mutex fMutex;
  std::set<std::string> fBusy;
  std::vector<std::string> fOverlapping;
};

struct TScheduled {
  std::string Output;
  std::vector<vreport::TInputResult> Results;
};

TScheduled Schedule(const std::vector<TInputItem>& aItems, std::size_t aJobs, bool aShowLogs,
                    TSlowConverter& aConverter) {
  std::ostringstream out;
  TRecordingConsole console(out);
  const TSchedule schedule{aJobs, aShowLogs ? &out : nullptr, nullptr};
  TScheduled scheduled;
  scheduled.Results = ConvertInputs(
      aItems, schedule,
      [&aConverter](const TInputItem& aItem, std::ostream* aLog, TProgress* aProgress) {
        return aConverter(aItem, aLog, aProgress);
      },
      console);
  scheduled.Output = out.str();
  return scheduled;
}

// At once, each input's log stands whole between its begin and end, in input order, as in turn;
// the second input of a path starts only after the first is done.
TEST(CliSchedulerTest, AtOncePrintsWhatInTurnPrints) {
  const std::vector<TInputItem> items{{"a", {}}, {"b", {}}, {"a", {}}, {"c", {}}};
  std::string expected;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string index = std::to_string(i) + ' ' + items[i].Path + '\n';
    expected +=
        "begin " + index + "log of " + items[i].Path + "\ndone " + items[i].Path + "\nend " + index;
  }
  for (const std::size_t jobs : {std::size_t{1}, std::size_t{3}}) {
    SCOPED_TRACE(jobs);
    TSlowConverter converter;
    const TScheduled scheduled = Schedule(items, jobs, true, converter);
    EXPECT_EQ(expected, scheduled.Output);
    ASSERT_EQ(items.size(), scheduled.Results.size());
    for (std::size_t i = 0; i < items.size(); ++i)
      EXPECT_EQ(items[i].Path, scheduled.Results[i].Input);
    EXPECT_EQ(std::vector<std::string>{}, converter.Overlapping());
  }
}

// Without logs only the frame is printed; an input that raises on a worker becomes a failed
// result and the others go on.
TEST(CliSchedulerTest, AFailureOnAWorkerIsThatInputsResult) {
  TSlowConverter converter;
  const TScheduled scheduled = Schedule({{"bad", {}}, {"b", {}}}, 2, false, converter);
  EXPECT_EQ("begin 0 bad\nend 0 bad\nbegin 1 b\nend 1 b\n", scheduled.Output);
  EXPECT_EQ("cannot convert", scheduled.Results[0].Error);
  EXPECT_TRUE(scheduled.Results[1].Ok());
}

} // namespace
