#include "vxml/XmlDocument.h"

#include "ErrorOf.h"
#include "vbase/Utf8.h"

#include <atomic>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace vbase;
using namespace vxml;

namespace {

// Allocations made while a test counts them.
std::atomic<bool> CountingAllocations{false};
std::atomic<int64_t> Allocations{0};

} // namespace

// The replacements pair malloc with free, which the compiler cannot see through.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpragmas"
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t ASize) {
  if (CountingAllocations)
    ++Allocations;
  if (void* memory = std::malloc(ASize ? ASize : 1))
    return memory;
  throw std::bad_alloc();
}
void operator delete(void* AMemory) noexcept {
  std::free(AMemory);
}
void operator delete(void* AMemory, std::size_t) noexcept {
  std::free(AMemory);
}
#pragma GCC diagnostic pop

namespace {

TEST(TXmlDocument, StartsWithDeclarationAndEmptyRoot) {
  TXmlDocument document;
  TXmlNode* top = document.RootNodeList();
  ASSERT_EQ(top->NodeCount(), 2);
  const TXmlNode* declaration = top->Nodes(0);
  EXPECT_EQ(declaration->ElementType(), xeDeclaration);
  EXPECT_EQ(declaration->Name(), u"xml");
  ASSERT_EQ(declaration->AttributeCount(), 2);
  EXPECT_EQ(declaration->AttributePair(0), u"version=\"1.0\"");
  EXPECT_EQ(declaration->AttributePair(1), u"encoding=\"utf-8\"");
  EXPECT_EQ(document.Root(), top->Nodes(1));
  EXPECT_EQ(document.Root()->ElementType(), xeNormal);
  EXPECT_TRUE(document.IsEmpty());
  EXPECT_EQ(document.Root()->TreeDepth(), 0);
  EXPECT_EQ(top->TreeDepth(), -1);
  EXPECT_EQ(document.Root()->Document(), &document);
}

TEST(TXmlDocument, CreateNameNamesTheRoot) {
  TXmlDocument document(u"xml");
  EXPECT_EQ(document.Root()->Name(), u"xml");
  EXPECT_FALSE(document.IsEmpty());
  EXPECT_EQ(document.Root()->FullPath(), u"/xml");
  EXPECT_EQ(ErrorOf([] { TXmlDocument bad(u"a b"); }),
            "Exception: Illegal character in node name \"a b\"");
  EXPECT_EQ(ErrorOf([&] { TXmlDocument bad(u"a b", document); }),
            "Exception: Illegal character in node name \"a b\"");
}

TEST(TXmlDocument, DefaultsAndClear) {
  TXmlDocument document;
  EXPECT_EQ(document.BinaryEncoding(), xbeBase64);
  EXPECT_EQ(document.IndentString(), u"  ");
  EXPECT_EQ(document.XmlFormat(), xfCompact);
  EXPECT_EQ(document.FloatSignificantDigits(), 6);
  EXPECT_TRUE(document.WriteOnDefault());
  EXPECT_TRUE(document.FloatAllowScientific());
  EXPECT_FALSE(document.SortAttributes());

  document.SetXmlFormat(xfReadable);
  document.SetIndentString(u"\t");
  document.SetParserWarnings(true);
  document.SetAbortParsing(true);
  document.Root()->SetName(u"project");
  document.Root()->NodeNew(u"child");
  document.Clear();
  EXPECT_EQ(document.XmlFormat(), xfCompact);
  EXPECT_EQ(document.IndentString(), u"  ");
  EXPECT_TRUE(document.ParserWarnings()) << "kept across Clear";
  EXPECT_TRUE(document.AbortParsing()) << "kept across Clear";
  EXPECT_EQ(document.RootNodeList()->NodeCount(), 2);
  EXPECT_TRUE(document.IsEmpty());
}

TEST(TXmlDocument, LineBreakTextFollowsTheFormat) {
  TXmlDocument document;
  const std::pair<TXmlFormatType, std::u16string> cases[] = {
      {xfCompact, u""}, {xfReadable, u"\r\n"}, {xfReadable_x13, u"\r"}, {xfReadable_x10, u"\n"}};
  for (const auto& [format, lineBreak] : cases) {
    document.SetXmlFormat(format);
    EXPECT_EQ(document.LineBreakText(), lineBreak);
  }
}

TEST(TXmlDocument, EncodingStringRewritesTheDeclaration) {
  TXmlDocument document;
  TXmlNode* declaration = document.RootNodeList()->Nodes(0);
  EXPECT_EQ(document.EncodingString(), u"utf-8");
  document.SetEncodingString(u"utf-8");
  EXPECT_EQ(declaration->AttributePair(1), u"encoding=\"utf-8\"");
  document.SetEncodingString(u"UTF-8");
  EXPECT_EQ(declaration->AttributePair(1), u"encoding=\"UTF-8\"");
  EXPECT_EQ(declaration->AttributeCount(), 2);
  document.SetEncodingString(u"");
  EXPECT_EQ(document.EncodingString(), u"utf-8");

  declaration->AttributeDelete(1);
  EXPECT_EQ(document.EncodingString(), u"");
  document.SetEncodingString(u"UTF-8");
  EXPECT_EQ(declaration->AttributePair(1), u"encoding=\"UTF-8\"") << "appended when missing";

  document.RootNodeList()->NodesClear();
  document.SetEncodingString(u"iso-8859-1");
  EXPECT_EQ(document.EncodingString(), u"iso-8859-1") << "kept without a declaration";
}

TEST(TXmlDocument, VersionCommentAndStyleSheet) {
  TXmlDocument document(u"root");
  EXPECT_EQ(document.VersionString(), u"1.0");
  document.SetVersionString(u"1.1");
  EXPECT_EQ(document.RootNodeList()->Nodes(0)->AttributePair(0), u"version=\"1.1\"");

  EXPECT_EQ(document.CommentString(), u"");
  document.SetCommentString(u"made by <us>");
  TXmlNode* comment = document.RootNodeList()->Nodes(1);
  EXPECT_EQ(comment->ElementType(), xeComment);
  EXPECT_EQ(comment->ValueDirect(), u"made by &lt;us&gt;");
  EXPECT_EQ(document.CommentString(), u"made by <us>");

  TXmlNode* styleSheet = document.StyleSheetNode();
  EXPECT_EQ(styleSheet->ElementType(), xeStylesheet);
  EXPECT_EQ(document.RootNodeList()->Nodes(1), styleSheet);
  EXPECT_EQ(document.StyleSheetNode(), styleSheet) << "created once";
  EXPECT_EQ(document.Root()->Name(), u"root");

  document.RootNodeList()->NodeDelete(0);
  document.SetVersionString(u"1.0");
  EXPECT_EQ(document.RootNodeList()->Nodes(0)->ElementType(), xeDeclaration);
  EXPECT_EQ(document.VersionString(), u"1.0");
}

TEST(TXmlDocument, EntityByNameReadsTheDoctype) {
  TXmlDocument document;
  TXmlNode* doctype = document.RootNodeList()->NodeNew(u"DTD");
  doctype->SetElementType(xeDoctype);
  TXmlNode* entity = doctype->NodeNew(u"copy");
  entity->SetElementType(xeEntity);
  entity->SetValueDirect(u" 'x y' ");
  TXmlNode* element = doctype->NodeNew(u"other");
  element->SetElementType(xeElement);
  element->SetValueDirect(u"'no'");
  EXPECT_EQ(document.EntityByName(u"copy"), u"x y");
  EXPECT_EQ(document.EntityByName(u"Copy"), u"");
  EXPECT_EQ(document.EntityByName(u"other"), u"") << "only entity declarations count";
}

TEST(TXmlDocument, AssignCopiesSettingsAndTree) {
  TXmlDocument source(u"xml");
  source.SetXmlFormat(xfReadable);
  source.SetIndentString(u"\t");
  TXmlNode* child = source.Root()->NodeNew(u"child");
  child->AttributeAdd(u"a", u"1");
  child->SetValueAsWidestring(u"x&y");
  child->SetTag(7);

  TXmlDocument copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.XmlFormat(), xfReadable);
  EXPECT_EQ(copy.IndentString(), u"\t");
  ASSERT_EQ(copy.Root()->NodeCount(), 1);
  const TXmlNode* copied = copy.Root()->Nodes(0);
  EXPECT_NE(copied, child);
  EXPECT_EQ(copied->ValueDirect(), u"x&amp;y");
  EXPECT_EQ(copied->AttributePair(0), u"a=\"1\"");
  EXPECT_EQ(copied->Tag(), 7);
  EXPECT_EQ(copied->Document(), &copy);

