#include "uCheckItemQueue.h"

namespace vconvert {

void TItemQueue::Reserve(std::size_t aCount) {
  fKeys.reserve(aCount);
  fTaken.reserve(aCount);
}

void TItemQueue::Add(const TItemKey& aKey) {
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

std::optional<uint32_t> TItemQueue::Take(const TItemKey& aKey) {
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

uint32_t TItemQueue::TakeItem(uint32_t aItem) {
  fTaken[aItem] = true;
  const int32_t group = fKeys[aItem].Group;
  TGroup& entry = fGroups[static_cast<std::size_t>(group)];
  while (entry.Next <= entry.Last && (fTaken[entry.Next] || fKeys[entry.Next].Group != group))
    ++entry.Next;
  if (entry.Next > entry.Last)
    entry.Next = None;
  return aItem;
}

void TItemQueue::BuildIndex() {
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

} // namespace vconvert
