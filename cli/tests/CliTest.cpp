#include "ChildProcess.h"
#include "CliApp.h"
#include "CliConsole.h"
#include "CliInputs.h"
#include "CliOptions.h"
#include "CliProgress.h"
#include "ConvertTestSupport.h"
#include "ErrorOf.h"
#include "FullDisk.h"
#include "vbase/Utf8.h"
#include "vreport/Report.h"

#ifdef _WIN32
#include "vbase/WindowsErrors.h"
#endif

#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

using namespace vcli;

namespace {

// ---- The command line, in process ----

struct TUsageCase {
  std::vector<std::string> Args;
  const char* Message;
};

TEST(CliOptionsTest, UsageErrorsSayWhatIsWrong) {
  const TUsageCase cases[] = {
      {{}, "no input given"},
      {{"-f"}, "no input given"},
      {{"-x", "a.vlp"}, "unknown option -x"},
      {{"--frce", "a.vlp"}, "unknown option --frce"},
      {{"--quiet=yes", "a.vlp"}, "option --quiet takes no value"},
      {{"a.vlp", "-o"}, "option -o needs a value"},
      {{"a.vlp", "--report"}, "option --report needs a value"},
      {{"--progress", "dots", "a.vlp"}, "--progress takes none, names or bar, not 'dots'"},
      {{"-o", "out.vxp", "a.vlp", "b.vlp"}, "-o/--output needs exactly one input"},
      {{"-fx", "a.vlp"}, "unknown option -x"},
      {{"--force", "-qz", "a.vlp"}, "unknown option -z"},
      {{"--rep", "a.vlp", "--forc=1"}, "option --force takes no value"},
      {{"a.vlp", "--outp"}, "option --output needs a value"},
      {{"-j", "0", "a.vlp"}, "-j/--jobs takes a whole number from 1 up, not '0'"},
      {{"--jobs=2x", "a.vlp"}, "-j/--jobs takes a whole number from 1 up, not '2x'"},
  };
  for (const TUsageCase& c : cases) {
    SCOPED_TRACE(c.Message);
    EXPECT_EQ(ErrorOf([&] { ParseCliArguments(c.Args); }),
              std::string("vcli::ECliUsageError: ") + c.Message);
  }
}

TEST(CliOptionsTest, OptionsInTheirSpellings) {
  const TCliOptions options = ParseCliArguments(
      {"-fq", "--output=o.vxp", "--report", "r.json", "--progress=names", "--", "-a.vlp"});
  EXPECT_TRUE(options.Force);
  EXPECT_TRUE(options.Quiet);
  EXPECT_EQ("o.vxp", options.Output);
  EXPECT_EQ("r.json", options.ReportPath);
  EXPECT_EQ(TProgressMode::pmNames, options.Progress);
  EXPECT_EQ(std::vector<std::string>{"-a.vlp"}, options.Inputs);
  EXPECT_EQ("x.vxp", ParseCliArguments({"-ox.vxp", "a.vlp"}).Output);
  EXPECT_EQ(TProgressMode::pmAuto, ParseCliArguments({"a.vlp"}).Progress);
  EXPECT_EQ(1, ParseCliArguments({"a.vlp"}).Jobs);
  // Options may follow the inputs; long ones may be shortened while they stay unambiguous.
  const TCliOptions later = ParseCliArguments({"a.vlp", "-j3", "b.vlp", "--rep", "r.json", "-"});
  EXPECT_EQ(3, later.Jobs);
  EXPECT_EQ("r.json", later.ReportPath);
  EXPECT_EQ((std::vector<std::string>{"a.vlp", "b.vlp", "-"}), later.Inputs);
  EXPECT_EQ(4, ParseCliArguments({"--jobs", "4", "a.vlp"}).Jobs);
}

TEST(CliAppTest, HelpVersionAndUsageStatus) {
  std::ostringstream out, err;
  EXPECT_EQ(ceSuccess, RunCli({"--version"}, out, err, false));
  EXPECT_EQ(std::string("vlp5tovxp-cli ") + VLP_VERSION + "\n", out.str());
  out.str("");
  EXPECT_EQ(ceSuccess, RunCli({"-h"}, out, err, false));
  EXPECT_EQ(0u, out.str().find("Usage: vlp5tovxp-cli [options] INPUT..."));
  EXPECT_EQ("", err.str());
  EXPECT_EQ(ceUsage, RunCli({"--bogus"}, out, err, false));
  EXPECT_EQ("vlp5tovxp-cli: unknown option --bogus\n"
            "Try 'vlp5tovxp-cli --help' for more information.\n",
            err.str());
}

TEST(CliAppTest, FolderStandsForItsProjectsInSortedOrder) {
  TTempFolder folder;
  std::filesystem::create_directories(folder.Path() / "b" / "c");
  for (const char* name : {"b/c/z.vlp", "b/a.VLP", "a.vlp", "notes.txt", "a.vlp_converted.vxp"})
    WriteFileBytes(folder.File(name), "");
  const std::string root = vbase::Utf8OfPath(folder.Path());
  const std::vector<TInputItem> expected{{folder.File("a.vlp"), std::nullopt},
                                         {folder.File("b/a.VLP"), std::nullopt},
                                         {folder.File("b/c/z.vlp"), std::nullopt}};
  EXPECT_EQ(expected, ProjectsOfInput(root));
  const std::vector<TInputItem> single{{folder.File("b/x.vlp"), std::nullopt}};
  EXPECT_EQ(single, ProjectsOfInput(root + "/./b/x.vlp"));
}

// Permission bits, and file names that are bytes rather than text, are POSIX's.
#ifndef _WIN32
// Permission bits do not stop root, so a check of them runs the command in a child process that
// gives root's rights up first; the child exits with the command's status and its messages.
[[noreturn]] void RunCliWithoutRootRights(const std::vector<std::string>& aArgs) {
  if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
    std::exit(99);
  std::ostringstream out, err;
  const int status = RunCli(aArgs, out, err, false);
  std::cerr << err.str();
  std::exit(status);
}

TEST(CliAppTest, UnreadableFolderFailsAndTheRestIsConverted) {
  TTempFolder folder;
  namespace fs = std::filesystem;
  const fs::path& root = folder.Path();
  fs::create_directories(root / "locked");
  fs::create_directories(root / "open");
  const std::string project = ReadFileBytes(std::string(VLP_TEST_DATA) + "/worked-example.vlp");
  WriteFileBytes((root / "locked" / "a.vlp").string(), project);
  WriteFileBytes((root / "open" / "b.vlp").string(), project);
  fs::permissions(root, fs::perms::all);
  fs::permissions(root / "open", fs::perms::all);
  fs::permissions(root / "locked", fs::perms::none);

  const std::string locked =
      "vlp5tovxp-cli: " + (root / "locked").string() + ": Permission denied\n";
  const std::vector<std::string> args{"-q", root.string(), (root / "locked").string()};
  const std::string messages = "^" + locked + locked + "$";
  EXPECT_EXIT(RunCliWithoutRootRights(args), ::testing::ExitedWithCode(ceFailure), messages);
  EXPECT_TRUE(fs::exists(root / "open" / "b.vlp_converted.vxp"));
  fs::permissions(root / "locked", fs::perms::owner_all);
}

// The line of a failed save names the output and the system's reason, not only the input; the
// old output stays as it was and no temporary file is left.
TEST(CliAppTest, AFailedWriteNamesTheOutputAndTheReason) {
  TTempFolder folder;
  const std::string input = folder.File("in.vlp");
  const std::string output = folder.File("out.vxp");
  WriteFileBytes(input, ReadFileBytes(std::string(VLP_TEST_DATA) + "/worked-example.vlp"));
  WriteFileBytes(output, "old");
  std::ostringstream out, err;
  {
    const TFullDisk fullDisk;
    EXPECT_EQ(ceFailure, RunCli({"-q", "-f", "-o", output, input}, out, err, false));
  }
  EXPECT_EQ("vlp5tovxp-cli: " + input + ": Cannot write \"" + output +
                "\": " + TFullDisk::ReasonOfFullDisk + "\n",
            err.str());
  EXPECT_EQ(ReadFileBytes(output), "old");
  EXPECT_EQ((std::set<std::string>{"in.vlp", "out.vxp"}), folder.Entries());
}

TEST(CliAppTest, PathsThatAreNotUtf8AreRefused) {
  TTempFolder folder;
  const std::string latin1 = folder.File("caf\xE9.vlp");
  const std::string replacement = folder.File("caf\xEF\xBF\xBD.vlp");
  const std::string project = ReadFileBytes(std::string(VLP_TEST_DATA) + "/worked-example.vlp");
  WriteFileBytes(latin1, project);
  WriteFileBytes(replacement, project);
  std::ostringstream out, err;
  EXPECT_EQ(ceFailure, RunCli({"-q", folder.Path().string()}, out, err, false));
  EXPECT_EQ("vlp5tovxp-cli: " + latin1 + ": the path is not valid UTF-8\n", err.str());

  err.str("");
  const std::string output = folder.File("out\xE9.vxp");
  EXPECT_EQ(ceFailure, RunCli({"-q", "-o", output, replacement}, out, err, false));
  EXPECT_EQ("vlp5tovxp-cli: " + replacement + ": the output path is not valid UTF-8\n", err.str());
  EXPECT_EQ((std::set<std::string>{"caf\xE9.vlp", "caf\xEF\xBF\xBD.vlp",
                                   "caf\xEF\xBF\xBD.vlp_converted.vxp"}),
            folder.Entries());
}
#endif

TEST(CliAppTest, BarByDefaultOnlyOnATerminalWithSeveralInputs) {
  TTempFolder folder;
  for (const char* name : {"a.vlp", "b.vlp"})
    WriteFileBytes(folder.File(name), "<PROJECT/>");
  struct {
    bool Terminal;
    std::vector<std::string> Args;
    bool Bar;
  } cases[] = {
      {true, {"-qf", folder.File("a.vlp"), folder.File("b.vlp")}, true},
      {false, {"-qf", folder.File("a.vlp"), folder.File("b.vlp")}, false},
      {true, {"-qf", folder.File("a.vlp")}, false},
      {false, {"-qf", "--progress", "bar", folder.File("a.vlp")}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Args.size());
    std::ostringstream out, err;
    EXPECT_EQ(ceSuccess, RunCli(c.Args, out, err, c.Terminal));
    EXPECT_EQ(c.Bar, err.str().find("] ") != std::string::npos) << err.str();
  }
}

// The bar of a single project follows its loading and converting, on a terminal and only while
// the log is printed.
TEST(CliAppTest, StageBarOnlyOnATerminalWithTheLogShown) {
  TTempFolder folder;
  const std::string project = folder.File("a.vlp");
  WriteFileBytes(project, ReadFileBytes(std::string(VLP_TEST_DATA) + "/worked-example.vlp"));
  struct {
    bool Terminal;
    std::vector<std::string> Args;
    bool Bar;
  } cases[] = {
      {true, {"-f", project}, true},
      {false, {"-f", project}, false},
      {true, {"-qf", project}, false},
      {true, {"-f", "--progress", "none", project}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Args) + (c.Terminal ? " on a terminal" : ""));
    std::ostringstream out, err;
    EXPECT_EQ(ceSuccess, RunCli(c.Args, out, err, c.Terminal));
    if (!c.Bar) {
      EXPECT_EQ("", err.str());
      continue;
    }
    for (const char* shown : {"] loading 0%", "] loading 100%", "] converting 100%"})
      EXPECT_NE(std::string::npos, err.str().find(shown)) << shown;
    // The bar leaves the line clean again.
    EXPECT_TRUE(err.str().ends_with("\r\033[K")) << err.str();
  }
}

