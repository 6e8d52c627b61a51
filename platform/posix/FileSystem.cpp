#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/Text.h"
#include "platform/posix/Errors.h"
#include "platform/posix/PathTranslation.h"

namespace platform {
namespace posix {
namespace {

// Codes with no Windows equivalent keep their errno under the customer bit, so the
// message can still name the real cause.
constexpr ErrorCode kErrnoFlag = 0x20000000;

constexpr ErrorCode kErrorTooManyOpenFiles = 4;
constexpr ErrorCode kErrorNotEnoughMemory = 8;
constexpr ErrorCode kErrorInvalidParameter = 87;
constexpr ErrorCode kErrorIoDevice = 1117;
constexpr ErrorCode kErrorCantResolveFilename = 1921;

bool ParentMissing(const std::string& nativePath) {
    std::string path = nativePath;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const auto slash = path.rfind('/');
    const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct stat st {};
    return ::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode);
}

}  // namespace

ErrorCode ErrorFromErrno(int err, const std::string& nativePath) {
    switch (err) {
        case 0: return kErrorSuccess;
        case ENOENT: return !nativePath.empty() && ParentMissing(nativePath) ? kErrorPathNotFound : kErrorFileNotFound;
        case ENOTDIR: return kErrorPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return kErrorAccessDenied;
        case EWOULDBLOCK:
        case EBUSY:
        case ETXTBSY: return kErrorSharingViolation;
        case EEXIST: return kErrorAlreadyExists;
        case ENOSPC:
        case EDQUOT: return kErrorDiskFull;
        case ENAMETOOLONG:
        case EINVAL:
        case EILSEQ: return kErrorInvalidName;
        case ENOTEMPTY: return kErrorDirNotEmpty;
        case EMFILE:
        case ENFILE: return kErrorTooManyOpenFiles;
        case ENOMEM: return kErrorNotEnoughMemory;
        case EIO: return kErrorIoDevice;
        case ELOOP: return kErrorCantResolveFilename;
        case EBADF: return kErrorInvalidParameter;
        default: return kErrnoFlag | static_cast<ErrorCode>(err);
    }
}

}  // namespace posix

using posix::ErrorFromErrno;

namespace {

const wchar_t* WindowsMessage(ErrorCode code) {
    switch (code) {
        case 0: return L"The operation completed successfully.";
        case 2: return L"The system cannot find the file specified.";
        case 3: return L"The system cannot find the path specified.";
        case 4: return L"The system cannot open the file.";
        case 5: return L"Access is denied.";
        case 8: return L"Not enough memory resources are available to process this command.";
        case 32: return L"The process cannot access the file because it is being used by another process.";
        case 53: return L"The network path was not found.";
        case 80: return L"The file exists.";
        case 87: return L"The parameter is incorrect.";
        case 112: return L"There is not enough space on the disk.";
        case 123: return L"The filename, directory name, or volume label syntax is incorrect.";
        case 145: return L"The directory is not empty.";
        case 183: return L"Cannot create a file when that file already exists.";
        case 1117: return L"The request could not be performed because of an I/O device error.";
        case 1921: return L"The name of the file cannot be resolved by the system.";
        default: return nullptr;
    }
}

std::wstring TrimMessage(std::wstring text) {
    while (!text.empty() && (text.back() <= L' ' || text.back() == L'.')) text.pop_back();
    return text;
}

// Removes the separators at the end, but never the root itself.
std::string WithoutTrailingSlashes(std::string native) {
    while (native.size() > 1 && native.back() == '/') native.pop_back();
    return native;
}

// An owner for a descriptor; close is not retried on EINTR (the descriptor is gone either way).
class Fd {
public:
    explicit Fd(int fd) noexcept : FFd(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (FFd >= 0) ::close(FFd);
    }
    int Get() const noexcept { return FFd; }

private:
    int FFd;
};

bool WriteAll(int fd, const char* data, std::size_t size, int& err) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            return false;
        }
        if (n == 0) {
            err = ENOSPC;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool CopyContents(int in, int out, int& err) {
    constexpr std::size_t kBufferSize = 256 * 1024;
    const auto buffer = std::make_unique<char[]>(kBufferSize);
    for (;;) {
        const ssize_t n = ::read(in, buffer.get(), kBufferSize);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            return false;
        }
        if (n == 0) return true;
        if (!WriteAll(out, buffer.get(), static_cast<std::size_t>(n), err)) return false;
    }
}

// The first executable named name on $PATH; empty when there is none.
std::string FindOnPath(const char* name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return {};
    std::string list = path;
    std::size_t start = 0;
    while (start <= list.size()) {
        auto end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        // Built by appending: GCC 12 warns falsely (-Wrestrict) on "dir + "/" + name".
        std::string candidate = end > start ? list.substr(start, end - start) : std::string(".");
        candidate.append("/").append(name);
        struct stat st {};
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return {};
}

// A folder being emptied; closedir releases its descriptor.
class OpenFolder {
public:
    explicit OpenFolder(DIR* dir, std::string name) noexcept : FDir(dir), FName(std::move(name)) {}
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    OpenFolder(OpenFolder&& other) noexcept : FDir(std::exchange(other.FDir, nullptr)), FName(std::move(other.FName)) {}
    OpenFolder& operator=(OpenFolder&&) = delete;
    ~OpenFolder() {
        if (FDir != nullptr) ::closedir(FDir);
    }
    DIR* Dir() const noexcept { return FDir; }
    int Fd() const noexcept { return ::dirfd(FDir); }
    const std::string& Name() const noexcept { return FName; }

private:
    DIR* FDir;
    std::string FName;
};

// Opens name below parentFd (or the path itself when parentFd is AT_FDCWD) as a folder, never
// through a link; null when it can't.
DIR* OpenFolderNoFollow(int parentFd, const char* name) {
    const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return nullptr;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) ::close(fd);
    return dir;
}

