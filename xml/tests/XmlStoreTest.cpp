// The document-owned storage: nodes, names, values and lines stay valid for as long as a node
// lives, wherever it moves, and documents built, loaded and cleared again stay correct. Run under
// the sanitizers, these cases catch any read of memory that went with a document.
#include "XmlStore.h"

#include "ErrorOf.h"
#include "TestFiles.h"
#include "XmlTreeDump.h"
#include "vbase/Utf8.h"
#include "vxml/XmlDocument.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define STORE_TEST_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define STORE_TEST_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(STORE_TEST_ADDRESS_SANITIZER)
#include <sanitizer/asan_interface.h>
#endif

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace vbase;
using namespace vxml;

namespace {

constexpr char ParsedProject[] = "<?xml version=\"1.0\"?>\r\n"
                                 "<list kind=\"rows\">"
                                 "<row name=\"a&amp;b\">first &lt;one&gt;<note>n1</note></row>"
                                 "<row name='second'>second</row>"
                                 "</list>";

std::unique_ptr<TXmlDocument> Parsed() {
  auto document = std::make_unique<TXmlDocument>();
  document->ReadFromString(ParsedProject);
  return document;
}

// A subtree made in code: names, escaped values, attribute lines and children of its own store.
std::unique_ptr<TXmlDocument> Built() {
  auto document = std::make_unique<TXmlDocument>(u"list");
  TXmlNode* row = document->Root()->NodeNew(u"row");
  row->AttributeAdd(u"name", u"a&b");
  row->AttributeAdd(u"comment", u"a comment long enough to be copied");
  row->SetValueAsWidestring(u"built <one>");
  row->NodeNew(u"note")->SetValueAsWidestring(u"n1");
  return document;
}

void ExpectRow(const TXmlNode& aRow, std::u16string_view aValue) {
  EXPECT_EQ(aRow.Name(), u"row");
  EXPECT_EQ(aRow.AttributeByName(u"name"), u"a&b");
  EXPECT_EQ(aRow.ValueAsWidestring(), aValue);
  ASSERT_EQ(aRow.NodeCount(), 1);
  EXPECT_EQ(aRow.Nodes(0)->ValueAsWidestring(), u"n1");
}

TEST(XmlStoreTest, ExtractedNodesOutliveTheirDocument) {
  struct TCase {
    const char* Name;
    std::unique_ptr<TXmlDocument> (*Make)();
    std::u16string_view Value;
  };
  for (const TCase& row :
       {TCase{"parsed", Parsed, u"first <one>"}, TCase{"built", Built, u"built <one>"}}) {
    SCOPED_TRACE(row.Name);
    auto document = row.Make();
    TXmlNode* list = document->Root();
    std::unique_ptr<TXmlNode> extracted = list->NodeExtract(list->Nodes(0));
    document.reset();
    ExpectRow(*extracted, row.Value);
    // The node still changes and grows after its document went.
    extracted->SetAttributeByName(u"name", u"changed");
    extracted->Nodes(0)->NodeNew(u"deeper")->SetValueDirect(u"x");
    extracted->SetValueDirect(u"shorter");
    EXPECT_EQ(extracted->AttributeByName(u"name"), u"changed");
    EXPECT_EQ(extracted->ValueDirect(), u"shorter");
    EXPECT_EQ(extracted->Nodes(0)->Nodes(0)->ValueDirect(), u"x");
  }
}

TEST(XmlStoreTest, NodesMovedToAnotherDocumentOutliveTheFirst) {
  for (auto make : {Parsed, Built}) {
    auto source = make();
    TXmlDocument target(u"target");
    TXmlNode* list = source->Root();
    target.Root()->NodeAdd(list->NodeExtract(list->Nodes(0)));
    source.reset();
    TXmlNode& moved = *target.Root()->Nodes(0);
    EXPECT_EQ(moved.Document(), &target);
    EXPECT_EQ(moved.Nodes(0)->Document(), &target);
    moved.NodeNew(u"added")->SetValueAsWidestring(u"y&z");
    const std::u16string text = target.WriteToStringW();
    EXPECT_NE(text.find(u"<row name="), std::u16string::npos);
    EXPECT_NE(text.find(u"<note>n1</note><added>y&amp;z</added></row>"), std::u16string::npos);
  }
}

TEST(XmlStoreTest, NodesMadeForADocumentOutliveIt) {
  auto document = std::make_unique<TXmlDocument>(u"list");
  std::unique_ptr<TXmlNode> node = TXmlNode::CreateNameValue(document.get(), u"kept", u"a<b");
  node->AttributeAdd(u"status", u"auto");
  TXmlNode standalone(document.get());
  standalone.SetName(u"standalone");
  document.reset();
  EXPECT_EQ(node->Name(), u"kept");
  EXPECT_EQ(node->ValueDirect(), u"a&lt;b");
  EXPECT_EQ(node->AttributePair(0), u"status=\"auto\"");
  EXPECT_EQ(standalone.Name(), u"standalone");
}

// A document frees its nodes all at once only when nothing but its own tree holds its store;
// under the sanitizers, a wrong guess shows as a leak or a read of freed memory.
TEST(XmlStoreTest, DocumentsFreeTreesHoldingNodesOfEveryOrigin) {
  struct TCase {
    const char* Name;
    void (*Change)(TXmlDocument& aDocument, TXmlDocument& aOther);
  };
  const TCase cases[] = {
      {"a node made with new",
       [](TXmlDocument& aDocument, TXmlDocument&) {
         aDocument.Root()->NodeAdd(std::make_unique<TXmlNode>(&aDocument));
       }},
      {"a subtree of another document",
       [](TXmlDocument& aDocument, TXmlDocument& aOther) {
         TXmlNode* list = aOther.Root();
         aDocument.Root()->NodeAdd(list->NodeExtract(list->Nodes(0)));
       }},
      {"a node of its own moved elsewhere",
       [](TXmlDocument& aDocument, TXmlDocument&) {
         TXmlNode* list = aDocument.Root();
         list->Nodes(1)->NodeInsert(0, list->NodeExtract(list->Nodes(0)));
       }},
      {"a node given to another document",
       [](TXmlDocument& aDocument, TXmlDocument& aOther) {
         TXmlNode* list = aDocument.Root();
         aOther.Root()->NodeAdd(list->NodeExtract(list->Nodes(0)));
       }},
  };
  for (const TCase& row : cases) {
    SCOPED_TRACE(row.Name);
    auto document = Parsed();
    auto other = Parsed();
    row.Change(*document, *other);
    const std::u16string otherText = other->WriteToStringW();
    document.reset();
    EXPECT_EQ(other->WriteToStringW(), otherText);
  }
}

// Documents sharing one storage: each frees what it drops for the other to use, and whichever
// goes first leaves the other whole, with nodes moved between them or not.
TEST(XmlStoreTest, DocumentsSharingStorageOutliveEachOther) {
  for (const bool moveANode : {false, true}) {
    for (const bool firstGoesFirst : {true, false}) {
      SCOPED_TRACE(std::string(moveANode ? "moved " : "") + (firstGoesFirst ? "first" : "second"));
      auto first = Parsed();
      auto second = std::make_unique<TXmlDocument>(u"copy", *first);
      TXmlNode* list = first->Root();
      for (int32_t i = 0; i < list->NodeCount(); ++i)
        second->Root()->NodeNew(u"")->Assign(list->Nodes(i));
      list->Nodes(0)->NodesClear();
      for (int i = 0; i < 50; ++i)
        second->Root()->NodeNew(u"more")->SetValueAsWidestring(std::u16string(i, u'x'));
      if (moveANode)
        second->Root()->NodeAdd(list->NodeExtract(list->Nodes(1)));
      const std::u16string firstText = first->WriteToStringW();
      const std::u16string secondText = second->WriteToStringW();
      (firstGoesFirst ? first : second).reset();
      if (first)
        EXPECT_EQ(first->WriteToStringW(), firstText);
      else {
        EXPECT_EQ(second->WriteToStringW(), secondText);
        ExpectRow(*second->Root()->Nodes(0), u"first <one>");
      }
    }
  }
  // Loading again ends the sharing: the other document keeps what it had.
  auto first = Parsed();
  TXmlDocument second(u"copy", *first);
  second.Root()->NodeNew(u"")->Assign(first->Root()->Nodes(0));
  first->ReadFromString("<other/>");
  second.Root()->NodeNew(u"more")->SetValueAsWidestring(u"after the load");
  first.reset();
  ExpectRow(*second.Root()->Nodes(0), u"first <one>");
  EXPECT_EQ(second.Root()->Nodes(1)->ValueAsWidestring(), u"after the load");
}

// Freed blocks serve requests of their size or, cut, of smaller ones: no live block may overlap
// another, whatever the mix of sizes.
TEST(XmlStoreTest, ReusedMemoryNeverOverlapsLiveBlocks) {
  TXmlStore* store = TXmlStore::Create();
  struct TBlock {
    unsigned char* Memory;
    std::size_t Size;
    unsigned char Mark;
  };
  std::vector<TBlock> live;
  uint32_t seed = 12345;
  const auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  for (int round = 0; round < 4000; ++round) {
    if (!live.empty() && next() % 3 == 0) {
      const std::size_t index = next() % live.size();
      store->Free(live[index].Memory, live[index].Size);
      live.erase(live.begin() + static_cast<std::ptrdiff_t>(index));
      continue;
    }
    const std::size_t size = 1 + next() % 1100;
    const auto mark = static_cast<unsigned char>(round);
    auto* memory = static_cast<unsigned char*>(store->Allocate(size));
    std::memset(memory, mark, size);
    live.push_back({memory, size, mark});
  }
  for (const TBlock& block : live)
    for (std::size_t i = 0; i < block.Size; ++i)
      ASSERT_EQ(block.Mark, block.Memory[i]);
  store->Release();
}

// A freed block, of a size reused or not, cut or whole, is poisoned until the store hands it
// out again: a read of a freed node in a living store is reported.
TEST(XmlStoreTest, FreedMemoryIsPoisonedUnderAddressSanitizer) {
#if defined(STORE_TEST_ADDRESS_SANITIZER)
  TXmlStore* store = TXmlStore::Create();
  for (const std::size_t size : {std::size_t(8), std::size_t(96), std::size_t(4096)}) {
    SCOPED_TRACE(size);
    void* block = store->Allocate(size);
    store->Free(block, size);
    EXPECT_TRUE(__asan_region_is_poisoned(block, size) == block);
  }
  void* whole = store->Allocate(96);
  store->Free(whole, 96);
  void* again = store->Allocate(96);
  EXPECT_EQ(again, whole);
  EXPECT_EQ(__asan_region_is_poisoned(again, 96), nullptr);
  void* cut = store->Allocate(32);
  store->Free(cut, 32);
  void* part = store->Allocate(16);
  EXPECT_EQ(part, cut) << "the freed block is cut";
  EXPECT_EQ(__asan_region_is_poisoned(part, 16), nullptr);
  EXPECT_TRUE(__asan_address_is_poisoned(static_cast<char*>(part) + 16));
  store->Release();

  TXmlDocument document;
  document.Root()->NodeNew(u"kept");
  TXmlNode* gone = document.Root()->NodeNew(u"gone");
  gone->Delete();
  EXPECT_TRUE(__asan_address_is_poisoned(gone));
#else
  GTEST_SKIP() << "only under AddressSanitizer";
#endif
}

TEST(XmlStoreTest, AssignedValuesAreCopiesThatOutliveTheSource) {
  auto source = Parsed();
  TXmlDocument copy;
  copy.Assign(source.get());
  TXmlNode detached(nullptr);
  detached.Assign(source->Root()->Nodes(0));
  source.reset();
  ExpectRow(*copy.Root()->Nodes(0), u"first <one>");
  ExpectRow(detached, u"first <one>");
  EXPECT_EQ(copy.Root()->AttributeByName(u"kind"), u"rows");
}

// The length and the owned mark share a word: a text too long for it fails rather than being cut.
TEST(XmlStoreTest, TextsTooLongToKeepFailWhole) {
  TXmlDocument document(u"list");
  TXmlNode* row = document.Root()->NodeNew(u"row");
  row->SetValueDirect(u"kept");
  const char16_t one = u'x';
  // Only the length is looked at before the text is refused, so one character can stand for it.
  const std::u16string_view huge(&one, std::size_t(1) << 31);
  EXPECT_THROW(row->SetValueDirect(huge), std::length_error);
  EXPECT_EQ(row->ValueDirect(), u"kept");
  row->SetValueDirect(huge.substr(0, 1));
  EXPECT_EQ(row->ValueDirect(), u"x");
}

TEST(XmlStoreTest, ValuesRewrittenInPlaceAndSharedNamesStayApart) {
  TXmlDocument document(u"list");
  TXmlNode* first = document.Root()->NodeNew(u"row");
  TXmlNode* second = document.Root()->NodeNew(u"row");
  first->SetValueDirect(u"a long first value");
  first->SetValueDirect(first->ValueDirect().substr(2, 4)); // a text of its own value
  second->SetValueDirect(u"other");
  first->SetName(u"renamed");
  EXPECT_EQ(first->ValueDirect(), u"long");
  EXPECT_EQ(second->ValueDirect(), u"other");
  EXPECT_EQ(first->Name(), u"renamed");
  EXPECT_EQ(second->Name(), u"row");
  // Shared short lines stay separate when one of them changes.
  first->AttributeAdd(u"status", u"auto");
  second->AttributeAdd(u"status", u"auto");
  first->SetAttributeValue(0, u"manual");
  EXPECT_EQ(first->AttributeValue(0), u"manual");
  EXPECT_EQ(second->AttributeValue(0), u"auto");
}

// Parsed text that the store keeps lends the room it no longer needs to the nodes parsed from
// it: nothing it lends may overwrite text still to be read.
TEST(XmlStoreTest, ATreeParsedIntoItsOwnTextReadsAsOneParsedFromACopy) {
  std::string rows;
  for (int i = 0; i < 200; ++i)
    rows += "\r\n            <row   name = \"r" + std::to_string(i) +
            "\"   kind='x &amp; y'  >\r\n  text " + std::to_string(i) +
            " <b>bold</b> tail<!-- a comment --><![CDATA[<raw>]]>\r\n    <empty   />" +
            "\r\n            </row   >";
  const std::string text = "<?xml version=\"1.0\"?>\r\n<!DOCTYPE list [ <!ENTITY e \"v\"> ]>\r\n"
                           "<list>" +
                           rows + "<?pi data?></list>";
  TXmlDocument inItsText;
  inItsText.ReadFromString(text);
  TXmlDocument fromACopy;
  fromACopy.ReadFromStringW(Utf8Decode(text));
  EXPECT_EQ(DumpDocument(inItsText), DumpDocument(fromACopy));
  EXPECT_EQ(inItsText.WriteToStringW(), fromACopy.WriteToStringW());
}

TEST(XmlStoreTest, ReloadingKeepsNodesTakenFromTheEarlierContent) {
  TTempFolder folder;
  const std::string path = folder.File("project.xml");
  WriteFileBytes(path, ParsedProject);
  TXmlDocument document;
  document.LoadFromFile(Utf8Decode(path));
  std::unique_ptr<TXmlNode> kept = document.Root()->NodeExtract(document.Root()->Nodes(0));
  document.LoadFromFile(Utf8Decode(path));
  document.Clear();
  ExpectRow(*kept, u"first <one>");
  document.LoadFromFile(Utf8Decode(path));
  EXPECT_EQ(document.Root()->NodeCount(), 2);
  EXPECT_EQ(document.Root()->Nodes(1)->ValueDirect(), u"second");
}

#ifndef _WIN32
TEST(XmlStoreTest, FilesThatCannotBeIndexedFailAtOnce) {
  EXPECT_EQ(ErrorOf([] { TXmlDocument().LoadFromFile(u"/dev/zero"); }),
            "EFOpenError: Cannot open file \"/dev/zero\". Not a regular file");
  TTempFolder folder;
  const std::string path = folder.File("huge.xml");
  // A sparse file: its size says it cannot fit before a byte is read.
  const int handle = ::open(path.c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(handle, 0);
  ASSERT_EQ(::ftruncate(handle, off_t(3) << 31), 0);
  ::close(handle);
  EXPECT_EQ(ErrorOf([&] { TXmlDocument().LoadFromFile(Utf8Decode(path)); }),
            "EFOpenError: " +
                Utf8Encode(u"Cannot open file \"" + Utf8Decode(path) + u"\". File too large"));
}
#endif

} // namespace
