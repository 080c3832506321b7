// The code pages meant for mail and news, as the platform enumerates them.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace vcharset {

using TFontCharset = uint8_t;

// One record of the platform's enumeration of the code pages meant for mail and news.
struct TMimeCodePageInfo {
  std::u16string_view Description;
  uint32_t CodePage;
  TFontCharset FontCharset;
  std::u16string_view WebCharset;
};

// The enumeration of the mail-and-news code pages that this platform provides itself.
std::span<const TMimeCodePageInfo> MailNewsCodePages();

} // namespace vcharset
