#include "vconvert/uProjectCheck.h"

#include "ConvertTestSupport.h"
#include "ErrorOf.h"
#include "vbase/Utf8.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace vbase;
using namespace vconvert;

namespace fs = std::filesystem;

namespace {

const fs::path TestData = VLP_TEST_DATA;
const fs::path Examples = TestData / ".." / ".." / "examples";

std::vector<std::string> DifferenceLines(const TCheckResult& aResult) {
  std::vector<std::string> lines;
  for (const TCheckDifference& difference : aResult.Differences)
    lines.push_back(Utf8Encode(DifferenceText(difference)));
  return lines;
}

TCheckResult Check(const fs::path& aOld, const fs::path& aNew) {
  return CheckConversion(Utf8Decode(Utf8OfPath(aOld)), Utf8Decode(Utf8OfPath(aNew)));
}

TEST(ProjectCheck, ConvertedProjectsPass) {
  struct TCase {
    fs::path Old;
    fs::path New;
  } const cases[] = {
      {Examples / "demo.vlp", TestData / "demo.vlp_converted.vxp"},
      {Examples / "western.vlp", TestData / "western.vlp_converted.vxp"},
      {TestData / "worked-example.vlp", TestData / "worked-example.vlp_converted.vxp"},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Old.filename().string());
    const TCheckResult result = Check(test.Old, test.New);
    EXPECT_FALSE(result.ReadError);
    EXPECT_EQ(DifferenceLines(result), std::vector<std::string>());
    EXPECT_TRUE(result.Passed());
    EXPECT_GT(result.Rows, 0);
  }
}

// The check follows the old project's loading and then its rows as one count, and a stop in
// either ends it, on the thread that loads the new project as well.
TEST(ProjectCheck, ReportsItsProgressAndStopsInEitherHalf) {
  const std::u16string oldFile = Utf8Decode(Utf8OfPath(TestData / "worked-example.vlp"));
  const std::u16string newFile =
      Utf8Decode(Utf8OfPath(TestData / "worked-example.vlp_converted.vxp"));
  int64_t lastDone = -1, total = 0;
  const TCheckResult result = CheckConversion(oldFile, newFile, [&](int64_t aDone, int64_t aTotal) {
    EXPECT_GE(aDone, lastDone);
    lastDone = aDone;
    total = aTotal;
  });
  EXPECT_TRUE(result.Passed());
  EXPECT_GT(total, 0);
  EXPECT_EQ(lastDone, total);

  const struct {
    const char* Name;
    int64_t StopAt; // of the count's total, in halves; -1: before the check starts
  } cases[] = {{"before it starts", -1}, {"loading", 0}, {"comparing the rows", 1}};
  for (const auto& test : cases) {
    SCOPED_TRACE(test.Name);
    TRunStop stop;
    if (test.StopAt < 0)
      stop.Request();
    bool sawStopPoint = false;
    EXPECT_EQ(ErrorOf([&] {
                CheckConversion(
                    oldFile, newFile,
                    [&](int64_t aDone, int64_t aTotal) {
                      if (aDone > test.StopAt * aTotal / 2) {
                        sawStopPoint = true;
                        stop.Request();
                      }
                    },
                    &stop);
              }),
              "EStopped: The run was stopped.");
    EXPECT_EQ(sawStopPoint, test.StopAt >= 0);
  }
}

TEST(ProjectCheck, CountsWhatTheOldProjectHolds) {
  const TCheckResult result =
      Check(TestData / "worked-example.vlp", TestData / "worked-example.vlp_converted.vxp");
  EXPECT_EQ(CheckCounts(result), u"2 rows, 2 targets, 2 excludes, 2 languages");
  EXPECT_TRUE(result.RowsNotCarriedOver.empty());
}

// Small edits of the worked example's new project, in its own text (CR LF line breaks).
void Replace(std::string& aText, const std::string& aFrom, const std::string& aTo) {
  const std::size_t found = aText.find(aFrom);
  ASSERT_NE(found, std::string::npos) << aFrom;
  aText.replace(found, aFrom.size(), aTo);
}

// Removes the lines from the one that opens with aOpen up to the one that closes with aClose,
// of the first such element that holds aHolding; returns them.
std::string Cut(std::string& aText, const std::string& aOpen, const std::string& aClose,
                const std::string& aHolding = "") {
  const std::size_t begin = aText.rfind("\r\n", aText.rfind(aOpen, aText.find(aHolding))) + 2;
  const std::size_t end = aText.find(aClose, begin) + aClose.size() + 2;
  std::string cut = aText.substr(begin, end - begin);
  aText.erase(begin, end - begin);
  return cut;
}

