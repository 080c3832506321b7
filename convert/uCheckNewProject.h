// The new project of a check, loaded and indexed by what the old project's items are looked up
// by.
#pragma once

#include "uCheckItemQueue.h"
#include "vconvert/uRunStop.h"
#include "vxml/XmlDocument.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace vconvert {

enum TExcludeKind : int32_t { ekString, ekContext, ekOther };

// Targets by file name, rows by target and context, languages by code, exclusions by kind and
// text. The keys are views of the loaded text; only a text with entities is unescaped into a
// copy.
class TNewProject {
public:
  struct TTarget {
    const vxml::TXmlNode* Options;
    std::u16string_view FileName;
    // The old target it was matched to, by its index in the comparison.
    int32_t OldTarget = -1;
  };
  struct TRow {
    const vxml::TXmlNode* Node;
    int32_t Target;
  };

  // Raises the reader's errors when aFileName cannot be read, and EStopped once aStop, when
  // given, is asked to stop while the file loads.
  explicit TNewProject(const std::u16string& aFileName, const TRunStop* aStop = nullptr);

  static int32_t ExcludeKind(const vxml::TXmlNode& aExclude);

  std::vector<TTarget> Targets;
  TItemQueue TargetsByFileName;
  std::vector<TRow> Rows;
  TItemQueue RowsByContext;
  std::vector<const vxml::TXmlNode*> Languages;
  TItemQueue LanguagesByCode;
  std::vector<const vxml::TXmlNode*> Excludes;
  TItemQueue ExcludesByText;

private:
  void AddTarget(const vxml::TXmlNode& aTarget);
  std::u16string_view KeyText(std::u16string_view aEscaped);

  vxml::TXmlDocument fDocument;
  // Stable addresses: the keys are views of them.
  std::deque<std::u16string> fUnescapedKeys;
};

} // namespace vconvert
