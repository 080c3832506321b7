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
  // The store a new node of ADocument holds: the document's, or a new one of its own without a
  // document. The caller takes over the hold.
  static TXmlStore* StoreFor(TXmlDocument* ADocument);
  static TXmlStore& StoreOf(const TXmlDocument& ADocument) { return *ADocument.FStore; }
  // A node cut from ADocument's store (a store of its own without a document).
  static std::unique_ptr<TXmlNode> New(TXmlDocument* ADocument);
  // A node for AParent's children, in AParent's store, named AName.
  static std::unique_ptr<TXmlNode> NewChild(TXmlNode& AParent, std::u16string_view AName);
  // Frees ANode wherever it was made; its whole subtree goes without recursion.
  static void Dispose(TXmlNode* ANode);
  // Destroys the children of ANode and all their descendants, without allocating.
  static void DestroyChildren(TXmlNode& ANode);
  // Frees ANode's own texts and arrays; the children must be gone.
  static void ReleaseStorage(TXmlNode& ANode);

  // Keep the store's count of loose nodes as AChild joins or leaves AParent's children.
  static void CountJoining(TXmlNode& AParent, TXmlNode& AChild) {
    if (AChild.FStore == AParent.FStore && AChild.FStoreNotes.InStore) {
      AChild.FStoreNotes.Anchored = true;
      AParent.FStore->CountLoose(-1);
    } else {
      AParent.FStore->CountLoose(1);
    }
  }
  static void CountLeaving(TXmlNode& AParent, TXmlNode& AChild) {
    if (AChild.FStoreNotes.Anchored) {
      AChild.FStoreNotes.Anchored = false;
      AParent.FStore->CountLoose(1);
    } else {
      AParent.FStore->CountLoose(-1);
    }
  }

  // Moves ASource's value into ATarget's, leaving ASource's empty.
  static void TakeValue(TXmlNode& ATarget, TXmlNode& ASource);

  // Destroys ADocument's top-level nodes, all at once where nothing else holds the store.
  static void DropTopLevel(TXmlDocument& ADocument);
  // Empties ADocument's top-level list and starts a new store for what comes next: what is left
  // of the old content lives on in the old one, so a document that is loaded or cleared again and
  // again does not pile up dead nodes.
  static void ClearTopLevel(TXmlDocument& ADocument);

private:
  static std::unique_ptr<TXmlNode> New(TXmlStore& AStore);
  // AParent's last child's name when it equals AName and lives in AParent's store; none otherwise.
  static const std::u16string* LastChildName(const TXmlNode& AParent, std::u16string_view AName);
  // Drops ANode's children at once, when they and AOtherHolders are all that hold its store and
  // its release follows; false, with nothing done, otherwise.
  static bool AbandonChildren(TXmlNode& ANode, int64_t AOtherHolders);
  // ANode follows AStore from now on; only for an empty node.
  static void RenewStore(TXmlNode& ANode, TXmlStore& AStore);
};

} // namespace vxml
