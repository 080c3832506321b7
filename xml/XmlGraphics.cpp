#include "vxml/XmlDocument.h"

namespace vxml {

// Members a writer leaves out when WriteOnDefault is false; reading falls back on the
// defaults of the records, which differ for the pen and the brush.
namespace {

const TXmlPen PenWriteDefaults{0, 0, 0, 0};
const TXmlBrush BrushWriteDefaults{0, 0};

} // namespace

TXmlFont TXmlNode::ReadFont(std::u16string_view AName) const {
  TXmlFont font;
  const TXmlNode* node = ChildByName(AName);
  if (!node)
    return font;
  font.Name = node->ReadString(u"Name", font.Name);
  font.Color = node->ReadColor(u"Color", font.Color);
  font.Size = node->ReadInteger(u"Size", font.Size);
  font.Bold = node->ReadBool(u"Bold", font.Bold);
  font.Italic = node->ReadBool(u"Italic", font.Italic);
  font.Underline = node->ReadBool(u"Underline", font.Underline);
  font.Strikeout = node->ReadBool(u"Strikeout", font.Strikeout);
  return font;
}

void TXmlNode::WriteFont(std::u16string_view AName, const TXmlFont& aValue) {
  const TXmlFont defaults;
  TXmlNode* node = NodeFindOrCreate(AName);
  node->WriteString(u"Name", aValue.Name, defaults.Name);
  node->WriteColor(u"Color", aValue.Color);
  node->WriteInteger(u"Size", aValue.Size, defaults.Size);
  node->WriteBool(u"Bold", aValue.Bold, defaults.Bold);
  node->WriteBool(u"Italic", aValue.Italic, defaults.Italic);
  node->WriteBool(u"Underline", aValue.Underline, defaults.Underline);
  node->WriteBool(u"Strikeout", aValue.Strikeout, defaults.Strikeout);
}

TXmlPen TXmlNode::ReadPen(std::u16string_view AName) const {
  TXmlPen pen;
  const TXmlNode* node = ChildByName(AName);
  if (!node)
    return pen;
  pen.Color = node->ReadColor(u"Color", pen.Color);
  pen.Mode = node->ReadInteger(u"Mode", pen.Mode);
  pen.Style = node->ReadInteger(u"Style", pen.Style);
  pen.Width = node->ReadInteger(u"Width", pen.Width);
  return pen;
}

void TXmlNode::WritePen(std::u16string_view AName, const TXmlPen& aValue) {
  TXmlNode* node = NodeFindOrCreate(AName);
  node->WriteColor(u"Color", aValue.Color);
  node->WriteInteger(u"Mode", aValue.Mode, PenWriteDefaults.Mode);
  node->WriteInteger(u"Style", aValue.Style, PenWriteDefaults.Style);
  node->WriteInteger(u"Width", aValue.Width, PenWriteDefaults.Width);
}

TXmlBrush TXmlNode::ReadBrush(std::u16string_view AName) const {
  TXmlBrush brush;
  const TXmlNode* node = ChildByName(AName);
  if (!node)
    return brush;
  brush.Color = node->ReadColor(u"Color", brush.Color);
  brush.Style = node->ReadInteger(u"Style", brush.Style);
  return brush;
}

void TXmlNode::WriteBrush(std::u16string_view AName, const TXmlBrush& aValue) {
  TXmlNode* node = NodeFindOrCreate(AName);
  node->WriteColor(u"Color", aValue.Color);
  node->WriteInteger(u"Style", aValue.Style, BrushWriteDefaults.Style);
}

} // namespace vxml
