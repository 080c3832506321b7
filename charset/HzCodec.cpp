#include "HzCodec.h"

#include "SystemCodePages.h"

namespace vcharset {

namespace {

// HZ is GB2312 in EUC-CN form with the high bits stripped, so both directions go through the
// platform's EUC-CN and rewrite the escapes around it.
// Never valid in EUC-CN, so it becomes U+FFFD where HZ is malformed.
constexpr char InvalidMarker = '\xFF';

bool IsGbByte(unsigned char AByte) {
  return AByte >= 0x21 && AByte <= 0x7E;
}

class THzToEucCn {
public:
  explicit THzToEucCn(std::string_view ABytes) : FIn(ABytes) { FOut.reserve(ABytes.size()); }

  std::string Run() {
    while (FPos < FIn.size()) {
      if (!TakeEscape())
        FInGb ? TakeGbPair() : TakeAscii();
    }
    return std::move(FOut);
  }

private:
  unsigned char At(std::size_t AIndex) const {
    return AIndex < FIn.size() ? static_cast<unsigned char>(FIn[AIndex]) : 0;
  }

  bool TakeEscape() {
    if (At(FPos) != '~')
      return false;
    switch (At(FPos + 1)) {
    case '{':
      FInGb = true;
      break;
    case '}':
      FInGb = false;
      break;
    case '~':
      if (FInGb)
        return false;
      FOut += '~';
      break;
    case '\n':
      if (FInGb)
        return false;
      break; // a soft line break
    default:
      return false;
    }
    FPos += 2;
    return true;
  }

  void TakeAscii() {
    const unsigned char b = At(FPos++);
    FOut += b < 0x80 && b != '~' ? static_cast<char>(b) : InvalidMarker;
  }

  void TakeGbPair() {
    const unsigned char first = At(FPos);
    const unsigned char second = At(FPos + 1);
    if (first == '\r' || first == '\n') {
      FInGb = false;
      TakeAscii();
    } else if (IsGbByte(first) && IsGbByte(second)) {
      FOut += static_cast<char>(first | 0x80);
      FOut += static_cast<char>(second | 0x80);
      FPos += 2;
    } else {
      FOut += InvalidMarker;
      ++FPos;
    }
  }

  std::string_view FIn;
  std::string FOut;
  std::size_t FPos = 0;
  bool FInGb = false;
};

void EucCnToHzAppend(std::string_view AEucCn, std::string& AOut) {
  bool inGb = false;
  for (std::size_t i = 0; i < AEucCn.size(); ++i) {
    const char b = AEucCn[i];
    const bool isGb = (b & 0x80) != 0 && i + 1 < AEucCn.size();
    if (isGb != inGb) {
      AOut += isGb ? "~{" : "~}";
      inGb = isGb;
    }
    if (isGb) {
      AOut += static_cast<char>(b & 0x7F);
      AOut += static_cast<char>(AEucCn[++i] & 0x7F);
    } else {
      AOut += b == '~' ? "~~" : std::string_view(&b, 1);
    }
  }
  if (inGb)
    AOut += "~}";
}

} // namespace

void HzDecodeAppend(std::string_view ABytes, std::u16string& AOut) {
  EucCnDecodeAppend(THzToEucCn(ABytes).Run(), AOut);
}

void HzEncodeAppend(std::u16string_view AText, std::string& AOut) {
  std::string eucCn;
  EucCnEncodeAppend(AText, eucCn);
  EucCnToHzAppend(eucCn, AOut);
}

} // namespace vcharset
