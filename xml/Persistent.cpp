#include "vxml/Persistent.h"

#include "vbase/Errors.h"

#include <string>

namespace vxml {

using vbase::EConvertError;

void TPersistent::Assign(const TPersistent* Source) {
  AssignError(Source);
}

void TPersistent::AssignError(const TPersistent* Source) const {
  const std::string sourceName = Source ? Source->ClassName() : "nil";
  const std::string message = "Cannot assign a " + sourceName + " to a " + ClassName();
  throw EConvertError(std::u16string(message.begin(), message.end()));
}

} // namespace vxml
