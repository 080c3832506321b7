#include "vbase/Errors.h"

#include "vbase/Utf8.h"

namespace vbase {

Exception::Exception(std::u16string AMessage)
    : FMessage(std::move(AMessage)), FMessageUtf8(Utf8Encode(FMessage)) {}

std::u16string Exception::Headline() const {
  if (!FWriteFailure)
    return FMessage;
  return u"Cannot write \"" + FWriteFailure->File + u"\": " + FWriteFailure->Reason;
}

} // namespace vbase
