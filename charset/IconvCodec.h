// Conversion between UTF-16 and the character sets of the C library's iconv, over whole buffers.
#pragma once

#include <string>
#include <string_view>

namespace vcharset {

// Whether iconv converts between aCharset and UTF-16 in both directions.
bool IconvSupports(const char* aCharset);

// Bytes that are invalid in aCharset become U+FFFD, one for each byte iconv rejects; a truncated
// sequence at the end becomes one U+FFFD. Raises EEncodingError when iconv lacks aCharset.
void IconvDecodeAppend(const char* aCharset, std::string_view aBytes, std::u16string& aOut);

// Characters that aCharset lacks, and unpaired surrogates, become "?" in aCharset. Raises
// EEncodingError when iconv lacks aCharset.
void IconvEncodeAppend(const char* aCharset, std::u16string_view aText, std::string& aOut);

} // namespace vcharset
