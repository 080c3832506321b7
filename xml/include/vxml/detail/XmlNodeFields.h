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
  std::u16string_view View() const { return {fData, fSize & ~OwnedMark}; }
  bool Empty() const { return (fSize & ~OwnedMark) == 0; }

private:
  friend class vxml::TXmlTextEdit;
  // The length and the mark of a text owned by its holder share one word so that nodes stay small.
  static constexpr uint32_t OwnedMark = 0x80000000u;
  const char16_t* fData = nullptr;
  uint32_t fSize = 0;
};

// A counted array in the store, one pointer wide while empty.
template <typename T> class TXmlItems {
public:
  uint32_t Count() const { return fHeader ? fHeader->Count : 0; }
  bool Exists() const { return fHeader != nullptr; }
  // Where the count and items lie, for a prefetch: none while empty.
  const void* Memory() const { return fHeader; }
  const T* begin() const { return fHeader ? Items() : nullptr; }
  const T* end() const { return fHeader ? Items() + fHeader->Count : nullptr; }
  const T& operator[](uint32_t aIndex) const { return Items()[aIndex]; }
  // A flag kept with the array (the attribute lines' sort mode).
  bool Flag() const { return fHeader && fHeader->Flag; }

private:
  friend class vxml::TXmlItemsEdit;
  struct alignas(T) THeader {
    uint32_t Count;
    uint32_t Capacity : 31;
    uint32_t Flag : 1;
  };
  static_assert(sizeof(THeader) == 8);
  T* Items() const { return reinterpret_cast<T*>(fHeader + 1); }

  THeader* fHeader = nullptr;
};

// A node's attribute lines: name, "=", then the quoted escaped value, one text a line; none until
// the first line arrives. A sorted list keeps its lines in case-insensitive order.
class TXmlAttributeLines {
public:
  bool Exists() const { return fLines.Exists(); }
  // Where the lines' list lies, for a prefetch: none while there is no list.
  const void* Memory() const { return fLines.Memory(); }
  bool Sorted() const { return fLines.Flag(); }
  int32_t Count() const { return static_cast<int32_t>(fLines.Count()); }
  std::u16string_view Line(int32_t aIndex) const {
    return fLines[static_cast<uint32_t>(aIndex)].View();
  }

private:
  friend class vxml::TXmlLinesEdit;
  TXmlItems<TXmlStoredText> fLines;
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
