#include "XmlAttributeLines.h"

#include "vbase/Characters.h"
#include "vbase/Errors.h"
#include "vxml/XmlText.h"

#include <algorithm>

namespace vxml {

using vbase::CompareTextAscii;
using vbase::EStringListError;
using vbase::SameTextAscii;

int32_t TXmlLinesEdit::InsertionIndex(const TXmlAttributeLines& ALines, std::u16string_view ALine) {
  if (!ALines.Sorted())
    return ALines.Count();
  const TXmlItems<TXmlStoredText>& lines = ALines.FLines;
  const auto position =
      std::lower_bound(lines.begin(), lines.end(), ALine,
                       [](const TXmlStoredText& ALeft, std::u16string_view ARight) {
                         return CompareTextAscii(ALeft.View(), ARight) < 0;
                       });
  if (position != lines.end() && CompareTextAscii(position->View(), ALine) == 0)
    return -1;
  return static_cast<int32_t>(position - lines.begin());
}

void TXmlLinesEdit::Add(TXmlAttributeLines& ALines, TXmlStore& AStore, std::u16string_view ALine) {
  const int32_t index = InsertionIndex(ALines, ALine);
  if (index < 0)
    return;
  TXmlStoredText line;
  TXmlTextEdit::Assign(line, AStore, ALine);
  TXmlItemsEdit::Insert(ALines.FLines, AStore, static_cast<uint32_t>(index), line);
}

void TXmlLinesEdit::AddKept(TXmlAttributeLines& ALines, TXmlStore& AStore,
                            std::u16string_view ALine) {
  const int32_t index = InsertionIndex(ALines, ALine);
  if (index < 0)
    return;
  TXmlStoredText line;
  TXmlTextEdit::Refer(line, AStore, ALine);
  TXmlItemsEdit::Insert(ALines.FLines, AStore, static_cast<uint32_t>(index), line);
}

void TXmlLinesEdit::RequireUnsorted(const TXmlAttributeLines& ALines) {
  if (ALines.Sorted())
    throw EStringListError(u"Operation not allowed on sorted list");
}

void TXmlLinesEdit::Put(TXmlAttributeLines& ALines, TXmlStore& AStore, int32_t Index,
                        std::u16string_view ALine) {
  RequireUnsorted(ALines);
  TXmlTextEdit::Assign(TXmlItemsEdit::Item(ALines.FLines, static_cast<uint32_t>(Index)), AStore,
                       ALine);
}

void TXmlLinesEdit::Exchange(TXmlAttributeLines& ALines, int32_t Index1, int32_t Index2) {
  RequireUnsorted(ALines);
  std::swap(TXmlItemsEdit::Item(ALines.FLines, static_cast<uint32_t>(Index1)),
            TXmlItemsEdit::Item(ALines.FLines, static_cast<uint32_t>(Index2)));
}

void TXmlLinesEdit::Delete(TXmlAttributeLines& ALines, TXmlStore& AStore, int32_t Index) {
  TXmlTextEdit::Clear(TXmlItemsEdit::Item(ALines.FLines, static_cast<uint32_t>(Index)), AStore);
  TXmlItemsEdit::Erase(ALines.FLines, static_cast<uint32_t>(Index));
}

void TXmlLinesEdit::Clear(TXmlAttributeLines& ALines, TXmlStore& AStore) {
  for (uint32_t i = 0; i < ALines.FLines.Count(); ++i)
    TXmlTextEdit::Clear(TXmlItemsEdit::Item(ALines.FLines, i), AStore);
  TXmlItemsEdit::Release(ALines.FLines, AStore);
}

std::u16string_view TXmlLinesEdit::NamePart(std::u16string_view ALine) {
  return ALine.substr(0, ALine.find(u'='));
}

int32_t TXmlLinesEdit::IndexOfName(const TXmlAttributeLines& ALines, std::u16string_view AName) {
  // A name part ends at the first "=", so a name holding one matches no line.
  if (AName.find(u'=') != std::u16string_view::npos)
    return -1;
  for (int32_t i = 0; i < ALines.Count(); ++i) {
    const std::u16string_view line = ALines.Line(i);
    // The name part must be followed by "="; a line without one has no name.
    if (line.size() > AName.size() && line[AName.size()] == u'=' &&
        SameTextAscii(line.substr(0, AName.size()), AName))
      return i;
  }
  return -1;
}

} // namespace vxml
