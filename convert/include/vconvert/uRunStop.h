// A stop asked for on one thread and obeyed on another: the run looks at it between small steps
// (a node loaded, a row converted, a node written, a row compared) and leaves by EStopped, which
// releases what the run made and removes what it had begun to write.
#pragma once

#include "vbase/Errors.h"

#include <atomic>
#include <string_view>

namespace vconvert {

inline constexpr std::u16string_view StoppedMessage = u"The run was stopped.";

class TRunStop {
public:
  void Request() noexcept { fRequested.store(true, std::memory_order_relaxed); }
  void Reset() noexcept { fRequested.store(false, std::memory_order_relaxed); }
  bool Requested() const noexcept { return fRequested.load(std::memory_order_relaxed); }
  // Raises EStopped once a stop has been requested.
  void Check() const {
    if (Requested())
      throw vbase::EStopped(std::u16string(StoppedMessage));
  }

private:
  // Nothing else is handed over with the request: relaxed order is enough.
  std::atomic<bool> fRequested{false};
};

} // namespace vconvert
