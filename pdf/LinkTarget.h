#pragma once
// What a hyperlink in the PDF may open: web and mail addresses, never a local file or a script.

#include <string>
#include <string_view>

namespace pdf {

// The link's URI, ASCII with anything else percent-encoded; empty when the target is not one a
// PDF should open (no scheme we allow, control characters, absurd length).
std::string LinkUri(std::wstring_view target);

}  // namespace pdf
