#include "vconvert/uConversionRun.h"

#include "ConvertTestSupport.h"
#include "ErrorOf.h"
#include "SystemReasons.h"
#include "vbase/Utf8.h"
#include "vconvert/uRunStop.h"
#include "vxml/XmlDocument.h"

#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <optional>
#include <string>
#include <vector>

using namespace vbase;
using namespace vxml;
using namespace vconvert;

namespace {

// A target as the run reported it; no rows until they are counted.
struct TShownTarget {
  bool Converted;
  TTargetKind Kind;
  std::u16string OldTarget;
  std::u16string NewTarget;
  std::optional<int32_t> Rows;
  bool operator==(const TShownTarget&) const = default;
};

constexpr TTargetKind Plain = TTargetKind::tkPlain;
constexpr TTargetKind Virtual = TTargetKind::tkVirtual;

std::ostream& operator<<(std::ostream& aOut, const TShownTarget& aTarget) {
  aOut << "{" << (aTarget.Converted ? "converted" : "not converted") << ", "
       << (aTarget.Kind == Virtual ? "virtual" : "plain") << ", " << Utf8Encode(aTarget.OldTarget)
       << ", " << Utf8Encode(aTarget.NewTarget) << ", ";
  if (aTarget.Rows)
    aOut << *aTarget.Rows;
  else
    aOut << "no count";
  return aOut << "}";
}

// Answers the run's questions from its fields and records what the run shows.
class TTestHost : public IConversionHost {
public:
  std::optional<std::u16string> OldPath;
  std::optional<std::u16string> OutputPath;
  std::deque<uint32_t> Ticks{100, 142};

  std::vector<std::u16string> Log;
  std::vector<TShownTarget> Targets;
  std::optional<std::u16string> Proposal;
  // Where the run said the new project is, each time it said so.
  std::vector<std::u16string> Saved;
  int MessageRounds = 0;

  std::optional<std::u16string> AskOldProjectPath() override { return OldPath; }
  void ClearLog() override { Log.clear(); }
  void AddLogLine(std::u16string_view aLine) override { Log.emplace_back(aLine); }
  void TargetsCleared() override { Targets.clear(); }
  void TargetFound(const TFoundTarget& aTarget) override {
    EXPECT_EQ(static_cast<int32_t>(Targets.size()), aTarget.Number);
    Targets.push_back({aTarget.Converted, aTarget.Kind, std::u16string(aTarget.OldTarget),
                       std::u16string(aTarget.NewTarget), std::nullopt});
  }
  void TargetRowsCounted(int32_t aTarget, int32_t aCount) override {
    TShownTarget& target = Targets.at(static_cast<std::size_t>(aTarget));
    EXPECT_TRUE(target.Converted);
    EXPECT_FALSE(target.Rows) << "counted twice";
    target.Rows = aCount;
  }
  std::optional<std::u16string> AskOutputPath(const std::u16string& aProposal) override {
    Proposal = aProposal;
    if (OnAskOutput)
      OnAskOutput();
    return OutputPath;
  }
  void ProjectSaved(const std::u16string& aPath) override {
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(aPath))) << "told before the save";
    Saved.push_back(aPath);
  }
  uint32_t TickCount() override {
    const uint32_t tick = Ticks.front();
    if (Ticks.size() > 1)
      Ticks.pop_front();
    return tick;
  }
  void ProcessMessages() override {
    ++MessageRounds;
    if (OnMessages)
      OnMessages();
  }
  bool ShowsProgress() const override { return static_cast<bool>(OnProgress); }
  void ShowProgress(TRunStage aStage, int64_t aDone, int64_t) override {
    OnProgress(aStage, aDone);
  }

  // What the host does besides, where a test has it fail.
  std::function<void()> OnMessages;
  std::function<void()> OnAskOutput;
  std::function<void(TRunStage, int64_t)> OnProgress;
};

const std::u16string ConvertedRowCountLines[] = {
    u"\t - Native imported", u"\t - Translations imported", u"\t - Read-only state imported",
    u"\t - Row comments imported", u"\t - max. char info imported"};

class ConversionRunTest : public ::testing::Test {
protected:
  // Converts an old project whose root holds aBody; returns the saved document.
  std::unique_ptr<TXmlDocument> Convert(const std::string& aBody) {
    WriteFileBytes(fFolder.File("project.vlp"), OldProject(aBody));
    fHost.OldPath = Utf8Decode(fFolder.File("project.vlp"));
    fHost.OutputPath = Utf8Decode(fFolder.File("project.vxp"));
    fRun.Execute();
    auto document = std::make_unique<TXmlDocument>();
    document->LoadFromFile(*fHost.OutputPath);
    return document;
  }

