#include <gtest/gtest.h>

#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "support/TestSupport.h"

using namespace platform;
using testsupport::FileExists;
using testsupport::TScratchFolder;
using testsupport::WriteFile;

namespace {

TEST(FoldersTest, DirectoryExistsOnlyForFolders) {
    TScratchFolder dir;
    WriteFile(dir / L"file.txt", "x");
    struct TCase {
        std::wstring Path;
        bool Exists;
    };
    const TCase cases[] = {
        {dir.Path(), true},
        {dir.Path() + L"\\", true},
        {dir / L"file.txt", false},
        {dir / L"missing", false},
        {dir / L"missing\\deeper", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.Path));
        EXPECT_EQ(DirectoryExists(c.Path), c.Exists);
    }
}

TEST(FoldersTest, ForceDirectoriesMakesEveryMissingLevel) {
    TScratchFolder dir;
    EXPECT_TRUE(ForceDirectories(dir / L"a\\b\\c\\"));
    EXPECT_TRUE(DirectoryExists(dir / L"a\\b\\c"));
    EXPECT_TRUE(ForceDirectories(dir / L"a\\b\\c"));  // exists already
}

TEST(FoldersTest, ForceDirectoriesFailsQuietlyUnderAFile) {
    TScratchFolder dir;
    WriteFile(dir / L"file.txt", "x");
    EXPECT_FALSE(ForceDirectories(dir / L"file.txt\\sub"));
}

TEST(FoldersTest, ForceDirectoriesRaisesOnAnEmptyPath) {
    try {
        ForceDirectories(L"");
        FAIL() << "no exception";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), L"Unable to create directory");
        EXPECT_EQ(e.ErrorCode, 3);
    }
    // A bare relative name that doesn't exist recurses on an empty parent.
    EXPECT_THROW(ForceDirectories(L"p2p-no-such-relative-folder"), EInOutError);
    EXPECT_FALSE(FileExists(L"p2p-no-such-relative-folder"));
}

TEST(FoldersTest, ForceDirectoriesTakesShortPathsAsPresent) {
    EXPECT_TRUE(ForceDirectories(L"Q:"));
    EXPECT_TRUE(ForceDirectories(L"Q:\\"));
    EXPECT_TRUE(ForceDirectories(L"ab"));
    EXPECT_FALSE(FileExists(L"ab"));
}

}  // namespace
