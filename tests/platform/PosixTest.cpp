// What only the POSIX backend has: path translation, the lock across processes, the
// file manager hand-off.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/ProcessLock.h"
#include "platform/posix/PathTranslation.h"
#include "support/TestSupport.h"

using namespace platform;
using testing_support::FileExists;
using testing_support::ScratchFolder;
using testing_support::WriteFile;

namespace {

TEST(PosixTest, PathTranslationSwapsSeparatorsAndEncodesUtf8) {
    EXPECT_EQ(ToNativePath(L"\\home\\u\\\u00fcber.pages"), "/home/u/\xC3\xBC" "ber.pages");
    EXPECT_EQ(FromNativePath("/home/u/\xC3\xBC" "ber.pages"), L"\\home\\u\\\u00fcber.pages");
    EXPECT_EQ(FromNativePath(ToNativePath(L"\\a\\b\\")), L"\\a\\b\\");
}

// Runs body in a child process and gives its exit code.
template <typename Body>
int InChild(Body body) {
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PosixTest, ProcessLockKeepsOutAnotherProcess) {
    ScratchFolder dir;
    const auto folder = dir / L"cache\\Lumbrook\\";
    auto held = ProcessLock::TryAcquire(folder);
    ASSERT_TRUE(held);
    EXPECT_TRUE(FileExists(dir / L"cache\\Lumbrook.lock"));
    EXPECT_EQ(InChild([&] { return ProcessLock::TryAcquire(folder) ? 1 : 0; }), 0);
    held = ProcessLock();
    EXPECT_EQ(InChild([&] { return ProcessLock::TryAcquire(folder) ? 1 : 0; }), 1);
}

TEST(PosixTest, LocalAppDataFollowsXdgCacheHome) {
    const char* oldCache = std::getenv("XDG_CACHE_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string savedCache = oldCache ? oldCache : "";
    const std::string savedHome = oldHome ? oldHome : "";
    setenv("XDG_CACHE_HOME", "/x/cache/", 1);
    EXPECT_EQ(LocalAppDataFolder(), L"\\x\\cache");
    setenv("XDG_CACHE_HOME", "relative", 1);  // not absolute: ignored
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(LocalAppDataFolder(), L"\\home\\u\\.cache");
    unsetenv("XDG_CACHE_HOME");
    unsetenv("HOME");
    EXPECT_EQ(LocalAppDataFolder(), L"");
    if (oldCache) setenv("XDG_CACHE_HOME", savedCache.c_str(), 1);
    if (oldHome) setenv("HOME", savedHome.c_str(), 1);
}

TEST(PosixTest, OpenInFileManagerStartsXdgOpenDetached) {
    ScratchFolder dir;
    const std::string bin = ToNativePath(dir / L"bin");
    const std::string marker = ToNativePath(dir / L"opened.txt");
    WriteFile(dir / L"bin\\xdg-open", "#!/bin/sh\necho \"$1\" > '" + marker + ".tmp' && /bin/mv '" + marker + ".tmp' '" +
                                          marker + "'\n");
    ASSERT_EQ(::chmod((bin + "/xdg-open").c_str(), 0755), 0);
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", bin.c_str(), 1);
    OpenInFileManager(dir / L"out dir");
    setenv("PATH", oldPath.c_str(), 1);
    for (int i = 0; i < 500 && !FileExists(dir / L"opened.txt"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const auto text = testing_support::ReadFile(dir / L"opened.txt");
    EXPECT_EQ(std::string(text.begin(), text.end()), ToNativePath(dir / L"out dir") + "\n");

    // Without xdg-open nothing happens and nothing is raised.
    setenv("PATH", (bin + "/none").c_str(), 1);
    OpenInFileManager(dir.Path());
    setenv("PATH", oldPath.c_str(), 1);
}

TEST(PosixTest, APipeIsRefusedWithoutWaitingForAWriter) {
    ScratchFolder dir;
    ASSERT_EQ(::mkfifo(ToNativePath(dir / L"pipe.pages").c_str(), 0600), 0);
    ErrorCode error = kErrorSuccess;
    EXPECT_FALSE(File::OpenRead(dir / L"pipe.pages", error));
    EXPECT_EQ(error, kErrorAccessDenied);
    EXPECT_FALSE(CopyFileNew(dir / L"pipe.pages", dir / L"out.pdf", error));
    EXPECT_EQ(error, kErrorAccessDenied);
    EXPECT_FALSE(FileExists(dir / L"out.pdf"));
}

TEST(PosixTest, DeleteTreeEmptiesReadOnlyFoldersButNeverFollowsLinks) {
    ScratchFolder dir;
    WriteFile(dir / L"outside\\keep.txt", "k");
    WriteFile(dir / L"work\\locked\\x.txt", "x");
    ASSERT_EQ(::symlink(ToNativePath(dir / L"outside").c_str(), ToNativePath(dir / L"work\\link").c_str()), 0);
    ASSERT_EQ(::chmod(ToNativePath(dir / L"work\\locked").c_str(), 0555), 0);
    EXPECT_TRUE(DeleteTree(dir / L"work\\"));
    EXPECT_FALSE(FileExists(dir / L"work"));
    EXPECT_TRUE(FileExists(dir / L"outside\\keep.txt"));
    EXPECT_FALSE(DeleteTree(dir / L"work"));  // gone already
    EXPECT_FALSE(DeleteTree(L"\\"));         // the root: refused
}

}  // namespace
