#pragma once
// An exclusively opened file: nobody else can open it while this object holds it
// (share mode 0 on Windows, an advisory whole-file lock on POSIX).

#include <cstdint>
#include <string>

#include "platform/FileSystem.h"

namespace platform {

class File {
public:
    File() noexcept = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    ~File();

    // CreateFileW(GENERIC_READ, share 0, OPEN_EXISTING). On failure the result is
    // closed and error holds the system error code.
    static File OpenRead(const std::wstring& path, ErrorCode& error);
    // CreateFileW(GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING): other readers may hold the file
    // too (fonts the system has loaded, a font two conversions embed at once); a File opened
    // exclusively still excludes it, and it excludes one.
    static File OpenReadShared(const std::wstring& path, ErrorCode& error);
    // CreateFileW(GENERIC_READ|GENERIC_WRITE, share 0, CREATE_ALWAYS): an existing file is emptied.
    static File Create(const std::wstring& path, ErrorCode& error);

    explicit operator bool() const noexcept { return FHandle != kInvalid; }
    // Bytes transferred; 0 at the end of the file or on failure.
    std::int32_t Read(void* buffer, std::int32_t count) noexcept;
    std::int32_t Write(const void* buffer, std::int32_t count) noexcept;
    // origin: 0 from the beginning, 1 from the current position, 2 from the end.
    // The new position, or -1 on failure.
    std::int64_t Seek(std::int64_t offset, int origin) noexcept;
    void Close() noexcept;

private:
    // INVALID_HANDLE_VALUE on Windows and -1 as a POSIX descriptor: the same bits.
    static constexpr std::intptr_t kInvalid = -1;
    explicit File(std::intptr_t handle) noexcept : FHandle(handle) {}
    std::intptr_t FHandle = kInvalid;
};

}  // namespace platform
