#include "XmlWriter.h"

#include "ErrorOf.h"
#include "FullDisk.h"
#include "SystemReasons.h"
#include "TestFiles.h"
#include "XmlStringBuilder.h"
#include "vbase/Utf8.h"
#include "vxml/XmlDocument.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#ifdef _WIN32
#include "vbase/WindowsErrors.h"

#include <windows.h>
#endif

using namespace vbase;
using namespace vxml;

using namespace std::string_literals;
using namespace std::string_view_literals;

namespace fs = std::filesystem;

namespace {

const std::u16string NewDeclaration = u"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";

TXmlNode* AddTyped(TXmlNode& AParent, TXmlElementType AType, std::u16string_view AName,
                   std::u16string AStoredValue = {}) {
  auto node = TXmlNode::CreateType(AParent.Document(), AType);
  node->SetName(AName);
  node->SetValueDirect(std::move(AStoredValue));
  return AParent.Nodes(AParent.NodeAdd(std::move(node)));
}

TXmlNode* AddElement(TXmlNode& AParent, std::u16string_view AName,
                     std::u16string_view AValue = {}) {
  TXmlNode* node = AParent.NodeNew(AName);
  node->SetValueAsWidestring(AValue);
  return node;
}

// The new project of a conversion with one project target, no rows and no excludes.
void BuildConvertedProject(TXmlDocument& ADocument) {
  TXmlNode& root = *ADocument.Root();
  root.SetName(u"xml");
  root.AttributeAdd(u"version", u"7.5.0.0");
  TXmlNode* info = AddElement(*AddElement(root, u"infos"), u"info",
                              u"This project is auto-upgraded from Vornalex 5 project "
                              u"\"C:\\Work\\demo.vlp\".");
  info->AttributeAdd(u"infotype", u"description");
  AddElement(*AddElement(root, u"languages"), u"language", u"de");
  TXmlNode* target = AddElement(*AddElement(root, u"targets"), u"target");
  target->AttributeAdd(u"visible", u"true");
  target->AttributeAdd(u"enabled", u"true");
  target->AttributeAdd(u"scanner", u"{95E3B58F-A92C-4C8B-9B91-9E49A31D5F6D}");
  TXmlNode* options = AddElement(*target, u"options");
  AddElement(*options, u"filename", u"C:\\Work\\demo.exe");
  AddElement(*options, u"scanexe")->SetValueAsBool(false);
  AddElement(*options, u"autoinclude")->SetValueAsBool(false);
  AddElement(*options, u"taginclude");
  AddElement(*options, u"translatefunctions");
  AddElement(*options, u"file_list");
  AddElement(*options, u"parse_project")->SetValueAsBool(true);
  AddElement(*options, u"vndfilename");
  AddElement(*target, u"stringdata");
  AddElement(*target, u"customdata");
  AddElement(root, u"excludes");
}

std::u16string ToUtf16(const fs::path& APath) {
  return APath.u16string();
}

// ---- node and document text ----

struct TTextCase {
  const char* Name;
  std::function<void(TXmlDocument&)> Build;
  std::u16string Expected;
};

const TTextCase TextCases[] = {
    {"empty element below the root is an empty-element tag",
     [](TXmlDocument& d) {
       d.SetXmlFormat(xfReadable);
       d.Root()->NodeNew(u"excludes");
     },
     NewDeclaration + u"<xml>\r\n  <excludes/>\r\n</xml>"},
    {"the slash follows the last attribute directly",
     [](TXmlDocument& d) { d.Root()->NodeNew(u"flag")->AttributeAdd(u"a", u"1"); },
     NewDeclaration + u"<xml><flag a=\"1\"/></xml>"},
    {"UseFullNodes writes an end tag",
     [](TXmlDocument& d) {
       d.SetXmlFormat(xfReadable);
       d.SetUseFullNodes(true);
       d.Root()->NodeNew(u"excludes");
     },
     NewDeclaration + u"<xml>\r\n  <excludes></excludes>\r\n</xml>"},
    {"an empty root keeps its end tag", [](TXmlDocument& d) { d.SetXmlFormat(xfReadable); },
     NewDeclaration + u"<xml></xml>"},
    {"an unnamed root", [](TXmlDocument& d) { d.Root()->SetName(u""); }, NewDeclaration + u"<></>"},
    {"value and no children on one line",
     [](TXmlDocument& d) {
       d.SetXmlFormat(xfReadable);
       AddElement(*d.Root(), u"language", u"de");
     },
     NewDeclaration + u"<xml>\r\n  <language>de</language>\r\n</xml>"},
    {"a value before the children",
     [](TXmlDocument& d) {
       d.SetXmlFormat(xfReadable);
       d.Root()->SetName(u"a");
       d.Root()->SetValueAsWidestring(u"text");
       d.Root()->NodeNew(u"b");
     },
     NewDeclaration + u"<a>text\r\n  <b/>\r\n</a>"},
    {"no line break on either side of character data",
     [](TXmlDocument& d) {
       d.SetXmlFormat(xfReadable);
       TXmlNode& p = *d.Root();
       p.SetName(u"p");
       AddTyped(p, xeCharData, u"", u"text");
       AddElement(p, u"b", u"bold");
       AddTyped(p, xeCharData, u"", u"tail");
     },
     NewDeclaration + u"<p>\r\ntext  <b>bold</b>tail</p>"},
    {"line breaks inside a value stay as they are",
     [](TXmlDocument& d) {
       d.SetXmlFormat(xfReadable);
       AddElement(*d.Root(), u"v", u"one\r\ntwo");
     },
     NewDeclaration + u"<xml>\r\n  <v>one\r\ntwo</v>\r\n</xml>"},
    {"compact: the root element on one line",
     [](TXmlDocument& d) {
       AddElement(*AddElement(*d.Root(), u"infos"), u"info", u"x");
       d.Root()->NodeNew(u"excludes");
     },
     NewDeclaration + u"<xml><infos><info>x</info></infos><excludes/></xml>"},
    {"LF inside elements, CR LF between top-level nodes",
     [](TXmlDocument& d) {
       d.SetXmlFormat(xfReadable_x10);
       d.Root()->NodeNew(u"a");
     },
     NewDeclaration + u"<xml>\n  <a/>\n</xml>"},
    {"CR inside elements, CR LF between top-level nodes",
     [](TXmlDocument& d) {
       d.SetXmlFormat(xfReadable_x13);
       d.Root()->NodeNew(u"a");
     },
     NewDeclaration + u"<xml>\r  <a/>\r</xml>"},
    {"IndentString is one level",
     [](TXmlDocument& d) {
       d.SetXmlFormat(xfReadable);
       d.SetIndentString(u"\t");
       d.Root()->NodeNew(u"a")->NodeNew(u"b");
     },
     NewDeclaration + u"<xml>\r\n\t<a>\r\n\t\t<b/>\r\n\t</a>\r\n</xml>"},
    {"a comment set through CommentString is escaped and stands after the declaration",
     [](TXmlDocument& d) {
       d.SetXmlFormat(xfReadable);
       d.SetCommentString(u"a<b");
     },
     NewDeclaration + u"<!--a&lt;b-->\r\n<xml></xml>"},
    {"a document type with a subset is not trimmed",
     [](TXmlDocument& d) {
       d.SetXmlFormat(xfReadable);
       TXmlNode* doctype = AddTyped(*d.RootNodeList(), xeDoctype, u"html");
       AddTyped(*doctype, xeEntity, u"e", u"SYSTEM 'e.txt'");
       d.RootNodeList()->NodeExchange(1, 2);
     },
     NewDeclaration + u"<!DOCTYPE html  [\r\n  <!ENTITY e SYSTEM 'e.txt'>\r\n]>\r\n<xml></xml>"},
    {"a document type without a subset is trimmed",
     [](TXmlDocument& d) {
       AddTyped(*d.RootNodeList(), xeDoctype, u"html");
       d.RootNodeList()->NodeExchange(1, 2);
     },
     NewDeclaration + u"<!DOCTYPE html>\r\n<xml></xml>"},
    {"the templates of the other kinds",
     [](TXmlDocument& d) {
       d.StyleSheetNode()->AttributeAdd(u"href", u"s.xsl");
       TXmlNode& root = *d.Root();
       AddTyped(root, xeComment, u"", u" c ");
       AddTyped(root, xeCData, u"", u"<raw>");
       AddTyped(root, xeElement, u"e", u"(#PCDATA)  ");
       AddTyped(root, xeAttList, u"e", u"a CDATA #IMPLIED");
       AddTyped(root, xeNotation, u"n", u"\r\n");
       AddTyped(root, xeExclam, u"", u"x");
       AddTyped(root, xeQuestion, u"", u"pi data");
       AddTyped(root, xeUnknown, u"", u"u");
     },
     NewDeclaration + u"<?xml-stylesheet href=\"s.xsl\"?>\r\n<xml><!-- c --><![CDATA[<raw>]]>"
                      u"<!ELEMENT e (#PCDATA)><!ATTLIST e a CDATA #IMPLIED><!NOTATION n>"
                      u"<!x><?pi data?><u></xml>"},
    {"an empty top-level list gives an empty text",
     [](TXmlDocument& d) { d.RootNodeList()->NodesClear(); }, u""},
};

TEST(XmlWriterText, LaysOutNodesByKindAndFormat) {
  for (const TTextCase& row : TextCases) {
    SCOPED_TRACE(row.Name);
    TXmlDocument document(u"xml");
    row.Build(document);
    EXPECT_EQ(document.WriteToStringW(), row.Expected);
  }
}

TEST(XmlWriterText, NestedNodeStartsWithItsOwnIndentation) {
  TXmlDocument document;
  BuildConvertedProject(document);
  document.SetXmlFormat(xfReadable);
  const TXmlNode* language = document.Root()->NodeByName(u"languages")->Nodes(0);
  EXPECT_EQ(language->WriteToString(), u"    <language>de</language>");
}

TEST(XmlWriterText, InnerTagTextIsTheAttributePart) {
  TXmlDocument document(u"xml");
  TXmlNode* flag = document.Root()->NodeNew(u"flag");
  EXPECT_EQ(flag->InnerTagText(), u"/");
  flag->AttributeAdd(u"a", u"1");
  flag->AttributeLineAdd(u"b='2'");
  EXPECT_EQ(flag->InnerTagText(), u" a=\"1\" b='2'/");
  document.Root()->AttributeAdd(u"version", u"7.5.0.0");
  EXPECT_EQ(document.Root()->InnerTagText(), u" version=\"7.5.0.0\"");
}

TEST(XmlWriterText, ProgressComesOncePerNodeAndAroundTheDocument) {
  TXmlDocument document;
  BuildConvertedProject(document);
  int calls = 0;
  document.OnProgress = [&](TXmlDocument* Sender, int64_t Position, int64_t Size) {
    EXPECT_EQ(Sender, &document);
    EXPECT_EQ(Position, 0);
    EXPECT_EQ(Size, 0);
    ++calls;
  };
  document.WriteToStringW();
  EXPECT_EQ(calls, 22);
  calls = 0;
  document.Root()->NodeByName(u"targets")->Nodes(0)->NodeByName(u"options")->WriteToString();
  EXPECT_EQ(calls, 9); // the options and their eight children, no document-level calls
}

TEST(XmlWriterText, NoRootElementFailsBeforeAnythingIsAppended) {
  TXmlDocument document;
  document.RootNodeList()->NodeDelete(1);
  EXPECT_EQ(document.WriteToStringW(), u"<?xml version=\"1.0\" encoding=\"utf-8\"?>");
  document.SetParserWarnings(true);
  int calls = 0;
  document.OnProgress = [&](TXmlDocument*, int64_t, int64_t) { ++calls; };
  TXmlStringBuilder text;
  text.AddString(u"kept");
  EXPECT_EQ(ErrorOf([&] { WriteToStreamW(document, text); }),
            "EFilerError: XML root element not defined.");
  EXPECT_EQ(text.Value(), u"kept");
  EXPECT_EQ(calls, 0);
}

TEST(XmlWriterText, IllegalElementTypeKeepsTheTextBeforeIt) {
  TXmlDocument document(u"xml");
  document.Root()->NodeNew(u"a");
  document.Root()->NodeNew(u"bad")->SetElementType(static_cast<TXmlElementType>(xeUnknown + 1));
  TXmlStringBuilder text;
  EXPECT_EQ(ErrorOf([&] { WriteToStreamW(document, text); }), "EFilerError: Illegal element type");
  EXPECT_EQ(text.Value(), NewDeclaration + u"<xml><a/>");
}

TEST(XmlWriterText, DeepTreeBuiltInCodeIsWrittenWithoutRecursion) {
  constexpr int depth = 200000;
  TXmlDocument document(u"r");
  TXmlNode* node = document.Root();
  for (int i = 0; i < depth; ++i)
    node = node->NodeNew(u"n");
  const std::u16string text = document.WriteToStringW();
  // <r>, then <n> for each level but the deepest, which is <n/>, then the end tags.
  const std::size_t deepest = NewDeclaration.size() + 3 + 3 * (depth - 1);
  EXPECT_EQ(text.find(u"<n/>"), deepest);
  EXPECT_EQ(text.size(), deepest + 4 + 4 * (depth - 1) + 4);
}

// ---- encodings ----

struct TEncodingCase {
  const char16_t* Encoding;
  const char16_t* Value;
  std::string_view Bytes; // byte-order mark and text of a document <r>Value</r>
};

const TEncodingCase EncodingCases[] = {
    {u"UTF-8", u"é€😀", "\xEF\xBB\xBF<r>\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80</r>"sv},
    {u"utf8", u"é", "\xEF\xBB\xBF<r>\xC3\xA9</r>"sv},
    {u"utf-16", u"é", "\xFF\xFE<\0r\0>\0\xE9\0<\0/\0r\0>\0"sv},
    {u"UTF-16LE", u"€", "\xFF\xFE<\0r\0>\0\xAC\x20<\0/\0r\0>\0"sv},
    {u"utf-16be", u"é", "\xFE\xFF\0<\0r\0>\0\xE9\0<\0/\0r\0>"sv},
    {u"utf-7", u"é", "<r>+AOk-</r>"sv}, // no byte-order mark
#ifdef _WIN32
    // The system's converter takes a best fit where the code page has one.
    {u"windows-1252", u"é€Ω", "<r>\xE9\x80O</r>"sv},
#else
    {u"windows-1252", u"é€Ω", "<r>\xE9\x80?</r>"sv},
#endif
    {u"windows-1252", u"中", "<r>?</r>"sv},
    {u"iso-8859-1", u"é€", "<r>\xE9?</r>"sv},
    {u"ISO-8859-15", u"€", "<r>\xA4</r>"sv},
    {u"windows-1251", u"Ж", "<r>\xC6</r>"sv},
    {u"koi8-r", u"Ж", "<r>\xF6</r>"sv},
    {u"shift_jis", u"日本", "<r>\x93\xFA\x96\x7B</r>"sv},
    // Not in the writer's table: the character-set map decides.
    {u"x-koi8", u"Ж", "<r>\xF6</r>"sv},
#ifdef _WIN32
    {u"us-ascii", u"é", "<r>e</r>"sv},
    {u"no-such-charset", u"é", "<r>e</r>"sv},
#else
    {u"us-ascii", u"é", "<r>?</r>"sv},
    {u"no-such-charset", u"é", "<r>?</r>"sv},
#endif
    {u"us-ascii", u"中", "<r>?</r>"sv},
};

TEST(XmlWriterEncoding, DeclaredEncodingGivesBomAndBytes) {
  for (const TEncodingCase& row : EncodingCases) {
    SCOPED_TRACE(fs::path(row.Encoding).string());
    TXmlDocument document(u"r");
    document.RootNodeList()->NodeDelete(0);
    document.SetEncodingString(row.Encoding);
    document.Root()->SetValueDirect(row.Value);
    std::ostringstream stream;
    document.SaveToStream(stream, true, true);
    EXPECT_EQ(stream.str(), row.Bytes);
  }
}

TEST(XmlWriterEncoding, WithoutRespectEncodingTheDeclarationSaysUtf8) {
  TXmlDocument document(u"r");
  document.SetEncodingString(u"utf-16");
  std::ostringstream withBom;
  document.SaveToStream(withBom, false, true);
  EXPECT_EQ(withBom.str(), "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<r></r>");
  EXPECT_EQ(document.EncodingString(), u"UTF-8");
  std::ostringstream withoutBom;
  document.SaveToStream(withoutBom, true, false);
  EXPECT_EQ(withoutBom.str(), withBom.str().substr(3));
}

TEST(XmlWriterEncoding, DeclarationWithoutEncodingGetsItAppended) {
  TXmlDocument document(u"r");
  TXmlNode& declaration = *document.RootNodeList()->Nodes(0);
  declaration.AttributesClear();
  declaration.AttributeAdd(u"version", u"1.0");
  declaration.AttributeAdd(u"standalone", u"yes");
  std::ostringstream stream;
  document.SaveToStream(stream, false, false);
  EXPECT_EQ(stream.str(),
            "<?xml version=\"1.0\" standalone=\"yes\" encoding=\"UTF-8\"?>\r\n<r></r>");
}

TEST(XmlWriterEncoding, DocumentThatNamesNoEncodingIsWrittenAsUtf8) {
  const struct {
    const char* Name;
    std::string Loaded;
    std::string_view Saved;
  } cases[] = {
      {"no declaration", "\xEF\xBB\xBF<r>\xC3\xA9\xE2\x82\xAC</r>",
       "\xEF\xBB\xBF<r>\xC3\xA9\xE2\x82\xAC</r>"sv},
      {"declaration without encoding", "\xEF\xBB\xBF<?xml version=\"1.0\"?><r>\xC3\xA9</r>",
       "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<r>\xC3\xA9</r>"sv},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Name);
    TXmlDocument document;
    std::istringstream loaded(row.Loaded);
    document.LoadFromStream(loaded);
    std::ostringstream saved;
    document.SaveToStream(saved, true, true);
    EXPECT_EQ(saved.str(), row.Saved);
  }
}

