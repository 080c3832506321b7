// Reading speed: an old project of about 10 MB, generated as text, loaded from its UTF-8 bytes
// (encoding detection and decoding included) and parsed from UTF-16. Throughput counts bytes of
// the file.
#include "vbase/Utf8.h"
#include "vxml/XmlDocument.h"

#include <benchmark/benchmark.h>
#include <string>

using namespace vbase;
using namespace vxml;

namespace {

constexpr int TargetCount = 20;
constexpr int RowsPerTarget = 1000;

void AppendRow(std::string& aText, int aIndex) {
  const std::string index = std::to_string(aIndex);
  aText += "      <row status=\"active\" name=\"Forms.MainForm.Button" + index +
           ".Caption\" comment=\"Shown on the &lt;main&gt; form &amp; in the menu\" maxchar=\"" +
           std::to_string(aIndex % 80) + "\">\r\n";
  aText += "        <native>&quot;Open file " + index + "&#13;&#10;...&quot;</native>\r\n";
  for (const char* language : {"de", "fr", "ja"})
    aText += "        <lang id=\"" + std::string(language) +
             "\" status=\"auto\">Datei öffnen – ファイルを開く " + index + "</lang>\r\n";
  aText += "        <!-- checked -->\r\n      </row>\r\n";
}

std::string GeneratedProject() {
  std::string text =
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<project version=\"5\">\r\n";
  for (int t = 0; t < TargetCount; ++t) {
    text += "  <target name=\"App" + std::to_string(t) +
            ".exe\">\r\n    <options filename=\"C:\\app\\App.dpr\"/>\r\n";
    text += "    <strings>\r\n";
    for (int r = 0; r < RowsPerTarget; ++r)
      AppendRow(text, t * RowsPerTarget + r);
    text += "    </strings>\r\n  </target>\r\n";
  }
  return text + "</project>\r\n";
}

const std::string& ProjectBytes() {
  static const std::string Bytes = GeneratedProject();
  return Bytes;
}

void BM_LoadUtf8Project(benchmark::State& aState) {
  const std::string& bytes = ProjectBytes();
  for (auto _ : aState) {
    TXmlDocument document;
    document.ReadFromString(bytes);
    benchmark::DoNotOptimize(document.Root());
  }
  aState.SetBytesProcessed(static_cast<int64_t>(aState.iterations()) *
                           static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_LoadUtf8Project)->Unit(benchmark::kMillisecond);

void BM_ParseUtf16Project(benchmark::State& aState) {
  const std::u16string text = Utf8Decode(ProjectBytes());
  for (auto _ : aState) {
    TXmlDocument document;
    document.ReadFromStringW(text);
    benchmark::DoNotOptimize(document.Root());
  }
  aState.SetBytesProcessed(static_cast<int64_t>(aState.iterations()) *
                           static_cast<int64_t>(ProjectBytes().size()));
}
BENCHMARK(BM_ParseUtf16Project)->Unit(benchmark::kMillisecond);

// One value holding a long chain of references to an entity with markup: the time should grow
// linearly with the number of references.
void BM_ResolveReferenceChain(benchmark::State& aState) {
  std::u16string text = u"<!DOCTYPE r [<!ENTITY m '<b/>'>]><r>";
  for (int64_t i = 0; i < aState.range(0); ++i)
    text += u"&m;";
  text += u"</r>";
  for (auto _ : aState) {
    aState.PauseTiming();
    TXmlDocument document;
    document.ReadFromStringW(text);
    aState.ResumeTiming();
    document.ResolveEntityReferences();
    benchmark::DoNotOptimize(document.Root());
  }
  aState.SetComplexityN(aState.range(0));
}
BENCHMARK(BM_ResolveReferenceChain)
    ->RangeMultiplier(4)
    ->Range(1 << 10, 1 << 16)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

} // namespace
