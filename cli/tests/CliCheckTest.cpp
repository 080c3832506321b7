#include "CliApp.h"
#include "CliConsole.h"
#include "CliProgress.h"
#include "ConvertTestSupport.h"
#include "vbase/Utf8.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

using namespace vcli;

namespace {

const std::string TestData = VLP_TEST_DATA;
const std::string Examples = TestData + "/../../examples";

struct TCliRun {
  int Status;
  std::string Out;
  std::string Err;
};

TCliRun Cli(const std::vector<std::string>& aArgs) {
  std::ostringstream out, err;
  const int status = RunCli(aArgs, out, err, false);
  return {status, out.str(), err.str()};
}

TEST(CliCheckTest, ConvertedProjectsAreVerified) {
  struct TCase {
    std::string Old;
    std::string New;
    const char* Out;
  } const cases[] = {
      {Examples + "/demo.vlp", TestData + "/demo.vlp_converted.vxp",
       "verified: 5 rows, 5 targets, 5 excludes, 3 languages\n"
       "2 rows without a converted target are not in the new project, as a conversion leaves "
       "them out\n"},
      {Examples + "/western.vlp", TestData + "/western.vlp_converted.vxp",
       "verified: 1 row, 1 target, 2 excludes, 2 languages\n"},
      {TestData + "/worked-example.vlp", TestData + "/worked-example.vlp_converted.vxp",
       "verified: 2 rows, 2 targets, 2 excludes, 2 languages\n"},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Old);
    const TCliRun run = Cli({"--check", test.Old, test.New});
    EXPECT_EQ(ceSuccess, run.Status);
    EXPECT_EQ(test.Out, run.Out);
    EXPECT_EQ("", run.Err);
  }
}

// An old project of aCount rows in one binary target, and its conversion with every row lost.
void WriteProjectAndEmptyConversion(const TTempFolder& aFolder, int aCount) {
  std::string rows;
  for (int i = 0; i < aCount; ++i)
    rows += "<ROW><NATIVE>Text " + std::to_string(i) +
            "</NATIVE><LOCATION><TYPE>STRING</TYPE><TARGET>a.exe</TARGET><UNIT>U</UNIT><ITEM>S" +
            std::to_string(i) + "</ITEM></LOCATION></ROW>";
  WriteFileBytes(aFolder.File("old.vlp"),
                 OldProject("<TARGETS><CPP_BINARY><FILENAME>a.exe</FILENAME></CPP_BINARY>"
                            "</TARGETS><DATA><LANGUAGES><L language=\"de\"/></LANGUAGES><ROWS>" +
                            rows + "</ROWS></DATA>"));
  WriteFileBytes(aFolder.File("new.vxp"),
                 "<xml version=\"7.5.0.0\"><languages><language>de</language></languages>"
                 "<targets><target><options><filename>a.exe</filename><scanexe>True</scanexe>"
                 "<parse_project>True</parse_project></options><stringdata/></target></targets>"
                 "<excludes/></xml>");
}

TEST(CliCheckTest, ConsoleShowsTheFirstDifferencesAndTheReportAll) {
  TTempFolder folder;
  WriteProjectAndEmptyConversion(folder, 23);
  const TCliRun run = Cli({"--check", "--report", folder.File("r.json"), folder.File("old.vlp"),
                           folder.File("new.vxp")});
  EXPECT_EQ(ceFailure, run.Status);
  EXPECT_EQ(0u, run.Out.find("23 differences:\n"
                             "  target \"a.exe\", row \"Strings.U.S0\": row: old \"Text 0\", new "
                             "(missing)\n"));
  EXPECT_NE(std::string::npos, run.Out.find("row \"Strings.U.S19\""));
  EXPECT_EQ(std::string::npos, run.Out.find("row \"Strings.U.S20\""));
  EXPECT_TRUE(run.Out.ends_with("  ... and 3 more (--report lists them all)\n"));
  EXPECT_EQ("vlp5tovxp-cli: check failed: 23 differences\n", run.Err);

  const nlohmann::json report = nlohmann::json::parse(ReadFileBytes(folder.File("r.json")));
  const nlohmann::json& result = report["results"][0];
  EXPECT_EQ(folder.File("old.vlp"), result["input"]);
  EXPECT_EQ(folder.File("new.vxp"), result["output"]);
  EXPECT_EQ(false, result["ok"]);
  const nlohmann::json& verification = result["verification"];
  EXPECT_EQ(false, verification["passed"]);
  EXPECT_EQ(23, verification["rows"]);
  ASSERT_EQ(23u, verification["differences"].size());
  EXPECT_EQ(nlohmann::json::parse(R"({"target": "a.exe", "context": "Strings.U.S22",
                                      "what": "row", "old": "Text 22", "new": null})"),
            verification["differences"][22]);
}

