// Conversion between UTF-16 and the character sets of the C library's iconv, over whole buffers.
#pragma once

#include <string>
#include <string_view>

namespace vcharset {

// Whether iconv converts between ACharset and UTF-16 in both directions.
bool IconvSupports(const char* ACharset);

// Bytes that are invalid in ACharset become U+FFFD, one for each byte iconv rejects; a truncated
// sequence at the end becomes one U+FFFD. Raises EEncodingError when iconv lacks ACharset.
void IconvDecodeAppend(const char* ACharset, std::string_view ABytes, std::u16string& AOut);

// Characters that ACharset lacks, and unpaired surrogates, become "?" in ACharset. Raises
// EEncodingError when iconv lacks ACharset.
void IconvEncodeAppend(const char* ACharset, std::u16string_view AText, std::string& AOut);

} // namespace vcharset
