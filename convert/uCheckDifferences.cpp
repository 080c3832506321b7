#include "uCheckDifferences.h"

#include "uCheckNodes.h"

namespace vconvert {

namespace {

std::optional<std::u16string> Copy(std::optional<std::u16string_view> aText) {
  return aText ? std::optional<std::u16string>(*aText) : std::nullopt;
}

} // namespace

void TCheckDifferences::Add(std::u16string_view aTarget,
                            std::optional<std::u16string_view> aContext, std::u16string aWhat,
                            std::optional<std::u16string_view> aOld,
                            std::optional<std::u16string_view> aNew) {
  fResult.Differences.push_back(
      {std::u16string(aTarget), Copy(aContext), std::move(aWhat), Copy(aOld), Copy(aNew)});
}

void TCheckDifferences::CompareText(std::u16string_view aTarget,
                                    std::optional<std::u16string_view> aContext,
                                    std::u16string_view aWhat, std::u16string_view aOld,
                                    std::u16string_view aExpected,
                                    std::u16string_view aNewEscaped) {
  const std::u16string_view found = Unescaped(aNewEscaped, fFound);
  if (!vbase::SameCodeUnits(found, aExpected))
    Add(aTarget, aContext, std::u16string(aWhat), aOld, found);
}

} // namespace vconvert
