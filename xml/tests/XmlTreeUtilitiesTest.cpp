#include "vxml/XmlDocument.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace vxml;

namespace {

std::vector<std::u16string> PathsOf(const TXmlNodeList& aList) {
  std::vector<std::u16string> paths;
  for (const TXmlNode* node : aList)
    paths.push_back(node->FullPath());
  return paths;
}

std::vector<std::u16string> ChildNames(const TXmlNode& aNode) {
  std::vector<std::u16string> names;
  for (int32_t i = 0; i < aNode.NodeCount(); ++i)
    names.push_back(aNode.Nodes(i)->Name());
  return names;
}

// A chain of aDepth nested elements below aRoot, deeper than any recursion could go.
TXmlNode* DeepChain(TXmlNode& aRoot, int32_t aDepth) {
  TXmlNode* node = &aRoot;
  for (int32_t i = 0; i < aDepth; ++i)
    node = node->NodeNew(u"n");
  node->SetValueAsWidestring(u"leaf");
  return node;
}

constexpr int32_t DeeperThanAnyStack = 100000;

// ---- Searches ----

// xml
//   a
//     b
//     c
//       b
//   b
//   d
class Search : public testing::Test {
protected:
  Search() {
    TXmlNode* a = fRoot.NodeNew(u"a");
    a->NodeNew(u"b");
    a->NodeNew(u"c")->NodeNew(u"b");
    fRoot.NodeNew(u"b");
    fRoot.NodeNew(u"d");
  }

