// Floating-point numbers as node text. Both directions ignore the process locale: the decimal
// separator written is always ".", and "," is accepted on reading for files from other tools.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vxml {

// X with Digits significant digits (1 to 9, else "Significant digits out of range"), rounded
// half to even, without trailing zeros after the point and without a leading zero before it
// (0.5 gives ".5"). With AllowScientific, numbers far from 1 get an exponent: 0.001234 gives
// "1.234E-3". Infinities and NaN give "INF", "-INF" and "NAN", which TryTextToFloat reads back.
std::u16string FloatToText(double aX, int32_t aDigits, bool aAllowScientific);

// Optional spaces, a sign, digits with one decimal separator ("." or the first ","), an
// optional exponent, optional spaces. Returns false for anything else or an out-of-range number.
bool TryTextToFloat(std::u16string_view aText, double& aValue);

} // namespace vxml