// ---- The executable, as a process on real files ----

class CliProcessTest : public ::testing::Test {
protected:
  TProcessResult Run(const std::vector<std::string>& aArgs) {
    return RunCapturing(VLP_CLI_EXE, aArgs, fFolder.Path(), fOutput);
  }

  // The worked example under aName in the work folder; returns its absolute path.
  std::string AddWorkedExample(const std::string& aName) {
    const std::string path = fFolder.File(aName);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteFileBytes(path, ReadFileBytes(std::string(VLP_TEST_DATA) + "/worked-example.vlp"));
    return path;
  }

  // The converted worked example as the run writes it for the old project aInput.
  static std::string ExpectedOutput(const std::string& aInput) {
    return ConvertedFixture("worked-example.vlp", aInput);
  }

  // The fixture converted from the project aProject, as the run writes it for the same project
  // at aInput: the description names the path it was given.
  static std::string ConvertedFixture(const std::string& aProject, const std::string& aInput) {
    std::string bytes =
        ReadFileBytes(std::string(VLP_TEST_DATA) + "/" + aProject + "_converted.vxp");
    const std::string name = "&quot;" + aProject + "&quot;";
    bytes.replace(bytes.find(name), name.size(), "&quot;" + aInput + "&quot;");
    return bytes;
  }

