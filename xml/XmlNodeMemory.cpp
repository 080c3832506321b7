#include "XmlNodeMemory.h"

#include "XmlAttributeLines.h"
#include "vbase/Characters.h"

namespace vxml {

// ---- TXmlNode: made and freed ----

TXmlNode::TXmlNode(TXmlStore* AStore, detail::TXmlStoreNotes ANotes)
    : FStore(AStore), FName(&EmptyName), FStoreNotes(ANotes) {
  FStore->CountLoose(1);
}

TXmlNode::TXmlNode(TXmlDocument* ADocument)
    : TXmlNode(TXmlNodeMemory::StoreFor(ADocument), detail::TXmlStoreNotes{}) {}

TXmlNode::~TXmlNode() {
  TXmlNodeMemory::DestroyChildren(*this);
  TXmlNodeMemory::ReleaseStorage(*this);
  if (!FStoreNotes.Anchored)
    FStore->CountLoose(-1);
  FStore->Release();
}

void TXmlNode::operator delete(TXmlNode* ANode, std::destroying_delete_t) {
  TXmlNodeMemory::Dispose(ANode);
}

// Here rather than with the other children's calls: the parser makes every node through NodeNew,
// which thus reaches NewChild without a call.
TXmlNode* TXmlNode::NodeNew(std::u16string_view AName) {
  auto node = TXmlNodeMemory::NewChild(*this, AName);
  Attach(FNodes.Count(), node.get());
  return node.release();
}

TXmlNode* TXmlNode::NodeNewAtIndex(int32_t Index, std::u16string_view AName) {
  if (Index < 0 || Index > NodeCount())
    return nullptr;
  auto node = TXmlNodeMemory::NewChild(*this, AName);
  Attach(static_cast<uint32_t>(Index), node.get());
  return node.release();
}

std::unique_ptr<TXmlNode> TXmlNode::CreateName(TXmlDocument* ADocument, std::u16string_view AName) {
  auto node = TXmlNodeMemory::New(ADocument);
  node->SetName(AName);
  return node;
}

std::unique_ptr<TXmlNode> TXmlNode::CreateNameValue(TXmlDocument* ADocument,
                                                    std::u16string_view AName,
                                                    std::u16string_view AValue) {
  auto node = CreateName(ADocument, AName);
  node->SetValueAsWidestring(AValue);
  return node;
}

std::unique_ptr<TXmlNode> TXmlNode::CreateType(TXmlDocument* ADocument, TXmlElementType AType) {
  auto node = TXmlNodeMemory::New(ADocument);
  node->FElementType = AType;
  return node;
}

// A parsed document holds millions of nodes: every byte here counts many times over.
static_assert(sizeof(TXmlNode) <= 96);

// ---- TXmlNodeMemory ----

TXmlStore* TXmlNodeMemory::StoreFor(TXmlDocument* ADocument) {
  if (!ADocument)
    return TXmlStore::Create();
  TXmlStore* store = ADocument->FStore;
  store->AddRef();
  return store;
}

std::unique_ptr<TXmlNode> TXmlNodeMemory::New(TXmlDocument* ADocument) {
  TXmlStore* store = StoreFor(ADocument);
  auto node = New(*store);
  store->Release();
  return node;
}

std::unique_ptr<TXmlNode> TXmlNodeMemory::New(TXmlStore& AStore) {
  void* memory = AStore.Allocate(sizeof(TXmlNode));
  AStore.AddRef();
  return std::unique_ptr<TXmlNode>(new (memory) TXmlNode(&AStore, {.InStore = true}));
}

std::unique_ptr<TXmlNode> TXmlNodeMemory::NewChild(TXmlNode& AParent, std::u16string_view AName) {
  // In the parent's store, not its document's: a detached tree has none.
  auto node = New(*AParent.FStore);
  if (const std::u16string* name = LastChildName(AParent, AName))
    node->FName = name;
  else if (!AName.empty()) // a new node has no name
    node->SetName(AName);
  return node;
}

const std::u16string* TXmlNodeMemory::LastChildName(const TXmlNode& AParent,
                                                    std::u16string_view AName) {
  // Children mostly repeat the name of the one before them: its interned copy, valid as a name
  // already, serves without a lookup in the store. A child from another store keeps its own.
  // The reader names its nodes after making them: an empty name needs no lookup anyway.
  if (AName.empty() || AParent.FNodes.Count() == 0)
    return nullptr;
  const TXmlNode* last = AParent.FNodes[AParent.FNodes.Count() - 1];
  return last->FStore == AParent.FStore && vbase::SameCodeUnits(*last->FName, AName) ? last->FName
                                                                                     : nullptr;
}

void TXmlNodeMemory::ReleaseStorage(TXmlNode& ANode) {
  TXmlItemsEdit::Release(ANode.FNodes, *ANode.FStore);
  TXmlLinesEdit::Clear(ANode.FAttributes, *ANode.FStore);
  TXmlTextEdit::Clear(ANode.FValue, *ANode.FStore);
}

void TXmlNodeMemory::Dispose(TXmlNode* ANode) {
  // The node's memory may belong to the store it releases last.
  TXmlStore* store = ANode->FStore;
  const bool inStore = ANode->FStoreNotes.InStore;
  store->AddRef();
  ANode->~TXmlNode();
  if (inStore)
    store->Free(ANode, sizeof(TXmlNode));
  else
    ::operator delete(ANode);
  store->Release();
}

void TXmlNodeMemory::DestroyChildren(TXmlNode& ANode) {
  // Depth first, the last child first, each taken off its parent before it is entered: the tree
  // is its own work list. A taken node's parent link, which nothing reads any more, leads back
  // up, so neither the depth of the tree nor a lack of memory can stop the teardown.
  TXmlNode* node = &ANode;
  for (;;) {
    if (node->FNodes.Count() > 0) {
      TXmlNode* child = TXmlItemsEdit::PopLast(node->FNodes);
      CountLeaving(*node, *child);
      node = child;
      continue;
    }
    if (node == &ANode)
      break;
    TXmlNode* parent = node->FParent;
    Dispose(node);
    node = parent;
  }
  TXmlItemsEdit::Release(ANode.FNodes, *ANode.FStore);
}

bool TXmlNodeMemory::AbandonChildren(TXmlNode& ANode, int64_t AOtherHolders) {
  // ANode alone loose: every other node of the store sits among the children of one of the
  // store's nodes and is cut from the store, so all of them lie below ANode, which tops them.
  // They need no destruction of their own, as everything they own lies in the store, which goes
  // next.
  TXmlStore& store = *ANode.FStore;
  if (ANode.FStoreNotes.Anchored || store.Loose() != 1)
    return false;
  store.Forget(store.Holders() - AOtherHolders);
  TXmlItemsEdit::Forget(ANode.FNodes);
  return true;
}

void TXmlNodeMemory::TakeValue(TXmlNode& ATarget, TXmlNode& ASource) {
  if (ATarget.FStore == ASource.FStore) {
    TXmlTextEdit::MoveFrom(ATarget.FValue, *ATarget.FStore, ASource.FValue);
    return;
  }
  TXmlTextEdit::Assign(ATarget.FValue, *ATarget.FStore, ASource.FValue.View());
  TXmlTextEdit::Clear(ASource.FValue, *ASource.FStore);
}

void TXmlNodeMemory::RenewStore(TXmlNode& ANode, TXmlStore& AStore) {
  AStore.AddRef();
  AStore.CountLoose(1);
  ANode.FStore->CountLoose(-1);
  ANode.FStore->Release();
  ANode.FStore = &AStore;
}

void TXmlNodeMemory::DropTopLevel(TXmlDocument& ADocument) {
  // The document and the container hold the store besides the nodes.
  if (!AbandonChildren(*ADocument.FRootNodes, 2))
    ADocument.FRootNodes->NodesClear();
}

void TXmlNodeMemory::ClearTopLevel(TXmlDocument& ADocument) {
  DropTopLevel(ADocument);
  ADocument.FRootNodes->Clear();
  TXmlStore* store = TXmlStore::Create();
  ADocument.FStore->Release();
  ADocument.FStore = store;
  RenewStore(*ADocument.FRootNodes, *store);
}

} // namespace vxml
