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
bool SystemConverts(UINT ACodePage) {
  CPINFO info;
  return ACodePage > CP_THREAD_ACP && ::GetCPInfo(ACodePage, &info) != 0;
}

// The code page itself where the system has it, else its alias.
UINT ConvertedCodePage(uint32_t ACodePage) {
  if (SystemConverts(ACodePage))
    return ACodePage;
  for (const auto& alias : CodePageAliases)
    if (alias.Named == ACodePage)
      return alias.Converted;
  return ACodePage;
}

UINT RequireSupported(uint32_t ACodePage) {
  if (!SystemCodePageSupported(ACodePage))
    RaiseInvalidCodePage();
  return ConvertedCodePage(ACodePage);
}

// The system's calls count in int. Longer input goes in pieces that end after a line break,
// which no multi-byte sequence contains, or at the limit when there is none.
constexpr std::size_t PieceLimit = INT_MAX / 2;

std::size_t DecodePieceSize(std::string_view ABytes) {
  if (ABytes.size() <= PieceLimit)
    return ABytes.size();
  const std::size_t lineBreak = ABytes.substr(0, PieceLimit).rfind('\n');
  return lineBreak == std::string_view::npos ? PieceLimit : lineBreak + 1;
}

// A surrogate pair stays in one piece.
std::size_t EncodePieceSize(std::u16string_view AText) {
  if (AText.size() <= PieceLimit)
    return AText.size();
  return vbase::IsHighSurrogate(AText[PieceLimit - 1]) ? PieceLimit - 1 : PieceLimit;
}

// Default options: invalid bytes become the code page's default character.
void DecodePiece(UINT ACodePage, std::string_view ABytes, std::u16string& AOut) {
  const int size = static_cast<int>(ABytes.size());
  const int length = ::MultiByteToWideChar(ACodePage, 0, ABytes.data(), size, nullptr, 0);
  const std::size_t start = AOut.size();
  AOut.resize(start + static_cast<std::size_t>(length));
  ::MultiByteToWideChar(ACodePage, 0, ABytes.data(), size,
                        reinterpret_cast<wchar_t*>(AOut.data() + start), length);
}

// Default options: a character without a mapping takes its best fit where the code page has
// one, else the code page's substitute character.
void EncodePiece(UINT ACodePage, std::u16string_view AText, std::string& AOut) {
  const auto* text = reinterpret_cast<const wchar_t*>(AText.data());
  const int size = static_cast<int>(AText.size());
  const int length = ::WideCharToMultiByte(ACodePage, 0, text, size, nullptr, 0, nullptr, nullptr);
  const std::size_t start = AOut.size();
  AOut.resize(start + static_cast<std::size_t>(length));
  ::WideCharToMultiByte(ACodePage, 0, text, size, AOut.data() + start, length, nullptr, nullptr);
}

template <typename TIn, typename TOut>
void ConvertInPieces(UINT ACodePage, TIn AIn, TOut& AOut, std::size_t (*APieceSize)(TIn),
                     void (*AConvertPiece)(UINT, TIn, TOut&)) {
  while (!AIn.empty()) {
    const std::size_t piece = APieceSize(AIn);
    AConvertPiece(ACodePage, AIn.substr(0, piece), AOut);
    AIn.remove_prefix(piece);
  }
}

// EUC-CN goes through GBK, which every system has and which holds GB2312 in the same form.
constexpr UINT Gbk = 936;

bool IsGb2312Byte(unsigned char AByte) {
  return AByte >= 0xA1 && AByte <= 0xFE;
}

// GBK's characters beyond GB2312 become "?".
void KeepGb2312Append(std::string_view AGbk, std::string& AOut) {
  for (std::size_t i = 0; i < AGbk.size(); ++i) {
    const auto lead = static_cast<unsigned char>(AGbk[i]);
    if (lead < 0x80) {
      AOut += AGbk[i];
    } else if (i + 1 < AGbk.size() && IsGb2312Byte(lead) &&
               IsGb2312Byte(static_cast<unsigned char>(AGbk[i + 1]))) {
      AOut.append(AGbk.substr(i++, 2));
    } else {
      AOut += '?';
      i += lead == 0x80 ? 0 : 1; // the euro sign is GBK's only single high byte
    }
  }
}

} // namespace

uint32_t SystemAnsiCodePage() {
  return ::GetACP();
}

bool SystemCodePageSupported(uint32_t ACodePage) {
  return SystemConverts(ConvertedCodePage(ACodePage));
}

void SystemDecodeAppend(uint32_t ACodePage, std::string_view ABytes, std::u16string& AOut) {
  ConvertInPieces(RequireSupported(ACodePage), ABytes, AOut, DecodePieceSize, DecodePiece);
}

void SystemEncodeAppend(uint32_t ACodePage, std::u16string_view AText, std::string& AOut) {
  ConvertInPieces(RequireSupported(ACodePage), AText, AOut, EncodePieceSize, EncodePiece);
}

// GBK would read 0xFF as a private-use character, so the runs between such bytes are converted
// apart.
void EucCnDecodeAppend(std::string_view ABytes, std::u16string& AOut) {
  while (!ABytes.empty()) {
    const std::size_t invalid = std::min(ABytes.find('\xFF'), ABytes.size());
    SystemDecodeAppend(Gbk, ABytes.substr(0, invalid), AOut);
    if (invalid < ABytes.size())
      AOut += vbase::ReplacementCharacter;
    ABytes.remove_prefix(std::min(invalid + 1, ABytes.size()));
  }
}

void EucCnEncodeAppend(std::u16string_view AText, std::string& AOut) {
  std::string gbk;
  SystemEncodeAppend(Gbk, AText, gbk);
  KeepGb2312Append(gbk, AOut);
}

} // namespace vcharset