  TTempFolder fFolder;
  TTempFolder fOutput; // the captured streams, outside the work folder
};

TEST_F(CliProcessTest, ConvertsOneProjectBesideIt) {
  const std::string input = AddWorkedExample("app.vlp");
  const TProcessResult result = Run({"./app.vlp"});
  EXPECT_EQ(0, result.Status);
  EXPECT_EQ("", result.Err);
  EXPECT_EQ(ExpectedOutput(input), ReadFileBytes(input + "_converted.vxp"));
  const std::string expectedStart = "Opening old project...\n"
                                    "Reading dictionary info\n"
                                    "\tDictionary name: Main\n"
                                    "Reading languages\n"
                                    "\tde\n"
                                    "\tsr.lat\n";
  EXPECT_EQ(expectedStart, result.Out.substr(0, expectedStart.size()));
  const std::string table = "\n"
                            "Converted  Vornalex 5 Target  Vornalex 7 Target      Rows\n"
                            "yes        C:\\app\\App.dpr     C:\\app\\App.dpr            1\n"
                            "yes        R;C:\\app\\src       .\\VnxVirtualTarget[1]     1\n"
                            "no         C:\\app\\App.res\n";
  ASSERT_GE(result.Out.size(), table.size());
  EXPECT_EQ(table, result.Out.substr(result.Out.size() - table.size()));
}

