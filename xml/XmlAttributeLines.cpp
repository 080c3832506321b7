#include "XmlAttributeLines.h"

#include "Characters.h"
#include "Errors.h"
#include "XmlText.h"

#include <algorithm>

namespace vxml {

using vbase::CompareTextAscii;
using vbase::EStringListError;
using vbase::SameTextAscii;

int32_t TXmlAttributeLines::InsertionIndex(std::u16string_view ALine) const {
  if (!Sorted())
    return Count();
  const auto position = std::lower_bound(FLines.begin(), FLines.end(), ALine,
                                         [](const TXmlStoredText& a, std::u16string_view b) {
                                           return CompareTextAscii(a.View(), b) < 0;
                                         });
  if (position != FLines.end() && CompareTextAscii(position->View(), ALine) == 0)
    return -1;
  return static_cast<int32_t>(position - FLines.begin());
}

void TXmlAttributeLines::Add(TXmlStore& AStore, std::u16string_view ALine) {
  const int32_t index = InsertionIndex(ALine);
  if (index < 0)
    return;
  TXmlStoredText line;
  line.Assign(AStore, ALine);
  FLines.Insert(AStore, static_cast<uint32_t>(index), line);
}

void TXmlAttributeLines::AddKept(TXmlStore& AStore, std::u16string_view ALine) {
  const int32_t index = InsertionIndex(ALine);
  if (index < 0)
    return;
  TXmlStoredText line;
  line.Refer(AStore, ALine);
  FLines.Insert(AStore, static_cast<uint32_t>(index), line);
}

void TXmlAttributeLines::RequireUnsorted() const {
  if (Sorted())
    throw EStringListError(u"Operation not allowed on sorted list");
}

void TXmlAttributeLines::Put(TXmlStore& AStore, int32_t Index, std::u16string_view ALine) {
  RequireUnsorted();
  FLines[static_cast<uint32_t>(Index)].Assign(AStore, ALine);
}

void TXmlAttributeLines::Exchange(int32_t Index1, int32_t Index2) {
  RequireUnsorted();
  std::swap(FLines[static_cast<uint32_t>(Index1)], FLines[static_cast<uint32_t>(Index2)]);
}

void TXmlAttributeLines::Delete(TXmlStore& AStore, int32_t Index) {
  FLines[static_cast<uint32_t>(Index)].Clear(AStore);
  FLines.Erase(static_cast<uint32_t>(Index));
}

void TXmlAttributeLines::Clear(TXmlStore& AStore) {
  for (TXmlStoredText& line : FLines)
    line.Clear(AStore);
  FLines.Release(AStore);
}

std::u16string_view TXmlAttributeLines::NamePart(std::u16string_view ALine) {
  return ALine.substr(0, ALine.find(u'='));
}

int32_t TXmlAttributeLines::IndexOfName(std::u16string_view AName) const {
  // A name part ends at the first "=", so a name holding one matches no line.
  if (AName.find(u'=') != std::u16string_view::npos)
    return -1;
  for (uint32_t i = 0; i < FLines.Count(); ++i) {
    const std::u16string_view line = FLines[i].View();
    // The name part must be followed by "="; a line without one has no name.
    if (line.size() > AName.size() && line[AName.size()] == u'=' &&
        SameTextAscii(line.substr(0, AName.size()), AName))
      return static_cast<int32_t>(i);
  }
  return -1;
}

} // namespace vxml
