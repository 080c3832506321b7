// Speed of the batch conversion's stages on a generated old project of about 10 MB: loading it,
// converting it (the load included, nothing saved), saving the new project, and the whole
// conversion with its save beside the check of what it saved. Throughput counts bytes of the old
// project, and for saving bytes of the written file.
#include "vconvert/uConversionRun.h"
#include "vconvert/uProjectCheck.h"
#include "vconvert/uVLP5Reader.h"
#include "vxml/XmlDocument.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <unistd.h>

using namespace vconvert;
using namespace vxml;

namespace {

namespace fs = std::filesystem;

constexpr int TargetCount = 16;
constexpr int RowCount = 13000;
constexpr const char* Languages[] = {"de", "fr", "ja", "sh", "es"};

std::string TargetFile(int aIndex) {
  return "C:\\Projects\\App" + std::to_string(aIndex) + "\\App" + std::to_string(aIndex) + ".dpr";
}

void AppendRow(std::string& aText, int aIndex) {
  const std::string index = std::to_string(aIndex);
  aText += "      <ROW>\n        <NATIVE>Open &quot;%s&quot; (" + index + ")#L#Cnow</NATIVE>\n";
  if (aIndex % 7 == 0)
    aText += "        <COMMENT>Shown on the main form</COMMENT>\n";
  for (int l = 0; l < 5; ++l)
    if ((aIndex + l) % 4 != 0)
      aText += "        <TRANSLATION language=\"" + std::string(Languages[l]) +
               "\">\n          <VALUE>Datei öffnen – ファイルを開く " + index +
               "</VALUE>\n        </TRANSLATION>\n";
  aText += "        <LOCATION>\n          <TYPE>" +
           std::string(aIndex % 3 == 0 ? "STRING" : "FORM") + "</TYPE>\n          <TARGET>" +
           TargetFile(aIndex % TargetCount) + "</TARGET>\n          <UNIT>frmMain" +
           std::to_string(aIndex % 40) + "</UNIT>\n          <ITEM>btnOpen" + index +
           "</ITEM>\n          <PROPERTY>Caption</PROPERTY>\n        </LOCATION>\n      </ROW>\n";
}

std::string GeneratedProject() {
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROJECT>\n"
                     "  <DICTIONARY>\n    <NAME>Main dictionary</NAME>\n  </DICTIONARY>\n"
                     "  <TARGETS>\n";
  for (int t = 0; t < TargetCount; ++t)
    text += "    <DELPHI_PROJECT>\n      <PROJECTFILE>" + TargetFile(t) +
            "</PROJECTFILE>\n      <SCANBINARY>1</SCANBINARY>\n    </DELPHI_PROJECT>\n";
  text += "  </TARGETS>\n  <DATA>\n    <LANGUAGES>\n";
  for (const char* language : Languages)
    text += "      <LANGUAGE language=\"" + std::string(language) + "\" />\n";
  text += "    </LANGUAGES>\n    <ROWS>\n";
  for (int r = 0; r < RowCount; ++r)
    AppendRow(text, r);
  return text + "    </ROWS>\n  </DATA>\n</PROJECT>\n";
}

// The generated project in a file of its own, beside where the new project is written.
class TProjectFiles {
public:
  TProjectFiles() {
    std::string pattern = (fs::temp_directory_path() / "vlp-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
      std::abort();
    fFolder = pattern;
    const std::string bytes = GeneratedProject();
    std::ofstream(OldProject(), std::ios::binary).write(bytes.data(), std::ssize(bytes));
    fOldSize = static_cast<int64_t>(bytes.size());
  }
  ~TProjectFiles() {
    std::error_code ignored;
    fs::remove_all(fFolder, ignored);
  }
  TProjectFiles(const TProjectFiles&) = delete;
  TProjectFiles& operator=(const TProjectFiles&) = delete;

  fs::path OldProject() const { return fFolder / "project.vlp"; }
  fs::path NewProject() const { return fFolder / "project.vxp"; }
  int64_t OldSize() const { return fOldSize; }

private:
  fs::path fFolder;
  int64_t fOldSize = 0;
};

const TProjectFiles& Files() {
  static const TProjectFiles Files;
  return Files;
}

// A host without a window: no log, no target list, and an output path only when one is given.
class TBenchHost : public IConversionHost {
public:
  TBenchHost(std::u16string aOldPath, std::optional<std::u16string> aOutputPath)
      : fOldPath(std::move(aOldPath)), fOutputPath(std::move(aOutputPath)) {}

