#include "vconvert/uProjectCheck.h"

#include "vbase/Characters.h"
#include "vbase/Errors.h"
#include "vbase/IntegerText.h"
#include "vxml/XmlDocument.h"

#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <thread>
#include <unordered_map>

namespace vconvert {

using namespace std::string_view_literals;
using vbase::FindCodeUnit;
using vbase::IntToText;
using vbase::SameCodeUnits;
using vbase::SameTextAscii;
using vxml::AppendUnescaped;
using vxml::TXmlDocument;
using vxml::TXmlNode;
using vxml::xeNormal;

namespace {

// Where an item of the new project is looked up: a group (its target, or its kind) and a text.
struct TItemKey {
  int32_t Group;
  std::u16string_view Text;
  bool operator==(const TItemKey& aOther) const {
    return Group == aOther.Group && SameCodeUnits(Text, aOther.Text);
  }
};

struct TItemKeyHash {
  std::size_t operator()(const TItemKey& aKey) const {
    return std::hash<std::u16string_view>()(aKey.Text) ^
           (static_cast<std::size_t>(aKey.Group) * 0x9E3779B97F4A7C15u);
  }
};

// The items of one kind in the new project, numbered in document order, each matched at most
// once. Where a key repeats, its items are matched in document order: duplicates pair up as
// multisets, and in the order of both projects.
class TItemQueue {
public:
  void Reserve(std::size_t aCount) {
    fKeys.reserve(aCount);
    fTaken.reserve(aCount);
  }
  // Items are numbered 0, 1, ... in the order they are added; all are added before any is taken.
  // aKey.Group is from 0 up.
  void Add(const TItemKey& aKey) {
    const auto item = static_cast<uint32_t>(fKeys.size());
    fKeys.push_back(aKey);
    fTaken.push_back(false);
    const auto group = static_cast<std::size_t>(aKey.Group);
    if (group >= fGroups.size())
      fGroups.resize(group + 1);
    TGroup& entry = fGroups[group];
    if (entry.Next == None)
      entry.Next = item;
    entry.Last = item;
  }
  // The first item of aKey not taken yet, or none. A new project written from the old one holds
  // its items in the old order, so the group's first item left is tried before any index: the
  // index of every key is built only for a project in another order.
  std::optional<uint32_t> Take(const TItemKey& aKey) {
    const auto group = static_cast<std::size_t>(aKey.Group);
    if (group < fGroups.size() && fGroups[group].Next != None && fKeys[fGroups[group].Next] == aKey)
      return TakeItem(fGroups[group].Next);
    if (!fIndexed)
      BuildIndex();
    const auto found = fChains.find(aKey);
    if (found == fChains.end())
      return std::nullopt;
    uint32_t& first = found->second.First;
    while (first != None && fTaken[first])
      first = fNext[first];
    if (first == None)
      return std::nullopt;
    const uint32_t item = first;
    first = fNext[item];
    return TakeItem(item);
  }
  bool Taken(uint32_t aItem) const { return fTaken[aItem]; }
  uint32_t Count() const { return static_cast<uint32_t>(fKeys.size()); }

private:
  static constexpr uint32_t None = UINT32_MAX;
  // The group's first item not taken, and its last item: the items between may be of other
  // groups.
  struct TGroup {
    uint32_t Next = None;
    uint32_t Last = None;
  };
  struct TChain {
    uint32_t First;
    uint32_t Last;
  };

  uint32_t TakeItem(uint32_t aItem) {
    fTaken[aItem] = true;
    const int32_t group = fKeys[aItem].Group;
    TGroup& entry = fGroups[static_cast<std::size_t>(group)];
    while (entry.Next <= entry.Last && (fTaken[entry.Next] || fKeys[entry.Next].Group != group))
      ++entry.Next;
    if (entry.Next > entry.Last)
      entry.Next = None;
    return aItem;
  }

