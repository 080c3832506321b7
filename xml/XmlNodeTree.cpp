// TXmlNode in its tree: its children joining and leaving, the lookups among them, copies of whole
// subtrees, and the node lists that searches fill.
#include "XmlAttributeLines.h"
#include "XmlNodeMemory.h"
#include "vxml/XmlDocument.h"

#include <algorithm>
#include <vector>

namespace vxml {

// ---- TXmlNodeList ----

int32_t TXmlNodeList::Add(TXmlNode* aNode) {
  fItems.push_back(aNode);
  return Count() - 1;
}

void TXmlNodeList::Insert(int32_t aIndex, TXmlNode* aNode) {
  fItems.insert(fItems.begin() + aIndex, aNode);
}

void TXmlNodeList::Delete(int32_t aIndex) {
  fItems.erase(fItems.begin() + aIndex);
}

void TXmlNodeList::Exchange(int32_t aIndex1, int32_t aIndex2) {
  std::swap(fItems[static_cast<std::size_t>(aIndex1)], fItems[static_cast<std::size_t>(aIndex2)]);
}

int32_t TXmlNodeList::IndexOf(const TXmlNode* aNode) const {
  const auto found = std::find(fItems.begin(), fItems.end(), aNode);
  return found == fItems.end() ? -1 : static_cast<int32_t>(found - fItems.begin());
}

// ---- TXmlNode: copies ----

namespace {

bool IsAncestorOrSelf(const TXmlNode* aAncestor, const TXmlNode* aNode) {
  for (; aNode; aNode = aNode->Parent())
    if (aNode == aAncestor)
      return true;
  return false;
}

} // namespace

void TXmlNode::Assign(const TPersistent* aSource) {
  if (const auto* node = dynamic_cast<const TXmlNode*>(aSource))
    AssignFromNode(*node);
  else if (const auto* document = dynamic_cast<const TXmlDocument*>(aSource))
    AssignFromNode(*document->RootNodeList());
  else
    TPersistent::Assign(aSource);
}

void TXmlNode::AssignFromNode(const TXmlNode& aSource) {
  // Within one subtree the copy would either destroy the source (clearing its ancestor) or
  // grow it while reading it (filling its descendant): copy it aside first.
  if (IsAncestorOrSelf(this, &aSource) || IsAncestorOrSelf(&aSource, this)) {
    TXmlNode copy(FDocument);
    copy.AssignFromNode(aSource);
    AssignFromNode(copy);
    return;
  }
  Clear();
  const auto copyOwnFields = [](TXmlNode& aTarget, const TXmlNode& aSource) {
    aTarget.FElementType = aSource.FElementType;
    aTarget.SetNameDirect(*aSource.FName);
    aTarget.FTag = aSource.FTag;
    TXmlTextEdit::CopyFrom(aTarget.FValue, *aTarget.fStore, aSource.FValue, *aSource.fStore);
    if (aSource.FAttributes.Exists()) {
      TXmlAttributeLines& lines = aTarget.EnsureAttributes();
      for (int32_t i = 0; i < aSource.FAttributes.Count(); ++i)
        TXmlLinesEdit::Add(lines, *aTarget.fStore, aSource.FAttributes.Line(i));
    }
  };
  // Depth first, each child with its subtree before the next one, on a work list: trees built
  // in code may be far deeper than the stack.
  struct TFrame {
    const TXmlNode* Source;
    TXmlNode* Target;
    int32_t NextChild;
  };
  copyOwnFields(*this, aSource);
  std::vector<TFrame> frames{{&aSource, this, 0}};
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

bool TXmlNode::CanTake(const TXmlNode& aNode) const {
  // A node in a document's tree has the document's container on top, which no one holds.
  return FDocument || !IsAncestorOrSelf(&aNode, this);
}

TXmlNode* TXmlNode::Attach(uint32_t aIndex, TXmlNode* aNode) {
  TXmlItemsEdit::Insert(FNodes, *fStore, aIndex, aNode); // the one step that may fail
  TXmlNodeMemory::CountJoining(*this, *aNode);
  aNode->FParent = this;
  aNode->FIndexInParentCache = static_cast<int32_t>(aIndex);
  aNode->ChangeDocument(FDocument);
  return aNode;
}

TXmlNode* TXmlNode::Detach(uint32_t aIndex) {
  TXmlNode* node = FNodes[aIndex];
  TXmlItemsEdit::Erase(FNodes, aIndex);
  TXmlNodeMemory::CountLeaving(*this, *node);
  node->FParent = nullptr;
  node->ChangeDocument(nullptr);
  return node;
}

int32_t TXmlNode::NodeAdd(std::unique_ptr<TXmlNode>&& aNode) {
  if (!aNode || !CanTake(*aNode))
    return -1;
  const int32_t index = NodeCount();
  Attach(static_cast<uint32_t>(index), aNode.get());
  aNode.release();
  return index;
}

void TXmlNode::NodeInsert(int32_t aIndex, std::unique_ptr<TXmlNode>&& aNode) {
  if (!aNode || aIndex < 0 || aIndex > NodeCount() || !CanTake(*aNode))
    return;
  Attach(static_cast<uint32_t>(aIndex), aNode.get());
  aNode.release();
}

TXmlNode* TXmlNode::NodeFindOrCreate(std::u16string_view AName) {
  TXmlNode* node = NodeByName(AName);
  return node ? node : NodeNew(AName);
}

void TXmlNode::NodeDelete(int32_t aIndex) {
  if (Nodes(aIndex))
    delete Detach(static_cast<uint32_t>(aIndex));
}

int32_t TXmlNode::NodeRemove(TXmlNode* aNode) {
  const int32_t index = NodeIndexOf(aNode);
  NodeDelete(index);
  return index;
}

std::unique_ptr<TXmlNode> TXmlNode::NodeExtract(TXmlNode* aNode) {
  const int32_t index = NodeIndexOf(aNode);
  if (index < 0)
    return nullptr;
  return std::unique_ptr<TXmlNode>(Detach(static_cast<uint32_t>(index)));
}

void TXmlNode::NodeExchange(int32_t aIndex1, int32_t aIndex2) {
  if (Nodes(aIndex1) && Nodes(aIndex2))
    std::swap(TXmlItemsEdit::Item(FNodes, static_cast<uint32_t>(aIndex1)),
              TXmlItemsEdit::Item(FNodes, static_cast<uint32_t>(aIndex2)));
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

void TXmlNode::ChangeDocument(TXmlDocument* aDocument) {
  // A subtree follows one document: where the top has it already, so has every node below.
  if (FDocument == aDocument)
    return;
  // Down the first children and on along the next siblings by the parent links, so that moving
  // a subtree needs no memory; the index caches on the way are set as they are passed.
  TXmlNode* node = this;
  for (;;) {
    node->FDocument = aDocument;
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

int32_t TXmlNode::NodeIndexOf(const TXmlNode* aNode) const {
  const auto found = std::find(FNodes.begin(), FNodes.end(), aNode);
  return found == FNodes.end() ? -1 : static_cast<int32_t>(found - FNodes.begin());
}

int32_t TXmlNode::NodeIndexByNameFrom(std::u16string_view AName, int32_t aFrom) const {
  for (int32_t i = std::max(aFrom, 0); i < NodeCount(); ++i)
    if (*FNodes[static_cast<uint32_t>(i)]->FName == AName)
      return i;
  return -1;
}

TXmlNode* TXmlNode::NodeByElementType(TXmlElementType aElementType) const {
  for (TXmlNode* node : FNodes)
    if (node->FElementType == aElementType)
      return node;
  return nullptr;
}

void TXmlNode::NodesByName(std::u16string_view AName, TXmlNodeList* aList) const {
  if (!aList)
    return;
  aList->Clear();
  for (TXmlNode* node : FNodes)
    if (*node->FName == AName)
      aList->Add(node);
}

} // namespace vxml
