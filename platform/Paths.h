#pragma once
// Text rules for engine paths: "\" and ":" separate, "/" does not.

#include <string>

namespace platform {

// Up to and including the last "\" or ":"; empty when there is neither.
std::wstring ExtractFilePath(const std::wstring& s);
// After the last "\" or ":"; all of s when there is neither.
std::wstring ExtractFileName(const std::wstring& s);
// Up to the last "\" or ":", the final "\" dropped unless the character before it is
// "\" or ":" (so "C:\x" gives "C:\" but "C:\a\x" gives "C:\a"); empty without either.
std::wstring ExtractFileDir(const std::wstring& s);
// Without every leading and trailing character up to U+0020.
std::wstring Trim(const std::wstring& s);
// A to Z lowered; every other character, non-ASCII letters included, kept.
std::wstring LowerCase(const std::wstring& s);
// 1-based position of the first sub in s by exact comparison; 0 when absent or either is empty.
std::size_t Pos(const std::wstring& sub, const std::wstring& s);

}  // namespace platform