  void BuildIndex() {
    fIndexed = true;
    fNext.assign(fKeys.size(), None);
    fChains.reserve(fKeys.size());
    for (uint32_t item = 0; item < fKeys.size(); ++item) {
      if (fTaken[item])
        continue;
      const auto [chain, added] = fChains.try_emplace(fKeys[item], TChain{item, item});
      if (!added) {
        fNext[chain->second.Last] = item;
        chain->second.Last = item;
      }
    }
  }

  std::vector<TItemKey> fKeys;
  std::vector<bool> fTaken;
  std::vector<TGroup> fGroups;
  bool fIndexed = false;
  std::unordered_map<TItemKey, TChain, TItemKeyHash> fChains;
  std::vector<uint32_t> fNext;
};

enum TExcludeKind : int32_t { ekString, ekContext, ekOther };

// aEscaped as text: itself when it holds no entity, else unescaped into aBuffer.
std::u16string_view Unescaped(std::u16string_view aEscaped, std::u16string& aBuffer) {
  if (FindCodeUnit(aEscaped, u'&') == std::u16string_view::npos)
    return aEscaped;
  aBuffer.clear();
  AppendUnescaped(aBuffer, aEscaped);
  return aBuffer;
}

// The text inside the double quotes that enclose every native text and translation; none when
// the value is not so enclosed.
std::optional<std::u16string_view> Unquoted(std::u16string_view aValue) {
  if (aValue.size() < 2 || aValue.front() != u'"' || aValue.back() != u'"')
    return std::nullopt;
  return aValue.substr(1, aValue.size() - 2);
}

template <typename TVisit>
void ForEachElement(const TXmlNode* aParent, std::u16string_view aName, TVisit aVisit) {
  if (!aParent)
    return;
  for (int32_t i = 0; i < aParent->NodeCount(); ++i) {
    const TXmlNode& child = *aParent->Nodes(i);
    if (child.ElementType() == xeNormal && SameCodeUnits(child.Name(), aName))
      aVisit(child);
  }
}

std::u16string_view ChildValueDirect(const TXmlNode* aParent, std::u16string_view aName) {
  const TXmlNode* child = aParent ? aParent->NodeByName(aName) : nullptr;
  return child ? child->ValueDirect() : std::u16string_view();
}

std::u16string_view BoolText(bool aValue) {
  return aValue ? u"True"sv : u"False"sv;
}

// The new project, loaded and indexed by what the old project's items are looked up by: targets
// by file name, rows by target and context, languages by code, exclusions by kind and text. The
// keys are views of the loaded text; only a text with entities is unescaped into a copy.
class TNewProject {
public:
  struct TTarget {
    const TXmlNode* Options;
    std::u16string_view FileName;
    // The old target it was matched to, by its index in the comparison.
    int32_t OldTarget = -1;
  };
  struct TRow {
    const TXmlNode* Node;
    int32_t Target;
  };

  explicit TNewProject(const std::u16string& aFileName) {
    fDocument.LoadFromFile(aFileName);
    const TXmlNode* root = fDocument.Root();
    ForEachElement(root ? root->NodeByName(u"languages"sv) : nullptr, u"language"sv,
                   [this](const TXmlNode& aLanguage) {
                     Languages.push_back(&aLanguage);
                     LanguagesByCode.Add({0, KeyText(aLanguage.ValueDirect())});
                   });
    const TXmlNode* targets = root ? root->NodeByName(u"targets"sv) : nullptr;
    std::size_t rows = 0;
    ForEachElement(targets, u"target"sv, [&rows](const TXmlNode& aTarget) {
      if (const TXmlNode* stringData = aTarget.NodeByName(u"stringdata"sv))
        rows += static_cast<std::size_t>(stringData->NodeCount());
    });
    Rows.reserve(rows);
    RowsByContext.Reserve(rows);
    ForEachElement(targets, u"target"sv, [this](const TXmlNode& aTarget) { AddTarget(aTarget); });
    ForEachElement(root ? root->NodeByName(u"excludes"sv) : nullptr, u"exclude"sv,
                   [this](const TXmlNode& aExclude) {
                     Excludes.push_back(&aExclude);
                     ExcludesByText.Add({ExcludeKind(aExclude), KeyText(aExclude.ValueDirect())});
                   });
  }

