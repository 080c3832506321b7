#include "vxml/Persistent.h"

#include "vbase/Errors.h"

#include <string>

namespace vxml {

using vbase::EConvertError;

void TPersistent::Assign(const TPersistent* aSource) {
  AssignError(aSource);
}

void TPersistent::AssignError(const TPersistent* aSource) const {
  const std::string sourceName = aSource ? aSource->ClassName() : "nil";
  const std::string message = "Cannot assign a " + sourceName + " to a " + ClassName();
  throw EConvertError(std::u16string(message.begin(), message.end()));
}

} // namespace vxml
