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
void PoisonFreed(void* ABlock, std::size_t ABytes) {
#if defined(VXML_ADDRESS_SANITIZER)
  ASAN_POISON_MEMORY_REGION(ABlock, ABytes);
#else
  (void)ABlock;
  (void)ABytes;
#endif
}

void UnpoisonReused(void* ABlock, std::size_t ABytes) {
#if defined(VXML_ADDRESS_SANITIZER)
  ASAN_UNPOISON_MEMORY_REGION(ABlock, ABytes);
#else
  (void)ABlock;
  (void)ABytes;
#endif
}

constexpr std::size_t RoundUp(std::size_t ABytes, std::size_t AAlignment) {
  return (ABytes + AAlignment - 1) & ~(AAlignment - 1);
}

// Blocks come straight from the system where it can map memory: the allocator could otherwise
// keep them in its heap after they are freed, and a big document's memory would stay with the
// process. Sanitizer builds use the allocator, which watches every block.
#if defined(__linux__) && !defined(VXML_ADDRESS_SANITIZER)
// Big blocks sit on huge-page boundaries and ask for huge pages.
void* AllocateBlock(std::size_t ABytes) {
  const bool huge = ABytes % HugePage == 0;
  const std::size_t mapped = huge ? ABytes + HugePage : ABytes;
  void* block = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED)
    return nullptr;
  if (!huge)
    return block;
  const auto first = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t aligned = RoundUp(first, HugePage);
  if (aligned > first)
    ::munmap(block, aligned - first);
  if (const std::size_t tail = first + mapped - (aligned + ABytes))
    ::munmap(reinterpret_cast<void*>(aligned + ABytes), tail);
  AdviseHugePages(reinterpret_cast<void*>(aligned), reinterpret_cast<char*>(aligned) + ABytes);
  return reinterpret_cast<void*>(aligned);
}
void FreeBlock(void* ABlock, std::size_t ABytes) {
  ::munmap(ABlock, ABytes);
}
#else
void* AllocateBlock(std::size_t ABytes) {
  return std::malloc(ABytes);
}
void FreeBlock(void* ABlock, std::size_t) {
  std::free(ABlock);
}
#endif

} // namespace

TXmlStore::~TXmlStore() {
  for (const TBlock& block : FBlocks)
    FreeBlock(block.Memory, block.Size);
  // A loaded text goes back to the system a piece at a time: handing back hundreds of megabytes
  // in one call holds the address space so long that the process's other threads wait on it.
  constexpr std::size_t ReleasePiece = 32 << 20;
  for (std::u16string& text : FTexts) {
    const char* first = reinterpret_cast<const char*>(text.data());
    const char* last = first + text.capacity() * sizeof(char16_t);
    for (const char* piece = first; piece < last;) {
      const char* end = piece + std::min<std::size_t>(ReleasePiece, last - piece);
      ReleaseWholePages(piece, end);
      piece = end;
    }
  }
}

void* TXmlStore::Allocate(std::size_t ABytes) {
  const std::size_t bytes = RoundUp(std::max<std::size_t>(ABytes, Alignment), Alignment);
  if (bytes <= ReusedLimit) {
    if (void* block = PopFree(bytes / Alignment))
      return block;
    if (void* block = CutLargerFree(bytes))
      return block;
  }
  if (FLentNext) {
    char* lent =
        reinterpret_cast<char*>(RoundUp(reinterpret_cast<std::uintptr_t>(FLentNext), Alignment));
    if (lent + bytes <= FLentLimit) {
      FLentNext = lent + bytes;
      return lent;
    }
  }
  if (bytes > static_cast<std::size_t>(FLimit - FNext)) {
    // Blocks grow with the store, so that a small document stays small and a big one needs few
    // of them. A request larger than a quarter block gets a block of its own, so that the rest
    // of the current block is not wasted.
    const bool own = bytes > FBlockSize / 4;
    const std::size_t size = own ? RoundUp(bytes, 4096) : FBlockSize;
    char* block = static_cast<char*>(AllocateBlock(size));
    if (!block)
      throw std::bad_alloc();
    FBlocks.push_back({block, size});
    if (own)
      return block;
    FNext = block;
    FLimit = block + size;
    FBlockSize = std::min(2 * FBlockSize, MaxBlockSize);
  }
  void* result = FNext;
  FNext += bytes;
  return result;
}

void TXmlStore::Free(void* ABlock, std::size_t ABytes) {
  const std::size_t bytes = RoundUp(std::max<std::size_t>(ABytes, Alignment), Alignment);
  if (bytes <= ReusedLimit)
    PushFree(ABlock, bytes / Alignment);
  else
    PoisonFreed(ABlock, bytes);
}

void TXmlStore::PushFree(void* ABlock, std::size_t AList) {
  *static_cast<void**>(ABlock) = FFreeLists[AList];
  PoisonFreed(ABlock, AList * Alignment);
  FFreeLists[AList] = ABlock;
  FFreeListsHeld[AList / 64] |= uint64_t(1) << (AList % 64);
}

void* TXmlStore::PopFree(std::size_t AList) {
  void* block = FFreeLists[AList];
  if (!block)
    return nullptr;
  UnpoisonReused(block, AList * Alignment);
  FFreeLists[AList] = *static_cast<void**>(block);
  if (!FFreeLists[AList])
    FFreeListsHeld[AList / 64] &= ~(uint64_t(1) << (AList % 64));
  return block;
}

