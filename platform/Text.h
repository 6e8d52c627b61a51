#pragma once
// Conversions between the engine's wide text and byte encodings.

#include <string>
#include <string_view>

namespace platform {

std::string ToUtf8(std::wstring_view text);
// Invalid sequences become U+FFFD.
std::wstring FromUtf8(std::string_view bytes);
// A ZIP entry name: UTF-8 when the entry's flag bit 11 is set, code page 437 otherwise
// (MultiByteToWideChar with 65001 or 437 on Windows).
std::wstring DecodeZipName(std::string_view bytes, bool utf8);

// A path as the system spells it, for arguments and for showing, to an engine path and back:
// on POSIX "/" separates there and "\" in the engine; on Windows the two are the same.
std::wstring EnginePathFromSystem(const std::wstring& systemPath);
std::wstring SystemPathFromEngine(const std::wstring& enginePath);

}  // namespace platform