  static TXmlNode* Section(const TXmlDocument& aDocument, std::u16string_view aName) {
    return aDocument.Root()->NodeByName(aName);
  }

  // The attribute lines of aNode joined by spaces, as they stand in the file.
  static std::u16string AttributeText(const TXmlNode& aNode) {
    std::u16string text;
    for (int32_t i = 0; i < aNode.AttributeCount(); ++i)
      text.append(i ? u" " : u"").append(aNode.AttributePair(i));
    return text;
  }

  TTempFolder fFolder;
  TTestHost fHost;
  TConversionRun fRun{fHost};
};

TEST_F(ConversionRunTest, WorkedExampleEndToEnd) {
  const std::string expected =
      ReadFileBytes(std::string(VLP_TEST_DATA) + "/worked-example.vlp_converted.vxp");
  TScopedCurrentPath inData(VLP_TEST_DATA);
  fHost.OldPath = u"worked-example.vlp";
  fHost.OutputPath = Utf8Decode(fFolder.File("out.vxp"));

  fRun.Execute();

  EXPECT_EQ(expected, ReadFileBytes(fFolder.File("out.vxp")));
  std::vector<std::u16string> log{u"Opening old project...",
                                  u"Reading dictionary info",
                                  u"\tDictionary name: Main",
                                  u"Reading languages",
                                  u"\tde",
                                  u"\tsr.lat",
                                  u"Reading targets",
                                  u"Reading translations"};
  log.insert(log.end(), std::begin(ConvertedRowCountLines), std::end(ConvertedRowCountLines));
  log.insert(log.end(), {u"Reading excluded strings", u"\t - String excludes imported",
                         u"\t - Context excludes imported", u"Total processing time: 42ms"});
  EXPECT_EQ(log, fHost.Log);
  const std::vector<TShownTarget> targets{
      {true, Plain, u"C:\\app\\App.dpr", u"C:\\app\\App.dpr", 1},
      {true, Virtual, u"R;C:\\app\\src", u".\\VnxVirtualTarget[1]", 1},
      {false, Plain, u"C:\\app\\App.res", u"", std::nullopt},
  };
  EXPECT_EQ(targets, fHost.Targets);
  EXPECT_EQ(u"worked-example.vlp_converted.vxp", fHost.Proposal);
  EXPECT_EQ(std::vector<std::u16string>{*fHost.OutputPath}, fHost.Saved);
  EXPECT_EQ(2, fHost.MessageRounds);
  EXPECT_EQ(2, fRun.RowsPlaced());
  EXPECT_EQ(0, fRun.RowsDropped());
  EXPECT_EQ(u"Main", fRun.Dictionary());
}

// The sample projects convert to the fixtures checked in beside the tests.
TEST_F(ConversionRunTest, ExamplesConvertToTheirFixtures) {
  for (const std::string name : {"demo.vlp", "western.vlp"}) {
    SCOPED_TRACE(name);
    const std::string expected =
        ReadFileBytes(std::string(VLP_TEST_DATA) + "/" + name + "_converted.vxp");
    TScopedCurrentPath inExamples(std::string(VLP_TEST_DATA) + "/../../examples");
    fHost.OldPath = Utf8Decode(name);
    fHost.OutputPath = Utf8Decode(fFolder.File(name + "_converted.vxp"));
    fRun.Execute();
    EXPECT_EQ(expected, ReadFileBytes(fFolder.File(name + "_converted.vxp")));
  }
}

TEST_F(ConversionRunTest, ElapsedTimeSurvivesAWrapOfTheCounter) {
  fHost.Ticks = {0xFFFFFFF0u, 0x10u};
  Convert("");
  EXPECT_EQ(u"Total processing time: 32ms", fHost.Log.back());
}

TEST_F(ConversionRunTest, CancelledOpenChangesNothing) {
  fHost.Log = {u"previous run"};
  fHost.Targets = {{true, Plain, u"a", u"a", 3}};
  fRun.Execute();
  EXPECT_EQ(std::vector<std::u16string>{u"previous run"}, fHost.Log);
  EXPECT_EQ(1u, fHost.Targets.size());
  EXPECT_FALSE(fHost.Proposal);
}