  static int32_t ExcludeKind(const TXmlNode& aExclude) {
    const std::u16string_view type = aExclude.AttributeByNameDirect(u"type"sv);
    if (SameCodeUnits(type, u"native"sv))
      return ekString;
    return SameCodeUnits(type, u"context"sv) ? ekContext : ekOther;
  }

  std::vector<TTarget> Targets;
  TItemQueue TargetsByFileName;
  std::vector<TRow> Rows;
  TItemQueue RowsByContext;
  std::vector<const TXmlNode*> Languages;
  TItemQueue LanguagesByCode;
  std::vector<const TXmlNode*> Excludes;
  TItemQueue ExcludesByText;

private:
  void AddTarget(const TXmlNode& aTarget) {
    const auto index = static_cast<int32_t>(Targets.size());
    const TXmlNode* options = aTarget.NodeByName(u"options"sv);
    const std::u16string_view fileName = KeyText(ChildValueDirect(options, u"filename"sv));
    Targets.push_back({options, fileName});
    TargetsByFileName.Add({0, fileName});
    ForEachElement(aTarget.NodeByName(u"stringdata"sv), u"row"sv, [&](const TXmlNode& aRow) {
      Rows.push_back({&aRow, index});
      RowsByContext.Add({index, KeyText(aRow.AttributeByNameDirect(u"name"sv))});
    });
  }

  std::u16string_view KeyText(std::u16string_view aEscaped) {
    if (FindCodeUnit(aEscaped, u'&') == std::u16string_view::npos)
      return aEscaped;
    return fUnescapedKeys.emplace_back(vxml::UnescapeText(aEscaped));
  }

  TXmlDocument fDocument;
  // Stable addresses: the keys are views of them.
  std::deque<std::u16string> fUnescapedKeys;
};

// Walks the old project with the reader, as the conversion does, and looks every item up in the
// new project; what is left over in the new project at the end was not in the old one.
class TProjectComparison {
public:
  TProjectComparison(TNewProject& aNew, TCheckResult& aResult) : fNew(aNew), fResult(aResult) {}

  void Run(TVLP5Project& aOld) {
    fDictionary = aOld.ReadDictionary();
    aOld.SetOnLanguageFound([this](const std::u16string& aCode) { CompareLanguage(aCode); });
    aOld.ReadLanguages();
    aOld.SetOnTargetFound([this](TVXPTarget aTarget) { CompareTarget(aTarget); });
    aOld.ReadTargets();
    aOld.SetOnTranslationsFound(
        [this](const TRowInfo& aRowInfo, const TTranslations& aTranslations,
               const TLocation& aLocation) { CompareRow(aRowInfo, aTranslations, aLocation); });
    aOld.ReadTranslations();
    aOld.SetOnExcludeFound(
        [this](const std::u16string& aText) { CompareExclude(ekString, aText, aText); });
    aOld.ReadExcludeStrings();
    aOld.SetOnExcludeFound([this](const std::u16string& aText) {
      CompareExclude(ekContext, aText, RewriteExcludeContext(aText));
    });
    aOld.ReadExcludeContexts();
    ReportLeftOver();
  }

private:
  struct TOldTarget {
    std::u16string Key;
    int32_t NewTarget;
  };

  static std::optional<std::u16string> Copy(std::optional<std::u16string_view> aText) {
    return aText ? std::optional<std::u16string>(*aText) : std::nullopt;
  }

  // aContext none: not a row.
  void Differ(std::u16string_view aTarget, std::optional<std::u16string_view> aContext,
              std::u16string aWhat, std::optional<std::u16string_view> aOld,
              std::optional<std::u16string_view> aNew) {
    fResult.Differences.push_back(
        {std::u16string(aTarget), Copy(aContext), std::move(aWhat), Copy(aOld), Copy(aNew)});
  }

