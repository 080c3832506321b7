#include "IconvCodec.h"

#include "SystemCodePages.h"
#include "vbase/Characters.h"

#include <cerrno>
#include <iconv.h>
#include <vector>

namespace vcharset {

using vbase::CodePointOfPair;
using vbase::IsHighSurrogate;
using vbase::IsLowSurrogate;
using vbase::ReplacementCharacter;

namespace {

// glibc's own UCS-4: iconv converts between it and any character set in one step. Between
// UTF-16 and a character set it would take two, and each restart after an invalid or unmappable
// character would then convert a whole internal buffer again.
constexpr const char* Ucs4 = "WCHAR_T";
static_assert(sizeof(wchar_t) == sizeof(char32_t), "iconv's WCHAR_T must be UCS-4");

// Code points per iconv call: big enough to amortise the call, small enough to stay in cache.
constexpr std::size_t ChunkSize = 16384;
constexpr std::size_t Failed = static_cast<std::size_t>(-1);

class TIconv {
public:
  TIconv(const char* aTo, const char* aFrom) : fHandle(iconv_open(aTo, aFrom)) {}
  ~TIconv() {
    if (IsOpen())
      iconv_close(fHandle);
  }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;

  bool IsOpen() const { return fHandle != reinterpret_cast<iconv_t>(-1); }
  void RequireOpen() const {
    if (!IsOpen())
      RaiseInvalidCodePage();
  }

  // One call over the rest of the input, or the final flush when aIn is null; returns errno of a
  // failure, 0 on success.
  int Convert(char** aIn, std::size_t* aInLeft, char** aOut, std::size_t* aOutLeft) {
    return iconv(fHandle, aIn, aInLeft, aOut, aOutLeft) == Failed ? errno : 0;
  }

private:
  iconv_t fHandle;
};

void AppendUtf16(const char32_t* aFirst, const char32_t* aLast, std::u16string& aOut) {
  char16_t units[2];
  for (const char32_t* p = aFirst; p != aLast; ++p)
    aOut.append(units, vbase::PutUtf16(*p, units));
}

// Decoding fills a fixed UCS-4 chunk and moves it to the UTF-16 output after every call.
class TDecoder {
public:
  TDecoder(const char* aCharset, std::u16string& aOut)
      : fConverter(Ucs4, aCharset), fOut(aOut), fChunk(ChunkSize) {
    fConverter.RequireOpen();
  }

  void Run(std::string_view aBytes) {
    char* in = const_cast<char*>(aBytes.data());
    std::size_t inLeft = aBytes.size();
    while (inLeft > 0) {
      const int error = Step(&in, &inLeft);
      if (error == EILSEQ) {
        fOut += ReplacementCharacter;
        ++in;
        --inLeft;
      } else if (error == EINVAL) {
        fOut += ReplacementCharacter; // a sequence cut off by the end of the input
        inLeft = 0;
      }
    }
    Step(nullptr, nullptr); // a pending character of a combining or stateful character set
  }

private:
  int Step(char** aIn, std::size_t* aInLeft) {
    char* out = reinterpret_cast<char*>(fChunk.data());
    std::size_t outLeft = fChunk.size() * sizeof(char32_t);
    const int error = fConverter.Convert(aIn, aInLeft, &out, &outLeft);
    AppendUtf16(fChunk.data(), reinterpret_cast<char32_t*>(out), fOut);
    return error;
  }

  TIconv fConverter;
  std::u16string& fOut;
  std::vector<char32_t> fChunk;
};

// Encoding widens the text chunk by chunk to UCS-4 and lets the byte output grow as needed.
class TEncoder {
public:
  TEncoder(const char* aCharset, std::string& aOut) : fConverter(aCharset, Ucs4), fOut(aOut) {
    fConverter.RequireOpen();
    fUsed = fOut.size();
  }
  ~TEncoder() { fOut.resize(fUsed); }

  void Run(std::u16string_view aText) {
    fOut.resize(fUsed + aText.size() + 16);
    std::vector<char32_t> chunk;
    chunk.reserve(ChunkSize);
    for (std::size_t pos = 0; pos < aText.size();) {
      pos = Widen(aText, pos, chunk);
      ConvertChunk(chunk);
    }
    Convert(nullptr, nullptr); // the shift back to the initial state
  }

private:
  // Lone surrogates stay as they are: no character set maps them, so they get the substitute.
  static std::size_t Widen(std::u16string_view aText, std::size_t aPos,
                           std::vector<char32_t>& aChunk) {
    aChunk.clear();
    while (aPos < aText.size() && aChunk.size() < ChunkSize) {
      const char16_t unit = aText[aPos++];
      if (IsHighSurrogate(unit) && aPos < aText.size() && IsLowSurrogate(aText[aPos]))
        aChunk.push_back(CodePointOfPair(unit, aText[aPos++]));
      else
        aChunk.push_back(unit);
    }
    return aPos;
  }

  void ConvertChunk(std::vector<char32_t>& aChunk) {
    char* in = reinterpret_cast<char*>(aChunk.data());
    std::size_t inLeft = aChunk.size() * sizeof(char32_t);
    while (inLeft > 0 && Convert(&in, &inLeft) != 0) {
      AppendSubstitute();
      in += sizeof(char32_t);
      inLeft -= sizeof(char32_t);
    }
  }

  // The substitute is converted like text, so a stateful character set gets it in its current
  // shift state and EBCDIC gets its own question mark.
  void AppendSubstitute() {
    char32_t question = U'?';
    char* in = reinterpret_cast<char*>(&question);
    std::size_t inLeft = sizeof question;
    Convert(&in, &inLeft);
  }

  // Grows the output while iconv reports that it is full.
  int Convert(char** aIn, std::size_t* aInLeft) {
    for (;;) {
      char* out = fOut.data() + fUsed;
      std::size_t outLeft = fOut.size() - fUsed;
      const int error = fConverter.Convert(aIn, aInLeft, &out, &outLeft);
      fUsed = out - fOut.data();
      if (error != E2BIG)
        return error;
      fOut.resize(fOut.size() * 2);
    }
  }

  TIconv fConverter;
  std::string& fOut;
  std::size_t fUsed = 0;
};

} // namespace

bool IconvSupports(const char* aCharset) {
  return TIconv(Ucs4, aCharset).IsOpen() && TIconv(aCharset, Ucs4).IsOpen();
}

void IconvDecodeAppend(const char* aCharset, std::string_view aBytes, std::u16string& aOut) {
  aOut.reserve(aOut.size() + aBytes.size());
  TDecoder(aCharset, aOut).Run(aBytes);
}

void IconvEncodeAppend(const char* aCharset, std::u16string_view aText, std::string& aOut) {
  TEncoder(aCharset, aOut).Run(aText);
}

} // namespace vcharset