TEST_F(ConversionRunTest, CancelledSaveWritesNothing) {
  WriteFileBytes(fFolder.File("app.vlp"), OldProject("<TARGETS><CPP_BINARY><FILENAME>a.exe"
                                                     "</FILENAME></CPP_BINARY></TARGETS>"));
  fHost.OldPath = Utf8Decode(fFolder.File("app.vlp"));
  fRun.Execute();
  EXPECT_EQ(Utf8Decode(fFolder.File("app.vlp_converted.vxp")), fHost.Proposal);
  EXPECT_EQ(u"Total processing time: 42ms", fHost.Log.back());
  EXPECT_EQ(std::set<std::string>{"app.vlp"}, fFolder.Entries());
  EXPECT_TRUE(fHost.Saved.empty());
}

// A host may decide by the counts when it is asked where to save: they are final by then.
TEST_F(ConversionRunTest, CountsAreFinalWhenTheOutputPathIsAsked) {
  const struct {
    const char* Name;
    const char* Project;
    std::vector<int32_t> Counts;
  } cases[] = {
      {"targets and rows",
       "<TARGETS><CPP_BINARY><FILENAME>a.exe</FILENAME></CPP_BINARY>"
       "<RESOURCE><FILENAME>a.res</FILENAME></RESOURCE></TARGETS>"
       "<DATA><LANGUAGES><L language=\"de\"/></LANGUAGES><ROWS>"
       "<ROW><NATIVE>kept</NATIVE><LOCATION><TYPE>STRING</TYPE><TARGET>a.exe</TARGET></LOCATION>"
       "</ROW><ROW><NATIVE>gone</NATIVE><LOCATION><TYPE>STRING</TYPE><TARGET>a.res</TARGET>"
       "</LOCATION></ROW></ROWS></DATA><EXCLUDESTRINGS><S>OK</S></EXCLUDESTRINGS>",
       {2, 1, 1, 1, 0}},
      {"nothing of an old project", "<P>Hello</P>", {0, 0, 0, 0, 1}},
  };
  const auto counts = [this] {
    return std::vector<int32_t>{fRun.TargetsFound(), fRun.TargetsConverted(), fRun.RowsPlaced(),
                                fRun.RowsDropped(), fRun.FoundNothingOfOldProject() ? 1 : 0};
  };
  std::vector<int32_t> whenAsked;
  fHost.OnAskOutput = [&] { whenAsked = counts(); };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Convert(c.Project);
    EXPECT_EQ(c.Counts, whenAsked);
    EXPECT_EQ(c.Counts, counts());
  }
}

struct TFailureCase {
  const char* Name;
  const char* Project; // nullptr: no input file at all
  const char* Error;   // ErrorOf the run: the whole text, or its start when Prefix is set
  bool Prefix;
  const char16_t* LastLogLine;
  std::size_t TargetsFound;
};

TEST_F(ConversionRunTest, FailureEndsTheRunWithItsMessageAndWritesNothing) {
  const TFailureCase cases[] = {
      {"missing file", nullptr, "EFOpenError: Cannot open file \"", true, u"Opening old project...",
       0},
      {"malformed XML", "<PROJECT><TARGETS></PROJECT>",
       "EFilerError: Incorrect close tag in element TARGETS", false, u"Opening old project...", 0},
      {"missing required child",
       "<PROJECT><TARGETS><CPP_BINARY><FILENAME>a.exe</FILENAME></CPP_BINARY><FORM/></TARGETS>"
       "</PROJECT>",
       "EAssertionFailed: Assertion failure (uVLP5Reader, line 172)", false, u"Reading targets", 1},
      {"SCANBINARY not an integer",
       "<PROJECT><TARGETS><DELPHI_PROJECT><PROJECTFILE>p.dpr</PROJECTFILE>"
       "<SCANBINARY>yes</SCANBINARY></DELPHI_PROJECT></TARGETS></PROJECT>",
       "EConvertError: ''yes'' is not a valid integer value", false, u"Reading targets", 0},
      {"duplicate target",
       "<PROJECT><TARGETS><CPP_BINARY><FILENAME>a.exe</FILENAME></CPP_BINARY>"
       "<DELPHI_BINARY><FILENAME>a.exe</FILENAME></DELPHI_BINARY></TARGETS></PROJECT>",
       "EStringListError: Duplicates not allowed", false, u"Reading targets", 2},
  };
  for (const TFailureCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempFolder folder;
    const std::string input = folder.File("in.vlp");
    if (c.Project)
      WriteFileBytes(input, c.Project);
    fHost.OldPath = Utf8Decode(input);
    fHost.OutputPath = Utf8Decode(folder.File("out.vxp"));
    fHost.Proposal.reset();
    const std::string error = ErrorOf([&] { fRun.Execute(); });
    EXPECT_EQ(c.Prefix ? error.substr(0, std::strlen(c.Error)) : error, c.Error);
    EXPECT_EQ(std::u16string(c.LastLogLine), fHost.Log.back());
    EXPECT_EQ(c.TargetsFound, fHost.Targets.size());
    EXPECT_FALSE(fHost.Proposal);
    EXPECT_EQ(c.Project ? std::set<std::string>{"in.vlp"} : std::set<std::string>{},
              folder.Entries());
  }
}

