// The kinds and options of the document layer, apart from the model so that the reader's and
// writer's internals need not include it.
#pragma once

#include <cstdint>

namespace vxml {

enum TXmlElementType : uint8_t {
  xeNormal,
  xeComment,
  xeCData,
  xeDeclaration,
  xeStylesheet,
  xeDoctype,
  xeElement,
  xeAttList,
  xeEntity,
  xeNotation,
  xeExclam,
  xeQuestion,
  xeCharData,
  xeUnknown
};

enum TXmlFormatType : uint8_t { xfCompact, xfReadable, xfReadable_x13, xfReadable_x10 };

enum TBinaryEncodingType : uint8_t { xbeBinHex, xbeBase64 };

enum TStringEncodingType : uint8_t {
  se8Bit,
  seUCS4BE,
  seUCS4LE,
  seUCS4_2143,
  seUCS4_3412,
  se16BitBE,
  se16BitLE,
  seUTF8,
  seUTF16BE,
  seUTF16LE,
  seEBCDIC
};

enum TXmlCompareOption : uint8_t {
  xcNodeName,
  xcNodeType,
  xcNodeValue,
  xcAttribCount,
  xcAttribNames,
  xcAttribValues,
  xcChildCount,
  xcChildNames,
  xcChildValues,
  xcRecursive
};

// A set of TXmlCompareOption, one bit per option.
using TXmlCompareOptions = uint16_t;
constexpr TXmlCompareOptions XmlCompareOption(TXmlCompareOption aOption) {
  return static_cast<TXmlCompareOptions>(1u << aOption);
}

} // namespace vxml
