// The attribute lines of a node: name, "=", then the quoted escaped value, one text a line. The
// lines live in the node's store; every call that changes them names that store.
#pragma once

#include "XmlStore.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vxml {

class TXmlAttributeLines {
public:
  // None until Create; a sorted list keeps its lines in case-insensitive order and drops a line
  // equal to one it already holds, an unsorted one keeps insertion order and accepts duplicates.
  bool Exists() const { return FLines.Exists(); }
  // Where the lines' list lies, for a prefetch: none while there is no list.
  const void* Memory() const { return FLines.Memory(); }
  void Create(TXmlStore& AStore, bool ASorted) { FLines.Create(AStore, ASorted); }
  bool Sorted() const { return FLines.Flag(); }
  int32_t Count() const { return static_cast<int32_t>(FLines.Count()); }
  std::u16string_view Line(int32_t Index) const {
    return FLines[static_cast<uint32_t>(Index)].View();
  }

  void Add(TXmlStore& AStore, std::u16string_view ALine);
  // As Add, for a line the store keeps already: it is referred to, not copied.
  void AddKept(TXmlStore& AStore, std::u16string_view ALine);
  // Rewriting in place would break the order of a sorted list: both raise EStringListError.
  void Put(TXmlStore& AStore, int32_t Index, std::u16string_view ALine);
  void Exchange(int32_t Index1, int32_t Index2);
  void Delete(TXmlStore& AStore, int32_t Index);
  // Back to none.
  void Clear(TXmlStore& AStore);

  // The text before the first "=" (the whole line when there is none).
  static std::u16string_view NamePart(std::u16string_view ALine);
  // Index of the first line with an "=" whose name part matches AName case-insensitively, or -1.
  int32_t IndexOfName(std::u16string_view AName) const;

private:
  // Where ALine goes, or -1 when a sorted list holds it already.
  int32_t InsertionIndex(std::u16string_view ALine) const;
  void RequireUnsorted() const;

  TXmlStoreArray<TXmlStoredText> FLines;
};

} // namespace vxml
