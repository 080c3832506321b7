#include "uProjectComparison.h"

#include "uCheckNodes.h"
#include "vbase/Errors.h"
#include "vconvert/uConversionRun.h"

namespace vconvert {

using namespace std::string_view_literals;
using vxml::TXmlNode;

namespace {

std::u16string_view BoolText(bool aValue) {
  return aValue ? u"True"sv : u"False"sv;
}

std::u16string ExcludeWhat(int32_t aKind) {
  if (aKind == ekString)
    return u"string exclusion";
  return aKind == ekContext ? u"context exclusion" : u"exclusion";
}

} // namespace

void TProjectComparison::Run(TVLP5Project& aOld) {
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

void TProjectComparison::CompareLanguage(const std::u16string& aCode) {
  ++fResult.Languages;
  if (!fNew.LanguagesByCode.Take({0, MapLanguageCode(aCode)}))
    fDifferences.Add(u"", std::nullopt, u"language", aCode, std::nullopt);
}

void TProjectComparison::CompareTarget(const TVXPTarget& aTarget) {
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
    fDifferences.Add(aTarget.VLP5Target, std::nullopt, u"target", fileName, std::nullopt);
    return;
  }
  TNewProject::TTarget& target = fNew.Targets[*found];
  target.OldTarget = index;
  CompareOptions(aTarget, target.Options);
}

void TProjectComparison::CompareOptions(const TVXPTarget& aTarget, const TXmlNode* aOptions) {
  const std::u16string& key = aTarget.VLP5Target;
  const auto text = [&](std::u16string_view aWhat, std::u16string_view aName,
                        std::u16string_view aExpected) {
    fDifferences.CompareText(key, std::nullopt, aWhat, aExpected, aExpected,
                             ChildValueDirect(aOptions, aName));
  };
  const auto flag = [&](std::u16string_view aWhat, std::u16string_view aName, bool aExpected) {
    const std::u16string_view found = Unescaped(ChildValueDirect(aOptions, aName), fFound);
    bool value = false;
    if (!vxml::TryTextToBool(found, value) || value != aExpected)
      fDifferences.Add(key, std::nullopt, std::u16string(aWhat), BoolText(aExpected), found);
  };
  text(u"file list", u"file_list", aTarget.file_list);
  flag(u"scan program", u"scanexe", aTarget.scanexe);
  text(u"include tags", u"taginclude", aTarget.taginclude);
  text(u"translate functions", u"translatefunctions", aTarget.translatefunctions);
  flag(u"parse project", u"parse_project", aTarget.parseproject);
  text(u"dictionary", u"vndfilename", fDictionary);
}

void TProjectComparison::CompareRow(const TRowInfo& aRowInfo, const TTranslations& aTranslations,
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
    fDifferences.Add(aLocation.VLP5Target, aLocation.VXPContext, u"row", aRowInfo.native,
                     std::nullopt);
    return;
  }
  fRows.Compare(aRowInfo, aTranslations, aLocation, *fNew.Rows[*row].Node);
}

void TProjectComparison::CompareExclude(int32_t aKind, const std::u16string& aOld,
                                        std::u16string_view aExpected) {
  ++fResult.Excludes;
  if (!fNew.ExcludesByText.Take({aKind, aExpected}))
    fDifferences.Add(u"", std::nullopt, ExcludeWhat(aKind), aOld, std::nullopt);
}

void TProjectComparison::ReportLeftOver() {
  for (uint32_t i = 0; i < fNew.LanguagesByCode.Count(); ++i)
    if (!fNew.LanguagesByCode.Taken(i))
      fDifferences.Add(u"", std::nullopt, u"language", std::nullopt,
                       vxml::UnescapeText(fNew.Languages[i]->ValueDirect()));
  for (uint32_t i = 0; i < fNew.TargetsByFileName.Count(); ++i)
    if (!fNew.TargetsByFileName.Taken(i))
      fDifferences.Add(fNew.Targets[i].FileName, std::nullopt, u"target", std::nullopt,
                       fNew.Targets[i].FileName);
  for (uint32_t i = 0; i < fNew.RowsByContext.Count(); ++i)
    if (!fNew.RowsByContext.Taken(i))
      ReportLeftOverRow(fNew.Rows[i]);
  for (uint32_t i = 0; i < fNew.ExcludesByText.Count(); ++i)
    if (!fNew.ExcludesByText.Taken(i)) {
      const TXmlNode& exclude = *fNew.Excludes[i];
      fDifferences.Add(u"", std::nullopt, ExcludeWhat(TNewProject::ExcludeKind(exclude)),
                       std::nullopt, vxml::UnescapeText(exclude.ValueDirect()));
    }
}

void TProjectComparison::ReportLeftOverRow(const TNewProject::TRow& aRow) {
  const TNewProject::TTarget& target = fNew.Targets[static_cast<std::size_t>(aRow.Target)];
  const std::u16string_view targetName =
      target.OldTarget < 0
          ? target.FileName
          : std::u16string_view(fOldTargets[static_cast<std::size_t>(target.OldTarget)].Key);
  const TXmlNode* native = aRow.Node->NodeByName(u"native"sv);
  fDifferences.Add(targetName, vxml::UnescapeText(aRow.Node->AttributeByNameDirect(u"name"sv)),
                   u"row", std::nullopt, native ? QuotedText(*native) : std::u16string());
}

} // namespace vconvert