// Memory that runs out anywhere in the run, the rows' walk included, ends the run: no row is
// lost unnoticed and nothing is saved.
TEST_F(ConversionRunTest, RunningOutOfMemoryEndsTheRunWithItsMessage) {
  const std::string project =
      "<TARGETS><CPP_BINARY><FILENAME>a.exe</FILENAME></CPP_BINARY></TARGETS>"
      "<DATA><LANGUAGES><L language=\"de\"/></LANGUAGES><ROWS>"
      "<ROW><NATIVE>one</NATIVE><LOCATION><TYPE>STRING</TYPE><TARGET>a.exe</TARGET></LOCATION></"
      "ROW>"
      "<ROW><NATIVE>two</NATIVE><LOCATION><TYPE>STRING</TYPE><TARGET>a.exe</TARGET></LOCATION></"
      "ROW>"
      "</ROWS></DATA>";
  const auto outOfMemory = [] { throw std::bad_alloc(); };
  for (const bool inRows : {false, true}) {
    SCOPED_TRACE(inRows ? "in the rows" : "in the targets");
    TTestHost host;
    TConversionRun run(host);
    if (inRows)
      host.OnProgress = [&](TRunStage aStage, int64_t aDone) {
        if (aStage == TRunStage::rsConverting && aDone == 1)
          outOfMemory();
      };
    else
      host.OnMessages = outOfMemory;
    WriteFileBytes(fFolder.File("app.vlp"), OldProject(project));
    host.OldPath = Utf8Decode(fFolder.File("app.vlp"));
    host.OutputPath = Utf8Decode(fFolder.File("app.vxp"));
    EXPECT_EQ(ErrorOf([&] { run.Execute(); }),
              "EOutOfMemory: Not enough memory to convert \"" + fFolder.File("app.vlp") + "\"");
    EXPECT_EQ(inRows ? u"Reading translations" : u"Reading targets", host.Log.back());
    EXPECT_FALSE(host.Proposal);
    EXPECT_EQ(std::set<std::string>{"app.vlp"}, fFolder.Entries());
  }
}

