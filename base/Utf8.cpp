#include "vbase/Utf8.h"

#include "vbase/Characters.h"

#include <cstdint>
#include <cstring>

namespace vbase {

namespace {

char* PutCodePoint(char32_t aCodePoint, char* aOut) {
  if (aCodePoint < 0x80) {
    *aOut++ = static_cast<char>(aCodePoint);
  } else if (aCodePoint < 0x800) {
    *aOut++ = static_cast<char>(0xC0 | (aCodePoint >> 6));
    *aOut++ = static_cast<char>(0x80 | (aCodePoint & 0x3F));
  } else if (aCodePoint < 0x10000) {
    *aOut++ = static_cast<char>(0xE0 | (aCodePoint >> 12));
    *aOut++ = static_cast<char>(0x80 | ((aCodePoint >> 6) & 0x3F));
    *aOut++ = static_cast<char>(0x80 | (aCodePoint & 0x3F));
  } else {
    *aOut++ = static_cast<char>(0xF0 | (aCodePoint >> 18));
    *aOut++ = static_cast<char>(0x80 | ((aCodePoint >> 12) & 0x3F));
    *aOut++ = static_cast<char>(0x80 | ((aCodePoint >> 6) & 0x3F));
    *aOut++ = static_cast<char>(0x80 | (aCodePoint & 0x3F));
  }
  return aOut;
}

// The valid range of the second byte depends on the lead byte (Unicode table 3-7); later
// continuation bytes are always 80..BF.
bool SecondByteFits(unsigned aLead, unsigned aSecond) {
  switch (aLead) {
  case 0xE0:
    return aSecond >= 0xA0 && aSecond <= 0xBF;
  case 0xED:
    return aSecond >= 0x80 && aSecond <= 0x9F;
  case 0xF0:
    return aSecond >= 0x90 && aSecond <= 0xBF;
  case 0xF4:
    return aSecond >= 0x80 && aSecond <= 0x8F;
  default:
    return aSecond >= 0x80 && aSecond <= 0xBF;
  }
}

int SequenceLength(unsigned aLead) {
  if (aLead >= 0xC2 && aLead <= 0xDF)
    return 2;
  if (aLead >= 0xE0 && aLead <= 0xEF)
    return 3;
  if (aLead >= 0xF0 && aLead <= 0xF4)
    return 4;
  return 0;
}

// Most text is ASCII: runs of it go eight code units at a time, as long as they last.
constexpr std::size_t AsciiRun = 8;
using TAsciiBytes = std::uint8_t __attribute__((vector_size(AsciiRun)));
using TAsciiUnits = std::uint16_t __attribute__((vector_size(2 * AsciiRun)));

bool AllAscii(const std::uint8_t* aBytes) {
  std::uint64_t word;
  std::memcpy(&word, aBytes, sizeof word);
  return (word & 0x8080808080808080u) == 0;
}

bool AllAscii(const char16_t* aUnits) {
  std::uint64_t words[2];
  std::memcpy(words, aUnits, sizeof words);
  return ((words[0] | words[1]) & 0xFF80FF80FF80FF80u) == 0;
}

void WidenAsciiRun(const std::uint8_t* aBytes, char16_t* aOut) {
  TAsciiBytes bytes;
  std::memcpy(&bytes, aBytes, sizeof bytes);
  const auto units = __builtin_convertvector(bytes, TAsciiUnits);
  std::memcpy(aOut, &units, sizeof units);
}

void NarrowAsciiRun(const char16_t* aUnits, char* aOut) {
  TAsciiUnits units;
  std::memcpy(&units, aUnits, sizeof units);
  const auto bytes = __builtin_convertvector(units, TAsciiBytes);
  std::memcpy(aOut, &bytes, sizeof bytes);
}

} // namespace

char* Utf8EncodeTo(std::u16string_view aText, char* aOut) {
  const std::size_t n = aText.size();
  for (std::size_t i = 0; i < n; ++i) {
    for (; i + AsciiRun <= n && AllAscii(aText.data() + i); i += AsciiRun, aOut += AsciiRun)
      NarrowAsciiRun(aText.data() + i, aOut);
    if (i == n)
      break;
    char32_t c = aText[i];
    if (c < 0x80) {
      *aOut++ = static_cast<char>(c);
      continue;
    }
    if (IsHighSurrogate(c) && i + 1 < n && IsLowSurrogate(aText[i + 1])) {
      c = CodePointOfPair(c, aText[i + 1]);
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      c = ReplacementCharacter;
    }
    aOut = PutCodePoint(c, aOut);
  }
  return aOut;
}

void Utf8EncodeAppend(std::u16string_view aText, std::string& aOut) {
  // Written into room for the longest result, then cut to what was written.
  const std::size_t start = aOut.size();
  aOut.resize(start + 3 * aText.size());
  const char* end = Utf8EncodeTo(aText, aOut.data() + start);
  aOut.resize(static_cast<std::size_t>(end - aOut.data()));
}

std::string Utf8Encode(std::u16string_view aText) {
  std::string out;
  Utf8EncodeAppend(aText, out);
  return out;
}

void Utf8DecodeAppend(std::string_view aBytes, std::u16string& aOut) {
  // No sequence gives more code units than it has bytes.
  const std::size_t start = aOut.size();
  aOut.resize(start + aBytes.size());
  char16_t* q = aOut.data() + start;
  const auto* p = reinterpret_cast<const std::uint8_t*>(aBytes.data());
  const std::size_t n = aBytes.size();
  std::size_t i = 0;
  while (i < n) {
    for (; i + AsciiRun <= n && AllAscii(p + i); i += AsciiRun, q += AsciiRun)
      WidenAsciiRun(p + i, q);
    if (i == n)
      break;
    const unsigned lead = p[i];
    if (lead < 0x80) {
      *q++ = static_cast<char16_t>(lead);
      ++i;
      continue;
    }
    const int length = SequenceLength(lead);
    if (length == 0) {
      *q++ = ReplacementCharacter;
      ++i;
      continue;
    }
    char32_t c = lead & (0xFF >> (length + 1));
    std::size_t j = i + 1;
    for (int k = 1; k < length; ++k, ++j) {
      const bool fits = j < n && (k == 1 ? SecondByteFits(lead, p[j]) : (p[j] & 0xC0) == 0x80);
      if (!fits)
        break;
      c = (c << 6) | (p[j] & 0x3F);
    }
    if (j - i == static_cast<std::size_t>(length))
      q = PutUtf16(c, q);
    else
      *q++ = ReplacementCharacter; // the maximal subpart i..j-1 is replaced as one
    i = j;
  }
  aOut.resize(static_cast<std::size_t>(q - aOut.data()));
}

std::u16string Utf8Decode(std::string_view aBytes) {
  std::u16string out;
  Utf8DecodeAppend(aBytes, out);
  return out;
}

std::size_t Utf8CompleteLength(std::string_view aBytes) {
  std::size_t start = aBytes.size();
  for (int back = 0; back < 4 && start > 0; ++back) {
    const auto byte = static_cast<unsigned char>(aBytes[start - 1]);
    if (byte < 0x80)
      return aBytes.size();
    --start;
    if (byte >= 0xC0) {
      const std::size_t needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
      return aBytes.size() - start >= needed ? aBytes.size() : start;
    }
  }
  return aBytes.size();
}

} // namespace vbase