  std::optional<std::u16string> AskOldProjectPath() override { return fOldPath; }
  void ClearLog() override {}
  void AddLogLine(std::u16string_view) override {}
  void TargetsCleared() override {}
  void TargetFound(const TFoundTarget&) override {}
  void TargetRowsCounted(int32_t, int32_t) override {}
  std::optional<std::u16string> AskOutputPath(const std::u16string&) override {
    return fOutputPath;
  }
  uint32_t TickCount() override { return SteadyTickCount(); }
  void ProcessMessages() override {}

private:
  std::u16string fOldPath;
  std::optional<std::u16string> fOutputPath;
};

void BM_LoadOldProject(benchmark::State& aState) {
  const std::u16string path = Files().OldProject().u16string();
  for (auto _ : aState) {
    TVLP5Project project(path);
    benchmark::DoNotOptimize(project.ReadDictionary());
  }
  aState.SetBytesProcessed(aState.iterations() * Files().OldSize());
}
BENCHMARK(BM_LoadOldProject)->Unit(benchmark::kMillisecond);

void BM_ConvertOldProject(benchmark::State& aState) {
  TBenchHost host(Files().OldProject().u16string(), std::nullopt);
  for (auto _ : aState) {
    TConversionRun run(host);
    run.Execute();
    benchmark::DoNotOptimize(run.RowsPlaced());
  }
  aState.SetBytesProcessed(aState.iterations() * Files().OldSize());
}
BENCHMARK(BM_ConvertOldProject)->Unit(benchmark::kMillisecond);

void BM_SaveNewProject(benchmark::State& aState) {
  const std::u16string path = Files().NewProject().u16string();
  {
    TBenchHost host(Files().OldProject().u16string(), path);
    TConversionRun(host).Execute();
  }
  TXmlDocument document;
  document.LoadFromFile(path);
  document.SetXmlFormat(xfReadable);
  for (auto _ : aState)
    document.SaveToFile(path, false);
  aState.SetBytesProcessed(aState.iterations() *
                           static_cast<int64_t>(fs::file_size(Files().NewProject())));
}
BENCHMARK(BM_SaveNewProject)->Unit(benchmark::kMillisecond);

void BM_ConvertAndSave(benchmark::State& aState) {
  TBenchHost host(Files().OldProject().u16string(), Files().NewProject().u16string());
  for (auto _ : aState)
    TConversionRun(host).Execute();
  aState.SetBytesProcessed(aState.iterations() * Files().OldSize());
}
BENCHMARK(BM_ConvertAndSave)->Unit(benchmark::kMillisecond);

// The check of a saved conversion may cost at most what the conversion does.
void BM_CheckConvertedProject(benchmark::State& aState) {
  const std::u16string newPath = Files().NewProject().u16string();
  {
    TBenchHost host(Files().OldProject().u16string(), newPath);
    TConversionRun(host).Execute();
  }
  for (auto _ : aState) {
    const TCheckResult result = CheckConversion(Files().OldProject().u16string(), newPath);
    if (!result.Passed())
      aState.SkipWithError("the saved conversion does not pass its check");
  }
  aState.SetBytesProcessed(aState.iterations() * Files().OldSize());
}
BENCHMARK(BM_CheckConvertedProject)->Unit(benchmark::kMillisecond);

} // namespace
