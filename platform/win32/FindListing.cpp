#include <windows.h>

#include "platform/FileSystem.h"
#include "platform/Owner.h"

namespace platform {
namespace {

struct TFindHandleTraits {
    using Handle = HANDLE;
    static inline const Handle kInvalid = INVALID_HANDLE_VALUE;
    static void Close(Handle handle) noexcept { FindClose(handle); }
};

}  // namespace

// The find handle and the entry FindFirstFileW already gave, not yet handed out.
struct TFindListing::TImpl {
    TOwner<TFindHandleTraits> Handle;
    WIN32_FIND_DATAW Data{};
    bool HasPending = false;
};

TFindListing::TFindListing(std::unique_ptr<TImpl> impl) noexcept : FImpl(std::move(impl)) {}
TFindListing::TFindListing(TFindListing&&) noexcept = default;
TFindListing& TFindListing::operator=(TFindListing&&) noexcept = default;
TFindListing::~TFindListing() = default;

TFindListing::operator bool() const noexcept { return FImpl != nullptr; }

TFindListing TFindListing::Start(const std::wstring& pattern) {
    auto impl = std::make_unique<TImpl>();
    impl->Handle.Reset(FindFirstFileW(pattern.c_str(), &impl->Data));
    if (!impl->Handle) return TFindListing(nullptr);
    impl->HasPending = true;
    return TFindListing(std::move(impl));
}

bool TFindListing::Next(TFindEntry& entry) {
    if (!FImpl || !FImpl->Handle) return false;
    if (!FImpl->HasPending && !FindNextFileW(FImpl->Handle.Get(), &FImpl->Data)) {
        // Done: the folder is let go at once rather than when the listing dies.
        FImpl->Handle.Reset();
        return false;
    }
    FImpl->HasPending = false;
    entry.Name = FImpl->Data.cFileName;
    entry.Attributes = FImpl->Data.dwFileAttributes;
    // The reparse tag says what the point is: a name surrogate (symbolic link, junction, mount
    // point) names another place; a cloud placeholder or a deduplicated file does not.
    entry.Link = (entry.Attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                 IsReparseTagNameSurrogate(FImpl->Data.dwReserved0);
    return true;
}

}  // namespace platform
