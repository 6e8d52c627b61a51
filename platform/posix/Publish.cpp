// The system side of publishing a file (platform/Publish.h).

#include "platform/Publish.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>

#include "platform/Owner.h"
#include "platform/posix/Errors.h"
#include "platform/posix/Flock.h"
#include "platform/posix/PathTranslation.h"

namespace platform::backend {
namespace {

bool Unsupported(int err) {
    return err == EINVAL || err == ENOSYS || err == ENOTSUP || err == EOPNOTSUPP || err == EPERM;
}

TErrorCode TakenOr(int err, const std::string& native) {
    return err == EEXIST ? kErrorAlreadyExists : posix::ErrorFromErrno(err, native);
}

}  // namespace

bool RenameNoReplace(const std::wstring& from, const std::wstring& to, TErrorCode& error) {
    const std::string source = ToNativePath(from);
    const std::string target = ToNativePath(to);
    error = kErrorSuccess;
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (!Unsupported(errno)) {
        error = TakenOr(errno, target);
        return false;
    }
#endif
    // A file system without renameat2's flag: a hard link is made only where nothing is.
    if (::link(source.c_str(), target.c_str()) == 0) {
        ::unlink(source.c_str());
        return true;
    }
    if (!Unsupported(errno)) {
        error = TakenOr(errno, target);
        return false;
    }
    // Nor hard links (FAT, some network shares): checked, then renamed. Another writer could slip
    // in between the two calls; nothing better is on offer there.
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) {
        error = kErrorAlreadyExists;
        return false;
    }
    if (::rename(source.c_str(), target.c_str()) != 0) {
        error = posix::ErrorFromErrno(errno, target);
        return false;
    }
    return true;
}

bool RemoveFile(const std::wstring& path) {
    return ::unlink(ToNativePath(path).c_str()) == 0;
}

bool RemoveUnusedFile(const std::wstring& path) {
    const std::string native = ToNativePath(path);
    // Held while it goes, so a writer can't take it in between.
    const TSystemHandle file(::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
    if (!file || !posix::TryFlock(static_cast<int>(file.Get()), LOCK_EX)) return false;
    return ::unlink(native.c_str()) == 0;
}

std::uint32_t CurrentProcessId() {
    return static_cast<std::uint32_t>(::getpid());
}

bool ProcessRuns(std::uint32_t processId) {
    // 0 and anything beyond pid_t would name a process group or every process.
    if (processId == 0 || processId > static_cast<std::uint32_t>(INT_MAX)) return false;
    // EPERM: it runs, under another user.
    return ::kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
}

std::int64_t SecondsSinceWritten(const std::wstring& path) {
    struct stat st {};
    if (::lstat(ToNativePath(path).c_str(), &st) != 0) return -1;
    const std::time_t now = std::time(nullptr);
    return now >= st.st_mtime ? static_cast<std::int64_t>(now - st.st_mtime) : 0;
}

}  // namespace platform::backend
