// Dates and times as node text: "2024-03-01" at midnight, "2024-03-01T13:45:07.250Z" otherwise.
// The "Z" is written as it stands; no time-zone conversion happens in either direction.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace vxml {

using TXmlDateTime = std::chrono::sys_time<std::chrono::milliseconds>;

std::u16string DateTimeToText(TXmlDateTime aValue);

// Year from characters 1-4, month 6-7, day 9-10; only in a text longer than 16 characters hour
// 12-13 and minute 15-16, then second 18-19 and millisecond 21-23 (0 when not a number).
// A field that must be a number and is not raises EConvertError "''%s'' is not a valid integer
// value"; an impossible date or time raises EConvertError "''%s'' is not a valid date and time".
TXmlDateTime TextToDateTime(std::u16string_view aText);
bool TryTextToDateTime(std::u16string_view aText, TXmlDateTime& aValue);

} // namespace vxml
