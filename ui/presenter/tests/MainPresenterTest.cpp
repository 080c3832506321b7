// The window's presenter without a window: a recording view answers the dialogs, and small
// fixture projects are converted for real in a temporary folder.
#include "FakeDesktop.h"
#include "FullDisk.h"
#include "TestFiles.h"
#include "vbase/AvailableMemory.h"
#include "vbase/IntegerText.h"
#include "vbase/Utf8.h"
#include "vpresenter/uMainLayout.h"
#include "vpresenter/uMainPresenter.h"
#include "vpresenter/uMainTexts.h"
#include "vpresenter/uStartArguments.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <mutex>
#include <new>
#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>
#include <thread>
#include <tuple>

using namespace vui;
using vbase::Utf8Decode;
using vconvert::TRunStage;

namespace {

const std::filesystem::path DataFolder = VLP_UI_TEST_DATA;

// A target row as the list shows it, with the count written later.
struct TShownRow {
  TTargetRow Row;
  std::u16string Count;
  std::u16string CountHint;
};

// The window and its desktop in one, so that a close can be told from the errors before it.
class TRecordingView : public IMainView, public TFakeDesktop {
public:
  std::vector<std::u16string> Log;
  std::vector<TShownRow> Rows;
  bool ConvertEnabled = true;
  std::vector<bool> ConvertEnabledChanges;
  TMainControl Focus = TMainControl::mcConvert;
  // Where the focus goes when "Convert..." is disabled while it has it.
  TMainControl FocusAfterDisabling = TMainControl::mcHelp;
  int FocusConvertCalls = 0;
  // What "Convert..." has read, one entry a change: true for "Stop".
  std::vector<bool> StopCaptions;
  // Runs when the bar shows a new percentage, as a click or a close of the user would.
  std::function<void(int32_t)> WhileProgressing;
  std::deque<std::function<void()>> Later;
  int Closes = 0;
  // How many errors had been shown at each close.
  std::vector<size_t> ErrorsAtClose;
  std::vector<std::optional<int32_t>> ProgressPercents;
  std::vector<std::u16string> Summary;
  bool OffersDroppedRows = false;
  bool OffersReport = false;
  bool OffersSaveAs = false;
  int Summaries = 0;
  // Whether a summary was up when each error box was shown.
  std::vector<bool> SummaryUpAtErrors;
  std::vector<TRowsWindow> RowsWindows;
  bool ProjectListShown = false;
  std::vector<TProjectRow> Projects;
  // Runs when a project's row is set, as a click of the user between two projects would.
  std::function<void(int32_t, const TProjectRow&)> WhileSettingProject;

  void ClearLog() override { Log.clear(); }
  void ShowProjectList(bool aShown) override {
    ProjectListShown = aShown;
    if (!aShown)
      Projects.clear();
  }
  void SetProjectRow(int32_t aRow, const TProjectRow& aProject) override {
    if (WhileSettingProject)
      WhileSettingProject(aRow, aProject);
    if (static_cast<size_t>(aRow) == Projects.size())
      Projects.push_back(aProject);
    else
      Projects.at(aRow) = aProject;
  }
  void AddLogLine(std::u16string_view aLine) override { Log.emplace_back(aLine); }
  void ClearTargets() override { Rows.clear(); }
  void AddTargetRow(const TTargetRow& aRow) override { Rows.push_back({aRow, {}, {}}); }
  void SetTargetRowCount(int32_t aRow, const TTargetCell& aCount) override {
    Rows.at(aRow).Count = aCount.Text;
    Rows.at(aRow).CountHint = aCount.Hint;
  }
  void ShowSummary(const TSummary& aSummary) override {
    Summary = aSummary.Lines;
    OffersDroppedRows = aSummary.OffersDroppedRows;
    OffersReport = aSummary.OffersReport;
    OffersSaveAs = aSummary.OffersSaveAs;
    ++Summaries;
  }
  void ShowRowsWindow(TRowsWindow aWindow) override { RowsWindows.push_back(std::move(aWindow)); }
  void ShowProgressBar(std::optional<int32_t> aPercent) override {
    ProgressPercents.push_back(aPercent);
    if (aPercent && WhileProgressing)
      WhileProgressing(*aPercent);
  }
  void SetConvertEnabled(bool aEnabled) override {
    ConvertEnabled = aEnabled;
    ConvertEnabledChanges.push_back(aEnabled);
    if (!aEnabled && Focus == TMainControl::mcConvert)
      Focus = FocusAfterDisabling;
  }
  void ShowConvertAsStop(bool aStop) override { StopCaptions.push_back(aStop); }
  TMainControl FocusedControl() const override { return Focus; }
  void FocusConvert() override {
    ++FocusConvertCalls;
    Focus = TMainControl::mcConvert;
  }
  void RunLater(std::function<void()> aAction) override { Later.push_back(std::move(aAction)); }
  void RunAfter(uint32_t aMilliseconds, std::function<void()> aAction) override {
    Timers.emplace_back(aMilliseconds, std::move(aAction));
  }
  // What RunAfter was given, until PassTime runs it.
  std::vector<std::pair<uint32_t, std::function<void()>>> Timers;
  void PassTime() {
    for (const auto& [delay, action] : std::exchange(Timers, {}))
      action();
  }
  // The run's thread waits here until the test's loop has handled what it posted: what a test
  // does on an event happens before the run's next step, so a stop lands in the stage it aims at.
  void PostRunEvents() override {
    std::unique_lock lock(fMutex);
    ++fWakes;
    fWoken.notify_all();
    if (std::this_thread::get_id() == fWindowThread)
      return;
    const uint64_t wake = fWakes;
    fWoken.wait(lock, [&] { return fHandledWakes >= wake || fReleased; });
  }
  // The test's side of the loop: waits for a wake, lets aHandle take the events, then lets the
  // run go on.
  void TurnLoop(const std::function<void()>& aHandle) {
    uint64_t wakes = 0;
    {
      std::unique_lock lock(fMutex);
      fWoken.wait(lock, [&] { return fWakes > fHandledWakes; });
      wakes = fWakes;
    }
    aHandle();
    {
      const std::lock_guard lock(fMutex);
      fHandledWakes = wakes;
    }
    fWoken.notify_all();
  }
  // A run left waiting goes on by itself from now on.
  void Release() {
    {
      const std::lock_guard lock(fMutex);
      fReleased = true;
    }
    fWoken.notify_all();
  }
  IDesktop& Desktop() override { return *this; }
  void ShowError(const TErrorReport& aReport) override {
    SummaryUpAtErrors.push_back(!Summary.empty());
    TFakeDesktop::ShowError(aReport);
  }
  void Close() override {
    ++Closes;
    ErrorsAtClose.push_back(Errors.size());
  }

  // Runs what the message loop would run next.
  void RunPending() {
    while (!Later.empty()) {
      const auto action = std::move(Later.front());
      Later.pop_front();
      action();
    }
  }

private:
  std::mutex fMutex;
  std::condition_variable fWoken;
  const std::thread::id fWindowThread = std::this_thread::get_id();
  uint64_t fWakes = 0;
  uint64_t fHandledWakes = 0;
  bool fReleased = false;
};

class MainPresenterTest : public testing::Test {
protected:
  ~MainPresenterTest() override { fView.Release(); }

  TRecordingView fView;
  uint32_t fNow = 1000;
  // Runs on the run's threads whenever a conversion reads the clock; set while no run goes.
  std::function<void()> fWhileTiming;
  TMainPresenter fPresenter{fView, [this] {
                              if (fWhileTiming)
                                fWhileTiming();
                              return fNow;
                            }};
  TTempFolder fFolder;

  // Turns the window's loop until the run has ended.
  void WaitForRun() {
    while (fPresenter.State() != TMainState::msIdle)
      fView.TurnLoop([this] { fPresenter.HandleRunEvents(); });
  }
  void ConvertAndWait() {
    fPresenter.ConvertClicked();
    WaitForRun();
  }
  void SaveAsAndWait() {
    fPresenter.SaveAsClicked();
    WaitForRun();
  }
  void RunPendingAndWait() {
    fView.RunPending();
    WaitForRun();
  }

  std::u16string FixtureCopy(const std::string& aName) {
    std::filesystem::copy_file(DataFolder / aName, fFolder.Path() / aName);
    return Utf8Decode(fFolder.File(aName));
  }
  std::u16string Output() const { return Utf8Decode(fFolder.File("out.vxp")); }

  // The example, whose summary lists rows not carried over.
  void ConvertDemo() {
    std::filesystem::copy_file(DataFolder / "../../../../examples/demo.vlp",
                               fFolder.Path() / "demo.vlp");
    fView.OpenAnswer = Utf8Decode(fFolder.File("demo.vlp"));
    fView.SaveAnswer = Output();
    ConvertAndWait();
  }

