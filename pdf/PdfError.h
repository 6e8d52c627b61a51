#pragma once
// The error the PDF writer and its parts raise, in a header of its own so that the parts need not
// include the writer.

#include "platform/Exception.h"

namespace pdf {

// The PDF library failed, or a font cannot go into the file (a licence that forbids embedding,
// PostScript outlines); the message says which and names the font file.
class EPdfError : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EPdfError"; }
};

}  // namespace pdf
