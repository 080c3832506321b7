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

  void AddRef() { ++FRefs; }
  int64_t Holders() const { return FRefs; }
  // Nodes holding the store that are not among the children of a node of the store, plus the
  // places among those children taken by nodes of other stores or not cut from this one. When it
  // is one, the node it counts tops every node of the store, with no stranger among them.
  int64_t Loose() const { return FLoose; }
  void CountLoose(int64_t AChange) { FLoose += AChange; }
  // Holders that go without releasing one by one; the store stays with at least one.
  void Forget(int64_t AHolders) { FRefs -= AHolders; }
  // The last holder frees every block at once.
  void Release() {
    if (--FRefs == 0)
      delete this;
  }

  // Memory aligned for pointers; Free hands a block back for reuse by a request of its size or,
  // cut in two, of a smaller one.
  void* Allocate(std::size_t ABytes);
  void Free(void* ABlock, std::size_t ABytes);

  // The one copy of a name.
  const std::u16string* Intern(std::u16string_view AName);

  // Keeps AText alive with the store: views into it stay valid as long as the store.
  std::u16string& Adopt(std::u16string AText);

  // A parser passing over text the store keeps moves the values it keeps down into the text
  // from ANext on; the room between them and the limit, which the parser raises past text it no
  // longer needs, serves allocations as well, so that the parsed tree and the text share pages.
  void LendText(char16_t* ANext) {
    FLentNext = reinterpret_cast<char*>(ANext);
    FLentLimit = FLentNext;
  }
  void RaiseLentLimit(const char16_t* ALimit) {
    FLentLimit = reinterpret_cast<const char*>(ALimit);
  }
  // Whether AText lies where MoveIntoLentText may take it from.
  bool AboveLentText(std::u16string_view AText) const {
    return FLentNext && reinterpret_cast<std::uintptr_t>(AText.data()) >=
                            reinterpret_cast<std::uintptr_t>(FLentNext);
  }
  // Moves AText, which lies at or above the lent room, down to its start.
  std::u16string_view MoveIntoLentText(std::u16string_view AText);
  // Ends the loan; returns where the lent text's use ends.
  const void* EndLoan();

