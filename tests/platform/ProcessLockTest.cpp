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
    auto first = ProcessLock::TryAcquire(folder);
    ASSERT_TRUE(first);
    EXPECT_FALSE(ProcessLock::TryAcquire(folder));
    EXPECT_TRUE(ProcessLock::TryAcquire(dir / L"Other\\"));

    ProcessLock moved = std::move(first);
    EXPECT_FALSE(first);  // NOLINT(bugprone-use-after-move)
    EXPECT_FALSE(ProcessLock::TryAcquire(folder));
    moved = ProcessLock();
    EXPECT_TRUE(ProcessLock::TryAcquire(folder));
}

}  // namespace
