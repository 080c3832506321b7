// The physical memory the system could give a program now without swapping.
#pragma once

#include <cstdint>
#include <optional>

namespace vbase {

// In bytes; none when the system does not tell.
std::optional<uint64_t> AvailablePhysicalMemory();

} // namespace vbase