  TXmlDocument fromNode;
  fromNode.Assign(source.Root());
  ASSERT_EQ(fromNode.RootNodeList()->NodeCount(), 1) << "the node's children become the top level";
  EXPECT_EQ(fromNode.RootNodeList()->Nodes(0)->Name(), u"child");

  EXPECT_EQ(ErrorOf([&] { copy.Assign(nullptr); }),
            "EConvertError: Cannot assign a nil to a TXmlDocument");
}

TEST(TXmlNode, NameRules) {
  TXmlDocument document;
  TXmlNode* node = document.Root()->NodeNew(u"old");
  for (const std::u16string bad : {u"a b", u"a\tb", u"a\nb", u"a\rb", u" "}) {
    EXPECT_EQ(ErrorOf([&] { node->SetName(bad); }),
              "Exception: " + Utf8Encode(u"Illegal character in node name \"" + bad + u"\""));
    EXPECT_EQ(node->Name(), u"old");
  }
  node->SetName(u"");
  EXPECT_EQ(node->Name(), u"");
  node->SetName(u"\u00e9:x-1");
  EXPECT_EQ(node->Name(), u"\u00e9:x-1");

  const int32_t before = document.Root()->NodeCount();
  EXPECT_EQ(ErrorOf([&] { document.Root()->NodeNew(u"bad name"); }),
            "Exception: Illegal character in node name \"bad name\"");
  EXPECT_EQ(document.Root()->NodeCount(), before) << "a rejected node is not attached";
}

