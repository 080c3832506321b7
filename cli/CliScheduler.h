// Runs the conversions of the inputs one at a time or several at once; either way each input's
// output appears whole and in input order.
#pragma once

#include "vconvert/uProjectInputs.h"
#include "vreport/InputResult.h"

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace vcli {

class TProgress;

// Converts one input. Its log goes to aLog and its stages to aProgress, each when given.
using TConvertInput = std::function<vreport::TInputResult(
    const vconvert::TInputItem& aItem, std::ostream* aLog, TProgress* aProgress)>;

// What is printed around each input's log.
class IInputConsole {
public:
  virtual ~IInputConsole() = default;
  virtual void Begin(std::size_t aIndex, const std::string& aPath) = 0;
  virtual void End(std::size_t aIndex, const vreport::TInputResult& aResult) = 0;
};

struct TSchedule {
  // Inputs converted at once; one means in turn.
  std::size_t Jobs = 1;
  // Where the logs go; none when they are not shown.
  std::ostream* Log = nullptr;
  // Follows the stages of inputs converted in turn; may be none.
  TProgress* Progress = nullptr;
};

// The results in input order. In turn, each log is printed as it comes; at once, each is kept
// back and printed whole when the inputs before it are done. Inputs of the same path are never
// converted at the same time: the later waits for the earlier, as it would in turn.
std::vector<vreport::TInputResult> ConvertInputs(const std::vector<vconvert::TInputItem>& aItems,
                                                 const TSchedule& aSchedule,
                                                 const TConvertInput& aConvert,
                                                 IInputConsole& aConsole);

} // namespace vcli
