#include "ErrorOf.h"
#include "TestFiles.h"
#include "XmlParser.h"
#include "XmlStringStream.h"
#include "XmlTokenizer.h"
#include "XmlTreeDump.h"
#include "vbase/Utf8.h"
#include "vxml/XmlDocument.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using namespace vbase;
using namespace vxml;

using namespace std::string_literals;

namespace {

struct TParseCase {
  const char* Name;
  std::u16string Input;
  std::string Expected; // DumpDocument of the result
  bool DropComments = false;
  bool ReadWhiteSpace = false;
};

TEST(XmlReaderTest, BuildsTheTreeAsWritten) {
  const TParseCase cases[] = {
      {"text keeps its spaces", u"<a>  x  </a>", "Na\"  x  \""},
      {"text keeps a trailing line break", u"<a>x\r\n</a>", "Na\"x\\r\\n\""},
      {"a lone line break is no value", u"<a>\r\n</a>", "Na\"\""},
      {"indentation around a child leaves no text", u"<a>\r\n  <b/>\r\n</a>", "Na\"\"[Nb\"\"]"},
      {"text after a child is character data", u"<a>t1<b/>t2</a>", "Na\"t1\"[Nb\"\",t\"t2\"]"},
      {"line break before the child stays without a later CR", u"<a>t1\r\n<b/>t2</a>",
       "Na\"t1\\r\\n\"[Nb\"\",t\"t2\"]"},
      {"a CR after the last child strips every text's tail", u"<a>t1\r\n<b/>t2 \r\n</a>",
       "Na\"t1\"[Nb\"\",t\"t2\"]"},
      {"the strip stops at a TAB", u"<a>t1\t\r\n<b/>t2\t\r\n</a>",
       "Na\"t1\\t\"[Nb\"\",t\"t2\\t\"]"},
      {"CDATA is a child of its own", u"<a>x<![CDATA[<y>]]></a>", "Na\"x\"[DCData\"<y>\"]"},
      {"close tags ignore letter case", u"<A>x</a>", "NA\"x\""},
      {"a close tag may end in blanks", u"<a>x</a >", "Na\"x\""},
      {"a quoted > in a name belongs to it", u"<a'>'>x</a'>'>", "Na'>'\"x\""},
      {"references stay undecoded", u"<a>&lt;&#65;&e;</a>", "Na\"&lt;&#65;&e;\""},
      {"attributes keep quotes and spacing is joined", u"<e a = 'x' b=\"y\" c/>",
       "Ne\"\"{a='x',b=\"y\",c}"},
      {"duplicate attributes both stay", u"<e a='1' a='2'/>", "Ne\"\"{a='1',a='2'}"},
      {"a > inside quotes belongs to the value", u"<e a='x>y'>v</e>", "Ne\"v\"{a='x>y'}"},
      {"a quote outside a value opens a stretch all the same", u"<e 'x>y' />", "Ne\"\"{'x>y'}"},
      {"a quoted token joins only a token with =", u"<e a= 'x' 'y'/>", "Ne\"\"{a='x','y'}"},
      {"empty-element tag without blank", u"<e/>", "Ne\"\""},
      {"a slash not at the end is part of the name", u"<e/ >x</e/>", "Ne/\"x\""},
      {"declaration", u"<?xml version='1.0' encoding=\"utf-8\"?><a/>",
       "Xxml\"\"{version='1.0',encoding=\"utf-8\"} Na\"\""},
      {"style sheet", u"<?xml-stylesheet type='text/xsl' href='s.xsl' ?><a/>",
       "Sxml-stylesheet\"?xml-stylesheet type='text/xsl' href='s.xsl'"
       "\"{type='text/xsl',href='s.xsl'} "
       "Na\"\""},
      {"the longest start string that completed wins", u"<?xml-s x?><!DOC y><a/>",
       "Xxml\"\"{x} !Special\"DOC y\" Na\"\""},
      {"comment text is exact", u"<!-- top --><a><!-- c  --></a>",
       "CComment\" top \" Na\"\"[CComment\" c  \"]"},
      {"an empty comment", u"<a><!----></a>", "Na\"\"[CComment\"\"]"},
      {"processing instruction and other markup", u"<a><?pi data?><!foo bar></a>",
       "Na\"\"[?Special\"pi data\",!Special\"foo bar\"]"},
      {"an unclosed comment at top level eats the rest", u"<a/><!-- x <b/>", "Na\"\" CComment\"\""},
      {"top-level CDATA and two roots load", u"<![CDATA[x]]><a/><b/>", "DCData\"x\" Na\"\" Nb\"\""},
      {"text, byte-order mark and NUL outside the root leave nothing", u"junk\xFEFF\0<a/>tail \0"s,
       "Na\"\""},
      {"doctype with an empty subset", u"<!DOCTYPE html []><html/>", "Thtml\"\" Nhtml\"\""},
      {"doctype with an external id", u"<!DOCTYPE html PUBLIC 'a b'\r\n 'c'><html/>",
       "Thtml\"PUBLIC 'a b' 'c'\" Nhtml\"\""},
      {"doctype declarations become children",
       u"<!DOCTYPE d [\r\n<!ENTITY copy 'x y'>\r\n<!ENTITY e \"z\">\r\n<!ATTLIST d a CDATA "
       u"#IMPLIED>"
       u"<!ELEMENT d ANY><!NOTATION n SYSTEM 'v'>]><d/>",
       "Td\"\"[Ycopy\"'x y'\",Ye\"\"z\"\",Ad\"a\\r\\nCDATA\\r\\n#IMPLIED\",Ed\"ANY\","
       "On\"SYSTEM\\r\\n'v'\"] Nd\"\""},
      {"a parameter-entity reference is kept as written", u"<!DOCTYPE d [ %p; %q;]><d/>",
       "Td\"\"[t\"%p;\",t\"%q;\"] Nd\"\""},
      {"a stray character in the subset leaves a clear child", u"<!DOCTYPE d [% ;]><d/>",
       "Td\"\"[N\"\",N\"\"] Nd\"\""},
      {"comments inside elements are dropped on request", u"<!--t--><a>x<!--c-->y</a>",
       "CComment\"t\" Na\"x\"[t\"y\"]", true},
      {"a space alone is kept on request", u"<a> </a>", "Na\" \"", false, true},
      {"a TAB alone is not", u"<a>\t</a>", "Na\"\"", false, true},
      {"whitespace around children is not", u"<a> <b/> </a>", "Na\"\"[Nb\"\"]", false, true},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Name);
    TXmlDocument document;
    document.SetDropCommentsOnParse(row.DropComments);
    document.SetReadWhiteSpaceValues(row.ReadWhiteSpace);
    document.ReadFromStringW(row.Input);
    EXPECT_EQ(DumpDocument(document), row.Expected);
  }
}