// A folder name that no single code page holds reaches the program as an argument, names the
// files it reads and writes, and stands in the description as it is.
TEST_F(CliProcessTest, SamplesInAFolderWithAnyNameConvertToTheirFixtures) {
  const std::string folder = "\u041F\u0440\u043E\u0435\u043A\u0442\u044B \u65E5\u672C \u00E9";
  const std::string examples = std::string(VLP_TEST_DATA) + "/../../examples/";
  const std::string projects[] = {"demo.vlp", "western.vlp"};
  for (const std::string& project : projects) {
    std::filesystem::create_directories(vbase::PathOfUtf8(fFolder.File(folder)));
    WriteFileBytes(vbase::PathOfUtf8(fFolder.File(folder + "/" + project)),
                   ReadFileBytes(examples + project));
  }
  const TProcessResult result = Run({"-q", folder});
  EXPECT_EQ(0, result.Status);
  EXPECT_EQ("", result.Err);
  for (const std::string& project : projects) {
    SCOPED_TRACE(project);
    const std::string input = fFolder.File(folder + "/" + project);
    EXPECT_EQ(ConvertedFixture(project, input),
              ReadFileBytes(vbase::PathOfUtf8(input + "_converted.vxp")));
  }
}

// A terminal of its own is script(1)'s, a POSIX tool.
#ifndef _WIN32
// On a terminal of its own (script(1) gives it one and copies what it shows) the command draws
// the bar of its one project; into files, as above, it draws nothing.
TEST_F(CliProcessTest, BarOnATerminal) {
  AddWorkedExample("app.vlp");
  const std::string shown = fOutput.File("terminal");
  const std::string command = "cd " + ShellQuoted(fFolder.Path().string()) + " && script -qec " +
                              ShellQuoted(ShellQuoted(VLP_CLI_EXE) + " app.vlp") + " /dev/null >" +
                              ShellQuoted(shown) + " </dev/null";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status));
  const std::string terminal = ReadFileBytes(shown);
  for (const char* part : {"Opening old project...", "] loading 100%", "] converting 100%",
                           "\r\033[KReading dictionary info"})
    EXPECT_NE(std::string::npos, terminal.find(part)) << part << " in " << terminal;
}
#endif

TEST_F(CliProcessTest, ExistingOutputIsReplacedOnlyWithForce) {
  const std::string input = AddWorkedExample("app.vlp");
  const std::string output = fFolder.File("chosen.vxp");
  WriteFileBytes(output, "keep me");

  TProcessResult result = Run({"-q", "-o", "chosen.vxp", "app.vlp"});
  EXPECT_EQ(1, result.Status);
  EXPECT_EQ("", result.Out);
  EXPECT_EQ("vlp5tovxp-cli: " + input + ": Output file \"" + output +
                "\" already exists; use -f to replace it\n",
            result.Err);
  EXPECT_EQ("keep me", ReadFileBytes(output));

  result = Run({"-q", "-f", "-o", "chosen.vxp", "app.vlp"});
  EXPECT_EQ(0, result.Status);
  EXPECT_EQ(ExpectedOutput(input), ReadFileBytes(output));
  EXPECT_EQ((std::set<std::string>{"app.vlp", "chosen.vxp"}), fFolder.Entries());
}

