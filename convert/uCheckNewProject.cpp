#include "uCheckNewProject.h"

#include "uCheckNodes.h"

namespace vconvert {

using namespace std::string_view_literals;
using vxml::TXmlNode;

TNewProject::TNewProject(const std::u16string& aFileName, const TRunStop* aStop) {
  if (aStop)
    fDocument.OnProgress = [aStop](vxml::TXmlDocument*, int64_t, int64_t) { aStop->Check(); };
  fDocument.LoadFromFile(aFileName);
  fDocument.OnProgress = nullptr;
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

int32_t TNewProject::ExcludeKind(const TXmlNode& aExclude) {
  const std::u16string_view type = aExclude.AttributeByNameDirect(u"type"sv);
  if (vbase::SameCodeUnits(type, u"native"sv))
    return ekString;
  return vbase::SameCodeUnits(type, u"context"sv) ? ekContext : ekOther;
}

void TNewProject::AddTarget(const TXmlNode& aTarget) {
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

std::u16string_view TNewProject::KeyText(std::u16string_view aEscaped) {
  if (vbase::FindCodeUnit(aEscaped, u'&') == std::u16string_view::npos)
    return aEscaped;
  return fUnescapedKeys.emplace_back(vxml::UnescapeText(aEscaped));
}

} // namespace vconvert