// Character data is scanned several code units at a time: what a run holds counts wherever in
// the run it stands.
TEST(XmlReaderTest, RunsReadTheSameWhereverTheirCharactersStand) {
  for (std::size_t shift = 0; shift < 18; ++shift) {
    SCOPED_TRACE(shift);
    const std::u16string tabs(shift, u'\t'), spaces(shift, u' ');
    const auto dumped = [](std::u16string_view aText, bool aReadWhiteSpace) {
      TXmlDocument document;
      document.SetReadWhiteSpaceValues(aReadWhiteSpace);
      document.ReadFromStringW(aText);
      return DumpDocument(document);
    };
    std::string tabsDumped; // the dump writes a TAB as \t
    for (std::size_t i = 0; i < shift; ++i)
      tabsDumped += "\\t";
    EXPECT_EQ(dumped(u"<a>" + tabs + u"x" + tabs + u"</a>", false),
              "Na\"" + tabsDumped + "x" + tabsDumped + "\"");
    EXPECT_EQ(dumped(u"<a>" + tabs + tabs + u"</a>", true), "Na\"\"");
    EXPECT_EQ(dumped(u"<a>" + tabs + u" " + tabs + u"</a>", true),
              "Na\"" + tabsDumped + " " + tabsDumped + "\"");
    EXPECT_EQ(dumped(u"<a>t1 <b/>t2" + spaces + u"\r\n" + spaces + u"</a>", false),
              "Na\"t1\"[Nb\"\",t\"t2\"]");
    EXPECT_EQ(dumped(u"<a>t1 <b/>t2" + spaces + spaces + u"</a>", false),
              "Na\"t1 \"[Nb\"\",t\"t2" + Utf8Encode(spaces + spaces) + "\"]");
  }
}