  // A text of the new project against the one the conversion writes: aExpected, which the old
  // project holds as aOld.
  void CompareText(std::u16string_view aTarget, std::optional<std::u16string_view> aContext,
                   std::u16string_view aWhat, std::u16string_view aOld,
                   std::u16string_view aExpected, std::u16string_view aNewEscaped) {
    const std::u16string_view found = Unescaped(aNewEscaped, fFound);
    if (!SameCodeUnits(found, aExpected))
      Differ(aTarget, aContext, std::u16string(aWhat), aOld, found);
  }

  void CompareLanguage(const std::u16string& aCode) {
    ++fResult.Languages;
    if (!fNew.LanguagesByCode.Take({0, MapLanguageCode(aCode)}))
      Differ(u"", std::nullopt, u"language", aCode, std::nullopt);
  }

  void CompareTarget(const TVXPTarget& aTarget) {
    if (!aTarget.canconvert)
      return;
    ++fResult.Targets;
    const std::u16string fileName = aTarget.filename == VirtualTargetMarker
                                        ? FormatVirtualTargetName(++fVirtualCount)
                                        : aTarget.filename;
    const std::optional<uint32_t> found = fNew.TargetsByFileName.Take({0, fileName});
    const auto index = static_cast<int32_t>(fOldTargets.size());
    if (!fOldTargetsByKey.try_emplace(aTarget.VLP5Target, index).second)
      throw vbase::EStringListError(u"Duplicates not allowed");
    fOldTargets.push_back({aTarget.VLP5Target, found ? static_cast<int32_t>(*found) : -1});
    if (!found) {
      Differ(aTarget.VLP5Target, std::nullopt, u"target", fileName, std::nullopt);
      return;
    }
    TNewProject::TTarget& target = fNew.Targets[*found];
    target.OldTarget = index;
    CompareOptions(aTarget, target.Options);
  }

  // aOptions may be none: every option is then missing.
  void CompareOptions(const TVXPTarget& aTarget, const TXmlNode* aOptions) {
    const std::u16string& key = aTarget.VLP5Target;
    const auto text = [&](std::u16string_view aWhat, std::u16string_view aName,
                          std::u16string_view aExpected) {
      CompareText(key, std::nullopt, aWhat, aExpected, aExpected,
                  ChildValueDirect(aOptions, aName));
    };
    const auto flag = [&](std::u16string_view aWhat, std::u16string_view aName, bool aExpected) {
      const std::u16string_view found = Unescaped(ChildValueDirect(aOptions, aName), fFound);
      bool value = false;
      if (!vxml::TryTextToBool(found, value) || value != aExpected)
        Differ(key, std::nullopt, std::u16string(aWhat), BoolText(aExpected), found);
    };
    text(u"file list", u"file_list", aTarget.file_list);
    flag(u"scan program", u"scanexe", aTarget.scanexe);
    text(u"include tags", u"taginclude", aTarget.taginclude);
    text(u"translate functions", u"translatefunctions", aTarget.translatefunctions);
    flag(u"parse project", u"parse_project", aTarget.parseproject);
    text(u"dictionary", u"vndfilename", fDictionary);
  }

  void CompareRow(const TRowInfo& aRowInfo, const TTranslations& aTranslations,
                  const TLocation& aLocation) {
    const auto oldTarget = fOldTargetsByKey.find(aLocation.VLP5Target);
    if (oldTarget == fOldTargetsByKey.end()) {
      fResult.RowsNotCarriedOver.push_back(
          {aLocation.VLP5Target, aLocation.VXPContext, aRowInfo.native});
      return;
    }
    ++fResult.Rows;
    const int32_t newTarget = fOldTargets[static_cast<std::size_t>(oldTarget->second)].NewTarget;
    const std::optional<uint32_t> row =
        newTarget < 0 ? std::nullopt : fNew.RowsByContext.Take({newTarget, aLocation.VXPContext});
    if (!row) {
      Differ(aLocation.VLP5Target, aLocation.VXPContext, u"row", aRowInfo.native, std::nullopt);
      return;
    }
    const TXmlNode& node = *fNew.Rows[*row].Node;
    CompareRowAttributes(aRowInfo, aLocation, node);
    const TXmlNode* native = node.NodeByName(u"native"sv);
    if (!native)
      Differ(aLocation.VLP5Target, aLocation.VXPContext, u"native text", aRowInfo.native,
             std::nullopt);
    else
      CompareQuoted(aLocation, u"native text", aRowInfo.native, *native);
    CompareTranslations(aTranslations, aLocation, node);
  }