  TXmlDocument fDoc{u"xml"};
  TXmlNode& fRoot = *fDoc.Root();
};

TEST_F(Search, FindNodeReturnsTheFirstMatchInDocumentOrder) {
  struct {
    TXmlNode* From;
    std::u16string Name;
    std::u16string ExpectedPath; // empty: none
  } const cases[] = {
      {&fRoot, u"b", u"/xml/a/b"},                     // a descendant before a later child
      {&fRoot, u"d", u"/xml/d"},                       // at any depth
      {&fRoot, u"*", u"/xml/a"},                       // the first child
      {&fRoot, u"/xml/a/c/b", u"/xml/a/c/b"},          // a full path
      {fDoc.RootNodeList(), u"/xml/a/c", u"/xml/a/c"}, // from above the root element
      {&fRoot, u"/xml/a/x", u""},
      {&fRoot, u"/XML/a", u""}, // the path itself is case-sensitive
      {&fRoot, u"xml", u""},    // the node itself is not a candidate
      {&fRoot, u"B", u""},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(std::string(row.Name.begin(), row.Name.end()));
    const TXmlNode* found = row.From->FindNode(row.Name);
    EXPECT_EQ(found ? found->FullPath() : u"", row.ExpectedPath);
  }
}

TEST_F(Search, FindNodeWithAPathEntersOnlyMatchingPrefixes) {
  // A node of that name outside the path is not found, and "/XML" still leads into /xml.
  fRoot.NodeByName(u"d")->NodeNew(u"c");
  EXPECT_EQ(fRoot.FindNode(u"/xml/d/c"), fRoot.NodeByName(u"d")->Nodes(0));
  EXPECT_EQ(fDoc.RootNodeList()->FindNode(u"/XML"), nullptr);
}

TEST_F(Search, FindNodesListsEveryMatchInDocumentOrder) {
  struct {
    std::u16string Name;
    std::vector<std::u16string> Expected;
  } const cases[] = {
      {u"b", {u"/xml/a/b", u"/xml/a/c/b", u"/xml/b"}},
      {u"*", {u"/xml/a", u"/xml/a/b", u"/xml/a/c", u"/xml/a/c/b", u"/xml/b", u"/xml/d"}},
      {u"/xml/a/c/b", {u"/xml/a/c/b"}},
      {u"zz", {}},
  };
  TXmlNodeList list;
  list.Add(&fRoot); // cleared first
  for (const auto& row : cases) {
    SCOPED_TRACE(std::string(row.Name.begin(), row.Name.end()));
    fRoot.FindNodes(row.Name, &list);
    EXPECT_EQ(PathsOf(list), row.Expected);
  }
  fRoot.FindNodes(u"b", nullptr);
}

TEST(SearchDepth, DeepTreesNeedNoDeepStack) {
  TXmlDocument doc(u"xml");
  TXmlNode* leaf = DeepChain(*doc.Root(), DeeperThanAnyStack);
  TXmlNode* last = leaf->NodeNew(u"last");
  last->AttributeAdd(u"id", u"1");
  EXPECT_EQ(doc.Root()->FindNode(u"last"), last);
  EXPECT_EQ(doc.Root()->NodeByAttributeValue(u"last", u"id", u"1"), last);
  TXmlNodeList list;
  doc.Root()->FindNodes(u"n", &list);
  EXPECT_EQ(list.Count(), DeeperThanAnyStack);
}

// ---- Sorting ----

TXmlNode& WithChildren(TXmlDocument& aDoc, std::initializer_list<std::u16string_view> aNames) {
  for (const std::u16string_view name : aNames)
    aDoc.Root()->NodeNew(name);
  return *aDoc.Root();
}

TEST(SortChildNodes, OrdersByNameWithoutRoutineOrEvent) {
  TXmlDocument doc(u"xml");
  TXmlNode& root = WithChildren(doc, {u"d", u"b", u"B", u"a", u"c", u"b"});
  root.SortChildNodes();
  EXPECT_EQ(ChildNames(root), (std::vector<std::u16string>{u"B", u"a", u"b", u"b", u"c", u"d"}));
}

TEST(SortChildNodes, PrefersTheRoutineOverTheDocumentEvent) {
  TXmlDocument doc(u"xml");
  TXmlNode& root = WithChildren(doc, {u"b", u"c", u"a"});
  int info = 0;
  doc.OnNodeCompare = [&info](TXmlDocument* aSender, TXmlNode* aA, TXmlNode* aB, void* aInfo) {
    EXPECT_EQ(aInfo, &info);
    EXPECT_EQ(aSender, aA->Document());
    return aB->Name().compare(aA->Name()); // descending
  };
  root.SortChildNodes({}, &info);
  EXPECT_EQ(ChildNames(root), (std::vector<std::u16string>{u"c", u"b", u"a"}));

  const auto byValueLength = [](TXmlNode* aA, TXmlNode* aB, void*) {
    return int32_t(aA->ValueDirect().size()) - int32_t(aB->ValueDirect().size());
  };
  root.Nodes(0)->SetValueDirect(u"xxx");
  root.Nodes(2)->SetValueDirect(u"x");
  root.SortChildNodes(byValueLength);
  EXPECT_EQ(ChildNames(root), (std::vector<std::u16string>{u"b", u"a", u"c"}));
}

TEST(SortChildNodes, SortsLargeListsInAnyStartingOrder) {
  constexpr int32_t Count = 5000;
  const auto nameOf = [](int32_t aI) {
    const std::string digits = std::to_string(100000 + aI);
    return std::u16string(digits.begin(), digits.end());
  };
  for (const int order : {0, 1, 2}) { // ascending, descending, shuffled
    SCOPED_TRACE(order);
    TXmlDocument doc(u"xml");
    for (int32_t i = 0; i < Count; ++i)
      doc.Root()->NodeNew(nameOf(order == 0 ? i : order == 1 ? Count - 1 - i : (i * 7919) % Count));
    doc.Root()->SortChildNodes();
    std::vector<std::u16string> expected;
    for (int32_t i = 0; i < Count; ++i)
      expected.push_back(nameOf(i));
    EXPECT_EQ(ChildNames(*doc.Root()), expected);
  }
}

TEST(SortChildNodes, SurvivesAnInconsistentRoutine) {
  TXmlDocument doc(u"xml");
  TXmlNode& root = WithChildren(doc, {u"e", u"d", u"c", u"b", u"a", u"f", u"g"});
  for (const int32_t answer : {-1, 1}) {
    root.SortChildNodes([answer](TXmlNode*, TXmlNode*, void*) { return answer; });
    std::vector<std::u16string> names = ChildNames(root);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::u16string>{u"a", u"b", u"c", u"d", u"e", u"f", u"g"}));
  }
}

