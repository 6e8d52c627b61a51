#include "platform/File.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/Errors.h"
#include "platform/posix/PathTranslation.h"

namespace platform {
namespace {

// Share mode 0 emulated: every File holds an exclusive advisory lock, so a second
// File on the same file fails with a sharing violation, as on Windows. FILE_SHARE_READ is
// a shared lock: readers pass each other, an exclusive File and a reader exclude each other.
std::intptr_t OpenLocked(const std::wstring& path, int flags, bool truncate, int lock, ErrorCode& error) {
    const std::string native = ToNativePath(path);
    // O_NONBLOCK: a FIFO in the path must not hang the open; only regular files pass below.
    const int fd = native.empty() ? -1 : ::open(native.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
        error = native.empty() ? kErrorPathNotFound : posix::ErrorFromErrno(errno, native);
        return -1;
    }
    auto fail = [&](ErrorCode code) {
        ::close(fd);
        error = code;
        return std::intptr_t{-1};
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0) return fail(posix::ErrorFromErrno(errno));
    // CreateFileW refuses a folder without FILE_FLAG_BACKUP_SEMANTICS; devices and pipes
    // are no documents either.
    if (!S_ISREG(st.st_mode)) return fail(kErrorAccessDenied);
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) return fail(posix::ErrorFromErrno(errno));
    int locked;
    while ((locked = ::flock(fd, lock | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (locked != 0) return fail(errno == EWOULDBLOCK ? kErrorSharingViolation : posix::ErrorFromErrno(errno));
    // Emptied only once the lock is ours: a file another File holds is never touched.
    if (truncate && ::ftruncate(fd, 0) != 0) return fail(posix::ErrorFromErrno(errno));
    error = kErrorSuccess;
    return fd;
}

std::intptr_t OpenExclusive(const std::wstring& path, int flags, bool truncate, ErrorCode& error) {
    return OpenLocked(path, flags, truncate, LOCK_EX, error);
}

}  // namespace

File::File(File&& other) noexcept : FHandle(other.FHandle) { other.FHandle = kInvalid; }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        FHandle = other.FHandle;
        other.FHandle = kInvalid;
    }
    return *this;
}

File::~File() { Close(); }

File File::OpenRead(const std::wstring& path, ErrorCode& error) {
    return File(OpenExclusive(path, O_RDONLY, false, error));
}

File File::OpenReadShared(const std::wstring& path, ErrorCode& error) {
    return File(OpenLocked(path, O_RDONLY, false, LOCK_SH, error));
}

File File::Create(const std::wstring& path, ErrorCode& error) {
    const std::string native = ToNativePath(path);
    // The common case, a name nobody uses yet, in two calls: O_EXCL never follows a link in the
    // last place nor opens a pipe, so what it makes is a new, empty, regular file. Anything
    // already there takes the checked way below, which never empties a file another File holds.
    const int fd = native.empty() ? -1 : ::open(native.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (native.empty() || errno == EEXIST) return File(OpenExclusive(path, O_RDWR | O_CREAT, true, error));
        error = posix::ErrorFromErrno(errno, native);
        return File();
    }
    int locked;
    while ((locked = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (locked != 0) {
        error = errno == EWOULDBLOCK ? kErrorSharingViolation : posix::ErrorFromErrno(errno);
        ::close(fd);
        return File();
    }
    error = kErrorSuccess;
    return File(fd);
}

std::int32_t File::Read(void* buffer, std::int32_t count) noexcept {
    if (FHandle == kInvalid || count <= 0) return 0;
    auto* out = static_cast<char*>(buffer);
    std::int32_t done = 0;
    // Like ReadFile on a disk file: the whole count unless the end comes first.
    while (done < count) {
        const ssize_t n = ::read(static_cast<int>(FHandle), out + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::int32_t>(n);
    }
    return done;
}

std::int32_t File::Write(const void* buffer, std::int32_t count) noexcept {
    if (FHandle == kInvalid || count <= 0) return 0;
    const auto* in = static_cast<const char*>(buffer);
    std::int32_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(static_cast<int>(FHandle), in + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::int32_t>(n);
    }
    return done;
}

std::int64_t File::Seek(std::int64_t offset, int origin) noexcept {
    if (FHandle == kInvalid) return -1;
    int whence;
    switch (origin) {
        case 0: whence = SEEK_SET; break;
        case 1: whence = SEEK_CUR; break;
        case 2: whence = SEEK_END; break;
        default: return -1;
    }
    const off_t position = ::lseek(static_cast<int>(FHandle), static_cast<off_t>(offset), whence);
    return position < 0 ? -1 : static_cast<std::int64_t>(position);
}

void File::Close() noexcept {
    if (FHandle != kInvalid) {
        // Not retried on EINTR: the descriptor is released either way. The lock goes with it.
        ::close(static_cast<int>(FHandle));
        FHandle = kInvalid;
    }
}

}  // namespace platform