TEST(XmlWriterEncoding, DeclarationAfterAnotherNodeIsLeftAlone) {
  TXmlDocument document(u"r");
  document.RootNodeList()->NodeInsert(0, TXmlNode::CreateType(&document, xeComment));
  std::ostringstream stream;
  document.SaveToStream(stream, false, true);
  EXPECT_EQ(stream.str(),
            "\xEF\xBB\xBF<!---->\r\n<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<r></r>");
}

TEST(XmlWriterEncoding, UnconvertibleCodePageWritesNothing) {
  TXmlDocument document(u"r");
  document.SetEncodingString(u"windows-9999");
  std::ostringstream stream;
  EXPECT_EQ(ErrorOf([&] { document.SaveToStream(stream, true, true); }),
            "EEncodingError: Invalid code page");
  EXPECT_EQ(stream.str(), "");
}

// Takes ACapacity bytes, then refuses every further byte.
class TLimitedBuffer : public std::streambuf {
public:
  explicit TLimitedBuffer(std::size_t ACapacity) : FCapacity(ACapacity) {}
  const std::string& Taken() const { return FTaken; }

protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof()) || FTaken.size() == FCapacity)
      return traits_type::eof();
    FTaken.push_back(traits_type::to_char_type(c));
    return c;
  }

private:
  std::size_t FCapacity;
  std::string FTaken;
};

