// The storage behind a document's nodes: large blocks that nodes, child arrays, attribute lines
// and values are cut from, the decoded text that parsed values stay views into, and the names,
// each stored once. It lives as long as anything cut from it: the document holds it, and every
// node holds the store it was made in, so a node extracted from or moved out of its document
// stays valid after that document is gone. The layer's own: users see only the read-only fields
// of the node.
#pragma once

#include "vbase/Characters.h"
#include "vxml/detail/XmlNodeFields.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace vxml {

// The node's stored fields, by their short names inside the layer.
using detail::TXmlAttributeLines;
using detail::TXmlItems;
using detail::TXmlStoredText;

class TXmlStore {
public:
  // A new store with one holder (the caller).
  static TXmlStore* Create() { return new TXmlStore; }
  TXmlStore(const TXmlStore&) = delete;
  TXmlStore& operator=(const TXmlStore&) = delete;

  void AddRef() { ++fRefs; }
  int64_t Holders() const { return fRefs; }
  // Nodes holding the store that are not among the children of a node of the store, plus the
  // places among those children taken by nodes of other stores or not cut from this one. When it
  // is one, the node it counts tops every node of the store, with no stranger among them.
  int64_t Loose() const { return fLoose; }
  void CountLoose(int64_t aChange) { fLoose += aChange; }
  // Holders that go without releasing one by one; the store stays with at least one.
  void Forget(int64_t aHolders) { fRefs -= aHolders; }
  // The last holder frees every block at once.
  void Release() {
    if (--fRefs == 0)
      delete this;
  }

  // Memory aligned for pointers; Free hands a block back for reuse by a request of its size or,
  // cut in two, of a smaller one.
  void* Allocate(std::size_t aBytes);
  void Free(void* aBlock, std::size_t aBytes);

  // The one copy of a name.
  const std::u16string* Intern(std::u16string_view AName);

  // Keeps aText alive with the store: views into it stay valid as long as the store.
  std::u16string& Adopt(std::u16string aText);

  // A parser passing over text the store keeps moves the values it keeps down into the text
  // from aNext on; the room between them and the limit, which the parser raises past text it no
  // longer needs, serves allocations as well, so that the parsed tree and the text share pages.
  void LendText(char16_t* aNext) {
    fLentNext = reinterpret_cast<char*>(aNext);
    fLentLimit = fLentNext;
  }
  void RaiseLentLimit(const char16_t* aLimit) {
    fLentLimit = reinterpret_cast<const char*>(aLimit);
  }
  // Whether aText lies where MoveIntoLentText may take it from.
  bool AboveLentText(std::u16string_view aText) const {
    return fLentNext && reinterpret_cast<std::uintptr_t>(aText.data()) >=
                            reinterpret_cast<std::uintptr_t>(fLentNext);
  }
  // Moves aText, which lies at or above the lent room, down to its start.
  std::u16string_view MoveIntoLentText(std::u16string_view aText);
  // Ends the loan; returns where the lent text's use ends.
  const void* EndLoan();

private:
  TXmlStore() = default;
  ~TXmlStore();

  void PushFree(void* aBlock, std::size_t aList);
  void* PopFree(std::size_t aList);
  // A freed block larger than aBytes, cut down to them, or none.
  void* CutLargerFree(std::size_t aBytes);

  struct THash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view aText) const {
      return std::hash<std::u16string_view>()(aText);
    }
  };
  struct TEqual {
    using is_transparent = void;
    bool operator()(std::u16string_view aA, std::u16string_view aB) const {
      return vbase::SameCodeUnits(aA, aB);
    }
  };

  static constexpr std::size_t Alignment = alignof(void*);
  // Freed blocks up to this size wait in a list per size; larger ones stay until the store goes.
  static constexpr std::size_t ReusedLimit = 1024;
  static constexpr std::size_t FreeListCount = ReusedLimit / Alignment + 1;
  static constexpr std::size_t FreeListWords = (FreeListCount + 63) / 64;
  static constexpr std::size_t MaxBlockSize = 8 << 20;

  struct TBlock {
    void* Memory;
    std::size_t Size;
  };

  int64_t fRefs = 1;
  int64_t fLoose = 0;
  char* fNext = nullptr;
  char* fLimit = nullptr;
  char* fLentNext = nullptr;
  const char* fLentLimit = nullptr;
  std::size_t fBlockSize = 16 * 1024;
  std::vector<TBlock> fBlocks;
  void* fFreeLists[FreeListCount] = {};
  // One bit per free list that holds a block.
  uint64_t fFreeListsHeld[FreeListWords] = {};
  std::unordered_set<std::u16string, THash, TEqual> fNames;
  static constexpr std::size_t RecentNames = 61;
  const std::u16string* fRecentNames[RecentNames] = {};
  std::vector<std::u16string> fTexts;
};

