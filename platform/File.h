#pragma once
// An exclusively opened file: nobody else can open it while this object holds it
// (share mode 0 on Windows, an advisory whole-file lock on POSIX).

#include <cstdint>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Owner.h"

namespace platform {

class TFile {
public:
    // Not copyable; a move hands the file off; the destructor closes it (TOwner).
    TFile() noexcept = default;

    // CreateFileW(GENERIC_READ, share 0, OPEN_EXISTING). On failure the result is
    // closed and error holds the system error code.
    static TFile OpenRead(const std::wstring& path, TErrorCode& error);
    // CreateFileW(GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING): for files others read at the same
    // time, such as installed fonts. A File opened by OpenRead or Create keeps it out, and it keeps them out.
    static TFile OpenReadShared(const std::wstring& path, TErrorCode& error);
    // CreateFileW(GENERIC_READ|GENERIC_WRITE, share 0, CREATE_ALWAYS): an existing file is emptied.
    static TFile Create(const std::wstring& path, TErrorCode& error);
    // CreateFileW(GENERIC_READ|GENERIC_WRITE, share 0, CREATE_NEW): fails with kErrorFileExists when
    // anything is there already.
    static TFile CreateNew(const std::wstring& path, TErrorCode& error);

    explicit operator bool() const noexcept { return static_cast<bool>(FHandle); }
    // Bytes transferred; 0 at the end of the file or on failure.
    std::int32_t Read(void* buffer, std::int32_t count) noexcept;
    std::int32_t Write(const void* buffer, std::int32_t count) noexcept;
    // origin: 0 from the beginning, 1 from the current position, 2 from the end.
    // The new position, or -1 on failure.
    std::int64_t Seek(std::int64_t offset, int origin) noexcept;
    // FlushFileBuffers / fsync: the bytes written are on the disk. False on failure, error set.
    bool Flush(TErrorCode& error) noexcept;
    void Close() noexcept { FHandle.Reset(); }
    // The system's error (as a Windows code) of the call that just failed on this thread, such as a
    // Read or Write that came up short; kErrorSuccess when it left none.
    static TErrorCode LastError() noexcept;

private:
    explicit TFile(std::intptr_t handle) noexcept : FHandle(handle) {}
    TSystemHandle FHandle;
};

}  // namespace platform