TEST(TXmlNode, ValuesAreStoredEscaped) {
  TXmlNode node(nullptr);
  node.SetValueAsWidestring(u"a&b<c'd");
  EXPECT_EQ(node.ValueDirect(), u"a&amp;b&lt;c&apos;d");
  EXPECT_EQ(node.ValueAsWidestring(), u"a&b<c'd");
  node.SetValueAsWidestring(u"&lt;");
  EXPECT_EQ(node.ValueDirect(), u"&amp;lt;");
  EXPECT_EQ(node.ValueAsWidestring(), u"&lt;");
  node.SetValueAsString("\xc3\xa9 & \xe2\x82\xac");
  EXPECT_EQ(node.ValueDirect(), u"\u00e9 &amp; \u20ac");
  EXPECT_EQ(node.ValueAsString(), "\xc3\xa9 & \xe2\x82\xac");
}

TEST(TXmlNode, IntegerValues) {
  TXmlNode node(nullptr);
  const std::pair<std::u16string, int32_t> withDefault[] = {
      {u"   12", 12}, {u"12 ", -5}, {u"$1F", 31}, {u"0x1F", 31}, {u"", -5}, {u"2147483648", -5}};
  for (const auto& [stored, expected] : withDefault) {
    node.SetValueDirect(stored);
    EXPECT_EQ(node.ValueAsIntegerDef(-5), expected);
  }
  node.SetValueDirect(u"abc");
  EXPECT_EQ(ErrorOf([&] { node.ValueAsInteger(); }),
            "EConvertError: ''abc'' is not a valid integer value");
  node.SetValueDirect(u"&#49;");
  EXPECT_EQ(ErrorOf([&] { node.ValueAsInteger(); }),
            "EConvertError: ''&#49;'' is not a valid integer value");
  node.SetValueAsInteger(-42);
  EXPECT_EQ(node.ValueDirect(), u"-42");
  node.SetValueAsInt64(INT64_MIN);
  EXPECT_EQ(node.ValueAsInt64(), INT64_MIN);
  EXPECT_EQ(node.ValueAsIntegerDef(3), 3);
  node.SetValueDirect(u"x");
  EXPECT_EQ(ErrorOf([&] { node.ValueAsInt64(); }),
            "EConvertError: ''x'' is not a valid integer value");
  EXPECT_EQ(node.ValueAsInt64Def(9), 9);
}

TEST(TXmlNode, BooleanValues) {
  TXmlNode node(nullptr);
  node.SetValueAsBool(true);
  EXPECT_EQ(node.ValueDirect(), u"True");
  node.SetValueDirect(u"yes");
  EXPECT_TRUE(node.ValueAsBool());
  node.SetValueDirect(u"No");
  EXPECT_FALSE(node.ValueAsBool());
  node.SetValueDirect(u"1");
  EXPECT_EQ(ErrorOf([&] { node.ValueAsBool(); }), "Exception: Cannot convert value to bool");
  EXPECT_TRUE(node.ValueAsBoolDef(true));
  node.SetValueDirect(u"");
  EXPECT_FALSE(node.ValueAsBoolDef(false));
  node.SetValueDirect(u"n");
  EXPECT_FALSE(node.ValueAsBoolDef(true));
}

