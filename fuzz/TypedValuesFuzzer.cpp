// Any text read through every typed accessor of a node: as its value, as the value of a named
// child, as the members of a font, a pen and a brush, and as attribute lines. A read gives a
// value or raises one of the layer's errors; a value that reads is written and read back alike.
#include "FuzzTarget.h"
#include "vbase/Errors.h"
#include "vbase/Utf8.h"
#include "vxml/XmlDocument.h"

#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

using namespace vbase;
using namespace vxml;

namespace {

template <typename TRead> auto TryRead(TRead aRead) -> std::optional<decltype(aRead())> {
  try {
    return aRead();
  } catch (const Exception&) {
    return std::nullopt;
  }
}

void Expect(bool aHolds, const char* aPromise) {
  if (!aHolds)
    FuzzFinding(aPromise);
}

std::vector<std::u16string_view> LinesOf(std::u16string_view aText) {
  std::vector<std::u16string_view> lines;
  for (std::size_t start = 0;;) {
    const std::size_t end = aText.find(u'\n', start);
    lines.push_back(aText.substr(start, end - start));
    if (end == std::u16string_view::npos)
      return lines;
    start = end + 1;
  }
}

// ---- The node's own value ----

void ReadScalars(const TXmlNode& aNode, TXmlNode& aScratch) {
  aScratch.SetValueAsWidestring(aNode.ValueDirect());
  Expect(aScratch.ValueAsWidestring() == aNode.ValueDirect(), "text reads back as written");
  aNode.ValueAsString();

  if (const auto value = TryRead([&] { return aNode.ValueAsBool(); }))
    Expect(aNode.ValueAsBoolDef(!*value) == *value, "ValueAsBoolDef agrees with ValueAsBool");
  if (const auto value = TryRead([&] { return aNode.ValueAsInteger(); })) {
    Expect(aNode.ValueAsIntegerDef(~*value) == *value, "ValueAsIntegerDef agrees");
    aScratch.SetValueAsInteger(*value);
    Expect(aScratch.ValueAsInteger() == *value, "an integer reads back as written");
  }
  if (const auto value = TryRead([&] { return aNode.ValueAsInt64(); })) {
    Expect(aNode.ValueAsInt64Def(~*value) == *value, "ValueAsInt64Def agrees");
    aScratch.SetValueAsInt64(*value);
    Expect(aScratch.ValueAsInt64() == *value, "an int64 reads back as written");
  }
  if (TryRead([&] { return aNode.ValueAsFloat(); }))
    aNode.ValueAsFloatDef(0);
  if (const auto value = TryRead([&] { return aNode.ValueAsDateTime(); })) {
    Expect(aNode.ValueAsDateTimeDef({}) == *value, "ValueAsDateTimeDef agrees");
    aScratch.SetValueAsDateTime(*value);
    Expect(aScratch.ValueAsDateTime() == *value, "a date reads back as written");
  }
}

void ReadBinary(const TXmlNode& aNode, TXmlNode& aScratch, TBinaryEncodingType aEncoding) {
  aNode.Document()->SetBinaryEncoding(aEncoding);
  const auto length = TryRead([&] { return aNode.BufferLength(); });
  if (!length)
    return;
  Expect(*length >= 0, "a binary length is not negative");
  std::string bytes(static_cast<std::size_t>(*length), '\0');
  if (!TryRead([&] { return (aNode.BufferRead(bytes.data(), *length), true); }))
    return;
  aScratch.BufferWrite(bytes.data(), *length);
  std::string back(bytes.size(), '\0');
  aScratch.BufferRead(back.data(), *length);
  Expect(aScratch.BufferLength() == *length && back == bytes, "binary data reads back");
}

void ReadBinaryString(const TXmlNode& aNode, TXmlNode& aScratch) {
  if (const auto bytes = TryRead([&] { return aNode.BinaryString(); })) {
    aScratch.SetBinaryString(*bytes);
    Expect(aScratch.BinaryString() == *bytes, "a binary string reads back");
  }
}

// ---- Named children and drawing settings ----

void ReadChild(const TXmlNode& aParent, std::u16string_view aName) {
  aParent.ReadBool(aName);
  aParent.ReadInteger(aName);
  aParent.ReadInt64(aName);
  aParent.ReadFloat(aName);
  aParent.ReadString(aName);
  aParent.ReadDateTime(aName);
  TryRead([&] { return aParent.ReadColor(aName); });
}

// The members of a drawing setting take the text's lines in turn.
void AddMembers(TXmlNode& aParent, std::u16string_view aName,
                std::initializer_list<std::u16string_view> aMembers,
                const std::vector<std::u16string_view>& aLines) {
  TXmlNode* setting = aParent.NodeNew(aName);
  std::size_t line = 0;
  for (const std::u16string_view member : aMembers)
    setting->NodeNew(member)->SetValueDirect(std::u16string(aLines[line++ % aLines.size()]));
}

auto Members(const TXmlFont& aA) {
  return std::tie(aA.Name, aA.Color, aA.Size, aA.Bold, aA.Italic, aA.Underline, aA.Strikeout);
}
auto Members(const TXmlPen& aA) {
  return std::tie(aA.Color, aA.Mode, aA.Style, aA.Width);
}
auto Members(const TXmlBrush& aA) {
  return std::tie(aA.Color, aA.Style);
}

template <typename TSetting>
void ReadSetting(TXmlNode& aNode, TXmlNode& aScratch, std::u16string_view aName,
                 TSetting (TXmlNode::*aRead)(std::u16string_view) const,
                 void (TXmlNode::*aWrite)(std::u16string_view, const TSetting&)) {
  const auto setting = TryRead([&] { return (aNode.*aRead)(aName); });
  if (!setting)
    return;
  (aScratch.*aWrite)(aName, *setting);
  Expect(Members((aScratch.*aRead)(aName)) == Members(*setting), "a setting reads back");
}

void ReadSettings(TXmlNode& aNode, TXmlNode& aScratch,
                  const std::vector<std::u16string_view>& aLines) {
  AddMembers(aNode, u"Font",
             {u"Name", u"Color", u"Size", u"Bold", u"Italic", u"Underline", u"Strikeout"}, aLines);
  AddMembers(aNode, u"Pen", {u"Color", u"Mode", u"Style", u"Width"}, aLines);
  AddMembers(aNode, u"Brush", {u"Color", u"Style"}, aLines);
  ReadSetting(aNode, aScratch, u"Font", &TXmlNode::ReadFont, &TXmlNode::WriteFont);
  ReadSetting(aNode, aScratch, u"Pen", &TXmlNode::ReadPen, &TXmlNode::WritePen);
  ReadSetting(aNode, aScratch, u"Brush", &TXmlNode::ReadBrush, &TXmlNode::WriteBrush);
}

// ---- Attributes ----

// Each line is taken as a stored attribute line, exactly as the reader would keep it.
void ReadAttributeLines(TXmlNode& aNode, const std::vector<std::u16string_view>& aLines) {
  for (const std::u16string_view line : aLines)
    aNode.AttributeLineAdd(std::u16string(line));
  for (int32_t i = 0; i < aNode.AttributeCount(); ++i) {
    const std::u16string name = aNode.AttributeName(i);
    aNode.AttributeValue(i);
    aNode.AttributePair(i);
    aNode.AttributeValueAsInteger(i);
    aNode.AttributeByName(name);
    aNode.ReadAttributeBool(name);
    aNode.ReadAttributeInteger(name);
    aNode.ReadAttributeInt64(name);
    aNode.ReadAttributeFloat(name);
    aNode.ReadAttributeString(name);
  }
}

void ReadAttributeText(TXmlNode& aScratch, std::u16string_view aText) {
  aScratch.AttributeAdd(u"added", aText);
  aScratch.SetAttributeByName(u"set", aText);
  Expect(aScratch.AttributeByName(u"added") == aText && aScratch.AttributeValue(0) == aText &&
             aScratch.AttributeByName(u"set") == aText,
         "an attribute value reads back as written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  const std::u16string text = Utf8Decode(FuzzBytes(aData, aSize));
  const std::vector<std::u16string_view> lines = LinesOf(text);
  TXmlDocument document;
  // Binary values written in a readable layout are cut into indented lines.
  document.SetXmlFormat(xfReadable);
  TXmlNode& node = *document.Root()->NodeNew(u"value");
  TXmlNode& scratch = *document.Root()->NodeNew(u"scratch");
  node.SetValueDirect(text);

  ReadScalars(node, scratch);
  ReadBinary(node, scratch, xbeBinHex);
  ReadBinary(node, scratch, xbeBase64);
  ReadBinaryString(node, scratch);
  ReadChild(*document.Root(), u"value");
  ReadSettings(node, scratch, lines);
  ReadAttributeLines(node, lines);
  ReadAttributeText(scratch, text);
  return 0;
}
