// The differences a check finds, noted in its result as it goes.
#pragma once

#include "vconvert/uProjectCheck.h"

#include <optional>
#include <string>
#include <string_view>

namespace vconvert {

class TCheckDifferences {
public:
  explicit TCheckDifferences(TCheckResult& aResult) : fResult(aResult) {}

  // aContext none: not a row.
  void Add(std::u16string_view aTarget, std::optional<std::u16string_view> aContext,
           std::u16string aWhat, std::optional<std::u16string_view> aOld,
           std::optional<std::u16string_view> aNew);
  // A text of the new project against the one the conversion writes: aExpected, which the old
  // project holds as aOld.
  void CompareText(std::u16string_view aTarget, std::optional<std::u16string_view> aContext,
                   std::u16string_view aWhat, std::u16string_view aOld,
                   std::u16string_view aExpected, std::u16string_view aNewEscaped);

private:
  TCheckResult& fResult;
  // Room reused from text to text.
  std::u16string fFound;
};

} // namespace vconvert