// Usual start tags are read in one pass; a blank after the "<" of a top-level tag sends the same
// tag the general way, which must read it alike.
TEST(XmlReaderTest, UsualStartTagsReadAsTheGeneralWayReadsThem) {
  const std::u16string_view tags[] = {
      u"<e>v</e>",
      u"<e/>",
      u"<e a=\"1\">v</e>",
      u"<e a='1' b=\"x y\"\t\r\n c='>'  >v</e>",
      u"<e a=\"1\"b=\"2\">v</e>",
      u"<e a=\"1\"/>",
      u"<e a = \"1\">v</e>",
      u"<e a=\"1\" b>v</e>",
      u"<e a=\"it's\" b='say \"hi\"'>v</e>",
      u"<e a=1>v</e>",
      u"<e a=\"1\" b=\"2\" c=\"3\" d=\"4\" e=\"5\" f=\"6\" g=\"7\" h=\"8\" i=\"9\">v</e>",
      u"<e/ a=\"1\">v</e/>",
      u"<e=f a=\"1\">v</e=f>",
  };
  for (const std::u16string_view tag : tags) {
    SCOPED_TRACE(Utf8Encode(tag));
    const std::u16string general = u"< " + std::u16string(tag.substr(1));
    const auto read = [](const std::u16string& aText) {
      TXmlDocument document;
      const std::string error = ErrorOf([&] { document.ReadFromStringW(aText); });
      return error + " " + DumpDocument(document);
    };
    EXPECT_EQ(read(std::u16string(tag)), read(general));
  }
}

struct TErrorCase {
  const char* Name;
  std::u16string Input;
  std::string Expected;
  bool ParserWarnings = false;
};

TEST(XmlReaderTest, ReportsEachMalformedInput) {
  const TErrorCase cases[] = {
      {"no root", u"<?xml version='1.0'?><!--c-->", "EFilerError: No root element found in xml"},
      {"no root even without text", u"", "EFilerError: No root element found in xml"},
      {"two roots", u"<a/><b/><![CDATA[x]]>",
       "EFilerError: More than one root element found in xml", true},
      {"two declarations", u"<?xml?><?xml?><a/>",
       "EFilerError: More than one xml declaration found in xml", true},
      {"declaration not first", u"<!--c--><?xml version='1.0'?><a/>",
       "EFilerError: Xml declaration must be first element", true},
      {"two doctypes", u"<!DOCTYPE a><!DOCTYPE a><a/>",
       "EFilerError: More than one doctype declaration found in root", true},
      {"doctype after the root", u"<a/><!DOCTYPE a>",
       "EFilerError: Doctype declaration found after root element", true},
      {"CDATA at top level", u"<![CDATA[x]]><a/>", "EFilerError: No CDATA allowed in root", true},
      {"empty tag", u"<>", "EFilerError: Missing element name"},
      {"start tag cut off", u"<a b='1'", "EFilerError: Missing element name"},
      {"content cut off", u"<a>x", "EFilerError: Missing close tag in element a"},
      {"content ends after <", u"<a>x< \r\n", "EFilerError: Missing data after \"<\" in element a"},
      {"close tag cut off", u"<a>x</a", "EFilerError: Missing \">\" in close tag of element a"},
      {"wrong close tag", u"<a>x</b>", "EFilerError: Incorrect close tag in element a"},
      {"a close tag that only starts with the name", u"<ab>x</abc>",
       "EFilerError: Incorrect close tag in element ab"},
      {"the innermost element is named", u"<a><b></a>",
       "EFilerError: Incorrect close tag in element b"},
      {"unclosed comment inside an element", u"<a><!-- x",
       "EFilerError: Missing close tag in element a"},
      {"quoted doctype name", u"<!DOCTYPE 'a b'><a/>",
       "Exception: Illegal character in node name \"'a b'\""},
      {"quoted entity name", u"<!DOCTYPE x [<!ENTITY 'a b' 'c'>]><x/>",
       "Exception: Illegal character in node name \"'a b'\""},
      {"declaration cut off", u"<?xml version='1.0'",
       "EStringListError: List index out of bounds (0)"},
      {"style sheet cut off", u"<?xml-stylesheet",
       "EStringListError: List index out of bounds (0)"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Name);
    TXmlDocument document;
    document.SetParserWarnings(row.ParserWarnings);
    EXPECT_EQ(ErrorOf([&] { document.ReadFromStringW(row.Input); }), row.Expected);
  }
}

