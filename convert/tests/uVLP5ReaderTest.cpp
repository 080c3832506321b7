#include "vconvert/uVLP5Reader.h"

#include "ConvertTestSupport.h"
#include "ErrorOf.h"
#include "SystemReasons.h"
#include "vbase/Utf8.h"

#include <gtest/gtest.h>
#include <new>
#include <string>
#include <vector>

using namespace vbase;
using namespace vconvert;

namespace {

class VLP5ReaderTest : public ::testing::Test {
protected:
  // Writes an old project with aBody under its root and opens it.
  std::unique_ptr<TVLP5Project> Open(const std::string& aBody) {
    const std::string path = fFolder.File("project.vlp");
    WriteFileBytes(path, OldProject(aBody));
    return std::make_unique<TVLP5Project>(Utf8Decode(path));
  }

  std::vector<TVXPTarget> Targets(TVLP5Project& aProject) {
    std::vector<TVXPTarget> targets;
    aProject.SetOnTargetFound([&](TVXPTarget aTarget) { targets.push_back(std::move(aTarget)); });
    aProject.ReadTargets();
    return targets;
  }

  struct TReportedRow {
    TRowInfo RowInfo;
    std::vector<std::pair<std::u16string, std::u16string>> Translations; // language, text
    TLocation Location;
  };

  // Rows of aRowsXml, read after one language so that the walk runs.
  std::vector<TReportedRow> Rows(const std::string& aRowsXml) {
    auto project = Open("<DATA><LANGUAGES><L language=\"de\"/></LANGUAGES><ROWS>" + aRowsXml +
                        "</ROWS></DATA>");
    project->SetOnLanguageFound([](const std::u16string&) {});
    project->ReadLanguages();
    return ReadRows(*project);
  }

  static std::vector<TReportedRow> ReadRows(TVLP5Project& aProject) {
    std::vector<TReportedRow> rows;
    aProject.SetOnTranslationsFound(
        [&](const TRowInfo& aRowInfo, const TTranslations& aList, const TLocation& aLocation) {
          TReportedRow row{aRowInfo, {}, aLocation};
          for (const TTranslation& entry : aList)
            row.Translations.emplace_back(entry.Language.Value(), entry.Text);
          rows.push_back(std::move(row));
        });
    aProject.ReadTranslations();
    return rows;
  }

