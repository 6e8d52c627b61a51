#pragma once
// --json: one line of JSON per document, for scripts.

#include <string>

#include "cli/Jobs.h"

namespace cli {

// text as a JSON string, quotes included: '"' and '\' escaped, control characters (and
// DEL, and UTF-16 halves without their partner) as \uXXXX; everything else as it is.
std::wstring JsonString(const std::wstring& text);

// {"path":…,"outcome":"converted"|"not converted"|"error","reason":…|null,"output":…|null,
//  "pages":N|null,"method":"stored"|"laid out"|null,"left_out":{"chart":2,…},"seconds":0.123}
// shown: the document as the user named it; paths written the platform's way. No final newline.
std::wstring JsonLine(const std::wstring& shown, const TOutcome& outcome);

}  // namespace cli
