// Reading a file into memory, whole or piece by piece. The calls of the platform stay inside
// this unit: one source per platform (PosixFileContent.cpp, WindowsFileContent.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vbase {

// A file opened for reading. A file that cannot be opened or read, a folder included, raises
// EFOpenError "Cannot open file "<name>". <the system's reason>". So does, before a byte is read,
// anything that is not a file on disk (a device or a pipe may never end: "Not a regular file")
// and a file of more than AMaxSize bytes ("File too large").
class TFileReader {
public:
  TFileReader(const std::u16string& AFileName, uint64_t AMaxSize);
  ~TFileReader();
  TFileReader(const TFileReader&) = delete;
  TFileReader& operator=(const TFileReader&) = delete;

  // The size when the file was opened.
  uint64_t Size() const { return FSize; }
  // Up to ACount bytes into ABuffer; 0 at the end of the file.
  std::size_t Read(char* ABuffer, std::size_t ACount);

private:
  std::u16string FFileName;
  std::intptr_t FHandle;
  uint64_t FSize = 0;
};

// Reads to the end of AFile, appending to ABytes.
void ReadToEnd(TFileReader& AFile, std::string& ABytes);

} // namespace vbase
