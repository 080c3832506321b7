#include "uCheckNodes.h"

namespace vconvert {

std::u16string_view Unescaped(std::u16string_view aEscaped, std::u16string& aBuffer) {
  if (vbase::FindCodeUnit(aEscaped, u'&') == std::u16string_view::npos)
    return aEscaped;
  aBuffer.clear();
  vxml::AppendUnescaped(aBuffer, aEscaped);
  return aBuffer;
}

std::optional<std::u16string_view> Unquoted(std::u16string_view aValue) {
  if (aValue.size() < 2 || aValue.front() != u'"' || aValue.back() != u'"')
    return std::nullopt;
  return aValue.substr(1, aValue.size() - 2);
}

std::u16string QuotedText(const vxml::TXmlNode& aNode) {
  std::u16string buffer;
  const std::u16string_view value = Unescaped(aNode.ValueDirect(), buffer);
  return std::u16string(Unquoted(value).value_or(value));
}

std::u16string_view ChildValueDirect(const vxml::TXmlNode* aParent, std::u16string_view aName) {
  const vxml::TXmlNode* child = aParent ? aParent->NodeByName(aName) : nullptr;
  return child ? child->ValueDirect() : std::u16string_view();
}

} // namespace vconvert