// A stop asked for in any stage ends the run at the next step: nothing of it stays on disk, a
// file it would have replaced keeps its bytes, and no project is kept for saving again.
TEST_F(ConversionRunTest, AStopInAnyStageLeavesNothingBehind) {
  std::string rows;
  for (int row = 0; row < 50; ++row)
    rows += "<ROW><NATIVE>text " + std::to_string(row) +
            "</NATIVE><LOCATION><TYPE>STRING</TYPE><TARGET>a.exe</TARGET></LOCATION></ROW>";
  WriteFileBytes(fFolder.File("app.vlp"),
                 OldProject("<TARGETS><CPP_BINARY><FILENAME>a.exe</FILENAME></CPP_BINARY>"
                            "</TARGETS><DATA><LANGUAGES><L language=\"de\"/></LANGUAGES><ROWS>" +
                            rows + "</ROWS></DATA>"));
  const struct {
    const char* Name;
    std::optional<TRunStage> Stage; // none: while the save dialog is open
    bool OutputExists;
    std::u16string LastLog;
  } cases[] = {
      {"loading", TRunStage::rsLoading, false, u"Opening old project..."},
      {"converting", TRunStage::rsConverting, true, u"Reading translations"},
      {"asking where to save", std::nullopt, false, u"Total processing time: 42ms"},
      {"saving", TRunStage::rsSaving, false, u"Total processing time: 42ms"},
      {"saving over a file", TRunStage::rsSaving, true, u"Total processing time: 42ms"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.Name);
    std::filesystem::remove(fFolder.File("app.vxp"));
    if (test.OutputExists)
      WriteFileBytes(fFolder.File("app.vxp"), "old bytes");
    TTestHost host;
    TRunStop stop;
    TConversionRun run(host);
    run.SetStop(&stop);
    run.SetKeepsUnsavedProject(true);
    host.OldPath = Utf8Decode(fFolder.File("app.vlp"));
    host.OutputPath = Utf8Decode(fFolder.File("app.vxp"));
    std::vector<TRunStage> stages;
    host.OnProgress = [&](TRunStage aStage, int64_t aDone) {
      if (stages.empty() || stages.back() != aStage)
        stages.push_back(aStage);
      if (aStage == test.Stage && aDone > 0)
        stop.Request();
    };
    if (!test.Stage)
      host.OnAskOutput = [&] { stop.Request(); };
    EXPECT_EQ(ErrorOf([&] { run.Execute(); }), "EStopped: The run was stopped.");
    EXPECT_EQ(host.Log.back(), test.LastLog);
    EXPECT_EQ(stages.back(), test.Stage.value_or(TRunStage::rsConverting));
    EXPECT_TRUE(host.Saved.empty());
    EXPECT_FALSE(run.TakeUnsavedProject());
    if (test.OutputExists) {
      EXPECT_EQ((std::set<std::string>{"app.vlp", "app.vxp"}), fFolder.Entries());
      EXPECT_EQ(ReadFileBytes(fFolder.File("app.vxp")), "old bytes");
    } else {
      EXPECT_EQ(std::set<std::string>{"app.vlp"}, fFolder.Entries());
    }
  }
}

// Saving has a stage of its own that counts the nodes written up to all of them; the batch
// command's host, which shows no progress, pays nothing for it.
TEST_F(ConversionRunTest, SavingReportsItsProgressUpToTheWholeDocument) {
  int64_t lastDone = -1;
  int64_t reports = 0;
  fHost.OnProgress = [&](TRunStage aStage, int64_t aDone) {
    if (aStage != TRunStage::rsSaving)
      return;
    EXPECT_GE(aDone, lastDone);
    lastDone = aDone;
    ++reports;
  };
  const auto document = Convert("<TARGETS><CPP_BINARY><FILENAME>a.exe</FILENAME></CPP_BINARY>"
                                "</TARGETS>");
  EXPECT_EQ(lastDone, document->RootNodeList()->TotalNodeCount());
  EXPECT_GT(reports, 10);
}

TEST_F(ConversionRunTest, DuplicateTargetIsShownButNotCounted) {
  EXPECT_EQ(ErrorOf([&] {
              Convert("<TARGETS><CPP_BINARY><FILENAME>a.exe</FILENAME></CPP_BINARY>"
                      "<SOURCE><FILENAME>a.exe</FILENAME></SOURCE></TARGETS>");
            }),
            "EStringListError: Duplicates not allowed");
  const std::vector<TShownTarget> targets{
      {true, Plain, u"a.exe", u"a.exe", std::nullopt},
      {true, Virtual, u"a.exe", u".\\VnxVirtualTarget[1]", std::nullopt}};
  EXPECT_EQ(targets, fHost.Targets);
}

TEST_F(ConversionRunTest, FailedSaveLeavesTheTargetAsItWas) {
  WriteFileBytes(fFolder.File("app.vlp"), OldProject(""));
  fHost.OldPath = Utf8Decode(fFolder.File("app.vlp"));
  fHost.OutputPath = Utf8Decode(fFolder.File("no-such-folder/out.vxp"));
  EXPECT_EQ(ErrorOf([&] { fRun.Execute(); }), "EFCreateError: Cannot create file \"" +
                                                  fFolder.File("no-such-folder/out.vxp") + "\". " +
                                                  Utf8Encode(SystemReasons().NoSuchFolder));
  EXPECT_EQ(std::set<std::string>{"app.vlp"}, fFolder.Entries());
  EXPECT_TRUE(fHost.Saved.empty());
}

