#pragma once
// An exclusive lock shared by every process of one user, held for a whole batch:
// a named mutex on Windows, flock on a lock file on POSIX.

#include <cstdint>
#include <string>

namespace platform {

class ProcessLock {
public:
    ProcessLock() noexcept = default;
    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;
    ProcessLock(ProcessLock&& other) noexcept;
    ProcessLock& operator=(ProcessLock&& other) noexcept;
    ~ProcessLock();

    // Never waits. forFolder is the folder the lock guards (the working folder):
    // POSIX locks a file beside it, Windows derives the mutex name from it.
    // A lock that is not held tests false. A second TryAcquire for a folder whose lock is
    // held fails within the same process too: one batch at a time per process.
    static ProcessLock TryAcquire(const std::wstring& forFolder);
    explicit operator bool() const noexcept { return FHandle != kInvalid; }

private:
    static constexpr std::intptr_t kInvalid = -1;
    explicit ProcessLock(std::intptr_t handle) noexcept : FHandle(handle) {}
    void Release() noexcept;
    std::intptr_t FHandle = kInvalid;
};

}  // namespace platform