TEST(XmlWriterEncoding, StreamThatRefusesBytesIsAWriteError) {
  TXmlDocument document(u"r");
  TLimitedBuffer buffer(10);
  std::ostream stream(&buffer);
  EXPECT_EQ(ErrorOf([&] { document.SaveToStream(stream, false, true); }),
            "EWriteError: Stream write error");
  EXPECT_EQ(buffer.Taken(), "\xEF\xBB\xBF<?xml v");
}

// ---- files ----

class XmlWriterFile : public ::testing::Test {
protected:
  TTempFolder FFolder;
};

TEST_F(XmlWriterFile, ConvertedProjectMatchesTheFixtureByteForByte) {
  const std::string expected = ReadFileBytes(fs::path(VLP_TEST_DATA) / "converted_project.vxp");
  ASSERT_EQ(expected.size(), 777u);
  TXmlDocument document;
  BuildConvertedProject(document);
  document.SetXmlFormat(xfReadable);
  int calls = 0;
  document.OnProgress = [&](TXmlDocument*, int64_t, int64_t) { ++calls; };
  const fs::path target = FFolder.Path() / "demo.vxp";
  document.SaveToFile(ToUtf16(target), false);
  EXPECT_EQ(ReadFileBytes(target), expected);
  EXPECT_EQ(calls, 22);
  EXPECT_EQ(FFolder.Entries(), std::set<std::string>{"demo.vxp"});
}