  void ConvertWorkedProject() {
    fView.OpenAnswer = FixtureCopy("worked.vlp");
    fView.SaveAnswer = Output();
    ConvertAndWait();
  }
};

TEST_F(MainPresenterTest, ARunFillsTheListInTheOrderOfTheTargetsWithTheirCounts) {
  ConvertWorkedProject();

  ASSERT_TRUE(fView.Errors.empty()) << vbase::Utf8Encode(fView.Errors[0].Message);
  ASSERT_EQ(fView.Rows.size(), 3u);
  const struct {
    TTargetImage Image;
    std::u16string Old, New, Count;
  } expected[] = {
      {tiConverted, u"C:\\app\\App.dpr", u"C:\\app\\App.dpr", u"2"},
      {tiConverted, u"R;C:\\app\\src", u".\\VnxVirtualTarget[1]", u"1"},
      {tiNotConverted, u"C:\\app\\App.res", u"", u""}, // no counterpart, so no count either
  };
  const std::u16string notConverted =
      u"Not converted: the new format has no counterpart for this kind of target.";
  for (size_t index = 0; index < std::size(expected); ++index) {
    SCOPED_TRACE(index);
    const TShownRow& shown = fView.Rows[index];
    EXPECT_EQ(shown.Row.Image, expected[index].Image);
    EXPECT_EQ(shown.Row.Number.Text, u"");
    // Paths and counts are cut by their columns and shown whole in their tooltips; a target
    // that is not converted is named, and every cell of its row tells why it has nothing more.
    const bool converted = expected[index].Image == tiConverted;
    EXPECT_EQ(shown.Row.OldTarget.Text, expected[index].Old);
    EXPECT_EQ(shown.Row.OldTarget.Hint, converted ? expected[index].Old : notConverted);
    EXPECT_EQ(shown.Row.NewTarget.Text, expected[index].New);
    EXPECT_EQ(shown.Row.NewTarget.Hint, converted ? expected[index].New : notConverted);
    EXPECT_EQ(shown.Count, expected[index].Count);
    EXPECT_EQ(shown.CountHint, expected[index].Count);
    EXPECT_EQ(shown.Row.Rows.Text, u"");
    EXPECT_EQ(shown.Row.Rows.Hint, converted ? u"" : notConverted);
    EXPECT_EQ(shown.Row.Number.Hint, converted ? u"" : notConverted);
  }

  ASSERT_FALSE(fView.Log.empty());
  EXPECT_EQ(fView.Log.front(), u"Opening old project...");
  EXPECT_EQ(fView.Log.back(), u"Total processing time: 0ms");
  EXPECT_EQ(fView.Proposals, std::vector<std::u16string>{*fView.OpenAnswer + u"_converted.vxp"});
  EXPECT_TRUE(std::filesystem::exists(fFolder.Path() / "out.vxp"));
}

// During a run "Convert..." reads "Stop" and keeps the focus; a stop disables it until the run
// has ended, and the focus it took along comes back unless the user has put it elsewhere.
TEST_F(MainPresenterTest, ConvertBecomesStopDuringTheRunAndGetsTheFocusBack) {
  const struct {
    const char* Name;
    TMainControl Before;
    bool Stops;
    std::optional<TMainControl> MovedDuringRun;
    TMainControl After;
  } cases[] = {
      {"a run keeps the focus on the button", TMainControl::mcConvert, false, std::nullopt,
       TMainControl::mcConvert},
      {"a stop gives the focus back", TMainControl::mcConvert, true, std::nullopt,
       TMainControl::mcConvert},
      {"focus put elsewhere stays", TMainControl::mcConvert, true, TMainControl::mcTargets,
       TMainControl::mcTargets},
      {"focus on the log stays", TMainControl::mcLog, true, std::nullopt, TMainControl::mcLog},
  };
  fView.OpenAnswer = FixtureCopy("worked.vlp");
  fView.SaveAnswer = Output();
  for (const auto& test : cases) {
    SCOPED_TRACE(test.Name);
    fView.Focus = test.Before;
    fView.ConvertEnabledChanges.clear();
    fView.StopCaptions.clear();
    std::vector<bool> captionsDuringRun;
    std::vector<TMainState> states;
    fView.WhileProgressing = [&](int32_t aPercent) {
      // Once, while converting.
      if (aPercent <= 35 || aPercent >= 50 || !states.empty())
        return;
      captionsDuringRun = fView.StopCaptions;
      if (test.Stops)
        fPresenter.ConvertClicked();
      states.push_back(fPresenter.State());
      if (test.MovedDuringRun)
        fView.Focus = *test.MovedDuringRun;
    };
    ConvertAndWait();
    EXPECT_EQ(captionsDuringRun, std::vector<bool>{true});
    EXPECT_EQ(states,
              std::vector<TMainState>{test.Stops ? TMainState::msStopping : TMainState::msRunning});
    EXPECT_EQ(fView.StopCaptions, (std::vector<bool>{true, false}));
    EXPECT_EQ(fView.ConvertEnabledChanges,
              test.Stops ? (std::vector<bool>{false, true}) : std::vector<bool>{});
    EXPECT_EQ(fView.Focus, test.After);
    EXPECT_EQ(fPresenter.State(), TMainState::msIdle);
    EXPECT_EQ(std::filesystem::exists(fFolder.Path() / "out.vxp"), !test.Stops);
    std::filesystem::remove(fFolder.Path() / "out.vxp");
  }
}

// A stop, or a close, in any stage ends the run there: nothing is left on disk, an older project
// that the new one was to replace stays as it was (the check comes before the replacing), the
// log and the summary say it was stopped, no dialog comes afterwards, and a close then closes
// the window.
TEST_F(MainPresenterTest, AStopOrACloseInEachStageLeavesNothingBehind) {
  const struct {
    const char* Name;
    // The stage, by the bar's percentages strictly inside its share; none: the save dialog.
    std::optional<std::pair<int32_t, int32_t>> Percents;
    std::size_t Proposals;
  } stages[] = {
      {"loading", std::pair{1, 34}, 0},     {"converting", std::pair{36, 49}, 0},
      {"the save dialog", std::nullopt, 1}, {"saving", std::pair{51, 69}, 1},
      {"checking", std::pair{71, 99}, 1},
  };
  const std::u16string input = FixtureCopy("worked.vlp");
  const std::string older = "<older project/>";
  for (const auto& stage : stages) {
    for (const bool closes : {false, true}) {
      SCOPED_TRACE(std::string(stage.Name) + (closes ? ", closed" : ", stopped"));
      // Every other case has an older project where the new one goes.
      const bool replaces = closes == (stage.Proposals == 1);
      if (replaces)
        WriteFileBytes(fFolder.File("out.vxp"), older);
      fView.OpenAnswer = input;
      fView.SaveAnswer = Output();
      fView.Proposals.clear();
      fView.Closes = 0;
      bool acted = false;
      std::vector<TMainState> afterAction;
      const auto act = [&] {
        if (acted)
          return;
        acted = true;
        if (closes)
          EXPECT_FALSE(fPresenter.CloseRequested());
        else
          fPresenter.ConvertClicked();
        afterAction.push_back(fPresenter.State());
        // Nothing new starts while the run ends.
        fPresenter.ConvertClicked();
        fPresenter.ConvertProject(input);
        afterAction.push_back(fPresenter.State());
      };
      fView.WhileProgressing = [&](int32_t aPercent) {
        if (stage.Percents && aPercent >= stage.Percents->first &&
            aPercent <= stage.Percents->second)
          act();
      };
      fView.WhileSaving = [&] {
        if (!stage.Percents)
          act();
      };
      ConvertAndWait();
      const TMainState acting = closes ? TMainState::msClosing : TMainState::msStopping;
      EXPECT_EQ(afterAction, (std::vector<TMainState>{acting, acting}));
      if (replaces) {
        EXPECT_EQ(ReadFileBytes(fFolder.File("out.vxp")), older);
        std::filesystem::remove(fFolder.Path() / "out.vxp");
      }
      EXPECT_EQ(fFolder.Entries(), std::set<std::string>{"worked.vlp"});
      EXPECT_EQ(fView.Proposals.size(), stage.Proposals);
      EXPECT_TRUE(fView.Errors.empty());
      EXPECT_EQ(fView.Log.back(), u"Stopped.");
      EXPECT_EQ(fView.Summary, std::vector<std::u16string>{
                                   u"The run was stopped; the new project was not saved."});
      EXPECT_FALSE(fView.OffersSaveAs);
      EXPECT_EQ(fView.Closes, closes ? 1 : 0);
      EXPECT_EQ(fPresenter.State(), TMainState::msIdle);
    }
  }
  // The report tells the stop.
  fView.ReportAnswer = Utf8Decode(fFolder.File("report.json"));
  fPresenter.SaveReportClicked();
  const auto result =
      nlohmann::json::parse(ReadFileBytes(fFolder.File("report.json")))["results"][0];
  EXPECT_EQ(result["error"], "The run was stopped.");
  EXPECT_TRUE(result["output"].is_null());
}

// "Save as..." saves and checks on the run's thread too; a stop there keeps the project for
// another try, leaves no file and keeps the older project it was to replace.
TEST_F(MainPresenterTest, AStopOfSaveAsKeepsTheProject) {
  fView.OpenAnswer = FixtureCopy("worked.vlp");
  ConvertAndWait();
  ASSERT_TRUE(fView.OffersSaveAs);
  for (const auto& [name, first, last] :
       {std::tuple{"saving", 51, 69}, std::tuple{"checking", 71, 99}}) {
    SCOPED_TRACE(name);
    bool stopped = false;
    fView.WhileProgressing = [&, first = first, last = last](int32_t aPercent) {
      if (!stopped && aPercent >= first && aPercent <= last) {
        stopped = true;
        fPresenter.ConvertClicked();
      }
    };
    fView.SaveAnswer = Output();
    WriteFileBytes(fFolder.File("out.vxp"), "<older project/>");
    SaveAsAndWait();
    EXPECT_TRUE(stopped);
    EXPECT_EQ(ReadFileBytes(fFolder.File("out.vxp")), "<older project/>");
    std::filesystem::remove(fFolder.Path() / "out.vxp");
    EXPECT_EQ(fFolder.Entries(), std::set<std::string>{"worked.vlp"});
    EXPECT_TRUE(fView.Errors.empty());
    EXPECT_EQ(fView.Summary.front(), u"The new project was not saved: the save was stopped.");
    EXPECT_TRUE(fView.OffersSaveAs);
  }
  fView.WhileProgressing = nullptr;
  SaveAsAndWait();
  EXPECT_TRUE(std::filesystem::exists(fFolder.Path() / "out.vxp"));
  EXPECT_FALSE(fView.OffersSaveAs);
}

TEST_F(MainPresenterTest, AFailedRunIsReportedAndTheNextRunWorks) {
  fView.OpenAnswer = FixtureCopy("unclosed.vlp");
  ConvertAndWait();
  ASSERT_EQ(fView.Errors.size(), 1u);
  EXPECT_EQ(fView.Errors[0].Message, u"Missing close tag in element VORNALEXPROJECT");
  EXPECT_EQ(fView.Errors[0].ClassName, u"EFilerError");
  EXPECT_EQ(fView.Errors[0].LastLogLines, std::vector<std::u16string>{u"Opening old project..."});
  EXPECT_TRUE(fView.Proposals.empty());
  EXPECT_EQ(fView.StopCaptions, (std::vector<bool>{true, false}));

  // The window stayed; the next run starts from a clean state.
  ConvertWorkedProject();
  EXPECT_EQ(fView.Errors.size(), 1u);
  EXPECT_EQ(fView.Rows.size(), 3u);
  EXPECT_EQ(fView.Closes, 0);
  EXPECT_TRUE(std::filesystem::exists(fFolder.Path() / "out.vxp"));
}

TEST_F(MainPresenterTest, RunningOutOfMemoryIsReportedAndTheWindowStaysUsable) {
  const std::u16string project = FixtureCopy("worked.vlp");
  fView.OpenAnswer = project;
  fView.SaveAnswer = Output();
  fView.WhileSaving = [] { throw std::bad_alloc(); };
  ConvertAndWait();
  ASSERT_EQ(fView.Errors.size(), 1u);
  EXPECT_EQ(fView.Errors[0].Message, u"Not enough memory to convert \"" + project + u"\"");
  EXPECT_EQ(fView.Errors[0].ClassName, u"EOutOfMemory");
  EXPECT_EQ(fFolder.Entries(), std::set<std::string>{"worked.vlp"});
  EXPECT_TRUE(fView.ConvertEnabled);

  fView.WhileSaving = nullptr;
  ConvertAndWait();
  EXPECT_EQ(fView.Errors.size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(fFolder.Path() / "out.vxp"));
}

TEST_F(MainPresenterTest, CancellingTheOpenDialogKeepsThePreviousRun) {
  ConvertWorkedProject();
  const std::vector<std::u16string> log = fView.Log;

  fView.OpenAnswer.reset();
  ConvertAndWait();
  EXPECT_EQ(fView.OpenCalls, 2);
  EXPECT_EQ(fView.Log, log);
  EXPECT_EQ(fView.Rows.size(), 3u);
  EXPECT_EQ(fView.Rows[0].Count, u"2");
  EXPECT_EQ(fView.Proposals.size(), 1u);
}

TEST_F(MainPresenterTest, CancellingTheSaveDialogWritesNothing) {
  fView.OpenAnswer = FixtureCopy("worked.vlp");
  ConvertAndWait();
  EXPECT_EQ(fView.Proposals.size(), 1u);
  EXPECT_EQ(fFolder.Entries(), std::set<std::string>{"worked.vlp"});
  EXPECT_EQ(fView.Log.back(), u"Total processing time: 0ms");
  EXPECT_TRUE(fView.Errors.empty());
}

TEST_F(MainPresenterTest, ACountForATargetThatIsNotListedIsDropped) {
  fPresenter.TargetRowsCounted(0, 7);
  vconvert::TFoundTarget target;
  target.Converted = true;
  target.OldTarget = u"old";
  target.NewTarget = u"new";
  fPresenter.TargetFound(target);
  fPresenter.TargetRowsCounted(1, 7);
  fPresenter.TargetRowsCounted(-1, 7);
  ASSERT_EQ(fView.Rows.size(), 1u);
  EXPECT_EQ(fView.Rows[0].Count, u"");
  fPresenter.TargetRowsCounted(0, 0);
  EXPECT_EQ(fView.Rows[0].Count, u"0");

  fPresenter.TargetsCleared();
  fPresenter.TargetRowsCounted(0, 7);
  EXPECT_TRUE(fView.Rows.empty());
}

TEST_F(MainPresenterTest, TheLogShowsEveryEntryOnOneLine) {
  const struct {
    std::u16string Entry;
    std::u16string Shown;
  } cases[] = {
      {u"\tDictionary name: Main", u"\tDictionary name: Main"},
      {u"\tDictionary name: A\r\nB", u"\tDictionary name: A B"},
      {u"\tde\r", u"\tde "},
      {u"\n\nx", u"  x"},
      {u"a\r\r\nb", u"a  b"},
      {u"a\u2028b\u2029c", u"a b c"},
      {u"a\uFDD0b\uFDD1c", u"a b c"},
      {u"", u""},
  };
  for (const auto& test : cases) {
    fPresenter.ClearLog();
    fPresenter.AddLogLine(test.Entry);
    EXPECT_EQ(fView.Log, std::vector<std::u16string>{test.Shown});
  }
}

TEST_F(MainPresenterTest, TheErrorReportKeepsTheLastLogLinesOnly) {
  for (int line = 1; line <= 12; ++line)
    fPresenter.AddLogLine(u"line " + vbase::IntToText(line));
  fPresenter.ReportException(std::make_exception_ptr(std::runtime_error("plain")));
  ASSERT_EQ(fView.Errors.size(), 1u);
  EXPECT_EQ(fView.Errors[0].Message, u"plain");
  EXPECT_EQ(fView.Errors[0].ClassName, u"std::runtime_error");
  ASSERT_EQ(fView.Errors[0].LastLogLines.size(), size_t(TMainPresenter::LastLogLinesInReport));
  EXPECT_EQ(fView.Errors[0].LastLogLines.front(), u"line 3");
  EXPECT_EQ(fView.Errors[0].LastLogLines.back(), u"line 12");

  fPresenter.ClearLog();
  fPresenter.ReportException(std::make_exception_ptr(42));
  EXPECT_EQ(fView.Errors[1].Message, u"An unknown exception occurred.");
  EXPECT_EQ(fView.Errors[1].ClassName, u"unknown");
  EXPECT_TRUE(fView.Errors[1].LastLogLines.empty());
}

TEST(ErrorDetailsTest, NameTheClassThenTheLastLogLines) {
  const struct {
    TErrorReport Report;
    std::u16string Details;
  } cases[] = {
      {{u"'x' is not a valid integer value", u"EConvertError", {u"Reading targets"}},
       u"Exception class: EConvertError\n\nLast log lines:\nReading targets"},
      {{u"m", u"EFilerError", {u"a", u"\tb"}},
       u"Exception class: EFilerError\n\nLast log lines:\na\n\tb"},
      {{u"m", u"unknown", {}}, u"Exception class: unknown"},
  };
  for (const auto& test : cases)
    EXPECT_EQ(ErrorDetails(test.Report), test.Details);
}

TEST_F(MainPresenterTest, HelpOpensThePageOrShowsItsAddress) {
  fPresenter.HelpClicked();
  EXPECT_EQ(fView.Opened, std::vector<std::u16string>{
                              u"https://www.vornalex.com/system/jumper.php?page=en.app.vlp5tovxp"});
  EXPECT_TRUE(fView.Notices.empty());

  fView.BrowserStarts = false;
  fPresenter.HelpClicked();
  EXPECT_EQ(fView.Opened.size(), 2u);
  EXPECT_EQ(fView.Notices,
            std::vector<std::u16string>{
                u"No web browser could be started for the help. The help page is at:\n\n"
                u"https://www.vornalex.com/system/jumper.php?page=en.app.vlp5tovxp"});
}

TEST_F(MainPresenterTest, ADroppedProjectIsConvertedOnceTheDropHasEnded) {
  const std::u16string notes = Utf8Decode(fFolder.File("notes.txt"));
  EXPECT_FALSE(fPresenter.AcceptsDrop({notes}));
  EXPECT_FALSE(fPresenter.FilesDropped({notes}));
  EXPECT_TRUE(fView.Later.empty());

  const std::u16string project = FixtureCopy("worked.vlp");
  fView.SaveAnswer = Output();
  bool acceptedDuringRun = true, takenDuringRun = true;
  fView.WhileSaving = [&] {
    acceptedDuringRun = fPresenter.AcceptsDrop({project});
    takenDuringRun = fPresenter.FilesDropped({project});
  };
  EXPECT_TRUE(fPresenter.AcceptsDrop({notes, project}));
  EXPECT_TRUE(fPresenter.FilesDropped({notes, project}));
  EXPECT_TRUE(fView.Proposals.empty());
  RunPendingAndWait();
  EXPECT_FALSE(acceptedDuringRun);
  EXPECT_FALSE(takenDuringRun);
  EXPECT_EQ(fView.Proposals, std::vector<std::u16string>{project + u"_converted.vxp"});
  EXPECT_EQ(fView.OpenCalls, 0);
  EXPECT_TRUE(std::filesystem::exists(fFolder.Path() / "out.vxp"));
  EXPECT_TRUE(fView.Later.empty());

  // The next click asks the open dialog again.
  ConvertAndWait();
  EXPECT_EQ(fView.OpenCalls, 1);
}

TEST(OldProjectAmongTest, TakesTheFirstOldProjectInAnyCase) {
  const struct {
    std::vector<std::u16string> Paths;
    std::optional<std::u16string> Project;
  } cases[] = {
      {{}, std::nullopt},
      {{u"notes.txt", u"new.vxp", u"vlp"}, std::nullopt},
      {{u"notes.txt", u"a.VLP", u"b.vlp"}, u"a.VLP"},
      {{u"dir/b.vlp"}, u"dir/b.vlp"},
      {{u".vlp.txt", u"x.Vlp"}, u"x.Vlp"},
  };
  for (const auto& test : cases)
    EXPECT_EQ(OldProjectAmong(test.Paths), test.Project);
}

TEST_F(MainPresenterTest, AProjectOnTheCommandLineIsConvertedFromTheMessageLoop) {
  EXPECT_EQ(ProjectOfArguments({u"vlp5tovxp"}), std::nullopt);
  const std::u16string project = FixtureCopy("worked.vlp");
  EXPECT_EQ(ProjectOfArguments({u"vlp5tovxp", project}), project);
  EXPECT_EQ(ProjectOfArguments({u"vlp5tovxp", u"a.vlp"}),
            (std::filesystem::current_path() / "a.vlp").u16string());

  fView.SaveAnswer = Output();
  fPresenter.ConvertProjectLater(project);
  EXPECT_TRUE(fView.Proposals.empty());
  RunPendingAndWait();
  EXPECT_EQ(fView.OpenCalls, 0);
  EXPECT_EQ(fView.Proposals, std::vector<std::u16string>{project + u"_converted.vxp"});
  EXPECT_EQ(fView.Rows.size(), 3u);
}

// The run's clock times the run on the run's thread: the moves of the clock while it loads and
// converts count, those while the save dialog is open do not.
TEST_F(MainPresenterTest, TheRunTimesItselfWithThePresentersClock) {
  uint32_t moves = 0;
  fView.WhileSaving = [this] { fNow += 5; };
  fView.WhileProgressing = [&](int32_t aPercent) {
    if (aPercent <= 50) {
      fNow += 7;
      ++moves;
    }
  };
  fView.OpenAnswer = FixtureCopy("worked.vlp");
  ConvertAndWait();
  EXPECT_GT(moves, 2u);
  const auto line = std::find(fView.Log.begin(), fView.Log.end(),
                              u"Total processing time: " + vbase::IntToText(7 * moves) + u"ms");
  EXPECT_NE(line, fView.Log.end());
}

} // namespace

