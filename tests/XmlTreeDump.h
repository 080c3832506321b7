// A one-line picture of a parsed tree for the reader's tests, so that a table row states the
// whole outcome: kind letter, name, value in quotes, {attribute lines}, [children].
#pragma once

#include "vbase/Utf8.h"
#include "vxml/XmlDocument.h"

#include <gtest/gtest.h>
#include <string>

inline std::string Visible(std::u16string_view aText) {
  std::string text;
  for (const char16_t c : aText) {
    if (c == u'\r')
      text += "\\r";
    else if (c == u'\n')
      text += "\\n";
    else if (c == u'\t')
      text += "\\t";
    else if (c == 0)
      text += "\\0";
    else
      text += vbase::Utf8Encode(std::u16string_view(&c, 1));
  }
  return text;
}

inline std::string DumpNode(const vxml::TXmlNode& aNode) {
  static constexpr char Kinds[] = "NCDXSTEAYO!?tU";
  std::string dump(1, Kinds[aNode.ElementType()]);
  dump += Visible(aNode.Name()) + "\"" + Visible(aNode.ValueDirect()) + "\"";
  if (aNode.AttributeCount() > 0) {
    dump += "{";
    for (int32_t i = 0; i < aNode.AttributeCount(); ++i)
      dump.append(i ? "," : "").append(Visible(aNode.AttributePair(i)));
    dump += "}";
  }
  if (aNode.NodeCount() > 0) {
    dump += "[";
    for (int32_t i = 0; i < aNode.NodeCount(); ++i)
      dump.append(i ? "," : "").append(DumpNode(*aNode.Nodes(i)));
    dump += "]";
  }
  return dump;
}

// The top-level nodes, separated by blanks.
inline std::string DumpDocument(const vxml::TXmlDocument& aDocument) {
  std::string dump;
  const vxml::TXmlNode& container = *aDocument.RootNodeList();
  for (int32_t i = 0; i < container.NodeCount(); ++i)
    dump.append(i ? " " : "").append(DumpNode(*container.Nodes(i)));
  return dump;
}
