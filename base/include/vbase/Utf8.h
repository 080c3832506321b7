// UTF-8 <-> UTF-16 conversion used wherever text leaves or enters the UTF-16 world.
#pragma once

#include <string>
#include <string_view>

namespace vbase {

// A lone surrogate becomes U+FFFD; a surrogate pair becomes one four-byte sequence.
std::string Utf8Encode(std::u16string_view aText);
void Utf8EncodeAppend(std::u16string_view aText, std::string& aOut);
// The same into aOut, which has room for three bytes a code unit; returns the end of the bytes.
char* Utf8EncodeTo(std::u16string_view aText, char* aOut);

// Invalid input becomes U+FFFD, one for each maximal invalid subpart (Unicode's recommended
// practice), so decoding never fails.
std::u16string Utf8Decode(std::string_view aBytes);
void Utf8DecodeAppend(std::string_view aBytes, std::u16string& aOut);

// The length of the bytes up to where a UTF-8 sequence that the end cuts off begins (all of
// them when none is cut off), so that text arriving in pieces decodes as it would in one.
std::size_t Utf8CompleteLength(std::string_view aBytes);

} // namespace vbase
