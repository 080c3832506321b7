#include "Utf7.h"

#include "vbase/Characters.h"

#include <cstdint>

namespace vcharset {

using vbase::Base64Digit;
using vbase::Base64DigitChars;
using vbase::ReplacementCharacter;

namespace {

bool IsDirect(char16_t aUnit) {
  if ((aUnit >= u'A' && aUnit <= u'Z') || (aUnit >= u'a' && aUnit <= u'z') ||
      (aUnit >= u'0' && aUnit <= u'9'))
    return true;
  return std::u16string_view(u"'(),-./:? \t\r\n").find(aUnit) != std::u16string_view::npos;
}

// Written directly rather than in base64: markup such as "<" and "=" must stay readable to the
// XML reader, whose header scan looks for them as plain bytes.
bool IsOptionalDirect(char16_t aUnit) {
  return std::u16string_view(u"!\"#$%&*;<=>@[]^_`{|}").find(aUnit) != std::u16string_view::npos;
}

// The bits of one base64 run that are not yet written out (encoding) or not yet a code unit
// (decoding); never more than 21 are held.
struct TBitBuffer {
  uint32_t Bits = 0;
  int Count = 0;

  void Push(uint32_t aValue, int aWidth) {
    Bits = (Bits << aWidth) | aValue;
    Count += aWidth;
  }
  uint32_t Pop(int aWidth) {
    Count -= aWidth;
    const uint32_t value = Bits >> Count;
    Bits &= (1u << Count) - 1;
    return value;
  }
  bool HasStrayBits() const { return Count >= 6 || Bits != 0; }
};

class TUtf7Encoder {
public:
  explicit TUtf7Encoder(std::string& aOut) : fOut(aOut) {}

  void Add(char16_t aUnit) {
    if (IsDirect(aUnit) || IsOptionalDirect(aUnit) || aUnit == u'+') {
      CloseRun();
      if (aUnit == u'+')
        fOut += "+-";
      else
        fOut += static_cast<char>(aUnit);
      return;
    }
    if (!fInRun) {
      fOut += '+';
      fInRun = true;
    }
    fPending.Push(aUnit, 16);
    while (fPending.Count >= 6)
      fOut += static_cast<char>(Base64DigitChars[fPending.Pop(6)]);
  }

  void CloseRun() {
    if (!fInRun)
      return;
    if (const int width = fPending.Count; width > 0)
      fOut += static_cast<char>(Base64DigitChars[fPending.Pop(width) << (6 - width)]);
    fOut += '-';
    fInRun = false;
  }

private:
  std::string& fOut;
  bool fInRun = false;
  TBitBuffer fPending;
};

class TUtf7Decoder {
public:
  TUtf7Decoder(std::string_view aBytes, std::u16string& aOut) : fIn(aBytes), fOut(aOut) {}

  void Run() {
    while (fPos < fIn.size()) {
      if (fInRun)
        TakeRunByte();
      else
        TakeDirectByte();
    }
    if (fInRun)
      EndRun();
  }

private:
  int At(std::size_t aIndex) const {
    return aIndex < fIn.size() ? static_cast<unsigned char>(fIn[aIndex]) : -1;
  }

  void TakeRunByte() {
    const int value = Base64Digit(At(fPos));
    if (value < 0) {
      EndRun();
      if (At(fPos) == '-')
        ++fPos; // the run's terminator is absorbed; any other byte is read as direct text
      return;
    }
    fPending.Push(value, 6);
    if (fPending.Count >= 16)
      fOut += static_cast<char16_t>(fPending.Pop(16));
    ++fPos;
  }

  void EndRun() {
    if (fPending.HasStrayBits())
      fOut += ReplacementCharacter;
    fPending = {};
    fInRun = false;
  }

  void TakeDirectByte() {
    const int b = At(fPos++);
    if (b != '+') {
      fOut += b < 0x80 ? static_cast<char16_t>(b) : ReplacementCharacter;
    } else if (At(fPos) == '-') {
      fOut += u'+';
      ++fPos;
    } else {
      fInRun = Base64Digit(At(fPos)) >= 0;
      if (!fInRun)
        fOut += ReplacementCharacter; // a "+" that starts no run
    }
  }

  std::string_view fIn;
  std::u16string& fOut;
  std::size_t fPos = 0;
  bool fInRun = false;
  TBitBuffer fPending;
};

} // namespace

void Utf7EncodeAppend(std::u16string_view aText, std::string& aOut) {
  aOut.reserve(aOut.size() + aText.size());
  TUtf7Encoder encoder(aOut);
  for (char16_t c : aText)
    encoder.Add(c);
  encoder.CloseRun();
}

void Utf7DecodeAppend(std::string_view aBytes, std::u16string& aOut) {
  aOut.reserve(aOut.size() + aBytes.size());
  TUtf7Decoder(aBytes, aOut).Run();
}

} // namespace vcharset
