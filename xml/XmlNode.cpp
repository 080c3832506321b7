#include "XmlAttributeLines.h"
#include "XmlNodeMemory.h"
#include "vbase/IntegerText.h"
#include "vbase/Utf8.h"
#include "vxml/XmlDocument.h"

#include <algorithm>
#include <vector>

namespace vxml {

using vbase::EConvertError;
using vbase::Exception;
using vbase::IntToText;
using vbase::TryTextToInt;
using vbase::TryTextToInt64;
using vbase::Utf8Decode;
using vbase::Utf8Encode;

// ---- TXmlNodeList ----

int32_t TXmlNodeList::Add(TXmlNode* ANode) {
  FItems.push_back(ANode);
  return Count() - 1;
}

void TXmlNodeList::Insert(int32_t Index, TXmlNode* ANode) {
  FItems.insert(FItems.begin() + Index, ANode);
}

void TXmlNodeList::Delete(int32_t Index) {
  FItems.erase(FItems.begin() + Index);
}

void TXmlNodeList::Exchange(int32_t Index1, int32_t Index2) {
  std::swap(FItems[static_cast<std::size_t>(Index1)], FItems[static_cast<std::size_t>(Index2)]);
}

int32_t TXmlNodeList::IndexOf(const TXmlNode* ANode) const {
  const auto found = std::find(FItems.begin(), FItems.end(), ANode);
  return found == FItems.end() ? -1 : static_cast<int32_t>(found - FItems.begin());
}

// ---- TXmlNode: copies ----

namespace {

bool IsAncestorOrSelf(const TXmlNode* AAncestor, const TXmlNode* ANode) {
  for (; ANode; ANode = ANode->Parent())
    if (ANode == AAncestor)
      return true;
  return false;
}

} // namespace

void TXmlNode::Assign(const TPersistent* Source) {
  if (const auto* node = dynamic_cast<const TXmlNode*>(Source))
    AssignFromNode(*node);
  else if (const auto* document = dynamic_cast<const TXmlDocument*>(Source))
    AssignFromNode(*document->RootNodeList());
  else
    TPersistent::Assign(Source);
}

void TXmlNode::AssignFromNode(const TXmlNode& Source) {
  // Within one subtree the copy would either destroy the source (clearing its ancestor) or
  // grow it while reading it (filling its descendant): copy it aside first.
  if (IsAncestorOrSelf(this, &Source) || IsAncestorOrSelf(&Source, this)) {
    TXmlNode copy(FDocument);
    copy.AssignFromNode(Source);
    AssignFromNode(copy);
    return;
  }
  Clear();
  const auto copyOwnFields = [](TXmlNode& ATarget, const TXmlNode& ASource) {
    ATarget.FElementType = ASource.FElementType;
    ATarget.SetNameDirect(*ASource.FName);
    ATarget.FTag = ASource.FTag;
    TXmlTextEdit::CopyFrom(ATarget.FValue, *ATarget.FStore, ASource.FValue, *ASource.FStore);
    if (ASource.FAttributes.Exists()) {
      TXmlAttributeLines& lines = ATarget.EnsureAttributes();
      for (int32_t i = 0; i < ASource.FAttributes.Count(); ++i)
        TXmlLinesEdit::Add(lines, *ATarget.FStore, ASource.FAttributes.Line(i));
    }
  };
  // Depth first, each child with its subtree before the next one, on a work list: trees built
  // in code may be far deeper than the stack.
  struct TFrame {
    const TXmlNode* Source;
    TXmlNode* Target;
    int32_t NextChild;
  };
  copyOwnFields(*this, Source);
  std::vector<TFrame> frames{{&Source, this, 0}};
  while (!frames.empty()) {
    TFrame& frame = frames.back();
    if (frame.NextChild >= frame.Source->NodeCount()) {
      frames.pop_back();
      continue;
    }
    const TXmlNode* source = frame.Source->Nodes(frame.NextChild++);
    TXmlNode* target = frame.Target->NodeNew(u"");
    copyOwnFields(*target, *source);
    frames.push_back({source, target, 0});
  }
}

// ---- TXmlNode: name and values ----

void TXmlNode::SetName(std::u16string_view Value) {
  if (Value == *FName)
    return;
  for (const char16_t c : Value)
    if (IsXmlWhitespace(c))
      throw Exception(u"Illegal character in node name \"" + std::u16string(Value) + u"\"");
  SetNameDirect(Value);
}

void TXmlNode::SetNameDirect(std::u16string_view Value) {
  FName = Value.empty() ? &EmptyName : FStore->Intern(Value);
}

void TXmlNode::SetValueDirect(std::u16string_view Value) {
  TXmlTextEdit::Assign(FValue, *FStore, Value);
}

void TXmlNode::SetValueAsWidestring(std::u16string_view Value) {
  // One buffer serves every escape; the value takes a copy of the result.
  static thread_local std::u16string escaped;
  escaped.clear();
  AppendEscaped(escaped, Value);
  TXmlTextEdit::Assign(FValue, *FStore, escaped);
}

std::string TXmlNode::ValueAsString() const {
  return Utf8Encode(ValueAsWidestring());
}

void TXmlNode::SetValueAsString(std::string_view Value) {
  SetValueAsWidestring(Utf8Decode(Value));
}

bool TXmlNode::ValueAsBoolDef(bool ADefault) const {
  bool value = ADefault;
  return TryTextToBool(FValue.View(), value) ? value : ADefault;
}

namespace {

// ATryRead is the integer rule of TInt's width.
template <typename TInt>
TInt IntegerOrRaise(std::u16string_view AText, bool (*ATryRead)(std::u16string_view, TInt&)) {
  TInt value = 0;
  if (!ATryRead(AText, value))
    throw EConvertError(u"''" + std::u16string(AText) + u"'' is not a valid integer value");
  return value;
}

} // namespace

int32_t TXmlNode::ValueAsInteger() const {
  return IntegerOrRaise(FValue.View(), TryTextToInt);
}

int32_t TXmlNode::ValueAsIntegerDef(int32_t ADefault) const {
  int32_t value = 0;
  return TryTextToInt(FValue.View(), value) ? value : ADefault;
}

int64_t TXmlNode::ValueAsInt64() const {
  return IntegerOrRaise(FValue.View(), TryTextToInt64);
}

int64_t TXmlNode::ValueAsInt64Def(int64_t ADefault) const {
  int64_t value = 0;
  return TryTextToInt64(FValue.View(), value) ? value : ADefault;
}

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

// ---- TXmlNode: children ----

bool TXmlNode::CanTake(const TXmlNode& ANode) const {
  // A node in a document's tree has the document's container on top, which no one holds.
  return FDocument || !IsAncestorOrSelf(&ANode, this);
}

TXmlNode* TXmlNode::Attach(uint32_t AIndex, TXmlNode* ANode) {
  TXmlItemsEdit::Insert(FNodes, *FStore, AIndex, ANode); // the one step that may fail
  TXmlNodeMemory::CountJoining(*this, *ANode);
  ANode->FParent = this;
  ANode->FIndexInParentCache = static_cast<int32_t>(AIndex);
  ANode->ChangeDocument(FDocument);
  return ANode;
}

TXmlNode* TXmlNode::Detach(uint32_t AIndex) {
  TXmlNode* node = FNodes[AIndex];
  TXmlItemsEdit::Erase(FNodes, AIndex);
  TXmlNodeMemory::CountLeaving(*this, *node);
  node->FParent = nullptr;
  node->ChangeDocument(nullptr);
  return node;
}

int32_t TXmlNode::NodeAdd(std::unique_ptr<TXmlNode>&& ANode) {
  if (!ANode || !CanTake(*ANode))
    return -1;
  const int32_t index = NodeCount();
  Attach(static_cast<uint32_t>(index), ANode.get());
  ANode.release();
  return index;
}

void TXmlNode::NodeInsert(int32_t Index, std::unique_ptr<TXmlNode>&& ANode) {
  if (!ANode || Index < 0 || Index > NodeCount() || !CanTake(*ANode))
    return;
  Attach(static_cast<uint32_t>(Index), ANode.get());
  ANode.release();
}

TXmlNode* TXmlNode::NodeFindOrCreate(std::u16string_view AName) {
  TXmlNode* node = NodeByName(AName);
  return node ? node : NodeNew(AName);
}

void TXmlNode::NodeDelete(int32_t Index) {
  if (Nodes(Index))
    delete Detach(static_cast<uint32_t>(Index));
}

int32_t TXmlNode::NodeRemove(TXmlNode* ANode) {
  const int32_t index = NodeIndexOf(ANode);
  NodeDelete(index);
  return index;
}

std::unique_ptr<TXmlNode> TXmlNode::NodeExtract(TXmlNode* ANode) {
  const int32_t index = NodeIndexOf(ANode);
  if (index < 0)
    return nullptr;
  return std::unique_ptr<TXmlNode>(Detach(static_cast<uint32_t>(index)));
}

void TXmlNode::NodeExchange(int32_t Index1, int32_t Index2) {
  if (Nodes(Index1) && Nodes(Index2))
    std::swap(TXmlItemsEdit::Item(FNodes, static_cast<uint32_t>(Index1)),
              TXmlItemsEdit::Item(FNodes, static_cast<uint32_t>(Index2)));
}

void TXmlNode::NodesClear() {
  TXmlNodeMemory::DestroyChildren(*this);
}

void TXmlNode::Delete() {
  if (FParent)
    FParent->NodeRemove(this);
}

void TXmlNode::DeleteEmptyNodes() {
  // Children from the last to the first, each cleaned before it is judged, on a work list:
  // trees built in code may be far deeper than the stack.
  struct TFrame {
    TXmlNode* Node;
    int32_t Child; // the child being cleaned, counting down
  };
  std::vector<TFrame> frames{{this, NodeCount() - 1}};
  while (!frames.empty()) {
    const TFrame frame = frames.back();
    if (frame.Child >= 0) {
      TXmlNode* child = frame.Node->Nodes(frame.Child);
      frames.push_back({child, child->NodeCount() - 1});
      continue;
    }
    frames.pop_back();
    if (frames.empty())
      break;
    TFrame& parent = frames.back();
    if (parent.Node->Nodes(parent.Child)->IsEmpty())
      parent.Node->NodeDelete(parent.Child);
    --parent.Child;
  }
}

// ---- TXmlNode: lookups ----

TXmlNode* TXmlNode::NodeByName(std::u16string_view AName) const {
  for (TXmlNode* node : FNodes)
    if (*node->FName == AName)
      return node;
  return nullptr;
}

int32_t TXmlNode::NodeIndexOf(const TXmlNode* ANode) const {
  const auto found = std::find(FNodes.begin(), FNodes.end(), ANode);
  return found == FNodes.end() ? -1 : static_cast<int32_t>(found - FNodes.begin());
}

int32_t TXmlNode::NodeIndexByNameFrom(std::u16string_view AName, int32_t AFrom) const {
  for (int32_t i = std::max(AFrom, 0); i < NodeCount(); ++i)
    if (*FNodes[static_cast<uint32_t>(i)]->FName == AName)
      return i;
  return -1;
}

TXmlNode* TXmlNode::NodeByElementType(TXmlElementType AElementType) const {
  for (TXmlNode* node : FNodes)
    if (node->FElementType == AElementType)
      return node;
  return nullptr;
}

void TXmlNode::NodesByName(std::u16string_view AName, TXmlNodeList* AList) const {
  if (!AList)
    return;
  AList->Clear();
  for (TXmlNode* node : FNodes)
    if (*node->FName == AName)
      AList->Add(node);
}

// ---- TXmlNode: state and position ----

void TXmlNode::Clear() {
  FName = &EmptyName;
  TXmlTextEdit::Clear(FValue, *FStore);
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
std::u16string CascadedPart(const TXmlNode& ANode) {
  int32_t index = 0;
  if (!TryTextToInt(ANode.AttributeByName(u"Index"), index))
    index = 0;
  std::u16string digits = IntToText(index < 0 ? -int64_t(index) : index);
  if (digits.size() < 4)
    digits.insert(0, 4 - digits.size(), u'0');
  return ANode.Name() + (index < 0 ? u"-" : u"") + digits;
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

void TXmlNode::ChangeDocument(TXmlDocument* ADocument) {
  // A subtree follows one document: where the top has it already, so has every node below.
  if (FDocument == ADocument)
    return;
  // Down the first children and on along the next siblings by the parent links, so that moving
  // a subtree needs no memory; the index caches on the way are set as they are passed.
  TXmlNode* node = this;
  for (;;) {
    node->FDocument = ADocument;
    if (node->FNodes.Count() > 0) {
      node = node->FNodes[0];
      node->FIndexInParentCache = 0;
      continue;
    }
    for (;;) {
      if (node == this)
        return;
      TXmlNode* parent = node->FParent;
      const auto next = static_cast<uint32_t>(node->FIndexInParentCache) + 1;
      if (next < parent->FNodes.Count()) {
        node = parent->FNodes[next];
        node->FIndexInParentCache = static_cast<int32_t>(next);
        break;
      }
      node = parent;
    }
  }
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
