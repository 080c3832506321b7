// The window's own words, shared by every view so that each shows the same texts.
#pragma once

#include "vbase/IntegerText.h"

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace vui {

// A filter of a file dialog: what people read, and the pattern of the files it shows.
struct TFileFilter {
  std::u16string_view Description;
  std::u16string_view Pattern;
};

// The window's program, as its console answers and its reports name it.
inline constexpr std::u16string_view ProgramName = u"vlp5tovxp";

inline constexpr std::u16string_view WindowCaption =
    u"Convert VLP (Vornalex 5 project) to VXP (new Vornalex project)";
inline constexpr std::u16string_view ConvertCaption = u"Convert...";
// What "Convert..." reads while a run goes on.
inline constexpr std::u16string_view StopCaption = u"Stop";
inline constexpr std::u16string_view HelpCaption = u"Help...";
inline constexpr std::u16string_view LogPageCaption = u"Log";
// The target list's columns, from left to right.
enum TTargetColumn { tcImage, tcOldTarget, tcNewTarget, tcRows, tcCount };
inline constexpr std::array<std::u16string_view, tcCount> TargetColumnCaptions{
    u"#", u"Vornalex 5 Target", u"Vornalex 7 Target", u"Rows"};

// The button beside "Convert..." that converts every project below a folder.
inline constexpr std::u16string_view ConvertFolderCaption = u"Convert folder...";
// The project list of a run of several projects, its columns from left to right.
enum TProjectColumn {
  pcProject,
  pcOutcome,
  pcTargets,
  pcRowsCarried,
  pcRowsNotCarried,
  pcCheck,
  pcCount
};
inline constexpr std::array<std::u16string_view, pcCount> ProjectColumnCaptions{
    u"Project",           u"Outcome",          u"Targets converted",
    u"Rows carried over", u"Not carried over", u"Check"};
// What became of a project of a run of several, as its row tells it.
enum TProjectOutcome {
  poWaiting,
  poConverting,
  poConverted,
  poWarning,
  poSkipped,
  poFailed,
  poStopped,
  poCount
};
inline constexpr std::array<std::u16string_view, poCount> ProjectOutcomeTexts{
    u"waiting", u"converting", u"converted", u"warning", u"skipped", u"failed", u"stopped"};
// Proposed for the report of a run of several projects, in the folder of the first.
inline constexpr std::u16string_view QueueReportName = u"vlp5tovxp.report.html";

// The question asked once before a run of several projects.
inline constexpr std::u16string_view QueueDialogTitle = u"Convert several projects";
inline std::u16string QueueQuestion(std::size_t aCount) {
  return vbase::IntToText(static_cast<int64_t>(aCount)) +
         u" projects will be converted. Where do the new projects go?";
}
// In the order of TExistingOutputs.
inline constexpr std::u16string_view BesideEachCaption =
    u"Beside each old project, under the proposed name";
inline constexpr std::u16string_view IntoFolderCaption = u"All into one folder:";
inline constexpr std::u16string_view ChooseFolderCaption = u"Choose...";
inline constexpr std::u16string_view ExistingQuestion = u"When a new project exists already:";
inline constexpr std::array<std::u16string_view, 3> ExistingCaptions{u"Skip it", u"Replace it",
                                                                     u"Stop the run"};
inline constexpr std::u16string_view OkCaption = u"OK";
inline constexpr std::u16string_view CancelCaption = u"Cancel";

// The button beside the summary that lists the rows not carried over.
inline constexpr std::u16string_view ShowDroppedRowsCaption = u"Show rows...";
// The button beside it that writes the report of the last run.
inline constexpr std::u16string_view SaveReportCaption = u"Save report...";
// The button beside them that saves a converted project that was not saved.
inline constexpr std::u16string_view SaveAsCaption = u"Save as...";

// The window that lists the rows not carried over, its columns and its buttons; the report's
// button is SaveReportCaption.
inline constexpr std::u16string_view RowsWindowTitle = u"Rows not carried over";
// The rows window's columns, from left to right.
enum TRowsColumn { rcOldTarget, rcContext, rcText, rcCount };
inline constexpr std::array<std::u16string_view, rcCount> RowsColumnCaptions{
    u"Old target", u"Context path", u"Native text"};
// The last column's caption when rows that could not be read show their error there.
inline constexpr std::u16string_view RowsErrorColumnCaption = u"Native text or error";
inline constexpr std::u16string_view UnreadableRowPrefix = u"Could not be read: ";
inline constexpr std::u16string_view CopyRowsCaption = u"Copy";
inline constexpr std::u16string_view CloseRowsCaption = u"Close";

inline constexpr TFileFilter OpenProjectFilter{u"Vornalex 5 Projects (*.vlp)", u"*.vlp"};
inline constexpr TFileFilter SaveProjectFilter{u"Vornalex 2010 Projects (*.vxp)", u"*.vxp"};
// The report's format follows the extension of its name; the page is the first choice.
inline constexpr std::array<TFileFilter, 2> ReportFilters{
    TFileFilter{u"HTML report (*.html)", u"*.html"},
    TFileFilter{u"JSON report (*.json)", u"*.json"}};
// Proposed for the report: the input's name with this added, beside the input.
inline constexpr std::u16string_view ReportNameSuffix = u".report.html";

// A save dialog: its filters, the first one chosen at the start. A chosen name gets the
// extension of the chosen filter's pattern unless it ends in one of the filters' extensions.
struct TSaveDialog {
  std::span<const TFileFilter> Filters;
};
inline constexpr TSaveDialog SaveProjectDialog{{&SaveProjectFilter, 1}};
inline constexpr TSaveDialog SaveReportDialog{ReportFilters};

// A caption whose letter after "&", its first unless aLetter says another, is underlined and
// answers Alt with it; the caption shows without the "&".
inline std::u16string WithAccelerator(std::u16string_view aCaption, std::size_t aLetter = 0) {
  std::u16string caption(aCaption);
  return caption.insert(aLetter, 1, u'&');
}
// "Convert folder..." answers Alt+F: Alt+C is "Convert...".
inline constexpr std::size_t ConvertFolderAccelerator = 8;

// Asked before a chosen file is replaced.
inline std::u16string ReplaceQuestion(std::u16string_view aPath) {
  return std::u16string(aPath) + u" already exists.\nDo you want to replace it?";
}
// The summary's line once the last run's report has been written.
inline std::u16string ReportSavedLine(std::u16string_view aPath) {
  return u"The report was saved to \"" + std::u16string(aPath) + u"\".";
}
// Asked after the warning about a file that holds nothing of an old project, before the save
// dialog; No, what a stray Enter answers, saves nothing.
inline constexpr std::u16string_view SaveEmptyProjectQuestion =
    u"Do you want to save an empty project anyway?";
// The summary's word on the project when that question was answered No.
inline constexpr std::u16string_view EmptyProjectNotSavedLine =
    u"The new project was not saved: you chose not to save an empty project.";
// Shown when the folder of a chosen file does not exist.
inline std::u16string MissingFolderWarning(std::u16string_view aFolder) {
  return u"The folder \"" + std::u16string(aFolder) + u"\" does not exist.";
}

inline constexpr std::u16string_view HelpPageUrl =
    u"https://www.vornalex.com/system/jumper.php?page=en.app.vlp5tovxp";
// The log's last line and the summary after a run that was stopped.
inline constexpr std::u16string_view StoppedLogLine = u"Stopped.";
inline constexpr std::u16string_view StoppedLine =
    u"The run was stopped; the new project was not saved.";
inline constexpr std::u16string_view SaveStoppedReason = u"the save was stopped";
// Title of the window's message boxes.
inline constexpr std::u16string_view BoxTitle = u"Vlp5ToVXP";

} // namespace vui
