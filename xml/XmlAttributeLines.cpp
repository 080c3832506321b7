#include "XmlAttributeLines.h"

#include "Characters.h"
#include "Errors.h"
#include "XmlText.h"

#include <algorithm>

namespace vxml {

using vbase::CompareTextAscii;
using vbase::EStringListError;
using vbase::SameTextAscii;

void TXmlAttributeLines::Add(std::u16string ALine) {
  if (!FSorted) {
    FLines.push_back(std::move(ALine));
    return;
  }
  const auto position = std::lower_bound(
      FLines.begin(), FLines.end(), ALine,
      [](const std::u16string& a, const std::u16string& b) { return CompareTextAscii(a, b) < 0; });
  if (position != FLines.end() && CompareTextAscii(*position, ALine) == 0)
    return;
  FLines.insert(position, std::move(ALine));
}

void TXmlAttributeLines::RequireUnsorted() const {
  if (FSorted)
    throw EStringListError(u"Operation not allowed on sorted list");
}

void TXmlAttributeLines::Put(int32_t Index, std::u16string ALine) {
  RequireUnsorted();
  FLines[static_cast<std::size_t>(Index)] = std::move(ALine);
}

void TXmlAttributeLines::Exchange(int32_t Index1, int32_t Index2) {
  RequireUnsorted();
  std::swap(FLines[static_cast<std::size_t>(Index1)], FLines[static_cast<std::size_t>(Index2)]);
}

void TXmlAttributeLines::Delete(int32_t Index) {
  FLines.erase(FLines.begin() + Index);
}

std::u16string_view TXmlAttributeLines::NamePart(std::u16string_view ALine) {
  return ALine.substr(0, ALine.find(u'='));
}

int32_t TXmlAttributeLines::IndexOfName(std::u16string_view AName) const {
  for (std::size_t i = 0; i < FLines.size(); ++i)
    if (FLines[i].find(u'=') != std::u16string::npos && SameTextAscii(NamePart(FLines[i]), AName))
      return static_cast<int32_t>(i);
  return -1;
}

} // namespace vxml
