// Reading a whole file into memory. The calls of the platform stay inside this unit: one source
// per platform (PosixFileContent.cpp, WindowsFileContent.cpp).
#pragma once

#include <cstdint>
#include <string>

namespace vbase {

// The file's bytes. A file that cannot be opened or read, a folder included, raises EFOpenError
// "Cannot open file "<name>". <the system's reason>". So does, before a byte is read, anything
// that is not a file on disk (a device or a pipe may never end: "Not a regular file") and a file
// of more than AMaxSize bytes ("File too large").
std::string ReadWholeFile(const std::u16string& AFileName, uint64_t AMaxSize);

} // namespace vbase
