// The platform's code-page converter, for the code pages that our own code does not convert:
// iconv on POSIX systems (PosixCodePages.cpp), the system's service on Windows
// (WindowsCodePages.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vcharset {

bool SystemCodePageSupported(uint32_t aCodePage);

// Both raise EEncodingError "Invalid code page" for a code page that the platform lacks. What
// becomes of invalid bytes and of characters without a mapping is the platform's choice.
void SystemDecodeAppend(uint32_t aCodePage, std::string_view aBytes, std::u16string& aOut);
void SystemEncodeAppend(uint32_t aCodePage, std::u16string_view aText, std::string& aOut);

// GB2312 in its EUC-CN form, the inner code of HZ, on every platform alike: a byte 0xFF and
// any other invalid byte become U+FFFD, characters outside GB2312 become "?".
void EucCnDecodeAppend(std::string_view aBytes, std::u16string& aOut);
void EucCnEncodeAppend(std::u16string_view aText, std::string& aOut);

// The one failure of the code-page service.
[[noreturn]] void RaiseInvalidCodePage();

} // namespace vcharset
