#include "vcharset/CodePages.h"

#include "HzCodec.h"
#include "SystemCodePages.h"
#include "Utf7.h"
#include "vbase/Characters.h"
#include "vbase/Errors.h"
#include "vbase/Utf8.h"

#include <algorithm>
#include <array>

namespace vcharset {

using vbase::ReplacementCharacter;
using vbase::Utf8DecodeAppend;
using vbase::Utf8EncodeAppend;

namespace {

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

void RaiseInvalidCodePage() {
  throw vbase::EEncodingError(u"Invalid code page");
}

bool IsUtf8CodePage(uint32_t ACodePage) {
  return Resolve(ACodePage) == 65001;
}

bool IsCodePageSupported(uint32_t ACodePage) {
  const uint32_t codePage = Resolve(ACodePage);
  if (OwnCodecOf(codePage) != nullptr)
    return true;
  return SystemCodePageSupported(codePage);
}

std::u16string CodePageToUtf16(uint32_t ACodePage, std::string_view ABytes) {
  const uint32_t codePage = Resolve(ACodePage);
  std::u16string text;
  if (ABytes.empty() && IsCodePageSupported(codePage))
    return text;
  if (const TOwnCodec* codec = OwnCodecOf(codePage))
    codec->DecodeAppend(ABytes, text);
  else
    SystemDecodeAppend(codePage, ABytes, text);
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
    SystemEncodeAppend(codePage, AText, bytes);
  return bytes;
}

} // namespace vcharset
