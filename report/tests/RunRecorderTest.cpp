#include "vreport/RunRecorder.h"

#include "ConvertTestSupport.h"
#include "vbase/Utf8.h"
#include "vconvert/uConversionRun.h"

#include <exception>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

using namespace vreport;
using vbase::Utf8Decode;
using vconvert::TConversionRun;
using vconvert::TTargetKind;

namespace {

// Answers the run from its fields and keeps what reaches it through the recorder.
class TAnsweringHost : public vconvert::IConversionHost {
public:
  std::optional<std::u16string> OldPath;
  std::optional<std::u16string> OutputPath;

  std::vector<std::u16string> Log;
  int TargetsShown = 0;
  int CountsShown = 0;
  std::vector<std::u16string> Saved;

  std::optional<std::u16string> AskOldProjectPath() override { return OldPath; }
  void ClearLog() override { Log.clear(); }
  void AddLogLine(std::u16string_view aLine) override { Log.emplace_back(aLine); }
  void TargetsCleared() override { TargetsShown = CountsShown = 0; }
  void TargetFound(const vconvert::TFoundTarget&) override { ++TargetsShown; }
  void TargetRowsCounted(int32_t, int32_t) override { ++CountsShown; }
  std::optional<std::u16string> AskOutputPath(const std::u16string&) override { return OutputPath; }
  void ProjectSaved(const std::u16string& aPath) override { Saved.push_back(aPath); }
  uint32_t TickCount() override { return 0; }
  void ProcessMessages() override {}
};

const std::string WorkedExample = std::string(VLP_TEST_DATA) + "/worked-example.vlp";

class RunRecorderTest : public ::testing::Test {
protected:
  // Runs the conversion as the hosts do: a failure is recorded, then the entry is taken.
  TInputResult Run() {
    try {
      fRun.Execute();
    } catch (const std::exception& error) {
      fRecorder.RunFailed(error);
    }
    return fRecorder.TakeResult(fRun);
  }

  // Converts an old project whose root holds aBody, saved into the folder.
  TInputResult RunOn(const std::string& aBody) {
    WriteFileBytes(fFolder.File("in.vlp"), OldProject(aBody));
    fHost.OldPath = Utf8Decode(fFolder.File("in.vlp"));
    fHost.OutputPath = Utf8Decode(fFolder.File("out.vxp"));
    return Run();
  }

  TTempFolder fFolder;
  TAnsweringHost fHost;
  TRunRecorder fRecorder{fHost};
  TConversionRun fRun{fRecorder};
};

TEST_F(RunRecorderTest, ASavedRunIsRecordedAndTheHostSeesEverything) {
  fHost.OldPath = Utf8Decode(WorkedExample);
  fHost.OutputPath = Utf8Decode(fFolder.File("out.vxp"));
  const TInputResult result = Run();

  EXPECT_EQ(WorkedExample, result.Input);
  EXPECT_EQ(fFolder.File("out.vxp"), result.Output);
  EXPECT_EQ(fRecorder.SavedTo(), fHost.OutputPath);
  EXPECT_EQ(fHost.Saved, std::vector<std::u16string>{*fHost.OutputPath});
  EXPECT_FALSE(result.Error);
  EXPECT_FALSE(result.Warning);
  EXPECT_TRUE(result.Ok());
  EXPECT_EQ(17u, result.Log.size());
  EXPECT_EQ(fHost.Log, result.Log);
  const std::vector<TTargetOutcome> targets{
      {true, TTargetKind::tkPlain, u"C:\\app\\App.dpr", u"C:\\app\\App.dpr", 1},
      {true, TTargetKind::tkVirtual, u"R;C:\\app\\src", u".\\VnxVirtualTarget[1]", 1},
      {false, TTargetKind::tkPlain, u"C:\\app\\App.res", u"", std::nullopt}};
  EXPECT_EQ(targets, result.Targets);
  EXPECT_EQ(3, fHost.TargetsShown);
  EXPECT_EQ(2, fHost.CountsShown);
  EXPECT_EQ(2, result.RowsPlaced);
  EXPECT_EQ(0, result.RowsUnplaced);
  EXPECT_FALSE(result.Verification);
}

// Only a project that was written is where a report says it is.
TEST_F(RunRecorderTest, NoOutputWithoutASuccessfulSave) {
  const struct {
    const char* Name;
    std::optional<std::string> Output; // none: the save is declined
    std::optional<std::string> Error;
  } cases[] = {
      {"declined", std::nullopt, std::nullopt},
      {"failed", "missing/out.vxp", "Cannot create file \""},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.Name);
    fHost.OldPath = Utf8Decode(WorkedExample);
    fHost.OutputPath.reset();
    if (test.Output)
      fHost.OutputPath = Utf8Decode(fFolder.File(*test.Output));
    const TInputResult result = Run();
    EXPECT_FALSE(result.Output);
    EXPECT_FALSE(fRecorder.SavedTo());
    EXPECT_TRUE(fHost.Saved.empty());
    EXPECT_EQ(test.Error.has_value(), result.Error.has_value());
    if (test.Error && result.Error) {
      EXPECT_EQ(0u, result.Error->find(*test.Error)) << *result.Error;
    }
    EXPECT_EQ(2, result.RowsPlaced);
  }
}

