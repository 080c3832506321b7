#include "vbase/Errors.h"

#include "vbase/Utf8.h"

namespace vbase {

Exception::Exception(std::u16string aMessage)
    : fMessage(std::move(aMessage)), fMessageUtf8(Utf8Encode(fMessage)) {}

std::u16string Exception::Headline() const {
  if (!fWriteFailure)
    return fMessage;
  return u"Cannot write \"" + fWriteFailure->File + u"\": " + fWriteFailure->Reason;
}

} // namespace vbase
