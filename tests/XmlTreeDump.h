// A one-line picture of a parsed tree for the reader's tests, so that a table row states the
// whole outcome: kind letter, name, value in quotes, {attribute lines}, [children].
#pragma once

#include "vbase/Utf8.h"
#include "vxml/XmlDocument.h"

#include <gtest/gtest.h>
#include <string>

inline std::string Visible(std::u16string_view AText) {
  std::string text;
  for (const char16_t c : AText) {
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

inline std::string DumpNode(const vxml::TXmlNode& ANode) {
  static constexpr char Kinds[] = "NCDXSTEAYO!?tU";
  std::string dump(1, Kinds[ANode.ElementType()]);
  dump += Visible(ANode.Name()) + "\"" + Visible(ANode.ValueDirect()) + "\"";
  if (ANode.AttributeCount() > 0) {
    dump += "{";
    for (int32_t i = 0; i < ANode.AttributeCount(); ++i)
      dump.append(i ? "," : "").append(Visible(ANode.AttributePair(i)));
    dump += "}";
  }
  if (ANode.NodeCount() > 0) {
    dump += "[";
    for (int32_t i = 0; i < ANode.NodeCount(); ++i)
      dump.append(i ? "," : "").append(DumpNode(*ANode.Nodes(i)));
    dump += "]";
  }
  return dump;
}

// The top-level nodes, separated by blanks.
inline std::string DumpDocument(const vxml::TXmlDocument& ADocument) {
  std::string dump;
  const vxml::TXmlNode& container = *ADocument.RootNodeList();
  for (int32_t i = 0; i < container.NodeCount(); ++i)
    dump.append(i ? " " : "").append(DumpNode(*container.Nodes(i)));
  return dump;
}