TEST_F(XmlWriterFile, CompactProjectIsTheFixtureWithoutLayout) {
  std::istringstream fixture(
      ReadFileBytes(fs::path(VLP_TEST_DATA) / "converted_project.vxp").substr(3));
  std::string line, declaration, compact;
  std::getline(fixture, declaration);
  while (std::getline(fixture, line)) {
    if (line.back() == '\r')
      line.pop_back();
    compact += line.substr(line.find_first_not_of(' '));
  }
  TXmlDocument document;
  BuildConvertedProject(document);
  document.SaveToFile(ToUtf16(FFolder.Path() / "demo.vxp"), false);
  EXPECT_EQ(ReadFileBytes(FFolder.Path() / "demo.vxp"),
            "\xEF\xBB\xBF" + declaration + "\n" + compact);
}

#ifdef _WIN32
TEST_F(XmlWriterFile, ReplacesAnExistingFileAndKeepsItsAttributes) {
  const fs::path target = FFolder.Path() / "demo.vxp";
  WriteFileBytes(target, std::string(5000, 'x'));
  ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_HIDDEN);
  TXmlDocument document(u"r");
  document.SaveToFile(ToUtf16(target), false);
  EXPECT_EQ(ReadFileBytes(target),
            "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<r></r>");
  EXPECT_TRUE(::GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(FFolder.Entries(), std::set<std::string>{"demo.vxp"});
}