TEST(TXmlNode, AttributeLookup) {
  TXmlNode node(nullptr);
  EXPECT_EQ(node.AttributeByName(u"a"), u"") << "no list yet";
  EXPECT_EQ(node.AttributeCount(), 0);
  node.AttributeAdd(u"Name", u"first");
  node.AttributeAdd(u"Name", u"second");
  node.AttributeAdd(u"quote", u"say \"hi\" & go");
  node.AttributeAdd(u"count", 42);
  ASSERT_EQ(node.AttributeCount(), 4);
  EXPECT_EQ(node.AttributeByName(u"Name"), u"first");
  EXPECT_EQ(node.AttributeByName(u"NAME"), u"first");
  EXPECT_EQ(node.AttributeByName(u"missing"), u"");
  EXPECT_EQ(node.AttributePair(2), u"quote=\"say &quot;hi&quot; &amp; go\"");
  EXPECT_EQ(node.AttributeByName(u"quote"), u"say \"hi\" & go");
  EXPECT_EQ(node.AttributeByNameDirect(u"QUOTE"), u"say &quot;hi&quot; &amp; go");
  EXPECT_EQ(node.AttributeByNameDirect(u"missing"), u"");
  EXPECT_EQ(node.AttributeValueAsInteger(3), 42);
  EXPECT_EQ(node.AttributeIndexByName(u"COUNT"), 3);
  EXPECT_TRUE(node.HasAttribute(u"quote"));
  EXPECT_FALSE(node.HasAttribute(u"quot"));
  EXPECT_EQ(node.AttributeName(1), u"Name");
  EXPECT_EQ(node.AttributeValue(1), u"second");
  EXPECT_EQ(node.AttributePair(9), u"");
  EXPECT_EQ(node.AttributeName(-1), u"");
  EXPECT_EQ(node.AttributeValue(4), u"");
}

TEST(TXmlNode, AttributeLinesFromAFileKeepTheirQuotes) {
  TXmlNode node(nullptr);
  node.AttributeLineAdd(u"a='x&amp;y'");
  node.AttributeLineAdd(u"checked");
  node.AttributeLineAdd(u"b=\"it''s\"");
  EXPECT_EQ(node.AttributeByName(u"a"), u"x&y");
  EXPECT_EQ(node.AttributeValue(0), u"x&y");
  EXPECT_EQ(node.AttributeName(1), u"checked");
  EXPECT_EQ(node.AttributeValue(1), u"");
  EXPECT_FALSE(node.HasAttribute(u"checked")) << "a line without = has no name to match";
  node.SetAttributeName(1, u"renamed");
  EXPECT_EQ(node.AttributePair(1), u"checked") << "lines without = are left alone";
  node.SetAttributeName(0, u"c");
  EXPECT_EQ(node.AttributePair(0), u"c='x&amp;y'");
}

TEST(TXmlNode, AttributeRewriting) {
  TXmlNode node(nullptr);
  node.AttributeAdd(u"a", u"1");
  node.AttributeAdd(u"b", u"2");
  node.SetAttributeByName(u"A", u"<3>");
  EXPECT_EQ(node.AttributePair(0), u"A=\"&lt;3&gt;\"") << "replaced in place under the new name";
  node.SetAttributeByName(u"c", u"x");
  EXPECT_EQ(node.AttributePair(2), u"c=\"x\"");
  node.SetAttributeValue(1, u"\"q\"");
  EXPECT_EQ(node.AttributePair(1), u"b=\"&quot;q&quot;\"");
  node.SetAttributeValueAsInteger(1, -7);
  EXPECT_EQ(node.AttributeValue(1), u"-7");
  node.AttributeExchange(0, 2);
  EXPECT_EQ(node.AttributeName(0), u"c");
  EXPECT_EQ(node.AttributeName(2), u"A");
  node.AttributeExchange(0, 5);
  node.AttributeDelete(7);
  EXPECT_EQ(node.AttributeCount(), 3);
  node.AttributeDelete(1);
  EXPECT_EQ(node.AttributeCount(), 2);
  node.AttributesClear();
  EXPECT_EQ(node.AttributeCount(), 0);
  EXPECT_TRUE(node.IsEmpty());
}

