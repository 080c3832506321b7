#include "vbase/Errors.h"

#include "vbase/Utf8.h"

namespace vbase {

Exception::Exception(std::u16string AMessage)
    : FMessage(std::move(AMessage)), FMessageUtf8(Utf8Encode(FMessage)) {}

} // namespace vbase
