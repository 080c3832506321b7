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
  static void Create(TXmlAttributeLines& aLines, TXmlStore& aStore, bool aSorted) {
    TXmlItemsEdit::Create(aLines.fLines, aStore, aSorted);
  }
  static void Add(TXmlAttributeLines& aLines, TXmlStore& aStore, std::u16string_view aLine);
  // As Add, for a line the store keeps already: it is referred to, not copied.
  static void AddKept(TXmlAttributeLines& aLines, TXmlStore& aStore, std::u16string_view aLine);
  // Rewriting in place would break the order of a sorted list: both raise EStringListError.
  static void Put(TXmlAttributeLines& aLines, TXmlStore& aStore, int32_t aIndex,
                  std::u16string_view aLine);
  static void Exchange(TXmlAttributeLines& aLines, int32_t aIndex1, int32_t aIndex2);
  static void Delete(TXmlAttributeLines& aLines, TXmlStore& aStore, int32_t aIndex);
  // Back to none.
  static void Clear(TXmlAttributeLines& aLines, TXmlStore& aStore);

  // The text before the first "=" (the whole line when there is none).
  static std::u16string_view NamePart(std::u16string_view aLine);
  // Index of the first line with an "=" whose name part matches aName case-insensitively, or -1.
  static int32_t IndexOfName(const TXmlAttributeLines& aLines, std::u16string_view AName);

private:
  // Where aLine goes, or -1 when a sorted list holds it already.
  static int32_t InsertionIndex(const TXmlAttributeLines& aLines, std::u16string_view aLine);
  static void RequireUnsorted(const TXmlAttributeLines& aLines);
};

} // namespace vxml
