// The system side of publishing a file (platform/Publish.h).

#include "platform/Publish.h"

#include <windows.h>

#include "platform/Owner.h"

namespace platform::backend {
namespace {

std::int64_t Ticks(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

}  // namespace

bool RenameNoReplace(const std::wstring& from, const std::wstring& to, TErrorCode& error) {
    // Without MOVEFILE_REPLACE_EXISTING an existing target fails the move (ERROR_ALREADY_EXISTS).
    const bool moved = MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
    error = moved ? kErrorSuccess : GetLastError();
    return moved;
}

bool RemoveFile(const std::wstring& path) {
    return DeleteFileW(path.c_str()) != 0;
}

bool RemoveUnusedFile(const std::wstring& path) {
    // A file open without FILE_SHARE_DELETE can't be deleted: the writer's keeps it.
    return DeleteFileW(path.c_str()) != 0;
}

std::uint32_t CurrentProcessId() {
    return GetCurrentProcessId();
}

bool ProcessRuns(std::uint32_t processId) {
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    // Access denied: it runs, under another user. Invalid parameter: no such process.
    if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
    const TSystemHandle owner(reinterpret_cast<std::intptr_t>(process));
    DWORD exitCode = 0;
    return GetExitCodeProcess(process, &exitCode) && exitCode == STILL_ACTIVE;
}

std::int64_t SecondsSinceWritten(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const std::int64_t elapsed = Ticks(now) - Ticks(data.ftLastWriteTime);
    return elapsed > 0 ? elapsed / 10000000 : 0;  // 100-nanosecond ticks
}

}  // namespace platform::backend
