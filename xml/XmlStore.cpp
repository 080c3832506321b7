#include "XmlStore.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t RoundUp(std::size_t ABytes, std::size_t AAlignment) {
  return (ABytes + AAlignment - 1) & ~(AAlignment - 1);
}

} // namespace

TXmlStore::~TXmlStore() {
  for (void* block : FBlocks)
    std::free(block);
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
    // A request larger than a quarter block gets a block of its own, so that the rest of the
    // current block is not wasted.
    const bool own = bytes > BlockSize / 4;
    const std::size_t size = own ? bytes : BlockSize;
    char* block = static_cast<char*>(std::malloc(size));
    if (!block)
      throw std::bad_alloc();
    FBlocks.push_back(block);
    if (own)
      return block;
    FNext = block;
    FLimit = block + size;
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
  const auto found = FNames.find(AName);
  if (found != FNames.end())
    return &*found;
  return &*FNames.emplace(AName).first;
}

std::u16string& TXmlStore::Adopt(std::u16string AText) {
  return FTexts.emplace_back(std::move(AText));
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
