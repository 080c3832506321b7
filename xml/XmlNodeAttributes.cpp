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
    TXmlLinesEdit::Create(FAttributes, *FStore, FDocument && FDocument->SortAttributes());
  return FAttributes;
}

TXmlAttributeLines* TXmlNode::LinesIfIndex(int32_t Index) const {
  if (Index < 0 || Index >= FAttributes.Count())
    return nullptr;
  return const_cast<TXmlAttributeLines*>(&FAttributes);
}

int32_t TXmlNode::AttributeCount() const {
  return FAttributes.Count();
}

void TXmlNode::AttributeAdd(std::u16string_view AName, std::u16string_view AValue) {
  static thread_local std::u16string line;
  line.assign(AName).append(u"=\"", 2);
  AppendEscaped(line, AValue);
  line += u'"';
  AttributeLineAdd(line);
}

void TXmlNode::AttributeAdd(std::u16string_view AName, int32_t AValue) {
  AttributeAdd(AName, IntToText(AValue));
}

void TXmlNode::AttributeLineAdd(std::u16string_view ALine) {
  // Short lines such as status="auto" repeat on most nodes of a kind: one copy serves them all.
  constexpr std::size_t SharedLineLimit = 16;
  if (ALine.size() <= SharedLineLimit)
    TXmlLinesEdit::AddKept(EnsureAttributes(), *FStore, *FStore->Intern(ALine));
  else
    TXmlLinesEdit::Add(EnsureAttributes(), *FStore, ALine);
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

void TXmlNode::SetAttributeByName(std::u16string_view AName, std::u16string_view Value) {
  TXmlAttributeLines& lines = EnsureAttributes();
  std::u16string line(AName);
  line += u'=';
  line += QuoteText(EscapeText(Value));
  const int32_t index = TXmlLinesEdit::IndexOfName(lines, AName);
  if (index >= 0)
    TXmlLinesEdit::Put(lines, *FStore, index, line);
  else
    TXmlLinesEdit::Add(lines, *FStore, line);
}

std::u16string TXmlNode::AttributeName(int32_t Index) const {
  const TXmlAttributeLines* lines = LinesIfIndex(Index);
  return lines ? std::u16string(TXmlLinesEdit::NamePart(lines->Line(Index))) : std::u16string();
}

void TXmlNode::SetAttributeName(int32_t Index, std::u16string_view Value) {
  TXmlAttributeLines* lines = LinesIfIndex(Index);
  if (!lines)
    return;
  const std::u16string_view line = lines->Line(Index);
  const std::size_t equals = line.find(u'=');
  if (equals == std::u16string_view::npos)
    return;
  TXmlLinesEdit::Put(*lines, *FStore, Index, std::u16string(Value).append(line.substr(equals)));
}

std::u16string TXmlNode::AttributePair(int32_t Index) const {
  const TXmlAttributeLines* lines = LinesIfIndex(Index);
  return lines ? std::u16string(lines->Line(Index)) : std::u16string();
}

std::u16string TXmlNode::AttributeValue(int32_t Index) const {
  const TXmlAttributeLines* lines = LinesIfIndex(Index);
  if (!lines)
    return {};
  const std::u16string_view line = lines->Line(Index);
  const std::size_t equals = line.find(u'=');
  if (equals == std::u16string_view::npos)
    return {};
  return UnescapeText(UnquoteText(line.substr(equals + 1)));
}

void TXmlNode::SetAttributeValue(int32_t Index, std::u16string_view Value) {
  TXmlAttributeLines* lines = LinesIfIndex(Index);
  if (!lines)
    return;
  std::u16string line(TXmlLinesEdit::NamePart(lines->Line(Index)));
  line += u'=';
  line += QuoteText(EscapeText(Value));
  TXmlLinesEdit::Put(*lines, *FStore, Index, line);
}

int32_t TXmlNode::AttributeValueAsInteger(int32_t Index) const {
  int32_t value = 0;
  return TryTextToInt(AttributeValue(Index), value) ? value : 0;
}

void TXmlNode::SetAttributeValueAsInteger(int32_t Index, int32_t Value) {
  SetAttributeValue(Index, IntToText(Value));
}

int32_t TXmlNode::AttributeIndexByName(std::u16string_view AName) const {
  return TXmlLinesEdit::IndexOfName(FAttributes, AName);
}

void TXmlNode::AttributeDelete(int32_t Index) {
  if (TXmlAttributeLines* lines = LinesIfIndex(Index))
    TXmlLinesEdit::Delete(*lines, *FStore, Index);
}

void TXmlNode::AttributeExchange(int32_t Index1, int32_t Index2) {
  if (Index1 == Index2 || !LinesIfIndex(Index1) || !LinesIfIndex(Index2))
    return;
  TXmlLinesEdit::Exchange(FAttributes, Index1, Index2);
}

void TXmlNode::AttributesClear() {
  TXmlLinesEdit::Clear(FAttributes, *FStore);
}

} // namespace vxml