namespace {

TEST(SharedTargetColumnWidthsTest, ShareTheFreeWidthButStayReadable) {
  const struct {
    int Free;
    int Old, New;
  } cases[] = {
      {772, 386, 386}, // the window's first size
      {773, 387, 386}, // the odd pixel goes to the old target
      {245, 123, 122}, {240, 120, 120},
      {200, 120, 120}, // a small window scrolls rather than cut the paths short
      {0, 120, 120},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.Free);
    const TTargetColumnWidths widths = SharedTargetColumnWidths(test.Free);
    EXPECT_EQ(widths.OldTarget, test.Old);
    EXPECT_EQ(widths.NewTarget, test.New);
  }
}

} // namespace

namespace {

const std::u16string WorkedCounts = u"Targets converted: 2 of 3. Rows carried over: 3.";

// After every run the summary says where the project went, what was carried over, what was not,
// and whether the saved file holds all of the old project.
TEST_F(MainPresenterTest, TheSummaryTellsWhatTheRunDid) {
  ConvertWorkedProject();
  // "Save report..." shows with the summary of every run, failed or not.
  EXPECT_TRUE(fView.OffersReport);
  EXPECT_EQ(fView.Summary, (std::vector<std::u16string>{
                               u"The new project was saved to \"" + Output() + u"\".", WorkedCounts,
                               u"verified: 3 rows, 2 targets, 2 excludes, 2 languages"}));
  EXPECT_FALSE(fView.OffersDroppedRows);

  fView.SaveAnswer.reset();
  ConvertAndWait();
  EXPECT_EQ(fView.Summary,
            (std::vector<std::u16string>{
                u"The new project was not saved: the save dialog was cancelled.", WorkedCounts}));

  // A cancelled open dialog is no run: the summary comes back.
  fView.OpenAnswer.reset();
  const std::vector<std::u16string> summary = fView.Summary;
  const int summaries = fView.Summaries;
  ConvertAndWait();
  EXPECT_EQ(fView.Summaries, summaries);
  EXPECT_EQ(fView.Summary, summary);
  EXPECT_TRUE(fView.OffersReport);

  fView.OpenAnswer = FixtureCopy("unclosed.vlp");
  fView.OffersReport = false;
  ConvertAndWait();
  EXPECT_EQ(fView.Summary,
            std::vector<std::u16string>{u"The conversion failed; the new project was not saved."});
  EXPECT_TRUE(fView.OffersReport);
}

// The last run's summary and its buttons are gone before the next run shows a dialog or a box.
TEST_F(MainPresenterTest, ANewRunClearsTheLastSummaryFirst) {
  ConvertDemo();
  ASSERT_TRUE(fView.OffersDroppedRows);
  std::vector<bool> upDuringSave;
  fView.WhileSaving = [this, &upDuringSave] {
    upDuringSave = {!fView.Summary.empty(), fView.OffersDroppedRows, fView.OffersReport};
  };
  fView.SaveAnswer.reset();
  ConvertAndWait();
  EXPECT_EQ(upDuringSave, (std::vector<bool>{false, false, false}));
  EXPECT_FALSE(fView.Summary.empty());

  fView.OpenAnswer = FixtureCopy("unclosed.vlp");
  ConvertAndWait();
  EXPECT_EQ(fView.SummaryUpAtErrors, std::vector<bool>{false});
  EXPECT_FALSE(fView.Summary.empty());
}

TEST_F(MainPresenterTest, TheSummaryOffersTheRowsNotCarriedOver) {
  ConvertDemo();
  ASSERT_EQ(fView.Summary.size(), 4u);
  EXPECT_EQ(fView.Summary[2], u"2 rows without a converted target were not carried over");
  EXPECT_TRUE(fView.Summary[3].starts_with(u"verified: ")) << vbase::Utf8Encode(fView.Summary[3]);
  EXPECT_TRUE(fView.OffersDroppedRows);

  fPresenter.ShowDroppedRowsClicked();
  ASSERT_EQ(fView.RowsWindows.size(), 1u);
  const TRowsWindow& window = fView.RowsWindows[0];
  EXPECT_EQ(window.Title, u"Rows not carried over");
  EXPECT_EQ(window.Lines, std::vector<std::u16string>{
                              u"2 rows without a converted target were not carried over"});
  EXPECT_EQ(window.Captions,
            (std::array<std::u16string, rcCount>{u"Old target", u"Context path", u"Native text"}));
  EXPECT_EQ(window.Rows,
            (std::vector<TRowCells>{{u"C:\\Demo\\Demo.res", u"Forms.VersionInfo", u"Version"},
                                    {u"", u"", u"Orphan text"}}));
  EXPECT_TRUE(fView.Notices.empty());

  // A run without such rows offers none.
  ConvertWorkedProject();
  fPresenter.ShowDroppedRowsClicked();
  EXPECT_EQ(fView.RowsWindows.size(), 1u);
}

// The warning comes as a question before the save dialog: No saves nothing, Yes goes on to the
// dialog.
TEST_F(MainPresenterTest, AFileWithNothingOfAnOldProjectIsSavedOnlyWhenTheUserSaysYes) {
  WriteFileBytes(fFolder.File("page.vlp"), "<html><body><p>Hello</p></body></html>");
  fView.OpenAnswer = Utf8Decode(fFolder.File("page.vlp"));
  fView.SaveAnswer = Output();
  std::optional<std::size_t> questionsBeforeDialog;
  fView.WhileSaving = [this, &questionsBeforeDialog] {
    questionsBeforeDialog = fView.Questions.size();
  };
  const std::u16string warning =
      u"The file holds nothing of an old project: no targets and no rows were found.";
  const std::u16string counts = u"Targets converted: 0 of 0. Rows carried over: 0.";
  const struct {
    bool Answer;
    std::optional<std::size_t> QuestionsBeforeDialog;
    std::vector<std::u16string> Summary;
  } cases[] = {
      {false,
       std::nullopt,
       {u"The new project was not saved: you chose not to save an empty project.", counts,
        warning}},
      {true,
       1,
       {u"The new project was saved to \"" + Output() + u"\".", counts, warning,
        u"verified: 0 rows, 0 targets, 0 excludes, 0 languages"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Answer);
    fView.Questions.clear();
    fView.ReplaceAnswer = c.Answer;
    ConvertAndWait();
    ASSERT_TRUE(fView.Errors.empty());
    EXPECT_EQ(fView.Questions, std::vector<std::u16string>{
                                   warning + u"\nDo you want to save an empty project anyway?"});
    EXPECT_EQ(questionsBeforeDialog, c.QuestionsBeforeDialog);
    EXPECT_EQ(std::filesystem::exists(fFolder.Path() / "out.vxp"), c.Answer);
    EXPECT_EQ(fView.Summary, c.Summary);
  }
}

TEST_F(MainPresenterTest, AProjectThatCannotBeReadIsNamedBeforeTheMessage) {
  fView.OpenAnswer = FixtureCopy("unclosed.vlp");
  ConvertAndWait();
  ASSERT_EQ(fView.Errors.size(), 1u);
  const TErrorReport& report = fView.Errors[0];
  EXPECT_TRUE(report.Sentence.starts_with(u"The project \"unclosed.vlp\" could not be read: line "))
      << vbase::Utf8Encode(report.Sentence);
  EXPECT_EQ(ErrorBoxText(report), report.Sentence + u"\n\n" + report.Message);
  EXPECT_EQ(ErrorDetails(report).substr(0, 28), u"Exception class: EFilerError");

  fPresenter.ReportException(std::make_exception_ptr(std::runtime_error("plain")));
  EXPECT_EQ(ErrorBoxText(fView.Errors[1]), u"plain");
}

// The report of the last run as the batch command writes it: what the run did, or where reading
// the project stopped.
TEST_F(MainPresenterTest, SaveReportWritesTheLastRunsReport) {
  ConvertDemo();
  fView.ReportAnswer = Utf8Decode(fFolder.File("demo.json"));
  fPresenter.SaveReportClicked();
  ASSERT_TRUE(fView.Errors.empty());
  EXPECT_EQ(fView.ReportProposals,
            std::vector<std::u16string>{Utf8Decode(fFolder.File("demo.vlp.report.html"))});
  const auto report = nlohmann::json::parse(ReadFileBytes(fFolder.File("demo.json")));
  ASSERT_EQ(report["results"].size(), 1u);
  const auto& result = report["results"][0];
  EXPECT_EQ(result["input"], fFolder.File("demo.vlp"));
  EXPECT_EQ(result["output"], vbase::Utf8Encode(Output()));
  EXPECT_EQ(result["ok"], true);
  EXPECT_TRUE(result["error"].is_null());
  EXPECT_EQ(result["rows_dropped"].size(), 2u);
  EXPECT_EQ(result["verification"]["passed"], true);
  EXPECT_EQ(result["log"].size(), fView.Log.size());
  ASSERT_EQ(result["targets"].size(), fView.Rows.size());
  // The report names each target as the list does, one that is not converted too, as far as the
  // old project names it (the demo's comment among its targets it does not).
  for (std::size_t index = 0; index < fView.Rows.size(); ++index) {
    const auto& target = result["targets"][index];
    EXPECT_EQ(Utf8Decode(target["old_target"].is_null() ? std::string()
                                                        : target["old_target"].get<std::string>()),
              fView.Rows[index].Row.OldTarget.Text);
    EXPECT_EQ(Utf8Decode(target["rows"].is_null() ? std::string()
                                                  : std::to_string(target["rows"].get<int>())),
              fView.Rows[index].Count);
  }
  EXPECT_EQ(result["targets"].back()["old_target"], "C:\\Demo\\Demo.res");

  // A name without an extension gets the chosen filter's: a page first, JSON if chosen.
  fView.ReportAnswer = Utf8Decode(fFolder.File("page"));
  fPresenter.SaveReportClicked();
  const std::string page = ReadFileBytes(fFolder.File("page.html"));
  EXPECT_EQ(fView.Summary.back(),
            u"The report was saved to \"" + Utf8Decode(fFolder.File("page.html")) + u"\".");
  fView.ReportAnswer = Utf8Decode(fFolder.File("Release 2.5"));
  fView.ReportFilter = 1;
  fPresenter.SaveReportClicked();
  EXPECT_TRUE(nlohmann::json::accept(ReadFileBytes(fFolder.File("Release 2.5.json"))));
  // The summary names the last report saved, once.
  EXPECT_EQ(fView.Summary.back(),
            u"The report was saved to \"" + Utf8Decode(fFolder.File("Release 2.5.json")) + u"\".");
  EXPECT_EQ(fView.Summary.size(), 5u);
  fView.ReportFilter = 0;
  EXPECT_TRUE(page.starts_with("<!DOCTYPE html>"));
  // The window wrote it, not the batch command.
  EXPECT_NE(page.find("<title>vlp5tovxp report</title>"), std::string::npos);
  EXPECT_EQ(page.find("vlp5tovxp-cli"), std::string::npos);

  fView.OpenAnswer = FixtureCopy("unclosed.vlp");
  ConvertAndWait();
  ASSERT_EQ(fView.Errors.size(), 1u);
  EXPECT_EQ(fView.Summary.size(), 1u) << "a new run forgets where the last report went";
  fView.ReportAnswer = Utf8Decode(fFolder.File("failed.json"));
  fPresenter.SaveReportClicked();
  const auto failed = nlohmann::json::parse(ReadFileBytes(fFolder.File("failed.json")));
  const auto& failure = failed["results"][0];
  EXPECT_EQ(failure["input"], fFolder.File("unclosed.vlp"));
  EXPECT_EQ(failure["ok"], false);
  EXPECT_EQ(failure["error"], vbase::Utf8Encode(fView.Errors[0].Message));
  EXPECT_GT(failure["line"].get<int>(), 0);
  EXPECT_GT(failure["column"].get<int>(), 0);
  EXPECT_TRUE(failure["output"].is_null());

  // A cancelled open dialog keeps the last run, and its report.
  fView.OpenAnswer.reset();
  ConvertAndWait();
  fView.ReportAnswer = Utf8Decode(fFolder.File("again.json"));
  fPresenter.SaveReportClicked();
  EXPECT_EQ(ReadFileBytes(fFolder.File("again.json")), ReadFileBytes(fFolder.File("failed.json")));
}

// The presenter, not the dialog, adds the extension: the chosen filter's, unless the name
// already ends in one of the dialog's extensions.
TEST(SavePathTest, TheChosenFiltersExtensionIsAddedUnlessTheNameHasOne) {
  const struct {
    const TSaveDialog& Dialog;
    std::size_t Filter;
    std::u16string Chosen;
    std::u16string Path;
  } cases[] = {
      {SaveProjectDialog, 0, u"a", u"a.vxp"},
      {SaveProjectDialog, 0, u"Release 2.5", u"Release 2.5.vxp"},
      {SaveProjectDialog, 0, u"x.vxp", u"x.vxp"},
      {SaveProjectDialog, 0, u"x.VXP", u"x.VXP"},
      {SaveProjectDialog, 0, u"x.vxp.bak", u"x.vxp.bak.vxp"},
      {SaveProjectDialog, 0, u"C:\\p.vxp\\app", u"C:\\p.vxp\\app.vxp"},
      {SaveProjectDialog, 0, u"/p/app.vlp", u"/p/app.vlp.vxp"},
      {SaveReportDialog, 0, u"r", u"r.html"},
      {SaveReportDialog, 1, u"r", u"r.json"},
      {SaveReportDialog, 1, u"Release 2.5", u"Release 2.5.json"},
      {SaveReportDialog, 1, u"r.HTML", u"r.HTML"},
      {SaveReportDialog, 0, u"r.json", u"r.json"},
      {SaveReportDialog, 0, u"r.htm", u"r.htm.html"},
  };
  for (const auto& test : cases)
    EXPECT_EQ(PathWithExtension(test.Dialog, {test.Chosen, test.Filter}), test.Path)
        << vbase::Utf8Encode(test.Chosen);
}

// A name typed without ".vxp" in the run's save dialog is saved, checked and named with it.
TEST_F(MainPresenterTest, TheProjectIsSavedWithItsExtension) {
  fView.OpenAnswer = FixtureCopy("worked.vlp");
  fView.SaveAnswer = Utf8Decode(fFolder.File("Release 2.5"));
  ConvertAndWait();
  const std::u16string saved = Utf8Decode(fFolder.File("Release 2.5.vxp"));
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(saved)));
  EXPECT_FALSE(std::filesystem::exists(fFolder.Path() / "Release 2.5"));
  EXPECT_EQ(fView.Summary.front(), u"The new project was saved to \"" + saved + u"\".");
  EXPECT_TRUE(fView.Summary.back().starts_with(u"verified: "));
}