// A broken project is pointed at as compilers point at a broken source: file, line, column.
TEST_F(CliProcessTest, ABrokenProjectIsNamedWithTheLineAndColumnOfItsFault) {
  const std::string broken = fFolder.File("broken.vlp");
  WriteFileBytes(broken, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<PROJECT>\r\n  "
                         "<NATIVE>Grüße</NATIV>\r\n</PROJECT>\r\n");
  const std::string text = fFolder.File("text.vlp");
  WriteFileBytes(text, "Only words here.\n");

  const TProcessResult result = Run({"-q", "--report", "report.json", "broken.vlp", "text.vlp"});
  EXPECT_EQ(1, result.Status);
  EXPECT_EQ(broken + ":3:16: Incorrect close tag in element NATIVE\n" + text +
                ":1:1: Xml header error (empty stream?) (XmlDocument, line 1336)\n",
            result.Err);
  const nlohmann::json report = nlohmann::json::parse(ReadFileBytes(fFolder.File("report.json")));
  const nlohmann::json& results = report["results"];
  ASSERT_EQ(2u, results.size());
  EXPECT_EQ("Incorrect close tag in element NATIVE", results[0]["error"]);
  EXPECT_EQ(3, results[0]["line"]);
  EXPECT_EQ(16, results[0]["column"]);
  EXPECT_EQ(1, results[1]["line"]);
  EXPECT_EQ(1, results[1]["column"]);
}

#ifdef _WIN32
// A file that another program holds open cannot be replaced: the save fails before anything is
// written, and the file stays as it was.
TEST_F(CliProcessTest, OutputHeldOpenByAnotherProgramStaysAsItWas) {
  const std::string input = AddWorkedExample("app.vlp");
  const std::string output = fFolder.File("chosen.vxp");
  WriteFileBytes(output, "keep me");
  const HANDLE held = ::CreateFileW(vbase::PathOfUtf8(output).c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  const TProcessResult result = Run({"-q", "-f", "-o", "chosen.vxp", "app.vlp"});
  ::CloseHandle(held);
  EXPECT_EQ(1, result.Status);
  EXPECT_EQ("vlp5tovxp-cli: " + input + ": Cannot create file \"" + output + "\". " +
                vbase::Utf8Encode(vbase::WindowsErrorText(ERROR_SHARING_VIOLATION)) + "\n",
            result.Err);
  EXPECT_EQ("keep me", ReadFileBytes(output));
  EXPECT_EQ((std::set<std::string>{"app.vlp", "chosen.vxp"}), fFolder.Entries());
}
#endif

TEST_F(CliProcessTest, FailingInputAmongGoodOnesWithReport) {
  const std::string first = AddWorkedExample("projects/a.vlp");
  const std::string broken = fFolder.File("projects/b/broken.vlp");
  std::filesystem::create_directories(fFolder.Path() / "projects" / "b");
  WriteFileBytes(broken, "<PROJECT><TARGETS><CPP_BINARY><FILENAME>b.exe</FILENAME></CPP_BINARY>"
                         "<FORM/></TARGETS></PROJECT>");
  const std::string last = AddWorkedExample("projects/c.vlp");
  const std::string missing = fFolder.File("missing.vlp");

  const TProcessResult result =
      Run({"--report", "report.json", "--progress", "names", "projects", "missing.vlp"});
  EXPECT_EQ(1, result.Status);
  EXPECT_NE(std::string::npos, result.Err.find("[2/4] " + broken + "\n"));
  EXPECT_NE(std::string::npos, result.Err.find("vlp5tovxp-cli: " + broken +
                                               ": Assertion failure (uVLP5Reader, line 172)\n"));
  EXPECT_NE(std::string::npos,
            result.Err.find("vlp5tovxp-cli: " + missing + ": Cannot open file \""));
  EXPECT_EQ(ExpectedOutput(first), ReadFileBytes(first + "_converted.vxp"));
  EXPECT_EQ(ExpectedOutput(last), ReadFileBytes(last + "_converted.vxp"));
  EXPECT_FALSE(std::filesystem::exists(broken + "_converted.vxp"));
  EXPECT_EQ(0u, result.Out.find("==> " + first + " <==\n"));

  const nlohmann::json report = nlohmann::json::parse(ReadFileBytes(fFolder.File("report.json")));
  EXPECT_EQ(VLP_VERSION, report["version"]);
  const nlohmann::json& results = report["results"];
  ASSERT_EQ(4u, results.size());
  const std::string inputs[] = {first, broken, last, missing};
  for (std::size_t i = 0; i < 4; ++i)
    EXPECT_EQ(inputs[i], results[i]["input"]);

  const nlohmann::json& good = results[0];
  EXPECT_EQ(first + "_converted.vxp", good["output"]);
  EXPECT_EQ(true, good["ok"]);
  EXPECT_TRUE(good["error"].is_null());
  EXPECT_EQ("\tDictionary name: Main", good["log"][2]);
  EXPECT_EQ(17u, good["log"].size());
  EXPECT_EQ(nlohmann::json::parse(R"([
      {"kind": "plain", "converted": true, "old_target": "C:\\app\\App.dpr",
       "new_target": "C:\\app\\App.dpr", "rows": 1},
      {"kind": "virtual", "converted": true, "old_target": "R;C:\\app\\src",
       "new_target": ".\\VnxVirtualTarget[1]", "rows": 1},
      {"kind": null, "converted": false, "old_target": "C:\\app\\App.res", "new_target": null,
       "rows": null}])"),
            good["targets"]);
  EXPECT_EQ(2, good["rows_placed"]);
  EXPECT_EQ(0, good["rows_unplaced"]);

  const nlohmann::json& bad = results[1];
  EXPECT_TRUE(bad["output"].is_null());
  EXPECT_EQ(false, bad["ok"]);
  EXPECT_EQ("Assertion failure (uVLP5Reader, line 172)", bad["error"]);
  // The file was read: the check that failed is the converter's, at no place in the file.
  EXPECT_TRUE(bad["line"].is_null());
  EXPECT_TRUE(bad["column"].is_null());
  EXPECT_EQ("Reading targets", bad["log"].back());
  // The run ended before the rows were counted.
  EXPECT_EQ(nlohmann::json::parse(R"([{"kind": "plain", "converted": true, "old_target": "b.exe",
                                        "new_target": "b.exe", "rows": null}])"),
            bad["targets"]);
  EXPECT_EQ(false, results[3]["ok"]);
}