TEST_F(XmlWriterFile, SavesUnderANameThatNoCodePageHolds) {
  const std::u16string folder = ToUtf16(FFolder.Path()) + u"\\\u65E5\u672C \u0394";
  fs::create_directories(fs::path(folder));
  TXmlDocument document(u"r");
  document.SaveToFile(folder + u"\\\u00E9\u4E2D.vxp", false);
  EXPECT_EQ(FFolder.Entries(),
            (std::set<std::string>{"\u65E5\u672C \u0394", "\u65E5\u672C \u0394/\u00E9\u4E2D.vxp"}));
  TXmlDocument loaded;
  loaded.LoadFromFile(folder + u"\\\u00E9\u4E2D.vxp");
  EXPECT_EQ(loaded.Root()->Name(), u"r");
}
#else
TEST_F(XmlWriterFile, ReplacesAnExistingFileAndKeepsItsPermissions) {
  const fs::path target = FFolder.Path() / "demo.vxp";
  WriteFileBytes(target, std::string(5000, 'x'));
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  TXmlDocument document(u"r");
  document.SaveToFile(ToUtf16(target), false);
  EXPECT_EQ(ReadFileBytes(target),
            "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<r></r>");
  EXPECT_EQ(fs::status(target).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(FFolder.Entries(), std::set<std::string>{"demo.vxp"});
}

TEST_F(XmlWriterFile, SavingThroughALinkReplacesTheLinkedFile) {
  WriteFileBytes(FFolder.Path() / "real.vxp", "old");
  fs::create_symlink("real.vxp", FFolder.Path() / "link.vxp");
  TXmlDocument document(u"r");
  document.RootNodeList()->NodeDelete(0);
  document.SaveToFile(ToUtf16(FFolder.Path() / "link.vxp"), false);
  EXPECT_TRUE(fs::is_symlink(FFolder.Path() / "link.vxp"));
  EXPECT_EQ(ReadFileBytes(FFolder.Path() / "real.vxp"), "\xEF\xBB\xBF<r></r>");
}
#endif

TEST_F(XmlWriterFile, ErrorNamesTheFullPathOfARelativeName) {
  TScopedCurrentPath inFolder(FFolder.Path());
  TXmlDocument document(u"r");
  EXPECT_EQ(ErrorOf([&] { document.SaveToFile(u"missing/../missing/x.vxp", false); }),
            "EFCreateError: " + Utf8Encode(u"Cannot create file \"" +
                                           ToUtf16(FFolder.Path() / "missing" / "x.vxp") + u"\". " +
                                           SystemReasons().NoSuchFolder));
}

// What stands in the way of a save, and is taken away afterwards.
enum class TObstacle { None, DiskFull, TargetHeldOpen, ReadOnlyTarget };

#ifdef _WIN32

// Another program holds the file open without sharing it, or the file is read-only.
class TSaveObstacle {
public:
  TSaveObstacle(TObstacle AObstacle, const fs::path& ATarget) : FTarget(ATarget) {
    if (AObstacle == TObstacle::TargetHeldOpen)
      FHeld = ::CreateFileW(ATarget.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    FReadOnly = AObstacle == TObstacle::ReadOnlyTarget;
    if (FReadOnly)
      ::SetFileAttributesW(ATarget.c_str(), FILE_ATTRIBUTE_READONLY);
  }
  ~TSaveObstacle() {
    if (FHeld != INVALID_HANDLE_VALUE)
      ::CloseHandle(FHeld);
    if (FReadOnly)
      ::SetFileAttributesW(FTarget.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  TSaveObstacle(const TSaveObstacle&) = delete;
  TSaveObstacle& operator=(const TSaveObstacle&) = delete;

private:
  fs::path FTarget;
  HANDLE FHeld = INVALID_HANDLE_VALUE;
  bool FReadOnly = false;
};

std::u16string CannotCreate(unsigned long AError) {
  return u"Cannot create file \"%s\". " + WindowsErrorText(AError);
}

#else

// A disk that is full while the save writes.
class TSaveObstacle {
public:
  TSaveObstacle(TObstacle AObstacle, const fs::path&) {
    if (AObstacle == TObstacle::DiskFull)
      FFullDisk.emplace();
  }

private:
  std::optional<TFullDisk> FFullDisk;
};

#endif

struct TFailedSaveCase {
  const char* Name;
  const char* Target; // below the test folder
  std::function<void(TXmlDocument&)> Prepare;
  bool RespectEncoding;
  TObstacle Obstacle;
  const char* Kind;       // of the error ErrorOf reports
  std::u16string Message; // "%s" stands for the target's full path
};

const TFailedSaveCase FailedSaveCases[] = {
#ifdef _WIN32
    {"missing folder", "missing/demo.vxp", nullptr, false, TObstacle::None, "EFCreateError",
     CannotCreate(ERROR_PATH_NOT_FOUND)},
    {"target is a folder", "folder", nullptr, false, TObstacle::None, "EFCreateError",
     CannotCreate(ERROR_ACCESS_DENIED)},
    {"target held open without sharing", "old.vxp", nullptr, false, TObstacle::TargetHeldOpen,
     "EFCreateError", CannotCreate(ERROR_SHARING_VIOLATION)},
    {"read-only target", "old.vxp", nullptr, false, TObstacle::ReadOnlyTarget, "EFCreateError",
     CannotCreate(ERROR_ACCESS_DENIED)},
#else
    {"missing folder", "missing/demo.vxp", nullptr, false, TObstacle::None, "EFCreateError",
     u"Cannot create file \"%s\". No such file or directory"},
    {"a file where a folder should be", "old.vxp/demo.vxp", nullptr, false, TObstacle::None,
     "EFCreateError", u"Cannot create file \"%s\". Not a directory"},
    {"target is a folder", "folder", nullptr, false, TObstacle::None, "EFCreateError",
     u"Cannot create file \"%s\". Is a directory"},
    {"disk full while writing", "old.vxp", nullptr, false, TObstacle::DiskFull, "EWriteError",
     u"Stream write error"},
#endif
    {"no root element", "old.vxp",
     [](TXmlDocument& d) {
       d.RootNodeList()->NodeDelete(1);
       d.SetParserWarnings(true);
     },
     false, TObstacle::None, "EFilerError", u"XML root element not defined."},
    {"unconvertible code page", "old.vxp",
     [](TXmlDocument& d) { d.SetEncodingString(u"windows-9999"); }, true, TObstacle::None,
     "EEncodingError", u"Invalid code page"},
};

TEST_F(XmlWriterFile, FailedSaveLeavesEverythingAsItWas) {
  const std::string oldBytes = "old content";
  for (const TFailedSaveCase& row : FailedSaveCases) {
    SCOPED_TRACE(row.Name);
    WriteFileBytes(FFolder.Path() / "old.vxp", oldBytes);
    fs::create_directories(FFolder.Path() / "folder");
    const std::set<std::string> entriesBefore = FFolder.Entries();
    TXmlDocument document;
    BuildConvertedProject(document);
    if (row.Prepare)
      row.Prepare(document);
    const fs::path target = (FFolder.Path() / row.Target).make_preferred();
    std::u16string message = row.Message;
    if (const std::size_t at = message.find(u"%s"); at != std::u16string::npos)
      message.replace(at, 2, ToUtf16(target));
    {
      const TSaveObstacle obstacle(row.Obstacle, target);
      EXPECT_EQ(ErrorOf([&] { document.SaveToFile(ToUtf16(target), row.RespectEncoding); }),
                row.Kind + (": " + Utf8Encode(message)));
    }
    EXPECT_EQ(FFolder.Entries(), entriesBefore);
    EXPECT_EQ(ReadFileBytes(FFolder.Path() / "old.vxp"), oldBytes);
    EXPECT_TRUE(fs::is_empty(FFolder.Path() / "folder"));
  }
}

TEST_F(XmlWriterFile, LongTextsAreWrittenInPiecesThatKeepSurrogatePairsWhole) {
  // Two runs of character data meet inside a surrogate pair after more text than one piece.
  TXmlDocument document(u"root");
  TXmlNode* root = document.Root();
  for (const std::u16string& text :
       {std::u16string(70000, u'a') + u"\xD83D", u"\xDE00" + std::u16string(70000, u'b')}) {
    auto run = TXmlNode::CreateType(&document, xeCharData);
    run->SetValueDirect(text);
    root->NodeAdd(std::move(run));
  }
  const std::string expected = "\xEF\xBB\xBF" + Utf8Encode(document.WriteToStringW());
  ASSERT_NE(expected.find("a\xF0\x9F\x98\x80"
                          "b"),
            std::string::npos);
  const fs::path target = FFolder.Path() / "long.vxp";
  document.SaveToFile(ToUtf16(target), true);
  EXPECT_EQ(ReadFileBytes(target), expected);
  std::ostringstream stream;
  document.SaveToStream(stream, true, true);
  EXPECT_EQ(stream.str(), expected);
}

} // namespace
