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
// and a file of more than aMaxSize bytes ("File too large").
class TFileReader {
public:
  TFileReader(const std::u16string& aFileName, uint64_t aMaxSize);
  ~TFileReader();
  TFileReader(const TFileReader&) = delete;
  TFileReader& operator=(const TFileReader&) = delete;

  // The size when the file was opened.
  uint64_t Size() const { return fSize; }
  // Up to aCount bytes into aBuffer; 0 at the end of the file.
  std::size_t Read(char* aBuffer, std::size_t aCount);

private:
  std::u16string fFileName;
  std::intptr_t fHandle;
  uint64_t fSize = 0;
};

// Reads to the end of aFile, appending to aBytes.
void ReadToEnd(TFileReader& aFile, std::string& aBytes);

} // namespace vbase