  void CompareRowAttributes(const TRowInfo& aRowInfo, const TLocation& aLocation,
                            const TXmlNode& aRow) {
    const std::u16string& target = aLocation.VLP5Target;
    const std::u16string& context = aLocation.VXPContext;
    const auto text = [&](std::u16string_view aWhat, std::u16string_view aName,
                          std::u16string_view aExpected) {
      CompareText(target, context, aWhat, aExpected, aExpected, aRow.AttributeByNameDirect(aName));
    };
    text(u"comment", u"comment", aRowInfo.comment);
    text(u"component name", u"componentname", aLocation.componentname);
    text(u"form name", u"formname", aLocation.formname);

    const std::u16string_view readOnly = Unescaped(aRow.AttributeByNameDirect(u"readonly"), fFound);
    if (SameTextAscii(readOnly, u"yes") != aRowInfo.readonly)
      Differ(target, context, u"read-only", aRowInfo.readonly ? u"yes" : u"no",
             readOnly.empty() ? u"no"sv : readOnly);

    const std::u16string_view maxChar = Unescaped(aRow.AttributeByNameDirect(u"maxchar"), fFound);
    int32_t limit = 0;
    if (!(maxChar.empty() || vbase::TryTextToInt(maxChar, limit)) || limit != aRowInfo.maxchars)
      Differ(target, context, u"length limit", IntToText(aRowInfo.maxchars),
             maxChar.empty() ? u"0"sv : maxChar);
  }

  // A native text or a translation: the old text with its line-break markers converted, in
  // double quotes.
  void CompareQuoted(const TLocation& aLocation, std::u16string_view aWhat,
                     std::u16string_view aOld, const TXmlNode& aNode) {
    fExpected.assign(aOld);
    ConvertLineBreakMarkersIn(fExpected);
    const std::u16string_view value = Unescaped(aNode.ValueDirect(), fFound);
    const std::optional<std::u16string_view> text = Unquoted(value);
    if (!text)
      Differ(aLocation.VLP5Target, aLocation.VXPContext,
             std::u16string(aWhat) + u" (not in double quotes)", aOld, value);
    else if (!SameCodeUnits(*text, fExpected))
      Differ(aLocation.VLP5Target, aLocation.VXPContext, std::u16string(aWhat), aOld, *text);
  }

  // Each old translation against the next unmatched one of its language in the row.
  void CompareTranslations(const TTranslations& aTranslations, const TLocation& aLocation,
                           const TXmlNode& aRow) {
    fLangs.clear();
    ForEachElement(&aRow, u"lang"sv, [this](const TXmlNode& aLang) {
      fLangs.push_back({&aLang, aLang.AttributeByNameDirect(u"id"sv)});
    });
    for (const TTranslation& translation : aTranslations) {
      const std::u16string& code = translation.Language.Value();
      fWhat.assign(u"translation ").append(code);
      if (const TXmlNode* lang = TakeLang(MapLanguageCode(code)))
        CompareQuoted(aLocation, fWhat, translation.Text, *lang);
      else
        Differ(aLocation.VLP5Target, aLocation.VXPContext, fWhat, translation.Text, std::nullopt);
    }
    for (const TLang& lang : fLangs)
      if (lang.Node)
        Differ(aLocation.VLP5Target, aLocation.VXPContext,
               u"translation " + vxml::UnescapeText(lang.Id), std::nullopt, QuotedText(*lang.Node));
  }

