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
  TIconv(const char* ATo, const char* AFrom) : FHandle(iconv_open(ATo, AFrom)) {}
  ~TIconv() {
    if (IsOpen())
      iconv_close(FHandle);
  }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;

  bool IsOpen() const { return FHandle != reinterpret_cast<iconv_t>(-1); }
  void RequireOpen() const {
    if (!IsOpen())
      RaiseInvalidCodePage();
  }

  // One call over the rest of the input, or the final flush when AIn is null; returns errno of a
  // failure, 0 on success.
  int Convert(char** AIn, std::size_t* AInLeft, char** AOut, std::size_t* AOutLeft) {
    return iconv(FHandle, AIn, AInLeft, AOut, AOutLeft) == Failed ? errno : 0;
  }

private:
  iconv_t FHandle;
};

void AppendUtf16(const char32_t* AFirst, const char32_t* ALast, std::u16string& AOut) {
  char16_t units[2];
  for (const char32_t* p = AFirst; p != ALast; ++p)
    AOut.append(units, vbase::PutUtf16(*p, units));
}

// Decoding fills a fixed UCS-4 chunk and moves it to the UTF-16 output after every call.
class TDecoder {
public:
  TDecoder(const char* ACharset, std::u16string& AOut)
      : FConverter(Ucs4, ACharset), FOut(AOut), FChunk(ChunkSize) {
    FConverter.RequireOpen();
  }

  void Run(std::string_view ABytes) {
    char* in = const_cast<char*>(ABytes.data());
    std::size_t inLeft = ABytes.size();
    while (inLeft > 0) {
      const int error = Step(&in, &inLeft);
      if (error == EILSEQ) {
        FOut += ReplacementCharacter;
        ++in;
        --inLeft;
      } else if (error == EINVAL) {
        FOut += ReplacementCharacter; // a sequence cut off by the end of the input
        inLeft = 0;
      }
    }
    Step(nullptr, nullptr); // a pending character of a combining or stateful character set
  }

private:
  int Step(char** AIn, std::size_t* AInLeft) {
    char* out = reinterpret_cast<char*>(FChunk.data());
    std::size_t outLeft = FChunk.size() * sizeof(char32_t);
    const int error = FConverter.Convert(AIn, AInLeft, &out, &outLeft);
    AppendUtf16(FChunk.data(), reinterpret_cast<char32_t*>(out), FOut);
    return error;
  }

  TIconv FConverter;
  std::u16string& FOut;
  std::vector<char32_t> FChunk;
};

// Encoding widens the text chunk by chunk to UCS-4 and lets the byte output grow as needed.
class TEncoder {
public:
  TEncoder(const char* ACharset, std::string& AOut) : FConverter(ACharset, Ucs4), FOut(AOut) {
    FConverter.RequireOpen();
    FUsed = FOut.size();
  }
  ~TEncoder() { FOut.resize(FUsed); }

  void Run(std::u16string_view AText) {
    FOut.resize(FUsed + AText.size() + 16);
    std::vector<char32_t> chunk;
    chunk.reserve(ChunkSize);
    for (std::size_t pos = 0; pos < AText.size();) {
      pos = Widen(AText, pos, chunk);
      ConvertChunk(chunk);
    }
    Convert(nullptr, nullptr); // the shift back to the initial state
  }

private:
  // Lone surrogates stay as they are: no character set maps them, so they get the substitute.
  static std::size_t Widen(std::u16string_view AText, std::size_t APos,
                           std::vector<char32_t>& AChunk) {
    AChunk.clear();
    while (APos < AText.size() && AChunk.size() < ChunkSize) {
      const char16_t unit = AText[APos++];
      if (IsHighSurrogate(unit) && APos < AText.size() && IsLowSurrogate(AText[APos]))
        AChunk.push_back(CodePointOfPair(unit, AText[APos++]));
      else
        AChunk.push_back(unit);
    }
    return APos;
  }

  void ConvertChunk(std::vector<char32_t>& AChunk) {
    char* in = reinterpret_cast<char*>(AChunk.data());
    std::size_t inLeft = AChunk.size() * sizeof(char32_t);
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
  int Convert(char** AIn, std::size_t* AInLeft) {
    for (;;) {
      char* out = FOut.data() + FUsed;
      std::size_t outLeft = FOut.size() - FUsed;
      const int error = FConverter.Convert(AIn, AInLeft, &out, &outLeft);
      FUsed = out - FOut.data();
      if (error != E2BIG)
        return error;
      FOut.resize(FOut.size() * 2);
    }
  }

  TIconv FConverter;
  std::string& FOut;
  std::size_t FUsed = 0;
};

} // namespace

bool IconvSupports(const char* ACharset) {
  return TIconv(Ucs4, ACharset).IsOpen() && TIconv(ACharset, Ucs4).IsOpen();
}

void IconvDecodeAppend(const char* ACharset, std::string_view ABytes, std::u16string& AOut) {
  AOut.reserve(AOut.size() + ABytes.size());
  TDecoder(ACharset, AOut).Run(ABytes);
}

void IconvEncodeAppend(const char* ACharset, std::u16string_view AText, std::string& AOut) {
  TEncoder(ACharset, AOut).Run(AText);
}

} // namespace vcharset
