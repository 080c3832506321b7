// The window as a front end: the same project converted and checked by the window (on the
// offscreen platform, dialogs answered) and by the batch command's host with its check, as
// `--verify` does it. The window's run goes on a thread of its own, so it should take little
// more than the batch run, and its loop should turn all along: a timer every 10 ms notes the
// longest gap between two of its turns (max_gap_ms; 10 is the least it can show).
//
// By default the project holds 5,000 targets; VLP_BENCH_PROJECT names a project of your own
// (bench/make-old-project makes large ones) and VLP_BENCH_ROUNDS how many rounds each side runs
// on it (3 if not given). BM_WindowAgainstBatch runs the two in turn and gives the ratio of their
// times round by round.
#include "../ui/presenter/tests/FakeDesktop.h"
#include "vbase/Utf8.h"
#include "vcli/CliHost.h"
#include "vconvert/uConversionRun.h"
#include "vconvert/uProjectCheck.h"
#include "vui/uApplication.h"
#include "vui/uMainForm.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using vcli::TCliHost;
using vconvert::TConversionRun;
using vui::TFakeDesktop;
using vui::TMainform;

namespace {

constexpr int TargetCount = 5000;

// One binary target per entry, each with a row, and one target without a counterpart in ten.
std::string ProjectOfManyTargets() {
  std::string targets, rows;
  for (int t = 0; t < TargetCount; ++t) {
    const std::string file = "C:\\app\\bin\\Module" + std::to_string(t) + ".dll";
    if (t % 10 == 9) {
      targets += "<RESOURCE><FILENAME>" + file + "</FILENAME></RESOURCE>";
      continue;
    }
    targets += "<CPP_BINARY><FILENAME>" + file + "</FILENAME></CPP_BINARY>";
    rows += "<ROW><NATIVE>Text " + std::to_string(t) +
            "</NATIVE><TRANSLATION language=\"de\"><VALUE>Text</VALUE></TRANSLATION>"
            "<LOCATION><TYPE>STRING</TYPE><UNIT>U</UNIT><ITEM>S" +
            std::to_string(t) + "</ITEM><TARGET>" + file + "</TARGET></LOCATION></ROW>";
  }
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROJECT><TARGETS>" + targets +
         "</TARGETS><DATA><LANGUAGES><LANGUAGE language=\"de\"/></LANGUAGES><ROWS>" + rows +
         "</ROWS></DATA></PROJECT>\n";
}

// The input is the given project or the one of many targets; the output goes beside neither.
struct TProjectFiles {
  QTemporaryDir Folder;
  QString Input = qEnvironmentVariable("VLP_BENCH_PROJECT");
  QString Output = Folder.filePath(QStringLiteral("new.vxp"));

  TProjectFiles() {
    if (!Input.isEmpty())
      return;
    Input = Folder.filePath(QStringLiteral("many.vlp"));
    std::ofstream(Input.toStdString(), std::ios::binary) << ProjectOfManyTargets();
  }
};

int Rounds() {
  bool given = false;
  const int rounds = qEnvironmentVariableIntValue("VLP_BENCH_ROUNDS", &given);
  return given && rounds > 0 ? rounds : 3;
}

// One conversion with its check, as `--verify` makes it.
void BatchRound(const TProjectFiles& aFiles, benchmark::State& aState) {
  TCliHost host(aFiles.Input.toStdU16String(), aFiles.Output.toStdU16String(), true, nullptr);
  TConversionRun run(host);
  run.Execute();
  const vconvert::TCheckResult check =
      vconvert::CheckConversion(aFiles.Input.toStdU16String(), aFiles.Output.toStdU16String());
  if (!check.Passed())
    aState.SkipWithError("the batch run's check failed");
  QFile::remove(aFiles.Output);
}

// The longest time between two timeouts of a timer that asks for one every 10 ms.
class TLoopGaps {
public:
  TLoopGaps() {
    QObject::connect(&fTimer, &QTimer::timeout, [this] { Turned(); });
    fTimer.setTimerType(Qt::PreciseTimer);
  }
  void Start() {
    fLast = TClock::now();
    fTimer.start(10);
  }
  void Stop() {
    Turned();
    fTimer.stop();
  }
  double LongestMs() const { return fLongest.count(); }

private:
  using TClock = std::chrono::steady_clock;
  void Turned() {
    const TClock::time_point now = TClock::now();
    fLongest = std::max<std::chrono::duration<double, std::milli>>(fLongest, now - fLast);
    fLast = now;
  }

