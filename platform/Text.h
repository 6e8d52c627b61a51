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

}  // namespace platform
