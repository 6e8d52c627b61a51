#include "platform/ProcessLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "platform/posix/Flock.h"
#include "platform/posix/PathTranslation.h"

namespace platform {
namespace {

// Beside the folder, not inside it: emptying the folder must not remove the lock. Empty for no folder.
std::string LockFileOf(const std::wstring& forFolder) {
    std::string folder = ToNativePath(forFolder);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder.empty() || folder == "/") return {};
    return folder + ".lock";
}

// The locked file is still the one the path names: a lock file retired (unlinked) between our
// open and our flock would lock a file nobody else can find.
bool StillNamed(int fd, const std::string& path) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

}  // namespace

TProcessLock TProcessLock::TryAcquire(const std::wstring& forFolder) {
    const std::string lockFile = LockFileOf(forFolder);
    if (lockFile.empty()) return TProcessLock();
    std::error_code ec;
    const std::filesystem::path lockPath(lockFile);
    if (lockPath.has_parent_path()) std::filesystem::create_directories(lockPath.parent_path(), ec);
    TProcessLock lock(::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666), forFolder);
    if (!lock) return lock;
    const int fd = static_cast<int>(lock.FHandle.Get());
    if (!posix::TryFlock(fd, LOCK_EX) || !StillNamed(fd, lockFile)) return TProcessLock();
    return lock;
}

void TProcessLock::Retire() noexcept {
    if (!FHandle) return;
    // Unlinked while still held, so nobody locks it in between; a late opener sees it is gone.
    const std::string lockFile = LockFileOf(FForFolder);
    if (!lockFile.empty()) ::unlink(lockFile.c_str());
    FHandle.Reset();
}

}  // namespace platform
