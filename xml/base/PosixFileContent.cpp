#include "Errors.h"
#include "FileContent.h"
#include "Utf8.h"

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

class TFileHandle {
public:
  explicit TFileHandle(int AHandle) : FHandle(AHandle) {}
  ~TFileHandle() { ::close(FHandle); }
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;
  int Get() const { return FHandle; }

private:
  int FHandle;
};

} // namespace

std::string ReadWholeFile(const std::u16string& AFileName, uint64_t AMaxSize) {
  const int handle = ::open(Utf8Encode(AFileName).c_str(), O_RDONLY | O_CLOEXEC);
  if (handle < 0)
    RaiseOpenError(AFileName, errno);
  const TFileHandle file(handle);
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0)
    RaiseOpenError(AFileName, errno);
  if (S_ISDIR(status.st_mode))
    RaiseOpenError(AFileName, EISDIR);
  if (!S_ISREG(status.st_mode))
    throw EFOpenError(u"Cannot open file \"" + AFileName + u"\". Not a regular file");
  if (static_cast<uint64_t>(status.st_size) > AMaxSize)
    RaiseOpenError(AFileName, EFBIG);
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(status.st_size));
  char chunk[65536];
  for (;;) {
    const ssize_t count = ::read(file.Get(), chunk, sizeof chunk);
    if (count < 0 && errno == EINTR)
      continue;
    if (count < 0)
      RaiseOpenError(AFileName, errno);
    if (count == 0)
      return bytes;
    bytes.append(chunk, static_cast<std::size_t>(count));
  }
}

} // namespace vbase
