// The builder's table of the converted targets of one run, by their old key.
#pragma once

#include "vbase/Characters.h"
#include "vxml/XmlDocument.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vconvert {

// The builder's record of one converted target.
class TTargetInfo {
public:
  // aNumber: the target's number, from 0 in the order the run found the targets.
  TTargetInfo(vxml::TXmlNode* aNode, int32_t aNumber) : fNode(aNode), fListViewRow(aNumber) {}

  // The target's stringdata element; owned by the document.
  vxml::TXmlNode* Node() const { return fNode; }
  // The number the host knows the target by (TFoundTarget::Number).
  int32_t Number() const { return fListViewRow; }
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

} // namespace vconvert