// ---- Comparison ----

TXmlCompareOptions Options(std::initializer_list<TXmlCompareOption> aOptions) {
  TXmlCompareOptions options = 0;
  for (const TXmlCompareOption option : aOptions)
    options |= XmlCompareOption(option);
  return options;
}

// Two nodes alike but for one difference each case makes. Detect alone notices it; all options
// but Ignore do not.
TEST(IsEqualTo, EachOptionChecksItsOwnAspect) {
  struct {
    const char* Difference;
    TXmlCompareOptions Detect;
    TXmlCompareOptions Ignore;
    void (*Change)(TXmlNode& aOther);
  } const cases[] = {
      {"name", Options({xcNodeName}), Options({xcNodeName}),
       [](TXmlNode& aN) { aN.SetName(u"other"); }},
      {"kind", Options({xcNodeType}), Options({xcNodeType}),
       [](TXmlNode& aN) { aN.SetElementType(xeComment); }},
      {"value", Options({xcNodeValue}), Options({xcNodeValue}),
       [](TXmlNode& aN) { aN.SetValueDirect(u"Ay"); }},
      {"attribute count", Options({xcAttribCount}), Options({xcAttribCount}),
       [](TXmlNode& aN) { aN.AttributeAdd(u"extra", u""); }},
      {"attribute name", Options({xcAttribNames}), Options({xcAttribNames}),
       [](TXmlNode& aN) { aN.SetAttributeName(0, u"other"); }},
      {"attribute value", Options({xcAttribValues}), Options({xcAttribValues}),
       [](TXmlNode& aN) { aN.SetAttributeValue(0, u"9"); }},
      {"child count", Options({xcChildCount}), Options({xcChildCount}),
       [](TXmlNode& aN) { aN.NodeNew(u"extra"); }},
      {"child name", Options({xcChildNames}), Options({xcChildNames}),
       [](TXmlNode& aN) { aN.Nodes(0)->SetName(u"other"); }},
      {"child value", Options({xcChildValues}), Options({xcChildValues, xcNodeValue}),
       [](TXmlNode& aN) { aN.Nodes(0)->SetValueDirect(u"9"); }},
      {"grandchild name", Options({xcRecursive, xcChildNames}), Options({xcRecursive}),
       [](TXmlNode& aN) { aN.Nodes(0)->Nodes(0)->SetName(u"other"); }},
  };
  const TXmlCompareOptions all = 0x3FF;
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Difference);
    TXmlDocument doc(u"xml");
    TXmlNode* node = doc.Root()->NodeNew(u"n");
    node->SetValueDirect(u"Ax");
    node->AttributeAdd(u"a", u"1");
    TXmlNode* child = node->NodeNew(u"c");
    child->SetValueDirect(u"v");
    child->NodeNew(u"g");
    TXmlNode* other = doc.Root()->NodeNew(u"");
    other->Assign(node);
    other->SetValueDirect(u"&#65;x"); // values compare unescaped
    EXPECT_TRUE(node->IsEqualTo(other, all));
    row.Change(*other);
    EXPECT_FALSE(node->IsEqualTo(other, row.Detect));
    EXPECT_TRUE(node->IsEqualTo(other, all & ~row.Ignore));
  }
}

TEST(IsEqualTo, OtherNodeNoneIsNeverEqual) {
  TXmlNode node(nullptr);
  EXPECT_FALSE(node.IsEqualTo(nullptr, 0));
}

