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

uint32_t Resolve(uint32_t aCodePage) {
  return aCodePage == 0 ? SystemAnsiCodePage() : aCodePage;
}

// Code units are taken as they are, lone surrogates included; an odd last byte is invalid.
void Utf16DecodeAppend(std::string_view aBytes, bool aBigEndian, std::u16string& aOut) {
  const std::size_t start = aOut.size();
  aOut.resize(start + aBytes.size() / 2);
  const auto* p = reinterpret_cast<const unsigned char*>(aBytes.data());
  for (std::size_t i = 0; i < aBytes.size() / 2; ++i) {
    const unsigned first = p[2 * i];
    const unsigned second = p[2 * i + 1];
    aOut[start + i] = static_cast<char16_t>(aBigEndian ? first << 8 | second : second << 8 | first);
  }
  if (aBytes.size() % 2 != 0)
    aOut += ReplacementCharacter;
}

void Utf16EncodeAppend(std::u16string_view aText, bool aBigEndian, std::string& aOut) {
  const std::size_t start = aOut.size();
  aOut.resize(start + aText.size() * 2);
  const int firstShift = aBigEndian ? 8 : 0;
  for (std::size_t i = 0; i < aText.size(); ++i) {
    aOut[start + 2 * i] = static_cast<char>(aText[i] >> firstShift);
    aOut[start + 2 * i + 1] = static_cast<char>(aText[i] >> (8 - firstShift));
  }
}

void Utf16LeDecodeAppend(std::string_view aBytes, std::u16string& aOut) {
  Utf16DecodeAppend(aBytes, false, aOut);
}
void Utf16BeDecodeAppend(std::string_view aBytes, std::u16string& aOut) {
  Utf16DecodeAppend(aBytes, true, aOut);
}
void Utf16LeEncodeAppend(std::u16string_view aText, std::string& aOut) {
  Utf16EncodeAppend(aText, false, aOut);
}
void Utf16BeEncodeAppend(std::u16string_view aText, std::string& aOut) {
  Utf16EncodeAppend(aText, true, aOut);
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

const TOwnCodec* OwnCodecOf(uint32_t aCodePage) {
  for (const auto& codec : OwnCodecs)
    if (codec.CodePage == aCodePage)
      return &codec;
  return nullptr;
}

} // namespace

void RaiseInvalidCodePage() {
  throw vbase::EEncodingError(u"Invalid code page");
}

bool IsUtf8CodePage(uint32_t aCodePage) {
  return Resolve(aCodePage) == 65001;
}

bool IsCodePageSupported(uint32_t aCodePage) {
  const uint32_t codePage = Resolve(aCodePage);
  if (OwnCodecOf(codePage) != nullptr)
    return true;
  return SystemCodePageSupported(codePage);
}

std::u16string CodePageToUtf16(uint32_t aCodePage, std::string_view aBytes) {
  const uint32_t codePage = Resolve(aCodePage);
  std::u16string text;
  if (aBytes.empty() && IsCodePageSupported(codePage))
    return text;
  if (const TOwnCodec* codec = OwnCodecOf(codePage))
    codec->DecodeAppend(aBytes, text);
  else
    SystemDecodeAppend(codePage, aBytes, text);
  return text;
}

std::string Utf16ToCodePage(uint32_t aCodePage, std::u16string_view aText) {
  const uint32_t codePage = Resolve(aCodePage);
  std::string bytes;
  // Stateful code pages such as ISO-2022-KR would otherwise write a header for no text.
  if (aText.empty() && IsCodePageSupported(codePage))
    return bytes;
  if (const TOwnCodec* codec = OwnCodecOf(codePage))
    codec->EncodeAppend(aText, bytes);
  else
    SystemEncodeAppend(codePage, aText, bytes);
  return bytes;
}

} // namespace vcharset
