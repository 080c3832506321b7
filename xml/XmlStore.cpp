#include "XmlStore.h"

#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define VXML_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VXML_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(VXML_ADDRESS_SANITIZER)
#include <sanitizer/asan_interface.h>
#endif

namespace vxml {

namespace {

constexpr std::size_t HugePage = 2 << 20;

// Under AddressSanitizer a freed block stays poisoned until the store hands it out again, so that
// reading a freed node or text inside a living store is reported like any use after free.
void PoisonFreed(void* aBlock, std::size_t aBytes) {
#if defined(VXML_ADDRESS_SANITIZER)
  ASAN_POISON_MEMORY_REGION(aBlock, aBytes);
#else
  (void)aBlock;
  (void)aBytes;
#endif
}

void UnpoisonReused(void* aBlock, std::size_t aBytes) {
#if defined(VXML_ADDRESS_SANITIZER)
  ASAN_UNPOISON_MEMORY_REGION(aBlock, aBytes);
#else
  (void)aBlock;
  (void)aBytes;
#endif
}

constexpr std::size_t RoundUp(std::size_t aBytes, std::size_t aAlignment) {
  return (aBytes + aAlignment - 1) & ~(aAlignment - 1);
}

// Blocks come straight from the system where it can map memory: the allocator could otherwise
// keep them in its heap after they are freed, and a big document's memory would stay with the
// process. Sanitizer builds use the allocator, which watches every block.
#if defined(__linux__) && !defined(VXML_ADDRESS_SANITIZER)
// Big blocks sit on huge-page boundaries and ask for huge pages.
void* AllocateBlock(std::size_t aBytes) {
  const bool huge = aBytes % HugePage == 0;
  const std::size_t mapped = huge ? aBytes + HugePage : aBytes;
  void* block = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED)
    return nullptr;
  if (!huge)
    return block;
  const auto first = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t aligned = RoundUp(first, HugePage);
  if (aligned > first)
    ::munmap(block, aligned - first);
  if (const std::size_t tail = first + mapped - (aligned + aBytes))
    ::munmap(reinterpret_cast<void*>(aligned + aBytes), tail);
  AdviseHugePages(reinterpret_cast<void*>(aligned), reinterpret_cast<char*>(aligned) + aBytes);
  return reinterpret_cast<void*>(aligned);
}
void FreeBlock(void* aBlock, std::size_t aBytes) {
  ::munmap(aBlock, aBytes);
}
#else
void* AllocateBlock(std::size_t aBytes) {
  return std::malloc(aBytes);
}
void FreeBlock(void* aBlock, std::size_t) {
  std::free(aBlock);
}
#endif

} // namespace

TXmlStore::~TXmlStore() {
  for (const TBlock& block : fBlocks)
    FreeBlock(block.Memory, block.Size);
  // A loaded text goes back to the system a piece at a time: handing back hundreds of megabytes
  // in one call holds the address space so long that the process's other threads wait on it.
  constexpr std::size_t ReleasePiece = 32 << 20;
  for (std::u16string& text : fTexts) {
    const char* first = reinterpret_cast<const char*>(text.data());
    const char* last = first + text.capacity() * sizeof(char16_t);
    for (const char* piece = first; piece < last;) {
      const char* end = piece + std::min<std::size_t>(ReleasePiece, last - piece);
      ReleaseWholePages(piece, end);
      piece = end;
    }
  }
}

void* TXmlStore::Allocate(std::size_t aBytes) {
  const std::size_t bytes = RoundUp(std::max<std::size_t>(aBytes, Alignment), Alignment);
  if (bytes <= ReusedLimit) {
    if (void* block = PopFree(bytes / Alignment))
      return block;
    if (void* block = CutLargerFree(bytes))
      return block;
  }
  if (fLentNext) {
    char* lent =
        reinterpret_cast<char*>(RoundUp(reinterpret_cast<std::uintptr_t>(fLentNext), Alignment));
    if (lent + bytes <= fLentLimit) {
      fLentNext = lent + bytes;
      return lent;
    }
  }
  if (bytes > static_cast<std::size_t>(fLimit - fNext)) {
    // Blocks grow with the store, so that a small document stays small and a big one needs few
    // of them. A request larger than a quarter block gets a block of its own, so that the rest
    // of the current block is not wasted.
    const bool own = bytes > fBlockSize / 4;
    const std::size_t size = own ? RoundUp(bytes, 4096) : fBlockSize;
    char* block = static_cast<char*>(AllocateBlock(size));
    if (!block)
      throw std::bad_alloc();
    fBlocks.push_back({block, size});
    if (own)
      return block;
    fNext = block;
    fLimit = block + size;
    fBlockSize = std::min(2 * fBlockSize, MaxBlockSize);
  }
  void* result = fNext;
  fNext += bytes;
  return result;
}

