#pragma once
// flock without waiting, retried when a signal interrupts it.

#include <sys/file.h>

#include <cerrno>

namespace platform::posix {

// operation: LOCK_EX or LOCK_SH. True when the lock is held; otherwise errno says why
// (EWOULDBLOCK: someone else holds it).
inline bool TryFlock(int fd, int operation) noexcept {
    int result;
    while ((result = ::flock(fd, operation | LOCK_NB)) != 0 && errno == EINTR) {
    }
    return result == 0;
}

}  // namespace platform::posix
