#include "XmlStringBuilder.h"

#include "vbase/Errors.h"
#include "vbase/IntegerText.h"
#include "vxml/XmlText.h"

#include <algorithm>

namespace vxml {

using vbase::EListError;
using vbase::IntToText;

std::u16string TXmlStringBuilder::StringCopy(int32_t AFirst, int32_t ALength) const {
  const int64_t first = std::max<int64_t>(AFirst, 1) - 1;
  const int64_t last = std::min<int64_t>(int64_t(AFirst) - 1 + ALength, Length());
  if (ALength <= 0 || first >= last)
    return {};
  return std::u16string(
      Value().substr(static_cast<std::size_t>(first), static_cast<std::size_t>(last - first)));
}

char16_t TXmlStringBuilder::Data(int32_t APosition) const {
  if (APosition < 1 || APosition > Length())
    throw EListError(u"List index out of bounds (" + IntToText(APosition) + u")");
  return FData[static_cast<std::size_t>(APosition - 1)];
}

void TXmlStringBuilder::Grow(std::size_t AMore) {
  FData.resize(std::max(FLength + AMore, 2 * FData.size()));
}

void TXmlStringBuilder::Pass() {
  std::size_t count = FLength;
  if (count > 0 && FData[count - 1] >= 0xD800 && FData[count - 1] <= 0xDBFF)
    --count;
  if (count == 0)
    return;
  FSink(Value().substr(0, count));
  std::copy(FData.begin() + static_cast<std::ptrdiff_t>(count),
            FData.begin() + static_cast<std::ptrdiff_t>(FLength), FData.begin());
  FLength -= count;
}

} // namespace vxml