void TXmlStore::Free(void* aBlock, std::size_t aBytes) {
  const std::size_t bytes = RoundUp(std::max<std::size_t>(aBytes, Alignment), Alignment);
  if (bytes <= ReusedLimit)
    PushFree(aBlock, bytes / Alignment);
  else
    PoisonFreed(aBlock, bytes);
}

void TXmlStore::PushFree(void* aBlock, std::size_t aList) {
  *static_cast<void**>(aBlock) = fFreeLists[aList];
  PoisonFreed(aBlock, aList * Alignment);
  fFreeLists[aList] = aBlock;
  fFreeListsHeld[aList / 64] |= uint64_t(1) << (aList % 64);
}

void* TXmlStore::PopFree(std::size_t aList) {
  void* block = fFreeLists[aList];
  if (!block)
    return nullptr;
  UnpoisonReused(block, aList * Alignment);
  fFreeLists[aList] = *static_cast<void**>(block);
  if (!fFreeLists[aList])
    fFreeListsHeld[aList / 64] &= ~(uint64_t(1) << (aList % 64));
  return block;
}

void* TXmlStore::CutLargerFree(std::size_t aBytes) {
  // The smallest larger block wastes nothing: its rest goes to the list of its own size. A tree
  // taken apart while another is built, in a store both share, so feeds the new tree.
  std::size_t list = aBytes / Alignment + 1;
  for (std::size_t word = list / 64; word < FreeListWords; ++word, list = word * 64) {
    const uint64_t held = fFreeListsHeld[word] & (~uint64_t(0) << (list % 64));
    if (!held)
      continue;
    const std::size_t larger = word * 64 + static_cast<std::size_t>(std::countr_zero(held));
    char* block = static_cast<char*>(PopFree(larger));
    PushFree(block + aBytes, larger - aBytes / Alignment);
    return block;
  }
  return nullptr;
}

const std::u16string* TXmlStore::Intern(std::u16string_view AName) {
  // A document uses few names and short lines over and over: a guess from the length and four
  // code units finds most of them without hashing the whole text. The unit before the last
  // tells lines such as id="de" and id="fr" apart.
  const std::size_t size = AName.size();
  const std::size_t guess = size < 2 ? size
                                     : (size * 31 + AName[0] * 7 + AName[size / 2] * 3 +
                                        AName[size - 2] * 5 + AName[size - 1]) %
                                           RecentNames;
  const std::u16string* recent = fRecentNames[guess];
  if (recent && TEqual()(*recent, AName))
    return recent;
  const auto found = fNames.find(AName);
  const std::u16string* name = found != fNames.end() ? &*found : &*fNames.emplace(AName).first;
  fRecentNames[guess] = name;
  return name;
}

std::u16string& TXmlStore::Adopt(std::u16string aText) {
  return fTexts.emplace_back(std::move(aText));
}

std::u16string_view TXmlStore::MoveIntoLentText(std::u16string_view aText) {
  auto* target = reinterpret_cast<char16_t*>(fLentNext);
  std::memmove(target, aText.data(), aText.size() * sizeof(char16_t));
  fLentNext += aText.size() * sizeof(char16_t);
  return {target, aText.size()};
}

const void* TXmlStore::EndLoan() {
  const void* end = fLentNext;
  fLentNext = nullptr;
  fLentLimit = nullptr;
  return end;
}

#if defined(__linux__)
namespace {

// Gives aAdvice for the pages of aPageSize that lie wholly inside [aFirst, aLast).
void AdviseWholePages(const void* AFirst, const void* aLast, std::uintptr_t aPageSize,
                      int aAdvice) {
  const std::uintptr_t first = RoundUp(reinterpret_cast<std::uintptr_t>(AFirst), aPageSize);
  const std::uintptr_t last = reinterpret_cast<std::uintptr_t>(aLast) & ~(aPageSize - 1);
  if (first < last)
    ::madvise(reinterpret_cast<void*>(first), last - first, aAdvice);
}

} // namespace

