#include "platform/File.h"

#include <windows.h>

namespace platform {
namespace {

HANDLE AsHandle(std::intptr_t h) noexcept { return reinterpret_cast<HANDLE>(h); }

std::intptr_t Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, ErrorCode& error) {
    const HANDLE h = CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return -1;
    }
    error = kErrorSuccess;
    return reinterpret_cast<std::intptr_t>(h);
}

// Share mode 0: nobody else can open the file until this handle is closed.
std::intptr_t OpenExclusive(const std::wstring& path, DWORD access, DWORD disposition, ErrorCode& error) {
    return Open(path, access, 0, disposition, error);
}

}  // namespace

File::File(File&& other) noexcept : FHandle(other.FHandle) { other.FHandle = kInvalid; }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        FHandle = other.FHandle;
        other.FHandle = kInvalid;
    }
    return *this;
}

File::~File() { Close(); }

File File::OpenRead(const std::wstring& path, ErrorCode& error) {
    return File(OpenExclusive(path, GENERIC_READ, OPEN_EXISTING, error));
}

File File::OpenReadShared(const std::wstring& path, ErrorCode& error) {
    return File(Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, error));
}

File File::Create(const std::wstring& path, ErrorCode& error) {
    return File(OpenExclusive(path, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS, error));
}

std::int32_t File::Read(void* buffer, std::int32_t count) noexcept {
    if (FHandle == kInvalid || count <= 0) return 0;
    DWORD done = 0;
    if (!ReadFile(AsHandle(FHandle), buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
    return static_cast<std::int32_t>(done);
}

std::int32_t File::Write(const void* buffer, std::int32_t count) noexcept {
    if (FHandle == kInvalid || count <= 0) return 0;
    DWORD done = 0;
    if (!WriteFile(AsHandle(FHandle), buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
    return static_cast<std::int32_t>(done);
}

std::int64_t File::Seek(std::int64_t offset, int origin) noexcept {
    if (FHandle == kInvalid) return -1;
    DWORD method;
    switch (origin) {
        case 0: method = FILE_BEGIN; break;
        case 1: method = FILE_CURRENT; break;
        case 2: method = FILE_END; break;
        default: return -1;
    }
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER position;
    if (!SetFilePointerEx(AsHandle(FHandle), distance, &position, method)) return -1;
    return position.QuadPart;
}

void File::Close() noexcept {
    if (FHandle != kInvalid) {
        CloseHandle(AsHandle(FHandle));
        FHandle = kInvalid;
    }
}

}  // namespace platform