TEST(TXmlNode, SortedAttributeLists) {
  TXmlDocument document;
  document.SetSortAttributes(true);
  TXmlNode* node = document.Root()->NodeNew(u"e");
  node->AttributeAdd(u"b", u"2");
  node->AttributeAdd(u"A", u"1");
  node->AttributeAdd(u"c", u"3");
  node->AttributeAdd(u"a", u"1");
  ASSERT_EQ(node->AttributeCount(), 3) << "a line equal but for case is dropped";
  EXPECT_EQ(node->AttributePair(0), u"A=\"1\"");
  EXPECT_EQ(node->AttributePair(1), u"b=\"2\"");

  const std::pair<const char*, std::function<void()>> rewrites[] = {
      {"SetAttributeByName", [&] { node->SetAttributeByName(u"b", u"9"); }},
      {"SetAttributeValue", [&] { node->SetAttributeValue(0, u"9"); }},
      {"SetAttributeName", [&] { node->SetAttributeName(0, u"z"); }},
      {"AttributeExchange", [&] { node->AttributeExchange(0, 1); }},
  };
  for (const auto& [name, rewrite] : rewrites) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ErrorOf(rewrite), "EStringListError: Operation not allowed on sorted list");
    EXPECT_EQ(node->AttributePair(0), u"A=\"1\"");
    EXPECT_EQ(node->AttributePair(1), u"b=\"2\"");
  }
  node->SetAttributeByName(u"d", u"4");
  EXPECT_EQ(node->AttributePair(3), u"d=\"4\"") << "a new name is added, not rewritten";

  document.SetSortAttributes(false);
  node->AttributesClear();
  node->AttributeAdd(u"b", u"2");
  node->AttributeAdd(u"a", u"1");
  EXPECT_EQ(node->AttributeName(0), u"b") << "a list made anew follows the current setting";
}

TEST(TXmlNode, ChildLookups) {
  TXmlDocument document;
  TXmlNode* root = document.Root();
  TXmlNode* info = root->NodeNew(u"info");
  TXmlNode* second = root->NodeNew(u"info");
  TXmlNode* other = root->NodeNew(u"other");
  info->NodeNew(u"deep");
  EXPECT_EQ(root->NodeByName(u"info"), info);
  EXPECT_EQ(root->NodeByName(u"Info"), nullptr);
  EXPECT_EQ(root->NodeByName(u"deep"), nullptr) << "direct children only";
  EXPECT_EQ(root->NodeIndexByName(u"other"), 2);
  EXPECT_EQ(root->NodeIndexByNameFrom(u"info", 1), 1);
  EXPECT_EQ(root->NodeIndexByNameFrom(u"info", 2), -1);
  EXPECT_EQ(root->Nodes(-1), nullptr);
  EXPECT_EQ(root->Nodes(root->NodeCount()), nullptr);
  EXPECT_EQ(root->NodeIndexOf(second), 1);
  EXPECT_EQ(root->NodeFindOrCreate(u"other"), other);
  TXmlNode* created = root->NodeFindOrCreate(u"new");
  EXPECT_EQ(root->Nodes(3), created);

  TXmlNodeList list;
  root->NodesByName(u"info", &list);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(1), second);

  other->SetElementType(xeComment);
  EXPECT_EQ(root->NodeByElementType(xeComment), other);
  EXPECT_EQ(root->NodeByElementType(xeCData), nullptr);
}

TEST(TXmlNode, NodeByAttributeValueSearchesDepthFirst) {
  TXmlDocument document;
  TXmlNode* root = document.Root();
  TXmlNode* first = root->NodeNew(u"group");
  TXmlNode* nested = first->NodeNew(u"item");
  nested->AttributeAdd(u"id", u"7");
  TXmlNode* later = root->NodeNew(u"item");
  later->AttributeAdd(u"id", u"7");
  EXPECT_EQ(root->NodeByAttributeValue(u"item", u"ID", u"7", true), nested);
  EXPECT_EQ(root->NodeByAttributeValue(u"item", u"id", u"7", false), later);
  EXPECT_EQ(root->NodeByAttributeValue(u"item", u"id", u"8", true), nullptr);
}