// A failed run tells where reading stopped and how far it came; a file that failed is not said
// to hold nothing of an old project.
TEST_F(RunRecorderTest, AFailedRunsEntry) {
  const struct {
    const char* Name;
    std::string Body;
    std::string Error;
    int64_t Line;
    std::u16string LastLogLine;
    std::vector<TTargetOutcome> Targets;
  } cases[] = {
      {"malformed",
       "<TARGETS></PROJECT>",
       "Incorrect close tag in element TARGETS",
       2,
       u"Opening old project...",
       {}},
      {"duplicate target",
       "<TARGETS><CPP_BINARY><FILENAME>a.exe</FILENAME></CPP_BINARY>"
       "<DELPHI_BINARY><FILENAME>a.exe</FILENAME></DELPHI_BINARY></TARGETS>",
       "Duplicates not allowed",
       0,
       u"Reading targets",
       {{true, TTargetKind::tkPlain, u"a.exe", u"a.exe", std::nullopt},
        {true, TTargetKind::tkPlain, u"a.exe", u"a.exe", std::nullopt}}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.Name);
    const TInputResult result = RunOn(test.Body);
    EXPECT_EQ(fFolder.File("in.vlp"), result.Input);
    EXPECT_EQ(test.Error, result.Error);
    EXPECT_EQ(test.Line, result.ErrorLine);
    EXPECT_EQ(test.Line > 0, result.ErrorColumn > 0);
    EXPECT_FALSE(result.Output);
    EXPECT_FALSE(result.Warning);
    EXPECT_FALSE(result.Ok());
    ASSERT_FALSE(result.Log.empty());
    EXPECT_EQ(test.LastLogLine, result.Log.back());
    EXPECT_EQ(test.Targets, result.Targets);
  }
}

TEST_F(RunRecorderTest, CountsAndTheWarningOfAFileWithNothingOfAnOldProject) {
  TInputResult result = RunOn(
      "<TARGETS><CPP_BINARY><FILENAME>a.exe</FILENAME></CPP_BINARY></TARGETS><DATA><LANGUAGES>"
      "<L language=\"de\"/></LANGUAGES><ROWS>"
      "<ROW><NATIVE>kept</NATIVE><LOCATION><TYPE>STRING</TYPE><TARGET>a.exe</TARGET>"
      "</LOCATION></ROW>"
      "<ROW><NATIVE>lost</NATIVE><LOCATION><TYPE>STRING</TYPE><TARGET>b.exe</TARGET>"
      "</LOCATION></ROW></ROWS></DATA>");
  EXPECT_EQ(1, result.RowsPlaced);
  EXPECT_EQ(1, result.RowsUnplaced);
  ASSERT_EQ(1u, result.DroppedRows.size());
  EXPECT_EQ(u"lost", result.DroppedRows[0].Native);
  EXPECT_EQ(std::optional<int32_t>(1), result.Targets.at(0).Rows);
  EXPECT_FALSE(result.Warning);

  result = RunOn("");
  EXPECT_EQ(std::optional<std::string>(
                "The file holds nothing of an old project: no targets and no rows were found."),
            result.Warning);
  EXPECT_TRUE(result.Ok()) << "a warning is no failure";
}

// One recorder serves every run of a window: nothing of a run is left in the next one's entry.
TEST_F(RunRecorderTest, TheNextRunStartsAFreshEntry) {
  RunOn("<TARGETS><SOURCE><FILENAME>s</FILENAME></SOURCE><FORM/></TARGETS>");
  fHost.OldPath = Utf8Decode(WorkedExample);
  fHost.OutputPath = Utf8Decode(fFolder.File("worked.vxp"));
  fRun.Execute();
  fRecorder.Verified(vconvert::CheckConversion(*fHost.OldPath, *fRecorder.SavedTo()));
  const TInputResult saved = fRecorder.TakeResult(fRun);
  EXPECT_FALSE(saved.Error);
  ASSERT_TRUE(saved.Verification);
  EXPECT_TRUE(saved.Verification->Passed());
  EXPECT_EQ(3u, saved.Targets.size());

  fHost.OutputPath.reset();
  const TInputResult declined = Run();
  EXPECT_FALSE(declined.Output);
  EXPECT_FALSE(declined.Verification);
  EXPECT_EQ(saved.Log.size(), declined.Log.size());
  EXPECT_EQ(saved.Targets, declined.Targets);

  fHost.OldPath.reset();
  fRun.Execute();
  EXPECT_FALSE(fRecorder.SavedTo()) << "a cancelled open dialog starts nothing new either";
}

} // namespace
