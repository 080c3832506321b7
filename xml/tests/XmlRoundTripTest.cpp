// Load -> save -> load must give the same tree, in every layout and every encoding we write.
#include "XmlTreeDump.h"
#include "vxml/XmlDocument.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace vbase;
using namespace vxml;

namespace {

std::string Saved(TXmlDocument& aDocument, bool aWriteBOM) {
  std::ostringstream bytes;
  aDocument.SaveToStream(bytes, true, aWriteBOM);
  return bytes.str();
}

std::string Reloaded(const std::string& aBytes) {
  TXmlDocument document;
  document.ReadFromString(aBytes);
  return DumpDocument(document);
}

struct TDocumentCase {
  const char* Name;
  const char* Text;
  // Readable layouts put line breaks and indentation between the children of an element, so
  // only element-only content keeps its character data exactly in them.
  bool ElementOnly = true;
};

const TDocumentCase Documents[] = {
    {"declaration and nested elements",
     "<?xml version=\"1.0\" encoding=\"utf-8\"?><a><b>x</b><c/><d e=\"1\" f='2'/></a>"},
    {"escaped values and references stay escaped",
     "<a t=\"&lt;&amp;&quot;\">1 &lt; 2 &amp;&amp; &#65;&#x42; &unknown;</a>"},
    {"comment, CDATA and processing instruction",
     "<?xml version=\"1.0\"?><!-- top --><a><!-- in --><![CDATA[<raw> & ]]><?pi data?></a>"},
    {"mixed content", "<p>one <b>two</b> three<i/>four</p>", false},
    {"doctype with an internal subset",
     "<!DOCTYPE a [<!ENTITY e 'x y'><!ELEMENT a (#PCDATA)>]><a>&e;</a>"},
    {"parameter-entity reference in the subset",
     "<!DOCTYPE doc [<!ENTITY % e \"<!ELEMENT doc (#PCDATA)>\"> %e; ]><doc/>"},
    {"style sheet", "<?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\"?><a/>"},
    {"non-ASCII text", "<?xml version=\"1.0\" encoding=\"utf-8\"?><a "
                       "n=\"\xc3\xa9t\xc3\xa9\">\xe2\x82\xac \xce\xb1\xce\xb2 \xe6\x97\xa5</a>"},
    {"line breaks inside a value", "<a>line1\r\nline2\r\n</a>"},
    // Top-level elements are written with a close tag.
    {"element name led and ended by control characters", "<\x01x\x01/>"},
    {"element name and attribute ending in a slash", "<a//><b c//>"},
    {"element names starting like other markup", "< ?a/>< !b/>"},
    {"a \"<\" that starts no tag", "<a>< ><b/></a>"},
};

TEST(XmlRoundTrip, EveryLayoutGivesBackTheSameTree) {
  const TXmlFormatType layouts[] = {xfCompact, xfReadable, xfReadable_x13, xfReadable_x10};
  for (const auto& row : Documents) {
    for (const TXmlFormatType layout : layouts) {
      if (!row.ElementOnly && layout != xfCompact)
        continue;
      SCOPED_TRACE(std::string(row.Name) + ", layout " + std::to_string(layout));
      TXmlDocument document;
      document.ReadFromString(row.Text);
      const std::string before = DumpDocument(document);
      document.SetXmlFormat(layout);
      EXPECT_EQ(Reloaded(Saved(document, true)), before);
      EXPECT_EQ(Reloaded(Saved(document, false)), before);
    }
  }
}

TEST(XmlRoundTrip, EveryEncodingGivesBackTheSameText) {
  struct TEncodingCase {
    const char16_t* Encoding;
    const char16_t* Text; // only characters the encoding can hold
  };
  const TEncodingCase cases[] = {
      {u"UTF-8", u"\u00e9\u20ac\U0001F600\u65e5"},
      {u"UTF-16", u"\u00e9\u20ac\U0001F600\u65e5"},
      {u"UTF-16BE", u"\u00e9\u20ac\U0001F600\u65e5"},
      {u"UTF-7", u"A+B \u00e9\u20ac~\\"},
      {u"windows-1252", u"\u00e9\u20ac\u201e\u00ff"},
      {u"iso-8859-1", u"\u00e9\u00ff\u00a0"},
      {u"iso-8859-2", u"\u0105\u0142\u017c"},
      {u"iso-8859-8", u"\u05d0\u05d1\u05d2"},
      {u"shift_jis", u"\u65e5\u672c\u8a9e\uff76"},
      {u"koi8-r", u"\u043f\u0440\u0438\u0432\u0435\u0442"},
      {u"us-ascii", u"plain"},
  };
  for (const auto& row : cases) {
    for (const bool bom : {true, false}) {
      // Without its byte-order mark UTF-16 cannot be told apart from an 8-bit code page.
      if (!bom && std::u16string_view(row.Encoding).starts_with(u"UTF-16"))
        continue;
      SCOPED_TRACE(Utf8Encode(row.Encoding) + (bom ? " with BOM" : " without BOM"));
      TXmlDocument document(u"root");
      document.SetEncodingString(row.Encoding);
      TXmlNode* item = document.Root()->NodeNew(u"item");
      item->SetValueAsWidestring(row.Text);
      item->AttributeAdd(u"a", row.Text);
      TXmlDocument reloaded;
      reloaded.ReadFromString(Saved(document, bom));
      EXPECT_EQ(DumpDocument(reloaded), DumpDocument(document));
      ASSERT_NE(reloaded.Root()->NodeByName(u"item"), nullptr);
      EXPECT_EQ(reloaded.Root()->NodeByName(u"item")->ValueAsWidestring(), row.Text);
    }
  }
}

} // namespace
