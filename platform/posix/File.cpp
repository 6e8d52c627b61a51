#include "platform/File.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/Errors.h"
#include "platform/posix/Flock.h"
#include "platform/posix/PathTranslation.h"

namespace platform {

void TSystemHandleTraits::Close(Handle handle) noexcept {
    // Not retried on EINTR: the descriptor is released either way. A lock goes with it.
    ::close(static_cast<int>(handle));
}

namespace {

TErrorCode LockError() {
    return errno == EWOULDBLOCK ? kErrorSharingViolation : posix::ErrorFromErrno(errno);
}

// O_EXCL: never follows a link in the last place nor opens a pipe, so what it makes is a new,
// empty, regular file; it is locked at once, before anyone else can open it.
std::intptr_t CreateExclusive(const std::string& native, TErrorCode& error) {
    const int fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = errno == EEXIST ? kErrorFileExists : posix::ErrorFromErrno(errno, native);
        return -1;
    }
    if (!posix::TryFlock(fd, LOCK_EX)) {
        error = LockError();
        ::close(fd);
        return -1;
    }
    error = kErrorSuccess;
    return fd;
}

// Share mode 0 emulated: every TFile holds an exclusive advisory lock, so a second
// File on the same file fails with a sharing violation, as on Windows. FILE_SHARE_READ is a
// shared lock: readers together, but never beside an exclusive holder.
std::intptr_t OpenLocked(const std::wstring& path, int flags, bool truncate, int lock, TErrorCode& error) {
    const std::string native = ToNativePath(path);
    // O_NONBLOCK: a FIFO in the path must not hang the open; only regular files pass below.
    const int fd = native.empty() ? -1 : ::open(native.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
        error = native.empty() ? kErrorPathNotFound : posix::ErrorFromErrno(errno, native);
        return -1;
    }
    auto fail = [&](TErrorCode code) {
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
    if (!posix::TryFlock(fd, lock)) return fail(LockError());
    // Emptied only once the lock is ours: a file another TFile holds is never touched.
    if (truncate && ::ftruncate(fd, 0) != 0) return fail(posix::ErrorFromErrno(errno));
    error = kErrorSuccess;
    return fd;
}

}  // namespace

TFile TFile::OpenRead(const std::wstring& path, TErrorCode& error) {
    return TFile(OpenLocked(path, O_RDONLY, false, LOCK_EX, error));
}

TFile TFile::OpenReadShared(const std::wstring& path, TErrorCode& error) {
    return TFile(OpenLocked(path, O_RDONLY, false, LOCK_SH, error));
}

TFile TFile::Create(const std::wstring& path, TErrorCode& error) {
    const std::string native = ToNativePath(path);
    // The common case, a name nobody uses yet, first. Anything already there takes the checked
    // way, which never empties a file another TFile holds.
    if (!native.empty()) {
        const std::intptr_t fd = CreateExclusive(native, error);
        if (fd >= 0 || error != kErrorFileExists) return TFile(fd);
    }
    return TFile(OpenLocked(path, O_RDWR | O_CREAT, true, LOCK_EX, error));
}

TFile TFile::CreateNew(const std::wstring& path, TErrorCode& error) {
    const std::string native = ToNativePath(path);
    if (native.empty()) {
        error = kErrorPathNotFound;
        return TFile();
    }
    return TFile(CreateExclusive(native, error));
}

std::int32_t TFile::Read(void* buffer, std::int32_t count) noexcept {
    if (!FHandle || count <= 0) return 0;
    auto* out = static_cast<char*>(buffer);
    std::int32_t done = 0;
    // Like ReadFile on a disk file: the whole count unless the end comes first.
    while (done < count) {
        const ssize_t n = ::read(static_cast<int>(FHandle.Get()), out + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::int32_t>(n);
    }
    return done;
}

std::int32_t TFile::Write(const void* buffer, std::int32_t count) noexcept {
    if (!FHandle || count <= 0) return 0;
    const auto* in = static_cast<const char*>(buffer);
    std::int32_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(static_cast<int>(FHandle.Get()), in + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::int32_t>(n);
    }
    return done;
}

std::int64_t TFile::Seek(std::int64_t offset, int origin) noexcept {
    if (!FHandle) return -1;
    int whence;
    switch (origin) {
        case 0: whence = SEEK_SET; break;
        case 1: whence = SEEK_CUR; break;
        case 2: whence = SEEK_END; break;
        default: return -1;
    }
    const off_t position = ::lseek(static_cast<int>(FHandle.Get()), static_cast<off_t>(offset), whence);
    return position < 0 ? -1 : static_cast<std::int64_t>(position);
}

TErrorCode TFile::LastError() noexcept {
    return posix::ErrorFromErrno(errno);
}

bool TFile::Flush(TErrorCode& error) noexcept {
    if (!FHandle) {
        error = kErrorInvalidHandle;
        return false;
    }
    int result;
    while ((result = ::fsync(static_cast<int>(FHandle.Get()))) != 0 && errno == EINTR) {
    }
    error = result == 0 ? kErrorSuccess : posix::ErrorFromErrno(errno);
    return result == 0;
}

}  // namespace platform