  QTimer fTimer;
  TClock::time_point fLast;
  std::chrono::duration<double, std::milli> fLongest{0};
};

// The window, shown offscreen, converting the project with the dialogs answered.
class TWindowRounds {
public:
  explicit TWindowRounds(const TProjectFiles& aFiles) : fFiles(aFiles) {
    auto desktop = std::make_unique<TFakeDesktop>();
    desktop->OpenAnswer = aFiles.Input.toStdU16String();
    desktop->SaveAnswer = aFiles.Output.toStdU16String();
    fAnswers = desktop.get();
    fWindow.SetDesktop(std::move(desktop));
    fWindow.show();
  }
  // A run from the click to its summary, the loop turning all the while.
  void Round(benchmark::State& aState) {
    fGaps.Start();
    fWindow.btnConvert->click();
    while (fWindow.Presenter().State() != vui::TMainState::msIdle)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    fGaps.Stop();
    if (!fAnswers->Errors.empty())
      aState.SkipWithError("the window's run failed");
    QFile::remove(fFiles.Output);
  }
  double LongestGapMs() const { return fGaps.LongestMs(); }

private:
  const TProjectFiles& fFiles;
  TMainform fWindow;
  TFakeDesktop* fAnswers = nullptr;
  TLoopGaps fGaps;
};

void BM_BatchRun(benchmark::State& aState) {
  const TProjectFiles files;
  for (auto _ : aState)
    BatchRound(files, aState);
}

void BM_WindowRun(benchmark::State& aState) {
  const TProjectFiles files;
  TWindowRounds window(files);
  for (auto _ : aState)
    window.Round(aState);
  aState.counters["max_gap_ms"] = window.LongestGapMs();
}

// On a busy machine both sides wait for a core much of the time, and how long moves from minute
// to minute: the two run in turn, and the ratio is taken round by round. The time shown is the
// window's; batch_s is the median of the batch rounds, ratio the median of the rounds' ratios.
void BM_WindowAgainstBatch(benchmark::State& aState) {
  const TProjectFiles files;
  TWindowRounds window(files);
  std::vector<double> batchTimes, ratios;
  using TClock = std::chrono::steady_clock;
  for (auto _ : aState) {
    aState.PauseTiming();
    const TClock::time_point start = TClock::now();
    BatchRound(files, aState);
    const std::chrono::duration<double> batch = TClock::now() - start;
    aState.ResumeTiming();
    const TClock::time_point windowStart = TClock::now();
    window.Round(aState);
    const std::chrono::duration<double> ofWindow = TClock::now() - windowStart;
    batchTimes.push_back(batch.count());
    ratios.push_back(ofWindow.count() / batch.count());
    std::fprintf(stderr, "round %zu: batch %.2f s, window %.2f s, %.2fx\n", ratios.size(),
                 batch.count(), ofWindow.count(), ratios.back());
  }
  const auto median = [](std::vector<double> aValues) {
    std::sort(aValues.begin(), aValues.end());
    return aValues.empty() ? 0.0 : aValues[aValues.size() / 2];
  };
  aState.counters["batch_s"] = median(batchTimes);
  aState.counters["ratio"] = median(ratios);
  aState.counters["max_gap_ms"] = window.LongestGapMs();
}

} // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  vui::TApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  const bool given = !qEnvironmentVariableIsEmpty("VLP_BENCH_PROJECT");
  for (const auto& [name, run] :
       {std::pair{"BM_BatchRun", &BM_BatchRun}, std::pair{"BM_WindowRun", &BM_WindowRun},
        std::pair{"BM_WindowAgainstBatch", &BM_WindowAgainstBatch}}) {
    benchmark::internal::Benchmark* benchmark = benchmark::RegisterBenchmark(name, run);
    benchmark->Unit(benchmark::kMillisecond)->UseRealTime();
    if (given)
      benchmark->Iterations(Rounds());
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
