#include "platform/File.h"

#include <windows.h>

namespace platform {

void TSystemHandleTraits::Close(Handle handle) noexcept {
    CloseHandle(reinterpret_cast<HANDLE>(handle));
}

namespace {

HANDLE AsHandle(std::intptr_t h) noexcept { return reinterpret_cast<HANDLE>(h); }

// With share 0 (OpenRead, Create) nobody else can open the file until this handle is closed.
std::intptr_t Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, TErrorCode& error) {
    const HANDLE h = CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return -1;
    }
    error = kErrorSuccess;
    return reinterpret_cast<std::intptr_t>(h);
}

}  // namespace

TFile TFile::OpenRead(const std::wstring& path, TErrorCode& error) {
    return TFile(Open(path, GENERIC_READ, 0, OPEN_EXISTING, error));
}

TFile TFile::OpenReadShared(const std::wstring& path, TErrorCode& error) {
    return TFile(Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, error));
}

TFile TFile::Create(const std::wstring& path, TErrorCode& error) {
    return TFile(Open(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, error));
}

TFile TFile::CreateNew(const std::wstring& path, TErrorCode& error) {
    return TFile(Open(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW, error));
}

std::int32_t TFile::Read(void* buffer, std::int32_t count) noexcept {
    if (!FHandle || count <= 0) return 0;
    DWORD done = 0;
    if (!ReadFile(AsHandle(FHandle.Get()), buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
    return static_cast<std::int32_t>(done);
}

std::int32_t TFile::Write(const void* buffer, std::int32_t count) noexcept {
    if (!FHandle || count <= 0) return 0;
    DWORD done = 0;
    if (!WriteFile(AsHandle(FHandle.Get()), buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
    return static_cast<std::int32_t>(done);
}

std::int64_t TFile::Seek(std::int64_t offset, int origin) noexcept {
    if (!FHandle) return -1;
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
    if (!SetFilePointerEx(AsHandle(FHandle.Get()), distance, &position, method)) return -1;
    return position.QuadPart;
}

TErrorCode TFile::LastError() noexcept {
    return GetLastError();
}

bool TFile::Flush(TErrorCode& error) noexcept {
    const bool flushed = FHandle && FlushFileBuffers(AsHandle(FHandle.Get()));
    error = flushed ? kErrorSuccess : FHandle ? GetLastError() : kErrorInvalidHandle;
    return flushed;
}

}  // namespace platform
