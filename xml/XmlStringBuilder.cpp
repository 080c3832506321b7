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

char16_t TXmlStringBuilder::Data(int32_t aPosition) const {
  if (aPosition < 1 || aPosition > Length())
    throw EListError(u"List index out of bounds (" + IntToText(aPosition) + u")");
  return fData[static_cast<std::size_t>(aPosition - 1)];
}

void TXmlStringBuilder::Grow(std::size_t aMore) {
  fData.resize(std::max(fLength + aMore, 2 * fData.size()));
}

void TXmlStringBuilder::Pass() {
  std::size_t count = fLength;
  if (count > 0 && fData[count - 1] >= 0xD800 && fData[count - 1] <= 0xDBFF)
    --count;
  if (count == 0)
    return;
  fSink(Value().substr(0, count));
  std::copy(fData.begin() + static_cast<std::ptrdiff_t>(count),
            fData.begin() + static_cast<std::ptrdiff_t>(fLength), fData.begin());
  fLength -= count;
}

} // namespace vxml
