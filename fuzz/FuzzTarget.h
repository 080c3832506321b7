// What the fuzz targets share: the entry point libFuzzer and the replay driver both call, and
// the way an input that breaks a promise of the code under test stops the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize);

inline std::string_view FuzzBytes(const uint8_t* aData, size_t aSize) {
  return {reinterpret_cast<const char*>(aData), aSize};
}

// An abort is what libFuzzer records as a crash and what fails the replay test.
[[noreturn]] inline void FuzzFinding(std::string_view aWhat) {
  std::fprintf(stderr, "fuzz finding: %.*s\n", static_cast<int>(aWhat.size()), aWhat.data());
  std::abort();
}