// Permission bits and the reasons' texts are POSIX ones.
#ifndef _WIN32
TEST_F(CliProcessTest, ReportReplacesAnOldOneSafely) {
  AddWorkedExample("a.vlp");
  const std::string report = fFolder.File("report.json");
  WriteFileBytes(report, "old report");
  const auto mode = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                    std::filesystem::perms::group_read;
  std::filesystem::permissions(report, mode);
  const std::set<std::string> entries{"a.vlp", "a.vlp_converted.vxp", "report.json"};

  TProcessResult result = Run({"-q", "--report", "report.json", "a.vlp"});
  EXPECT_EQ(0, result.Status);
  EXPECT_EQ(VLP_VERSION, nlohmann::json::parse(ReadFileBytes(report))["version"]);
  EXPECT_EQ(mode, std::filesystem::status(report).permissions());
  EXPECT_EQ(entries, fFolder.Entries()) << "no temporary file is left behind";

  result = Run({"-q", "-f", "--report", "missing/report.json", "a.vlp"});
  EXPECT_EQ(1, result.Status);
  EXPECT_EQ("vlp5tovxp-cli: missing/report.json: cannot write the report: Cannot create file \"" +
                fFolder.File("missing/report.json") + "\". No such file or directory\n",
            result.Err);
  EXPECT_EQ(entries, fFolder.Entries());
}
#endif

TEST_F(CliProcessTest, UsageErrorsExitWithTwo) {
  AddWorkedExample("a.vlp");
  AddWorkedExample("b.vlp");
  for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                               {"--nope", "a.vlp"},
                                               {"-o", "x.vxp", "a.vlp", "b.vlp"},
                                               {"-o", "x.vxp", "."}}) {
    SCOPED_TRACE(args.empty() ? "no arguments" : args[0]);
    const TProcessResult result = Run(args);
    EXPECT_EQ(2, result.Status);
    EXPECT_EQ(0u, result.Err.find("vlp5tovxp-cli: "));
  }
  EXPECT_EQ((std::set<std::string>{"a.vlp", "b.vlp"}), fFolder.Entries());
}

