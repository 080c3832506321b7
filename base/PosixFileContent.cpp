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

[[noreturn]] void RaiseOpenError(const std::u16string& aFileName, int aError) {
  throw EFOpenError(u"Cannot open file \"" + aFileName + u"\". " +
                    Utf8Decode(std::strerror(aError)));
}

// The size of the regular file behind aHandle, or the reason why it cannot be read.
uint64_t CheckedSize(const std::u16string& aFileName, int aHandle, uint64_t aMaxSize) {
  struct stat status {};
  if (::fstat(aHandle, &status) != 0)
    RaiseOpenError(aFileName, errno);
  if (S_ISDIR(status.st_mode))
    RaiseOpenError(aFileName, EISDIR);
  if (!S_ISREG(status.st_mode))
    throw EFOpenError(u"Cannot open file \"" + aFileName + u"\". Not a regular file");
  if (static_cast<uint64_t>(status.st_size) > aMaxSize)
    RaiseOpenError(aFileName, EFBIG);
  return static_cast<uint64_t>(status.st_size);
}

} // namespace

TFileReader::TFileReader(const std::u16string& aFileName, uint64_t aMaxSize)
    : fFileName(aFileName), fHandle(::open(Utf8Encode(aFileName).c_str(), O_RDONLY | O_CLOEXEC)) {
  if (fHandle < 0)
    RaiseOpenError(aFileName, errno);
  try {
    fSize = CheckedSize(aFileName, static_cast<int>(fHandle), aMaxSize);
  } catch (...) {
    ::close(static_cast<int>(fHandle));
    throw;
  }
}

TFileReader::~TFileReader() {
  ::close(static_cast<int>(fHandle));
}

std::size_t TFileReader::Read(char* aBuffer, std::size_t aCount) {
  for (;;) {
    const ssize_t count = ::read(static_cast<int>(fHandle), aBuffer, aCount);
    if (count >= 0)
      return static_cast<std::size_t>(count);
    if (errno != EINTR)
      RaiseOpenError(fFileName, errno);
  }
}

} // namespace vbase
