// One conversion of an old project into a new project document, independent of any window:
// the run drives the reader's walks and builds the new document from its events.
#pragma once

#include "vbase/Characters.h"
#include "vconvert/uConversionHost.h"
#include "vconvert/uVLP5Reader.h"
#include "vxml/XmlDocument.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vconvert {

// The builder's record of one converted target.
class TTargetInfo {
public:
  // aListViewRow: the target's number, from 0 in the order the run found the targets.
  TTargetInfo(vxml::TXmlNode* aNode, int32_t aListViewRow)
      : fNode(aNode), fListViewRow(aListViewRow) {}

  // The target's stringdata element; owned by the document.
  vxml::TXmlNode* Node() const { return fNode; }
  int32_t ListViewRow() const { return fListViewRow; }
  int32_t StringCount() const { return fStringCount; }
  void SetStringCount(int32_t aValue) { fStringCount = aValue; }

private:
  vxml::TXmlNode* fNode;
  int32_t fListViewRow;
  int32_t fStringCount = 0;
};

// Converted targets by their old key, compared case-sensitively; a key is accepted once.
class TTargetList {
public:
  // Raises EStringListError "Duplicates not allowed" when aKey is already present.
  void Add(const std::u16string& aKey, std::unique_ptr<TTargetInfo> aInfo);
  TTargetInfo* Find(const std::u16string& aKey) const;
  int32_t Count() const { return static_cast<int32_t>(fItems.size()); }

  auto begin() const { return fItems.begin(); }
  auto end() const { return fItems.end(); }

private:
  struct TKeyEqual {
    bool operator()(std::u16string_view aLeft, std::u16string_view aRight) const {
      return vbase::SameCodeUnits(aLeft, aRight);
    }
  };

  // The map keeps the keys and their order; Find, asked once per row, hashes into the index,
  // whose views are of the map's keys.
  std::map<std::u16string, std::unique_ptr<TTargetInfo>> fItems;
  std::unordered_map<std::u16string_view, TTargetInfo*, std::hash<std::u16string_view>, TKeyEqual>
      fIndex;
};

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
  explicit TConversionRun(IConversionHost& aHost) : fHost(aHost) {}
  TConversionRun(const TConversionRun&) = delete;
  TConversionRun& operator=(const TConversionRun&) = delete;

  // The whole run: asks for the old project, converts it, asks where to save and saves. A
  // failure leaves as an exception after everything of the run has been released; running out
  // of memory leaves as EOutOfMemory with NotEnoughMemoryMessage.
  void Execute();

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
  int32_t TargetsConverted() const { return fTargetList ? fTargetList->Count() : fConvertedCount; }
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
  void CreateProjectSkeleton(const std::u16string& aFileName, const vxml::TXmlDocument& aStorageOf);
  void ReadProject(TVLP5Project& aReader);
  vxml::TXmlNode* AddTargetElement(const TVXPTarget& aTargetInfo);
  void AddExclude(std::u16string_view aType, std::u16string_view aValue);
  void Log(std::u16string_view aLine) { fHost.AddLogLine(aLine); }
  // Reports to the host when it shows progress; otherwise an empty event that costs nothing.
  TOnProgressEvent ProgressOf(TRunStage aStage);

  IConversionHost& fHost;
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
};

// The warning for a run that found nothing of an old project.
inline constexpr std::u16string_view NothingOfOldProjectWarning =
    u"The file holds nothing of an old project: no targets and no rows were found.";
// "N rows without a converted target were not carried over", "1 row ... was ..." for one.
std::u16string DroppedRowsSentence(std::size_t aCount);
// "N rows could not be read and were not carried over", "1 row ... was ..." for one.
std::u16string DiscardedRowsSentence(std::size_t aCount);

} // namespace vconvert
