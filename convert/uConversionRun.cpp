#include "vconvert/uConversionRun.h"

#include "uTargetList.h"
#include "vbase/Characters.h"
#include "vbase/Errors.h"
#include "vbase/IntegerText.h"

#include <new>

namespace vconvert {

using namespace std::string_view_literals;
using vbase::EOutOfMemory;
using vbase::FindCodeUnit;
using vbase::IntToText;
using vbase::TrimControlChars;
using vxml::AppendEscaped;
using vxml::TXmlDocument;
using vxml::TXmlNode;
using vxml::xfReadable;

namespace {

constexpr std::u16string_view ProjectVersion = u"7.5.0.0";
constexpr std::u16string_view ScannerId = u"{95E3B58F-A92C-4C8B-9B91-9E49A31D5F6D}";
// Attribute lines of fixed value, as the file holds them: nothing to build or escape per row.
constexpr std::u16string_view ActiveRowLine = u"status=\"active\"";
constexpr std::u16string_view ReadOnlyRowLine = u"readonly=\"yes\"";
constexpr std::u16string_view AutoTranslationLine = u"status=\"auto\"";

std::u16string Description(std::u16string_view aFileName) {
  return u"This project is auto-upgraded from Vornalex 5 project \"" + std::u16string(aFileName) +
         u"\".";
}

// One left-to-right pass in place from aStart; what was inserted is not searched again. aTo is
// never longer than aFrom, so the text only shrinks and the writing never overtakes the reading.
void ReplaceAll(std::u16string& aText, std::u16string_view aFrom, std::u16string_view aTo,
                std::size_t aStart) {
  using TTraits = std::char_traits<char16_t>;
  std::size_t found = aText.find(aFrom, aStart);
  if (found == std::u16string::npos)
    return;
  char16_t* text = aText.data();
  std::size_t write = found;
  std::size_t read = found;
  for (; found != std::u16string::npos; found = aText.find(aFrom, read)) {
    TTraits::move(text + write, text + read, found - read);
    write += found - read;
    TTraits::copy(text + write, aTo.data(), aTo.size());
    write += aTo.size();
    read = found + aFrom.size();
  }
  TTraits::move(text + write, text + read, aText.size() - read);
  aText.resize(write + aText.size() - read);
}

std::u16string AsciiLower(std::u16string_view aText) {
  std::u16string result(aText);
  for (char16_t& c : result)
    c = vbase::AsciiLower(c);
  return result;
}

// MapLanguageCode as a view of aCode or of a literal: no string per translation.
std::u16string_view MappedLanguageCode(std::u16string_view aCode) {
  return aCode == u"sh"sv ? u"sr.lat"sv : aCode;
}

void AddValueNode(TXmlNode& aParent, std::u16string_view aName, std::u16string_view aValue) {
  aParent.NodeNew(aName)->SetValueAsWidestring(aValue);
}

void AddBoolNode(TXmlNode& aParent, std::u16string_view aName, bool aValue) {
  aParent.NodeNew(aName)->SetValueAsBool(aValue);
}

// The value "aText" with the line-break markers converted, escaped straight into one buffer.
void SetQuotedValue(TXmlNode& aNode, std::u16string_view aText) {
  static thread_local std::u16string value;
  value.assign(u"&quot;"sv);
  AppendEscaped(value, aText);
  // The entities hold no "#" nor capitals, so markers convert the same after escaping.
  ConvertLineBreakMarkersIn(value);
  value.append(u"&quot;"sv);
  aNode.SetValueDirect(value);
}

void AddAttributeIfAny(TXmlNode& aNode, std::u16string_view aName, std::u16string_view aValue) {
  if (!aValue.empty())
    aNode.AttributeAdd(aName, aValue);
}

} // namespace

// ---- Text rules of the new format ----

std::u16string FormatVirtualTargetName(int32_t aNumber) {
  std::u16string name(VirtualTargetMarker);
  name.replace(name.find(u"%d"), 2, IntToText(aNumber));
  return name;
}

void ConvertLineBreakMarkersIn(std::u16string& aText) {
  // Every marker starts with "#": no pass changes or needs the text before the first one.
  const std::size_t start = FindCodeUnit(aText, u'#');
  if (start == std::u16string::npos)
    return;
  // The doubled forms go first so that their halves are not taken for single breaks; the old
  // tool wrote #L#C#L#C for one break, not two.
  ReplaceAll(aText, u"#C#L#C#L", u"\r\n\r\n", start);
  ReplaceAll(aText, u"#L#C#L#C", u"\r\n", start);
  ReplaceAll(aText, u"#C#L", u"\r\n", start);
  ReplaceAll(aText, u"#L#C", u"\r\n", start);
  ReplaceAll(aText, u"#N", u"\r\n", start);
}

std::u16string MapLanguageCode(std::u16string_view aCode) {
  return std::u16string(MappedLanguageCode(aCode));
}

std::u16string ConvertLineBreakMarkers(std::u16string_view aText) {
  std::u16string text(aText);
  ConvertLineBreakMarkersIn(text);
  return text;
}

std::u16string RewriteExcludeContext(std::u16string_view aText) {
  const std::u16string lowered = AsciiLower(aText);
  std::u16string_view prefix = u"Source.";
  std::size_t found = lowered.find(u".pas.");
  if (found == std::u16string::npos) {
    prefix = u"Forms.";
    found = lowered.find(u".dfm.");
  }
  if (found == std::u16string::npos)
    return std::u16string(aText);
  // The file name ends where the full stop after its extension begins.
  const std::size_t fileNameEnd = found + 4;
  return std::u16string(prefix) + EscapeDots(aText.substr(0, fileNameEnd)) +
         std::u16string(aText.substr(fileNameEnd));
}

std::u16string DroppedRowsSentence(std::size_t aCount) {
  if (aCount == 1)
    return u"1 row without a converted target was not carried over";
  return IntToText(static_cast<int64_t>(aCount)) +
         u" rows without a converted target were not carried over";
}

std::u16string DiscardedRowsSentence(std::size_t aCount) {
  if (aCount == 1)
    return u"1 row could not be read and was not carried over";
  return IntToText(static_cast<int64_t>(aCount)) +
         u" rows could not be read and were not carried over";
}

// ---- The run ----

std::u16string NotEnoughMemoryMessage(std::u16string_view aFileName) {
  return u"Not enough memory to convert \"" + std::u16string(aFileName) + u"\"";
}

TConversionRun::TConversionRun(IConversionHost& aHost) : fHost(aHost) {}

TConversionRun::~TConversionRun() = default;

int32_t TConversionRun::TargetsConverted() const {
  return fTargetList ? fTargetList->Count() : fConvertedCount;
}

void TConversionRun::Execute() {
  const std::optional<std::u16string> fileName = fHost.AskOldProjectPath();
  if (!fileName)
    return;
  try {
    Convert(*fileName);
  } catch (const std::bad_alloc&) {
    // The run's documents are gone by now: there is room again for a message.
    throw EOutOfMemory(NotEnoughMemoryMessage(*fileName));
  }
}

void TConversionRun::Convert(const std::u16string& aFileName) {
  const uint32_t startTime = fHost.TickCount();
  fHost.ClearLog();
  fHost.TargetsCleared();
  fVirtualNodeCount = 0;
  fFoundTargetCount = 0;
  fRowsPlaced = 0;
  fConvertedCount = 0;
  fDroppedRows.clear();
  fDiscardedRows.clear();
  fUnsavedProject.reset();

  // Nothing of a run outlives it, whether it saves, is cancelled or fails, but the new project
  // that was not saved when the host keeps it.
  struct TRunScope {
    TConversionRun& Run;
    ~TRunScope() {
      Run.fConvertedCount = Run.fTargetList ? Run.fTargetList->Count() : 0;
      Run.fLanguagesNode = Run.fTargetsNode = Run.fExcludesNode = nullptr;
      Run.fVXPProject.reset();
      Run.fTargetList.reset();
    }
  } runScope{*this};

  fTargetList = std::make_unique<TTargetList>();
  Log(u"Opening old project...");
  {
    TVLP5Project reader(aFileName, ProgressOf(TRunStage::rsLoading));
    // The new document is built in the old one's storage, out of the rows the reader releases.
    CreateProjectSkeleton(aFileName, reader.Document());
    reader.SetOnRowProgress(ProgressOf(TRunStage::rsConverting));
    ReadProject(reader);
  }
  fVXPProject->SetXmlFormat(xfReadable);
  // Unsigned arithmetic keeps the duration right across a wrap of the counter.
  const uint32_t elapsed = fHost.TickCount() - startTime;
  Log(u"Total processing time: " + IntToText(elapsed) + u"ms");

  Save(TUnsavedProject(std::move(fVXPProject), aFileName + std::u16string(ConvertedSuffix)));
}

void TConversionRun::Save(TUnsavedProject aProject) {
  const std::optional<std::u16string> outputPath = fHost.AskOutputPath(aProject.Proposal());
  if (!outputPath) {
    KeepIfAsked(aProject);
    return;
  }
  try {
    aProject.SaveTo(*outputPath, ProgressOf(TRunStage::rsSaving));
  } catch (const std::bad_alloc&) {
    throw; // the run ends for want of memory: nothing of it is kept
  } catch (const vbase::EStopped&) {
    throw; // whoever stopped the run wants none of it
  } catch (...) {
    KeepIfAsked(aProject);
    throw;
  }
  fHost.ProjectSaved(*outputPath);
}

void TConversionRun::KeepIfAsked(TUnsavedProject& aProject) {
  if (fKeepsUnsavedProject)
    fUnsavedProject = std::move(aProject);
}

std::optional<TUnsavedProject> TConversionRun::TakeUnsavedProject() {
  std::optional<TUnsavedProject> project = std::move(fUnsavedProject);
  fUnsavedProject.reset();
  return project;
}

TOnProgressEvent TConversionRun::ProgressOf(TRunStage aStage) {
  const bool shows = fHost.ShowsProgress();
  if (!shows && !fStop)
    return {};
  if (fStop)
    fStop->Check();
  // The stage is shown at once: loading a large file takes a while before its first event.
  if (shows)
    fHost.ShowProgress(aStage, 0, 0);
  return [this, aStage, shows](int64_t aDone, int64_t aTotal) {
    if (fStop)
      fStop->Check();
    if (shows)
      fHost.ShowProgress(aStage, aDone, aTotal);
  };
}

void TConversionRun::CreateProjectSkeleton(const std::u16string& aFileName,
                                           const TXmlDocument& aStorageOf) {
  fVXPProject = std::make_unique<TXmlDocument>(u"xml", aStorageOf);
  TXmlNode* root = fVXPProject->Root();
  root->AttributeAdd(u"version", ProjectVersion);
  TXmlNode* info = root->NodeNew(u"infos")->NodeNew(u"info");
  info->AttributeAdd(u"infotype", u"description");
  info->SetValueAsWidestring(Description(aFileName));
}

void TConversionRun::ReadProject(TVLP5Project& aReader) {
  TXmlNode* root = fVXPProject->Root();

  Log(u"Reading dictionary info");
  fDictionary = aReader.ReadDictionary();
  Log(u"\tDictionary name: " + fDictionary);

  Log(u"Reading languages");
  fLanguagesNode = root->NodeNew(u"languages");
  aReader.SetOnLanguageFound(
      [this](const std::u16string& aLanguage) { DoLanguageFound(aLanguage); });
  aReader.ReadLanguages();

  Log(u"Reading targets");
  fTargetsNode = root->NodeNew(u"targets");
  aReader.SetOnTargetFound([this](TVXPTarget aTarget) { DoTargetFound(std::move(aTarget)); });
  aReader.ReadTargets();

  Log(u"Reading translations");
  aReader.SetOnTranslationsFound([this](const TRowInfo& aRowInfo,
                                        const TTranslations& aTranslations,
                                        const TLocation& aLocation) {
    DoTranslationsFound(aRowInfo, aTranslations, aLocation);
  });
  aReader.SetOnRowDiscarded(
      [this](const TRowInfo&, const TLocation& aLocation, const std::u16string& aMessage) {
        fDiscardedRows.push_back({aLocation.VLP5Target, aLocation.VXPContext, aMessage});
      });
  try {
    aReader.ReadTranslations();
  } catch (const std::bad_alloc&) {
    throw; // rows lost for want of memory would make the saved project silently short
  } catch (const vbase::EStopped&) {
    throw;
  } catch (...) {
    // Rows are best effort: whatever was placed before the failure is kept and the run goes on.
  }
  FillRowCounts();
  Log(u"\t - Native imported");
  Log(u"\t - Translations imported");
  Log(u"\t - Read-only state imported");
  Log(u"\t - Row comments imported");
  Log(u"\t - max. char info imported");

  Log(u"Reading excluded strings");
  fExcludesNode = root->NodeNew(u"excludes");
  aReader.SetOnExcludeFound([this](const std::u16string& aText) { DoStringExcludeFound(aText); });
  aReader.ReadExcludeStrings();
  Log(u"\t - String excludes imported");

  aReader.SetOnExcludeFound([this](const std::u16string& aText) { DoContextExcludeFound(aText); });
  aReader.ReadExcludeContexts();
  Log(u"\t - Context excludes imported");
}

// ---- The builder ----

void TConversionRun::DoLanguageFound(const std::u16string& aLanguage) {
  const std::u16string language = MapLanguageCode(aLanguage);
  AddValueNode(*fLanguagesNode, u"language", language);
  Log(u"\t" + language);
}

void TConversionRun::DoTargetFound(TVXPTarget aTargetInfo) {
  TFoundTarget found;
  found.Number = fFoundTargetCount++;
  found.Converted = aTargetInfo.canconvert;
  if (!found.Converted) {
    found.OldTarget = aTargetInfo.VLP5Target;
    fHost.TargetFound(found);
    return;
  }
  std::u16string oldTarget = aTargetInfo.filename;
  if (aTargetInfo.filename == VirtualTargetMarker) {
    found.Kind = TTargetKind::tkVirtual;
    aTargetInfo.filename = FormatVirtualTargetName(++fVirtualNodeCount);
    oldTarget = TrimControlChars(aTargetInfo.file_list);
  }
  found.OldTarget = oldTarget;
  found.NewTarget = aTargetInfo.filename;
  // The host hears of the target before a duplicate key ends the run: the list shows it.
  fHost.TargetFound(found);
  TXmlNode* target = AddTargetElement(aTargetInfo);
  fTargetList->Add(aTargetInfo.VLP5Target,
                   std::make_unique<TTargetInfo>(target->NodeNew(u"stringdata"), found.Number));
  target->NodeNew(u"customdata");
  fHost.ProcessMessages();
}

TXmlNode* TConversionRun::AddTargetElement(const TVXPTarget& aTargetInfo) {
  TXmlNode* target = fTargetsNode->NodeNew(u"target");
  target->AttributeAdd(u"visible", u"true");
  target->AttributeAdd(u"enabled", u"true");
  target->AttributeAdd(u"scanner", ScannerId);
  TXmlNode& options = *target->NodeNew(u"options");
  AddValueNode(options, u"filename", aTargetInfo.filename);
  AddBoolNode(options, u"scanexe", aTargetInfo.scanexe);
  // Every target after the first converted one is included automatically.
  AddBoolNode(options, u"autoinclude", fTargetList->Count() > 0);
  AddValueNode(options, u"taginclude", aTargetInfo.taginclude);
  AddValueNode(options, u"translatefunctions", aTargetInfo.translatefunctions);
  AddValueNode(options, u"file_list", aTargetInfo.file_list);
  AddBoolNode(options, u"parse_project", aTargetInfo.parseproject);
  AddValueNode(options, u"vndfilename", fDictionary);
  return target;
}

void TConversionRun::DoTranslationsFound(const TRowInfo& aRowInfo,
                                         const TTranslations& aTranslations,
                                         const TLocation& aLocation) {
  TTargetInfo* targetInfo = fTargetList->Find(aLocation.VLP5Target);
  if (!targetInfo) {
    fDroppedRows.push_back({aLocation.VLP5Target, aLocation.VXPContext, aRowInfo.native});
    return;
  }
  targetInfo->SetStringCount(targetInfo->StringCount() + 1);
  ++fRowsPlaced;

  TXmlNode& row = *targetInfo->Node()->NodeNew(u"row"sv);
  row.AttributeLineAdd(ActiveRowLine);
  row.AttributeAdd(u"name"sv, aLocation.VXPContext);
  AddAttributeIfAny(row, u"comment"sv, aRowInfo.comment);
  if (aRowInfo.readonly)
    row.AttributeLineAdd(ReadOnlyRowLine);
  if (aRowInfo.maxchars != 0)
    row.AttributeAdd(u"maxchar"sv, aRowInfo.maxchars);
  AddAttributeIfAny(row, u"componentname"sv, aLocation.componentname);
  AddAttributeIfAny(row, u"formname"sv, aLocation.formname);

  SetQuotedValue(*row.NodeNew(u"native"sv), aRowInfo.native);
  for (const TTranslation& translation : aTranslations) {
    TXmlNode& lang = *row.NodeNew(u"lang"sv);
    lang.AttributeAdd(u"id"sv, MappedLanguageCode(translation.Language.Value()));
    lang.AttributeLineAdd(AutoTranslationLine);
    SetQuotedValue(lang, translation.Text);
  }
}

void TConversionRun::DoStringExcludeFound(const std::u16string& aText) {
  AddExclude(u"native", aText);
}

void TConversionRun::DoContextExcludeFound(const std::u16string& aText) {
  AddExclude(u"context", RewriteExcludeContext(aText));
}

void TConversionRun::AddExclude(std::u16string_view aType, std::u16string_view aValue) {
  TXmlNode& exclude = *fExcludesNode->NodeNew(u"exclude");
  exclude.AttributeAdd(u"type", aType);
  exclude.AttributeAdd(u"filename", u"foo");
  exclude.AttributeAdd(u"global", u"True");
  exclude.SetValueAsWidestring(aValue);
}

void TConversionRun::FillRowCounts() {
  for (const auto& [key, targetInfo] : *fTargetList)
    fHost.TargetRowsCounted(targetInfo->Number(), targetInfo->StringCount());
}

} // namespace vconvert