// The batch command keeps nothing of a run; the window keeps the new project of a run whose save
// was cancelled or failed, and saves it later as the run would have.
TEST_F(ConversionRunTest, AnUnsavedProjectIsKeptOnlyWhenAsked) {
  const std::string body = "<TARGETS><CPP_BINARY><FILENAME>a.exe</FILENAME></CPP_BINARY></TARGETS>";
  Convert(body);
  const std::string saved = ReadFileBytes(fFolder.File("project.vxp"));
  const std::u16string missingFolder = Utf8Decode(fFolder.File("no-such-folder/out.vxp"));
  for (const bool keeps : {false, true}) {
    SCOPED_TRACE(keeps ? "kept" : "released");
    fRun.SetKeepsUnsavedProject(keeps);
    fHost.OutputPath.reset();
    fRun.Execute();
    std::optional<TUnsavedProject> cancelled = fRun.TakeUnsavedProject();
    EXPECT_EQ(cancelled.has_value(), keeps);
    EXPECT_FALSE(fRun.TakeUnsavedProject()) << "handed over once";
    if (cancelled) {
      EXPECT_EQ(cancelled->Proposal(), *fHost.Proposal);
    }

    fHost.OutputPath = missingFolder;
    EXPECT_NE(ErrorOf([&] { fRun.Execute(); }), "no error");
    std::optional<TUnsavedProject> failed = fRun.TakeUnsavedProject();
    ASSERT_EQ(failed.has_value(), keeps);
    if (!failed)
      continue;
    EXPECT_EQ(failed->Proposal(), missingFolder);
    failed->SaveTo(Utf8Decode(fFolder.File("later.vxp")));
    EXPECT_EQ(ReadFileBytes(fFolder.File("later.vxp")), saved);
  }
  EXPECT_EQ(fHost.Saved.size(), 1u);
}

TEST_F(ConversionRunTest, NextRunStartsCleanAfterAFailure) {
  EXPECT_EQ(ErrorOf([&] {
              Convert("<TARGETS><SOURCE><FILENAME>s</FILENAME></SOURCE><FORM/></TARGETS>");
            }),
            "EAssertionFailed: Assertion failure (uVLP5Reader, line 172)");
  const auto document = Convert("<TARGETS><SOURCE><FILENAME>t</FILENAME></SOURCE></TARGETS>");
  const TXmlNode* target = Section(*document, u"targets")->Nodes(0);
  EXPECT_EQ(u".\\VnxVirtualTarget[1]",
            target->NodeByName(u"options")->NodeByName(u"filename")->ValueAsWidestring());
  EXPECT_EQ(1u, fHost.Targets.size());
}

TEST_F(ConversionRunTest, SkeletonWithoutLanguagesOrDictionary) {
  const auto document =
      Convert("<TARGETS><CPP_BINARY><FILENAME>a.exe</FILENAME></CPP_BINARY></TARGETS>"
              "<DATA><LANGUAGES/><ROWS><ROW><NATIVE>n</NATIVE><LOCATION><TYPE>STRING</TYPE>"
              "<TARGET>a.exe</TARGET></LOCATION></ROW></ROWS></DATA>");
  const TXmlNode& root = *document->Root();
  EXPECT_EQ(u"xml", root.Name());
  EXPECT_EQ(u"version=\"7.5.0.0\"", AttributeText(root));
  ASSERT_EQ(4, root.NodeCount());
  const char16_t* sections[] = {u"infos", u"languages", u"targets", u"excludes"};
  for (int32_t i = 0; i < 4; ++i)
    EXPECT_EQ(sections[i], root.Nodes(i)->Name());
  EXPECT_EQ(0, Section(*document, u"languages")->NodeCount());
  EXPECT_EQ(0, Section(*document, u"targets")->Nodes(0)->NodeByName(u"stringdata")->NodeCount());
  EXPECT_EQ(0, fHost.Targets[0].Rows);
  EXPECT_EQ(u"\tDictionary name: ", fHost.Log[2]);
  EXPECT_EQ(15u, fHost.Log.size());
}

