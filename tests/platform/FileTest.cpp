#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"

using namespace platform;
using testsupport::ReadFile;
using testsupport::TScratchFolder;
using testsupport::WriteFile;

namespace {

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(FileTest, OpenFileCannotBeOpenedAgainUntilClosed) {
    TScratchFolder dir;
    const auto path = dir / L"doc.pages";
    WriteFile(path, "content");
    TErrorCode error = kErrorSuccess;
    TFile first = TFile::OpenRead(path, error);
    ASSERT_TRUE(first);
    EXPECT_EQ(error, kErrorSuccess);

    TFile second = TFile::OpenRead(path, error);
    EXPECT_FALSE(second);
    EXPECT_EQ(error, kErrorSharingViolation);
    TFile writer = TFile::Create(path, error);
    EXPECT_FALSE(writer);
    EXPECT_EQ(error, kErrorSharingViolation);
    // The refused Create must not have emptied the file under the reader.
    char buffer[16] = {};
    EXPECT_EQ(first.Read(buffer, sizeof buffer), 7);
    EXPECT_EQ(std::string(buffer, 7), "content");

    first.Close();
    TFile third = TFile::OpenRead(path, error);
    EXPECT_TRUE(third);
    EXPECT_EQ(error, kErrorSuccess);
}

TEST(FileTest, MovedFileKeepsTheLockAndReleasesItOnce) {
    TScratchFolder dir;
    const auto path = dir / L"a.bin";
    WriteFile(path, "x");
    TErrorCode error = kErrorSuccess;
    TFile moved;
    {
        TFile original = TFile::OpenRead(path, error);
        moved = std::move(original);
        EXPECT_FALSE(original);  // NOLINT(bugprone-use-after-move): a moved-from File is closed
    }
    ASSERT_TRUE(moved);
    EXPECT_FALSE(TFile::OpenRead(path, error));
    moved = TFile();
    EXPECT_TRUE(TFile::OpenRead(path, error));
}

TEST(FileTest, SharedReadersCoexistButNotWithAnExclusiveHolder) {
    TScratchFolder dir;
    const auto path = dir / L"font.ttf";
    WriteFile(path, "glyphs");
    TErrorCode error = kErrorSuccess;
    TFile first = TFile::OpenReadShared(path, error);
    ASSERT_TRUE(first);
    TFile second = TFile::OpenReadShared(path, error);
    EXPECT_TRUE(second);
    EXPECT_FALSE(TFile::OpenRead(path, error));
    EXPECT_EQ(error, kErrorSharingViolation);
    EXPECT_FALSE(TFile::Create(path, error));
    EXPECT_EQ(error, kErrorSharingViolation);
    first.Close();
    second.Close();

    TFile exclusive = TFile::OpenRead(path, error);
    ASSERT_TRUE(exclusive);
    EXPECT_FALSE(TFile::OpenReadShared(path, error));
    EXPECT_EQ(error, kErrorSharingViolation);
}

TEST(FileTest, CreateEmptiesAnExistingFile) {
    TScratchFolder dir;
    const auto path = dir / L"out.pdf";
    WriteFile(path, "old and long content");
    TErrorCode error = kErrorSuccess;
    {
        TFile f = TFile::Create(path, error);
        ASSERT_TRUE(f);
        EXPECT_EQ(f.Seek(0, 2), 0);
        EXPECT_EQ(f.Write("new", 3), 3);
    }
    EXPECT_EQ(ReadFile(path), Bytes("new"));
}

TEST(FileTest, ReadWriteAndSeek) {
    TScratchFolder dir;
    const auto path = dir / L"data.bin";
    TErrorCode error = kErrorSuccess;
    TFile f = TFile::Create(path, error);
    ASSERT_TRUE(f);
    std::vector<char> data(100000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    EXPECT_EQ(f.Write(data.data(), static_cast<std::int32_t>(data.size())), 100000);
    EXPECT_EQ(f.Seek(0, 1), 100000);  // position
    EXPECT_EQ(f.Seek(0, 2), 100000);  // size
    EXPECT_EQ(f.Seek(-10, 2), 99990);
    EXPECT_EQ(f.Seek(5, 1), 99995);
    EXPECT_EQ(f.Seek(70000, 0), 70000);
    std::vector<char> back(40000);
    EXPECT_EQ(f.Read(back.data(), 40000), 30000);  // stops at the end
    EXPECT_EQ(std::memcmp(back.data(), data.data() + 70000, 30000), 0);
    EXPECT_EQ(f.Read(back.data(), 10), 0);
    EXPECT_EQ(f.Seek(-1, 0), -1);  // before the start
    f.Close();
    EXPECT_FALSE(f);
    EXPECT_EQ(f.Read(back.data(), 1), 0);
    EXPECT_EQ(f.Seek(0, 0), -1);
}

TEST(FileTest, OpenReadOfAMissingFileGivesAnErrorWithAText) {
    TScratchFolder dir;
    TErrorCode error = kErrorSuccess;
    EXPECT_FALSE(TFile::OpenRead(dir / L"missing.pages", error));
    EXPECT_EQ(error, kErrorFileNotFound);
    EXPECT_FALSE(TFile::OpenRead(dir / L"no\\such\\folder.pages", error));
    EXPECT_EQ(error, kErrorPathNotFound);
    const auto text = SystemErrorMessage(error);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), L'.');
    EXPECT_GT(text.back(), L' ');
}

TEST(FileTest, AFolderIsNoFile) {
    TScratchFolder dir;
    TErrorCode error = kErrorSuccess;
    EXPECT_FALSE(TFile::OpenRead(dir.Path(), error));
    EXPECT_EQ(error, kErrorAccessDenied);
    EXPECT_FALSE(TFile::Create(dir.Path(), error));
    EXPECT_EQ(error, kErrorAccessDenied);
}

TEST(FileTest, CreateInAMissingFolderFails) {
    TScratchFolder dir;
    TErrorCode error = kErrorSuccess;
    EXPECT_FALSE(TFile::Create(dir / L"missing\\out.pdf", error));
    EXPECT_EQ(error, kErrorPathNotFound);
}

}  // namespace
