#include "vbase/Utf8.h"

#include "vbase/Characters.h"

#include <cstdint>
#include <cstring>

namespace vbase {

namespace {

char* PutCodePoint(char32_t ACodePoint, char* AOut) {
  if (ACodePoint < 0x80) {
    *AOut++ = static_cast<char>(ACodePoint);
  } else if (ACodePoint < 0x800) {
    *AOut++ = static_cast<char>(0xC0 | (ACodePoint >> 6));
    *AOut++ = static_cast<char>(0x80 | (ACodePoint & 0x3F));
  } else if (ACodePoint < 0x10000) {
    *AOut++ = static_cast<char>(0xE0 | (ACodePoint >> 12));
    *AOut++ = static_cast<char>(0x80 | ((ACodePoint >> 6) & 0x3F));
    *AOut++ = static_cast<char>(0x80 | (ACodePoint & 0x3F));
  } else {
    *AOut++ = static_cast<char>(0xF0 | (ACodePoint >> 18));
    *AOut++ = static_cast<char>(0x80 | ((ACodePoint >> 12) & 0x3F));
    *AOut++ = static_cast<char>(0x80 | ((ACodePoint >> 6) & 0x3F));
    *AOut++ = static_cast<char>(0x80 | (ACodePoint & 0x3F));
  }
  return AOut;
}

// The valid range of the second byte depends on the lead byte (Unicode table 3-7); later
// continuation bytes are always 80..BF.
bool SecondByteFits(unsigned ALead, unsigned ASecond) {
  switch (ALead) {
  case 0xE0:
    return ASecond >= 0xA0 && ASecond <= 0xBF;
  case 0xED:
    return ASecond >= 0x80 && ASecond <= 0x9F;
  case 0xF0:
    return ASecond >= 0x90 && ASecond <= 0xBF;
  case 0xF4:
    return ASecond >= 0x80 && ASecond <= 0x8F;
  default:
    return ASecond >= 0x80 && ASecond <= 0xBF;
  }
}

int SequenceLength(unsigned ALead) {
  if (ALead >= 0xC2 && ALead <= 0xDF)
    return 2;
  if (ALead >= 0xE0 && ALead <= 0xEF)
    return 3;
  if (ALead >= 0xF0 && ALead <= 0xF4)
    return 4;
  return 0;
}

// Most text is ASCII: runs of it go eight code units at a time, as long as they last.
constexpr std::size_t AsciiRun = 8;
using TAsciiBytes = std::uint8_t __attribute__((vector_size(AsciiRun)));
using TAsciiUnits = std::uint16_t __attribute__((vector_size(2 * AsciiRun)));

bool AllAscii(const std::uint8_t* ABytes) {
  std::uint64_t word;
  std::memcpy(&word, ABytes, sizeof word);
  return (word & 0x8080808080808080u) == 0;
}

bool AllAscii(const char16_t* AUnits) {
  std::uint64_t words[2];
  std::memcpy(words, AUnits, sizeof words);
  return ((words[0] | words[1]) & 0xFF80FF80FF80FF80u) == 0;
}

void WidenAsciiRun(const std::uint8_t* ABytes, char16_t* AOut) {
  TAsciiBytes bytes;
  std::memcpy(&bytes, ABytes, sizeof bytes);
  const auto units = __builtin_convertvector(bytes, TAsciiUnits);
  std::memcpy(AOut, &units, sizeof units);
}

void NarrowAsciiRun(const char16_t* AUnits, char* AOut) {
  TAsciiUnits units;
  std::memcpy(&units, AUnits, sizeof units);
  const auto bytes = __builtin_convertvector(units, TAsciiBytes);
  std::memcpy(AOut, &bytes, sizeof bytes);
}

} // namespace

char* Utf8EncodeTo(std::u16string_view AText, char* AOut) {
  const std::size_t n = AText.size();
  for (std::size_t i = 0; i < n; ++i) {
    for (; i + AsciiRun <= n && AllAscii(AText.data() + i); i += AsciiRun, AOut += AsciiRun)
      NarrowAsciiRun(AText.data() + i, AOut);
    if (i == n)
      break;
    char32_t c = AText[i];
    if (c < 0x80) {
      *AOut++ = static_cast<char>(c);
      continue;
    }
    if (IsHighSurrogate(c) && i + 1 < n && IsLowSurrogate(AText[i + 1])) {
      c = CodePointOfPair(c, AText[i + 1]);
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      c = ReplacementCharacter;
    }
    AOut = PutCodePoint(c, AOut);
  }
  return AOut;
}

void Utf8EncodeAppend(std::u16string_view AText, std::string& AOut) {
  // Written into room for the longest result, then cut to what was written.
  const std::size_t start = AOut.size();
  AOut.resize(start + 3 * AText.size());
  const char* end = Utf8EncodeTo(AText, AOut.data() + start);
  AOut.resize(static_cast<std::size_t>(end - AOut.data()));
}

std::string Utf8Encode(std::u16string_view AText) {
  std::string out;
  Utf8EncodeAppend(AText, out);
  return out;
}

void Utf8DecodeAppend(std::string_view ABytes, std::u16string& AOut) {
  // No sequence gives more code units than it has bytes.
  const std::size_t start = AOut.size();
  AOut.resize(start + ABytes.size());
  char16_t* q = AOut.data() + start;
  const auto* p = reinterpret_cast<const std::uint8_t*>(ABytes.data());
  const std::size_t n = ABytes.size();
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
  AOut.resize(static_cast<std::size_t>(q - AOut.data()));
}

std::u16string Utf8Decode(std::string_view ABytes) {
  std::u16string out;
  Utf8DecodeAppend(ABytes, out);
  return out;
}

std::size_t Utf8CompleteLength(std::string_view ABytes) {
  std::size_t start = ABytes.size();
  for (int back = 0; back < 4 && start > 0; ++back) {
    const auto byte = static_cast<unsigned char>(ABytes[start - 1]);
    if (byte < 0x80)
      return ABytes.size();
    --start;
    if (byte >= 0xC0) {
      const std::size_t needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
      return ABytes.size() - start >= needed ? ABytes.size() : start;
    }
  }
  return ABytes.size();
}

} // namespace vbase