TEST_F(ConversionRunTest, TargetsAreNumberedAndIncludedInWalkOrder) {
  const auto document = Convert(
      "<DICTIONARY><NAME>Dict</NAME></DICTIONARY><TARGETS>"
      "<RESOURCE/>"
      "<FORM><FILENAME> C:\\forms </FILENAME></FORM>"
      "<CPP_BINARY><FILENAME>b.exe</FILENAME><INCLUDETAGS>t</INCLUDETAGS></CPP_BINARY>"
      "<SOURCE><FILENAME>C:\\src</FILENAME><SCANSUBDIRS>1</SCANSUBDIRS></SOURCE></TARGETS>");
  const std::vector<TShownTarget> shown{
      {false, Plain, u"", u"", std::nullopt}, // the old project names it nowhere
      {true, Virtual, u"C:\\forms", u".\\VnxVirtualTarget[1]", 0},
      {true, Plain, u"b.exe", u"b.exe", 0},
      {true, Virtual, u"R;C:\\src", u".\\VnxVirtualTarget[2]", 0},
  };
  EXPECT_EQ(shown, fHost.Targets);
  const TXmlNode& targets = *Section(*document, u"targets");
  ASSERT_EQ(3, targets.NodeCount());
  const char16_t* autoinclude[] = {u"False", u"True", u"True"};
  for (int32_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const TXmlNode& target = *targets.Nodes(i);
    EXPECT_EQ(u"visible=\"true\" enabled=\"true\" "
              u"scanner=\"{95E3B58F-A92C-4C8B-9B91-9E49A31D5F6D}\"",
              AttributeText(target));
    const TXmlNode& options = *target.NodeByName(u"options");
    EXPECT_EQ(autoinclude[i], options.NodeByName(u"autoinclude")->ValueAsWidestring());
    EXPECT_EQ(u"Dict", options.NodeByName(u"vndfilename")->ValueAsWidestring());
  }
  EXPECT_EQ(
      u" C:\\forms \r\n",
      targets.Nodes(0)->NodeByName(u"options")->NodeByName(u"file_list")->ValueAsWidestring());
}

struct TRowCase {
  const char* Name;
  const char* Row;
  const char16_t* Attributes; // none: the row is dropped
  const char16_t* Native;
  const char16_t* Langs; // "id=value;" per lang
};

TEST_F(ConversionRunTest, RowsBecomeRowElements) {
  const TRowCase cases[] = {
      {"all attributes",
       "<NATIVE>A#NB</NATIVE><COMMENT>c &amp; d</COMMENT><NOTRANSLATE>1</NOTRANSLATE>"
       "<LOCATION><TYPE>FORM</TYPE><CHARS>-1</CHARS><TARGET>a.exe</TARGET><UNIT>F</UNIT>"
       "<ITEM>B</ITEM><PROPERTY>P</PROPERTY></LOCATION>",
       u"status=\"active\" name=\"Forms.F.B.P\" comment=\"c &amp; d\" readonly=\"yes\" "
       u"maxchar=\"-1\" componentname=\"B\" formname=\"F\"",
       u"\"A\r\nB\"", u""},
      {"empty context and zero limit",
       "<NATIVE></NATIVE><LOCATION><TYPE>OTHER</TYPE><CHARS>0</CHARS><TARGET>a.exe</TARGET>"
       "</LOCATION>",
       u"status=\"active\" name=\"\"", u"\"\"", u""},
      {"language codes",
       "<TRANSLATION language=\"sh\"><VALUE>s#L#C#L#Cx</VALUE></TRANSLATION>"
       "<TRANSLATION language=\"SH\"><VALUE>t#C#L#C#Lx</VALUE></TRANSLATION>"
       "<TRANSLATION language=\"shx\"><VALUE>#n</VALUE></TRANSLATION>"
       "<LOCATION><TYPE>STRING</TYPE><UNIT>U</UNIT><ITEM>I</ITEM><TARGET>a.exe</TARGET></LOCATION>",
       u"status=\"active\" name=\"Strings.U.I\"", u"\"\"",
       u"sr.lat=\"s\r\nx\";SH=\"t\r\n\r\nx\";shx=\"#n\";"},
      {"unknown target", "<LOCATION><TYPE>STRING</TYPE><TARGET>z.exe</TARGET></LOCATION>", nullptr,
       nullptr, nullptr},
      {"target without counterpart", "<LOCATION><TYPE>STRING</TYPE><TARGET></TARGET></LOCATION>",
       nullptr, nullptr, nullptr},
      {"no location", "<NATIVE>x</NATIVE>", nullptr, nullptr, nullptr},
  };
  for (const TRowCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto document = Convert(
        std::string("<TARGETS><RESOURCE/><CPP_BINARY><FILENAME>a.exe</FILENAME></CPP_BINARY>"
                    "</TARGETS><DATA><LANGUAGES><L language=\"de\"/></LANGUAGES><ROWS><ROW>") +
        c.Row + "</ROW></ROWS></DATA>");
    const TXmlNode& stringdata =
        *Section(*document, u"targets")->Nodes(0)->NodeByName(u"stringdata");
    EXPECT_EQ(c.Attributes ? 1 : 0, fHost.Targets[1].Rows);
    EXPECT_EQ(c.Attributes ? 1 : 0, fRun.RowsPlaced());
    EXPECT_EQ(c.Attributes ? 0 : 1, fRun.RowsDropped());
    if (!c.Attributes) {
      EXPECT_EQ(0, stringdata.NodeCount());
      continue;
    }
    ASSERT_EQ(1, stringdata.NodeCount());
    const TXmlNode& row = *stringdata.Nodes(0);
    EXPECT_EQ(c.Attributes, AttributeText(row));
    EXPECT_EQ(u"native", row.Nodes(0)->Name());
    EXPECT_EQ(c.Native, row.Nodes(0)->ValueAsWidestring());
    std::u16string langs;
    for (int32_t i = 1; i < row.NodeCount(); ++i) {
      const TXmlNode& lang = *row.Nodes(i);
      EXPECT_EQ(u"lang", lang.Name());
      EXPECT_EQ(u"auto", lang.AttributeByName(u"status"));
      langs += lang.AttributeByName(u"id") + u"=" + lang.ValueAsWidestring() + u";";
    }
    EXPECT_EQ(c.Langs, langs);
  }
}

