#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Owner.h"
#include "platform/Text.h"
#include "platform/posix/Errors.h"
#include "platform/posix/PathTranslation.h"

namespace platform {

using posix::ErrorFromErrno;

namespace {

// Removes the separators at the end, but never the root itself.
std::string WithoutTrailingSlashes(std::string native) {
    while (native.size() > 1 && native.back() == '/') native.pop_back();
    return native;
}

}  // namespace

std::wstring FullPathName(const std::wstring& path, TErrorCode& error) {
    error = kErrorSuccess;
    if (path.empty()) {
        error = kErrorInvalidName;
        return {};
    }
    std::wstring full;
    if (path[0] == L'\\' || path[0] == L'/') {
        full = path;
    } else {
        std::vector<char> buffer(4096);
        while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
            if (errno != ERANGE) {
                error = ErrorFromErrno(errno);
                return {};
            }
            buffer.resize(buffer.size() * 2);
        }
        full = FromNativePath(buffer.data()) + L"\\" + path;
    }
    // Lexical, as GetFullPathNameW: "." and ".." are resolved without asking the disk,
    // runs of separators collapse, a trailing separator stays. A UNC name keeps its "\\"
    // and ".." never climbs above its server and share.
    const auto isSeparator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    const bool unc = full.size() > 1 && isSeparator(full[0]) && isSeparator(full[1]);
    const std::size_t minParts = unc ? 2 : 0;
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    while (start <= full.size()) {
        auto end = full.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) end = full.size();
        std::wstring part = full.substr(start, end - start);
        if (part == L"..") {
            if (parts.size() > minParts) parts.pop_back();
        } else if (!part.empty() && part != L".") {
            parts.push_back(std::move(part));
        }
        start = end + 1;
    }
    const wchar_t last = path.back();
    const bool trailing = isSeparator(last);
    std::wstring result = unc ? L"\\" : L"";
    for (const auto& part : parts) result += L"\\" + part;
    if (result.empty() || trailing) result += L"\\";
    return result;
}

bool RootExists(const std::wstring& fullPath) {
    // "\\server\share" is a UNC root, which counts as missing on both backends.
    return !fullPath.empty() && fullPath[0] == L'\\' && (fullPath.size() == 1 || fullPath[1] != L'\\');
}

std::uint32_t FileAttributes(const std::wstring& path, TErrorCode& error) {
    const std::string native = ToNativePath(path);
    struct stat st {};
    if (native.empty() || ::stat(native.c_str(), &st) != 0) {
        error = native.empty() ? kErrorPathNotFound : ErrorFromErrno(errno, native);
        return kInvalidAttributes;
    }
    error = kErrorSuccess;
    std::uint32_t attributes = 0;
    if (S_ISDIR(st.st_mode)) attributes |= kAttrDirectory;
    if ((st.st_mode & S_IWUSR) == 0) attributes |= kAttrReadOnly;
    const std::string trimmed = WithoutTrailingSlashes(native);
    const auto slash = trimmed.rfind('/');
    const std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
    if (name.size() > 1 && name[0] == '.' && name != "..") attributes |= kAttrHidden;
    // FILE_ATTRIBUTE_NORMAL: only ever alone.
    return attributes == 0 ? 0x80 : attributes;
}

bool CanOpenFolder(const std::wstring& path) {
    const std::string native = ToNativePath(path);
    return static_cast<bool>(TSystemHandle(::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)));
}

bool CreateFolder(const std::wstring& path, TErrorCode& error) {
    const std::string native = ToNativePath(path);
    if (native.empty()) {
        error = kErrorPathNotFound;
        return false;
    }
    if (::mkdir(native.c_str(), 0777) != 0) {
        error = ErrorFromErrno(errno, native);
        return false;
    }
    error = kErrorSuccess;
    return true;
}

std::wstring LocalAppDataFolder() {
    std::string base;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && cache[0] == '/') {
        base = cache;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        base = WithoutTrailingSlashes(home) + "/.cache";
    }
    if (base.empty()) return {};
    base = WithoutTrailingSlashes(base);
    return base == "/" ? std::wstring() : FromNativePath(base);
}

}  // namespace platform
