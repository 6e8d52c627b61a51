#include "platform/ProcessLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "platform/posix/Flock.h"
#include "platform/posix/PathTranslation.h"

namespace platform {

TProcessLock TProcessLock::TryAcquire(const std::wstring& forFolder) {
    std::string folder = ToNativePath(forFolder);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder.empty() || folder == "/") return TProcessLock();
    // Beside the folder, not inside it: emptying the folder must not remove the lock.
    const std::filesystem::path lockFile(folder + ".lock");
    std::error_code ec;
    if (lockFile.has_parent_path()) std::filesystem::create_directories(lockFile.parent_path(), ec);
    // The lock file itself is left in place: removing it would let a late opener lock
    // a file nobody else sees.
    TProcessLock lock(::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (lock && !posix::TryFlock(static_cast<int>(lock.FHandle.Get()), LOCK_EX)) return TProcessLock();
    return lock;
}

}  // namespace platform
