#include "vbase/Characters.h"
#include "vxml/XmlDocument.h"

#include <algorithm>

namespace vxml {

using vbase::Base64Digit;
using vbase::Base64DigitChars;
using vbase::EFilerError;
using vbase::HexDigit;
using vbase::HexDigitChars;

namespace {

constexpr std::size_t LineLength = 76;

[[noreturn]] void RaiseMissingData() {
  throw EFilerError(u"Missing data in binary stream");
}
[[noreturn]] void RaiseInvalidCharacter() {
  throw EFilerError(u"Invalid character in binary stream");
}

std::u16string EncodeBase64(const uint8_t* aBytes, std::size_t aCount) {
  std::u16string text;
  text.reserve((aCount + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= aCount; i += 3) {
    const uint32_t group = (aBytes[i] << 16) | (aBytes[i + 1] << 8) | aBytes[i + 2];
    for (int shift = 18; shift >= 0; shift -= 6)
      text += Base64DigitChars[(group >> shift) & 0x3F];
  }
  const std::size_t rest = aCount - i;
  if (rest > 0) {
    const uint32_t group = (aBytes[i] << 16) | (rest == 2 ? aBytes[i + 1] << 8 : 0);
    text += Base64DigitChars[(group >> 18) & 0x3F];
    text += Base64DigitChars[(group >> 12) & 0x3F];
    text += rest == 2 ? Base64DigitChars[(group >> 6) & 0x3F] : u'=';
    text += u'=';
  }
  return text;
}

std::u16string EncodeBinHex(const uint8_t* aBytes, std::size_t aCount) {
  std::u16string text;
  text.reserve(aCount * 2);
  for (std::size_t i = 0; i < aCount; ++i) {
    text += HexDigitChars[aBytes[i] >> 4];
    text += HexDigitChars[aBytes[i] & 0xF];
  }
  return text;
}

// Both encodings are a stream of fixed-width digits: six bits for Base64, four for BinHex.
// Layout characters are skipped; "=" ends Base64 data.
void Decode(std::u16string_view aText, TBinaryEncodingType aEncoding, uint8_t* aBytes,
            std::size_t aCount) {
  const bool base64 = aEncoding == xbeBase64;
  const int bitsPerDigit = base64 ? 6 : 4;
  uint32_t bits = 0;
  int bitCount = 0;
  std::size_t written = 0;
  for (const char16_t c : aText) {
    if (written == aCount)
      return;
    if (IsXmlWhitespace(c))
      continue;
    if (base64 && c == u'=')
      break;
    const int digit = base64 ? Base64Digit(c) : HexDigit(c);
    if (digit < 0)
      RaiseInvalidCharacter();
    bits = (bits << bitsPerDigit) | static_cast<uint32_t>(digit);
    bitCount += bitsPerDigit;
    if (bitCount >= 8) {
      bitCount -= 8;
      aBytes[written++] = static_cast<uint8_t>(bits >> bitCount);
      bits &= (1u << bitCount) - 1;
    }
  }
  if (written < aCount)
    RaiseMissingData();
}

int32_t DecodedLength(std::u16string_view aText, TBinaryEncodingType aEncoding) {
  std::size_t length = 0;
  char16_t last = 0;
  char16_t beforeLast = 0;
  for (const char16_t c : aText) {
    if (IsXmlWhitespace(c))
      continue;
    ++length;
    beforeLast = last;
    last = c;
  }
  const std::size_t groupLength = aEncoding == xbeBase64 ? 4 : 2;
  if (length % groupLength != 0)
    throw EFilerError(u"Error while calculating streamlength");
  if (aEncoding == xbeBinHex)
    return static_cast<int32_t>(length / 2);
  const std::size_t padding = (last == u'=' ? 1 : 0) + (beforeLast == u'=' ? 1 : 0);
  return static_cast<int32_t>(length / 4 * 3 - padding);
}

// In a readable layout every line of 76 characters, and the end, is led by a line break and the
// node's indentation, so that the text sits between the node's tags on lines of its own.
std::u16string LaidOut(const TXmlNode& aNode, const std::u16string& aEncoded) {
  const TXmlDocument* document = aNode.Document();
  const std::u16string separator =
      document ? document->LineBreakText() + aNode.IndentText() : std::u16string();
  if (separator.empty())
    return aEncoded;
  const std::size_t lines = (aEncoded.size() + LineLength - 1) / LineLength;
  std::u16string text;
  text.reserve(aEncoded.size() + (lines + 1) * separator.size());
  for (std::size_t start = 0; start < aEncoded.size(); start += LineLength)
    text.append(separator).append(aEncoded, start, LineLength);
  text.append(separator);
  return text;
}

void WriteBinary(TXmlNode& aNode, TBinaryEncodingType aEncoding, const void* aBuffer,
                 int32_t aCount) {
  const auto* bytes = static_cast<const uint8_t*>(aBuffer);
  const std::size_t count = aCount > 0 ? static_cast<std::size_t>(aCount) : 0;
  const std::u16string encoded =
      aEncoding == xbeBase64 ? EncodeBase64(bytes, count) : EncodeBinHex(bytes, count);
  aNode.SetValueDirect(LaidOut(aNode, encoded));
}

} // namespace

TBinaryEncodingType TXmlNode::BinaryEncoding() const {
  return FDocument ? FDocument->BinaryEncoding() : xbeBinHex;
}

void TXmlNode::SetBinaryEncoding(TBinaryEncodingType aValue) {
  if (FDocument)
    FDocument->SetBinaryEncoding(aValue);
}

void TXmlNode::BufferWrite(const void* aBuffer, int32_t aCount) {
  WriteBinary(*this, BinaryEncoding(), aBuffer, aCount);
}

void TXmlNode::BufferRead(void* aBuffer, int32_t aCount) const {
  if (aCount > 0)
    Decode(FValue.View(), BinaryEncoding(), static_cast<uint8_t*>(aBuffer),
           static_cast<std::size_t>(aCount));
}

int32_t TXmlNode::BufferLength() const {
  return DecodedLength(FValue.View(), BinaryEncoding());
}

std::string TXmlNode::BinaryString() const {
  std::string bytes(static_cast<std::size_t>(DecodedLength(FValue.View(), xbeBase64)), '\0');
  Decode(FValue.View(), xbeBase64, reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
  return bytes;
}

void TXmlNode::SetBinaryString(std::string_view aValue) {
  WriteBinary(*this, xbeBase64, aValue.data(), static_cast<int32_t>(aValue.size()));
}

} // namespace vxml
