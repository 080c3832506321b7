// TXmlNode's attribute lines: added, looked up by name, rewritten and removed.
#include "XmlAttributeLines.h"
#include "vbase/IntegerText.h"
#include "vxml/XmlDocument.h"

namespace vxml {

using vbase::IntToText;
using vbase::TryTextToInt;

// ---- TXmlNode: attribute lines ----

TXmlAttributeLines& TXmlNode::EnsureAttributes() {
  if (!FAttributes.Exists())
    TXmlLinesEdit::Create(FAttributes, *fStore, FDocument && FDocument->SortAttributes());
  return FAttributes;
}

TXmlAttributeLines* TXmlNode::LinesIfIndex(int32_t aIndex) const {
  if (aIndex < 0 || aIndex >= FAttributes.Count())
    return nullptr;
  return const_cast<TXmlAttributeLines*>(&FAttributes);
}

int32_t TXmlNode::AttributeCount() const {
  return FAttributes.Count();
}

void TXmlNode::AttributeAdd(std::u16string_view AName, std::u16string_view aValue) {
  static thread_local std::u16string line;
  line.assign(AName).append(u"=\"", 2);
  AppendEscaped(line, aValue);
  line += u'"';
  AttributeLineAdd(line);
}

void TXmlNode::AttributeAdd(std::u16string_view AName, int32_t aValue) {
  AttributeAdd(AName, IntToText(aValue));
}

void TXmlNode::AttributeLineAdd(std::u16string_view aLine) {
  // Short lines such as status="auto" repeat on most nodes of a kind: one copy serves them all.
  constexpr std::size_t SharedLineLimit = 16;
  if (aLine.size() <= SharedLineLimit)
    TXmlLinesEdit::AddKept(EnsureAttributes(), *fStore, *fStore->Intern(aLine));
  else
    TXmlLinesEdit::Add(EnsureAttributes(), *fStore, aLine);
}

std::u16string TXmlNode::AttributeByName(std::u16string_view AName) const {
  return UnescapeText(AttributeByNameDirect(AName));
}

std::u16string_view TXmlNode::AttributeByNameDirect(std::u16string_view AName) const {
  const int32_t index = AttributeIndexByName(AName);
  if (index < 0)
    return {};
  // Past the name and "=", then the two quotes go without being inspected.
  const std::u16string_view quoted = FAttributes.Line(index).substr(AName.size() + 1);
  if (quoted.size() < 2)
    return {};
  return quoted.substr(1, quoted.size() - 2);
}

void TXmlNode::SetAttributeByName(std::u16string_view AName, std::u16string_view aValue) {
  TXmlAttributeLines& lines = EnsureAttributes();
  std::u16string line(AName);
  line += u'=';
  line += QuoteText(EscapeText(aValue));
  const int32_t index = TXmlLinesEdit::IndexOfName(lines, AName);
  if (index >= 0)
    TXmlLinesEdit::Put(lines, *fStore, index, line);
  else
    TXmlLinesEdit::Add(lines, *fStore, line);
}

std::u16string TXmlNode::AttributeName(int32_t aIndex) const {
  const TXmlAttributeLines* lines = LinesIfIndex(aIndex);
  return lines ? std::u16string(TXmlLinesEdit::NamePart(lines->Line(aIndex))) : std::u16string();
}

void TXmlNode::SetAttributeName(int32_t aIndex, std::u16string_view aValue) {
  TXmlAttributeLines* lines = LinesIfIndex(aIndex);
  if (!lines)
    return;
  const std::u16string_view line = lines->Line(aIndex);
  const std::size_t equals = line.find(u'=');
  if (equals == std::u16string_view::npos)
    return;
  TXmlLinesEdit::Put(*lines, *fStore, aIndex, std::u16string(aValue).append(line.substr(equals)));
}

std::u16string TXmlNode::AttributePair(int32_t aIndex) const {
  const TXmlAttributeLines* lines = LinesIfIndex(aIndex);
  return lines ? std::u16string(lines->Line(aIndex)) : std::u16string();
}

std::u16string TXmlNode::AttributeValue(int32_t aIndex) const {
  const TXmlAttributeLines* lines = LinesIfIndex(aIndex);
  if (!lines)
    return {};
  const std::u16string_view line = lines->Line(aIndex);
  const std::size_t equals = line.find(u'=');
  if (equals == std::u16string_view::npos)
    return {};
  return UnescapeText(UnquoteText(line.substr(equals + 1)));
}

void TXmlNode::SetAttributeValue(int32_t aIndex, std::u16string_view aValue) {
  TXmlAttributeLines* lines = LinesIfIndex(aIndex);
  if (!lines)
    return;
  std::u16string line(TXmlLinesEdit::NamePart(lines->Line(aIndex)));
  line += u'=';
  line += QuoteText(EscapeText(aValue));
  TXmlLinesEdit::Put(*lines, *fStore, aIndex, line);
}

int32_t TXmlNode::AttributeValueAsInteger(int32_t aIndex) const {
  int32_t value = 0;
  return TryTextToInt(AttributeValue(aIndex), value) ? value : 0;
}

void TXmlNode::SetAttributeValueAsInteger(int32_t aIndex, int32_t aValue) {
  SetAttributeValue(aIndex, IntToText(aValue));
}

int32_t TXmlNode::AttributeIndexByName(std::u16string_view AName) const {
  return TXmlLinesEdit::IndexOfName(FAttributes, AName);
}

void TXmlNode::AttributeDelete(int32_t aIndex) {
  if (TXmlAttributeLines* lines = LinesIfIndex(aIndex))
    TXmlLinesEdit::Delete(*lines, *fStore, aIndex);
}

void TXmlNode::AttributeExchange(int32_t aIndex1, int32_t aIndex2) {
  if (aIndex1 == aIndex2 || !LinesIfIndex(aIndex1) || !LinesIfIndex(aIndex2))
    return;
  TXmlLinesEdit::Exchange(FAttributes, aIndex1, aIndex2);
}

void TXmlNode::AttributesClear() {
  TXmlLinesEdit::Clear(FAttributes, *fStore);
}

} // namespace vxml