TEST_F(MainPresenterTest, SaveReportWritesNothingWhenCancelledAndShowsAFailedWrite) {
  fPresenter.SaveReportClicked();
  EXPECT_TRUE(fView.ReportProposals.empty()) << "no run, no report";

  ConvertWorkedProject();
  const auto filesAfterRun = std::distance(std::filesystem::directory_iterator(fFolder.Path()),
                                           std::filesystem::directory_iterator());
  fPresenter.SaveReportClicked();
  EXPECT_EQ(fView.ReportProposals.size(), 1u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(fFolder.Path()),
                          std::filesystem::directory_iterator()),
            filesAfterRun);

  // A folder in the way of the report is no file to replace, and cannot be written.
  std::filesystem::create_directory(fFolder.Path() / "taken.html");
  fView.ReportAnswer = Utf8Decode(fFolder.File("taken.html"));
  fPresenter.SaveReportClicked();
  ASSERT_EQ(fView.Errors.size(), 1u);
  EXPECT_TRUE(fView.Questions.empty());
  EXPECT_TRUE(std::filesystem::is_directory(fFolder.Path() / "taken.html"));
}

// Saving is not converting: a cancelled save keeps the new project, and "Save as..." saves it
// through the save dialog without converting again, as the run would have saved it.
TEST_F(MainPresenterTest, ACancelledSaveKeepsTheProjectForSaveAs) {
  ConvertWorkedProject();
  const std::string converted = ReadFileBytes(fFolder.File("out.vxp"));
  EXPECT_FALSE(fView.OffersSaveAs) << "a saved project is not kept";

  fView.SaveAnswer.reset();
  ConvertAndWait();
  EXPECT_TRUE(fView.OffersSaveAs);
  EXPECT_EQ(fView.Summary.front(),
            u"The new project was not saved: the save dialog was cancelled.");
  const std::vector<std::u16string> log = fView.Log;
  const int opens = fView.OpenCalls;

  // Cancelled again: nothing changes.
  SaveAsAndWait();
  EXPECT_TRUE(fView.OffersSaveAs);
  EXPECT_EQ(fView.Proposals.back(), *fView.OpenAnswer + u"_converted.vxp");

  fView.SaveAnswer = Utf8Decode(fFolder.File("again.vxp"));
  SaveAsAndWait();
  EXPECT_EQ(fView.OpenCalls, opens);
  EXPECT_EQ(fView.Log, log);
  EXPECT_EQ(ReadFileBytes(fFolder.File("again.vxp")), converted);
  EXPECT_EQ(fView.Summary,
            (std::vector<std::u16string>{
                u"The new project was saved to \"" + *fView.SaveAnswer + u"\".", WorkedCounts,
                u"verified: 3 rows, 2 targets, 2 excludes, 2 languages"}));
  EXPECT_FALSE(fView.OffersSaveAs);
  EXPECT_TRUE(fView.Errors.empty());

  // Once saved, the project is gone: a second click asks nothing.
  const std::size_t proposals = fView.Proposals.size();
  SaveAsAndWait();
  EXPECT_EQ(fView.Proposals.size(), proposals);

  // Closing the window releases a kept project.
  fView.SaveAnswer.reset();
  ConvertAndWait();
  EXPECT_TRUE(fPresenter.CloseRequested());
  SaveAsAndWait();
  EXPECT_EQ(fView.Proposals.size(), proposals + 1);
}

