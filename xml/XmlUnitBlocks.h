// Eight UTF-16 code units side by side, for the scans over text that the reader and the escaping
// of values make: a block holding nothing of interest is passed as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vxml {

using TUnitBlock = uint16_t __attribute__((vector_size(16)));
// The lanes of a comparison of blocks: all bits set where true.
using TUnitMask = int16_t __attribute__((vector_size(16)));
inline constexpr std::ptrdiff_t BlockUnits = sizeof(TUnitBlock) / sizeof(char16_t);

inline TUnitBlock LoadBlock(const char16_t* aPos) {
  TUnitBlock block;
  std::memcpy(&block, aPos, sizeof block);
  return block;
}

// A code unit as a lane value, for comparisons with a whole block.
constexpr uint16_t Lane(char16_t aUnit) {
  return aUnit;
}

inline bool AnySet(TUnitMask aMask) {
  uint64_t halves[2];
  std::memcpy(halves, &aMask, sizeof halves);
  return (halves[0] | halves[1]) != 0;
}

} // namespace vxml