TEST(IsEqualTo, ListsChildMismatchesInOrderAndOwnFailuresInFront) {
  TXmlDocument doc(u"xml");
  TXmlNode* left = doc.Root()->NodeNew(u"left");
  TXmlNode* right = doc.Root()->NodeNew(u"right");
  for (TXmlNode* side : {left, right}) {
    side->NodeNew(u"same")->SetValueDirect(u"1");
    side->NodeNew(u"deep")->NodeNew(u"inner")->SetValueDirect(side == left ? u"x" : u"y");
  }
  left->NodeNew(u"lonely");
  left->Nodes(0)->SetValueDirect(u"2");

  TXmlNodeList mismatches;
  const TXmlCompareOptions options =
      Options({xcNodeName, xcChildNames, xcChildValues, xcRecursive, xcNodeValue});
  EXPECT_FALSE(left->IsEqualTo(right, options, &mismatches));
  // A child with another value shows up twice: once as a child of its parent, and once at
  // the front for its own value check in the recursion.
  EXPECT_EQ(PathsOf(mismatches),
            (std::vector<std::u16string>{u"/xml/left", u"/xml/left/deep/inner", u"/xml/left/same",
                                         u"/xml/left/same", u"/xml/left/deep/inner",
                                         u"/xml/left/lonely"}));
}

TEST(IsEqualTo, ChildrenArePairedByTheirFirstNamesake) {
  TXmlDocument doc(u"xml");
  TXmlNode* left = doc.Root()->NodeNew(u"left");
  TXmlNode* right = doc.Root()->NodeNew(u"right");
  left->NodeNew(u"row")->SetValueDirect(u"1");
  left->NodeNew(u"row")->SetValueDirect(u"2");
  right->NodeNew(u"row")->SetValueDirect(u"1");
  right->NodeNew(u"row")->SetValueDirect(u"2");
  TXmlNodeList mismatches;
  EXPECT_FALSE(left->IsEqualTo(right, Options({xcChildValues}), &mismatches));
  ASSERT_EQ(mismatches.Count(), 1);
  EXPECT_EQ(mismatches.Items(0), left->Nodes(1));
}

TEST(IsEqualTo, AttributesArePairedByTheirFirstLineOfAName) {
  // Lines as a file can hold them: a name without "=", a name twice.
  TXmlNode node(nullptr);
  node.AttributeLineAdd(u"checked");
  node.AttributeLineAdd(u"a='1'");
  node.AttributeLineAdd(u"A=\"2\"");
  TXmlNode copy(nullptr);
  copy.Assign(&node);
  const TXmlCompareOptions attributes = Options({xcAttribCount, xcAttribNames, xcAttribValues});
  EXPECT_TRUE(node.IsEqualTo(&copy, attributes));

  copy.AttributeDelete(0);
  copy.AttributeLineAdd(u"CHECKED");
  EXPECT_TRUE(node.IsEqualTo(&copy, attributes)) << "names match without regard to case";
  copy.AttributeDelete(2);
  copy.AttributeLineAdd(u"other");
  EXPECT_FALSE(node.IsEqualTo(&copy, Options({xcAttribNames})));
  copy.SetAttributeValue(0, u"9");
  EXPECT_FALSE(node.IsEqualTo(&copy, Options({xcAttribValues})));
}

TEST(IsEqualTo, DeepTreesNeedNoDeepStack) {
  TXmlDocument doc(u"xml");
  TXmlNode* left = doc.Root()->NodeNew(u"n");
  TXmlNode* right = doc.Root()->NodeNew(u"n");
  DeepChain(*left, DeeperThanAnyStack);
  TXmlNode* rightLeaf = DeepChain(*right, DeeperThanAnyStack);
  const TXmlCompareOptions options = Options({xcRecursive, xcNodeValue});
  EXPECT_TRUE(left->IsEqualTo(right, options));
  rightLeaf->SetValueDirect(u"other");
  TXmlNodeList mismatches;
  EXPECT_FALSE(left->IsEqualTo(right, options, &mismatches));
  EXPECT_EQ(mismatches.Count(), 1);
}

} // namespace