TEST_F(ConversionRunTest, ExcludesKeepTheirTextsAndRewriteContexts) {
  const auto document = Convert(
      "<EXCLUDECONTEXTS><C>Form1.dfm.Label1.Caption</C><C>plain context</C></EXCLUDECONTEXTS>"
      "<EXCLUDESTRINGS><S>a &lt; b</S><S/></EXCLUDESTRINGS>");
  const TXmlNode& excludes = *Section(*document, u"excludes");
  ASSERT_EQ(4, excludes.NodeCount());
  const std::pair<const char16_t*, const char16_t*> expected[] = {
      {u"native", u"a < b"},
      {u"native", u""},
      {u"context", u"Forms.Form1\u2024dfm.Label1.Caption"},
      {u"context", u"plain context"},
  };
  for (int32_t i = 0; i < 4; ++i) {
    const TXmlNode& exclude = *excludes.Nodes(i);
    EXPECT_EQ(u"type=\"" + std::u16string(expected[i].first) +
                  u"\" filename=\"foo\" global=\"True\"",
              AttributeText(exclude));
    EXPECT_EQ(expected[i].second, exclude.ValueAsWidestring());
  }
}

TEST(ConversionTextTest, LineBreakMarkers) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"A#L#C#L#CB", u"A\r\nB"}, {u"A#C#L#C#LB", u"A\r\n\r\nB"}, {u"A#C#LB#L#CC", u"A\r\nB\r\nC"},
      {u"A#NB", u"A\r\nB"},       {u"#c#l#n", u"#c#l#n"},         {u"#C#L#C", u"\r\n#C"},
      {u"#L#C#L", u"#L\r\n"},     {u"##N#", u"#\r\n#"},           {u"", u""},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(Utf8Encode(text));
    EXPECT_EQ(expected, ConvertLineBreakMarkers(text));
  }
}

TEST(ConversionTextTest, LanguageCodes) {
  EXPECT_EQ(u"sr.lat", MapLanguageCode(u"sh"));
  for (const std::u16string code : {u"SH", u"Sh", u"shx", u"de", u"", u"sr.lat"})
    EXPECT_EQ(code, MapLanguageCode(code));
}

TEST(ConversionTextTest, ExcludeContexts) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"Unit1.pas.SHello", u"Source.Unit1\u2024pas.SHello"},
      {u"Main.DFM.Button1.Caption", u"Forms.Main\u2024DFM.Button1.Caption"},
      {u"C:\\src\\Unit1.pas.SHello", u"Source.C:\\src\\Unit1\u2024pas.SHello"},
      {u"a.b.dfm.x.PAS.y", u"Source.a\u2024b\u2024dfm\u2024x\u2024PAS.y"},
      {u"x.pas.dfm.y", u"Source.x\u2024pas.dfm.y"},
      {u"Unit1.pas", u"Unit1.pas"},
      {u"", u""},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(Utf8Encode(text));
    EXPECT_EQ(expected, RewriteExcludeContext(text));
  }
}

} // namespace
