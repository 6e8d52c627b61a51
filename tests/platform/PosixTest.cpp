// What only the POSIX backend has: path translation, the lock across processes, the
// file manager hand-off.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/ProcessLock.h"
#include "platform/posix/PathTranslation.h"
#include "support/TestSupport.h"

using namespace platform;
using testsupport::FileExists;
using testsupport::TScratchFolder;
using testsupport::WriteFile;

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
    TScratchFolder dir;
    const auto folder = dir / L"cache\\Lumbrook\\";
    auto held = TProcessLock::TryAcquire(folder);
    ASSERT_TRUE(held);
    EXPECT_TRUE(FileExists(dir / L"cache\\Lumbrook.lock"));
    EXPECT_EQ(InChild([&] { return TProcessLock::TryAcquire(folder) ? 1 : 0; }), 0);
    held = TProcessLock();
    EXPECT_EQ(InChild([&] { return TProcessLock::TryAcquire(folder) ? 1 : 0; }), 1);
}

// Retiring removes the lock file while it is held, so a process that opened the file before and
// locks it after holds a file nobody else finds: it keeps no later conversion out.
TEST(PosixTest, ARetiredLockFileIsRemovedAndALockOnItsOldFileIsRefused) {
    TScratchFolder dir;
    const auto folder = dir / L"Lumbrook\\7";
    const std::string lockFile = ToNativePath(dir / L"Lumbrook\\7.lock");
    auto held = TProcessLock::TryAcquire(folder);
    ASSERT_TRUE(held);
    // Opened, not yet locked, by someone else.
    const int late = ::open(lockFile.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(late, 0);
    held.Retire();
    EXPECT_FALSE(FileExists(dir / L"Lumbrook\\7.lock"));
    ASSERT_EQ(::flock(late, LOCK_EX | LOCK_NB), 0);
    auto fresh = TProcessLock::TryAcquire(folder);
    EXPECT_TRUE(fresh);
    EXPECT_TRUE(FileExists(dir / L"Lumbrook\\7.lock"));
    ::close(late);
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

TEST(PosixTest, APipeIsRefusedWithoutWaitingForAWriter) {
    TScratchFolder dir;
    ASSERT_EQ(::mkfifo(ToNativePath(dir / L"pipe.pages").c_str(), 0600), 0);
    TErrorCode error = kErrorSuccess;
    EXPECT_FALSE(TFile::OpenRead(dir / L"pipe.pages", error));
    EXPECT_EQ(error, kErrorAccessDenied);
    EXPECT_FALSE(CopyFileNew(dir / L"pipe.pages", dir / L"out.pdf", error));
    EXPECT_EQ(error, kErrorAccessDenied);
    EXPECT_FALSE(FileExists(dir / L"out.pdf"));
}

TEST(PosixTest, DeleteTreeEmptiesReadOnlyFoldersButNeverFollowsLinks) {
    TScratchFolder dir;
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

TEST(PosixTest, CreateLocksANewFileAndChecksWhateverIsAlreadyThere) {
    TScratchFolder dir;
    TErrorCode error = kErrorSuccess;
    TFile made = TFile::Create(dir / L"new.pdf", error);
    ASSERT_TRUE(made);
    EXPECT_EQ(error, kErrorSuccess);
    EXPECT_EQ(made.Write("kept", 4), 4);
    EXPECT_FALSE(TFile::OpenRead(dir / L"new.pdf", error));
    EXPECT_EQ(error, kErrorSharingViolation);
    EXPECT_FALSE(TFile::Create(dir / L"new.pdf", error));
    EXPECT_EQ(error, kErrorSharingViolation);
    made.Close();
    const auto kept = testsupport::ReadFile(dir / L"new.pdf");
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "kept");

    // A link to a file is followed, and its target emptied, as a Windows link would be.
    WriteFile(dir / L"target.pdf", "old");
    ASSERT_EQ(::symlink("target.pdf", ToNativePath(dir / L"link.pdf").c_str()), 0);
    EXPECT_TRUE(TFile::Create(dir / L"link.pdf", error));
    EXPECT_TRUE(testsupport::ReadFile(dir / L"target.pdf").empty());

    ASSERT_EQ(::mkfifo(ToNativePath(dir / L"pipe.pdf").c_str(), 0600), 0);
    EXPECT_FALSE(TFile::Create(dir / L"pipe.pdf", error));
    EXPECT_EQ(error, kErrorAccessDenied);
}

TEST(PosixTest, DeleteTreeRemovesLinksPipesAndDeepFoldersWithoutFollowing) {
    TScratchFolder dir;
    WriteFile(dir / L"outside\\keep.txt", "k");
    const std::string outside = ToNativePath(dir / L"outside");
    std::wstring deep = dir / L"work";
    for (int level = 0; level < 100; ++level) deep += L"\\d";
    WriteFile(deep + L"\\x.txt", "x");
    WriteFile(dir / L"work\\a\\b\\y.txt", "y");
    ASSERT_EQ(::symlink(outside.c_str(), ToNativePath(dir / L"work\\a\\b\\folder-link").c_str()), 0);
    ASSERT_EQ(::symlink((outside + "/keep.txt").c_str(), ToNativePath(dir / L"work\\a\\file-link").c_str()), 0);
    ASSERT_EQ(::symlink("missing", ToNativePath(dir / L"work\\dangling").c_str()), 0);
    ASSERT_EQ(::mkfifo(ToNativePath(dir / L"work\\a\\pipe").c_str(), 0600), 0);
    EXPECT_TRUE(DeleteTree(dir / L"work"));
    EXPECT_FALSE(FileExists(dir / L"work"));
    EXPECT_TRUE(FileExists(dir / L"outside\\keep.txt"));

    // A link given as the tree: the link goes, its target stays.
    ASSERT_EQ(::symlink(outside.c_str(), ToNativePath(dir / L"alias").c_str()), 0);
    EXPECT_TRUE(DeleteTree(dir / L"alias"));
    struct stat st {};
    EXPECT_NE(::lstat(ToNativePath(dir / L"alias").c_str(), &st), 0);
    EXPECT_TRUE(FileExists(dir / L"outside\\keep.txt"));
}

TEST(PosixTest, FindListingFollowsLinksAndStillShowsWhatItCannotFollow) {
    TScratchFolder dir;
    WriteFile(dir / L"list\\file.txt", "f");
    WriteFile(dir / L"real\\inside.txt", "i");
    ASSERT_EQ(::symlink(ToNativePath(dir / L"real").c_str(), ToNativePath(dir / L"list\\folder-link").c_str()), 0);
    ASSERT_EQ(::symlink("missing", ToNativePath(dir / L"list\\dangling").c_str()), 0);
    ASSERT_EQ(::mkfifo(ToNativePath(dir / L"list\\pipe").c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(ToNativePath(dir / L"list\\sub").c_str(), 0755), 0);
    std::vector<std::pair<std::wstring, bool>> seen;
    auto listing = TFindListing::Start(dir / L"list\\*.*");
    TFindEntry entry;
    while (listing.Next(entry)) seen.emplace_back(entry.Name, (entry.Attributes & kAttrDirectory) != 0);
    const std::vector<std::pair<std::wstring, bool>> expected = {
        {L".", true},          {L"..", true},  {L"dangling", false}, {L"file.txt", false},
        {L"folder-link", true}, {L"pipe", false}, {L"sub", true}};
    EXPECT_EQ(seen, expected);
}

}  // namespace
