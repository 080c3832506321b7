// Walks the old project with the reader, as the conversion does, and looks every item up in the
// new project; what is left over in the new project at the end was not in the old one.
#pragma once

#include "uCheckDifferences.h"
#include "uCheckNewProject.h"
#include "uRowComparison.h"
#include "vconvert/uProjectCheck.h"
#include "vconvert/uVLP5Reader.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vconvert {

class TProjectComparison {
public:
  TProjectComparison(TNewProject& aNew, TCheckResult& aResult)
      : fNew(aNew), fResult(aResult), fDifferences(aResult), fRows(fDifferences) {}

  // Raises the reader's errors: half a comparison is no result.
  void Run(TVLP5Project& aOld);

private:
  struct TOldTarget {
    std::u16string Key;
    int32_t NewTarget;
  };

  void CompareLanguage(const std::u16string& aCode);
  void CompareTarget(const TVXPTarget& aTarget);
  // aOptions may be none: every option is then missing.
  void CompareOptions(const TVXPTarget& aTarget, const vxml::TXmlNode* aOptions);
  void CompareRow(const TRowInfo& aRowInfo, const TTranslations& aTranslations,
                  const TLocation& aLocation);
  void CompareExclude(int32_t aKind, const std::u16string& aOld, std::u16string_view aExpected);
  // Whatever the old project did not account for.
  void ReportLeftOver();
  void ReportLeftOverRow(const TNewProject::TRow& aRow);

  TNewProject& fNew;
  TCheckResult& fResult;
  TCheckDifferences fDifferences;
  TRowComparison fRows;
  std::u16string fDictionary;
  int32_t fVirtualCount = 0;
  std::vector<TOldTarget> fOldTargets;
  std::unordered_map<std::u16string, int32_t> fOldTargetsByKey;
  // Room reused from text to text.
  std::u16string fFound;
};

} // namespace vconvert
