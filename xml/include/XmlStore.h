// The storage behind a document's nodes: large blocks that nodes, child arrays, attribute lines
// and values are cut from, the decoded text that parsed values stay views into, and the names,
// each stored once. It lives as long as anything cut from it: the document holds it, and every
// node holds the store it was made in, so a node extracted from or moved out of its document
// stays valid after that document is gone.
#pragma once

#include "Characters.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace vxml {

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

// A text held in a store: either a view into text the store keeps, or a copy owned by its holder,
// which a later text needing the same memory overwrites in place. The length and the owned mark
// share one word so that nodes stay small.
struct TXmlStoredText {
  static constexpr uint32_t OwnedMark = 0x80000000u;

  const char16_t* Data = nullptr;
  uint32_t Size = 0;

  std::u16string_view View() const { return {Data, Size & ~OwnedMark}; }
  bool Empty() const { return (Size & ~OwnedMark) == 0; }
  // Copies AText, which may point into this text.
  void Assign(TXmlStore& AStore, std::u16string_view AText);
  // Refers to AText, which must live as long as AStore, without copying it.
  void Refer(TXmlStore& AStore, std::u16string_view AText);
  // As Assign from ASource, but a view that ASource shares from the same store stays shared.
  void CopyFrom(TXmlStore& AStore, const TXmlStoredText& ASource, const TXmlStore& ASourceStore);
  void Clear(TXmlStore& AStore);
  // Keeps the first ALength code units.
  void Truncate(uint32_t ALength) { Size = (Size & OwnedMark) | ALength; }
  // Takes over ASource's text, which is left empty.
  void MoveFrom(TXmlStore& AStore, TXmlStoredText& ASource);
};

// A growable array in a store, one pointer wide while empty; its count and capacity sit in
// front of the items.
template <typename T> class TXmlStoreArray {
public:
  uint32_t Count() const { return FHeader ? FHeader->Count : 0; }
  bool Exists() const { return FHeader != nullptr; }
  // Where the count and items lie, for a prefetch: none while empty.
  const void* Memory() const { return FHeader; }
  T* begin() const { return FHeader ? Items() : nullptr; }
  T* end() const { return FHeader ? Items() + FHeader->Count : nullptr; }
  T& operator[](uint32_t AIndex) const { return Items()[AIndex]; }
  // A user flag kept with the array (the attribute lines' sort mode).
  bool Flag() const { return FHeader && FHeader->Flag; }

  void Create(TXmlStore& AStore, bool AFlag) {
    if (!FHeader)
      Grow(AStore, MinimumCapacity);
    FHeader->Flag = AFlag;
  }
  void Insert(TXmlStore& AStore, uint32_t AIndex, const T& AItem) {
    if (!FHeader || FHeader->Count == FHeader->Capacity)
      Grow(AStore, FHeader ? 2 * FHeader->Capacity : MinimumCapacity);
    T* items = Items();
    std::copy_backward(items + AIndex, items + FHeader->Count, items + FHeader->Count + 1);
    items[AIndex] = AItem;
    ++FHeader->Count;
  }
  void Add(TXmlStore& AStore, const T& AItem) { Insert(AStore, Count(), AItem); }
  void Erase(uint32_t AIndex) {
    T* items = Items();
    std::copy(items + AIndex + 1, items + FHeader->Count, items + AIndex);
    --FHeader->Count;
  }
  void Release(TXmlStore& AStore) {
    if (FHeader)
      AStore.Free(FHeader, BytesFor(FHeader->Capacity));
    FHeader = nullptr;
  }
  // Empty again without handing the memory back: for arrays whose store goes next.
  void Forget() { FHeader = nullptr; }
  // Hands the items to the caller's array; this one is left empty.
  void MoveTo(TXmlStoreArray& ADestination) {
    ADestination.FHeader = FHeader;
    FHeader = nullptr;
  }

private:
  struct alignas(T) THeader {
    uint32_t Count;
    uint32_t Capacity : 31;
    uint32_t Flag : 1;
  };
  static_assert(sizeof(THeader) == 8);
  // Most elements have one attribute or child, or a few: arrays start small and double.
  static constexpr uint32_t MinimumCapacity = 1;

  static std::size_t BytesFor(uint32_t ACapacity) {
    return sizeof(THeader) + ACapacity * sizeof(T);
  }
  T* Items() const { return reinterpret_cast<T*>(FHeader + 1); }

  void Grow(TXmlStore& AStore, uint32_t ACapacity) {
    auto* header = static_cast<THeader*>(AStore.Allocate(BytesFor(ACapacity)));
    header->Count = 0;
    header->Capacity = ACapacity;
    header->Flag = false;
    if (FHeader) {
      std::copy(Items(), Items() + FHeader->Count, reinterpret_cast<T*>(header + 1));
      header->Count = FHeader->Count;
      header->Flag = FHeader->Flag;
      AStore.Free(FHeader, BytesFor(FHeader->Capacity));
    }
    FHeader = header;
  }

  THeader* FHeader = nullptr;
};

} // namespace vxml
