// Writing speed: a generated project of about 10 MB built through the node model, written as
// text and saved as UTF-8 into memory. Throughput counts the bytes of the saved file.
#include "vbase/IntegerText.h"
#include "vxml/XmlDocument.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <sstream>
#include <string>

using namespace vbase;
using namespace vxml;

namespace {

constexpr int TargetCount = 20;
constexpr int RowsPerTarget = 940;

std::u16string Number(int aValue) {
  return IntToText(aValue);
}

void AddRow(TXmlNode& aStringData, int aIndex) {
  TXmlNode* row = aStringData.NodeNew(u"row");
  row->AttributeAdd(u"status", u"active");
  row->AttributeAdd(u"name", u"Forms.MainForm.Button" + Number(aIndex) + u".Caption");
  row->AttributeAdd(u"comment", u"Shown on the <main> form & in the menu");
  row->AttributeAdd(u"maxchar", aIndex % 80);
  row->NodeNew(u"native")->SetValueAsWidestring(u"\"Open file " + Number(aIndex) + u"\r\n...\"");
  for (const char16_t* language : {u"de", u"fr", u"ja"}) {
    TXmlNode* lang = row->NodeNew(u"lang");
    lang->AttributeAdd(u"id", language);
    lang->AttributeAdd(u"status", u"auto");
    lang->SetValueAsWidestring(u"\"Datei öffnen – ファイルを開く " + Number(aIndex) + u"\"");
  }
}

std::unique_ptr<TXmlDocument> GeneratedProject() {
  auto document = std::make_unique<TXmlDocument>(u"xml");
  TXmlNode& root = *document->Root();
  root.AttributeAdd(u"version", u"7.5.0.0");
  TXmlNode* targets = root.NodeNew(u"targets");
  for (int t = 0; t < TargetCount; ++t) {
    TXmlNode* target = targets->NodeNew(u"target");
    target->AttributeAdd(u"visible", u"true");
    target->NodeNew(u"options")->NodeNew(u"filename")->SetValueAsWidestring(u"C:\\app\\App.dpr");
    TXmlNode* stringData = target->NodeNew(u"stringdata");
    for (int r = 0; r < RowsPerTarget; ++r)
      AddRow(*stringData, t * RowsPerTarget + r);
    target->NodeNew(u"customdata");
  }
  root.NodeNew(u"excludes");
  document->SetXmlFormat(xfReadable);
  return document;
}

TXmlDocument& Project() {
  static const std::unique_ptr<TXmlDocument> Project = GeneratedProject();
  return *Project;
}

std::size_t SavedSize() {
  std::ostringstream stream;
  Project().SaveToStream(stream, false, true);
  return stream.str().size();
}

void BM_WriteToStringW(benchmark::State& aState) {
  TXmlDocument& project = Project();
  for (auto _ : aState)
    benchmark::DoNotOptimize(project.WriteToStringW());
  aState.SetBytesProcessed(int64_t(aState.iterations()) * int64_t(SavedSize()));
  aState.counters["saved_MB"] = double(SavedSize()) / 1e6;
}
BENCHMARK(BM_WriteToStringW)->Unit(benchmark::kMillisecond);

void BM_SaveToStreamUtf8(benchmark::State& aState) {
  TXmlDocument& project = Project();
  for (auto _ : aState) {
    std::ostringstream stream;
    project.SaveToStream(stream, false, true);
    benchmark::DoNotOptimize(stream);
  }
  aState.SetBytesProcessed(int64_t(aState.iterations()) * int64_t(SavedSize()));
}
BENCHMARK(BM_SaveToStreamUtf8)->Unit(benchmark::kMillisecond);

} // namespace