private:
  TXmlStore() = default;
  ~TXmlStore();

  void PushFree(void* ABlock, std::size_t AList);
  void* PopFree(std::size_t AList);
  // A freed block larger than ABytes, cut down to them, or none.
  void* CutLargerFree(std::size_t ABytes);

  struct THash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view AText) const {
      return std::hash<std::u16string_view>()(AText);
    }
  };
  struct TEqual {
    using is_transparent = void;
    bool operator()(std::u16string_view A, std::u16string_view B) const {
      return vbase::SameCodeUnits(A, B);
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

  int64_t FRefs = 1;
  int64_t FLoose = 0;
  char* FNext = nullptr;
  char* FLimit = nullptr;
  char* FLentNext = nullptr;
  const char* FLentLimit = nullptr;
  std::size_t FBlockSize = 16 * 1024;
  std::vector<TBlock> FBlocks;
  void* FFreeLists[FreeListCount] = {};
  // One bit per free list that holds a block.
  uint64_t FFreeListsHeld[FreeListWords] = {};
  std::unordered_set<std::u16string, THash, TEqual> FNames;
  static constexpr std::size_t RecentNames = 61;
  const std::u16string* FRecentNames[RecentNames] = {};
  std::vector<std::u16string> FTexts;
};

// Gives the memory pages that lie wholly inside [AFirst, ALast) back to the system; reading them
// afterwards gives zeros. Where the system has no such call, nothing happens.
void ReleaseWholePages(const void* AFirst, const void* ALast);
// Asks for huge pages for the huge pages that lie wholly inside [AFirst, ALast): a big text or
// block then costs a fraction of the page faults. Where the system has no such call, nothing
// happens.
void AdviseHugePages(const void* AFirst, const void* ALast);

// Fills, rewrites and frees the texts a node keeps (TXmlStoredText). A text is either a view into
// text the store keeps, or a copy owned by its holder, which a later text needing the same memory
// overwrites in place.
class TXmlTextEdit {
public:
  // Copies AText, which may point into AText's target.
  static void Assign(TXmlStoredText& AText, TXmlStore& AStore, std::u16string_view ASource);
  // Refers to ASource, which must live as long as AStore, without copying it.
  static void Refer(TXmlStoredText& AText, TXmlStore& AStore, std::u16string_view ASource);
  // As Assign from ASource, but a view that ASource shares from the same store stays shared.
  static void CopyFrom(TXmlStoredText& AText, TXmlStore& AStore, const TXmlStoredText& ASource,
                       const TXmlStore& ASourceStore);
  static void Clear(TXmlStoredText& AText, TXmlStore& AStore);
  // Keeps the first ALength code units.
  static void Truncate(TXmlStoredText& AText, uint32_t ALength) {
    AText.FSize = (AText.FSize & TXmlStoredText::OwnedMark) | ALength;
  }
  // Takes over ASource's text, which is left empty.
  static void MoveFrom(TXmlStoredText& AText, TXmlStore& AStore, TXmlStoredText& ASource);
};

// Grows, shrinks and frees the counted arrays a node keeps (TXmlItems), whose count and capacity
// sit in front of the items.
class TXmlItemsEdit {
public:
  template <typename T> static T& Item(TXmlItems<T>& AItems, uint32_t AIndex) {
    return AItems.Items()[AIndex];
  }
  template <typename T> static void Create(TXmlItems<T>& AItems, TXmlStore& AStore, bool AFlag) {
    if (!AItems.FHeader)
      Grow(AItems, AStore, MinimumCapacity);
    AItems.FHeader->Flag = AFlag;
  }
  template <typename T>
  static void Insert(TXmlItems<T>& AItems, TXmlStore& AStore, uint32_t AIndex, const T& AItem) {
    auto*& header = AItems.FHeader;
    if (!header || header->Count == header->Capacity)
      Grow(AItems, AStore, header ? 2 * header->Capacity : MinimumCapacity);
    T* items = AItems.Items();
    std::copy_backward(items + AIndex, items + header->Count, items + header->Count + 1);
    items[AIndex] = AItem;
    ++header->Count;
  }
  template <typename T> static void Add(TXmlItems<T>& AItems, TXmlStore& AStore, const T& AItem) {
    Insert(AItems, AStore, AItems.Count(), AItem);
  }
  template <typename T> static void Erase(TXmlItems<T>& AItems, uint32_t AIndex) {
    T* items = AItems.Items();
    std::copy(items + AIndex + 1, items + AItems.FHeader->Count, items + AIndex);
    --AItems.FHeader->Count;
  }
  // Takes the last item off, which the array must have.
  template <typename T> static T PopLast(TXmlItems<T>& AItems) {
    return AItems.Items()[--AItems.FHeader->Count];
  }
  template <typename T> static void Release(TXmlItems<T>& AItems, TXmlStore& AStore) {
    if (AItems.FHeader)
      AStore.Free(AItems.FHeader, BytesFor<T>(AItems.FHeader->Capacity));
    AItems.FHeader = nullptr;
  }
  // Empty again without handing the memory back: for arrays whose store goes next.
  template <typename T> static void Forget(TXmlItems<T>& AItems) { AItems.FHeader = nullptr; }

private:
  // Most elements have one attribute or child, or a few: arrays start small and double.
  static constexpr uint32_t MinimumCapacity = 1;

  template <typename T> static std::size_t BytesFor(uint32_t ACapacity) {
    return sizeof(typename TXmlItems<T>::THeader) + ACapacity * sizeof(T);
  }

  template <typename T>
  static void Grow(TXmlItems<T>& AItems, TXmlStore& AStore, uint32_t ACapacity) {
    using THeader = typename TXmlItems<T>::THeader;
    auto* header = static_cast<THeader*>(AStore.Allocate(BytesFor<T>(ACapacity)));
    header->Count = 0;
    header->Capacity = ACapacity;
    header->Flag = false;
    if (THeader* old = AItems.FHeader) {
      std::copy(AItems.Items(), AItems.Items() + old->Count, reinterpret_cast<T*>(header + 1));
      header->Count = old->Count;
      header->Flag = old->Flag;
      AStore.Free(old, BytesFor<T>(old->Capacity));
    }
    AItems.FHeader = header;
  }
};

} // namespace vxml
