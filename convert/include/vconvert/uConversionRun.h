// One conversion of an old project into a new project document, independent of any window:
// the run drives the reader's walks and builds the new document from its events.
#pragma once

#include "vconvert/uConversionHost.h"
#include "vconvert/uRunStop.h"
#include "vconvert/uUnsavedProject.h"
#include "vconvert/uVLP5Reader.h"
#include "vxml/XmlDocument.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vconvert {

class TTargetList;

// A row that landed in no converted target: its old target, its context path in the new
// notation and its native text as the old project holds it.
struct TDroppedRow {
  std::u16string VLP5Target;
  std::u16string Context;
  std::u16string Native;
};

// A row that failed while it was read and was discarded: its old target and context path as far
// as they were read, and the failure's message.
struct TDiscardedRow {
  std::u16string VLP5Target;
  std::u16string Context;
  std::u16string Message;
};

// The message of a run on aFileName that ran out of memory.
std::u16string NotEnoughMemoryMessage(std::u16string_view aFileName);

// "sh" becomes "sr.lat"; every other code stays as it is.
std::u16string MapLanguageCode(std::u16string_view aCode);
// Turns the old line-break markers (#C#L, #L#C, #N and their doubled forms) into CR LF.
std::u16string ConvertLineBreakMarkers(std::u16string_view aText);
void ConvertLineBreakMarkersIn(std::u16string& aText);
// The file name of the aNumber-th virtual target of a run, counted from 1.
std::u16string FormatVirtualTargetName(int32_t aNumber);
// An old excluded context in the new notation: Unit1.pas.SHello becomes
// Source.Unit1(U+2024)pas.SHello, Main.dfm.Button1.Caption becomes Forms.Main(U+2024)dfm....
// A context in neither form comes back unchanged.
std::u16string RewriteExcludeContext(std::u16string_view aText);

class TConversionRun {
public:
  explicit TConversionRun(IConversionHost& aHost);
  ~TConversionRun();
  TConversionRun(const TConversionRun&) = delete;
  TConversionRun& operator=(const TConversionRun&) = delete;

  // The whole run: asks for the old project, converts it, asks where to save, saves and then
  // tells the host where the new project is. A failure leaves as an exception after everything
  // of the run has been released but a project kept for TakeUnsavedProject; running out of
  // memory leaves as EOutOfMemory with NotEnoughMemoryMessage.
  void Execute();

  // A stop that aStop is asked for, from any thread, ends the run with EStopped: the new project
  // is neither kept nor left on disk, half-written or whole. None: the run cannot be stopped.
  void SetStop(const TRunStop* aStop) { fStop = aStop; }

  // Whether a run whose save is cancelled or fails keeps its new project for TakeUnsavedProject
  // instead of releasing it; the window keeps it, the batch command does not.
  void SetKeepsUnsavedProject(bool aKeeps) { fKeepsUnsavedProject = aKeeps; }
  // The new project of the last run when it was converted but not saved, once; none otherwise.
  std::optional<TUnsavedProject> TakeUnsavedProject();

  // The dictionary name of the last run that got that far.
  const std::u16string& Dictionary() const { return fDictionary; }
  // Rows of the last run placed into a target, and rows dropped for want of one.
  int32_t RowsPlaced() const { return fRowsPlaced; }
  int32_t RowsDropped() const { return static_cast<int32_t>(fDroppedRows.size()); }
  // The dropped rows of the last run, in the order the old project holds them.
  const std::vector<TDroppedRow>& DroppedRows() const { return fDroppedRows; }
  // The rows of the last run that failed while they were read, in the order the old project
  // holds them.
  const std::vector<TDiscardedRow>& DiscardedRows() const { return fDiscardedRows; }
  // Targets of the last run, converted or not, and those converted.
  int32_t TargetsFound() const { return fFoundTargetCount; }
  int32_t TargetsConverted() const;
  // Whether the last run found neither a target nor a row: any well-formed XML converts, but a
  // file without them is no old project (a web page, a new project picked by mistake).
  bool FoundNothingOfOldProject() const {
    return fFoundTargetCount == 0 && fRowsPlaced == 0 && fDroppedRows.empty() &&
           fDiscardedRows.empty();
  }

private:
  // The builder: handlers of the reader's events, valid only while a run is in progress.
  void DoLanguageFound(const std::u16string& aLanguage);
  void DoTargetFound(TVXPTarget aTargetInfo);
  void DoTranslationsFound(const TRowInfo& aRowInfo, const TTranslations& aTranslations,
                           const TLocation& aLocation);
  void DoStringExcludeFound(const std::u16string& aText);
  void DoContextExcludeFound(const std::u16string& aText);
  void FillRowCounts();

  void Convert(const std::u16string& aFileName);
  void Save(TUnsavedProject aProject);
  void KeepIfAsked(TUnsavedProject& aProject);
  void CreateProjectSkeleton(const std::u16string& aFileName, const vxml::TXmlDocument& aStorageOf);
  void ReadProject(TVLP5Project& aReader);
  vxml::TXmlNode* AddTargetElement(const TVXPTarget& aTargetInfo);
  void AddExclude(std::u16string_view aType, std::u16string_view aValue);
  void Log(std::u16string_view aLine) { fHost.AddLogLine(aLine); }
  // Reports to the host when it shows progress and looks at the stop; otherwise an empty event
  // that costs nothing.
  TOnProgressEvent ProgressOf(TRunStage aStage);

  IConversionHost& fHost;
  const TRunStop* fStop = nullptr;
  std::unique_ptr<TTargetList> fTargetList;
  std::unique_ptr<vxml::TXmlDocument> fVXPProject;
  vxml::TXmlNode* fLanguagesNode = nullptr;
  vxml::TXmlNode* fTargetsNode = nullptr;
  vxml::TXmlNode* fExcludesNode = nullptr;
  int32_t fVirtualNodeCount = 0;
  // Targets found so far in this run, converted or not: the next one's number.
  int32_t fFoundTargetCount = 0;
  std::u16string fDictionary;
  int32_t fRowsPlaced = 0;
  // The converted targets, kept once the target list is released at the end of the run.
  int32_t fConvertedCount = 0;
  std::vector<TDroppedRow> fDroppedRows;
  std::vector<TDiscardedRow> fDiscardedRows;
  bool fKeepsUnsavedProject = false;
  std::optional<TUnsavedProject> fUnsavedProject;
};

// What the new project's proposed name adds to the old project's: a run of several knows from it
// where each project goes before converting it.
inline constexpr std::u16string_view ConvertedSuffix = u"_converted.vxp";
// The warning for a run that found nothing of an old project.
inline constexpr std::u16string_view NothingOfOldProjectWarning =
    u"The file holds nothing of an old project: no targets and no rows were found.";
// "N rows without a converted target were not carried over", "1 row ... was ..." for one.
std::u16string DroppedRowsSentence(std::size_t aCount);
// "N rows could not be read and were not carried over", "1 row ... was ..." for one.
std::u16string DiscardedRowsSentence(std::size_t aCount);

} // namespace vconvert
