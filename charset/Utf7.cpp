#include "Utf7.h"

#include "vbase/Characters.h"

#include <cstdint>

namespace vcharset {

using vbase::Base64Digit;
using vbase::Base64DigitChars;
using vbase::ReplacementCharacter;

namespace {

bool IsDirect(char16_t AUnit) {
  if ((AUnit >= u'A' && AUnit <= u'Z') || (AUnit >= u'a' && AUnit <= u'z') ||
      (AUnit >= u'0' && AUnit <= u'9'))
    return true;
  return std::u16string_view(u"'(),-./:? \t\r\n").find(AUnit) != std::u16string_view::npos;
}

// Written directly rather than in base64: markup such as "<" and "=" must stay readable to the
// XML reader, whose header scan looks for them as plain bytes.
bool IsOptionalDirect(char16_t AUnit) {
  return std::u16string_view(u"!\"#$%&*;<=>@[]^_`{|}").find(AUnit) != std::u16string_view::npos;
}

// The bits of one base64 run that are not yet written out (encoding) or not yet a code unit
// (decoding); never more than 21 are held.
struct TBitBuffer {
  uint32_t Bits = 0;
  int Count = 0;

  void Push(uint32_t AValue, int AWidth) {
    Bits = (Bits << AWidth) | AValue;
    Count += AWidth;
  }
  uint32_t Pop(int AWidth) {
    Count -= AWidth;
    const uint32_t value = Bits >> Count;
    Bits &= (1u << Count) - 1;
    return value;
  }
  bool HasStrayBits() const { return Count >= 6 || Bits != 0; }
};

class TUtf7Encoder {
public:
  explicit TUtf7Encoder(std::string& AOut) : FOut(AOut) {}

  void Add(char16_t AUnit) {
    if (IsDirect(AUnit) || IsOptionalDirect(AUnit) || AUnit == u'+') {
      CloseRun();
      if (AUnit == u'+')
        FOut += "+-";
      else
        FOut += static_cast<char>(AUnit);
      return;
    }
    if (!FInRun) {
      FOut += '+';
      FInRun = true;
    }
    FPending.Push(AUnit, 16);
    while (FPending.Count >= 6)
      FOut += static_cast<char>(Base64DigitChars[FPending.Pop(6)]);
  }

  void CloseRun() {
    if (!FInRun)
      return;
    if (const int width = FPending.Count; width > 0)
      FOut += static_cast<char>(Base64DigitChars[FPending.Pop(width) << (6 - width)]);
    FOut += '-';
    FInRun = false;
  }

private:
  std::string& FOut;
  bool FInRun = false;
  TBitBuffer FPending;
};

class TUtf7Decoder {
public:
  TUtf7Decoder(std::string_view ABytes, std::u16string& AOut) : FIn(ABytes), FOut(AOut) {}

  void Run() {
    while (FPos < FIn.size()) {
      if (FInRun)
        TakeRunByte();
      else
        TakeDirectByte();
    }
    if (FInRun)
      EndRun();
  }

private:
  int At(std::size_t AIndex) const {
    return AIndex < FIn.size() ? static_cast<unsigned char>(FIn[AIndex]) : -1;
  }

  void TakeRunByte() {
    const int value = Base64Digit(At(FPos));
    if (value < 0) {
      EndRun();
      if (At(FPos) == '-')
        ++FPos; // the run's terminator is absorbed; any other byte is read as direct text
      return;
    }
    FPending.Push(value, 6);
    if (FPending.Count >= 16)
      FOut += static_cast<char16_t>(FPending.Pop(16));
    ++FPos;
  }

  void EndRun() {
    if (FPending.HasStrayBits())
      FOut += ReplacementCharacter;
    FPending = {};
    FInRun = false;
  }

  void TakeDirectByte() {
    const int b = At(FPos++);
    if (b != '+') {
      FOut += b < 0x80 ? static_cast<char16_t>(b) : ReplacementCharacter;
    } else if (At(FPos) == '-') {
      FOut += u'+';
      ++FPos;
    } else {
      FInRun = Base64Digit(At(FPos)) >= 0;
      if (!FInRun)
        FOut += ReplacementCharacter; // a "+" that starts no run
    }
  }

  std::string_view FIn;
  std::u16string& FOut;
  std::size_t FPos = 0;
  bool FInRun = false;
  TBitBuffer FPending;
};

} // namespace

void Utf7EncodeAppend(std::u16string_view AText, std::string& AOut) {
  AOut.reserve(AOut.size() + AText.size());
  TUtf7Encoder encoder(AOut);
  for (char16_t c : AText)
    encoder.Add(c);
  encoder.CloseRun();
}

void Utf7DecodeAppend(std::string_view ABytes, std::u16string& AOut) {
  AOut.reserve(AOut.size() + ABytes.size());
  TUtf7Decoder(ABytes, AOut).Run();
}

} // namespace vcharset
