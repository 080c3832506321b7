#include "XmlStringStream.h"

#include <algorithm>

namespace vxml {

void TXmlStringStream::SetPosition(int64_t aPosition) {
  fIndex = static_cast<std::size_t>(std::clamp<int64_t>(aPosition, 0, Size()) / 2);
}

} // namespace vxml
