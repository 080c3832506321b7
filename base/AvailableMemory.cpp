#include "vbase/AvailableMemory.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <unistd.h>
#endif

namespace vbase {

#ifdef _WIN32

std::optional<uint64_t> AvailablePhysicalMemory() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof(status);
  if (!GlobalMemoryStatusEx(&status))
    return std::nullopt;
  return status.ullAvailPhys;
}

#else

namespace {

// Linux counts the caches it would drop for a program as available; the free pages alone would
// make a busy system look full.
std::optional<uint64_t> MemAvailable() {
  constexpr std::string_view Name = "MemAvailable:";
  std::ifstream meminfo("/proc/meminfo");
  for (std::string line; std::getline(meminfo, line);)
    if (line.starts_with(Name)) {
      // In kibibytes, whatever the line's unit says.
      std::istringstream value(line.substr(Name.size()));
      uint64_t kibibytes = 0;
      if (value >> kibibytes)
        return kibibytes * 1024;
    }
  return std::nullopt;
}

} // namespace

std::optional<uint64_t> AvailablePhysicalMemory() {
  if (const std::optional<uint64_t> available = MemAvailable())
    return available;
  const long pages = sysconf(_SC_AVPHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0)
    return std::nullopt;
  return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

#endif

} // namespace vbase
