#pragma once
// An exclusive lock shared by every process of one user, held for as long as a conversion
// owns its working folder: a named mutex on Windows, flock on a lock file on POSIX. A process
// that dies lets go of its locks, which is how a dead run's folder is told from a live one's.

#include <cstdint>
#include <string>
#include <utility>

#include "platform/Owner.h"

namespace platform {

class TProcessLock {
public:
    // Not copyable; a move hands the lock off; the destructor releases it (TOwner).
    TProcessLock() noexcept = default;

    // Never waits. forFolder is the folder the lock guards: POSIX locks a file beside it
    // (forFolder + ".lock"), Windows derives the mutex name from it. A lock that is not held
    // tests false. A second TryAcquire for a folder whose lock is held fails within the same
    // process too.
    static TProcessLock TryAcquire(const std::wstring& forFolder);
    explicit operator bool() const noexcept { return static_cast<bool>(FHandle); }

    // Releases the lock for good, once the folder it guards is gone: the POSIX lock file is
    // removed too. A later TryAcquire for the folder succeeds.
    void Retire() noexcept;

private:
    // The mutex handle (Windows) or the locked file's descriptor (POSIX): closing it releases the lock.
    TProcessLock(std::intptr_t handle, std::wstring forFolder) noexcept
        : FHandle(handle), FForFolder(std::move(forFolder)) {}
    TSystemHandle FHandle;
    std::wstring FForFolder;
};

}  // namespace platform
