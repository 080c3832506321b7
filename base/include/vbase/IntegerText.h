// Integers as text, the way node values, attributes and character-set names write them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vbase {

// The integer rule: leading spaces, an optional sign, decimal digits or hex digits after
// "$", "x" or "0x". Returns false when the text is not a number in range.
bool TryTextToInt(std::u16string_view aText, int32_t& aValue);
bool TryTextToInt64(std::u16string_view aText, int64_t& aValue);
std::u16string IntToText(int64_t aValue);

} // namespace vbase