TEST(TXmlNode, AddInsertAndDocuments) {
  TXmlDocument first;
  TXmlDocument second;
  auto subtree = TXmlNode::CreateName(&second, u"moved");
  subtree->NodeNew(u"inner")->NodeNew(u"innermost");
  TXmlNode* moved = subtree.get();
  EXPECT_EQ(first.Root()->NodeAdd(std::move(subtree)), 0);
  EXPECT_EQ(moved->Parent(), first.Root());
  EXPECT_EQ(moved->Nodes(0)->Nodes(0)->Document(), &first);
  EXPECT_EQ(first.Root()->NodeAdd(nullptr), -1);

  auto inserted = TXmlNode::CreateName(&second, u"front");
  TXmlNode* front = inserted.get();
  first.Root()->NodeInsert(0, std::move(inserted));
  EXPECT_EQ(first.Root()->Nodes(0), front);
  EXPECT_EQ(front->Document(), &first) << "NodeInsert moves the node to this document";
  EXPECT_EQ(moved->IndexInParent(), 1) << "a stale cache is refreshed";

  auto refused = TXmlNode::CreateName(&first, u"refused");
  first.Root()->NodeInsert(5, std::move(refused));
  EXPECT_NE(refused, nullptr) << "an out-of-range insert leaves the node with the caller";
  EXPECT_EQ(first.Root()->NodeNewAtIndex(9, u"x"), nullptr);
  TXmlNode* middle = first.Root()->NodeNewAtIndex(1, u"middle");
  EXPECT_EQ(first.Root()->Nodes(1), middle);
  EXPECT_EQ(middle->Document(), &first);
}

