#include <windows.h>

#include "platform/FileSystem.h"

namespace platform {

// The find handle and the entry FindFirstFileW already gave, not yet handed out.
struct FindListing::Impl {
    HANDLE Handle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW Data{};
    bool HasPending = false;

    Impl() = default;
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl() {
        if (Handle != INVALID_HANDLE_VALUE) FindClose(Handle);
    }
};

FindListing::FindListing(std::unique_ptr<Impl> impl) noexcept : FImpl(std::move(impl)) {}
FindListing::FindListing(FindListing&&) noexcept = default;
FindListing& FindListing::operator=(FindListing&&) noexcept = default;
FindListing::~FindListing() = default;

FindListing::operator bool() const noexcept { return FImpl != nullptr; }

FindListing FindListing::Start(const std::wstring& pattern) {
    auto impl = std::make_unique<Impl>();
    impl->Handle = FindFirstFileW(pattern.c_str(), &impl->Data);
    if (impl->Handle == INVALID_HANDLE_VALUE) return FindListing(nullptr);
    impl->HasPending = true;
    return FindListing(std::move(impl));
}

bool FindListing::Next(FindEntry& entry) {
    if (!FImpl || FImpl->Handle == INVALID_HANDLE_VALUE) return false;
    if (!FImpl->HasPending && !FindNextFileW(FImpl->Handle, &FImpl->Data)) {
        // Done: the folder is let go at once rather than when the listing dies.
        FindClose(FImpl->Handle);
        FImpl->Handle = INVALID_HANDLE_VALUE;
        return false;
    }
    FImpl->HasPending = false;
    entry.Name = FImpl->Data.cFileName;
    entry.Attributes = FImpl->Data.dwFileAttributes;
    return true;
}

}  // namespace platform