#ifndef _WIN32
// Root writes into a read-only folder, so the disk fills up instead: the write itself fails.
TEST_F(MainPresenterTest, AFailedSaveKeepsTheProjectSaysWhyAndSaveAsSavesElsewhere) {
  fView.OpenAnswer = FixtureCopy("worked.vlp");
  fView.SaveAnswer = Output();
  {
    const TFullDisk fullDisk;
    ConvertAndWait();
  }
  const std::u16string cannotWrite =
      u"Cannot write \"" + Output() + u"\": " + Utf8Decode(TFullDisk::ReasonOfFullDisk);
  ASSERT_EQ(fView.Errors.size(), 1u);
  EXPECT_EQ(ErrorBoxText(fView.Errors[0]), cannotWrite);
  EXPECT_TRUE(ErrorDetails(fView.Errors[0])
                  .starts_with(u"Exception class: EWriteError\nException message: Stream write "
                               u"error\n\nLast log lines:"));
  EXPECT_EQ(fView.Summary,
            (std::vector<std::u16string>{u"The new project was not saved: " + cannotWrite + u".",
                                         WorkedCounts}));
  EXPECT_TRUE(fView.OffersSaveAs);
  EXPECT_EQ(fFolder.Entries(), std::set<std::string>{"worked.vlp"});

  // The dialog starts at the path that failed.
  fView.SaveAnswer = Utf8Decode(fFolder.File("elsewhere.vxp"));
  SaveAsAndWait();
  EXPECT_EQ(fView.Proposals.back(), Output());
  EXPECT_EQ(fView.Errors.size(), 1u);
  EXPECT_EQ(fView.Summary.front(), u"The new project was saved to \"" + *fView.SaveAnswer + u"\".");
  EXPECT_EQ(fView.Summary.back(), u"verified: 3 rows, 2 targets, 2 excludes, 2 languages");
  EXPECT_FALSE(fView.OffersSaveAs);

  // The report tells the save that was made.
  fView.ReportAnswer = Utf8Decode(fFolder.File("report.json"));
  fPresenter.SaveReportClicked();
  const auto result =
      nlohmann::json::parse(ReadFileBytes(fFolder.File("report.json")))["results"][0];
  EXPECT_EQ(result["output"], fFolder.File("elsewhere.vxp"));
  EXPECT_TRUE(result["error"].is_null());
  EXPECT_EQ(result["verification"]["passed"], true);
}
#endif

// The save dialogs do not ask themselves: an existing file is replaced only once the user says
// Yes; No opens the dialog again at the chosen path, to choose another or cancel.
TEST_F(MainPresenterTest, AnExistingFileIsReplacedOnlyWhenTheUserSaysYes) {
  ConvertWorkedProject();
  EXPECT_TRUE(fView.Questions.empty()) << "nothing to replace yet";
  const std::string saved = ReadFileBytes(fFolder.File("out.vxp"));

  WriteFileBytes(fFolder.File("out.vxp"), "kept");
  fView.ReplaceAnswer = false;
  fView.WhileSaving = [this] {
    if (fView.Proposals.size() == 3)
      fView.SaveAnswer.reset();
  };
  ConvertAndWait();
  EXPECT_EQ(fView.Questions, std::vector<std::u16string>{
                                 Output() + u" already exists.\nDo you want to replace it?"});
  EXPECT_EQ(fView.Proposals,
            (std::vector<std::u16string>{*fView.OpenAnswer + u"_converted.vxp",
                                         *fView.OpenAnswer + u"_converted.vxp", Output()}));
  EXPECT_EQ(ReadFileBytes(fFolder.File("out.vxp")), "kept");
  EXPECT_EQ(fView.Summary.front(),
            u"The new project was not saved: the save dialog was cancelled.");

  fView.WhileSaving = nullptr;
  fView.SaveAnswer = Output();
  fView.ReplaceAnswer = true;
  ConvertAndWait();
  EXPECT_EQ(fView.Questions.size(), 2u);
  EXPECT_EQ(ReadFileBytes(fFolder.File("out.vxp")), saved);
  EXPECT_TRUE(fView.Errors.empty());

  // The report's dialog asks the same.
  fView.ReportAnswer = Utf8Decode(fFolder.File("report.html"));
  fPresenter.SaveReportClicked();
  EXPECT_EQ(fView.Questions.size(), 2u);
  fPresenter.SaveReportClicked();
  EXPECT_EQ(fView.Questions.back(),
            *fView.ReportAnswer + u" already exists.\nDo you want to replace it?");
}

TEST_F(MainPresenterTest, AFolderThatDoesNotExistIsRefusedAndTheDialogOpensAgain) {
  const std::filesystem::path gone = fFolder.Path() / "gone";
  const std::u16string inGone = (gone / "out.vxp").u16string();
  fView.OpenAnswer = FixtureCopy("worked.vlp");
  fView.SaveAnswer = inGone;
  fView.WhileSaving = [this] {
    if (fView.Proposals.size() == 2)
      fView.SaveAnswer = Output();
  };
  ConvertAndWait();
  EXPECT_EQ(fView.Warnings, std::vector<std::u16string>{u"The folder \"" + gone.u16string() +
                                                        u"\" does not exist."});
  EXPECT_EQ(fView.Proposals,
            (std::vector<std::u16string>{*fView.OpenAnswer + u"_converted.vxp", inGone}));
  EXPECT_FALSE(std::filesystem::exists(gone));
  EXPECT_TRUE(std::filesystem::exists(fFolder.Path() / "out.vxp"));
  EXPECT_TRUE(fView.Questions.empty());
  EXPECT_TRUE(fView.Errors.empty());
}

// The two target columns share the free width until the user sizes one of them; the other
// columns do not count.
TEST_F(MainPresenterTest, TargetColumnsAreSharedUntilTheUserSizesOne) {
  const TTargetColumnWidths shared = SharedTargetColumnWidths(773);
  for (const TTargetColumn column : {tcOldTarget, tcNewTarget}) {
    SCOPED_TRACE(column);
    TMainPresenter presenter(fView);
    for (const TTargetColumn other : {tcImage, tcRows})
      presenter.ColumnSizedByUser(other);
    ASSERT_TRUE(presenter.TargetColumnWidths(773));
    EXPECT_EQ(presenter.TargetColumnWidths(773)->OldTarget, shared.OldTarget);
    EXPECT_EQ(presenter.TargetColumnWidths(773)->NewTarget, shared.NewTarget);
    presenter.ColumnSizedByUser(column);
    EXPECT_FALSE(presenter.TargetColumnWidths(773));
  }
}

// After a project from the command line or a drop, Enter converts again, wherever the focus
// was when it came.
TEST_F(MainPresenterTest, AGivenProjectLeavesTheFocusOnConvert) {
  fView.Focus = TMainControl::mcHelp;
  fView.OpenAnswer.reset();
  fView.SaveAnswer = Output();
  fPresenter.ConvertProjectLater(FixtureCopy("worked.vlp"));
  RunPendingAndWait();
  EXPECT_EQ(fView.Focus, TMainControl::mcConvert);
}

