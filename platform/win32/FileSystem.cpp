#include "platform/FileSystem.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "platform/Owner.h"

namespace platform {

namespace {

// The text FormatMessageW allocated, whatever its length; LocalFree releases it.
struct TLocalMemoryTraits {
    using Handle = wchar_t*;
    static constexpr Handle kInvalid = nullptr;
    static void Close(Handle text) noexcept { LocalFree(text); }
};

}  // namespace

std::wstring SystemErrorMessage(TErrorCode code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const TOwner<TLocalMemoryTraits> owner(text);
    std::wstring message(length > 0 && text != nullptr ? text : L"", length > 0 && text != nullptr ? length : 0);
    while (!message.empty() && (message.back() <= L' ' || message.back() == L'.')) message.pop_back();
    return message;
}

std::wstring FullPathName(const std::wstring& path, TErrorCode& error) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        SetLastError(0);
        const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        error = GetLastError();
        if (n == 0) return {};
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(n);
    }
}

bool RootExists(const std::wstring& fullPath) {
    std::wstring path = fullPath;
    if (path.rfind(L"\\\\?\\", 0) == 0) path.erase(0, 4);
    if (path.size() < 2 || path[1] != L':') return false;
    const wchar_t letter = static_cast<wchar_t>(path[0] | 0x20);
    if (letter < L'a' || letter > L'z') return false;
    return (GetLogicalDrives() & (1u << (letter - L'a'))) != 0;
}

std::uint32_t FileAttributes(const std::wstring& path, TErrorCode& error) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    error = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : kErrorSuccess;
    return attributes;
}

bool CanOpenFolder(const std::wstring& path) {
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

bool CreateFolder(const std::wstring& path, TErrorCode& error) {
    const bool made = CreateDirectoryW(path.c_str(), nullptr) != 0;
    error = made ? kErrorSuccess : GetLastError();
    return made;
}

bool DeleteTree(const std::wstring& folder) {
    std::wstring source = folder;
    // The shell refuses "folder\" as a source; a root ("C:\", "\") is never deleted.
    if (source.size() > 1 && source.back() == L'\\' && source[source.size() - 2] != L':') source.pop_back();
    if (source.empty() || source == L"\\" || (source.size() <= 3 && source.size() >= 2 && source[1] == L':')) {
        return false;
    }
    source.push_back(L'\0');  // the list ends with two NULs (c_str adds the second)
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = source.c_str();
    op.pTo = L"\0";
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
    return SHFileOperationW(&op) == 0 && !op.fAnyOperationsAborted;
}

std::wstring LocalAppDataFolder() {
    wchar_t buffer[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer);
    return buffer;
}

}  // namespace platform
