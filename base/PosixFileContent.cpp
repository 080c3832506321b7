#include "vbase/Errors.h"
#include "vbase/FileContent.h"
#include "vbase/Utf8.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vbase {

namespace {

[[noreturn]] void RaiseOpenError(const std::u16string& AFileName, int AError) {
  throw EFOpenError(u"Cannot open file \"" + AFileName + u"\". " +
                    Utf8Decode(std::strerror(AError)));
}

// The size of the regular file behind AHandle, or the reason why it cannot be read.
uint64_t CheckedSize(const std::u16string& AFileName, int AHandle, uint64_t AMaxSize) {
  struct stat status {};
  if (::fstat(AHandle, &status) != 0)
    RaiseOpenError(AFileName, errno);
  if (S_ISDIR(status.st_mode))
    RaiseOpenError(AFileName, EISDIR);
  if (!S_ISREG(status.st_mode))
    throw EFOpenError(u"Cannot open file \"" + AFileName + u"\". Not a regular file");
  if (static_cast<uint64_t>(status.st_size) > AMaxSize)
    RaiseOpenError(AFileName, EFBIG);
  return static_cast<uint64_t>(status.st_size);
}

} // namespace

TFileReader::TFileReader(const std::u16string& AFileName, uint64_t AMaxSize)
    : FFileName(AFileName), FHandle(::open(Utf8Encode(AFileName).c_str(), O_RDONLY | O_CLOEXEC)) {
  if (FHandle < 0)
    RaiseOpenError(AFileName, errno);
  try {
    FSize = CheckedSize(AFileName, static_cast<int>(FHandle), AMaxSize);
  } catch (...) {
    ::close(static_cast<int>(FHandle));
    throw;
  }
}

TFileReader::~TFileReader() {
  ::close(static_cast<int>(FHandle));
}

std::size_t TFileReader::Read(char* ABuffer, std::size_t ACount) {
  for (;;) {
    const ssize_t count = ::read(static_cast<int>(FHandle), ABuffer, ACount);
    if (count >= 0)
      return static_cast<std::size_t>(count);
    if (errno != EINTR)
      RaiseOpenError(FFileName, errno);
  }
}

} // namespace vbase