// Each stage fills its share of the bar: loading and checking read whole files, converting and
// saving walk what is in memory.
TEST_F(MainPresenterTest, TheProgressBarFollowsTheFourStagesAndGoesWhenTheRunEnds) {
  const struct {
    TRunStage Stage;
    int64_t Done, Total;
    int32_t Percent;
  } steps[] = {
      {TRunStage::rsLoading, 0, 0, 0},        {TRunStage::rsLoading, 500, 1000, 17},
      {TRunStage::rsLoading, 1000, 1000, 35}, {TRunStage::rsConverting, 5, 10, 42},
      {TRunStage::rsConverting, 10, 10, 50},  {TRunStage::rsSaving, 1, 2, 60},
      {TRunStage::rsSaving, 2, 2, 70},        {TRunStage::rsChecking, 1, 2, 85},
      {TRunStage::rsChecking, 2, 2, 100},
  };
  for (const auto& step : steps) {
    EXPECT_EQ(RunPercent(step.Stage, step.Done, step.Total), step.Percent);
    fPresenter.ShowProgress(step.Stage, step.Done, step.Total);
  }
  // The same percentage again does not reach the view.
  fPresenter.ShowProgress(TRunStage::rsChecking, 2, 2);
  EXPECT_EQ(fView.ProgressPercents.size(), std::size(steps));

  // A run moves the bar through every stage, forwards only, and hides it at its end.
  fView.ProgressPercents.clear();
  ConvertWorkedProject();
  ASSERT_GE(fView.ProgressPercents.size(), 2u);
  EXPECT_EQ(fView.ProgressPercents.back(), std::nullopt);
  fView.ProgressPercents.pop_back();
  EXPECT_TRUE(std::is_sorted(fView.ProgressPercents.begin(), fView.ProgressPercents.end()));
  for (const int32_t stageStart : {0, 35, 50, 70})
    EXPECT_TRUE(std::any_of(fView.ProgressPercents.begin(), fView.ProgressPercents.end(),
                            [&](const std::optional<int32_t>& aPercent) {
                              return aPercent > stageStart && aPercent < stageStart + 15;
                            }))
        << stageStart;
  EXPECT_GE(fView.ProgressPercents.back(), 99);
}