TEST(XmlReaderTest, ParserWarningsOffLetsStructureProblemsPass) {
  for (const char16_t* input :
       {u"<a/><b/>", u"<!--c--><?xml?><?xml?><a/>", u"<a/><!DOCTYPE a><!DOCTYPE b>"}) {
    TXmlDocument document;
    EXPECT_EQ(ErrorOf([&] { document.ReadFromStringW(input); }), "no error");
    EXPECT_EQ(document.Root()->Name(), u"a");
  }
}

TEST(XmlReaderTest, AFailedLoadKeepsWhatWasRead) {
  TXmlDocument document;
  EXPECT_EQ(ErrorOf([&] { document.ReadFromStringW(u"<?xml version='1.0'?><a><b>x</b><c>"); }),
            "EFilerError: Missing close tag in element c");
  EXPECT_EQ(DumpDocument(document), "Xxml\"\"{version='1.0'} Na\"\"[Nb\"x\",Nc\"\"]");
}

TEST(XmlReaderTest, RecordsByteOffsets) {
  TXmlDocument document;
  document.ReadFromStringW(u"<a x='1'>t<b/></a>");
  const TXmlNode* a = document.Root();
  const TXmlNode* b = a->Nodes(0);
  struct {
    const TXmlNode* Node;
    int32_t Start, StartValue, EndValue, End;
  } const expected[] = {{a, 0, 18, 28, 36}, {b, 20, 28, 0, 28}};
  for (const auto& row : expected) {
    SCOPED_TRACE(Utf8Encode(row.Node->Name()));
    EXPECT_EQ(row.Node->StartPos, row.Start);
    EXPECT_EQ(row.Node->StartValuePos, row.StartValue);
    EXPECT_EQ(row.Node->EndValuePos, row.EndValue);
    EXPECT_EQ(row.Node->EndPos, row.End);
  }
}

// Records the notifications of a document as text.
class TEventLog {
public:
  explicit TEventLog(TXmlDocument& aDocument) {
    aDocument.OnNodeNew = [this](TXmlDocument*, TXmlNode* aNode) {
      Add("new " + Utf8Encode(aNode->Name()));
    };
    aDocument.OnNodeLoaded = [this](TXmlDocument*, TXmlNode* aNode) {
      Add("loaded " + Utf8Encode(aNode->Name()));
    };
    aDocument.OnProgress = [this](TXmlDocument*, int64_t aPosition, int64_t aSize) {
      Add("progress " + std::to_string(aPosition) + "/" + std::to_string(aSize));
    };
  }
  void Add(const std::string& aEvent) { fText += (fText.empty() ? "" : ", ") + aEvent; }
  const std::string& Text() const { return fText; }

private:
  std::string fText;
};

TEST(XmlReaderTest, NotifiesEveryNodeInDocumentOrder) {
  TXmlDocument document;
  TEventLog log(document);
  document.ReadFromStringW(u"<a><b>x</b>y<!--c--></a> ");
  EXPECT_EQ(log.Text(), "progress 0/50, new a, new b, progress 22/50, loaded b, new Comment, "
                        "progress 40/50, loaded Comment, progress 48/50, loaded a, progress 50/50");
}

