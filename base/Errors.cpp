#include "Errors.h"

#include "Utf8.h"

namespace vbase {

Exception::Exception(std::u16string message)
    : FMessage(std::move(message)), FMessageUtf8(Utf8Encode(FMessage)) {}

} // namespace vbase