// Deeper trees, like every other trouble, go the slow way, so the descriptors held stay few.
constexpr std::size_t kMaxFastDepth = 64;

// Removes the folder native and everything in it with one call per entry: the type comes from
// the listing and nothing is followed (a link is removed, not entered). False, with part of
// the tree perhaps gone, at the first thing it can't do.
bool RemoveTreeFast(const std::string& native) {
    std::vector<OpenFolder> stack;
    DIR* root = OpenFolderNoFollow(AT_FDCWD, native.c_str());
    if (root == nullptr) return false;
    stack.emplace_back(root, std::string());
    while (!stack.empty()) {
        errno = 0;
        const dirent* d = ::readdir(stack.back().Dir());
        if (d == nullptr) {
            if (errno != 0) return false;
            const std::string name = stack.back().Name();
            stack.pop_back();
            if (stack.empty()) break;
            if (::unlinkat(stack.back().Fd(), name.c_str(), AT_REMOVEDIR) != 0) return false;
            continue;
        }
        const char* name = d->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
        const int parentFd = stack.back().Fd();
        bool folder = d->d_type == DT_DIR;
        if (d->d_type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(parentFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno == ENOENT) continue;
                return false;
            }
            folder = S_ISDIR(st.st_mode);
        }
        if (!folder) {
            if (::unlinkat(parentFd, name, 0) != 0 && errno != ENOENT) return false;
            continue;
        }
        if (stack.size() >= kMaxFastDepth) return false;
        DIR* sub = OpenFolderNoFollow(parentFd, name);
        if (sub == nullptr) return false;
        stack.emplace_back(sub, std::string(name));
    }
    return ::rmdir(native.c_str()) == 0;
}

}  // namespace

std::wstring SystemErrorMessage(ErrorCode code) {
    if (const wchar_t* text = WindowsMessage(code)) return TrimMessage(text);
    if ((code & posix::kErrnoFlag) != 0) {
        const int err = static_cast<int>(code & ~posix::kErrnoFlag);
        return TrimMessage(FromUtf8(std::generic_category().message(err)));
    }
    return L"Unknown error " + std::to_wstring(code);
}

std::wstring FullPathName(const std::wstring& path, ErrorCode& error) {
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

std::uint32_t FileAttributes(const std::wstring& path, ErrorCode& error) {
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
    const Fd fd(::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    return fd.Get() >= 0;
}

bool CreateFolder(const std::wstring& path, ErrorCode& error) {
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

bool DeleteTree(const std::wstring& folder) {
    namespace fs = std::filesystem;
    const std::string native = WithoutTrailingSlashes(ToNativePath(folder));
    // The file-system root is never a working folder: refuse it outright.
    if (native.empty() || native == "/") return false;
    if (RemoveTreeFast(native)) return true;
    const fs::path target(native);
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(target, ec))) return false;
    // remove_all never follows links; it only needs every folder below to be writable.
    if (fs::remove_all(target, ec) != static_cast<std::uintmax_t>(-1) && !ec) return true;
    if (fs::is_directory(fs::symlink_status(target, ec))) {
        fs::permissions(target, fs::perms::owner_all, fs::perm_options::add, ec);
        for (auto it = fs::recursive_directory_iterator(target, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec)) {
            if (it->is_directory() && !it->is_symlink()) {
                std::error_code ignored;
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
            }
        }
    }
    ec.clear();
    fs::remove_all(target, ec);
    return !ec && !fs::exists(fs::symlink_status(target, ec));
}

bool CopyFileNew(const std::wstring& from, const std::wstring& to, ErrorCode& error) {
    const std::string source = ToNativePath(from);
    const std::string target = ToNativePath(to);
    const Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.Get() < 0) {
        error = ErrorFromErrno(errno, source);
        return false;
    }
    struct stat st {};
    if (::fstat(in.Get(), &st) != 0) {
        error = ErrorFromErrno(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = kErrorAccessDenied;
        return false;
    }
    // A file held by File (an exclusive open) can't be copied, as on Windows.
    if (::flock(in.Get(), LOCK_SH | LOCK_NB) != 0) {
        error = ErrorFromErrno(errno);
        return false;
    }
    // O_EXCL: an existing target, or a link in its place, is never touched.
    const Fd out(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777));
    if (out.Get() < 0) {
        error = errno == EEXIST ? kErrorFileExists : ErrorFromErrno(errno, target);
        return false;
    }
    int err = 0;
    if (!CopyContents(in.Get(), out.Get(), err)) {
        ::unlink(target.c_str());
        error = ErrorFromErrno(err);
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

void OpenInFileManager(const std::wstring& folder, void* /*owner*/) {
    // Everything the child needs is prepared before fork: only async-signal-safe calls after it.
    const std::string opener = FindOnPath("xdg-open");
    if (opener.empty()) return;
    const std::string native = ToNativePath(folder);
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (devNull < 0) return;
    char* const argv[] = {const_cast<char*>(opener.c_str()), const_cast<char*>(native.c_str()), nullptr};
    const pid_t child = ::fork();
    if (child == 0) {
        // The intermediate child exits at once, so the opener is adopted by init and never
        // becomes a zombie of ours.
        ::setsid();
        if (::fork() == 0) {
            ::dup2(devNull, STDIN_FILENO);
            ::dup2(devNull, STDOUT_FILENO);
            ::dup2(devNull, STDERR_FILENO);
            ::execv(opener.c_str(), argv);
        }
        ::_exit(0);
    }
    ::close(devNull);
    if (child > 0) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

}  // namespace platform