  const TXmlNode* TakeLang(std::u16string_view aId) {
    for (TLang& lang : fLangs) {
      if (lang.Node && SameCodeUnits(Unescaped(lang.Id, fFound), aId)) {
        const TXmlNode* taken = lang.Node;
        lang.Node = nullptr;
        return taken;
      }
    }
    return nullptr;
  }

  // A native text or translation of the new project as a person reads it.
  std::u16string QuotedText(const TXmlNode& aNode) {
    const std::u16string_view value = Unescaped(aNode.ValueDirect(), fFound);
    return std::u16string(Unquoted(value).value_or(value));
  }

  void CompareExclude(int32_t aKind, const std::u16string& aOld, std::u16string_view aExpected) {
    ++fResult.Excludes;
    if (!fNew.ExcludesByText.Take({aKind, aExpected}))
      Differ(u"", std::nullopt, ExcludeWhat(aKind), aOld, std::nullopt);
  }

  static std::u16string ExcludeWhat(int32_t aKind) {
    if (aKind == ekString)
      return u"string exclusion";
    return aKind == ekContext ? u"context exclusion" : u"exclusion";
  }

  // Whatever the old project did not account for.
  void ReportLeftOver() {
    for (uint32_t i = 0; i < fNew.LanguagesByCode.Count(); ++i)
      if (!fNew.LanguagesByCode.Taken(i))
        Differ(u"", std::nullopt, u"language", std::nullopt,
               vxml::UnescapeText(fNew.Languages[i]->ValueDirect()));
    for (uint32_t i = 0; i < fNew.TargetsByFileName.Count(); ++i)
      if (!fNew.TargetsByFileName.Taken(i))
        Differ(fNew.Targets[i].FileName, std::nullopt, u"target", std::nullopt,
               fNew.Targets[i].FileName);
    for (uint32_t i = 0; i < fNew.RowsByContext.Count(); ++i)
      if (!fNew.RowsByContext.Taken(i))
        ReportLeftOverRow(fNew.Rows[i]);
    for (uint32_t i = 0; i < fNew.ExcludesByText.Count(); ++i)
      if (!fNew.ExcludesByText.Taken(i)) {
        const TXmlNode& exclude = *fNew.Excludes[i];
        Differ(u"", std::nullopt, ExcludeWhat(TNewProject::ExcludeKind(exclude)), std::nullopt,
               vxml::UnescapeText(exclude.ValueDirect()));
      }
  }

  void ReportLeftOverRow(const TNewProject::TRow& aRow) {
    const TNewProject::TTarget& target = fNew.Targets[static_cast<std::size_t>(aRow.Target)];
    const std::u16string_view targetName =
        target.OldTarget < 0
            ? target.FileName
            : std::u16string_view(fOldTargets[static_cast<std::size_t>(target.OldTarget)].Key);
    const TXmlNode* native = aRow.Node->NodeByName(u"native"sv);
    Differ(targetName, vxml::UnescapeText(aRow.Node->AttributeByNameDirect(u"name"sv)), u"row",
           std::nullopt, native ? QuotedText(*native) : std::u16string());
  }

