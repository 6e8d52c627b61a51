#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "platform/posix/Folder.h"
#include "platform/posix/PathTranslation.h"

namespace platform {
namespace {

// NTFS orders names by their UTF-16 units after upper-casing: upper-case (not lower-case)
// matters for "_" and the other characters between "Z" and "a". The table here covers
// ASCII and Latin-1 letters.
std::u16string SortKey(const std::wstring& name) {
    std::u16string key;
    key.reserve(name.size());
    for (wchar_t wc : name) {
        auto c = static_cast<char32_t>(wc);
        if ((c >= U'a' && c <= U'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
            c -= 0x20;
        } else if (c == 0xFF) {
            c = 0x178;
        }
        if (c > 0xFFFF) {
            c -= 0x10000;
            key.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            key.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            key.push_back(static_cast<char16_t>(c));
        }
    }
    return key;
}

wchar_t UpperAscii(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 0x20) : c; }

// "*" and "?" wildcards without regard to ASCII case; "*.*" matches every name, as on Windows.
bool MatchesMask(const std::wstring& mask, const std::wstring& name) {
    if (mask == L"*" || mask == L"*.*") return true;
    std::size_t m = 0, n = 0, starM = std::wstring::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == L'?' || UpperAscii(mask[m]) == UpperAscii(name[n]))) {
            ++m, ++n;
        } else if (m < mask.size() && mask[m] == L'*') {
            starM = m++, starN = n;
        } else if (starM != std::wstring::npos) {
            m = starM + 1, n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == L'*') ++m;
    return m == mask.size();
}

// Directory, hidden and normal only: the read-only bit would cost a stat of every entry, and
// nothing reads it from a listing (FileAttributes still reports it).
std::uint32_t AttributesOf(bool directory, bool link, const std::string& name) {
    std::uint32_t attributes = 0;
    if (directory) attributes |= kAttrDirectory;
    // A symbolic link is a reparse point on Windows, so walks that skip those never loop.
    if (link) attributes |= kAttrReparsePoint;
    if (name.size() > 1 && name[0] == '.' && name != "..") attributes |= kAttrHidden;
    return attributes == 0 ? 0x80 : attributes;
}

// Whether the entry is a folder, its link followed as Windows reports a link's target; false
// when it has vanished since it was read (a dangling link still shows, as a file).
bool IsFolder(int dirFd, const dirent& d, bool& present, bool& link) {
    present = true;
    link = false;
    if (d.d_type == DT_DIR) return true;
    if (d.d_type == DT_REG) return false;
    struct stat st {};
    if (d.d_type == DT_LNK || d.d_type == DT_UNKNOWN) {
        if (::fstatat(dirFd, d.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            present = false;
            return false;
        }
        link = S_ISLNK(st.st_mode);
        if (!link) return S_ISDIR(st.st_mode);
    }
    return ::fstatat(dirFd, d.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

// The whole folder is read and sorted when the listing starts: POSIX gives no fixed order.
struct TFindListing::TImpl {
    std::vector<TFindEntry> Entries;
    std::size_t NextIndex = 0;
};

TFindListing::TFindListing(std::unique_ptr<TImpl> impl) noexcept : FImpl(std::move(impl)) {}
TFindListing::TFindListing(TFindListing&&) noexcept = default;
TFindListing& TFindListing::operator=(TFindListing&&) noexcept = default;
TFindListing::~TFindListing() = default;

TFindListing::operator bool() const noexcept { return FImpl != nullptr; }

TFindListing TFindListing::Start(const std::wstring& pattern) {
    const auto slash = pattern.rfind(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? L"." : slash == 0 ? L"\\" : pattern.substr(0, slash);
    const std::wstring mask = slash == std::wstring::npos ? pattern : pattern.substr(slash + 1);
    const posix::TFolder dir(::opendir(ToNativePath(folder).c_str()));
    if (!dir) return TFindListing(nullptr);

    auto impl = std::make_unique<TImpl>();
    std::vector<TFindEntry> dots;
    std::vector<std::pair<std::u16string, TFindEntry>> named;
    const int dirFd = ::dirfd(dir.Get());
    while (const dirent* d = ::readdir(dir.Get())) {
        const std::string name = d->d_name;
        TFindEntry entry{FromUtf8(name), 0};
        if (!MatchesMask(mask, entry.Name)) continue;
        bool present = true;
        bool link = false;
        const bool directory = IsFolder(dirFd, *d, present, link);
        if (!present) continue;
        entry.Attributes = AttributesOf(directory, link, name);
        entry.Link = link;
        if (name == "." || name == "..") {
            dots.push_back(std::move(entry));
        } else {
            auto key = SortKey(entry.Name);
            named.emplace_back(std::move(key), std::move(entry));
        }
    }
    // Windows gives "." before ".." and both before every other name.
    std::sort(dots.begin(), dots.end(), [](const TFindEntry& a, const TFindEntry& b) { return a.Name < b.Name; });
    std::sort(named.begin(), named.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second.Name < b.second.Name;
    });
    impl->Entries = std::move(dots);
    for (auto& item : named) impl->Entries.push_back(std::move(item.second));
    return TFindListing(std::move(impl));
}

bool TFindListing::Next(TFindEntry& entry) {
    if (!FImpl || FImpl->NextIndex >= FImpl->Entries.size()) return false;
    entry = FImpl->Entries[FImpl->NextIndex++];
    return true;
}

}  // namespace platform
