#include "Utf8.h"

#include "Characters.h"

#include <cstdint>
#include <cstring>

namespace vbase {

namespace {

char* PutCodePoint(char32_t c, char* q) {
  if (c < 0x80) {
    *q++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *q++ = static_cast<char>(0xC0 | (c >> 6));
    *q++ = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *q++ = static_cast<char>(0xE0 | (c >> 12));
    *q++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *q++ = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *q++ = static_cast<char>(0xF0 | (c >> 18));
    *q++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *q++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *q++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return q;
}

// The valid range of the second byte depends on the lead byte (Unicode table 3-7); later
// continuation bytes are always 80..BF.
bool SecondByteFits(unsigned lead, unsigned second) {
  switch (lead) {
  case 0xE0:
    return second >= 0xA0 && second <= 0xBF;
  case 0xED:
    return second >= 0x80 && second <= 0x9F;
  case 0xF0:
    return second >= 0x90 && second <= 0xBF;
  case 0xF4:
    return second >= 0x80 && second <= 0x8F;
  default:
    return second >= 0x80 && second <= 0xBF;
  }
}

int SequenceLength(unsigned lead) {
  if (lead >= 0xC2 && lead <= 0xDF)
    return 2;
  if (lead >= 0xE0 && lead <= 0xEF)
    return 3;
  if (lead >= 0xF0 && lead <= 0xF4)
    return 4;
  return 0;
}

// Most text is ASCII: runs of it go eight code units at a time, as long as they last.
constexpr std::size_t AsciiRun = 8;
using TAsciiBytes = std::uint8_t __attribute__((vector_size(AsciiRun)));
using TAsciiUnits = std::uint16_t __attribute__((vector_size(2 * AsciiRun)));

bool AllAscii(const std::uint8_t* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return (word & 0x8080808080808080u) == 0;
}

bool AllAscii(const char16_t* p) {
  std::uint64_t words[2];
  std::memcpy(words, p, sizeof words);
  return ((words[0] | words[1]) & 0xFF80FF80FF80FF80u) == 0;
}

void WidenAsciiRun(const std::uint8_t* p, char16_t* q) {
  TAsciiBytes bytes;
  std::memcpy(&bytes, p, sizeof bytes);
  const auto units = __builtin_convertvector(bytes, TAsciiUnits);
  std::memcpy(q, &units, sizeof units);
}

void NarrowAsciiRun(const char16_t* p, char* q) {
  TAsciiUnits units;
  std::memcpy(&units, p, sizeof units);
  const auto bytes = __builtin_convertvector(units, TAsciiBytes);
  std::memcpy(q, &bytes, sizeof bytes);
}

} // namespace

char* Utf8EncodeTo(std::u16string_view text, char* q) {
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    for (; i + AsciiRun <= n && AllAscii(text.data() + i); i += AsciiRun, q += AsciiRun)
      NarrowAsciiRun(text.data() + i, q);
    if (i == n)
      break;
    char32_t c = text[i];
    if (c < 0x80) {
      *q++ = static_cast<char>(c);
      continue;
    }
    if (IsHighSurrogate(c) && i + 1 < n && IsLowSurrogate(text[i + 1])) {
      c = CodePointOfPair(c, text[i + 1]);
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      c = ReplacementCharacter;
    }
    q = PutCodePoint(c, q);
  }
  return q;
}

void Utf8EncodeAppend(std::u16string_view text, std::string& out) {
  // Written into room for the longest result, then cut to what was written.
  const std::size_t start = out.size();
  out.resize(start + 3 * text.size());
  const char* end = Utf8EncodeTo(text, out.data() + start);
  out.resize(static_cast<std::size_t>(end - out.data()));
}

std::string Utf8Encode(std::u16string_view text) {
  std::string out;
  Utf8EncodeAppend(text, out);
  return out;
}

void Utf8DecodeAppend(std::string_view bytes, std::u16string& out) {
  // No sequence gives more code units than it has bytes.
  const std::size_t start = out.size();
  out.resize(start + bytes.size());
  char16_t* q = out.data() + start;
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const std::size_t n = bytes.size();
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
  out.resize(static_cast<std::size_t>(q - out.data()));
}

std::u16string Utf8Decode(std::string_view bytes) {
  std::u16string out;
  Utf8DecodeAppend(bytes, out);
  return out;
}

std::size_t Utf8CompleteLength(std::string_view bytes) {
  std::size_t start = bytes.size();
  for (int back = 0; back < 4 && start > 0; ++back) {
    const auto byte = static_cast<unsigned char>(bytes[start - 1]);
    if (byte < 0x80)
      return bytes.size();
    --start;
    if (byte >= 0xC0) {
      const std::size_t needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
      return bytes.size() - start >= needed ? bytes.size() : start;
    }
  }
  return bytes.size();
}

} // namespace vbase
