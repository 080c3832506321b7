#include "XmlStore.h"

#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace vxml {

namespace {

constexpr std::size_t RoundUp(std::size_t ABytes, std::size_t AAlignment) {
  return (ABytes + AAlignment - 1) & ~(AAlignment - 1);
}

} // namespace

namespace {

// Blocks come straight from the system where it can map memory: the allocator could otherwise
// keep them in its heap after they are freed, and a big document's memory would stay with the
// process. Sanitizer builds use the allocator, which watches every block.
#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
// Big blocks sit on huge-page boundaries and ask for huge pages: a big document then costs a
// fraction of the page faults.
constexpr std::size_t HugePage = 2 << 20;

void* AllocateBlock(std::size_t ABytes) {
  const bool huge = ABytes % HugePage == 0;
  const std::size_t mapped = huge ? ABytes + HugePage : ABytes;
  void* block = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED)
    return nullptr;
  if (!huge)
    return block;
  const auto first = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t aligned = (first + HugePage - 1) & ~(HugePage - 1);
  if (aligned > first)
    ::munmap(block, aligned - first);
  if (const std::size_t tail = first + mapped - (aligned + ABytes))
    ::munmap(reinterpret_cast<void*>(aligned + ABytes), tail);
  ::madvise(reinterpret_cast<void*>(aligned), ABytes, MADV_HUGEPAGE);
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
}

void* TXmlStore::Allocate(std::size_t ABytes) {
  const std::size_t bytes = RoundUp(std::max<std::size_t>(ABytes, Alignment), Alignment);
  if (bytes <= ReusedLimit) {
    void*& head = FFreeLists[bytes / Alignment];
    if (head) {
      void* block = head;
      head = *static_cast<void**>(block);
      return block;
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
  if (bytes > ReusedLimit)
    return;
  void*& head = FFreeLists[bytes / Alignment];
  *static_cast<void**>(ABlock) = head;
  head = ABlock;
}

const std::u16string* TXmlStore::Intern(std::u16string_view AName) {
  // A document uses few names over and over: a guess from the length and three code units finds
  // most of them without hashing the whole name.
  const std::size_t size = AName.size();
  const std::size_t guess =
      size == 0 ? 0
                : (size * 31 + AName[0] * 7 + AName[size / 2] * 3 + AName[size - 1]) % RecentNames;
  const std::u16string* recent = FRecentNames[guess];
  if (recent && *recent == AName)
    return recent;
  const auto found = FNames.find(AName);
  const std::u16string* name = found != FNames.end() ? &*found : &*FNames.emplace(AName).first;
  FRecentNames[guess] = name;
  return name;
}

std::u16string& TXmlStore::Adopt(std::u16string AText) {
  return FTexts.emplace_back(std::move(AText));
}

void ReleaseWholePages(const void* AFirst, const void* ALast) {
#if defined(__linux__)
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(AFirst) + page - 1) & ~(page - 1);
  const std::uintptr_t last = reinterpret_cast<std::uintptr_t>(ALast) & ~(page - 1);
  if (first < last)
    ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
#else
  (void)AFirst;
  (void)ALast;
#endif
}

// ---- TXmlStoredText ----

namespace {

// An owned text is preceded by its capacity in code units.
using TCapacity = uint64_t;
constexpr std::size_t CapacityUnits = sizeof(TCapacity) / sizeof(char16_t);

TCapacity& CapacityOf(const char16_t* AData) {
  return *reinterpret_cast<TCapacity*>(const_cast<char16_t*>(AData) - CapacityUnits);
}

std::size_t OwnedBytes(TCapacity ACapacity) {
  return sizeof(TCapacity) + ACapacity * sizeof(char16_t);
}

} // namespace

void TXmlStoredText::Assign(TXmlStore& AStore, std::u16string_view AText) {
  const auto length = static_cast<uint32_t>(AText.size());
  if (length == 0) {
    Clear(AStore);
    return;
  }
  if ((Size & OwnedMark) && CapacityOf(Data) >= length) {
    std::memmove(const_cast<char16_t*>(Data), AText.data(), length * sizeof(char16_t));
    Size = OwnedMark | length;
    return;
  }
  auto* block = static_cast<TCapacity*>(AStore.Allocate(OwnedBytes(length)));
  *block = length;
  auto* data = reinterpret_cast<char16_t*>(block + 1);
  std::memcpy(data, AText.data(), length * sizeof(char16_t));
  Clear(AStore); // after the copy: AText may have been this text
  Data = data;
  Size = OwnedMark | length;
}

void TXmlStoredText::Refer(TXmlStore& AStore, std::u16string_view AText) {
  Clear(AStore);
  Data = AText.data();
  Size = static_cast<uint32_t>(AText.size());
}

void TXmlStoredText::CopyFrom(TXmlStore& AStore, const TXmlStoredText& ASource,
                              const TXmlStore& ASourceStore) {
  if (&AStore == &ASourceStore && !(ASource.Size & OwnedMark))
    Refer(AStore, ASource.View());
  else
    Assign(AStore, ASource.View());
}

void TXmlStoredText::Clear(TXmlStore& AStore) {
  if (Size & OwnedMark)
    AStore.Free(&CapacityOf(Data), OwnedBytes(CapacityOf(Data)));
  Data = nullptr;
  Size = 0;
}

void TXmlStoredText::MoveFrom(TXmlStore& AStore, TXmlStoredText& ASource) {
  if (&ASource == this)
    return;
  Clear(AStore);
  Data = ASource.Data;
  Size = ASource.Size;
  ASource.Data = nullptr;
  ASource.Size = 0;
}

} // namespace vxml
