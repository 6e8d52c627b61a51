#pragma once
// The operating-system operations of the engine, by their Windows meaning.
// Paths are engine paths: Windows rules, "\" and ":" separate. The POSIX backend
// translates at its boundary ("\" <-> "/", wide <-> UTF-8).
// Error codes are Windows system error codes on both backends.

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

using TErrorCode = std::uint32_t;
inline constexpr TErrorCode kErrorSuccess = 0;
inline constexpr TErrorCode kErrorFileNotFound = 2;
inline constexpr TErrorCode kErrorPathNotFound = 3;
inline constexpr TErrorCode kErrorAccessDenied = 5;
inline constexpr TErrorCode kErrorInvalidHandle = 6;
inline constexpr TErrorCode kErrorSharingViolation = 32;
inline constexpr TErrorCode kErrorReadFault = 30;
inline constexpr TErrorCode kErrorBadNetPath = 53;
inline constexpr TErrorCode kErrorFileExists = 80;
inline constexpr TErrorCode kErrorDiskFull = 112;
inline constexpr TErrorCode kErrorInvalidName = 123;
inline constexpr TErrorCode kErrorDirNotEmpty = 145;
inline constexpr TErrorCode kErrorAlreadyExists = 183;

inline constexpr std::uint32_t kAttrReadOnly = 0x1;
inline constexpr std::uint32_t kAttrHidden = 0x2;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrReparsePoint = 0x400;
inline constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFF;

// The system's message for an error code (FormatMessageW), with trailing characters
// up to U+0020 and trailing full stops removed.
std::wstring SystemErrorMessage(TErrorCode code);

// GetFullPathNameW: absolute, "." and ".." resolved, "/" turned into "\".
// error receives the last error the call left (kErrorSuccess when none).
std::wstring FullPathName(const std::wstring& path, TErrorCode& error);

// Whether the root of a full path exists: a drive letter in GetLogicalDrives on Windows
// (a UNC root counts as missing); the file-system root "\" on POSIX.
bool RootExists(const std::wstring& fullPath);

// GetFileAttributesW; kInvalidAttributes with error set when they can't be read.
std::uint32_t FileAttributes(const std::wstring& path, TErrorCode& error);

// CreateFileW(GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS):
// whether a folder (a reparse point, say) can be opened.
bool CanOpenFolder(const std::wstring& path);

// CreateDirectoryW: one folder whose parent exists; fails when it exists.
bool CreateFolder(const std::wstring& path, TErrorCode& error);

// SHFileOperationW(FO_DELETE, FOF_SILENT | FOF_NOCONFIRMATION): the folder and
// everything below it, removed for good. A trailing separator is allowed.
bool DeleteTree(const std::wstring& folder);

// CopyFileW(fail-if-exists TRUE): an existing target stays untouched. Published atomically
// (platform/Publish.h): the target appears whole or not at all.
bool CopyFileNew(const std::wstring& from, const std::wstring& to, TErrorCode& error);

// SHGetFolderPathW(CSIDL_LOCAL_APPDATA): no trailing separator; empty when unknown.
// POSIX: $XDG_CACHE_HOME, else $HOME/.cache.
std::wstring LocalAppDataFolder();

// One entry of a folder listing.
struct TFindEntry {
    std::wstring Name;
    std::uint32_t Attributes = 0;
    // A symbolic link, junction or mount point: it may lead anywhere. (A cloud placeholder is
    // a reparse point on Windows too, but it is the file itself.)
    bool Link = false;
};

// Whether a listed entry is a file or folder of the listed folder itself, safe to open as
// folder + "\" + name: not "." or "..", not a link, and not a POSIX name holding "\" (which
// the engine path would split into folders: "..\..\elsewhere" climbs out).
inline bool IsOwnEntry(const TFindEntry& entry) {
    return !entry.Link && entry.Name != L"." && entry.Name != L".." && entry.Name.find(L'\\') == std::wstring::npos;
}

// FindFirstFileW / FindNextFileW / FindClose over a pattern "folder\*.*": every entry,
// "." and ".." and hidden ones included. Order: the platform's (NTFS: ascending,
// case-insensitive); POSIX sorts each folder ordinally after case folding to match.
class TFindListing {
public:
    TFindListing(const TFindListing&) = delete;
    TFindListing& operator=(const TFindListing&) = delete;
    TFindListing(TFindListing&&) noexcept;
    TFindListing& operator=(TFindListing&&) noexcept;
    ~TFindListing();

    // Starts the listing; an empty result (Next gives false at once) when it can't start.
    static TFindListing Start(const std::wstring& pattern);
    explicit operator bool() const noexcept;
    bool Next(TFindEntry& entry);

    struct TImpl;
private:
    explicit TFindListing(std::unique_ptr<TImpl> impl) noexcept;
    std::unique_ptr<TImpl> FImpl;
};

}  // namespace platform
