// The types of the fields a node keeps in its document's store, which only the document layer
// fills, grows and frees (XmlStore.h, XmlNodeMemory.h beside the sources). Not for users: they are
// public only because TXmlNode's accessors read them inline, which the hot paths need.
#pragma once

#include <cstdint>
#include <string_view>

namespace vxml {

class TXmlTextEdit;
class TXmlItemsEdit;
class TXmlLinesEdit;

namespace detail {

// A text in the store: where it lies and how long it is.
class TXmlStoredText {
public:
  std::u16string_view View() const { return {FData, FSize & ~OwnedMark}; }
  bool Empty() const { return (FSize & ~OwnedMark) == 0; }

private:
  friend class vxml::TXmlTextEdit;
  // The length and the mark of a text owned by its holder share one word so that nodes stay small.
  static constexpr uint32_t OwnedMark = 0x80000000u;
  const char16_t* FData = nullptr;
  uint32_t FSize = 0;
};

// A counted array in the store, one pointer wide while empty.
template <typename T> class TXmlItems {
public:
  uint32_t Count() const { return FHeader ? FHeader->Count : 0; }
  bool Exists() const { return FHeader != nullptr; }
  // Where the count and items lie, for a prefetch: none while empty.
  const void* Memory() const { return FHeader; }
  const T* begin() const { return FHeader ? Items() : nullptr; }
  const T* end() const { return FHeader ? Items() + FHeader->Count : nullptr; }
  const T& operator[](uint32_t AIndex) const { return Items()[AIndex]; }
  // A flag kept with the array (the attribute lines' sort mode).
  bool Flag() const { return FHeader && FHeader->Flag; }

private:
  friend class vxml::TXmlItemsEdit;
  struct alignas(T) THeader {
    uint32_t Count;
    uint32_t Capacity : 31;
    uint32_t Flag : 1;
  };
  static_assert(sizeof(THeader) == 8);
  T* Items() const { return reinterpret_cast<T*>(FHeader + 1); }

  THeader* FHeader = nullptr;
};

// A node's attribute lines: name, "=", then the quoted escaped value, one text a line; none until
// the first line arrives. A sorted list keeps its lines in case-insensitive order.
class TXmlAttributeLines {
public:
  bool Exists() const { return FLines.Exists(); }
  // Where the lines' list lies, for a prefetch: none while there is no list.
  const void* Memory() const { return FLines.Memory(); }
  bool Sorted() const { return FLines.Flag(); }
  int32_t Count() const { return static_cast<int32_t>(FLines.Count()); }
  std::u16string_view Line(int32_t Index) const {
    return FLines[static_cast<uint32_t>(Index)].View();
  }

private:
  friend class vxml::TXmlLinesEdit;
  TXmlItems<TXmlStoredText> FLines;
};

// What the store notes about each node it serves.
struct TXmlStoreNotes {
  // Cut from the node's store rather than made with new or on the stack.
  bool InStore = false;
  // Among the children of a node of the same store, being cut from it.
  bool Anchored = false;
};

} // namespace detail
} // namespace vxml
