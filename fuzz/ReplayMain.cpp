// Replays inputs through a fuzz target's entry point without libFuzzer, so that a plain build
// (g++, with or without sanitizers) checks the kept corpus. Arguments are files or folders; a
// folder stands for the files in it, in name order.
#include "FuzzTarget.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> InputsOf(const fs::path& aArgument) {
  if (!fs::is_directory(aArgument))
    return {aArgument};
  std::vector<fs::path> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(aArgument))
    if (entry.is_regular_file())
      files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

void Replay(const fs::path& aInput) {
  std::ifstream file(aInput, std::ios::binary);
  if (!file)
    throw std::runtime_error("cannot read " + aInput.string());
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  // Named first, so that the input of a crash is the last line before the crash report.
  std::cout << aInput.filename().string() << std::endl;
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

} // namespace

int main(int argc, char** argv) {
  std::size_t count = 0;
  for (int i = 1; i < argc; ++i)
    for (const fs::path& input : InputsOf(argv[i])) {
      Replay(input);
      ++count;
    }
  std::cout << "replayed " << count << " inputs" << std::endl;
  // An empty corpus would pass without testing anything.
  return count > 0 ? 0 : 1;
}