  TTempFolder fFolder;
};

struct TTargetCase {
  const char* Name;
  const char* Xml;
  TVXPTarget Expected;
};

TEST_F(VLP5ReaderTest, EachTargetKindBecomesItsRecord) {
  const TTargetCase cases[] = {
      {"project with SCANBINARY 2",
       "<DELPHI_PROJECT><PROJECTFILE>C:\\a\\App.dpr</PROJECTFILE><SCANBINARY>2</SCANBINARY>"
       "<INCLUDETAGS>tags</INCLUDETAGS><FUNCTIONS>_(</FUNCTIONS></DELPHI_PROJECT>",
       {u"C:\\a\\App.dpr", u"C:\\a\\App.dpr", true, u"tags", u"_(", u"", true, true}},
      {"project without SCANBINARY",
       "<DELPHI_PROJECT><PROJECTFILE>P.dpr</PROJECTFILE></DELPHI_PROJECT>",
       {u"P.dpr", u"P.dpr", false, u"", u"", u"", true, true}},
      {"project with SCANBINARY 0",
       "<DELPHI_PROJECT><PROJECTFILE>P.dpr</PROJECTFILE><SCANBINARY>0</SCANBINARY>"
       "</DELPHI_PROJECT>",
       {u"P.dpr", u"P.dpr", false, u"", u"", u"", true, true}},
      {"C++ binary",
       "<CPP_BINARY><FILENAME>C:\\a\\app.exe</FILENAME></CPP_BINARY>",
       {u"C:\\a\\app.exe", u"C:\\a\\app.exe", true, u"", u"", u"", true, true}},
      {"Delphi binary",
       "<DELPHI_BINARY><FILENAME>b.exe</FILENAME></DELPHI_BINARY>",
       {u"b.exe", u"b.exe", true, u"", u"", u"", true, true}},
      {"form folder recursive",
       "<FORM><FILENAME>C:\\f</FILENAME><SCANSUBDIRS>1</SCANSUBDIRS></FORM>",
       {u"C:\\f", u".\\VnxVirtualTarget[%d]", false, u"", u"", u"R;C:\\f\r\n", false, true}},
      {"form folder with SCANSUBDIRS 2",
       "<FORM><FILENAME>C:\\f</FILENAME><SCANSUBDIRS>2</SCANSUBDIRS></FORM>",
       {u"C:\\f", u".\\VnxVirtualTarget[%d]", false, u"", u"", u"C:\\f\r\n", false, true}},
      {"source folder flat",
       "<SOURCE><FILENAME>src</FILENAME><SCANSUBDIRS>0</SCANSUBDIRS><FUNCTIONS>tr</FUNCTIONS>"
       "</SOURCE>",
       {u"src", u".\\VnxVirtualTarget[%d]", false, u"", u"tr", u"src\r\n", false, true}},
      {"other kind",
       "<RESOURCE><FILENAME>x.res</FILENAME><INCLUDETAGS>t</INCLUDETAGS></RESOURCE>",
       {u"x.res", u"", false, u"t", u"", u"", false, false}},
      {"other kind named by its project file",
       "<JAVA_PROJECT><PROJECTFILE>j.jpx</PROJECTFILE></JAVA_PROJECT>",
       {u"j.jpx", u"", false, u"", u"", u"", false, false}},
      {"comment among the targets", "<!-- old target -->", {}},
  };
  for (const TTargetCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto project = Open(std::string("<TARGETS>") + c.Xml + "</TARGETS>");
    const std::vector<TVXPTarget> targets = Targets(*project);
    ASSERT_EQ(1u, targets.size());
    const TVXPTarget& t = targets[0];
    EXPECT_EQ(c.Expected.VLP5Target, t.VLP5Target);
    EXPECT_EQ(c.Expected.filename, t.filename);
    EXPECT_EQ(c.Expected.scanexe, t.scanexe);
    EXPECT_EQ(c.Expected.taginclude, t.taginclude);
    EXPECT_EQ(c.Expected.translatefunctions, t.translatefunctions);
    EXPECT_EQ(c.Expected.file_list, t.file_list);
    EXPECT_EQ(c.Expected.parseproject, t.parseproject);
    EXPECT_EQ(c.Expected.canconvert, t.canconvert);
  }
}

struct TTargetFailureCase {
  const char* Name;
  const char* Xml;
  const char* Error;
};

TEST_F(VLP5ReaderTest, BrokenTargetStopsTheWalkWithItsMessage) {
  const TTargetFailureCase cases[] = {
      {"project without PROJECTFILE", "<DELPHI_PROJECT><FILENAME>x</FILENAME></DELPHI_PROJECT>",
       "EAssertionFailed: Assertion failure (uVLP5Reader, line 151)"},
      {"C++ binary without FILENAME", "<CPP_BINARY/>",
       "EAssertionFailed: Assertion failure (uVLP5Reader, line 162)"},
      {"Delphi binary without FILENAME",
       "<DELPHI_BINARY><PROJECTFILE>x</PROJECTFILE></DELPHI_BINARY>",
       "EAssertionFailed: Assertion failure (uVLP5Reader, line 162)"},
      {"form without FILENAME", "<FORM/>",
       "EAssertionFailed: Assertion failure (uVLP5Reader, line 172)"},
      {"source without FILENAME", "<SOURCE><filename>x</filename></SOURCE>",
       "EAssertionFailed: Assertion failure (uVLP5Reader, line 172)"},
      {"SCANBINARY not a number",
       "<DELPHI_PROJECT><PROJECTFILE>p</PROJECTFILE><SCANBINARY>yes</SCANBINARY></DELPHI_PROJECT>",
       "EConvertError: ''yes'' is not a valid integer value"},
      {"SCANSUBDIRS not a number",
       "<SOURCE><FILENAME>s</FILENAME><SCANSUBDIRS>1.5</SCANSUBDIRS></SOURCE>",
       "EConvertError: ''1.5'' is not a valid integer value"},
  };
  for (const TTargetFailureCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto project = Open(std::string("<TARGETS><CPP_BINARY><FILENAME>first.exe</FILENAME>"
                                    "</CPP_BINARY>") +
                        c.Xml + "<CPP_BINARY><FILENAME>last.exe</FILENAME></CPP_BINARY></TARGETS>");
    std::vector<std::u16string> reported;
    project->SetOnTargetFound([&](TVXPTarget aTarget) { reported.push_back(aTarget.VLP5Target); });
    EXPECT_EQ(ErrorOf([&] { project->ReadTargets(); }), c.Error);
    EXPECT_EQ(std::vector<std::u16string>{u"first.exe"}, reported);
  }
}

TEST_F(VLP5ReaderTest, TargetsAreInterpretedEvenWithoutAHandler) {
  auto project = Open("<TARGETS><FORM/></TARGETS>");
  EXPECT_EQ(ErrorOf([&] { project->ReadTargets(); }),
            "EAssertionFailed: Assertion failure (uVLP5Reader, line 172)");
}

struct TContextCase {
  const char* Name;
  const char* Row;
  const char16_t* Context;
  const char16_t* FormName;
  const char16_t* ComponentName;
};

TEST_F(VLP5ReaderTest, LocationBecomesContextPath) {
  const TContextCase cases[] = {
      {"form with all parts",
       "<LOCATION><TYPE>FORM</TYPE><UNIT>MainForm</UNIT><ITEM>Button1</ITEM>"
       "<PROPERTY>Caption</PROPERTY></LOCATION>",
       u"Forms.MainForm.Button1.Caption", u"MainForm", u"Button1"},
      {"form without parts", "<LOCATION><TYPE>FORM</TYPE></LOCATION>", u"Forms", u"", u""},
      {"form with property only", "<LOCATION><TYPE>FORM</TYPE><PROPERTY>Hint</PROPERTY></LOCATION>",
       u"Forms.Hint", u"", u""},
      {"string", "<LOCATION><TYPE>STRING</TYPE><UNIT>Consts</UNIT><ITEM>SHello</ITEM></LOCATION>",
       u"Strings.Consts.SHello", u"", u""},
      {"string without parts", "<LOCATION><TYPE>STRING</TYPE></LOCATION>", u"Strings..", u"", u""},
      {"source after its native",
       "<NATIVE>Hello</NATIVE><LOCATION><TYPE>SOURCE</TYPE><FILE>a.b.pas</FILE></LOCATION>",
       u"Source.a\u2024b\u2024pas.Hello", u"", u""},
      {"source before its native",
       "<LOCATION><TYPE>SOURCE</TYPE><FILE>Unit1.pas</FILE></LOCATION><NATIVE>Hello</NATIVE>",
       u"Source.Unit1\u2024pas.", u"", u""},
      {"source without file", "<NATIVE>Hi</NATIVE><LOCATION><TYPE>SOURCE</TYPE></LOCATION>",
       u"Source.Hi", u"", u""},
      {"unknown type", "<LOCATION><TYPE>RESOURCE</TYPE><UNIT>u</UNIT></LOCATION>", u"", u"", u""},
      {"type compared exactly", "<LOCATION><TYPE>Form</TYPE><UNIT>u</UNIT></LOCATION>", u"", u"",
       u""},
      {"a later location without type keeps the earlier context",
       "<LOCATION><TYPE>STRING</TYPE><UNIT>U</UNIT><ITEM>I</ITEM></LOCATION>"
       "<LOCATION><UNIT>V</UNIT></LOCATION>",
       u"Strings.U.I", u"", u""},
  };
  for (const TContextCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto rows = Rows(std::string("<ROW>") + c.Row + "</ROW>");
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(std::u16string(c.Context), rows[0].Location.VXPContext);
    EXPECT_EQ(std::u16string(c.FormName), rows[0].Location.formname);
    EXPECT_EQ(std::u16string(c.ComponentName), rows[0].Location.componentname);
  }
}

TEST_F(VLP5ReaderTest, RowFieldsAndTranslationsInDocumentOrder) {
  const auto rows =
      Rows("<ROW><NATIVE>N</NATIVE><COMMENT>C</COMMENT><NOTRANSLATE>1</NOTRANSLATE>"
           "<TRANSLATION language=\"fr\"><VALUE>F</VALUE></TRANSLATION>"
           "<TRANSLATION language=\"it\"/>"
           "<TRANSLATION><VALUE>none</VALUE></TRANSLATION>"
           "<TRANSLATION LANGUAGE=\"de\"><VALUE>D &amp; D</VALUE></TRANSLATION>"
           "<Native>ignored</Native><!-- a note -->"
           "<LOCATION><TYPE>STRING</TYPE><CHARS>-1</CHARS><TARGET>t.exe</TARGET></LOCATION></ROW>"
           "<ROW><NOTRANSLATE>2</NOTRANSLATE><LOCATION><TYPE>FORM</TYPE><CHARS>many</CHARS>"
           "</LOCATION></ROW>"
           "<ROW><NOTRANSLATE>x</NOTRANSLATE><NATIVE>first</NATIVE><NATIVE>second</NATIVE></ROW>");
  ASSERT_EQ(3u, rows.size());
  EXPECT_EQ(u"N", rows[0].RowInfo.native);
  EXPECT_EQ(u"C", rows[0].RowInfo.comment);
  EXPECT_TRUE(rows[0].RowInfo.readonly);
  EXPECT_EQ(-1, rows[0].RowInfo.maxchars);
  EXPECT_EQ(u"t.exe", rows[0].Location.VLP5Target);
  const std::vector<std::pair<std::u16string, std::u16string>> translations{
      {u"fr", u"F"}, {u"", u"none"}, {u"de", u"D & D"}};
  EXPECT_EQ(translations, rows[0].Translations);

  EXPECT_FALSE(rows[1].RowInfo.readonly);
  EXPECT_EQ(0, rows[1].RowInfo.maxchars);
  EXPECT_TRUE(rows[1].Translations.empty());

  EXPECT_FALSE(rows[2].RowInfo.readonly);
  EXPECT_EQ(u"second", rows[2].RowInfo.native);
  EXPECT_EQ(u"", rows[2].Location.VLP5Target);
}

TEST_F(VLP5ReaderTest, ARowKeepsNothingOfTheRowBefore) {
  const auto rows =
      Rows("<ROW><NATIVE>N</NATIVE><COMMENT>C</COMMENT><NOTRANSLATE>1</NOTRANSLATE>"
           "<TRANSLATION language=\"fr\"><VALUE>F</VALUE></TRANSLATION>"
           "<TRANSLATION language=\"es\"><VALUE>E</VALUE></TRANSLATION>"
           "<LOCATION><TYPE>FORM</TYPE><CHARS>9</CHARS><TARGET>t.exe</TARGET><UNIT>Main</UNIT>"
           "<ITEM>Button1</ITEM></LOCATION></ROW>"
           "<ROW><LOCATION><TYPE>STRING</TYPE></LOCATION></ROW>"
           "<ROW><TRANSLATION language=\"de\"><VALUE>D</VALUE></TRANSLATION>"
           "<TRANSLATION language=\"it\"><VALUE>I</VALUE></TRANSLATION></ROW>");
  ASSERT_EQ(3u, rows.size());
  EXPECT_EQ(u"Main", rows[0].Location.formname);
  const TReportedRow& second = rows[1];
  EXPECT_EQ(u"", second.RowInfo.native);
  EXPECT_EQ(u"", second.RowInfo.comment);
  EXPECT_FALSE(second.RowInfo.readonly);
  EXPECT_EQ(0, second.RowInfo.maxchars);
  EXPECT_TRUE(second.Translations.empty());
  EXPECT_EQ(u"", second.Location.VLP5Target);
  EXPECT_EQ(u"Strings..", second.Location.VXPContext);
  EXPECT_EQ(u"", second.Location.formname);
  EXPECT_EQ(u"", second.Location.componentname);
  const std::vector<std::pair<std::u16string, std::u16string>> third{{u"de", u"D"}, {u"it", u"I"}};
  EXPECT_EQ(third, rows[2].Translations);
}

// A row is released as soon as it is reported; a document sharing the storage is built from the
// rows' memory and must keep every text it took, while the rest of the old project stays readable.
TEST_F(VLP5ReaderTest, RowsAreReleasedOnceReadIntoASharingDocument) {
  std::string rowsXml;
  std::vector<std::u16string> expected;
  for (int i = 0; i < 60; ++i) {
    const std::string text = "row " + std::to_string(i) + std::string(i % 17, '*');
    rowsXml += "<ROW><NATIVE>" + text + "</NATIVE><TRANSLATION language=\"de\"><VALUE>de " + text +
               "</VALUE></TRANSLATION><LOCATION><TYPE>STRING</TYPE><UNIT>u</UNIT>" + "<ITEM>S" +
               std::to_string(i) + "</ITEM></LOCATION></ROW>";
    expected.push_back(Utf8Decode(text) + u"|de " + Utf8Decode(text));
  }
  auto project = Open("<DATA><LANGUAGES><L language=\"de\"/></LANGUAGES><ROWS>" + rowsXml +
                      "</ROWS></DATA><EXCLUDESTRINGS><S>kept</S></EXCLUDESTRINGS>");
  project->SetOnLanguageFound([](const std::u16string&) {});
  project->ReadLanguages();
  vxml::TXmlDocument built(u"rows", project->Document());
  project->SetOnTranslationsFound(
      [&](const TRowInfo& aRowInfo, const TTranslations& aList, const TLocation&) {
        vxml::TXmlNode* row = built.Root()->NodeNew(u"row");
        row->AttributeAdd(u"native", aRowInfo.native);
        row->SetValueAsWidestring(aList.at(0).Text);
      });
  project->ReadTranslations();

  std::vector<std::u16string> rows;
  for (int32_t i = 0; i < built.Root()->NodeCount(); ++i) {
    const vxml::TXmlNode& row = *built.Root()->Nodes(i);
    rows.push_back(row.AttributeByName(u"native") + u"|" + row.ValueAsWidestring());
  }
  EXPECT_EQ(expected, rows);
  const vxml::TXmlNode* oldRows = project->Document().Root()->NodeByName(u"DATA");
  ASSERT_NE(nullptr, oldRows);
  EXPECT_EQ(0, oldRows->NodeByName(u"ROWS")->NodeCount());
  std::vector<std::u16string> excludes;
  project->SetOnExcludeFound([&](const std::u16string& aText) { excludes.push_back(aText); });
  project->ReadExcludeStrings();
  EXPECT_EQ(std::vector<std::u16string>{u"kept"}, excludes);
  // Either document may go first.
  project.reset();
  EXPECT_EQ(u"row 0", built.Root()->Nodes(0)->AttributeByName(u"native"));
}

TEST_F(VLP5ReaderTest, LocationWithoutTypeEndsTheRow) {
  const auto rows = Rows("<ROW><NATIVE>N</NATIVE><LOCATION><TARGET>t</TARGET><CHARS>5</CHARS>"
                         "</LOCATION><TRANSLATION language=\"de\"><VALUE>D</VALUE></TRANSLATION>"
                         "<COMMENT>late</COMMENT></ROW>");
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ(u"N", rows[0].RowInfo.native);
  EXPECT_EQ(u"", rows[0].RowInfo.comment);
  EXPECT_EQ(0, rows[0].RowInfo.maxchars);
  EXPECT_EQ(u"", rows[0].Location.VLP5Target);
  EXPECT_TRUE(rows[0].Translations.empty());
}

TEST_F(VLP5ReaderTest, FailingRowIsDiscardedAndTheNextStartsClean) {
  auto project = Open("<DATA><LANGUAGES><L language=\"de\"/></LANGUAGES><ROWS>"
                      "<ROW><NATIVE>one</NATIVE></ROW>"
                      "<ROW><NATIVE>two</NATIVE><TRANSLATION language=\"de\"><VALUE>zwei</VALUE>"
                      "</TRANSLATION><LOCATION><TYPE>STRING</TYPE><TARGET>a.exe</TARGET>"
                      "<UNIT>U</UNIT><ITEM>S</ITEM></LOCATION></ROW>"
                      "<ROW><NATIVE>three</NATIVE></ROW>"
                      "<ROW><NATIVE>four</NATIVE><TRANSLATION language=\"de\"><VALUE>vier</VALUE>"
                      "</TRANSLATION></ROW>"
                      "<ROW><NATIVE>five</NATIVE></ROW></ROWS></DATA>");
  project->SetOnLanguageFound([](const std::u16string&) {});
  project->ReadLanguages();
  std::vector<std::u16string> natives;
  std::size_t translationsOfLastRow = 99;
  project->SetOnTranslationsFound(
      [&](const TRowInfo& aRowInfo, const TTranslations& aList, const TLocation&) {
        if (aRowInfo.native == u"two")
          throw Exception(u"handler failed");
        if (aRowInfo.native == u"four")
          throw 4; // not an exception class of ours, nor of the library
        natives.push_back(aRowInfo.native);
        translationsOfLastRow = aList.size();
      });
  std::vector<std::u16string> discarded;
  project->SetOnRowDiscarded(
      [&](const TRowInfo& aRowInfo, const TLocation& aLocation, const std::u16string& aMessage) {
        discarded.push_back(aRowInfo.native + u"|" + aLocation.VLP5Target + u"|" +
                            aLocation.VXPContext + u"|" + aMessage);
      });
  EXPECT_NO_THROW(project->ReadTranslations());
  EXPECT_EQ((std::vector<std::u16string>{u"one", u"three", u"five"}), natives);
  EXPECT_EQ(0u, translationsOfLastRow);
  EXPECT_EQ((std::vector<std::u16string>{u"two|a.exe|Strings.U.S|handler failed",
                                         u"four|||An unknown exception occurred."}),
            discarded);
}

// A row that fails for want of memory is not the row's fault: the walk ends there.
TEST_F(VLP5ReaderTest, RunningOutOfMemoryInARowLeavesTheWalk) {
  auto project = Open("<DATA><LANGUAGES><L language=\"de\"/></LANGUAGES><ROWS>"
                      "<ROW><NATIVE>one</NATIVE></ROW><ROW><NATIVE>two</NATIVE></ROW>"
                      "<ROW><NATIVE>three</NATIVE></ROW></ROWS></DATA>");
  project->SetOnLanguageFound([](const std::u16string&) {});
  project->ReadLanguages();
  std::vector<std::u16string> natives;
  project->SetOnTranslationsFound(
      [&](const TRowInfo& aRowInfo, const TTranslations&, const TLocation&) {
        if (aRowInfo.native == u"two")
          throw std::bad_alloc();
        natives.push_back(aRowInfo.native);
      });
  bool discarded = false;
  project->SetOnRowDiscarded(
      [&](const TRowInfo&, const TLocation&, const std::u16string&) { discarded = true; });
  EXPECT_THROW(project->ReadTranslations(), std::bad_alloc);
  EXPECT_EQ(std::vector<std::u16string>{u"one"}, natives);
  EXPECT_FALSE(discarded);
}

TEST_F(VLP5ReaderTest, TranslationsNeedALanguageReadBefore) {
  const std::string rows = "<ROWS><ROW><NATIVE>n</NATIVE></ROW></ROWS>";
  {
    SCOPED_TRACE("no languages");
    auto project = Open("<DATA>" + rows + "</DATA>");
    project->SetOnLanguageFound([](const std::u16string&) {});
    project->ReadLanguages();
    EXPECT_TRUE(ReadRows(*project).empty());
  }
  {
    SCOPED_TRACE("languages walked without a handler");
    auto project = Open("<DATA><LANGUAGES><L language=\"de\"/></LANGUAGES>" + rows + "</DATA>");
    project->ReadLanguages();
    EXPECT_TRUE(ReadRows(*project).empty());
  }
  {
    SCOPED_TRACE("one language without attribute");
    auto project = Open("<DATA><LANGUAGES><L/></LANGUAGES>" + rows + "</DATA>");
    std::vector<std::u16string> languages;
    project->SetOnLanguageFound([&](const std::u16string& aCode) { languages.push_back(aCode); });
    project->ReadLanguages();
    EXPECT_EQ(std::vector<std::u16string>{u""}, languages);
    EXPECT_EQ(1u, ReadRows(*project).size());
  }
}

TEST_F(VLP5ReaderTest, LanguagesAndExcludesReportEveryChild) {
  auto project = Open("<DATA><LANGUAGES><L language=\"de\"/><!-- c --><L Language=\"sh\"/>"
                      "<L language=\"de\"/></LANGUAGES></DATA>"
                      "<EXCLUDESTRINGS><S>OK</S><S>a &lt; b</S><!--note--></EXCLUDESTRINGS>"
                      "<EXCLUDECONTEXTS><C>Unit1.pas.X</C></EXCLUDECONTEXTS>"
                      "<DATA><EXCLUDESTRINGS><S>not here</S></EXCLUDESTRINGS></DATA>");
  std::vector<std::u16string> languages, strings, contexts;
  project->SetOnLanguageFound([&](const std::u16string& aCode) { languages.push_back(aCode); });
  project->ReadLanguages();
  EXPECT_EQ((std::vector<std::u16string>{u"de", u"", u"sh", u"de"}), languages);

  project->SetOnExcludeFound([&](const std::u16string& aText) { strings.push_back(aText); });
  project->ReadExcludeStrings();
  EXPECT_EQ((std::vector<std::u16string>{u"OK", u"a < b", u"note"}), strings);

  project->SetOnExcludeFound([&](const std::u16string& aText) { contexts.push_back(aText); });
  project->ReadExcludeContexts();
  EXPECT_EQ(std::vector<std::u16string>{u"Unit1.pas.X"}, contexts);
}

TEST_F(VLP5ReaderTest, DictionaryAndCaseSensitiveNames) {
  EXPECT_EQ(u"Main", Open("<DICTIONARY><NAME>Main</NAME></DICTIONARY>")->ReadDictionary());
  EXPECT_EQ(u"", Open("<DICTIONARY><Name>Main</Name></DICTIONARY>")->ReadDictionary());
  EXPECT_EQ(u"", Open("")->ReadDictionary());
  auto project = Open("<Targets><CPP_BINARY><FILENAME>a</FILENAME></CPP_BINARY></Targets>");
  EXPECT_TRUE(Targets(*project).empty());
}

TEST_F(VLP5ReaderTest, TextInCDataSectionsIsKept) {
  const std::pair<const char*, std::u16string> cases[] = {
      {"<NATIVE><![CDATA[Hello]]></NATIVE>", u"Hello"},
      {"<NATIVE><![CDATA[a < b &amp; c]]></NATIVE>", u"a < b &amp; c"},
      {"<NATIVE>x &amp; <![CDATA[<y>]]>z</NATIVE>", u"x & <y>z"},
      {"<NATIVE>a<!-- note -->b</NATIVE>", u"ab"},
  };
  for (const auto& [native, expected] : cases) {
    SCOPED_TRACE(native);
    const auto rows = Rows(std::string("<ROW>") + native + "</ROW>");
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(expected, rows[0].RowInfo.native);
  }
}

TEST_F(VLP5ReaderTest, MissingFileFailsWhileCreating) {
  EXPECT_EQ(ErrorOf([&] { TVLP5Project(Utf8Decode(fFolder.File("missing.vlp"))); }),
            "EFOpenError: Cannot open file \"" + fFolder.File("missing.vlp") + "\". " +
                Utf8Encode(SystemReasons().NoSuchFile));
}

TEST(EscapeDotsTest, ReplacesEveryFullStopOnly) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"a.b.c", u"a\u2024b\u2024c"},
      {u"", u""},
      {u"none", u"none"},
      {u"..", u"\u2024\u2024"},
      {u"C:\\src\\Unit1.pas", u"C:\\src\\Unit1\u2024pas"},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(Utf8Encode(text));
    EXPECT_EQ(expected, EscapeDots(text));
  }
}

TEST(OldProjectPathTest, EndsInVlpInAnyCase) {
  const std::pair<std::u16string, bool> cases[] = {
      {u"a.vlp", true},  {u"dir/A.VLP", true}, {u"x.Vlp", true},
      {u".vlp", true},   {u"vlp", false},      {u"a.vlp.txt", false},
      {u"a.vxp", false}, {u"", false},         {u"a.vlp ", false},
  };
  for (const auto& [path, expected] : cases) {
    SCOPED_TRACE(Utf8Encode(path));
    EXPECT_EQ(expected, IsOldProjectPath(path));
  }
}

} // namespace
