#include "vconvert/uConversionHost.h"

#include <chrono>

namespace vconvert {

uint32_t SteadyTickCount() {
  const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}

} // namespace vconvert
