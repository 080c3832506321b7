#include "vbase/TextPlace.h"

#include <algorithm>

namespace vbase {

namespace {

bool IsHighSurrogate(char16_t aUnit) {
  return aUnit >= 0xD800 && aUnit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t aUnit) {
  return aUnit >= 0xDC00 && aUnit <= 0xDFFF;
}

} // namespace

bool TLineCounter::Pass(std::u16string_view aPiece) {
  const std::size_t count = static_cast<std::size_t>(
      std::min<uint64_t>(fRemaining, static_cast<uint64_t>(aPiece.size())));
  for (const char16_t unit : aPiece.substr(0, count))
    Count(unit);
  fRemaining -= count;
  return fRemaining > 0;
}

void TLineCounter::Count(char16_t aUnit) {
  const bool atStart = fAtStart;
  const char16_t previous = fPrevious;
  fAtStart = false;
  fPrevious = aUnit;
  if (aUnit == u'\n' && previous == u'\r')
    return;
  if (aUnit == u'\r' || aUnit == u'\n') {
    ++fLine;
    fColumn = 1;
    return;
  }
  fSawNul = fSawNul || aUnit == 0;
  const bool byteOrderMark = atStart && aUnit == 0xFEFF;
  const bool secondHalf = IsLowSurrogate(aUnit) && IsHighSurrogate(previous);
  if (!byteOrderMark && !secondHalf)
    ++fColumn;
}

} // namespace vbase