// Rows whose target has no counterpart, or is not in the project at all, are listed, not only
// counted.
TEST_F(CliProcessTest, DroppedRowsAreListedAndSummed) {
  WriteFileBytes(
      fFolder.File("app.vlp"),
      OldProject("<TARGETS><CPP_BINARY><FILENAME>a.exe</FILENAME></CPP_BINARY>"
                 "<RESOURCE><FILENAME>a.res</FILENAME></RESOURCE></TARGETS>"
                 "<DATA><LANGUAGES><L language=\"de\"/></LANGUAGES><ROWS>"
                 "<ROW><NATIVE>kept</NATIVE><LOCATION><TYPE>STRING</TYPE><UNIT>U</UNIT>"
                 "<TARGET>a.exe</TARGET></LOCATION></ROW>"
                 "<ROW><NATIVE>Icon #C#Ltext</NATIVE><LOCATION><TYPE>STRING</TYPE><UNIT>R</UNIT>"
                 "<ITEM>1</ITEM><TARGET>a.res</TARGET></LOCATION></ROW>"
                 "<ROW><NATIVE>gone</NATIVE><LOCATION><TYPE>STRING</TYPE><UNIT>V</UNIT>"
                 "<TARGET>b.exe</TARGET></LOCATION></ROW>"
                 "</ROWS></DATA>"));
  const TProcessResult result = Run({"--report", "report.json", "app.vlp"});
  EXPECT_EQ(0, result.Status);
  EXPECT_EQ("", result.Err);
  EXPECT_TRUE(result.Out.ends_with("\n2 rows without a converted target were not carried over\n"))
      << result.Out;
  const nlohmann::json report = nlohmann::json::parse(ReadFileBytes(fFolder.File("report.json")));
  const nlohmann::json& only = report["results"][0];
  EXPECT_EQ(1, only["rows_placed"]);
  EXPECT_EQ(2, only["rows_unplaced"]);
  EXPECT_EQ(nlohmann::json::parse(R"([
      {"target": "a.res", "context": "Strings.R.1", "native": "Icon #C#Ltext"},
      {"target": "b.exe", "context": "Strings.V.", "native": "gone"}])"),
            only["rows_dropped"]);

  // One row, and nothing when no row was dropped.
  WriteFileBytes(fFolder.File("app.vlp"),
                 OldProject("<TARGETS><RESOURCE><FILENAME>a.res</FILENAME></RESOURCE></TARGETS>"
                            "<DATA><LANGUAGES><L language=\"de\"/></LANGUAGES><ROWS><ROW>"
                            "<LOCATION><TYPE>STRING</TYPE><TARGET>a.res</TARGET></LOCATION>"
                            "</ROW></ROWS></DATA>"));
  EXPECT_TRUE(Run({"-f", "app.vlp"})
                  .Out.ends_with("\nno         a.res\n"
                                 "1 row without a converted target was not carried over\n"));
  AddWorkedExample("worked.vlp");
  EXPECT_TRUE(Run({"worked.vlp"}).Out.ends_with("\nno         C:\\app\\App.res\n"));
}

// Rows that failed while they were read are summed after the table and listed in the report
// with their failure. No data of an old project makes a row fail today, so the result stands in
// for a run.
TEST(CliConsoleTest, DiscardedRowsAreListedAndSummed) {
  vreport::TInputResult result;
  result.Input = "/p/app.vlp";
  result.Output = "/p/app.vlp_converted.vxp";
  result.DiscardedRows.push_back({u"C:\\a.exe", u"Strings.U.S", u"handler failed"});
  TCliOptions options;
  std::ostringstream out, err;
  TProgress progress(TProgressMode::pmNone, err, 1);
  TConsole console(options, out, err, progress, 1);
  console.End(0, result);
  EXPECT_EQ("1 row could not be read and was not carried over\n", out.str());
  EXPECT_EQ("", err.str());
  EXPECT_EQ(nlohmann::json::parse(R"([
      {"target": "C:\\a.exe", "context": "Strings.U.S", "error": "handler failed"}])"),
            nlohmann::json::parse(vreport::ReportJson({result}))["results"][0]["rows_discarded"]);

  result.DiscardedRows.push_back({u"", u"", u"An unknown exception occurred."});
  out.str("");
  console.End(0, result);
  EXPECT_EQ("2 rows could not be read and were not carried over\n", out.str());
}