TEST(StartArgumentsTest, HelpVersionProjectOrUsageError) {
  const struct {
    std::vector<std::u16string> Arguments;
    TStartAction Action;
    int ExitCode;
    std::u16string TextStart;
  } cases[] = {
      {{u"vlp5tovxp"}, TStartAction::saWindow, 0, u""},
      {{u"vlp5tovxp", u"a.vlp"}, TStartAction::saWindow, 0, u""},
      {{u"vlp5tovxp", u"--", u"--help"}, TStartAction::saWindow, 0, u""},
      {{u"vlp5tovxp", u"--help"}, TStartAction::saHelp, 0, u"Usage: vlp5tovxp [OLD.vlp]\n"},
      {{u"vlp5tovxp", u"a.vlp", u"-h"}, TStartAction::saHelp, 0, u"Usage: vlp5tovxp [OLD.vlp]\n"},
      {{u"vlp5tovxp", u"--version"}, TStartAction::saVersion, 0, u"vlp5tovxp 1.2.3.4\n"},
      {{u"vlp5tovxp", u"--frce"},
       TStartAction::saUsageError,
       2,
       u"vlp5tovxp: unknown option --frce\n\nUsage: vlp5tovxp [OLD.vlp]\n"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(vbase::Utf8Encode(test.Arguments.back()));
    const TStartRequest request = ParseStartArguments(test.Arguments, u"1.2.3.4");
    EXPECT_EQ(request.Action, test.Action);
    EXPECT_EQ(request.ExitCode, test.ExitCode);
    EXPECT_TRUE(request.Text.starts_with(test.TextStart)) << vbase::Utf8Encode(request.Text);
    EXPECT_EQ(request.Project.has_value(),
              test.Action == TStartAction::saWindow && test.Arguments.size() > 1);
  }
  const TStartRequest request = ParseStartArguments({u"vlp5tovxp", u"--", u"--help"}, u"1");
  EXPECT_EQ(
      request.Project,
      std::filesystem::absolute(std::filesystem::path(u"--help")).lexically_normal().u16string());
}

// ---- Several projects in one run ----

class QueuePresenterTest : public MainPresenterTest {
protected:
  // a.vlp in the folder, then sub/b.vlp, which cannot be read, and sub/c.vlp: three projects of
  // two arguments, the middle one failing.
  std::vector<std::u16string> ThreeProjects() {
    std::filesystem::create_directory(fFolder.Path() / "sub");
    std::filesystem::copy_file(DataFolder / "worked.vlp", fFolder.Path() / "a.vlp");
    std::filesystem::copy_file(DataFolder / "unclosed.vlp", fFolder.Path() / "sub" / "b.vlp");
    std::filesystem::copy_file(DataFolder / "worked.vlp", fFolder.Path() / "sub" / "c.vlp");
    return {Utf8Decode(fFolder.File("a.vlp")), Utf8Decode(fFolder.File("sub"))};
  }
  std::u16string Project(const std::string& aName) const {
    return (fFolder.Path() / aName).make_preferred().u16string();
  }
  std::vector<std::u16string> Outcomes() const {
    std::vector<std::u16string> outcomes;
    for (const TProjectRow& row : fView.Projects)
      outcomes.push_back(row.Cells[pcOutcome]);
    return outcomes;
  }
  std::u16string CopyAs(const std::string& aFixture, const std::string& aName) {
    std::filesystem::copy_file(DataFolder / aFixture, fFolder.Path() / aName);
    return Project(aName);
  }
  void ConvertInputsAndWait(const std::vector<std::u16string>& aPaths) {
    fPresenter.ConvertInputs(aPaths);
    WaitForRun();
  }
};

TEST_F(QueuePresenterTest, SeveralProjectsRunInTurnAfterOneQuestionAndAFailureGoesOn) {
  ConvertInputsAndWait(ThreeProjects());

  EXPECT_EQ(fView.QueueQuestions, std::vector<size_t>{3});
  // No save dialog: every new project goes beside its old one under the proposed name.
  EXPECT_TRUE(fView.Proposals.empty());
  EXPECT_TRUE(fView.Errors.empty());
  EXPECT_TRUE(fView.ProjectListShown);
  ASSERT_EQ(fView.Projects.size(), 3u);
  EXPECT_EQ(fView.Projects[0].Cells[pcProject], Project("a.vlp"));
  EXPECT_EQ(fView.Projects[1].Cells[pcProject], Project("sub/b.vlp"));
  EXPECT_EQ(fView.Projects[2].Cells[pcProject], Project("sub/c.vlp"));
  EXPECT_EQ(Outcomes(), (std::vector<std::u16string>{u"converted", u"failed", u"converted"}));
  for (const size_t index : {0u, 2u}) {
    SCOPED_TRACE(index);
    const TProjectRow& row = fView.Projects[index];
    EXPECT_EQ(row.Image, tiConverted);
    EXPECT_EQ(row.Cells[pcTargets], u"2 of 3");
    EXPECT_EQ(row.Cells[pcRowsCarried], u"3");
    EXPECT_EQ(row.Cells[pcRowsNotCarried], u"0");
    EXPECT_TRUE(row.Cells[pcCheck].starts_with(u"verified"))
        << vbase::Utf8Encode(row.Cells[pcCheck]);
  }
  EXPECT_EQ(fView.Projects[1].Image, tiNotConverted);
  EXPECT_FALSE(fView.Projects[1].Hint.empty());
  EXPECT_TRUE(std::filesystem::exists(fFolder.Path() / "a.vlp_converted.vxp"));
  EXPECT_FALSE(std::filesystem::exists(fFolder.Path() / "sub" / "b.vlp_converted.vxp"));
  EXPECT_TRUE(std::filesystem::exists(fFolder.Path() / "sub" / "c.vlp_converted.vxp"));
  ASSERT_GE(fView.Summary.size(), 2u);
  EXPECT_EQ(fView.Summary[0], u"2 of 3 projects converted.");
  EXPECT_EQ(fView.Summary[1], u"Failed: " + Project("sub/b.vlp") + u".");
  EXPECT_TRUE(fView.OffersReport);
  EXPECT_EQ(fPresenter.State(), TMainState::msIdle);
  EXPECT_EQ(fView.FocusConvertCalls, 1);
}

TEST_F(QueuePresenterTest, AProjectSelectedShowsItsTargetsLogAndRows) {
  std::filesystem::copy_file(DataFolder / "../../../../examples/demo.vlp",
                             fFolder.Path() / "demo.vlp");
  std::filesystem::copy_file(DataFolder / "worked.vlp", fFolder.Path() / "worked.vlp");
  ConvertInputsAndWait({fFolder.Path().u16string()});
  ASSERT_EQ(Outcomes(), (std::vector<std::u16string>{u"converted", u"converted"}));

  fPresenter.ProjectSelected(1);
  EXPECT_EQ(fView.Rows.size(), 3u);
  EXPECT_EQ(fView.Rows[0].Count, u"2");
  ASSERT_FALSE(fView.Log.empty());
  EXPECT_FALSE(fView.OffersDroppedRows);
  EXPECT_NE(
      std::find(fView.Summary.begin(), fView.Summary.end(),
                u"The new project was saved to \"" + Project("worked.vlp_converted.vxp") + u"\"."),
      fView.Summary.end());

  fPresenter.ProjectSelected(0);
  EXPECT_EQ(fView.Summary[0], u"2 of 2 projects converted.");
  EXPECT_TRUE(fView.OffersDroppedRows);
  fPresenter.ShowDroppedRowsClicked();
  ASSERT_EQ(fView.RowsWindows.size(), 1u);
  EXPECT_FALSE(fView.RowsWindows[0].Rows.empty());
}

// What becomes of a new project that exists already, asked once for the whole run.
TEST_F(QueuePresenterTest, AnExistingNewProjectIsSkippedReplacedOrStopsTheRun) {
  const struct {
    TExistingOutputs Existing;
    std::vector<std::u16string> Outcomes;
    bool Replaced;
    bool SecondConverted;
    std::u16string Counts;
  } cases[] = {
      {TExistingOutputs::eoSkip, {u"skipped", u"converted"}, false, true, u"1 of 2"},
      {TExistingOutputs::eoReplace, {u"converted", u"converted"}, true, true, u"2 of 2"},
      {TExistingOutputs::eoStop, {u"stopped", u"stopped"}, false, false, u"0 of 2"},
  };
  std::filesystem::copy_file(DataFolder / "worked.vlp", fFolder.Path() / "a.vlp");
  std::filesystem::copy_file(DataFolder / "worked.vlp", fFolder.Path() / "b.vlp");
  for (const auto& test : cases) {
    SCOPED_TRACE(static_cast<int>(test.Existing));
    std::filesystem::remove(fFolder.Path() / "b.vlp_converted.vxp");
    WriteFileBytes(fFolder.Path() / "a.vlp_converted.vxp", "old");
    fView.QueueAnswer = TQueueOptions{std::nullopt, test.Existing};
    ConvertInputsAndWait({Project("a.vlp"), Project("b.vlp")});
    EXPECT_EQ(Outcomes(), test.Outcomes);
    EXPECT_EQ(ReadFileBytes(fFolder.Path() / "a.vlp_converted.vxp") != "old", test.Replaced);
    EXPECT_EQ(std::filesystem::exists(fFolder.Path() / "b.vlp_converted.vxp"),
              test.SecondConverted);
    ASSERT_FALSE(fView.Summary.empty());
    EXPECT_EQ(fView.Summary[0], test.Counts + u" projects converted.");
    EXPECT_TRUE(fView.Questions.empty());
    EXPECT_TRUE(fView.Proposals.empty());
  }
}

TEST_F(QueuePresenterTest, NewProjectsGoIntoOneChosenFolder) {
  const std::vector<std::u16string> inputs = ThreeProjects();
  std::filesystem::create_directory(fFolder.Path() / "new");
  fView.QueueAnswer = TQueueOptions{Project("new"), TExistingOutputs::eoSkip};
  ConvertInputsAndWait(inputs);
  EXPECT_EQ(Outcomes(), (std::vector<std::u16string>{u"converted", u"failed", u"converted"}));
  EXPECT_TRUE(std::filesystem::exists(fFolder.Path() / "new" / "a.vlp_converted.vxp"));
  EXPECT_TRUE(std::filesystem::exists(fFolder.Path() / "new" / "c.vlp_converted.vxp"));
  EXPECT_FALSE(std::filesystem::exists(fFolder.Path() / "a.vlp_converted.vxp"));
}

TEST_F(QueuePresenterTest, ACancelledQuestionConvertsNothing) {
  const std::vector<std::u16string> inputs = ThreeProjects();
  fView.QueueAnswer.reset();
  fPresenter.ConvertInputs(inputs);
  EXPECT_EQ(fPresenter.State(), TMainState::msIdle);
  EXPECT_FALSE(fView.ProjectListShown);
  EXPECT_FALSE(std::filesystem::exists(fFolder.Path() / "a.vlp_converted.vxp"));
}

// A stop, or a close, inside the second project or between the first and the second ends the
// run there: the first stays converted, nothing of the others is left on disk.
TEST_F(QueuePresenterTest, AStopInTheMiddleEndsTheRunThere) {
  // One at a time, the bar follows each project's stages.
  fPresenter.SetProjectsAtOnce(1);
  const std::vector<std::u16string> inputs = ThreeProjects();
  std::filesystem::copy_file(DataFolder / "worked.vlp", fFolder.Path() / "sub" / "b.vlp",
                             std::filesystem::copy_options::overwrite_existing);
  const struct {
    const char* Name;
    bool Between;
    bool Closes;
  } cases[] = {{"inside", false, false}, {"between", true, false}, {"closed inside", false, true}};
  for (const auto& test : cases) {
    SCOPED_TRACE(test.Name);
    std::filesystem::remove(fFolder.Path() / "a.vlp_converted.vxp");
    fView.Closes = 0;
    const auto act = [&] {
      if (fPresenter.State() != TMainState::msRunning)
        return;
      if (test.Closes)
        EXPECT_FALSE(fPresenter.CloseRequested());
      else
        fPresenter.ConvertClicked();
    };
    fView.WhileProgressing = [&](int32_t aPercent) {
      if (!test.Between && aPercent > 40 && fView.Projects.at(1).Cells[pcOutcome] == u"converting")
        act();
    };
    fView.WhileSettingProject = [&](int32_t aRow, const TProjectRow& aProject) {
      if (test.Between && aRow == 0 && aProject.Cells[pcOutcome] == u"converted")
        act();
    };
    ConvertInputsAndWait(inputs);
    EXPECT_EQ(Outcomes(), (std::vector<std::u16string>{u"converted", u"stopped", u"stopped"}));
    EXPECT_TRUE(std::filesystem::exists(fFolder.Path() / "a.vlp_converted.vxp"));
    EXPECT_FALSE(std::filesystem::exists(fFolder.Path() / "sub" / "b.vlp_converted.vxp"));
    EXPECT_FALSE(std::filesystem::exists(fFolder.Path() / "sub" / "c.vlp_converted.vxp"));
    EXPECT_EQ(fView.Log.back(), StoppedLogLine);
    ASSERT_FALSE(fView.Summary.empty());
    EXPECT_EQ(fView.Summary[0], u"1 of 3 projects converted.");
    EXPECT_TRUE(fView.Errors.empty());
    EXPECT_TRUE(fView.ConvertEnabled);
    EXPECT_EQ(fView.Closes, test.Closes ? 1 : 0);
  }
}

// The report of the whole run: every project in order, with what became of it.
TEST_F(QueuePresenterTest, TheReportHoldsEveryProjectOfTheRun) {
  ConvertInputsAndWait(ThreeProjects());
  fView.ReportAnswer = Utf8Decode(fFolder.File("run.json"));
  fPresenter.SaveReportClicked();
  EXPECT_EQ(fView.ReportProposals, std::vector<std::u16string>{Project("vlp5tovxp.report.html")});
  const nlohmann::json report = nlohmann::json::parse(ReadFileBytes(fFolder.Path() / "run.json"));
  const nlohmann::json& results = report.at("results");
  ASSERT_EQ(results.size(), 3u);
  const char* names[] = {"a.vlp", "sub/b.vlp", "sub/c.vlp"};
  const bool oks[] = {true, false, true};
  for (size_t index = 0; index < 3; ++index) {
    SCOPED_TRACE(index);
    EXPECT_EQ(results[index].at("input"), vbase::Utf8Encode(Project(names[index])));
    EXPECT_EQ(results[index].at("ok"), oks[index]);
    EXPECT_EQ(results[index].at("output").is_null(), !oks[index]);
    EXPECT_EQ(results[index].at("verification").is_null(), !oks[index]);
  }
  EXPECT_EQ(results[0].at("targets").size(), 3u);
  EXPECT_EQ(results[0].at("rows_placed"), 3);
  EXPECT_FALSE(results[1].at("error").is_null());
}

#ifndef _WIN32
// The batch command with its check, run on the same inputs, reports the same of each.
TEST_F(QueuePresenterTest, TheReportHoldsWhatTheBatchCommandReports) {
  const std::vector<std::u16string> inputs = ThreeProjects();
  const std::string command = std::string("'") + VLP_CLI_PROGRAM + "' -q --verify --report '" +
                              fFolder.File("cli.json") + "' '" + vbase::Utf8Encode(inputs[0]) +
                              "' '" + vbase::Utf8Encode(inputs[1]) + "' 2>/dev/null";
  ASSERT_NE(std::system(command.c_str()), 0) << "the middle project fails";
  for (const char* output : {"a.vlp_converted.vxp", "sub/c.vlp_converted.vxp"})
    ASSERT_TRUE(std::filesystem::remove(fFolder.Path() / output)) << output;

  ConvertInputsAndWait(inputs);
  fView.ReportAnswer = Utf8Decode(fFolder.File("window.json"));
  fPresenter.SaveReportClicked();
  // The time each run took is the clock's, which the test holds still for the window.
  const auto withoutTimes = [this](const char* aName) {
    nlohmann::json report = nlohmann::json::parse(ReadFileBytes(fFolder.Path() / aName));
    for (nlohmann::json& result : report.at("results"))
      for (nlohmann::json& line : result.at("log"))
        if (line.get<std::string>().starts_with("Total processing time: "))
          line = "Total processing time";
    return report;
  };
  EXPECT_EQ(withoutTimes("window.json"), withoutTimes("cli.json"));
}
#endif

// A single project stays a run of one, with its save dialog; a folder or several are a queue.
TEST_F(QueuePresenterTest, DropsAndArgumentsTakeSeveralProjectsAndFolders) {
  const std::vector<std::u16string> inputs = ThreeProjects();
  EXPECT_EQ(ProjectsAmong({inputs[0], u"x.txt", inputs[1]}), inputs);
  EXPECT_TRUE(fPresenter.AcceptsDrop({inputs[1]}));
  EXPECT_FALSE(fPresenter.AcceptsDrop({Utf8Decode(fFolder.File("x.txt"))}));
  ASSERT_TRUE(fPresenter.FilesDropped({inputs[1]}));
  RunPendingAndWait();
  EXPECT_EQ(fView.QueueQuestions, std::vector<size_t>{2});
  EXPECT_EQ(Outcomes(), (std::vector<std::u16string>{u"failed", u"converted"}));

  fView.SaveAnswer = Output();
  fPresenter.ConvertInputs({inputs[0]});
  WaitForRun();
  EXPECT_EQ(fView.QueueQuestions.size(), 1u);
  EXPECT_EQ(fView.Proposals.size(), 1u);
  EXPECT_FALSE(fView.ProjectListShown);
  EXPECT_TRUE(std::filesystem::exists(fFolder.Path() / "out.vxp"));

  const TStartRequest request =
      ParseStartArguments({u"vlp5tovxp", inputs[0], u"--", u"-b.vlp"}, u"1");
  EXPECT_EQ(request.Project, inputs[0]);
  EXPECT_EQ(
      request.Projects,
      (std::vector<std::u16string>{
          inputs[0], std::filesystem::absolute(std::filesystem::path(u"-b.vlp")).u16string()}));
}

// A file manager starts the program once per selected project; the later starts hand theirs
// to the first window.
TEST_F(QueuePresenterTest, ProjectsGivenWhileGatheringGoInOneRunInTheOrderTheyCame) {
  const std::vector<std::u16string> projects{CopyAs("worked.vlp", "a.vlp"),
                                             CopyAs("unclosed.vlp", "b.vlp"),
                                             CopyAs("worked.vlp", "c.vlp")};
  ASSERT_TRUE(fPresenter.GatherProjects({projects[0]}));
  fView.RunPending();
  EXPECT_TRUE(fView.QueueQuestions.empty());
  EXPECT_EQ(fPresenter.State(), TMainState::msIdle);
  ASSERT_TRUE(fPresenter.GatherProjects({projects[1]}));
  ASSERT_TRUE(fPresenter.GatherProjects({projects[2]}));
  // Each that comes waits for more; only the last wait ends the gathering.
  ASSERT_EQ(fView.Timers.size(), 3u);
  for (const auto& timer : fView.Timers)
    EXPECT_EQ(timer.first, GatheringMilliseconds);

  fView.PassTime();
  WaitForRun();
  EXPECT_EQ(fView.QueueQuestions, std::vector<size_t>{3});
  ASSERT_EQ(fView.Projects.size(), 3u);
  for (size_t index = 0; index < projects.size(); ++index)
    EXPECT_EQ(fView.Projects[index].Cells[pcProject], projects[index]);
  EXPECT_EQ(Outcomes(), (std::vector<std::u16string>{u"converted", u"failed", u"converted"}));
}

TEST_F(QueuePresenterTest, ProjectsGivenDuringARunAreAFurtherRunOnceItEnds) {
  const std::u16string first = CopyAs("worked.vlp", "a.vlp");
  const std::vector<std::u16string> later{CopyAs("worked.vlp", "b.vlp"),
                                          CopyAs("unclosed.vlp", "c.vlp")};
  fView.SaveAnswer = Output();
  fView.WhileSaving = [&] {
    EXPECT_TRUE(fPresenter.GatherProjects({later[0]}));
    EXPECT_TRUE(fPresenter.GatherProjects({later[1]}));
  };
  fPresenter.GatherProjects({first});
  fView.PassTime();
  WaitForRun();
  fView.WhileSaving = nullptr;
  EXPECT_TRUE(std::filesystem::exists(fFolder.Path() / "out.vxp"));
  EXPECT_TRUE(fView.QueueQuestions.empty());
  EXPECT_TRUE(fView.Timers.empty());

  RunPendingAndWait();
  EXPECT_EQ(fView.QueueQuestions, std::vector<size_t>{2});
  ASSERT_EQ(fView.Projects.size(), 2u);
  EXPECT_EQ(fView.Projects[0].Cells[pcProject], later[0]);
  EXPECT_EQ(fView.Projects[1].Cells[pcProject], later[1]);
  EXPECT_EQ(Outcomes(), (std::vector<std::u16string>{u"converted", u"failed"}));
}

// ---- Two projects at once ----

TEST(ProjectsAtOnceTest, ASecondProjectStartsOnlyWhenBothPeaksTakeHalfTheFreeMemory) {
  constexpr uint64_t GiB = uint64_t{1} << 30;
  constexpr uint64_t Max = std::numeric_limits<uint64_t>::max();
  const struct {
    const char* Name;
    uint64_t Running, Next;
    std::optional<uint64_t> Available;
    bool Fits;
  } cases[] = {
      {"small inputs", 100, 100, 1600, true},
      {"a byte too many", 100, 101, 1600, false},
      {"large inputs on a large machine", GiB, GiB, 16 * GiB, true},
      {"large inputs on a smaller one", GiB, GiB, 16 * GiB - 1, false},
      {"one large and one small", 3 * GiB, 1, 16 * GiB, false},
      {"memory the system does not tell", 0, 0, std::nullopt, false},
      {"sizes beyond counting", Max, 1, Max, false},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.Name);
    EXPECT_EQ(FitsBeside(test.Running, test.Next, test.Available), test.Fits);
  }
  EXPECT_GE(DefaultProjectsAtOnce(), 1u);
  EXPECT_LE(DefaultProjectsAtOnce(), 2u);
}

