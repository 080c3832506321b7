#include "HzCodec.h"

#include "SystemCodePages.h"

namespace vcharset {

namespace {

// HZ is GB2312 in EUC-CN form with the high bits stripped, so both directions go through the
// platform's EUC-CN and rewrite the escapes around it.
// Never valid in EUC-CN, so it becomes U+FFFD where HZ is malformed.
constexpr char InvalidMarker = '\xFF';

bool IsGbByte(unsigned char aByte) {
  return aByte >= 0x21 && aByte <= 0x7E;
}

class THzToEucCn {
public:
  explicit THzToEucCn(std::string_view aBytes) : fIn(aBytes) { fOut.reserve(aBytes.size()); }

  std::string Run() {
    while (fPos < fIn.size()) {
      if (!TakeEscape())
        fInGb ? TakeGbPair() : TakeAscii();
    }
    return std::move(fOut);
  }

private:
  unsigned char At(std::size_t aIndex) const {
    return aIndex < fIn.size() ? static_cast<unsigned char>(fIn[aIndex]) : 0;
  }

  bool TakeEscape() {
    if (At(fPos) != '~')
      return false;
    switch (At(fPos + 1)) {
    case '{':
      fInGb = true;
      break;
    case '}':
      fInGb = false;
      break;
    case '~':
      if (fInGb)
        return false;
      fOut += '~';
      break;
    case '\n':
      if (fInGb)
        return false;
      break; // a soft line break
    default:
      return false;
    }
    fPos += 2;
    return true;
  }

  void TakeAscii() {
    const unsigned char b = At(fPos++);
    fOut += b < 0x80 && b != '~' ? static_cast<char>(b) : InvalidMarker;
  }

  void TakeGbPair() {
    const unsigned char first = At(fPos);
    const unsigned char second = At(fPos + 1);
    if (first == '\r' || first == '\n') {
      fInGb = false;
      TakeAscii();
    } else if (IsGbByte(first) && IsGbByte(second)) {
      fOut += static_cast<char>(first | 0x80);
      fOut += static_cast<char>(second | 0x80);
      fPos += 2;
    } else {
      fOut += InvalidMarker;
      ++fPos;
    }
  }

  std::string_view fIn;
  std::string fOut;
  std::size_t fPos = 0;
  bool fInGb = false;
};

void EucCnToHzAppend(std::string_view aEucCn, std::string& aOut) {
  bool inGb = false;
  for (std::size_t i = 0; i < aEucCn.size(); ++i) {
    const char b = aEucCn[i];
    const bool isGb = (b & 0x80) != 0 && i + 1 < aEucCn.size();
    if (isGb != inGb) {
      aOut += isGb ? "~{" : "~}";
      inGb = isGb;
    }
    if (isGb) {
      aOut += static_cast<char>(b & 0x7F);
      aOut += static_cast<char>(aEucCn[++i] & 0x7F);
    } else {
      aOut += b == '~' ? "~~" : std::string_view(&b, 1);
    }
  }
  if (inGb)
    aOut += "~}";
}

} // namespace

void HzDecodeAppend(std::string_view aBytes, std::u16string& aOut) {
  EucCnDecodeAppend(THzToEucCn(aBytes).Run(), aOut);
}

void HzEncodeAppend(std::u16string_view aText, std::string& aOut) {
  std::string eucCn;
  EucCnEncodeAppend(aText, eucCn);
  EucCnToHzAppend(eucCn, aOut);
}

} // namespace vcharset
