// TXmlNode's own fields: its name, its value and its typed views, its state and its place in the
// tree.
#include "XmlNodeMemory.h"
#include "vbase/IntegerText.h"
#include "vbase/Utf8.h"
#include "vxml/XmlDocument.h"

#include <vector>

namespace vxml {

using vbase::EConvertError;
using vbase::Exception;
using vbase::IntToText;
using vbase::TryTextToInt;
using vbase::TryTextToInt64;
using vbase::Utf8Decode;
using vbase::Utf8Encode;

// ---- TXmlNode: name and values ----

void TXmlNode::SetName(std::u16string_view aValue) {
  if (aValue == *FName)
    return;
  for (const char16_t c : aValue)
    if (IsXmlWhitespace(c))
      throw Exception(u"Illegal character in node name \"" + std::u16string(aValue) + u"\"");
  SetNameDirect(aValue);
}

void TXmlNode::SetNameDirect(std::u16string_view aValue) {
  FName = aValue.empty() ? &EmptyName : fStore->Intern(aValue);
}

void TXmlNode::SetValueDirect(std::u16string_view aValue) {
  TXmlTextEdit::Assign(FValue, *fStore, aValue);
}

void TXmlNode::SetValueAsWidestring(std::u16string_view aValue) {
  // One buffer serves every escape; the value takes a copy of the result.
  static thread_local std::u16string escaped;
  escaped.clear();
  AppendEscaped(escaped, aValue);
  TXmlTextEdit::Assign(FValue, *fStore, escaped);
}

std::string TXmlNode::ValueAsString() const {
  return Utf8Encode(ValueAsWidestring());
}

void TXmlNode::SetValueAsString(std::string_view aValue) {
  SetValueAsWidestring(Utf8Decode(aValue));
}

bool TXmlNode::ValueAsBoolDef(bool aDefault) const {
  bool value = aDefault;
  return TryTextToBool(FValue.View(), value) ? value : aDefault;
}

namespace {

// aTryRead is the integer rule of TInt's width.
template <typename TInt>
TInt IntegerOrRaise(std::u16string_view aText, bool (*aTryRead)(std::u16string_view, TInt&)) {
  TInt value = 0;
  if (!aTryRead(aText, value))
    throw EConvertError(u"''" + std::u16string(aText) + u"'' is not a valid integer value");
  return value;
}

} // namespace

int32_t TXmlNode::ValueAsInteger() const {
  return IntegerOrRaise(FValue.View(), TryTextToInt);
}

int32_t TXmlNode::ValueAsIntegerDef(int32_t aDefault) const {
  int32_t value = 0;
  return TryTextToInt(FValue.View(), value) ? value : aDefault;
}

int64_t TXmlNode::ValueAsInt64() const {
  return IntegerOrRaise(FValue.View(), TryTextToInt64);
}

int64_t TXmlNode::ValueAsInt64Def(int64_t aDefault) const {
  int64_t value = 0;
  return TryTextToInt64(FValue.View(), value) ? value : aDefault;
}

// ---- TXmlNode: state and position ----

void TXmlNode::Clear() {
  FName = &EmptyName;
  TXmlTextEdit::Clear(FValue, *fStore);
  AttributesClear();
  NodesClear();
}

bool TXmlNode::IsEmpty() const {
  return FValue.Empty() && NodeCount() == 0 && AttributeCount() == 0;
}

int32_t TXmlNode::IndexInParent() const {
  if (!FParent)
    return -1;
  if (FParent->Nodes(FIndexInParentCache) == this)
    return FIndexInParentCache;
  FIndexInParentCache = FParent->NodeIndexOf(this);
  return FIndexInParentCache;
}

int32_t TXmlNode::TreeDepth() const {
  int32_t depth = -1;
  for (const TXmlNode* node = FParent; node; node = node->FParent)
    ++depth;
  return depth;
}

int32_t TXmlNode::TotalNodeCount() const {
  int32_t count = 0;
  std::vector<const TXmlNode*> pending{this};
  while (!pending.empty()) {
    const TXmlNode* node = pending.back();
    pending.pop_back();
    count += node->NodeCount();
    pending.insert(pending.end(), node->FNodes.begin(), node->FNodes.end());
  }
  return count;
}

std::u16string TXmlNode::FullPath() const {
  // The names from the top-level ancestor down; the parentless container adds nothing.
  std::vector<const std::u16string*> names{FName};
  for (const TXmlNode* node = FParent; node && node->FParent; node = node->FParent)
    names.push_back(node->FName);
  std::u16string path;
  for (auto name = names.rbegin(); name != names.rend(); ++name)
    path.append(u"/").append(**name);
  return path;
}

namespace {

// A node's part of a cascaded name: its name, then its Index attribute in at least four digits.
std::u16string CascadedPart(const TXmlNode& aNode) {
  int32_t index = 0;
  if (!TryTextToInt(aNode.AttributeByName(u"Index"), index))
    index = 0;
  std::u16string digits = IntToText(index < 0 ? -int64_t(index) : index);
  if (digits.size() < 4)
    digits.insert(0, 4 - digits.size(), u'0');
  return aNode.Name() + (index < 0 ? u"-" : u"") + digits;
}

} // namespace

std::u16string TXmlNode::CascadedName() const {
  // The parts from the top ancestor down, joined by "_"; a loop, not recursion, as trees built
  // in code may be far deeper than the stack.
  std::vector<const TXmlNode*> line;
  for (const TXmlNode* node = this; node; node = node->FParent)
    line.push_back(node);
  std::u16string name = CascadedPart(*line.back());
  for (auto node = line.rbegin() + 1; node != line.rend(); ++node)
    name.append(u"_").append(CascadedPart(**node));
  return name;
}

bool TXmlNode::WriteOnDefault() const {
  return FDocument ? FDocument->WriteOnDefault() : true;
}

std::u16string TXmlNode::IndentText() const {
  if (!FDocument || FDocument->XmlFormat() == xfCompact)
    return {};
  std::u16string indent;
  for (int32_t level = TreeDepth(); level > 0; --level)
    indent += FDocument->IndentString();
  return indent;
}

} // namespace vxml