// Puts aBlock before the line that holds the aOccurrence-th aAnchor, counted from 0.
void InsertBefore(std::string& aText, const std::string& aAnchor, const std::string& aBlock,
                  int aOccurrence = 0) {
  std::size_t found = aText.find(aAnchor);
  for (int i = 0; i < aOccurrence; ++i)
    found = aText.find(aAnchor, found + 1);
  aText.insert(aText.rfind("\r\n", found) + 2, aBlock);
}

const std::string FormRow = R"(target "C:\app\App.dpr", row "Forms.MainForm.Button1.Caption": )";
const std::string SourceRowContext = "Source.Unit1\xE2\x80\xA4pas.Hello";

TEST(ProjectCheck, NamesEachDifferenceOfAnEditedNewProject) {
  struct TCase {
    const char* Name;
    std::function<void(std::string&)> Edit;
    std::vector<std::string> Differences;
  } const cases[] = {
      {"targets and their rows in another order",
       [](std::string& aText) {
         InsertBefore(aText, "<target ", Cut(aText, "<target ", "</target>", "VnxVirtualTarget"));
       },
       {}},
      {"another spelling of the same texts",
       [](std::string& aText) {
         Replace(aText, "&quot;Hello&quot;", "\"&#72;ello\"");
         Replace(aText, "comment=\"Button text\"", "comment='Button&#32;text'");
         Replace(aText, "<scanexe>True</scanexe>", "<scanexe>true</scanexe>");
       },
       {}},
      {"a removed translation",
       [](std::string& aText) { Cut(aText, "<lang ", "</lang>", "id=\"de\""); },
       {FormRow + R"(translation de: old "Eins#C#LZwei", new (missing))"}},
      {"a changed comment",
       [](std::string& aText) { Replace(aText, "Button text", "Button txt"); },
       {FormRow + R"(comment: old "Button text", new "Button txt")"}},
      {"a changed translation, read-only flag, length limit and native text",
       [](std::string& aText) {
         Replace(aText, "Jedan\r\nDva", "Jedan Dva");
         Replace(aText, " readonly=\"yes\"", "");
         Replace(aText, "maxchar=\"40\"", "maxchar=\"41\"");
         Replace(aText, "&quot;One", "One");
       },
       {FormRow + R"(read-only: old "yes", new "no")",
        FormRow + R"(length limit: old "40", new "41")",
        FormRow + R"(native text (not in double quotes): old "One#C#LTwo", new "One\r\nTwo"")",
        FormRow + R"(translation sh: old "Jedan#C#LDva", new "Jedan Dva")"}},
      {"a removed context exclusion",
       [](std::string& aText) { Cut(aText, "<exclude ", "</exclude>", "type=\"context\""); },
       {R"(context exclusion: old "Unit1.pas.SHello", new (missing))"}},
      {"a row moved to another target",
       [](std::string& aText) {
         InsertBefore(aText, "</stringdata>", Cut(aText, "<row ", "</row>", "name=\"Source."));
       },
       {R"(target "C:\app\src", row ")" + SourceRowContext +
            R"(": row: old "Hello", new (missing))",
        R"(target "C:\app\App.dpr", row ")" + SourceRowContext +
            R"(": row: old (not in the old project), new "Hello")"}},
      {"a removed target, a changed dictionary and an added language",
       [](std::string& aText) {
         Cut(aText, "<target ", "</target>", "App.dpr");
         Replace(aText, "<vndfilename>Main</vndfilename>", "<vndfilename>Side</vndfilename>");
         InsertBefore(aText, "</languages>", "<language>fr</language>\r\n");
       },
       {R"(target "C:\app\App.dpr": target: old "C:\app\App.dpr", new (missing))",
        R"(target "C:\app\src": dictionary: old "Main", new "Side")",
        FormRow + R"(row: old "One#C#LTwo", new (missing))",
        R"(language: old (not in the old project), new "fr")"}},
  };
  const std::string original = ReadFileBytes(TestData / "worked-example.vlp_converted.vxp");
  TTempFolder folder;
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name);
    std::string text = original;
    test.Edit(text);
    WriteFileBytes(folder.File("edited.vxp"), text);
    const TCheckResult result = Check(TestData / "worked-example.vlp", folder.File("edited.vxp"));
    EXPECT_FALSE(result.ReadError) << Utf8Encode(result.ReadError->Message);
    EXPECT_EQ(DifferenceLines(result), test.Differences);
    EXPECT_EQ(result.Passed(), test.Differences.empty());
  }
}