TEST(XmlReaderTest, ReportsProgressInsideLongTextRuns) {
  TXmlDocument document;
  TEventLog log(document);
  document.ReadFromStringW(u"<a>" + std::u16string(5000, u'x') + u"</a>");
  EXPECT_EQ(log.Text(),
            "progress 0/10014, new a, progress 8198/10014, progress 10014/10014, loaded a, "
            "progress 10014/10014");
}

// A large UTF-8 file takes a while to read before the parse starts: each megabyte read is
// reported at position 0 of a size not yet known, and an event that raises ends the load there.
TEST(XmlReaderTest, ReadingALargeFileReportsEachPieceBeforeTheParse) {
  const TTempFolder folder;
  const std::string file = folder.File("large.xml");
  WriteFileBytes(file, "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>" + std::string(3 << 20, 'x') +
                           "</a>");
  TXmlDocument document;
  std::vector<std::pair<int64_t, int64_t>> reports;
  document.OnProgress = [&](TXmlDocument*, int64_t aPosition, int64_t aSize) {
    reports.emplace_back(aPosition, aSize);
  };
  document.LoadFromFile(Utf8Decode(file));
  const auto parse = std::find_if(reports.begin(), reports.end(),
                                  [](const auto& aReport) { return aReport.second > 0; });
  EXPECT_GE(std::count(reports.begin(), parse, std::pair<int64_t, int64_t>(0, 0)), 3);
  ASSERT_NE(parse, reports.end());
  EXPECT_EQ(parse->first, 0);

  document.OnProgress = [](TXmlDocument*, int64_t, int64_t) { throw EStopped(u"stopped"); };
  EXPECT_EQ(ErrorOf([&] { document.LoadFromFile(Utf8Decode(file)); }), "EStopped: stopped");
}

TEST(XmlReaderTest, EndOfNodeRunsWhenTheParseFails) {
  TXmlDocument document;
  TEventLog log(document);
  EXPECT_EQ(ErrorOf([&] { document.ReadFromStringW(u"<a><b>"); }),
            "EFilerError: Missing close tag in element b");
  EXPECT_EQ(log.Text(),
            "progress 0/12, new a, new b, progress 12/12, loaded b, progress 12/12, loaded a");
}

TEST(XmlReaderTest, AbortParsingStopsQuietlyAndKeepsTheTree) {
  TXmlDocument document;
  TEventLog log(document);
  document.OnNodeNew = [&](TXmlDocument* aSender, TXmlNode* aNode) {
    log.Add("new " + Utf8Encode(aNode->Name()));
    aSender->SetAbortParsing(aNode->Name() == u"b");
  };
  document.ReadFromStringW(u"<a><b><c/></b><d/></a><e/>");
  EXPECT_TRUE(document.AbortParsing());
  EXPECT_EQ(DumpDocument(document), "Na\"\"[Nb\"\"]");
  EXPECT_EQ(log.Text(), "progress 0/52, new a, new b");
  // The next parse starts afresh, and a document without root is reported again.
  EXPECT_EQ(ErrorOf([&] { document.ReadFromStringW(u"<!--x-->"); }),
            "EFilerError: No root element found in xml");
  EXPECT_FALSE(document.AbortParsing());
}

TEST(XmlReaderTest, NodeReadFromStringParsesTheFirstNodeOnly) {
  TXmlDocument document;
  TEventLog log(document);
  TXmlNode* node = document.Root();
  node->SetName(u"old");
  node->ReadFromString(u"  <x a='1'>v<y/></x><z/>");
  EXPECT_EQ(DumpNode(*node), "Nx\"v\"{a='1'}[Ny\"\"]");
  EXPECT_EQ(log.Text(), "new x, new y, progress 32/48, loaded y, progress 40/48, loaded x");
  node->ReadFromString(u"");
  EXPECT_TRUE(node->IsClear());
}

