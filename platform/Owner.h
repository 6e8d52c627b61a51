#pragma once
// The one owner shape of the platform layer: not copyable, moves hand the handle off, the
// destructor closes. A traits type names the handle, its empty value and the call that closes it;
// each backend supplies only that call.

#include <cstdint>
#include <utility>

namespace platform {

template <class Traits>
class TOwner {
public:
    using Handle = typename Traits::Handle;

    TOwner() noexcept = default;
    explicit TOwner(Handle handle) noexcept : FHandle(handle) {}
    TOwner(const TOwner&) = delete;
    TOwner& operator=(const TOwner&) = delete;
    TOwner(TOwner&& other) noexcept : FHandle(other.Release()) {}
    TOwner& operator=(TOwner&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    ~TOwner() { Reset(); }

    Handle Get() const noexcept { return FHandle; }
    explicit operator bool() const noexcept { return FHandle != Traits::kInvalid; }
    // For when the system takes the handle over.
    [[nodiscard]] Handle Release() noexcept { return std::exchange(FHandle, Traits::kInvalid); }
    // Closes what is held (never retried: the handle is gone either way) and takes handle.
    void Reset(Handle handle = Traits::kInvalid) noexcept {
        const Handle old = std::exchange(FHandle, handle);
        if (old != Traits::kInvalid) Traits::Close(old);
    }

private:
    Handle FHandle = Traits::kInvalid;
};

// A kernel handle (Windows) or a file descriptor (POSIX) as an integer: INVALID_HANDLE_VALUE and -1
// have the same bits. Close is CloseHandle or close.
struct TSystemHandleTraits {
    using Handle = std::intptr_t;
    static constexpr Handle kInvalid = -1;
    static void Close(Handle handle) noexcept;
};

using TSystemHandle = TOwner<TSystemHandleTraits>;

}  // namespace platform
