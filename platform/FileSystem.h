#pragma once
// The operating-system operations of the engine, by their Windows meaning.
// Paths are engine paths: Windows rules, "\" and ":" separate. The POSIX backend
// translates at its boundary ("\" <-> "/", wide <-> UTF-8).
// Error codes are Windows system error codes on both backends.

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

using ErrorCode = std::uint32_t;
inline constexpr ErrorCode kErrorSuccess = 0;
inline constexpr ErrorCode kErrorFileNotFound = 2;
inline constexpr ErrorCode kErrorPathNotFound = 3;
inline constexpr ErrorCode kErrorAccessDenied = 5;
inline constexpr ErrorCode kErrorInvalidHandle = 6;
inline constexpr ErrorCode kErrorSharingViolation = 32;
inline constexpr ErrorCode kErrorReadFault = 30;
inline constexpr ErrorCode kErrorBadNetPath = 53;
inline constexpr ErrorCode kErrorFileExists = 80;
inline constexpr ErrorCode kErrorDiskFull = 112;
inline constexpr ErrorCode kErrorInvalidName = 123;
inline constexpr ErrorCode kErrorDirNotEmpty = 145;
inline constexpr ErrorCode kErrorAlreadyExists = 183;

inline constexpr std::uint32_t kAttrReadOnly = 0x1;
inline constexpr std::uint32_t kAttrHidden = 0x2;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrReparsePoint = 0x400;
inline constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFF;

// The system's message for an error code (FormatMessageW), with trailing characters
// up to U+0020 and trailing full stops removed.
std::wstring SystemErrorMessage(ErrorCode code);

// GetFullPathNameW: absolute, "." and ".." resolved, "/" turned into "\".
// error receives the last error the call left (kErrorSuccess when none).
std::wstring FullPathName(const std::wstring& path, ErrorCode& error);

// Whether the root of a full path exists: a drive letter in GetLogicalDrives on Windows
// (a UNC root counts as missing); the file-system root "\" on POSIX.
bool RootExists(const std::wstring& fullPath);

// GetFileAttributesW; kInvalidAttributes with error set when they can't be read.
std::uint32_t FileAttributes(const std::wstring& path, ErrorCode& error);

// CreateFileW(GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS):
// whether a folder (a reparse point, say) can be opened.
bool CanOpenFolder(const std::wstring& path);

// CreateDirectoryW: one folder whose parent exists; fails when it exists.
bool CreateFolder(const std::wstring& path, ErrorCode& error);

// SHFileOperationW(FO_DELETE, FOF_SILENT | FOF_NOCONFIRMATION): the folder and
// everything below it, removed for good. A trailing separator is allowed.
bool DeleteTree(const std::wstring& folder);

// CopyFileW(fail-if-exists TRUE): an existing target stays untouched. Published atomically
// (platform/Publish.h): the target appears whole or not at all.
bool CopyFileNew(const std::wstring& from, const std::wstring& to, ErrorCode& error);

// SHGetFolderPathW(CSIDL_LOCAL_APPDATA): no trailing separator; empty when unknown.
// POSIX: $XDG_CACHE_HOME, else $HOME/.cache.
std::wstring LocalAppDataFolder();

// One entry of a folder listing.
struct FindEntry {
    std::wstring Name;
    std::uint32_t Attributes = 0;
};

// FindFirstFileW / FindNextFileW / FindClose over a pattern "folder\*.*": every entry,
// "." and ".." and hidden ones included. Order: the platform's (NTFS: ascending,
// case-insensitive); POSIX sorts each folder ordinally after case folding to match.
class FindListing {
public:
    FindListing(const FindListing&) = delete;
    FindListing& operator=(const FindListing&) = delete;
    FindListing(FindListing&&) noexcept;
    FindListing& operator=(FindListing&&) noexcept;
    ~FindListing();

    // Starts the listing; an empty result (Next gives false at once) when it can't start.
    static FindListing Start(const std::wstring& pattern);
    explicit operator bool() const noexcept;
    bool Next(FindEntry& entry);

    struct Impl;
private:
    explicit FindListing(std::unique_ptr<Impl> impl) noexcept;
    std::unique_ptr<Impl> FImpl;
};

}  // namespace platform
