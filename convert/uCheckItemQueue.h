// The check's lookup of the new project's items: each item of one kind matched at most once.
#pragma once

#include "vbase/Characters.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vconvert {

// Where an item of the new project is looked up: a group (its target, or its kind) and a text.
struct TItemKey {
  int32_t Group;
  std::u16string_view Text;
  bool operator==(const TItemKey& aOther) const {
    return Group == aOther.Group && vbase::SameCodeUnits(Text, aOther.Text);
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
  void Reserve(std::size_t aCount);
  // Items are numbered 0, 1, ... in the order they are added; all are added before any is taken.
  // aKey.Group is from 0 up.
  void Add(const TItemKey& aKey);
  // The first item of aKey not taken yet, or none. A new project written from the old one holds
  // its items in the old order, so the group's first item left is tried before any index: the
  // index of every key is built only for a project in another order.
  std::optional<uint32_t> Take(const TItemKey& aKey);
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

  uint32_t TakeItem(uint32_t aItem);
  void BuildIndex();

  std::vector<TItemKey> fKeys;
  std::vector<bool> fTaken;
  std::vector<TGroup> fGroups;
  bool fIndexed = false;
  std::unordered_map<TItemKey, TChain, TItemKeyHash> fChains;
  std::vector<uint32_t> fNext;
};

} // namespace vconvert
