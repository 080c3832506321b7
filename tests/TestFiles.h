// Files on disk for the tests: a private temporary folder, reading and writing whole files, and
// a working folder that is put back afterwards.
#pragma once

#include "vbase/Utf8Path.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>

class TTempFolder {
public:
  TTempFolder() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::filesystem::path candidate = base / ("vlp-test-" + std::to_string(random()));
      if (std::filesystem::create_directory(candidate)) {
        fPath = candidate;
        return;
      }
    }
    throw std::runtime_error("cannot create a temporary folder");
  }
  ~TTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(fPath, ignored);
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  const std::filesystem::path& Path() const { return fPath; }
  // The UTF-8 path of aName (which may have "/" between folders) in the folder, with the
  // platform's separators.
  std::string File(const std::string& aName) const {
    return vbase::Utf8OfPath((fPath / vbase::PathOfUtf8(aName)).make_preferred());
  }

  // Names of everything in the folder tree, relative to it, with "/" between folders.
  std::set<std::string> Entries() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(fPath)) {
      const std::u8string name = std::filesystem::relative(entry.path(), fPath).generic_u8string();
      names.emplace(name.begin(), name.end());
    }
    return names;
  }

private:
  std::filesystem::path fPath;
};

inline std::string ReadFileBytes(const std::filesystem::path& aPath) {
  std::ifstream file(aPath, std::ios::binary);
  if (!file)
    throw std::runtime_error("cannot read " + aPath.string());
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::filesystem::path& aPath, std::string_view aBytes) {
  std::ofstream file(aPath, std::ios::binary | std::ios::trunc);
  file << aBytes;
  if (!file)
    throw std::runtime_error("cannot write " + aPath.string());
}

// Makes the working folder aPath for the lifetime of the object, so that relative paths do not
// depend on where the tree lies.
class TScopedCurrentPath {
public:
  explicit TScopedCurrentPath(const std::filesystem::path& aPath)
      : fPrevious(std::filesystem::current_path()) {
    std::filesystem::current_path(aPath);
  }
  ~TScopedCurrentPath() {
    std::error_code ignored;
    std::filesystem::current_path(fPrevious, ignored);
  }
  TScopedCurrentPath(const TScopedCurrentPath&) = delete;
  TScopedCurrentPath& operator=(const TScopedCurrentPath&) = delete;

private:
  std::filesystem::path fPrevious;
};
