#include "ErrorOf.h"
#include "XmlTreeDump.h"
#include "vxml/XmlDocument.h"

#include <gtest/gtest.h>
#include <string>

using namespace vxml;

namespace {

std::u16string WithEntities(std::u16string_view aDeclarations, std::u16string_view aRoot) {
  return u"<!DOCTYPE r [" + std::u16string(aDeclarations) + u"]>" + std::u16string(aRoot);
}

TEST(XmlEntityReferencesTest, EntityByNameGivesTheUnquotedText) {
  TXmlDocument document;
  document.ReadFromStringW(WithEntities(u"<!ENTITY copy 'x y'><!ENTITY e \" z \">", u"<r/>"));
  EXPECT_EQ(document.EntityByName(u"copy"), u"x y");
  EXPECT_EQ(document.EntityByName(u"e"), u" z ");
  EXPECT_EQ(document.EntityByName(u"none"), u"");
}

TEST(XmlEntityReferencesTest, ResolvesMarkupInValuesAndTextInAttributes) {
  struct {
    const char* Name;
    std::u16string Root;
    std::string Expected; // DumpNode of the root afterwards
  } const cases[] = {
      {"markup in an element value", u"<r>before &m; after</r>",
       "Nr\"before \"[Nb\"in\",t\" after\"]"},
      {"markup in later text", u"<r><c/>x &m;</r>", "Nr\"\"[Nc\"\",t\"x \",Nb\"in\"]"},
      {"text after the reference is resolved too", u"<r>&m;&m;</r>", "Nr\"\"[Nb\"in\",Nb\"in\"]"},
      {"a chain keeps the text between references", u"<r>a&m;b&m;c &t; &m;</r>",
       "Nr\"a\"[Nb\"in\",t\"b\",Nb\"in\",t\"c &t; &m;\"]"},
      {"an entity without markup leaves the value", u"<r>a &t; &m;</r>", "Nr\"a &t; &m;\""},
      {"unknown entity", u"<r>&u; &m;</r>", "Nr\"&u; &m;\""},
      {"empty nodes of the entity are dropped", u"<r>&g;</r>", "Nr\"\"[Nb\"in\"]"},
      {"attributes take the entity text", u"<r a='x&t;y&u;&#65;&amp;' b='&t'/>",
       "Nr\"\"{a=\"xplainy&amp;u;A&amp;\",b=\"&amp;t\"}"},
      {"markup in an attribute stays text", u"<r a='&m;'/>", "Nr\"\"{a=\"&lt;b&gt;in&lt;/b&gt;\"}"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Name);
    TXmlDocument document;
    document.ReadFromStringW(WithEntities(
        u"<!ENTITY m '<b>in</b>'><!ENTITY t 'plain'><!ENTITY g 'x<e/>y<b>in</b>'>", row.Root));
    document.ResolveEntityReferences();
    EXPECT_EQ(DumpNode(*document.Root()), row.Expected);
  }
}

TEST(XmlEntityReferencesTest, StopsRunawayExpansion) {
  struct {
    const char* Name;
    std::u16string Declarations;
    std::u16string Root;
  } const cases[] = {
      {"an entity that names itself", u"<!ENTITY e '<b>&e;</b>'>", u"<r>&e;</r>"},
      {"two entities that name each other", u"<!ENTITY a '<x>&b;</x>'><!ENTITY b '<y>&a;</y>'>",
       u"<r>&a;</r>"},
      {"entities that multiply",
       [] {
         std::u16string declarations = u"<!ENTITY e0 '<a>lol</a>'>";
         for (char16_t level = u'1'; level <= u'9'; ++level) {
           std::u16string previous = u"&e" + std::u16string(1, char16_t(level - 1)) + u";";
           declarations += u"<!ENTITY e" + std::u16string(1, level) + u" '<a>";
           for (int i = 0; i < 10; ++i)
             declarations += previous;
           declarations += u"</a>'>";
         }
         return declarations;
       }(),
       u"<r>&e9;</r>"},
      {"an attribute full of a long entity", u"<!ENTITY t '" + std::u16string(100000, u'x') + u"'>",
       u"<r a='" +
           [] {
             std::u16string references;
             for (int i = 0; i < 100; ++i)
               references += u"&t;";
             return references;
           }() +
           u"'/>"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Name);
    TXmlDocument document;
    document.ReadFromStringW(WithEntities(row.Declarations, row.Root));
    EXPECT_EQ(ErrorOf([&] { document.ResolveEntityReferences(); }),
              "EFilerError: Entity expansion limit exceeded");
  }
}

TEST(XmlEntityReferencesTest, AFailedResolutionKeepsTheTextStillToBeResolved) {
  TXmlDocument document;
  document.ReadFromStringW(
      WithEntities(u"<!ENTITY m '<b>in</b>'><!ENTITY bad '<c>'>", u"<r>a &m; b &m; c &bad; d</r>"));
  EXPECT_EQ(ErrorOf([&] { document.ResolveEntityReferences(); }),
            "EFilerError: Missing close tag in element c");
  EXPECT_EQ(DumpNode(*document.Root()), "Nr\"a \"[Nb\"in\",t\" b \",Nb\"in\",t\" c &bad; d\"]");
}

TEST(XmlEntityReferencesTest, NestedEntitiesWithinTheLimitsResolve) {
  TXmlDocument document;
  document.ReadFromStringW(WithEntities(
      u"<!ENTITY inner '<i>deep</i>'><!ENTITY outer '<o>&inner;</o>'>", u"<r>&outer;</r>"));
  document.ResolveEntityReferences();
  EXPECT_EQ(DumpNode(*document.Root()), "Nr\"\"[No\"\"[Ni\"deep\"]]");
}

} // namespace