TEST(XmlReaderTest, ParseNodeGoesOnFromTheStreamPosition) {
  TXmlDocument document;
  TXmlStringStream stream(u"<a/> <b>x</b>");
  TXmlNode node(&document);
  TXmlParser(&document, stream).ParseNode(node);
  EXPECT_EQ(stream.Position(), 8);
  TXmlParser(&document, stream).ParseNode(node);
  EXPECT_EQ(DumpNode(node), "Nb\"x\"");
  EXPECT_EQ(stream.Position(), stream.Size());
}

TEST(XmlReaderTest, NodesWithoutDocumentParseWithDefaults) {
  TXmlNode node(nullptr);
  node.ReadFromString(u"<a> <!--c--> <b/></a>");
  EXPECT_EQ(DumpNode(node), "Na\"\"[CComment\"c\",Nb\"\"]");
  EXPECT_EQ(node.EndPos, 42);
}

TEST(XmlReaderTest, NestingIsBounded) {
  const auto nested = [](int aDepth) {
    std::u16string text;
    for (int i = 0; i < aDepth; ++i)
      text += u"<e>";
    for (int i = 0; i < aDepth; ++i)
      text += u"</e>";
    return text;
  };
  TXmlDocument document;
  document.ReadFromStringW(nested(MaxNestingDepth));
  EXPECT_EQ(document.Root()->TotalNodeCount(), MaxNestingDepth - 1);
  for (const int depth : {MaxNestingDepth + 1, 200000}) {
    SCOPED_TRACE(depth);
    EXPECT_EQ(ErrorOf([&] { document.ReadFromStringW(nested(depth)); }),
              "EFilerError: Maximum nesting depth exceeded in element e");
  }
  const std::u16string subsets = [] {
    std::u16string text;
    for (int i = 0; i < 100000; ++i)
      text += u"<!DOCTYPE d [";
    return text;
  }();
  EXPECT_EQ(ErrorOf([&] { document.ReadFromStringW(subsets); }),
            "EFilerError: Maximum nesting depth exceeded in element d");
}

TEST(XmlReaderTest, ReadTagKindTakesTheLongestMatchAndHandsBackTheRest) {
  struct {
    const char16_t* Text; // after the "<"
    TXmlElementType Kind;
    std::size_t Continue; // code units from the start
  } const cases[] = {
      {u"a>", xeNormal, 0},
      {u"![CDATA[x", xeCData, 8},
      {u"!DOCTYPE x", xeDoctype, 9},
      {u"!DOCTYPE", xeDoctype, 8},
      {u"!--x", xeComment, 3},
      {u"!-x", xeExclam, 1},
      {u"?xml-stylesheet", xeStylesheet, 0},
      {u"?xml-style", xeDeclaration, 0},
      {u"?pi", xeQuestion, 1},
      {u"!ENTITYx", xeEntity, 8},
      {u"", xeNormal, 0},
  };
  for (const auto& row : cases) {
    const std::u16string_view text = row.Text;
    SCOPED_TRACE(Utf8Encode(text));
    TXmlCursor cursor{text.data(), text.data(), text.data() + text.size()};
    EXPECT_EQ(ReadTagKind(cursor).FStyle, row.Kind);
    EXPECT_EQ(static_cast<std::size_t>(cursor.Pos - text.data()), row.Continue);
  }
}

TEST(XmlReaderTest, SplitTagTextJoinsAssignmentsAndQuotedValues) {
  struct {
    const char16_t* Text;
    std::vector<std::u16string> Tokens;
  } const cases[] = {
      {u"  ", {u"stale"}},
      {u"a = 'x' b='y'", {u"a='x'", u"b='y'"}},
      {u"=a b", {u"=a", u"b"}},
      {u"a ='x y' 'z'", {u"a='x y''z'"}},
      {u"a 'b' c", {u"a", u"'b'", u"c"}},
      {u"a\t=\r\n\"q\"", {u"a=\"q\""}},
      {u"a='unclosed b", {u"a='unclosed b"}},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(Utf8Encode(row.Text));
    std::vector<std::u16string> tokens{u"stale"};
    SplitTagText(row.Text, tokens);
    EXPECT_EQ(tokens, row.Tokens);
  }
}

} // namespace
