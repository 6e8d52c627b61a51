#include "platform/Paths.h"

namespace platform {
namespace {

// Index of the last "\" or, on Windows, ":" (after a drive letter); npos when none. On POSIX a
// colon is part of a name: "Meeting 10:30.pages" is one file.
std::size_t LastDelimiter(const std::wstring& s) {
#ifdef _WIN32
    return s.find_last_of(L"\\:");
#else
    return s.find_last_of(L'\\');
#endif
}

}  // namespace

std::wstring ExtractFilePath(const std::wstring& s) {
    const auto i = LastDelimiter(s);
    return i == std::wstring::npos ? std::wstring() : s.substr(0, i + 1);
}

std::wstring ExtractFileName(const std::wstring& s) {
    const auto i = LastDelimiter(s);
    return i == std::wstring::npos ? s : s.substr(i + 1);
}

std::wstring ExtractFileDir(const std::wstring& s) {
    const auto i = LastDelimiter(s);
    if (i == std::wstring::npos) return {};
    if (s[i] == L'\\' && i > 0 && s[i - 1] != L'\\' && s[i - 1] != L':') return s.substr(0, i);
    return s.substr(0, i + 1);
}

std::wstring Trim(const std::wstring& s) {
    std::size_t first = 0;
    std::size_t last = s.size();
    while (first < last && s[first] <= L' ') ++first;
    while (last > first && s[last - 1] <= L' ') --last;
    return s.substr(first, last - first);
}

std::wstring LowerCase(const std::wstring& s) {
    std::wstring out = s;
    for (auto& c : out) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + (L'a' - L'A'));
    }
    return out;
}

std::size_t Pos(const std::wstring& sub, const std::wstring& s) {
    if (sub.empty() || s.empty()) return 0;
    const auto i = s.find(sub);
    return i == std::wstring::npos ? 0 : i + 1;
}

}  // namespace platform
