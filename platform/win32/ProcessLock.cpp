#include "platform/ProcessLock.h"

#include <windows.h>

#include <cstdio>

namespace platform {
namespace {

// The mutex is named after the folder without regard to case, so every spelling of
// one working folder meets the same mutex.
std::wstring MutexName(const std::wstring& folder) {
    std::wstring key = folder;
    while (key.size() > 1 && key.back() == L'\\') key.pop_back();
    if (!key.empty()) CharLowerBuffW(key.data(), static_cast<DWORD>(key.size()));
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (wchar_t c : key) {
        hash ^= static_cast<std::uint16_t>(c);
        hash *= 1099511628211ull;
    }
    wchar_t hex[17];
    std::swprintf(hex, 17, L"%016llx", static_cast<unsigned long long>(hash));
    return L"Local\\pages2pdf-" + std::wstring(hex);
}

}  // namespace

TProcessLock TProcessLock::TryAcquire(const std::wstring& forFolder) {
    // Holding the mutex object open is the lock: it exists exactly while some handle to it
    // does. A second TryAcquire in the same process finds it too and is refused as well.
    const HANDLE h = CreateMutexW(nullptr, FALSE, MutexName(forFolder).c_str());
    const DWORD error = GetLastError();
    if (h == nullptr) return TProcessLock();
    TProcessLock lock(reinterpret_cast<std::intptr_t>(h), forFolder);
    if (error == ERROR_ALREADY_EXISTS) return TProcessLock();  // lock closes the handle
    return lock;
}

void TProcessLock::Retire() noexcept {
    // Nothing on disk: the mutex is gone with its last handle.
    FHandle.Reset();
}

}  // namespace platform
