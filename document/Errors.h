#pragma once
// Why a document can't be read: raised by every reader, turned by the engine into its reason
// for people.

#include "platform/Exception.h"

namespace doc {

// A file, a chunk, a message or a reference that cannot be read; the message says which.
class EDamagedDocument : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EDamagedDocument"; }
};

class EPasswordProtected : public Exception {
public:
    EPasswordProtected() : Exception(L"The document is password-protected") {}
    const char* ClassName() const noexcept override { return "EPasswordProtected"; }
};

// A Keynote presentation or a Numbers spreadsheet; the message names which.
class ENotPagesDocument : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "ENotPagesDocument"; }
};

}  // namespace doc
