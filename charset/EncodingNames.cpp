#include "vcharset/EncodingNames.h"

#include "vbase/Characters.h"

namespace vcharset {

using vbase::SameTextAscii;

namespace {

struct TEncodingName {
  std::u16string_view Name;
  uint32_t CodePage;
};

// Grouped by code page; every name occurs once.
// clang-format off
constexpr TEncodingName EncodingNames[] = {
  // Unicode
  {u"utf-8", 65001}, {u"utf8", 65001}, {u"csutf8", 65001}, {u"unicode-1-1-utf-8", 65001},
  {u"unicode-2-0-utf-8", 65001}, {u"x-unicode20utf8", 65001},
  {u"utf-16", 1200}, {u"utf-16le", 1200}, {u"utf16", 1200}, {u"ucs-2", 1200}, {u"csunicode", 1200},
  {u"unicode", 1200}, {u"iso-10646-ucs-2", 1200}, {u"csutf16", 1200}, {u"csutf16le", 1200},
  {u"utf-16be", 1201}, {u"unicodefffe", 1201}, {u"csutf16be", 1201},
  {u"utf-7", 65000}, {u"csutf7", 65000}, {u"unicode-1-1-utf-7", 65000}, {u"unicode-2-0-utf-7", 65000},
  {u"x-unicode20utf7", 65000},
  {u"utf-32", 12000}, {u"utf-32le", 12000}, {u"csutf32", 12000}, {u"csutf32le", 12000},
  {u"utf-32be", 12001}, {u"csutf32be", 12001},
  // ASCII
  {u"us-ascii", 20127}, {u"ascii", 20127}, {u"ansi_x3.4-1968", 20127}, {u"ansi_x3.4-1986", 20127},
  {u"iso-ir-6", 20127}, {u"iso_646.irv:1991", 20127}, {u"iso646-us", 20127}, {u"us", 20127},
  {u"ibm367", 20127}, {u"cp367", 20127}, {u"csascii", 20127},
  // ISO 8859
  {u"iso-8859-1", 28591}, {u"iso_8859-1", 28591}, {u"iso_8859-1:1987", 28591}, {u"iso8859-1", 28591},
  {u"iso-ir-100", 28591}, {u"latin1", 28591}, {u"l1", 28591}, {u"ibm819", 28591}, {u"cp819", 28591},
  {u"csisolatin1", 28591},
  {u"iso-8859-2", 28592}, {u"iso_8859-2", 28592}, {u"iso_8859-2:1987", 28592}, {u"iso8859-2", 28592},
  {u"iso-ir-101", 28592}, {u"latin2", 28592}, {u"l2", 28592}, {u"csisolatin2", 28592},
  {u"iso-8859-3", 28593}, {u"iso_8859-3", 28593}, {u"iso_8859-3:1988", 28593}, {u"iso-ir-109", 28593},
  {u"latin3", 28593}, {u"l3", 28593}, {u"csisolatin3", 28593},
  {u"iso-8859-4", 28594}, {u"iso_8859-4", 28594}, {u"iso_8859-4:1988", 28594}, {u"iso-ir-110", 28594},
  {u"latin4", 28594}, {u"l4", 28594}, {u"csisolatin4", 28594},
  {u"iso-8859-5", 28595}, {u"iso_8859-5", 28595}, {u"iso_8859-5:1988", 28595}, {u"iso-ir-144", 28595},
  {u"cyrillic", 28595}, {u"csisolatincyrillic", 28595},
  {u"iso-8859-6", 28596}, {u"iso_8859-6", 28596}, {u"iso_8859-6:1987", 28596}, {u"iso-ir-127", 28596},
  {u"ecma-114", 28596}, {u"arabic", 28596}, {u"csisolatinarabic", 28596},
  {u"iso-8859-7", 28597}, {u"iso_8859-7", 28597}, {u"iso_8859-7:1987", 28597}, {u"iso-ir-126", 28597},
  {u"elot_928", 28597}, {u"ecma-118", 28597}, {u"greek", 28597}, {u"greek8", 28597},
  {u"csisolatingreek", 28597},
  {u"iso-8859-8", 28598}, {u"iso_8859-8", 28598}, {u"iso_8859-8:1988", 28598}, {u"iso-ir-138", 28598},
  {u"hebrew", 28598}, {u"visual", 28598}, {u"csisolatinhebrew", 28598},
  {u"iso-8859-8-i", 38598}, {u"iso_8859-8-i", 38598}, {u"logical", 38598},
  {u"iso-8859-9", 28599}, {u"iso_8859-9", 28599}, {u"iso_8859-9:1989", 28599}, {u"iso-ir-148", 28599},
  {u"latin5", 28599}, {u"l5", 28599}, {u"csisolatin5", 28599},
  {u"iso-8859-10", 28600}, {u"iso_8859-10:1992", 28600}, {u"iso-ir-157", 28600}, {u"latin6", 28600},
  {u"l6", 28600}, {u"csisolatin6", 28600},
  {u"iso-8859-11", 28601},
  {u"iso-8859-13", 28603}, {u"iso_8859-13", 28603}, {u"csiso885913", 28603},
  {u"iso-8859-14", 28604}, {u"iso_8859-14", 28604}, {u"iso-ir-199", 28604}, {u"latin8", 28604},
  {u"l8", 28604}, {u"iso-celtic", 28604},
  {u"iso-8859-15", 28605}, {u"iso_8859-15", 28605}, {u"latin-9", 28605}, {u"latin9", 28605},
  {u"csiso885915", 28605},
  {u"iso-8859-16", 28606}, {u"iso_8859-16", 28606}, {u"iso-ir-226", 28606}, {u"latin10", 28606},
  {u"l10", 28606},
  // Windows
  {u"windows-1250", 1250}, {u"cp1250", 1250}, {u"x-cp1250", 1250},
  {u"windows-1251", 1251}, {u"cp1251", 1251}, {u"x-cp1251", 1251},
  {u"windows-1252", 1252}, {u"cp1252", 1252}, {u"x-ansi", 1252},
  {u"windows-1253", 1253}, {u"cp1253", 1253},
  {u"windows-1254", 1254}, {u"cp1254", 1254},
  {u"windows-1255", 1255}, {u"cp1255", 1255},
  {u"windows-1256", 1256}, {u"cp1256", 1256},
  {u"windows-1257", 1257}, {u"cp1257", 1257},
  {u"windows-1258", 1258}, {u"cp1258", 1258},
  {u"windows-874", 874}, {u"cp874", 874}, {u"dos-874", 874}, {u"tis-620", 874},
  // DOS
  {u"ibm437", 437}, {u"cp437", 437}, {u"437", 437}, {u"cspc8codepage437", 437},
  {u"asmo-708", 708}, {u"dos-720", 720},
  {u"ibm737", 737}, {u"cp737", 737},
  {u"ibm775", 775}, {u"cp775", 775}, {u"cspc775baltic", 775},
  {u"ibm850", 850}, {u"cp850", 850}, {u"850", 850}, {u"cspc850multilingual", 850},
  {u"ibm852", 852}, {u"cp852", 852}, {u"852", 852}, {u"cspcp852", 852},
  {u"ibm855", 855}, {u"cp855", 855}, {u"855", 855}, {u"csibm855", 855},
  {u"ibm857", 857}, {u"cp857", 857}, {u"857", 857}, {u"csibm857", 857},
  {u"ibm860", 860}, {u"cp860", 860}, {u"860", 860}, {u"csibm860", 860},
  {u"ibm861", 861}, {u"cp861", 861}, {u"861", 861}, {u"cp-is", 861}, {u"csibm861", 861},
  {u"ibm862", 862}, {u"cp862", 862}, {u"862", 862}, {u"dos-862", 862}, {u"cspc862latinhebrew", 862},
  {u"ibm863", 863}, {u"cp863", 863}, {u"863", 863}, {u"csibm863", 863},
  {u"ibm864", 864}, {u"cp864", 864}, {u"csibm864", 864},
  {u"ibm865", 865}, {u"cp865", 865}, {u"865", 865}, {u"csibm865", 865},
  {u"ibm866", 866}, {u"cp866", 866}, {u"866", 866}, {u"csibm866", 866},
  {u"ibm869", 869}, {u"cp869", 869}, {u"869", 869}, {u"cp-gr", 869}, {u"csibm869", 869},
  // Cyrillic
  {u"koi8-r", 20866}, {u"koi8", 20866}, {u"koi", 20866}, {u"cskoi8r", 20866},
  {u"koi8-u", 21866}, {u"koi8-ru", 21866}, {u"cskoi8u", 21866},
  // Japanese
  {u"shift_jis", 932}, {u"shift-jis", 932}, {u"sjis", 932}, {u"ms_kanji", 932}, {u"csshiftjis", 932},
  {u"x-sjis", 932}, {u"windows-31j", 932}, {u"cswindows31j", 932}, {u"cp932", 932},
  {u"x-ms-cp932", 932},
  {u"euc-jp", 51932}, {u"x-euc-jp", 51932}, {u"x-euc", 51932}, {u"cseucpkdfmtjapanese", 51932},
  {u"extended_unix_code_packed_format_for_japanese", 51932},
  {u"iso-2022-jp", 50220}, {u"csiso2022jp", 50220},
  // Chinese
  {u"gb2312", 936}, {u"csgb2312", 936}, {u"gb_2312-80", 936}, {u"iso-ir-58", 936}, {u"chinese", 936},
  {u"csiso58gb231280", 936}, {u"gbk", 936}, {u"cp936", 936}, {u"ms936", 936}, {u"x-gbk", 936},
  {u"gb18030", 54936}, {u"csgb18030", 54936},
  {u"hz-gb-2312", 52936},
  {u"big5", 950}, {u"csbig5", 950}, {u"cn-big5", 950}, {u"x-x-big5", 950}, {u"cp950", 950},
  // Korean
  {u"ks_c_5601-1987", 949}, {u"ks_c_5601-1989", 949}, {u"ks_c_5601", 949}, {u"ksc_5601", 949},
  {u"ksc5601", 949}, {u"korean", 949}, {u"iso-ir-149", 949}, {u"csksc56011987", 949},
  {u"cp949", 949}, {u"uhc", 949},
  {u"euc-kr", 51949}, {u"cseuckr", 51949},
  {u"iso-2022-kr", 50225}, {u"csiso2022kr", 50225},
  {u"johab", 1361},
  // Macintosh
  {u"macintosh", 10000}, {u"mac", 10000}, {u"csmacintosh", 10000}, {u"x-mac-roman", 10000},
  {u"x-mac-greek", 10006}, {u"x-mac-cyrillic", 10007}, {u"x-mac-ce", 10029},
  {u"x-mac-icelandic", 10079}, {u"x-mac-turkish", 10081},
};
// clang-format on

} // namespace

std::optional<uint32_t> StandardEncodingCodePage(std::u16string_view aName) {
  for (const TEncodingName& entry : EncodingNames)
    if (SameTextAscii(aName, entry.Name))
      return entry.CodePage;
  return std::nullopt;
}

} // namespace vcharset