// Each case leaves a node of the first document with a holder that outlives the document, then
// uses it in every way that reads its parent or document settings.
TEST(TXmlNode, NodesOutliveTheDocumentTheyLeft) {
  const struct {
    const char* Name;
    std::function<std::unique_ptr<TXmlNode>(TXmlDocument& AFirst, TXmlDocument& ASecond)> Take;
  } cases[] = {
      {"extracted",
       [](TXmlDocument& AFirst, TXmlDocument&) {
         TXmlNode* node = AFirst.Root()->NodeNew(u"taken");
         node->NodeNew(u"inner")->NodeNew(u"innermost");
         return AFirst.Root()->NodeExtract(node);
       }},
      {"created for it",
       [](TXmlDocument& AFirst, TXmlDocument&) {
         auto node = TXmlNode::CreateName(&AFirst, u"taken");
         node->NodeNew(u"inner")->NodeNew(u"innermost");
         return node;
       }},
      {"moved to another document and out again",
       [](TXmlDocument& AFirst, TXmlDocument& ASecond) {
         TXmlNode* node = AFirst.Root()->NodeNew(u"taken");
         node->NodeNew(u"inner")->NodeNew(u"innermost");
         ASecond.Root()->NodeInsert(0, AFirst.Root()->NodeExtract(node));
         EXPECT_EQ(node->Nodes(0)->Nodes(0)->Document(), &ASecond) << "moved";
         return ASecond.Root()->NodeExtract(node);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TXmlDocument second;
    auto first = std::make_unique<TXmlDocument>();
    first->SetSortAttributes(true);
    first->SetBinaryEncoding(xbeBase64);
    first->SetXmlFormat(xfReadable);
    std::unique_ptr<TXmlNode> node = c.Take(*first, second);
    first.reset();
    TXmlNode* innermost = node->Nodes(0)->Nodes(0);
    EXPECT_EQ(node->Parent(), nullptr);
    EXPECT_EQ(innermost->Document(), nullptr);
    EXPECT_EQ(innermost->TreeDepth(), 1);
    innermost->AttributeAdd(u"b", u"2");
    innermost->AttributeAdd(u"a", u"1");
    EXPECT_EQ(innermost->AttributeName(0), u"b") << "no document: unsorted";
    EXPECT_EQ(innermost->BinaryEncoding(), xbeBinHex);
    innermost->SetBinaryEncoding(xbeBase64);
    EXPECT_EQ(node->WriteToString(), u"<taken><inner><innermost b=\"2\" a=\"1\"/></inner></taken>");
    second.Root()->NodeAdd(std::move(node));
    EXPECT_EQ(innermost->Document(), &second);
    EXPECT_EQ(innermost->TreeDepth(), 3);
  }
}

TEST(TXmlNode, ANodeIsNeverAttachedBelowItself) {
  auto top = TXmlNode::CreateName(nullptr, u"top");
  TXmlNode* inner = top->NodeNew(u"inner");
  // A refused node stays with the caller, whose moved-from pointer is read on purpose.
  // NOLINTBEGIN(bugprone-use-after-move)
  EXPECT_EQ(inner->NodeAdd(std::move(top)), -1);
  ASSERT_NE(top, nullptr) << "the caller keeps it";
  top->NodeInsert(0, std::move(top));
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->NodeCount(), 1);
  EXPECT_EQ(inner->Parent(), top.get());
  // NOLINTEND(bugprone-use-after-move)
}

// Teardown runs while exceptions unwind, out of memory too: it must not need any. The trees are
// far deeper than a stack could recurse; the document shares its storage, so its nodes go one
// by one.
TEST(TXmlNode, TeardownNeedsNoMemory) {
  constexpr int Depth = 200000;
  auto detached = TXmlNode::CreateName(nullptr, u"top");
  auto document = std::make_unique<TXmlDocument>(u"root");
  auto partner = std::make_unique<TXmlDocument>(u"partner", *document);
  for (TXmlNode* node : {detached.get(), document->Root(), partner->Root()}) {
    for (int i = 0; i < Depth; ++i) {
      node->NodeNew(u"sibling")->SetValueDirect(u"a value long enough to be owned");
      node = node->NodeNew(u"n");
      node->AttributeAdd(u"a", u"a line long enough to be owned");
    }
  }
  Allocations = 0;
  CountingAllocations = true;
  detached.reset();
  document.reset();
  partner.reset();
  CountingAllocations = false;
  EXPECT_EQ(Allocations, 0);
}

TEST(TXmlNode, RemovingChildren) {
  TXmlDocument document;
  TXmlNode* root = document.Root();
  for (const char16_t* name : {u"a", u"b", u"c", u"d"})
    root->NodeNew(name);
  root->NodeDelete(-1);
  root->NodeDelete(4);
  EXPECT_EQ(root->NodeCount(), 4);
  root->NodeDelete(0);
  EXPECT_EQ(root->Nodes(0)->Name(), u"b");
  EXPECT_EQ(root->NodeRemove(root->Nodes(1)), 1);
  EXPECT_EQ(root->NodeRemove(document.RootNodeList()), -1);
  root->Nodes(0)->Delete();
  ASSERT_EQ(root->NodeCount(), 1);
  TXmlNode* last = root->Nodes(0);
  std::unique_ptr<TXmlNode> extracted = root->NodeExtract(last);
  EXPECT_EQ(extracted.get(), last);
  EXPECT_EQ(extracted->Parent(), nullptr) << "a detached node has no parent";
  EXPECT_EQ(extracted->Document(), nullptr) << "nor a document";
  EXPECT_EQ(root->NodeCount(), 0);
  EXPECT_EQ(root->NodeExtract(last), nullptr);
  root->NodeNew(u"x");
  root->NodeNew(u"y");
  root->NodeExchange(0, 1);
  EXPECT_EQ(root->Nodes(0)->Name(), u"y");
  root->NodeExchange(0, 2);
  EXPECT_EQ(root->Nodes(0)->Name(), u"y");
  root->NodesClear();
  EXPECT_EQ(root->NodeCount(), 0);
}

TEST(TXmlNode, DeleteEmptyNodesCleansBottomUp) {
  TXmlDocument document;
  TXmlNode* root = document.Root();
  root->NodeNew(u"empty");
  root->NodeNew(u"holder")->NodeNew(u"empty-inside");
  root->NodeNew(u"valued")->SetValueAsWidestring(u"v");
  root->NodeNew(u"attributed")->AttributeAdd(u"a", u"");
  root->DeleteEmptyNodes();
  ASSERT_EQ(root->NodeCount(), 2);
  EXPECT_EQ(root->Nodes(0)->Name(), u"valued");
  EXPECT_EQ(root->Nodes(1)->Name(), u"attributed");
}

TEST(TXmlNode, PathsDepthsAndCounts) {
  TXmlDocument document(u"xml");
  TXmlNode* infos = document.Root()->NodeNew(u"infos");
  TXmlNode* info = infos->NodeNew(u"info");
  info->AttributeAdd(u"Index", u"3");
  EXPECT_EQ(infos->FullPath(), u"/xml/infos");
  EXPECT_EQ(info->FullPath(), u"/xml/infos/info");
  EXPECT_EQ(info->TreeDepth(), 2);
  EXPECT_EQ(document.RootNodeList()->TotalNodeCount(), 4);
  EXPECT_EQ(info->CascadedName(), u"0000_xml0000_infos0000_info0003");
  TXmlNode detached(nullptr);
  detached.SetName(u"n");
  detached.AttributeAdd(u"index", u"-12");
  EXPECT_EQ(detached.CascadedName(), u"n-0012");

  document.SetXmlFormat(xfReadable);
  EXPECT_EQ(info->IndentText(), u"    ");
  EXPECT_EQ(document.Root()->IndentText(), u"");
  document.SetXmlFormat(xfCompact);
  EXPECT_EQ(info->IndentText(), u"");
}

TEST(TXmlNode, AssignMakesADeepCopy) {
  TXmlDocument document;
  TXmlNode* source = document.Root()->NodeNew(u"source");
  source->AttributeAdd(u"a", u"1");
  source->NodeNew(u"child")->NodeNew(u"grandchild")->SetValueAsWidestring(u"g");
  TXmlNode target(nullptr);
  target.SetTag(1);
  target.Assign(source);
  EXPECT_EQ(target.Name(), u"source");
  EXPECT_EQ(target.AttributeByName(u"a"), u"1");
  ASSERT_EQ(target.NodeCount(), 1);
  EXPECT_EQ(target.Nodes(0)->Nodes(0)->ValueAsWidestring(), u"g");
  EXPECT_EQ(target.Nodes(0)->Nodes(0)->Document(), nullptr) << "copies take the target's document";

  // Assigning from the node's own descendant must not read freed nodes.
  TXmlNode* child = source->Nodes(0);
  source->Assign(child);
  EXPECT_EQ(source->Name(), u"child");
  ASSERT_EQ(source->NodeCount(), 1);
  EXPECT_EQ(source->Nodes(0)->Name(), u"grandchild");

  // Assigning from the node's own ancestor copies the ancestor as it was before the copy.
  TXmlNode* grandchild = source->Nodes(0);
  grandchild->SetValueAsWidestring(u"g");
  grandchild->Assign(source);
  EXPECT_EQ(grandchild->Name(), u"child");
  ASSERT_EQ(grandchild->NodeCount(), 1);
  EXPECT_EQ(grandchild->Nodes(0)->Name(), u"grandchild");
  EXPECT_EQ(grandchild->Nodes(0)->ValueAsWidestring(), u"g");
  EXPECT_EQ(grandchild->Nodes(0)->NodeCount(), 0);
  EXPECT_EQ(source->TotalNodeCount(), 2);
}

TEST(TXmlNode, ClearKeepsKindAndTag) {
  TXmlNode node(nullptr);
  node.SetElementType(xeComment);
  node.SetTag(5);
  node.SetName(u"n");
  node.SetValueDirect(u"v");
  node.AttributeAdd(u"a", u"b");
  node.NodeNew(u"c");
  EXPECT_FALSE(node.IsClear());
  node.Clear();
  EXPECT_TRUE(node.IsClear());
  EXPECT_EQ(node.ElementType(), xeComment);
  EXPECT_EQ(node.Tag(), 5);
}

// Trees built in code know no depth limit: every walk over them must do without recursion.
TEST(TXmlNode, DeepTreesAreCopiedCleanedNamedAndFreedWithoutRecursion) {
  constexpr int32_t Depth = 200000;
  auto top = std::make_unique<TXmlNode>(nullptr);
  top->SetName(u"n");
  TXmlNode* leaf = top.get();
  for (int32_t i = 1; i < Depth; ++i)
    leaf = leaf->NodeNew(u"n");
  leaf->SetValueAsWidestring(u"leaf");

  const std::u16string name = leaf->CascadedName();
  EXPECT_EQ(name.size(), std::size_t{Depth} * 6 - 1);
  EXPECT_EQ(name.substr(0, 12), u"n0000_n0000_");

  TXmlNode copy(nullptr);
  copy.Assign(top.get());
  EXPECT_EQ(copy.TotalNodeCount(), Depth - 1);
  const TXmlNode* copiedLeaf = &copy;
  while (copiedLeaf->NodeCount() > 0)
    copiedLeaf = copiedLeaf->Nodes(0);
  EXPECT_EQ(copiedLeaf->ValueAsWidestring(), u"leaf");

  top->DeleteEmptyNodes(); // the valued leaf keeps the whole chain
  EXPECT_EQ(top->TotalNodeCount(), Depth - 1);
  leaf->SetValueAsWidestring(u"");
  top->DeleteEmptyNodes(); // now every level is empty once the one below it has gone
  EXPECT_EQ(top->NodeCount(), 0);
  top.reset();
}

} // namespace
