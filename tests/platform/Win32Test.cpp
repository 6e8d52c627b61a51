// What only the Win32 backend can show: the lock seen from a second process, the system's own messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/FileSystem.h"
#include "platform/ProcessLock.h"
#include "support/TestSupport.h"

using namespace platform;

namespace {

constexpr wchar_t kChildFolderVariable[] = L"P2P_LOCK_CHILD_FOLDER";

// Started by the test below in a second process: its exit code tells whether it got the lock.
TEST(Win32Test, DISABLED_ChildTriesTheLock) {
    wchar_t folder[MAX_PATH] = {};
    if (GetEnvironmentVariableW(kChildFolderVariable, folder, MAX_PATH) == 0) GTEST_SKIP();
    const bool got = static_cast<bool>(TProcessLock::TryAcquire(folder));
    ExitProcess(got ? 1 : 0);
}

// 1 when the child got the lock, 0 when it was refused, -1 when it couldn't run.
int ChildTakesLock(const std::wstring& folder) {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(exe) +
                           L"\" --gtest_also_run_disabled_tests --gtest_filter=Win32Test.DISABLED_ChildTriesTheLock";
    SetEnvironmentVariableW(kChildFolderVariable, folder.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableW(kChildFolderVariable, nullptr);
    if (!started) return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 2;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code <= 1 ? static_cast<int>(code) : -1;
}

TEST(Win32Test, ProcessLockKeepsOutAnotherProcess) {
    testsupport::TScratchFolder dir;
    const auto folder = dir / L"Lumbrook\\";
    auto held = TProcessLock::TryAcquire(folder);
    ASSERT_TRUE(held);
    EXPECT_EQ(ChildTakesLock(folder), 0);
    // Another spelling of the same folder is the same lock.
    EXPECT_EQ(ChildTakesLock(dir / L"LUMBROOK"), 0);
    held = TProcessLock();
    EXPECT_EQ(ChildTakesLock(folder), 1);
}

}  // namespace

// The system's text comes whole however long it is: the longest message of the system's table.
TEST(Win32Test, SystemErrorMessageIsNeverCutShort) {
    DWORD longestCode = 0;
    std::wstring longest;
    for (DWORD code = 0; code < 16000; ++code) {
        wchar_t* text = nullptr;
        const DWORD n = FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
            0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        if (n > longest.size() && text != nullptr) longest.assign(text, n), longestCode = code;
        if (text != nullptr) LocalFree(text);
    }
    while (!longest.empty() && (longest.back() <= L' ' || longest.back() == L'.')) longest.pop_back();
    if (longest.size() < 256) GTEST_SKIP() << "no system message of 256 characters or more here";
    EXPECT_EQ(platform::SystemErrorMessage(longestCode), longest) << longestCode;
}
