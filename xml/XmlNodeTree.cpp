// TXmlNode in its tree: its children joining and leaving, the lookups among them, copies of whole
// subtrees, and the node lists that searches fill.
#include "XmlAttributeLines.h"
#include "XmlNodeMemory.h"
#include "vxml/XmlDocument.h"

#include <algorithm>
#include <vector>

namespace vxml {

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

} // namespace vxml
