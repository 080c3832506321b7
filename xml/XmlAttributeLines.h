// Fills and rewrites the attribute lines of a node (TXmlAttributeLines): name, "=", then the
// quoted escaped value, one text a line. The lines live in the node's store; every call that
// changes them names that store.
#pragma once

#include "XmlStore.h"
#include "vxml/XmlDocument.h"

#include <cstdint>
#include <string_view>

namespace vxml {

class TXmlLinesEdit {
public:
  // A sorted list keeps its lines in case-insensitive order and drops a line equal to one it
  // already holds, an unsorted one keeps insertion order and accepts duplicates.
  static void Create(TXmlAttributeLines& ALines, TXmlStore& AStore, bool ASorted) {
    TXmlItemsEdit::Create(ALines.FLines, AStore, ASorted);
  }
  static void Add(TXmlAttributeLines& ALines, TXmlStore& AStore, std::u16string_view ALine);
  // As Add, for a line the store keeps already: it is referred to, not copied.
  static void AddKept(TXmlAttributeLines& ALines, TXmlStore& AStore, std::u16string_view ALine);
  // Rewriting in place would break the order of a sorted list: both raise EStringListError.
  static void Put(TXmlAttributeLines& ALines, TXmlStore& AStore, int32_t Index,
                  std::u16string_view ALine);
  static void Exchange(TXmlAttributeLines& ALines, int32_t Index1, int32_t Index2);
  static void Delete(TXmlAttributeLines& ALines, TXmlStore& AStore, int32_t Index);
  // Back to none.
  static void Clear(TXmlAttributeLines& ALines, TXmlStore& AStore);

  // The text before the first "=" (the whole line when there is none).
  static std::u16string_view NamePart(std::u16string_view ALine);
  // Index of the first line with an "=" whose name part matches AName case-insensitively, or -1.
  static int32_t IndexOfName(const TXmlAttributeLines& ALines, std::u16string_view AName);

private:
  // Where ALine goes, or -1 when a sorted list holds it already.
  static int32_t InsertionIndex(const TXmlAttributeLines& ALines, std::u16string_view ALine);
  static void RequireUnsorted(const TXmlAttributeLines& ALines);
};

} // namespace vxml
