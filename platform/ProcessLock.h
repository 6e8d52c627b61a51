#pragma once
// An exclusive lock shared by every process of one user, held for a whole batch:
// a named mutex on Windows, flock on a lock file on POSIX.

#include <cstdint>
#include <string>

#include "platform/Owner.h"

namespace platform {

class TProcessLock {
public:
    // Not copyable; a move hands the lock off; the destructor releases it (TOwner).
    TProcessLock() noexcept = default;

    // Never waits. forFolder is the folder the lock guards (the working folder):
    // POSIX locks a file beside it, Windows derives the mutex name from it.
    // A lock that is not held tests false. A second TryAcquire for a folder whose lock is
    // held fails within the same process too: one batch at a time per process.
    static TProcessLock TryAcquire(const std::wstring& forFolder);
    explicit operator bool() const noexcept { return static_cast<bool>(FHandle); }

private:
    // The mutex handle (Windows) or the locked file's descriptor (POSIX): closing it releases the lock.
    explicit TProcessLock(std::intptr_t handle) noexcept : FHandle(handle) {}
    TSystemHandle FHandle;
};

}  // namespace platform
