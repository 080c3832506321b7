#include "IconvCodec.h"

#include "XmlErrors.h"

#include <bit>
#include <cerrno>
#include <iconv.h>

namespace {

constexpr const char* NativeUtf16 =
    std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
constexpr char16_t ReplacementCharacter = 0xFFFD;

bool IsHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

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
  iconv_t Handle() const { return FHandle; }

private:
  iconv_t FHandle;
};

void RequireOpen(const TIconv& AConverter) {
  if (!AConverter.IsOpen())
    RaiseInvalidCodePage();
}

// The growing output of one conversion: iconv writes behind Used, and the container grows when
// iconv reports that the room is too small.
template <typename TString> class TOutput {
public:
  using TUnit = typename TString::value_type;

  TOutput(TString& AOut, std::size_t AExpected) : FOut(AOut), FUsed(AOut.size()) {
    FOut.resize(FUsed + AExpected + 16);
  }
  ~TOutput() { FOut.resize(FUsed); }

  char* Position() { return reinterpret_cast<char*>(FOut.data() + FUsed); }
  std::size_t RoomInBytes() const { return (FOut.size() - FUsed) * sizeof(TUnit); }
  void Advance(const char* AEnd) {
    FUsed = (AEnd - reinterpret_cast<const char*>(FOut.data())) / sizeof(TUnit);
  }
  void Grow() { FOut.resize(FOut.size() * 2); }
  void Append(TUnit AUnit) {
    if (FUsed == FOut.size())
      Grow();
    FOut[FUsed++] = AUnit;
  }

private:
  TString& FOut;
  std::size_t FUsed;
};

// One iconv call over the rest of the input (or the final flush when AIn is null); returns
// errno of a failure, 0 on success. A full output buffer is grown and the call repeated.
template <typename TString>
int Convert(iconv_t AHandle, char** AIn, std::size_t* AInLeft, TOutput<TString>& AOutput) {
  for (;;) {
    char* out = AOutput.Position();
    std::size_t outLeft = AOutput.RoomInBytes();
    const std::size_t result = iconv(AHandle, AIn, AInLeft, &out, &outLeft);
    const int error = result == static_cast<std::size_t>(-1) ? errno : 0;
    AOutput.Advance(out);
    if (error != E2BIG)
      return error;
    AOutput.Grow();
  }
}

// Flushes what a stateful converter still holds (a pending base character, a shift back to the
// initial state) at the end of the text.
template <typename TString> void Finish(iconv_t AHandle, TOutput<TString>& AOutput) {
  Convert(AHandle, nullptr, nullptr, AOutput);
}

// The substitute is converted like text, so a stateful character set gets it in its current
// shift state and EBCDIC gets its own question mark.
void AppendSubstitute(iconv_t AHandle, TOutput<std::string>& AOutput) {
  char16_t question = u'?';
  char* in = reinterpret_cast<char*>(&question);
  std::size_t inLeft = sizeof question;
  Convert(AHandle, &in, &inLeft, AOutput);
}

} // namespace

void RaiseInvalidCodePage() {
  throw EEncodingError(u"Invalid code page");
}

bool IconvSupports(const char* ACharset) {
  return TIconv(NativeUtf16, ACharset).IsOpen() && TIconv(ACharset, NativeUtf16).IsOpen();
}

void IconvDecodeAppend(const char* ACharset, std::string_view ABytes, std::u16string& AOut) {
  TIconv converter(NativeUtf16, ACharset);
  RequireOpen(converter);
  TOutput<std::u16string> output(AOut, ABytes.size());
  char* in = const_cast<char*>(ABytes.data());
  std::size_t inLeft = ABytes.size();
  while (inLeft > 0) {
    const int error = Convert(converter.Handle(), &in, &inLeft, output);
    if (error == 0)
      break;
    output.Append(ReplacementCharacter);
    if (error == EILSEQ) {
      ++in;
      --inLeft;
    } else {
      inLeft = 0; // a sequence cut off by the end of the input
    }
  }
  Finish(converter.Handle(), output);
}

void IconvEncodeAppend(const char* ACharset, std::u16string_view AText, std::string& AOut) {
  TIconv converter(ACharset, NativeUtf16);
  RequireOpen(converter);
  TOutput<std::string> output(AOut, AText.size() * 2);
  char* in = reinterpret_cast<char*>(const_cast<char16_t*>(AText.data()));
  std::size_t inLeft = AText.size() * sizeof(char16_t);
  while (inLeft > 0) {
    const int error = Convert(converter.Handle(), &in, &inLeft, output);
    if (error == 0)
      break;
    AppendSubstitute(converter.Handle(), output);
    const auto* unit = reinterpret_cast<const char16_t*>(in);
    const bool pair = inLeft >= 4 && IsHighSurrogate(unit[0]) && IsLowSurrogate(unit[1]);
    const std::size_t skipped = error == EILSEQ ? (pair ? 4 : 2) : inLeft;
    in += skipped;
    inLeft -= skipped;
  }
  Finish(converter.Handle(), output);
}