// Any well-formed XML converts, to an empty project; a file with neither a target nor a row is
// named as holding nothing of an old project, without failing the input.
TEST_F(CliProcessTest, AFileWithNothingOfAnOldProjectIsWarnedAbout) {
  const std::string warning =
      "warning: The file holds nothing of an old project: no targets and no rows were found.\n";
  WriteFileBytes(fFolder.File("page.vlp"), "<html><body><p>Hello</p></body></html>");
  const TProcessResult page = Run({"--report", "report.json", "page.vlp"});
  EXPECT_EQ(0, page.Status);
  EXPECT_TRUE(page.Err.ends_with("page.vlp: " + warning)) << page.Err;
  EXPECT_TRUE(std::filesystem::exists(fFolder.File("page.vlp_converted.vxp")));
  const nlohmann::json report = nlohmann::json::parse(ReadFileBytes(fFolder.File("report.json")));
  EXPECT_EQ(warning.substr(9, warning.size() - 10), report["results"][0]["warning"]);
  EXPECT_EQ(true, report["results"][0]["ok"]);
  EXPECT_EQ(0, Run({"-f", "--report", "report.html", "page.vlp"}).Status);
  const std::string html = ReadFileBytes(fFolder.File("report.html"));
  EXPECT_NE(html.find("<dt>Warning</dt>"), std::string::npos);
  EXPECT_NE(html.find("<title>vlp5tovxp-cli report</title>"), std::string::npos);

  AddWorkedExample("worked.vlp");
  const TProcessResult worked = Run({"--report", "report.json", "worked.vlp"});
  EXPECT_EQ("", worked.Err);
  EXPECT_TRUE(
      nlohmann::json::parse(ReadFileBytes(fFolder.File("report.json")))["results"][0]["warning"]
          .is_null());
}

// The log's one line that differs from run to run.
std::string WithoutTimes(const std::string& aText) {
  static const std::regex time("Total processing time: [0-9]+ms");
  return std::regex_replace(aText, time, "Total processing time: ?ms");
}

// Several projects at once give what one at a time gives: the same files, the same console
// output in input order, the same report.
TEST_F(CliProcessTest, ParallelRunMatchesSerialRun) {
  for (const char* name : {"p/a.vlp", "p/b/c.vlp", "p/d.vlp", "p/e.vlp", "p/f.vlp"})
    AddWorkedExample(name);
  WriteFileBytes(fFolder.File("p/b/broken.vlp"), "<PROJECT><TARGETS>");
  WriteFileBytes(fFolder.File("p/d.vlp_converted.vxp"), "keep me");
  const std::vector<std::string> inputs{"p", "missing.vlp", "p/a.vlp"};

  std::vector<std::string> serialArgs{"--report", "serial.json", "--progress", "names"};
  serialArgs.insert(serialArgs.end(), inputs.begin(), inputs.end());
  const TProcessResult serial = Run(serialArgs);
  std::map<std::string, std::string> serialFiles;
  for (const std::string& name : fFolder.Entries())
    if (name.ends_with(".vxp")) {
      serialFiles[name] = ReadFileBytes(fFolder.File(name));
      if (name != "p/d.vlp_converted.vxp")
        std::filesystem::remove(fFolder.File(name));
    }

  std::vector<std::string> parallelArgs{"-j",         "2",    "--report", "parallel.json",
                                        "--progress", "names"};
  parallelArgs.insert(parallelArgs.end(), inputs.begin(), inputs.end());
  const TProcessResult parallel = Run(parallelArgs);

  EXPECT_EQ(1, serial.Status);
  EXPECT_EQ(serial.Status, parallel.Status);
  EXPECT_EQ(WithoutTimes(serial.Out), WithoutTimes(parallel.Out));
  EXPECT_EQ(serial.Err, parallel.Err);
  EXPECT_NE(std::string::npos,
            serial.Err.find(fFolder.File("p/a.vlp_converted.vxp") + "\" already exists"));
  EXPECT_EQ(WithoutTimes(ReadFileBytes(fFolder.File("serial.json"))),
            WithoutTimes(ReadFileBytes(fFolder.File("parallel.json"))));
  EXPECT_EQ(5u, serialFiles.size());
  for (const auto& [name, bytes] : serialFiles) {
    SCOPED_TRACE(name);
    EXPECT_EQ(bytes, ReadFileBytes(fFolder.File(name)));
  }
}

TEST_F(CliProcessTest, FolderWithoutProjectsFails) {
  std::filesystem::create_directories(fFolder.Path() / "empty");
  const TProcessResult result = Run({"empty"});
  EXPECT_EQ(1, result.Status);
  EXPECT_EQ("vlp5tovxp-cli: " + fFolder.File("empty") + ": no .vlp file in this folder\n",
            result.Err);
}

} // namespace
