#include "XmlNodeMemory.h"

#include "XmlAttributeLines.h"
#include "vbase/Characters.h"

namespace vxml {

// ---- TXmlNode: made and freed ----

TXmlNode::TXmlNode(TXmlStore* aStore, detail::TXmlStoreNotes aNotes)
    : fStore(aStore), FName(&EmptyName), fStoreNotes(aNotes) {
  fStore->CountLoose(1);
}

TXmlNode::TXmlNode(TXmlDocument* aDocument)
    : TXmlNode(TXmlNodeMemory::StoreFor(aDocument), detail::TXmlStoreNotes{}) {}

TXmlNode::~TXmlNode() {
  TXmlNodeMemory::DestroyChildren(*this);
  TXmlNodeMemory::ReleaseStorage(*this);
  if (!fStoreNotes.Anchored)
    fStore->CountLoose(-1);
  fStore->Release();
}

void TXmlNode::operator delete(TXmlNode* aNode, std::destroying_delete_t) {
  TXmlNodeMemory::Dispose(aNode);
}

// Here rather than with the other children's calls: the parser makes every node through NodeNew,
// which thus reaches NewChild without a call.
TXmlNode* TXmlNode::NodeNew(std::u16string_view AName) {
  auto node = TXmlNodeMemory::NewChild(*this, AName);
  Attach(FNodes.Count(), node.get());
  return node.release();
}

TXmlNode* TXmlNode::NodeNewAtIndex(int32_t aIndex, std::u16string_view AName) {
  if (aIndex < 0 || aIndex > NodeCount())
    return nullptr;
  auto node = TXmlNodeMemory::NewChild(*this, AName);
  Attach(static_cast<uint32_t>(aIndex), node.get());
  return node.release();
}

std::unique_ptr<TXmlNode> TXmlNode::CreateName(TXmlDocument* aDocument, std::u16string_view AName) {
  auto node = TXmlNodeMemory::New(aDocument);
  node->SetName(AName);
  return node;
}

std::unique_ptr<TXmlNode> TXmlNode::CreateNameValue(TXmlDocument* aDocument,
                                                    std::u16string_view AName,
                                                    std::u16string_view aValue) {
  auto node = CreateName(aDocument, AName);
  node->SetValueAsWidestring(aValue);
  return node;
}

std::unique_ptr<TXmlNode> TXmlNode::CreateType(TXmlDocument* aDocument, TXmlElementType aType) {
  auto node = TXmlNodeMemory::New(aDocument);
  node->FElementType = aType;
  return node;
}

// A parsed document holds millions of nodes: every byte here counts many times over.
static_assert(sizeof(TXmlNode) <= 96);

// ---- TXmlNodeMemory ----

TXmlStore* TXmlNodeMemory::StoreFor(TXmlDocument* aDocument) {
  if (!aDocument)
    return TXmlStore::Create();
  TXmlStore* store = aDocument->fStore;
  store->AddRef();
  return store;
}

std::unique_ptr<TXmlNode> TXmlNodeMemory::New(TXmlDocument* aDocument) {
  TXmlStore* store = StoreFor(aDocument);
  auto node = New(*store);
  store->Release();
  return node;
}

std::unique_ptr<TXmlNode> TXmlNodeMemory::New(TXmlStore& aStore) {
  void* memory = aStore.Allocate(sizeof(TXmlNode));
  aStore.AddRef();
  return std::unique_ptr<TXmlNode>(new (memory) TXmlNode(&aStore, {.InStore = true}));
}

std::unique_ptr<TXmlNode> TXmlNodeMemory::NewChild(TXmlNode& aParent, std::u16string_view AName) {
  // In the parent's store, not its document's: a detached tree has none.
  auto node = New(*aParent.fStore);
  if (const std::u16string* name = LastChildName(aParent, AName))
    node->FName = name;
  else if (!AName.empty()) // a new node has no name
    node->SetName(AName);
  return node;
}

const std::u16string* TXmlNodeMemory::LastChildName(const TXmlNode& aParent,
                                                    std::u16string_view AName) {
  // Children mostly repeat the name of the one before them: its interned copy, valid as a name
  // already, serves without a lookup in the store. A child from another store keeps its own.
  // The reader names its nodes after making them: an empty name needs no lookup anyway.
  if (AName.empty() || aParent.FNodes.Count() == 0)
    return nullptr;
  const TXmlNode* last = aParent.FNodes[aParent.FNodes.Count() - 1];
  return last->fStore == aParent.fStore && vbase::SameCodeUnits(*last->FName, AName) ? last->FName
                                                                                     : nullptr;
}

void TXmlNodeMemory::ReleaseStorage(TXmlNode& aNode) {
  TXmlItemsEdit::Release(aNode.FNodes, *aNode.fStore);
  TXmlLinesEdit::Clear(aNode.FAttributes, *aNode.fStore);
  TXmlTextEdit::Clear(aNode.FValue, *aNode.fStore);
}

void TXmlNodeMemory::Dispose(TXmlNode* aNode) {
  // The node's memory may belong to the store it releases last.
  TXmlStore* store = aNode->fStore;
  const bool inStore = aNode->fStoreNotes.InStore;
  store->AddRef();
  aNode->~TXmlNode();
  if (inStore)
    store->Free(aNode, sizeof(TXmlNode));
  else
    ::operator delete(aNode);
  store->Release();
}

void TXmlNodeMemory::DestroyChildren(TXmlNode& aNode) {
  // Depth first, the last child first, each taken off its parent before it is entered: the tree
  // is its own work list. A taken node's parent link, which nothing reads any more, leads back
  // up, so neither the depth of the tree nor a lack of memory can stop the teardown.
  TXmlNode* node = &aNode;
  for (;;) {
    if (node->FNodes.Count() > 0) {
      TXmlNode* child = TXmlItemsEdit::PopLast(node->FNodes);
      CountLeaving(*node, *child);
      node = child;
      continue;
    }
    if (node == &aNode)
      break;
    TXmlNode* parent = node->FParent;
    Dispose(node);
    node = parent;
  }
  TXmlItemsEdit::Release(aNode.FNodes, *aNode.fStore);
}

bool TXmlNodeMemory::AbandonChildren(TXmlNode& aNode, int64_t aOtherHolders) {
  // aNode alone loose: every other node of the store sits among the children of one of the
  // store's nodes and is cut from the store, so all of them lie below aNode, which tops them.
  // They need no destruction of their own, as everything they own lies in the store, which goes
  // next.
  TXmlStore& store = *aNode.fStore;
  if (aNode.fStoreNotes.Anchored || store.Loose() != 1)
    return false;
  store.Forget(store.Holders() - aOtherHolders);
  TXmlItemsEdit::Forget(aNode.FNodes);
  return true;
}

void TXmlNodeMemory::TakeValue(TXmlNode& aTarget, TXmlNode& aSource) {
  if (aTarget.fStore == aSource.fStore) {
    TXmlTextEdit::MoveFrom(aTarget.FValue, *aTarget.fStore, aSource.FValue);
    return;
  }
  TXmlTextEdit::Assign(aTarget.FValue, *aTarget.fStore, aSource.FValue.View());
  TXmlTextEdit::Clear(aSource.FValue, *aSource.fStore);
}

void TXmlNodeMemory::RenewStore(TXmlNode& aNode, TXmlStore& aStore) {
  aStore.AddRef();
  aStore.CountLoose(1);
  aNode.fStore->CountLoose(-1);
  aNode.fStore->Release();
  aNode.fStore = &aStore;
}

void TXmlNodeMemory::DropTopLevel(TXmlDocument& aDocument) {
  // The document and the container hold the store besides the nodes.
  if (!AbandonChildren(*aDocument.FRootNodes, 2))
    aDocument.FRootNodes->NodesClear();
}

void TXmlNodeMemory::ClearTopLevel(TXmlDocument& aDocument) {
  DropTopLevel(aDocument);
  aDocument.FRootNodes->Clear();
  TXmlStore* store = TXmlStore::Create();
  aDocument.fStore->Release();
  aDocument.fStore = store;
  RenewStore(*aDocument.FRootNodes, *store);
}

} // namespace vxml
