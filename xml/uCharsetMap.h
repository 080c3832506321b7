// Character-set names of XML declarations to Windows code pages.
#pragma once

#include <cstdint>
#include <string_view>

// Never fails: an unknown or empty name gives AsciiCodePage.
uint32_t CodePageFromCharsetName(std::u16string_view AName);