// Holds each run's thread at its first look at the clock, inside the conversion of its first
// project, until the test opens it.
class TClockGate {
public:
  void Arrive() {
    std::unique_lock lock(fMutex);
    if (!fArrived.insert(std::this_thread::get_id()).second)
      return;
    fChanged.notify_all();
    fChanged.wait(lock, [this] { return fOpen; });
  }
  void WaitForArrivals(size_t aCount) {
    std::unique_lock lock(fMutex);
    fChanged.wait(lock, [&] { return fArrived.size() >= aCount; });
  }
  void Open() {
    {
      const std::lock_guard lock(fMutex);
      fOpen = true;
    }
    fChanged.notify_all();
  }

private:
  std::mutex fMutex;
  std::condition_variable fChanged;
  std::set<std::thread::id> fArrived;
  bool fOpen = false;
};

class AtOncePresenterTest : public QueuePresenterTest {
protected:
  // What a run of several leaves: on the screen, in its report and on disk.
  struct TRunTrace {
    std::vector<TProjectRow> Rows;
    std::vector<std::u16string> Summary;
    // Each project's log as the window shows it once the project is selected.
    std::vector<std::vector<std::u16string>> Logs;
    nlohmann::json Report;
    std::vector<std::string> Outputs;
  };

  // The most rows that showed "converting" at the same time.
  size_t fMostConverting = 0;

  AtOncePresenterTest() {
    fView.WhileSettingProject = [this](int32_t aRow, const TProjectRow& aProject) {
      std::vector<TProjectRow> rows = fView.Projects;
      rows.resize(std::max(rows.size(), static_cast<size_t>(aRow) + 1));
      rows[aRow] = aProject;
      fMostConverting = std::max<size_t>(
          fMostConverting, std::count_if(rows.begin(), rows.end(), [](const TProjectRow& aRow) {
            return aRow.Cells[pcOutcome] == u"converting";
          }));
    };
  }

  TRunTrace ConvertTraced(size_t aAtOnce, const std::vector<std::u16string>& aInputs,
                          const std::vector<std::filesystem::path>& aOutputs) {
    for (const std::filesystem::path& output : aOutputs)
      std::filesystem::remove(output);
    fMostConverting = 0;
    fPresenter.SetProjectsAtOnce(aAtOnce);
    ConvertInputsAndWait(aInputs);
    TRunTrace trace{fView.Projects, fView.Summary, {}, {}, {}};
    if (aAtOnce > 1) {
      // Two runs would have mixed their logs and lists: neither is shown while they go, only
      // the end of a run that stopped.
      EXPECT_EQ(std::count_if(fView.Log.begin(), fView.Log.end(),
                              [](const std::u16string& aLine) { return aLine != StoppedLogLine; }),
                0);
      EXPECT_TRUE(fView.Rows.empty());
    }
    fView.ReportAnswer = Utf8Decode(fFolder.File("run.json"));
    fPresenter.SaveReportClicked();
    trace.Report = nlohmann::json::parse(ReadFileBytes(fFolder.Path() / "run.json"));
    for (size_t index = 0; index < fView.Projects.size(); ++index) {
      fPresenter.ProjectSelected(static_cast<int32_t>(index));
      trace.Logs.push_back(fView.Log);
    }
    for (const std::filesystem::path& output : aOutputs)
      trace.Outputs.push_back(std::filesystem::exists(output) ? ReadFileBytes(output) : "none");
    return trace;
  }

  void ExpectSameRuns(const TRunTrace& aOneAtATime, const TRunTrace& aAtOnce) {
    EXPECT_EQ(aAtOnce.Rows, aOneAtATime.Rows);
    EXPECT_EQ(aAtOnce.Summary, aOneAtATime.Summary);
    EXPECT_EQ(aAtOnce.Logs, aOneAtATime.Logs);
    EXPECT_EQ(aAtOnce.Report, aOneAtATime.Report);
    EXPECT_EQ(aAtOnce.Outputs, aOneAtATime.Outputs);
  }
};

// Results, rows, summary, report and new projects do not tell how the projects went.
TEST_F(AtOncePresenterTest, ProjectsConvertedTwoAtOnceEndAsOneAtATime) {
  std::vector<std::u16string> inputs = ThreeProjects();
  std::filesystem::copy_file(DataFolder / "../../../../examples/demo.vlp",
                             fFolder.Path() / "sub" / "d.vlp");
  const std::vector<std::filesystem::path> outputs = {
      fFolder.Path() / "a.vlp_converted.vxp", fFolder.Path() / "sub" / "c.vlp_converted.vxp",
      fFolder.Path() / "sub" / "d.vlp_converted.vxp"};

  const TRunTrace oneAtATime = ConvertTraced(1, inputs, outputs);
  EXPECT_EQ(fMostConverting, 1u);
  fView.ProgressPercents.clear();
  const TRunTrace atOnce = ConvertTraced(2, inputs, outputs);

  ExpectSameRuns(oneAtATime, atOnce);
  EXPECT_EQ(Outcomes(),
            (std::vector<std::u16string>{u"converted", u"failed", u"converted", u"converted"}));
  EXPECT_EQ(fView.Errors.size(), 0u);
  // The bar counts the projects ended.
  EXPECT_EQ(fView.ProgressPercents,
            (std::vector<std::optional<int32_t>>{0, 25, 50, 75, 100, std::nullopt}));
}

// A stop or a close ends both projects where they are: nothing of theirs is left on disk and
// the one after them never begins.
TEST_F(AtOncePresenterTest, AStopOrACloseEndsBothProjectsGoingAtOnce) {
  const std::vector<std::u16string> inputs = ThreeProjects();
  std::filesystem::copy_file(DataFolder / "worked.vlp", fFolder.Path() / "sub" / "b.vlp",
                             std::filesystem::copy_options::overwrite_existing);
  // The gate below waits for two projects at once, which only memory enough lets start.
  ASSERT_TRUE(FitsBeside(std::filesystem::file_size(DataFolder / "worked.vlp"),
                         std::filesystem::file_size(DataFolder / "worked.vlp"),
                         vbase::AvailablePhysicalMemory()));
  fPresenter.SetProjectsAtOnce(2);
  // The runs' threads wait at the gate, not for the loop, which turns once the gate has opened.
  fView.Release();
  for (const bool closes : {false, true}) {
    SCOPED_TRACE(closes ? "close" : "stop");
    fView.Closes = 0;
    fMostConverting = 0;
    TClockGate gate;
    fWhileTiming = [&gate] { gate.Arrive(); };
    fPresenter.ConvertInputs(inputs);
    gate.WaitForArrivals(2);
    if (closes)
      EXPECT_FALSE(fPresenter.CloseRequested());
    else
      fPresenter.ConvertClicked();
    gate.Open();
    WaitForRun();
    fWhileTiming = nullptr;

    EXPECT_EQ(fMostConverting, 2u);
    EXPECT_EQ(Outcomes(), (std::vector<std::u16string>{u"stopped", u"stopped", u"stopped"}));
    for (const char* output :
         {"a.vlp_converted.vxp", "sub/b.vlp_converted.vxp", "sub/c.vlp_converted.vxp"})
      EXPECT_FALSE(std::filesystem::exists(fFolder.Path() / output)) << output;
    EXPECT_EQ(fView.Log.back(), StoppedLogLine);
    ASSERT_FALSE(fView.Summary.empty());
    EXPECT_EQ(fView.Summary[0], u"0 of 3 projects converted.");
    EXPECT_TRUE(fView.Errors.empty());
    EXPECT_TRUE(fView.ConvertEnabled);
    EXPECT_EQ(fView.Closes, closes ? 1 : 0);
  }
}

// Into one folder, two a.vlp make one new project: the later is converted after the earlier has
// ended, and finds what it wrote, as one at a time.
TEST_F(AtOncePresenterTest, ProjectsOfOneNewProjectAreNotConvertedTogether) {
  for (const char* folder : {"x", "y", "new"})
    std::filesystem::create_directory(fFolder.Path() / folder);
  std::filesystem::copy_file(DataFolder / "worked.vlp", fFolder.Path() / "x" / "a.vlp");
  std::filesystem::copy_file(DataFolder / "../../../../examples/demo.vlp",
                             fFolder.Path() / "y" / "a.vlp");
  const std::vector<std::u16string> inputs = {Project("x/a.vlp"), Project("y/a.vlp")};
  const std::vector<std::filesystem::path> outputs = {fFolder.Path() / "new" /
                                                      "a.vlp_converted.vxp"};
  const struct {
    TExistingOutputs Existing;
    std::vector<std::u16string> Outcomes;
  } cases[] = {
      {TExistingOutputs::eoSkip, {u"converted", u"skipped"}},
      {TExistingOutputs::eoReplace, {u"converted", u"converted"}},
      {TExistingOutputs::eoStop, {u"converted", u"stopped"}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(static_cast<int>(test.Existing));
    fView.QueueAnswer = TQueueOptions{Project("new"), test.Existing};
    const TRunTrace oneAtATime = ConvertTraced(1, inputs, outputs);
    const TRunTrace atOnce = ConvertTraced(2, inputs, outputs);
    EXPECT_EQ(fMostConverting, 1u);
    ExpectSameRuns(oneAtATime, atOnce);
    EXPECT_EQ(Outcomes(), test.Outcomes);
  }
}

} // namespace