TEST(ProjectCheck, TellsWhichFileCannotBeRead) {
  TTempFolder folder;
  const std::string original = ReadFileBytes(TestData / "worked-example.vlp_converted.vxp");
  WriteFileBytes(folder.File("truncated.vxp"), original.substr(0, original.find("</file_list>")));
  TCheckResult result = Check(TestData / "worked-example.vlp", folder.File("truncated.vxp"));
  ASSERT_TRUE(result.ReadError);
  EXPECT_EQ(result.ReadError->Side, TCheckSide::csNew);
  EXPECT_EQ(result.ReadError->FileName, Utf8Decode(folder.File("truncated.vxp")));
  EXPECT_EQ(result.ReadError->Message, u"Missing close tag in element file_list");
  EXPECT_FALSE(result.Passed());

  result = Check(folder.File("missing.vlp"), TestData / "worked-example.vlp_converted.vxp");
  ASSERT_TRUE(result.ReadError);
  EXPECT_EQ(result.ReadError->Side, TCheckSide::csOld);
  EXPECT_TRUE(result.ReadError->Message.starts_with(u"Cannot open file "));
  EXPECT_TRUE(result.Differences.empty()) << "half a comparison names no differences";
}

// A new project of one binary target holding rows of the given natives, all of one context.
std::string NewProjectOfRows(const std::vector<std::string>& aNatives) {
  std::string rows;
  for (const std::string& native : aNatives)
    rows += "<row status=\"active\" name=\"Strings.Consts.SSame\"><native>&quot;" + native +
            "&quot;</native></row>";
  return "<?xml version=\"1.0\"?><xml version=\"7.5.0.0\"><languages><language>de</language>"
         "</languages><targets><target><options><filename>C:\\a.exe</filename>"
         "<scanexe>True</scanexe><parse_project>True</parse_project></options>"
         "<stringdata>" +
         rows + "</stringdata></target></targets><excludes/></xml>";
}

TEST(ProjectCheck, MatchesRowsOfOneContextInOrderAndLeavesOutRowsWithoutTarget) {
  std::string oldRows;
  for (const char* native : {"First", "Second"})
    oldRows += std::string("<ROW><NATIVE>") + native +
               "</NATIVE><LOCATION><TYPE>STRING</TYPE><TARGET>C:\\a.exe</TARGET>"
               "<UNIT>Consts</UNIT><ITEM>SSame</ITEM></LOCATION></ROW>";
  oldRows += "<ROW><NATIVE>Lost</NATIVE><LOCATION><TYPE>STRING</TYPE><TARGET>C:\\gone.exe"
             "</TARGET><UNIT>Consts</UNIT><ITEM>SLost</ITEM></LOCATION></ROW>";
  TTempFolder folder;
  WriteFileBytes(folder.File("old.vlp"),
                 OldProject("<TARGETS><CPP_BINARY><FILENAME>C:\\a.exe</FILENAME></CPP_BINARY>"
                            "</TARGETS><DATA><LANGUAGES><L language=\"de\"/></LANGUAGES><ROWS>" +
                            oldRows + "</ROWS></DATA>"));
  const std::string row = R"(target "C:\a.exe", row "Strings.Consts.SSame": )";
  struct TCase {
    std::vector<std::string> NewNatives;
    std::vector<std::string> Differences;
  } const cases[] = {
      {{"First", "Second"}, {}},
      {{"Second", "First"},
       {row + R"(native text: old "First", new "Second")",
        row + R"(native text: old "Second", new "First")"}},
      {{"First"}, {row + R"(row: old "Second", new (missing))"}},
      {{"First", "Second", "First"}, {row + R"(row: old (not in the old project), new "First")"}},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.NewNatives.size());
    WriteFileBytes(folder.File("new.vxp"), NewProjectOfRows(test.NewNatives));
    const TCheckResult result = Check(folder.File("old.vlp"), folder.File("new.vxp"));
    EXPECT_FALSE(result.ReadError);
    EXPECT_EQ(DifferenceLines(result), test.Differences);
    EXPECT_EQ(result.Rows, 2);
    ASSERT_EQ(result.RowsNotCarriedOver.size(), 1u);
    EXPECT_EQ(result.RowsNotCarriedOver[0].VLP5Target, u"C:\\gone.exe");
    EXPECT_EQ(result.RowsNotCarriedOver[0].Native, u"Lost");
  }
}

TEST(ProjectCheck, ATargetWithoutOptionsMissesEachOfThem) {
  TTempFolder folder;
  WriteFileBytes(folder.File("old.vlp"),
                 OldProject("<TARGETS><DELPHI_PROJECT><PROJECTFILE/></DELPHI_PROJECT></TARGETS>"));
  WriteFileBytes(folder.File("new.vxp"), "<xml><targets><target/></targets></xml>");
  const TCheckResult result = Check(folder.File("old.vlp"), folder.File("new.vxp"));
  EXPECT_EQ(DifferenceLines(result),
            (std::vector<std::string>{R"(scan program: old "False", new "")",
                                      R"(parse project: old "True", new "")"}));
}

TEST(ProjectCheck, ShowsControlCharactersOfValues) {
  EXPECT_EQ(VisibleText(u"a\r\nb\tc\x01"), u"a\\r\\nb\\tc\\x01");
  EXPECT_EQ(VisibleText(u"C:\\app"), u"C:\\app");
}

} // namespace
