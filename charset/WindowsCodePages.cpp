#include "SystemCodePages.h"
#include "vbase/Characters.h"
#include "vcharset/CodePages.h"

#include <algorithm>
#include <climits>
#include <windows.h>

namespace vcharset {

namespace {

struct TCodePageAlias {
  uint32_t Named;
  UINT Converted;
};

// Code pages that the character-set names lead to but that not every system converts under
// their own number, with the code page that holds the same characters in the same bytes.
constexpr TCodePageAlias CodePageAliases[] = {
    {20878, 20866}, // KOI8-R
    {51932, 20932}, // EUC-JP
    {28601, 874},   // ISO-8859-11 within Windows' Thai
    {20936, 936},   // GB2312 within GBK
    {51936, 936},   // EUC-CN within GBK
    {51949, 949},   // EUC-KR within Unified Hangul
};

// The numbers 1 to 3 ask the system for the OEM, Macintosh or thread's code page; they name no
// code page of their own.
bool SystemConverts(UINT aCodePage) {
  CPINFO info;
  return aCodePage > CP_THREAD_ACP && ::GetCPInfo(aCodePage, &info) != 0;
}

// The code page itself where the system has it, else its alias.
UINT ConvertedCodePage(uint32_t aCodePage) {
  if (SystemConverts(aCodePage))
    return aCodePage;
  for (const auto& alias : CodePageAliases)
    if (alias.Named == aCodePage)
      return alias.Converted;
  return aCodePage;
}

UINT RequireSupported(uint32_t aCodePage) {
  if (!SystemCodePageSupported(aCodePage))
    RaiseInvalidCodePage();
  return ConvertedCodePage(aCodePage);
}

// The system's calls count in int. Longer input goes in pieces that end after a line break,
// which no multi-byte sequence contains, or at the limit when there is none.
constexpr std::size_t PieceLimit = INT_MAX / 2;

std::size_t DecodePieceSize(std::string_view aBytes) {
  if (aBytes.size() <= PieceLimit)
    return aBytes.size();
  const std::size_t lineBreak = aBytes.substr(0, PieceLimit).rfind('\n');
  return lineBreak == std::string_view::npos ? PieceLimit : lineBreak + 1;
}

// A surrogate pair stays in one piece.
std::size_t EncodePieceSize(std::u16string_view aText) {
  if (aText.size() <= PieceLimit)
    return aText.size();
  return vbase::IsHighSurrogate(aText[PieceLimit - 1]) ? PieceLimit - 1 : PieceLimit;
}

// Default options: invalid bytes become the code page's default character.
void DecodePiece(UINT aCodePage, std::string_view aBytes, std::u16string& aOut) {
  const int size = static_cast<int>(aBytes.size());
  const int length = ::MultiByteToWideChar(aCodePage, 0, aBytes.data(), size, nullptr, 0);
  const std::size_t start = aOut.size();
  aOut.resize(start + static_cast<std::size_t>(length));
  ::MultiByteToWideChar(aCodePage, 0, aBytes.data(), size,
                        reinterpret_cast<wchar_t*>(aOut.data() + start), length);
}

// Default options: a character without a mapping takes its best fit where the code page has
// one, else the code page's substitute character.
void EncodePiece(UINT aCodePage, std::u16string_view aText, std::string& aOut) {
  const auto* text = reinterpret_cast<const wchar_t*>(aText.data());
  const int size = static_cast<int>(aText.size());
  const int length = ::WideCharToMultiByte(aCodePage, 0, text, size, nullptr, 0, nullptr, nullptr);
  const std::size_t start = aOut.size();
  aOut.resize(start + static_cast<std::size_t>(length));
  ::WideCharToMultiByte(aCodePage, 0, text, size, aOut.data() + start, length, nullptr, nullptr);
}

template <typename TIn, typename TOut>
void ConvertInPieces(UINT aCodePage, TIn aIn, TOut& aOut, std::size_t (*aPieceSize)(TIn),
                     void (*aConvertPiece)(UINT, TIn, TOut&)) {
  while (!aIn.empty()) {
    const std::size_t piece = aPieceSize(aIn);
    aConvertPiece(aCodePage, aIn.substr(0, piece), aOut);
    aIn.remove_prefix(piece);
  }
}

// EUC-CN goes through GBK, which every system has and which holds GB2312 in the same form.
constexpr UINT Gbk = 936;

bool IsGb2312Byte(unsigned char aByte) {
  return aByte >= 0xA1 && aByte <= 0xFE;
}

// GBK's characters beyond GB2312 become "?".
void KeepGb2312Append(std::string_view aGbk, std::string& aOut) {
  for (std::size_t i = 0; i < aGbk.size(); ++i) {
    const auto lead = static_cast<unsigned char>(aGbk[i]);
    if (lead < 0x80) {
      aOut += aGbk[i];
    } else if (i + 1 < aGbk.size() && IsGb2312Byte(lead) &&
               IsGb2312Byte(static_cast<unsigned char>(aGbk[i + 1]))) {
      aOut.append(aGbk.substr(i++, 2));
    } else {
      aOut += '?';
      i += lead == 0x80 ? 0 : 1; // the euro sign is GBK's only single high byte
    }
  }
}

} // namespace

uint32_t SystemAnsiCodePage() {
  return ::GetACP();
}

bool SystemCodePageSupported(uint32_t aCodePage) {
  return SystemConverts(ConvertedCodePage(aCodePage));
}

void SystemDecodeAppend(uint32_t aCodePage, std::string_view aBytes, std::u16string& aOut) {
  ConvertInPieces(RequireSupported(aCodePage), aBytes, aOut, DecodePieceSize, DecodePiece);
}

void SystemEncodeAppend(uint32_t aCodePage, std::u16string_view aText, std::string& aOut) {
  ConvertInPieces(RequireSupported(aCodePage), aText, aOut, EncodePieceSize, EncodePiece);
}

// GBK would read 0xFF as a private-use character, so the runs between such bytes are converted
// apart.
void EucCnDecodeAppend(std::string_view aBytes, std::u16string& aOut) {
  while (!aBytes.empty()) {
    const std::size_t invalid = std::min(aBytes.find('\xFF'), aBytes.size());
    SystemDecodeAppend(Gbk, aBytes.substr(0, invalid), aOut);
    if (invalid < aBytes.size())
      aOut += vbase::ReplacementCharacter;
    aBytes.remove_prefix(std::min(invalid + 1, aBytes.size()));
  }
}

void EucCnEncodeAppend(std::u16string_view aText, std::string& aOut) {
  std::string gbk;
  SystemEncodeAppend(Gbk, aText, gbk);
  KeepGb2312Append(gbk, aOut);
}

} // namespace vcharset
