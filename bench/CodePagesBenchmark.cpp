#include "vcharset/CodePages.h"

#include <benchmark/benchmark.h>
#include <string>

using namespace vcharset;

namespace {

constexpr std::size_t TextUnits = 4 << 20;

// Project-like text: mostly ASCII markup with Latin, Cyrillic, CJK and an emoji in the values.
std::u16string SampleText(bool aWithCjk) {
  const std::u16string line =
      aWithCjk ? u"    <lang id=\"de\">Größe ändern – Размер 日本語 \U0001F600</lang>\r\n"
               : u"    <lang id=\"de\">Größe ändern – Ölmühle, Café €5</lang>\r\n";
  std::u16string text;
  text.reserve(TextUnits + line.size());
  while (text.size() < TextUnits)
    text += line;
  return text;
}

void Decode(benchmark::State& aState, uint32_t aCodePage, bool aWithCjk) {
  const std::string bytes = Utf16ToCodePage(aCodePage, SampleText(aWithCjk));
  for (auto _ : aState)
    benchmark::DoNotOptimize(CodePageToUtf16(aCodePage, bytes));
  aState.SetBytesProcessed(static_cast<int64_t>(aState.iterations() * bytes.size()));
}

void Encode(benchmark::State& aState, uint32_t aCodePage, bool aWithCjk) {
  const std::u16string text = SampleText(aWithCjk);
  for (auto _ : aState)
    benchmark::DoNotOptimize(Utf16ToCodePage(aCodePage, text));
  aState.SetBytesProcessed(static_cast<int64_t>(aState.iterations() * text.size() * 2));
}

// Rates count the bytes of the encoded side for decoding and the UTF-16 bytes for encoding.
BENCHMARK_CAPTURE(Decode, Utf8, 65001u, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Encode, Utf8, 65001u, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, Windows1252, 1252u, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Encode, Windows1252, 1252u, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, ShiftJis, 932u, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Encode, ShiftJisWithSubstitutes, 932u, true)->Unit(benchmark::kMillisecond);

// The fixed cost of one conversion: opening the iconv descriptor for a short text.
void ShortText(benchmark::State& aState) {
  const std::string bytes = "<?xml version=\"1.0\"?>";
  for (auto _ : aState)
    benchmark::DoNotOptimize(CodePageToUtf16(1252, bytes));
}
BENCHMARK(ShortText);

} // namespace
