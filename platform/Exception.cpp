#include "platform/Exception.h"

#include "platform/Text.h"

Exception::Exception(std::wstring message)
    : FMessage(std::move(message)), FNarrow(platform::ToUtf8(FMessage)) {}
