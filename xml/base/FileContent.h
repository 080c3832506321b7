// Reading a whole file into memory. The calls of the platform stay inside this unit: one source
// per platform (PosixFileContent.cpp, WindowsFileContent.cpp).
#pragma once

#include <string>

namespace vbase {

// The file's bytes. A file that cannot be opened or read, a folder included, raises EFOpenError
// "Cannot open file "<name>". <the system's reason>".
std::string ReadWholeFile(const std::u16string& AFileName);

} // namespace vbase
