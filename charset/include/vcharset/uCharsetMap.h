// Character-set names of XML declarations to Windows code pages, and the code page of the
// user's locale fixed at start-up.
#pragma once

#include "vcharset/MailNewsCharsets.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vcharset {

struct TCharsetRec {
  std::u16string Name;
  std::u16string URLSuffix;
  uint32_t CodePage = 0;
  TFontCharset CharSet = 0;
  std::u16string MIMECharsetName;
  std::u16string CharsetName;

  bool operator==(const TCharsetRec&) const = default;
};

// Process-wide values, fixed on first use and never changed afterwards.
uint32_t AsciiCodePage();   // the code page that stands for US-ASCII: 20127
uint32_t DefaultCodePage(); // the default ANSI code page of the user's locale

// The 36 built-in rows; rows 0 and 1 carry AsciiCodePage.
const std::vector<TCharsetRec>& BuiltinCharsetTable();

// The working table made from an enumeration: the enumerated rows behind the built-in rows 0
// and 5, URL suffixes taken from built-in rows of the same code page, and the built-in row of
// aDefaultCodePage appended when no row has that code page. An empty enumeration gives the
// built-in table.
std::vector<TCharsetRec> BuildCharsetTable(std::span<const TMimeCodePageInfo> aEnumeration,
                                           uint32_t aDefaultCodePage);

// The working table of the process, built from MailNewsCodePages on first use.
const std::vector<TCharsetRec>& CharsetTable();

// Never fails: an unknown or empty name gives AsciiCodePage. "windows-N" gives N without a
// table search, or 1252 when N is not a non-negative integer.
uint32_t CodePageFromCharsetName(std::u16string_view aName);
// The same lookup in a given table.
uint32_t CodePageFromCharsetName(const std::vector<TCharsetRec>& aTable, std::u16string_view aName);

// The locale's default ANSI code page (0 for a Unicode-only locale), or the system's ANSI code
// page when the locale is unknown. aLocale is a POSIX locale name such as "ja_JP.UTF-8".
uint32_t CodePageFromLocale(std::string_view aLocale);

} // namespace vcharset
