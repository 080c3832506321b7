// Files on disk for the tests: a private temporary folder, reading and writing whole files, and
// a working folder that is put back afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>

class TTempFolder {
public:
  TTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vlp-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
      throw std::runtime_error("cannot create a temporary folder");
    fPath = pattern;
  }
  ~TTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(fPath, ignored);
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  const std::filesystem::path& Path() const { return fPath; }
  std::string File(const std::string& aName) const { return (fPath / aName).string(); }

  // Names of everything in the folder tree, relative to it.
  std::set<std::string> Entries() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(fPath))
      names.insert(std::filesystem::relative(entry.path(), fPath).string());
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