  TNewProject& fNew;
  TCheckResult& fResult;
  std::u16string fDictionary;
  int32_t fVirtualCount = 0;
  std::vector<TOldTarget> fOldTargets;
  std::unordered_map<std::u16string, int32_t> fOldTargetsByKey;
  // Room reused from text to text.
  std::u16string fExpected;
  std::u16string fFound;
  std::u16string fWhat;
  // The translations of the row being compared, with their language as written; a matched one
  // has no node any more.
  struct TLang {
    const TXmlNode* Node;
    std::u16string_view Id;
  };
  std::vector<TLang> fLangs;
};

// Runs aRead; a failure to read aFileName becomes aError.
bool ReadSide(TCheckSide aSide, const std::u16string& aFileName,
              std::optional<TCheckReadError>& aError, const std::function<void()>& aRead) {
  try {
    aRead();
    return true;
  } catch (const vbase::Exception& error) {
    aError = TCheckReadError{aSide, aFileName, error.Message()};
    return false;
  }
}

void AppendEscape(std::u16string& aOut, char16_t aCode) {
  aOut += u"\\x";
  aOut += vbase::HexDigitChars[(aCode >> 4) & 0xF];
  aOut += vbase::HexDigitChars[aCode & 0xF];
}

std::u16string Quoted(const std::optional<std::u16string>& aValue, std::u16string_view aNone) {
  return aValue ? u"\"" + VisibleText(*aValue) + u"\"" : std::u16string(aNone);
}

} // namespace

TCheckResult CheckConversion(const std::u16string& aOldFileName,
                             const std::u16string& aNewFileName) {
  TCheckResult result;
  std::optional<TNewProject> newProject;
  std::optional<TCheckReadError> newError;
  std::unique_ptr<TVLP5Project> oldProject;
  {
    // Loading is most of a check's time, and the two files load side by side.
    std::exception_ptr newFailure;
    std::jthread newLoader([&] {
      try {
        ReadSide(TCheckSide::csNew, aNewFileName, newError,
                 [&] { newProject.emplace(aNewFileName); });
      } catch (...) {
        newFailure = std::current_exception();
      }
    });
    ReadSide(TCheckSide::csOld, aOldFileName, result.ReadError,
             [&] { oldProject = std::make_unique<TVLP5Project>(aOldFileName); });
    newLoader.join();
    if (newFailure)
      std::rethrow_exception(newFailure);
  }
  if (newError)
    result.ReadError = newError;
  if (result.ReadError)
    return result;
  TProjectComparison comparison(*newProject, result);
  if (!ReadSide(TCheckSide::csOld, aOldFileName, result.ReadError,
                [&] { comparison.Run(*oldProject); }))
    // Half a comparison would name differences that are none.
    result.Differences.clear();
  return result;
}

std::u16string CheckCounts(const TCheckResult& aResult) {
  const auto count = [](int64_t aCount, std::u16string_view aNoun) {
    return IntToText(aCount) + u' ' + std::u16string(aNoun) + (aCount == 1 ? u"" : u"s");
  };
  return count(aResult.Rows, u"row") + u", " + count(aResult.Targets, u"target") + u", " +
         count(aResult.Excludes, u"exclude") + u", " + count(aResult.Languages, u"language");
}

std::u16string CheckFailureReason(const TCheckResult& aResult) {
  if (const auto& error = aResult.ReadError)
    return u"the " + std::u16string(SideName(error->Side)) + u" \"" + error->FileName +
           u"\" cannot be read: " + error->Message;
  const std::size_t count = aResult.Differences.size();
  return IntToText(static_cast<int64_t>(count)) + (count == 1 ? u" difference" : u" differences");
}

std::u16string DroppedRowText(const TDroppedRow& aRow) {
  return u"target " + Quoted(aRow.VLP5Target, u"") + u", row " + Quoted(aRow.Context, u"") +
         u": native " + Quoted(aRow.Native, u"");
}

std::u16string DifferenceText(const TCheckDifference& aDifference) {
  std::u16string text;
  if (!aDifference.Target.empty())
    text += u"target " + Quoted(aDifference.Target, u"");
  if (aDifference.Context)
    text += (text.empty() ? u"row " : u", row ") + Quoted(aDifference.Context, u"");
  if (!text.empty())
    text += u": ";
  text += aDifference.What + u": old " + Quoted(aDifference.OldValue, u"(not in the old project)") +
          u", new " + Quoted(aDifference.NewValue, u"(missing)");
  return text;
}

std::u16string VisibleText(std::u16string_view aText) {
  std::u16string text;
  text.reserve(aText.size());
  for (const char16_t c : aText) {
    if (c == u'\r')
      text += u"\\r";
    else if (c == u'\n')
      text += u"\\n";
    else if (c == u'\t')
      text += u"\\t";
    else if (c < u' ' || c == 0x7F)
      AppendEscape(text, c);
    else
      text += c;
  }
  return text;
}

std::u16string_view SideName(TCheckSide aSide) {
  return aSide == TCheckSide::csOld ? u"old project" : u"new project";
}

} // namespace vconvert
