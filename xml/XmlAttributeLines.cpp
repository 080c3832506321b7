#include "XmlAttributeLines.h"

#include "vbase/Characters.h"
#include "vbase/Errors.h"
#include "vxml/XmlText.h"

#include <algorithm>

namespace vxml {

using vbase::CompareTextAscii;
using vbase::EStringListError;
using vbase::SameTextAscii;

int32_t TXmlLinesEdit::InsertionIndex(const TXmlAttributeLines& aLines, std::u16string_view aLine) {
  if (!aLines.Sorted())
    return aLines.Count();
  const TXmlItems<TXmlStoredText>& lines = aLines.fLines;
  const auto position =
      std::lower_bound(lines.begin(), lines.end(), aLine,
                       [](const TXmlStoredText& aLeft, std::u16string_view aRight) {
                         return CompareTextAscii(aLeft.View(), aRight) < 0;
                       });
  if (position != lines.end() && CompareTextAscii(position->View(), aLine) == 0)
    return -1;
  return static_cast<int32_t>(position - lines.begin());
}

void TXmlLinesEdit::Add(TXmlAttributeLines& aLines, TXmlStore& aStore, std::u16string_view aLine) {
  const int32_t index = InsertionIndex(aLines, aLine);
  if (index < 0)
    return;
  TXmlStoredText line;
  TXmlTextEdit::Assign(line, aStore, aLine);
  TXmlItemsEdit::Insert(aLines.fLines, aStore, static_cast<uint32_t>(index), line);
}

void TXmlLinesEdit::AddKept(TXmlAttributeLines& aLines, TXmlStore& aStore,
                            std::u16string_view aLine) {
  const int32_t index = InsertionIndex(aLines, aLine);
  if (index < 0)
    return;
  TXmlStoredText line;
  TXmlTextEdit::Refer(line, aStore, aLine);
  TXmlItemsEdit::Insert(aLines.fLines, aStore, static_cast<uint32_t>(index), line);
}

void TXmlLinesEdit::RequireUnsorted(const TXmlAttributeLines& aLines) {
  if (aLines.Sorted())
    throw EStringListError(u"Operation not allowed on sorted list");
}

void TXmlLinesEdit::Put(TXmlAttributeLines& aLines, TXmlStore& aStore, int32_t aIndex,
                        std::u16string_view aLine) {
  RequireUnsorted(aLines);
  TXmlTextEdit::Assign(TXmlItemsEdit::Item(aLines.fLines, static_cast<uint32_t>(aIndex)), aStore,
                       aLine);
}

void TXmlLinesEdit::Exchange(TXmlAttributeLines& aLines, int32_t aIndex1, int32_t aIndex2) {
  RequireUnsorted(aLines);
  std::swap(TXmlItemsEdit::Item(aLines.fLines, static_cast<uint32_t>(aIndex1)),
            TXmlItemsEdit::Item(aLines.fLines, static_cast<uint32_t>(aIndex2)));
}

void TXmlLinesEdit::Delete(TXmlAttributeLines& aLines, TXmlStore& aStore, int32_t aIndex) {
  TXmlTextEdit::Clear(TXmlItemsEdit::Item(aLines.fLines, static_cast<uint32_t>(aIndex)), aStore);
  TXmlItemsEdit::Erase(aLines.fLines, static_cast<uint32_t>(aIndex));
}

void TXmlLinesEdit::Clear(TXmlAttributeLines& aLines, TXmlStore& aStore) {
  for (uint32_t i = 0; i < aLines.fLines.Count(); ++i)
    TXmlTextEdit::Clear(TXmlItemsEdit::Item(aLines.fLines, i), aStore);
  TXmlItemsEdit::Release(aLines.fLines, aStore);
}

std::u16string_view TXmlLinesEdit::NamePart(std::u16string_view aLine) {
  return aLine.substr(0, aLine.find(u'='));
}

int32_t TXmlLinesEdit::IndexOfName(const TXmlAttributeLines& aLines, std::u16string_view AName) {
  // A name part ends at the first "=", so a name holding one matches no line.
  if (AName.find(u'=') != std::u16string_view::npos)
    return -1;
  for (int32_t i = 0; i < aLines.Count(); ++i) {
    const std::u16string_view line = aLines.Line(i);
    // The name part must be followed by "="; a line without one has no name.
    if (line.size() > AName.size() && line[AName.size()] == u'=' &&
        SameTextAscii(line.substr(0, AName.size()), AName))
      return i;
  }
  return -1;
}

} // namespace vxml