TEST(CliCheckTest, AFileThatCannotBeReadIsNamed) {
  TTempFolder folder;
  const std::string converted = ReadFileBytes(TestData + "/worked-example.vlp_converted.vxp");
  WriteFileBytes(folder.File("cut.vxp"), converted.substr(0, converted.size() / 2));
  const TCliRun run = Cli({"--check", TestData + "/worked-example.vlp", folder.File("cut.vxp")});
  EXPECT_EQ(ceFailure, run.Status);
  EXPECT_EQ("", run.Out);
  EXPECT_EQ("vlp5tovxp-cli: check failed: the new project \"" + folder.File("cut.vxp") +
                "\" cannot be read: Missing close tag in element lang\n",
            run.Err);
}

TEST(CliCheckTest, CheckTakesTwoInputsAndConvertsNothing) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--check", "a.vlp"},
                                               {"--check", "a.vlp", "b.vxp", "c.vxp"},
                                               {"--check", "-o", "x.vxp", "a.vlp", "b.vxp"},
                                               {"--check", "--verify", "a.vlp", "b.vxp"}}) {
    SCOPED_TRACE(testing::PrintToString(args));
    const TCliRun run = Cli(args);
    EXPECT_EQ(ceUsage, run.Status);
    EXPECT_EQ(0u, run.Err.find("vlp5tovxp-cli: --check "));
  }
}

TEST(CliCheckTest, VerifyChecksTheSavedProject) {
  TTempFolder folder;
  WriteFileBytes(folder.File("app.vlp"), ReadFileBytes(TestData + "/worked-example.vlp"));
  const TCliRun run = Cli({"--verify", "--report", folder.File("r.json"), folder.File("app.vlp")});
  EXPECT_EQ(ceSuccess, run.Status);
  EXPECT_TRUE(run.Out.ends_with("\nverified: 2 rows, 2 targets, 2 excludes, 2 languages\n"))
      << run.Out;
  const nlohmann::json report = nlohmann::json::parse(ReadFileBytes(folder.File("r.json")));
  EXPECT_EQ(true, report["results"][0]["verification"]["passed"]);
  EXPECT_EQ(2, report["results"][0]["verification"]["languages"]);
}

// A verification that fails fails the input, with its differences on the console.
TEST(CliCheckTest, FailedVerificationIsShownAndFailsTheInput) {
  vreport::TInputResult result;
  result.Input = "/p/app.vlp";
  result.Output = "/p/app.vlp_converted.vxp";
  result.Verification.emplace();
  result.Verification->Differences.push_back(
      {u"C:\\a.exe", u"Strings.U.S", u"comment", u"Old", u"New"});
  EXPECT_FALSE(result.Ok());

  TCliOptions options;
  std::ostringstream out, err;
  TProgress progress(TProgressMode::pmNone, err, 1);
  TConsole console(options, out, err, progress, 1);
  console.End(0, result);
  EXPECT_EQ("1 difference:\n"
            "  target \"C:\\a.exe\", row \"Strings.U.S\": comment: old \"Old\", new \"New\"\n",
            out.str());
  EXPECT_EQ("vlp5tovxp-cli: /p/app.vlp: verification failed: 1 difference\n", err.str());
}

} // namespace
