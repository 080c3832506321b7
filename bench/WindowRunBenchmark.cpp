// The window as a front end: the same project of 5,000 targets converted by the window (on the
// offscreen platform, dialogs answered) and by the batch command's host. The window repaints at
// most every 50 ms, so its run should take little more than the batch run.
#include "../ui/presenter/tests/FakeDesktop.h"
#include "vbase/Utf8.h"
#include "vcli/CliHost.h"
#include "vconvert/uConversionRun.h"
#include "vui/uApplication.h"
#include "vui/uMainForm.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fstream>
#include <string>

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

struct TProjectFiles {
  QTemporaryDir Folder;
  QString Input = Folder.filePath(QStringLiteral("many.vlp"));
  QString Output = Folder.filePath(QStringLiteral("many.vxp"));

  TProjectFiles() {
    std::ofstream(Input.toStdString(), std::ios::binary) << ProjectOfManyTargets();
  }
};

void BM_BatchRun(benchmark::State& aState) {
  const TProjectFiles files;
  for (auto _ : aState) {
    TCliHost host(files.Input.toStdU16String(), files.Output.toStdU16String(), true, nullptr);
    TConversionRun run(host);
    run.Execute();
  }
}
BENCHMARK(BM_BatchRun)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WindowRun(benchmark::State& aState) {
  const TProjectFiles files;
  TMainform window;
  auto desktop = std::make_unique<TFakeDesktop>();
  desktop->OpenAnswer = files.Input.toStdU16String();
  desktop->SaveAnswer = files.Output.toStdU16String();
  window.SetDesktop(std::move(desktop));
  window.show();
  for (auto _ : aState)
    window.btnConvert->click();
}
BENCHMARK(BM_WindowRun)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  vui::TApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