// Gives the memory pages that lie wholly inside [aFirst, aLast) back to the system; reading them
// afterwards gives zeros. Where the system has no such call, nothing happens.
void ReleaseWholePages(const void* AFirst, const void* aLast);
// Asks for huge pages for the huge pages that lie wholly inside [aFirst, aLast): a big text or
// block then costs a fraction of the page faults. Where the system has no such call, nothing
// happens.
void AdviseHugePages(const void* AFirst, const void* aLast);

// Fills, rewrites and frees the texts a node keeps (TXmlStoredText). A text is either a view into
// text the store keeps, or a copy owned by its holder, which a later text needing the same memory
// overwrites in place.
class TXmlTextEdit {
public:
  // Copies aText, which may point into aText's target.
  static void Assign(TXmlStoredText& aText, TXmlStore& aStore, std::u16string_view aSource);
  // Refers to aSource, which must live as long as aStore, without copying it.
  static void Refer(TXmlStoredText& aText, TXmlStore& aStore, std::u16string_view aSource);
  // As Assign from aSource, but a view that aSource shares from the same store stays shared.
  static void CopyFrom(TXmlStoredText& aText, TXmlStore& aStore, const TXmlStoredText& aSource,
                       const TXmlStore& aSourceStore);
  static void Clear(TXmlStoredText& aText, TXmlStore& aStore);
  // Keeps the first ALength code units.
  static void Truncate(TXmlStoredText& aText, uint32_t ALength) {
    aText.fSize = (aText.fSize & TXmlStoredText::OwnedMark) | ALength;
  }
  // Takes over aSource's text, which is left empty.
  static void MoveFrom(TXmlStoredText& aText, TXmlStore& aStore, TXmlStoredText& aSource);
};

// Grows, shrinks and frees the counted arrays a node keeps (TXmlItems), whose count and capacity
// sit in front of the items.
class TXmlItemsEdit {
public:
  template <typename T> static T& Item(TXmlItems<T>& aItems, uint32_t aIndex) {
    return aItems.Items()[aIndex];
  }
  template <typename T> static void Create(TXmlItems<T>& aItems, TXmlStore& aStore, bool aFlag) {
    if (!aItems.fHeader)
      Grow(aItems, aStore, MinimumCapacity);
    aItems.fHeader->Flag = aFlag;
  }
  template <typename T>
  static void Insert(TXmlItems<T>& aItems, TXmlStore& aStore, uint32_t aIndex, const T& aItem) {
    auto*& header = aItems.fHeader;
    if (!header || header->Count == header->Capacity)
      Grow(aItems, aStore, header ? 2 * header->Capacity : MinimumCapacity);
    T* items = aItems.Items();
    std::copy_backward(items + aIndex, items + header->Count, items + header->Count + 1);
    items[aIndex] = aItem;
    ++header->Count;
  }
  template <typename T> static void Add(TXmlItems<T>& aItems, TXmlStore& aStore, const T& aItem) {
    Insert(aItems, aStore, aItems.Count(), aItem);
  }
  template <typename T> static void Erase(TXmlItems<T>& aItems, uint32_t aIndex) {
    T* items = aItems.Items();
    std::copy(items + aIndex + 1, items + aItems.fHeader->Count, items + aIndex);
    --aItems.fHeader->Count;
  }
  // Takes the last item off, which the array must have.
  template <typename T> static T PopLast(TXmlItems<T>& aItems) {
    return aItems.Items()[--aItems.fHeader->Count];
  }
  template <typename T> static void Release(TXmlItems<T>& aItems, TXmlStore& aStore) {
    if (aItems.fHeader)
      aStore.Free(aItems.fHeader, BytesFor<T>(aItems.fHeader->Capacity));
    aItems.fHeader = nullptr;
  }
  // Empty again without handing the memory back: for arrays whose store goes next.
  template <typename T> static void Forget(TXmlItems<T>& aItems) { aItems.fHeader = nullptr; }

private:
  // Most elements have one attribute or child, or a few: arrays start small and double.
  static constexpr uint32_t MinimumCapacity = 1;

  template <typename T> static std::size_t BytesFor(uint32_t aCapacity) {
    return sizeof(typename TXmlItems<T>::THeader) + aCapacity * sizeof(T);
  }

  template <typename T>
  static void Grow(TXmlItems<T>& aItems, TXmlStore& aStore, uint32_t aCapacity) {
    using THeader = typename TXmlItems<T>::THeader;
    auto* header = static_cast<THeader*>(aStore.Allocate(BytesFor<T>(aCapacity)));
    header->Count = 0;
    header->Capacity = aCapacity;
    header->Flag = false;
    if (THeader* old = aItems.fHeader) {
      std::copy(aItems.Items(), aItems.Items() + old->Count, reinterpret_cast<T*>(header + 1));
      header->Count = old->Count;
      header->Flag = old->Flag;
      aStore.Free(old, BytesFor<T>(old->Capacity));
    }
    aItems.fHeader = header;
  }
};

} // namespace vxml
