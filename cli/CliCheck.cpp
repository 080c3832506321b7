#include "CliCheck.h"

#include "vbase/Utf8.h"

#include <ostream>

namespace vcli {

using vbase::Utf8Encode;
using vconvert::TCheckResult;

namespace {

std::string DifferenceCount(std::size_t aCount) {
  return std::to_string(aCount) + (aCount == 1 ? " difference" : " differences");
}

} // namespace

void PrintCheckResult(std::ostream& aOut, const TCheckResult& aResult) {
  if (aResult.ReadError)
    return;
  if (aResult.Passed()) {
    aOut << "verified: " << Utf8Encode(vconvert::CheckCounts(aResult)) << '\n';
    return;
  }
  const std::size_t count = aResult.Differences.size();
  aOut << DifferenceCount(count) << ":\n";
  for (std::size_t i = 0; i < count && i < ShownDifferences; ++i)
    aOut << "  " << Utf8Encode(vconvert::DifferenceText(aResult.Differences[i])) << '\n';
  if (count > ShownDifferences)
    aOut << "  ... and " << count - ShownDifferences << " more (--report lists them all)\n";
}

std::string CheckFailureText(const TCheckResult& aResult) {
  return Utf8Encode(vconvert::CheckFailureReason(aResult));
}

} // namespace vcli
