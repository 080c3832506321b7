#include "XmlErrors.h"

#include "Utf8.h"

Exception::Exception(std::u16string message)
    : FMessage(std::move(message)), FMessageUtf8(Utf8Encode(FMessage)) {}
