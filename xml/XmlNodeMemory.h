// Where a node's memory comes from and where it goes. Nodes are cut from their document's store
// (XmlStore.h) and each holds the store it was made in. The store counts its loose nodes, those
// not among the children of one of its own nodes: when a single one is left, it tops every other
// node of the store, and the whole tree can go with the store at once instead of node by node.
#pragma once

#include "XmlStore.h"
#include "vxml/XmlDocument.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vxml {

// The name of every node without one.
inline const std::u16string EmptyName;

class TXmlNodeMemory {
public:
  // The store a new node of aDocument holds: the document's, or a new one of its own without a
  // document. The caller takes over the hold.
  static TXmlStore* StoreFor(TXmlDocument* aDocument);
  static TXmlStore& StoreOf(const TXmlDocument& aDocument) { return *aDocument.fStore; }
  // A node cut from aDocument's store (a store of its own without a document).
  static std::unique_ptr<TXmlNode> New(TXmlDocument* aDocument);
  // A node for aParent's children, in aParent's store, named aName.
  static std::unique_ptr<TXmlNode> NewChild(TXmlNode& aParent, std::u16string_view AName);
  // Frees aNode wherever it was made; its whole subtree goes without recursion.
  static void Dispose(TXmlNode* aNode);
  // Destroys the children of aNode and all their descendants, without allocating.
  static void DestroyChildren(TXmlNode& aNode);
  // Frees aNode's own texts and arrays; the children must be gone.
  static void ReleaseStorage(TXmlNode& aNode);

  // Keep the store's count of loose nodes as aChild joins or leaves aParent's children.
  static void CountJoining(TXmlNode& aParent, TXmlNode& aChild) {
    if (aChild.fStore == aParent.fStore && aChild.fStoreNotes.InStore) {
      aChild.fStoreNotes.Anchored = true;
      aParent.fStore->CountLoose(-1);
    } else {
      aParent.fStore->CountLoose(1);
    }
  }
  static void CountLeaving(TXmlNode& aParent, TXmlNode& aChild) {
    if (aChild.fStoreNotes.Anchored) {
      aChild.fStoreNotes.Anchored = false;
      aParent.fStore->CountLoose(1);
    } else {
      aParent.fStore->CountLoose(-1);
    }
  }

  // Moves aSource's value into aTarget's, leaving aSource's empty.
  static void TakeValue(TXmlNode& aTarget, TXmlNode& aSource);

  // Destroys aDocument's top-level nodes, all at once where nothing else holds the store.
  static void DropTopLevel(TXmlDocument& aDocument);
  // Empties aDocument's top-level list and starts a new store for what comes next: what is left
  // of the old content lives on in the old one, so a document that is loaded or cleared again and
  // again does not pile up dead nodes.
  static void ClearTopLevel(TXmlDocument& aDocument);

private:
  static std::unique_ptr<TXmlNode> New(TXmlStore& aStore);
  // aParent's last child's name when it equals aName and lives in aParent's store; none otherwise.
  static const std::u16string* LastChildName(const TXmlNode& aParent, std::u16string_view AName);
  // Drops aNode's children at once, when they and aOtherHolders are all that hold its store and
  // its release follows; false, with nothing done, otherwise.
  static bool AbandonChildren(TXmlNode& aNode, int64_t aOtherHolders);
  // aNode follows aStore from now on; only for an empty node.
  static void RenewStore(TXmlNode& aNode, TXmlStore& aStore);
};

} // namespace vxml