void* TXmlStore::CutLargerFree(std::size_t ABytes) {
  // The smallest larger block wastes nothing: its rest goes to the list of its own size. A tree
  // taken apart while another is built, in a store both share, so feeds the new tree.
  std::size_t list = ABytes / Alignment + 1;
  for (std::size_t word = list / 64; word < FreeListWords; ++word, list = word * 64) {
    const uint64_t held = FFreeListsHeld[word] & (~uint64_t(0) << (list % 64));
    if (!held)
      continue;
    const std::size_t larger = word * 64 + static_cast<std::size_t>(std::countr_zero(held));
    char* block = static_cast<char*>(PopFree(larger));
    PushFree(block + ABytes, larger - ABytes / Alignment);
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
  const std::u16string* recent = FRecentNames[guess];
  if (recent && TEqual()(*recent, AName))
    return recent;
  const auto found = FNames.find(AName);
  const std::u16string* name = found != FNames.end() ? &*found : &*FNames.emplace(AName).first;
  FRecentNames[guess] = name;
  return name;
}

std::u16string& TXmlStore::Adopt(std::u16string AText) {
  return FTexts.emplace_back(std::move(AText));
}

std::u16string_view TXmlStore::MoveIntoLentText(std::u16string_view AText) {
  auto* target = reinterpret_cast<char16_t*>(FLentNext);
  std::memmove(target, AText.data(), AText.size() * sizeof(char16_t));
  FLentNext += AText.size() * sizeof(char16_t);
  return {target, AText.size()};
}

const void* TXmlStore::EndLoan() {
  const void* end = FLentNext;
  FLentNext = nullptr;
  FLentLimit = nullptr;
  return end;
}

#if defined(__linux__)
namespace {

// Gives AAdvice for the pages of APageSize that lie wholly inside [AFirst, ALast).
void AdviseWholePages(const void* AFirst, const void* ALast, std::uintptr_t APageSize,
                      int AAdvice) {
  const std::uintptr_t first = RoundUp(reinterpret_cast<std::uintptr_t>(AFirst), APageSize);
  const std::uintptr_t last = reinterpret_cast<std::uintptr_t>(ALast) & ~(APageSize - 1);
  if (first < last)
    ::madvise(reinterpret_cast<void*>(first), last - first, AAdvice);
}

} // namespace

void ReleaseWholePages(const void* AFirst, const void* ALast) {
  AdviseWholePages(AFirst, ALast, static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE)),
                   MADV_DONTNEED);
}

void AdviseHugePages(const void* AFirst, const void* ALast) {
  AdviseWholePages(AFirst, ALast, HugePage, MADV_HUGEPAGE);
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
bool SameStep(uint32_t ALength1, uint32_t ALength2) {
  static constexpr std::size_t Step = alignof(void*);
  const auto step = [](uint32_t ALength) {
    return (std::max<std::size_t>(OwnedBytes(ALength), Step) + Step - 1) / Step;
  };
  return step(ALength1) == step(ALength2);
}

// The length shares its word with the owned mark, its top bit: a longer text would be stored cut
// short.
constexpr std::size_t MaxStoredLength = (std::size_t(1) << 31) - 1;

uint32_t StoredLength(std::u16string_view AText) {
  if (AText.size() > MaxStoredLength)
    throw std::length_error("a text of more than 2147483647 characters cannot be kept");
  return static_cast<uint32_t>(AText.size());
}

} // namespace

void TXmlTextEdit::Assign(TXmlStoredText& AText, TXmlStore& AStore, std::u16string_view ASource) {
  const uint32_t length = StoredLength(ASource);
  if (length == 0) {
    Clear(AText, AStore);
    return;
  }
  if ((AText.FSize & TXmlStoredText::OwnedMark) &&
      SameStep(AText.FSize & ~TXmlStoredText::OwnedMark, length)) {
    std::memmove(const_cast<char16_t*>(AText.FData), ASource.data(), OwnedBytes(length));
    AText.FSize = TXmlStoredText::OwnedMark | length;
    return;
  }
  auto* data = static_cast<char16_t*>(AStore.Allocate(OwnedBytes(length)));
  std::memcpy(data, ASource.data(), OwnedBytes(length));
  Clear(AText, AStore); // after the copy: ASource may have been this text
  AText.FData = data;
  AText.FSize = TXmlStoredText::OwnedMark | length;
}

void TXmlTextEdit::Refer(TXmlStoredText& AText, TXmlStore& AStore, std::u16string_view ASource) {
  const uint32_t length = StoredLength(ASource);
  Clear(AText, AStore);
  AText.FData = ASource.data();
  AText.FSize = length;
}

void TXmlTextEdit::CopyFrom(TXmlStoredText& AText, TXmlStore& AStore, const TXmlStoredText& ASource,
                            const TXmlStore& ASourceStore) {
  if (&AStore == &ASourceStore && !(ASource.FSize & TXmlStoredText::OwnedMark))
    Refer(AText, AStore, ASource.View());
  else
    Assign(AText, AStore, ASource.View());
}

void TXmlTextEdit::Clear(TXmlStoredText& AText, TXmlStore& AStore) {
  if (AText.FSize & TXmlStoredText::OwnedMark)
    AStore.Free(const_cast<char16_t*>(AText.FData),
                OwnedBytes(AText.FSize & ~TXmlStoredText::OwnedMark));
  AText.FData = nullptr;
  AText.FSize = 0;
}

void TXmlTextEdit::MoveFrom(TXmlStoredText& AText, TXmlStore& AStore, TXmlStoredText& ASource) {
  if (&ASource == &AText)
    return;
  Clear(AText, AStore);
  AText.FData = ASource.FData;
  AText.FSize = ASource.FSize;
  ASource.FData = nullptr;
  ASource.FSize = 0;
}

} // namespace vxml
