#include "platform/ProcessLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/posix/PathTranslation.h"

namespace platform {

ProcessLock::ProcessLock(ProcessLock&& other) noexcept : FHandle(other.FHandle) { other.FHandle = kInvalid; }

ProcessLock& ProcessLock::operator=(ProcessLock&& other) noexcept {
    if (this != &other) {
        Release();
        FHandle = other.FHandle;
        other.FHandle = kInvalid;
    }
    return *this;
}

ProcessLock::~ProcessLock() { Release(); }

ProcessLock ProcessLock::TryAcquire(const std::wstring& forFolder) {
    std::string folder = ToNativePath(forFolder);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder.empty() || folder == "/") return ProcessLock();
    // Beside the folder, not inside it: emptying the folder must not remove the lock.
    const std::filesystem::path lockFile(folder + ".lock");
    std::error_code ec;
    if (lockFile.has_parent_path()) std::filesystem::create_directories(lockFile.parent_path(), ec);
    // The lock file itself is left in place: removing it would let a late opener lock
    // a file nobody else sees.
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return ProcessLock();
    int locked;
    while ((locked = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (locked != 0) {
        ::close(fd);
        return ProcessLock();
    }
    return ProcessLock(fd);
}

void ProcessLock::Release() noexcept {
    if (FHandle != kInvalid) {
        ::close(static_cast<int>(FHandle));
        FHandle = kInvalid;
    }
}

}  // namespace platform
