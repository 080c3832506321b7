#include "uRowComparison.h"

#include "uCheckNodes.h"
#include "vbase/IntegerText.h"
#include "vconvert/uConversionRun.h"

namespace vconvert {

using namespace std::string_view_literals;
using vbase::SameCodeUnits;
using vxml::TXmlNode;

void TRowComparison::Compare(const TRowInfo& aRowInfo, const TTranslations& aTranslations,
                             const TLocation& aLocation, const TXmlNode& aRow) {
  CompareAttributes(aRowInfo, aLocation, aRow);
  const TXmlNode* native = aRow.NodeByName(u"native"sv);
  if (!native)
    fDifferences.Add(aLocation.VLP5Target, aLocation.VXPContext, u"native text", aRowInfo.native,
                     std::nullopt);
  else
    CompareQuoted(aLocation, u"native text", aRowInfo.native, *native);
  CompareTranslations(aTranslations, aLocation, aRow);
}

void TRowComparison::CompareAttributes(const TRowInfo& aRowInfo, const TLocation& aLocation,
                                       const TXmlNode& aRow) {
  const std::u16string& target = aLocation.VLP5Target;
  const std::u16string& context = aLocation.VXPContext;
  const auto text = [&](std::u16string_view aWhat, std::u16string_view aName,
                        std::u16string_view aExpected) {
    fDifferences.CompareText(target, context, aWhat, aExpected, aExpected,
                             aRow.AttributeByNameDirect(aName));
  };
  text(u"comment", u"comment", aRowInfo.comment);
  text(u"component name", u"componentname", aLocation.componentname);
  text(u"form name", u"formname", aLocation.formname);

  const std::u16string_view readOnly = Unescaped(aRow.AttributeByNameDirect(u"readonly"), fFound);
  if (vbase::SameTextAscii(readOnly, u"yes") != aRowInfo.readonly)
    fDifferences.Add(target, context, u"read-only", aRowInfo.readonly ? u"yes" : u"no",
                     readOnly.empty() ? u"no"sv : readOnly);

  const std::u16string_view maxChar = Unescaped(aRow.AttributeByNameDirect(u"maxchar"), fFound);
  int32_t limit = 0;
  if (!(maxChar.empty() || vbase::TryTextToInt(maxChar, limit)) || limit != aRowInfo.maxchars)
    fDifferences.Add(target, context, u"length limit", vbase::IntToText(aRowInfo.maxchars),
                     maxChar.empty() ? u"0"sv : maxChar);
}

// A native text or a translation: the old text with its line-break markers converted, in double
// quotes.
void TRowComparison::CompareQuoted(const TLocation& aLocation, std::u16string_view aWhat,
                                   std::u16string_view aOld, const TXmlNode& aNode) {
  fExpected.assign(aOld);
  ConvertLineBreakMarkersIn(fExpected);
  const std::u16string_view value = Unescaped(aNode.ValueDirect(), fFound);
  const std::optional<std::u16string_view> text = Unquoted(value);
  if (!text)
    fDifferences.Add(aLocation.VLP5Target, aLocation.VXPContext,
                     std::u16string(aWhat) + u" (not in double quotes)", aOld, value);
  else if (!SameCodeUnits(*text, fExpected))
    fDifferences.Add(aLocation.VLP5Target, aLocation.VXPContext, std::u16string(aWhat), aOld,
                     *text);
}

// Each old translation against the next unmatched one of its language in the row.
void TRowComparison::CompareTranslations(const TTranslations& aTranslations,
                                         const TLocation& aLocation, const TXmlNode& aRow) {
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
      fDifferences.Add(aLocation.VLP5Target, aLocation.VXPContext, fWhat, translation.Text,
                       std::nullopt);
  }
  for (const TLang& lang : fLangs)
    if (lang.Node)
      fDifferences.Add(aLocation.VLP5Target, aLocation.VXPContext,
                       u"translation " + vxml::UnescapeText(lang.Id), std::nullopt,
                       QuotedText(*lang.Node));
}

const TXmlNode* TRowComparison::TakeLang(std::u16string_view aId) {
  for (TLang& lang : fLangs) {
    if (lang.Node && SameCodeUnits(Unescaped(lang.Id, fFound), aId)) {
      const TXmlNode* taken = lang.Node;
      lang.Node = nullptr;
      return taken;
    }
  }
  return nullptr;
}

} // namespace vconvert
