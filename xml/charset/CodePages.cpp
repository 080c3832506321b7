#include "CodePages.h"

#include "Characters.h"
#include "HzCodec.h"
#include "IconvCodec.h"
#include "Utf7.h"
#include "Utf8.h"

#include <algorithm>
#include <array>

namespace vcharset {

using vbase::ReplacementCharacter;
using vbase::Utf8DecodeAppend;
using vbase::Utf8EncodeAppend;

namespace {

struct TIconvName {
  uint32_t CodePage;
  const char* Charset;
};

// Windows code pages and the glibc iconv names that convert them, sorted by code page.
constexpr std::array IconvNames{
    TIconvName{37, "IBM037"},
    TIconvName{437, "IBM437"},
    TIconvName{500, "IBM500"},
    TIconvName{708, "ISO-8859-6"},
    TIconvName{737, "CP737"},
    TIconvName{775, "CP775"},
    TIconvName{850, "IBM850"},
    TIconvName{852, "IBM852"},
    TIconvName{855, "IBM855"},
    TIconvName{857, "IBM857"},
    TIconvName{858, "CP858"},
    TIconvName{860, "IBM860"},
    TIconvName{861, "IBM861"},
    TIconvName{862, "IBM862"},
    TIconvName{863, "IBM863"},
    TIconvName{864, "IBM864"},
    TIconvName{865, "IBM865"},
    TIconvName{866, "IBM866"},
    TIconvName{869, "IBM869"},
    TIconvName{870, "IBM870"},
    TIconvName{874, "CP874"},
    TIconvName{875, "CP875"},
    TIconvName{932, "CP932"},
    TIconvName{936, "CP936"},
    TIconvName{949, "CP949"},
    TIconvName{950, "CP950"},
    TIconvName{1026, "IBM1026"},
    TIconvName{1047, "IBM1047"},
    TIconvName{1140, "IBM1140"},
    TIconvName{1141, "IBM1141"},
    TIconvName{1142, "IBM1142"},
    TIconvName{1143, "IBM1143"},
    TIconvName{1144, "IBM1144"},
    TIconvName{1145, "IBM1145"},
    TIconvName{1146, "IBM1146"},
    TIconvName{1147, "IBM1147"},
    TIconvName{1148, "IBM1148"},
    TIconvName{1149, "IBM1149"},
    TIconvName{1250, "CP1250"},
    TIconvName{1251, "CP1251"},
    TIconvName{1252, "CP1252"},
    TIconvName{1253, "CP1253"},
    TIconvName{1254, "CP1254"},
    TIconvName{1255, "CP1255"},
    TIconvName{1256, "CP1256"},
    TIconvName{1257, "CP1257"},
    TIconvName{1258, "CP1258"},
    TIconvName{1361, "JOHAB"},
    TIconvName{10000, "MACINTOSH"},
    TIconvName{10007, "MAC-CYRILLIC"},
    TIconvName{10017, "MAC-UK"},
    TIconvName{10029, "MAC-CENTRALEUROPE"},
    TIconvName{10079, "MAC-IS"},
    TIconvName{20127, "ASCII"},
    TIconvName{20273, "IBM273"},
    TIconvName{20277, "IBM277"},
    TIconvName{20278, "IBM278"},
    TIconvName{20280, "IBM280"},
    TIconvName{20284, "IBM284"},
    TIconvName{20285, "IBM285"},
    TIconvName{20290, "IBM290"},
    TIconvName{20297, "IBM297"},
    TIconvName{20420, "IBM420"},
    TIconvName{20423, "IBM423"},
    TIconvName{20424, "IBM424"},
    TIconvName{20866, "KOI8-R"},
    TIconvName{20871, "IBM871"},
    // The character-set table names KOI8-R 20878; the code page itself is KOI8-R's 20866.
    TIconvName{20878, "KOI8-R"},
    TIconvName{20880, "IBM880"},
    TIconvName{20905, "IBM905"},
    TIconvName{20932, "EUC-JP"},
    TIconvName{20936, "GB2312"},
    TIconvName{21025, "IBM1025"},
    TIconvName{21866, "KOI8-U"},
    TIconvName{28591, "ISO-8859-1"},
    TIconvName{28592, "ISO-8859-2"},
    TIconvName{28593, "ISO-8859-3"},
    TIconvName{28594, "ISO-8859-4"},
    TIconvName{28595, "ISO-8859-5"},
    TIconvName{28596, "ISO-8859-6"},
    TIconvName{28597, "ISO-8859-7"},
    TIconvName{28598, "ISO-8859-8"},
    TIconvName{28599, "ISO-8859-9"},
    TIconvName{28600, "ISO-8859-10"},
    TIconvName{28601, "ISO-8859-11"},
    TIconvName{28603, "ISO-8859-13"},
    TIconvName{28604, "ISO-8859-14"},
    TIconvName{28605, "ISO-8859-15"},
    TIconvName{28606, "ISO-8859-16"},
    TIconvName{38598, "ISO-8859-8"},
    TIconvName{50220, "ISO-2022-JP"},
    TIconvName{50225, "ISO-2022-KR"},
    TIconvName{50227, "ISO-2022-CN"},
    TIconvName{51932, "EUC-JP"},
    TIconvName{51936, "GB2312"},
    TIconvName{51949, "EUC-KR"},
    TIconvName{54936, "GB18030"},
};

static_assert(std::is_sorted(IconvNames.begin(), IconvNames.end(),
                             [](const TIconvName& a, const TIconvName& b) {
                               return a.CodePage < b.CodePage;
                             }));

const char* IconvNameOf(uint32_t ACodePage) {
  const auto row = std::lower_bound(
      IconvNames.begin(), IconvNames.end(), ACodePage,
      [](const TIconvName& AName, uint32_t ACodePage) { return AName.CodePage < ACodePage; });
  return row != IconvNames.end() && row->CodePage == ACodePage ? row->Charset : nullptr;
}

const char* IconvNameOrRaise(uint32_t ACodePage) {
  const char* charset = IconvNameOf(ACodePage);
  if (charset == nullptr)
    RaiseInvalidCodePage();
  return charset;
}

uint32_t Resolve(uint32_t ACodePage) {
  return ACodePage == 0 ? SystemAnsiCodePage() : ACodePage;
}

// Code units are taken as they are, lone surrogates included; an odd last byte is invalid.
void Utf16DecodeAppend(std::string_view ABytes, bool ABigEndian, std::u16string& AOut) {
  const std::size_t start = AOut.size();
  AOut.resize(start + ABytes.size() / 2);
  const auto* p = reinterpret_cast<const unsigned char*>(ABytes.data());
  for (std::size_t i = 0; i < ABytes.size() / 2; ++i) {
    const unsigned first = p[2 * i];
    const unsigned second = p[2 * i + 1];
    AOut[start + i] = static_cast<char16_t>(ABigEndian ? first << 8 | second : second << 8 | first);
  }
  if (ABytes.size() % 2 != 0)
    AOut += ReplacementCharacter;
}

void Utf16EncodeAppend(std::u16string_view AText, bool ABigEndian, std::string& AOut) {
  const std::size_t start = AOut.size();
  AOut.resize(start + AText.size() * 2);
  const int firstShift = ABigEndian ? 8 : 0;
  for (std::size_t i = 0; i < AText.size(); ++i) {
    AOut[start + 2 * i] = static_cast<char>(AText[i] >> firstShift);
    AOut[start + 2 * i + 1] = static_cast<char>(AText[i] >> (8 - firstShift));
  }
}

void Utf16LeDecodeAppend(std::string_view ABytes, std::u16string& AOut) {
  Utf16DecodeAppend(ABytes, false, AOut);
}
void Utf16BeDecodeAppend(std::string_view ABytes, std::u16string& AOut) {
  Utf16DecodeAppend(ABytes, true, AOut);
}
void Utf16LeEncodeAppend(std::u16string_view AText, std::string& AOut) {
  Utf16EncodeAppend(AText, false, AOut);
}
void Utf16BeEncodeAppend(std::u16string_view AText, std::string& AOut) {
  Utf16EncodeAppend(AText, true, AOut);
}

// The code pages converted by our own code rather than by iconv.
struct TOwnCodec {
  uint32_t CodePage;
  void (*DecodeAppend)(std::string_view, std::u16string&);
  void (*EncodeAppend)(std::u16string_view, std::string&);
};

constexpr TOwnCodec OwnCodecs[] = {
    {1200, Utf16LeDecodeAppend, Utf16LeEncodeAppend},
    {1201, Utf16BeDecodeAppend, Utf16BeEncodeAppend},
    {52936, HzDecodeAppend, HzEncodeAppend},
    {65000, Utf7DecodeAppend, Utf7EncodeAppend},
    {65001, Utf8DecodeAppend, Utf8EncodeAppend},
};

const TOwnCodec* OwnCodecOf(uint32_t ACodePage) {
  for (const auto& codec : OwnCodecs)
    if (codec.CodePage == ACodePage)
      return &codec;
  return nullptr;
}

} // namespace

uint32_t SystemAnsiCodePage() {
  return 1252;
}

bool IsCodePageSupported(uint32_t ACodePage) {
  const uint32_t codePage = Resolve(ACodePage);
  if (OwnCodecOf(codePage) != nullptr)
    return true;
  const char* charset = IconvNameOf(codePage);
  return charset != nullptr && IconvSupports(charset);
}

std::u16string CodePageToUtf16(uint32_t ACodePage, std::string_view ABytes) {
  const uint32_t codePage = Resolve(ACodePage);
  std::u16string text;
  if (ABytes.empty() && IsCodePageSupported(codePage))
    return text;
  if (const TOwnCodec* codec = OwnCodecOf(codePage))
    codec->DecodeAppend(ABytes, text);
  else
    IconvDecodeAppend(IconvNameOrRaise(codePage), ABytes, text);
  return text;
}

std::string Utf16ToCodePage(uint32_t ACodePage, std::u16string_view AText) {
  const uint32_t codePage = Resolve(ACodePage);
  std::string bytes;
  // Stateful code pages such as ISO-2022-KR would otherwise write a header for no text.
  if (AText.empty() && IsCodePageSupported(codePage))
    return bytes;
  if (const TOwnCodec* codec = OwnCodecOf(codePage))
    codec->EncodeAppend(AText, bytes);
  else
    IconvEncodeAppend(IconvNameOrRaise(codePage), AText, bytes);
  return bytes;
}

} // namespace vcharset
