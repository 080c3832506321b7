#include "uTargetList.h"

#include "vbase/Errors.h"

namespace vconvert {

void TTargetList::Add(const std::u16string& aKey, std::unique_ptr<TTargetInfo> aInfo) {
  const auto [item, added] = fItems.try_emplace(aKey, std::move(aInfo));
  if (!added)
    throw vbase::EStringListError(u"Duplicates not allowed");
  fIndex.emplace(item->first, item->second.get());
}

TTargetInfo* TTargetList::Find(const std::u16string& aKey) const {
  const auto found = fIndex.find(aKey);
  return found == fIndex.end() ? nullptr : found->second;
}

} // namespace vconvert
