// One row of the old project against the row the new project holds for it: its attributes, its
// native text and its translations.
#pragma once

#include "uCheckDifferences.h"
#include "vconvert/uVLP5Reader.h"
#include "vxml/XmlDocument.h"

#include <string>
#include <string_view>
#include <vector>

namespace vconvert {

class TRowComparison {
public:
  explicit TRowComparison(TCheckDifferences& aDifferences) : fDifferences(aDifferences) {}

  void Compare(const TRowInfo& aRowInfo, const TTranslations& aTranslations,
               const TLocation& aLocation, const vxml::TXmlNode& aRow);

private:
  void CompareAttributes(const TRowInfo& aRowInfo, const TLocation& aLocation,
                         const vxml::TXmlNode& aRow);
  void CompareQuoted(const TLocation& aLocation, std::u16string_view aWhat,
                     std::u16string_view aOld, const vxml::TXmlNode& aNode);
  void CompareTranslations(const TTranslations& aTranslations, const TLocation& aLocation,
                           const vxml::TXmlNode& aRow);
  const vxml::TXmlNode* TakeLang(std::u16string_view aId);

  TCheckDifferences& fDifferences;
  // Room reused from text to text.
  std::u16string fExpected;
  std::u16string fFound;
  std::u16string fWhat;
  // The translations of the row being compared, with their language as written; a matched one
  // has no node any more.
  struct TLang {
    const vxml::TXmlNode* Node;
    std::u16string_view Id;
  };
  std::vector<TLang> fLangs;
};

} // namespace vconvert
