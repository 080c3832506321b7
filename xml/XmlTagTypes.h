// The markup that opens and closes each kind of node, shared by the reader and the writer.
#pragma once

#include "vxml/XmlTypes.h"

#include <array>
#include <string_view>

namespace vxml {

struct TTagType {
  std::u16string_view FStart;
  std::u16string_view FClose;
  TXmlElementType FStyle;
};

// The order matters to the reader: a longer start string must come before its prefixes.
inline constexpr std::array<TTagType, 12> TagTypeTable{{
    {u"<![CDATA[", u"]]>", xeCData},
    {u"<!DOCTYPE", u">", xeDoctype},
    {u"<!ELEMENT", u">", xeElement},
    {u"<!ATTLIST", u">", xeAttList},
    {u"<!ENTITY", u">", xeEntity},
    {u"<!NOTATION", u">", xeNotation},
    {u"<?xml-stylesheet", u"?>", xeStylesheet},
    {u"<?xml", u"?>", xeDeclaration},
    {u"<!--", u"-->", xeComment},
    {u"<!", u">", xeExclam},
    {u"<?", u"?>", xeQuestion},
    {u"<", u">", xeNormal},
}};

} // namespace vxml
