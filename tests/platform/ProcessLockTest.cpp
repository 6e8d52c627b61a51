#include <gtest/gtest.h>

#include "platform/ProcessLock.h"
#include "support/TestSupport.h"

using namespace platform;
using testsupport::TScratchFolder;

namespace {

// Within one process a second lock on the same folder is refused too (one batch at a
// time); the cross-process case is covered where a second process is easy to make.
TEST(ProcessLockTest, OneHolderPerFolderUntilReleased) {
    TScratchFolder dir;
    const auto folder = dir / L"Lumbrook\\";
    auto first = TProcessLock::TryAcquire(folder);
    ASSERT_TRUE(first);
    EXPECT_FALSE(TProcessLock::TryAcquire(folder));
    EXPECT_TRUE(TProcessLock::TryAcquire(dir / L"Other\\"));

    TProcessLock moved = std::move(first);
    EXPECT_FALSE(first);  // NOLINT(bugprone-use-after-move)
    EXPECT_FALSE(TProcessLock::TryAcquire(folder));
    moved = TProcessLock();
    EXPECT_TRUE(TProcessLock::TryAcquire(folder));
}

// A retired lock is let go for good: the next TryAcquire gets it, as after a release.
TEST(ProcessLockTest, ARetiredLockIsFreeForTheNext) {
    TScratchFolder dir;
    const auto folder = dir / L"Lumbrook\\7";
    auto lock = TProcessLock::TryAcquire(folder);
    ASSERT_TRUE(lock);
    lock.Retire();
    EXPECT_FALSE(lock);
    lock.Retire();  // nothing held: nothing happens
    EXPECT_TRUE(TProcessLock::TryAcquire(folder));
}

}  // namespace
