#include "vbase/TextPlace.h"

#include <algorithm>

namespace vbase {

namespace {

bool IsHighSurrogate(char16_t AUnit) {
  return AUnit >= 0xD800 && AUnit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t AUnit) {
  return AUnit >= 0xDC00 && AUnit <= 0xDFFF;
}

} // namespace

bool TLineCounter::Pass(std::u16string_view APiece) {
  const std::size_t count = static_cast<std::size_t>(
      std::min<uint64_t>(FRemaining, static_cast<uint64_t>(APiece.size())));
  for (const char16_t unit : APiece.substr(0, count))
    Count(unit);
  FRemaining -= count;
  return FRemaining > 0;
}

void TLineCounter::Count(char16_t AUnit) {
  const bool atStart = FAtStart;
  const char16_t previous = FPrevious;
  FAtStart = false;
  FPrevious = AUnit;
  if (AUnit == u'\n' && previous == u'\r')
    return;
  if (AUnit == u'\r' || AUnit == u'\n') {
    ++FLine;
    FColumn = 1;
    return;
  }
  FSawNul = FSawNul || AUnit == 0;
  const bool byteOrderMark = atStart && AUnit == 0xFEFF;
  const bool secondHalf = IsLowSurrogate(AUnit) && IsHighSurrogate(previous);
  if (!byteOrderMark && !secondHalf)
    ++FColumn;
}

} // namespace vbase