void ReleaseWholePages(const void* AFirst, const void* aLast) {
  AdviseWholePages(AFirst, aLast, static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE)),
                   MADV_DONTNEED);
}

void AdviseHugePages(const void* AFirst, const void* aLast) {
  AdviseWholePages(AFirst, aLast, HugePage, MADV_HUGEPAGE);
}
#else
// Where the system has no such calls, the pages stay as they are.
void ReleaseWholePages(const void*, const void*) {}
void AdviseHugePages(const void*, const void*) {}
#endif

// ---- TXmlTextEdit ----

namespace {

std::size_t OwnedBytes(uint32_t ALength) {
  return ALength * sizeof(char16_t);
}

// The store hands out memory in steps of its alignment: a text may take the place of another
// whose memory is of the same step, and the memory still goes back to the right list.
bool SameStep(uint32_t aLength1, uint32_t aLength2) {
  static constexpr std::size_t Step = alignof(void*);
  const auto step = [](uint32_t ALength) {
    return (std::max<std::size_t>(OwnedBytes(ALength), Step) + Step - 1) / Step;
  };
  return step(aLength1) == step(aLength2);
}

// The length shares its word with the owned mark, its top bit: a longer text would be stored cut
// short.
constexpr std::size_t MaxStoredLength = (std::size_t(1) << 31) - 1;

uint32_t StoredLength(std::u16string_view aText) {
  if (aText.size() > MaxStoredLength)
    throw std::length_error("a text of more than 2147483647 characters cannot be kept");
  return static_cast<uint32_t>(aText.size());
}

} // namespace

void TXmlTextEdit::Assign(TXmlStoredText& aText, TXmlStore& aStore, std::u16string_view aSource) {
  const uint32_t length = StoredLength(aSource);
  if (length == 0) {
    Clear(aText, aStore);
    return;
  }
  if ((aText.fSize & TXmlStoredText::OwnedMark) &&
      SameStep(aText.fSize & ~TXmlStoredText::OwnedMark, length)) {
    std::memmove(const_cast<char16_t*>(aText.fData), aSource.data(), OwnedBytes(length));
    aText.fSize = TXmlStoredText::OwnedMark | length;
    return;
  }
  auto* data = static_cast<char16_t*>(aStore.Allocate(OwnedBytes(length)));
  std::memcpy(data, aSource.data(), OwnedBytes(length));
  Clear(aText, aStore); // after the copy: aSource may have been this text
  aText.fData = data;
  aText.fSize = TXmlStoredText::OwnedMark | length;
}

void TXmlTextEdit::Refer(TXmlStoredText& aText, TXmlStore& aStore, std::u16string_view aSource) {
  const uint32_t length = StoredLength(aSource);
  Clear(aText, aStore);
  aText.fData = aSource.data();
  aText.fSize = length;
}

void TXmlTextEdit::CopyFrom(TXmlStoredText& aText, TXmlStore& aStore, const TXmlStoredText& aSource,
                            const TXmlStore& aSourceStore) {
  if (&aStore == &aSourceStore && !(aSource.fSize & TXmlStoredText::OwnedMark))
    Refer(aText, aStore, aSource.View());
  else
    Assign(aText, aStore, aSource.View());
}

void TXmlTextEdit::Clear(TXmlStoredText& aText, TXmlStore& aStore) {
  if (aText.fSize & TXmlStoredText::OwnedMark)
    aStore.Free(const_cast<char16_t*>(aText.fData),
                OwnedBytes(aText.fSize & ~TXmlStoredText::OwnedMark));
  aText.fData = nullptr;
  aText.fSize = 0;
}

void TXmlTextEdit::MoveFrom(TXmlStoredText& aText, TXmlStore& aStore, TXmlStoredText& aSource) {
  if (&aSource == &aText)
    return;
  Clear(aText, aStore);
  aText.fData = aSource.fData;
  aText.fSize = aSource.fSize;
  aSource.fData = nullptr;
  aSource.fSize = 0;
}

} // namespace vxml
