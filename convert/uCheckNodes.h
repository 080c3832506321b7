// How the check reads the new project's nodes: texts as they stand in the file, escaped, and
// unescaped only where needed.
#pragma once

#include "vbase/Characters.h"
#include "vxml/XmlDocument.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vconvert {

// aEscaped as text: itself when it holds no entity, else unescaped into aBuffer.
std::u16string_view Unescaped(std::u16string_view aEscaped, std::u16string& aBuffer);

// The text inside the double quotes that enclose every native text and translation; none when
// the value is not so enclosed.
std::optional<std::u16string_view> Unquoted(std::u16string_view aValue);

// A native text or translation of the new project as a person reads it.
std::u16string QuotedText(const vxml::TXmlNode& aNode);

// The escaped value of aParent's child aName; empty when either is missing.
std::u16string_view ChildValueDirect(const vxml::TXmlNode* aParent, std::u16string_view aName);

// Each element child of aParent (may be none) named aName, in document order.
template <typename TVisit>
void ForEachElement(const vxml::TXmlNode* aParent, std::u16string_view aName, TVisit aVisit) {
  if (!aParent)
    return;
  for (int32_t i = 0; i < aParent->NodeCount(); ++i) {
    const vxml::TXmlNode& child = *aParent->Nodes(i);
    if (child.ElementType() == vxml::xeNormal && vbase::SameCodeUnits(child.Name(), aName))
      aVisit(child);
  }
}

} // namespace vconvert
