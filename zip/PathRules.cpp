#include "zip/PathRules.h"

#include <vector>

#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"

namespace {

constexpr std::size_t kMaxPath = 260;
const std::wstring kExtendedPrefix = L"\\\\?\\";

bool StartsWith(const std::wstring& s, const std::wstring& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

bool IsInvalidPathChar(wchar_t c) {
    return c < 0x20 || c == L'"' || c == L'<' || c == L'>' || c == L'|';
}

bool HasInvalidPathChars(const std::wstring& path) {
    const std::size_t start = StartsWith(path, kExtendedPrefix) ? kExtendedPrefix.size() : 0;
    for (std::size_t i = start; i < path.size(); ++i) {
        if (IsInvalidPathChar(path[i])) return true;
    }
    return false;
}

bool IsDriveLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// A ":" anywhere but directly after a leading drive letter.
bool HasMisplacedColon(const std::wstring& path) {
    const std::size_t start = StartsWith(path, kExtendedPrefix) ? kExtendedPrefix.size() : 0;
    for (std::size_t i = start; i < path.size(); ++i) {
        if (path[i] != L':') continue;
        if (i == start + 1 && IsDriveLetter(path[start])) continue;
        return true;
    }
    return false;
}

bool OnlyBlanks(const std::wstring& path) {
    for (const wchar_t c : path) {
        if (c > L' ') return false;
    }
    return true;
}

std::vector<std::wstring> SplitSegments(const std::wstring& name) {
    std::vector<std::wstring> segments;
    std::size_t start = 0;
    while (true) {
        const auto end = name.find(L'\\', start);
        segments.push_back(name.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    return segments;
}

// Windows drops trailing dots and blanks from a path segment, so ".. " and "..." may act
// as "..": every segment made only of dots and blanks with two dots or more counts as one.
bool IsParentSegment(const std::wstring& s) {
    std::size_t dots = 0;
    for (const wchar_t c : s) {
        if (c == L'.') {
            ++dots;
        } else if (c != L' ') {
            return false;
        }
    }
    return dots >= 2;
}

bool IsCurrentSegment(const std::wstring& s) {
    return !s.empty() && !IsParentSegment(s) && s.find_first_not_of(L". ") == std::wstring::npos;
}

// Windows opens a device, not a file, for these names, whatever extension follows them.
bool IsDeviceName(const std::wstring& segment) {
    std::wstring stem = segment.substr(0, segment.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    for (auto& c : stem) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL" || stem == L"CONIN$" ||
        stem == L"CONOUT$") {
        return true;
    }
    return stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT")) && stem[3] >= L'1' &&
           stem[3] <= L'9';
}

}  // namespace

std::wstring TPath::Combine(const std::wstring& A, const std::wstring& B) {
    if (A.empty()) return B;
    if (B.empty()) return A;
    if (HasInvalidPathChars(A) || HasInvalidPathChars(B)) {
        throw EArgumentException(L"Invalid characters in path");
    }
    if (B[0] == L'\\' || B[0] == L'/' || (B.size() > 1 && B[1] == L':') || StartsWith(B, kExtendedPrefix)) {
        return B;
    }
    const wchar_t last = A.back();
    if (last == L'\\' || last == L'/' || last == L':') return A + B;
    return A + L"\\" + B;
}

void TDirectory::CreateDirectory(const std::wstring& D) {
    platform::TErrorCode error = platform::kErrorSuccess;
    const std::wstring full = platform::FullPathName(D, error);
    if (error != platform::kErrorSuccess && error != platform::kErrorFileNotFound) {
        throw ENotSupportedException(platform::SystemErrorMessage(error));
    }
    if (full.size() >= kMaxPath && !StartsWith(full, kExtendedPrefix)) {
        throw EPathTooLongException(L"The specified path is too long");
    }
    if (HasMisplacedColon(full)) throw ENotSupportedException(L"The path format is not supported");
    if (OnlyBlanks(full) || HasInvalidPathChars(full)) throw EArgumentException(L"Invalid characters in path");
    if (!platform::RootExists(full)) throw EDirectoryNotFoundException(L"The drive cannot be found");
    platform::ForceDirectories(full);
}

bool IsUnsafeEntryName(const std::wstring& Name) {
    if (Name.empty()) return false;
    if (Name[0] == L'\\' || (Name.size() > 1 && Name[1] == L':')) return true;
    int depth = 0;
    for (const auto& segment : SplitSegments(Name)) {
        if (IsParentSegment(segment)) {
            if (--depth < 0) return true;
        } else if (IsDeviceName(segment)) {
            return true;
        } else if (!segment.empty() && !IsCurrentSegment(segment)) {
            ++depth;
        }
    }
    return false;
}

std::wstring NormalizeEntryName(const std::wstring& Name) {
    const auto segments = SplitSegments(Name);
    std::vector<const std::wstring*> kept;
    bool changed = false;
    for (const auto& segment : segments) {
        if (IsParentSegment(segment)) {
            if (!kept.empty()) kept.pop_back();
            changed = true;
        } else if (segment.empty() || IsCurrentSegment(segment)) {
            // Repeated separators count as one, as both file systems treat them.
            changed = changed || &segment != &segments.back() || !segment.empty();
        } else {
            kept.push_back(&segment);
        }
    }
    if (!changed) return Name;
    std::wstring out;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) out += L'\\';
        out += *kept[i];
    }
    // A folder entry stays a folder entry.
    if (!out.empty() && Name.back() == L'\\') out += L'\\';
    return out;
}
