#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "support/TestSupport.h"

using namespace platform;
using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::TScratchFolder;
using testsupport::WriteFile;

namespace {

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// Read-only through the standard library: FILE_ATTRIBUTE_READONLY on Windows, no write bits on POSIX.
void MakeReadOnly(const std::wstring& enginePath) {
#ifdef _WIN32
    const std::filesystem::path native(enginePath);
#else
    std::wstring slashed = enginePath;
    for (auto& c : slashed) {
        if (c == L'\\') c = L'/';
    }
    const std::filesystem::path native(ToUtf8(slashed));
#endif
    std::filesystem::permissions(native, std::filesystem::perms::all, std::filesystem::perm_options::remove);
    std::filesystem::permissions(native, std::filesystem::perms::owner_read, std::filesystem::perm_options::add);
}

std::vector<std::wstring> ListNames(const std::wstring& pattern) {
    std::vector<std::wstring> names;
    auto listing = TFindListing::Start(pattern);
    TFindEntry entry;
    while (listing.Next(entry)) names.push_back(entry.Name);
    return names;
}

TEST(FileSystemTest, MessagesOfTheCommonCodesHaveNoTrailingStop) {
    for (TErrorCode code : {kErrorFileNotFound, kErrorPathNotFound, kErrorAccessDenied, kErrorSharingViolation,
                           kErrorFileExists, kErrorDiskFull, kErrorInvalidName, kErrorAlreadyExists}) {
        SCOPED_TRACE(code);
        const auto text = SystemErrorMessage(code);
        ASSERT_FALSE(text.empty());
        EXPECT_NE(text.back(), L'.');
        EXPECT_GT(text.back(), L' ');
    }
    EXPECT_NE(SystemErrorMessage(kErrorFileNotFound), SystemErrorMessage(kErrorAccessDenied));
}

TEST(FileSystemTest, FullPathNameResolvesDotsAndSlashes) {
    TScratchFolder dir;
    const auto base = dir.Path();
    struct TCase {
        std::wstring input, Expected;
    };
    const TCase cases[] = {
        {base + L"\\a\\.\\b\\..\\c.txt", base + L"\\a\\c.txt"},
        {base + L"\\a\\b\\..\\..\\c", base + L"\\c"},
        {base + L"\\a/b/c", base + L"\\a\\b\\c"},
        {base + L"\\a\\", base + L"\\a\\"},
        {base + L"\\a\\.", base + L"\\a"},
        {base, base},
        {L"\\\\server\\share\\a\\..\\b", L"\\\\server\\share\\b"},
        {L"\\\\server\\share\\..\\..\\b", L"\\\\server\\share\\b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.input));
        TErrorCode error = 99;
        EXPECT_EQ(FullPathName(c.input, error), c.Expected);
        EXPECT_EQ(error, kErrorSuccess);
    }
}

TEST(FileSystemTest, FullPathNameMakesARelativeNameAbsolute) {
    TErrorCode error = 99;
    const auto full = FullPathName(L"some.pages", error);
    EXPECT_EQ(error, kErrorSuccess);
    ASSERT_GT(full.size(), 11u);
    EXPECT_EQ(full.substr(full.size() - 11), L"\\some.pages");
    EXPECT_TRUE(RootExists(full));
}

TEST(FileSystemTest, RootOfAFullPathExistsButAUncRootDoesNot) {
    TScratchFolder dir;
    EXPECT_TRUE(RootExists(dir.Path()));
    EXPECT_FALSE(RootExists(L"\\\\server\\share\\x"));
}

TEST(FileSystemTest, AttributesTellFoldersFromFiles) {
    TScratchFolder dir;
    WriteFile(dir / L"file.txt", "x");
    TErrorCode error = 99;
    const auto folder = FileAttributes(dir.Path(), error);
    EXPECT_EQ(error, kErrorSuccess);
    ASSERT_NE(folder, kInvalidAttributes);
    EXPECT_NE(folder & kAttrDirectory, 0u);
    const auto file = FileAttributes(dir / L"file.txt", error);
    ASSERT_NE(file, kInvalidAttributes);
    EXPECT_EQ(file & kAttrDirectory, 0u);
    EXPECT_EQ(FileAttributes(dir / L"missing", error), kInvalidAttributes);
    EXPECT_EQ(error, kErrorFileNotFound);
    EXPECT_EQ(FileAttributes(dir / L"missing\\deeper", error), kInvalidAttributes);
    EXPECT_EQ(error, kErrorPathNotFound);
    EXPECT_TRUE(CanOpenFolder(dir.Path()));
    EXPECT_FALSE(CanOpenFolder(dir / L"missing"));
}

TEST(FileSystemTest, CreateFolderMakesOneLevelAndFailsWhenItExists) {
    TScratchFolder dir;
    TErrorCode error = 99;
    EXPECT_TRUE(CreateFolder(dir / L"new", error));
    EXPECT_EQ(error, kErrorSuccess);
    EXPECT_FALSE(CreateFolder(dir / L"new", error));
    EXPECT_EQ(error, kErrorAlreadyExists);
    EXPECT_FALSE(CreateFolder(dir / L"a\\b", error));
    EXPECT_EQ(error, kErrorPathNotFound);
    EXPECT_FALSE(FileExists(dir / L"a"));
}

TEST(FileSystemTest, DeleteTreeRemovesANestedTree) {
    TScratchFolder dir;
    WriteFile(dir / L"work\\a.txt", "a");
    WriteFile(dir / L"work\\sub\\deeper\\b.pdf", "b");
    WriteFile(dir / L"work\\.hidden", "h");
    WriteFile(dir / L"work\\sub\\read-only.txt", "r");
    MakeReadOnly(dir / L"work\\sub\\read-only.txt");
    WriteFile(dir / L"keep.txt", "k");
    // With the trailing separator, as the working folder is passed.
    EXPECT_TRUE(DeleteTree(dir / L"work\\"));
    EXPECT_FALSE(FileExists(dir / L"work"));
    EXPECT_TRUE(FileExists(dir / L"keep.txt"));
    WriteFile(dir / L"again\\x\\y.txt", "y");
    EXPECT_TRUE(DeleteTree(dir / L"again"));
    EXPECT_FALSE(FileExists(dir / L"again"));
    EXPECT_TRUE(FileExists(dir.Path()));
}

TEST(FileSystemTest, CopyFileNewCopiesBytesAndNeverOverwrites) {
    TScratchFolder dir;
    std::vector<std::uint8_t> pdf(300000);
    for (std::size_t i = 0; i < pdf.size(); ++i) pdf[i] = static_cast<std::uint8_t>(i * 31 + 7);
    WriteFile(dir / L"found.pdf", pdf);
    TErrorCode error = 99;
    EXPECT_TRUE(CopyFileNew(dir / L"found.pdf", dir / L"out.pdf", error));
    EXPECT_EQ(error, kErrorSuccess);
    EXPECT_EQ(ReadFile(dir / L"out.pdf"), pdf);

    WriteFile(dir / L"existing.pdf", "precious");
    EXPECT_FALSE(CopyFileNew(dir / L"found.pdf", dir / L"existing.pdf", error));
    EXPECT_EQ(error, kErrorFileExists);
    EXPECT_EQ(ReadFile(dir / L"existing.pdf"), Bytes("precious"));

    EXPECT_FALSE(CopyFileNew(dir / L"missing.pdf", dir / L"new.pdf", error));
    EXPECT_EQ(error, kErrorFileNotFound);
    EXPECT_FALSE(FileExists(dir / L"new.pdf"));
    EXPECT_FALSE(CopyFileNew(dir / L"found.pdf", dir / L"no\\folder\\new.pdf", error));
    EXPECT_EQ(error, kErrorPathNotFound);
}

TEST(FileSystemTest, CopyFileNewCannotCopyAFileHeldOpen) {
    TScratchFolder dir;
    WriteFile(dir / L"held.pdf", "held");
    TErrorCode error = kErrorSuccess;
    TFile holder = TFile::OpenRead(dir / L"held.pdf", error);
    ASSERT_TRUE(holder);
    EXPECT_FALSE(CopyFileNew(dir / L"held.pdf", dir / L"copy.pdf", error));
    EXPECT_EQ(error, kErrorSharingViolation);
    EXPECT_FALSE(FileExists(dir / L"copy.pdf"));
}

TEST(FileSystemTest, LocalAppDataFolderIsAbsoluteWithoutTrailingSeparator) {
    const auto folder = LocalAppDataFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), L'\\');
    TErrorCode error = kErrorSuccess;
    EXPECT_TRUE(RootExists(FullPathName(folder, error)));
}

TEST(FileSystemTest, FindListingGivesEveryEntryInCaseInsensitiveOrder) {
    TScratchFolder dir;
    for (const wchar_t* name : {L"b.txt", L"A.txt", L"c.txt", L"_u.txt", L"Z.txt", L".hidden"}) WriteFile(dir / name, "x");
    WriteFile(dir / L"Sub\\inner.pdf", "x");

    std::vector<std::wstring> names;
    std::vector<std::uint32_t> attributes;
    auto listing = TFindListing::Start(dir / L"*.*");
    ASSERT_TRUE(listing);
    TFindEntry entry;
    while (listing.Next(entry)) {
        names.push_back(entry.Name);
        attributes.push_back(entry.Attributes);
    }
    // NTFS compares upper-cased names: "_" (0x5F) sorts after "Z" (0x5A).
    const std::vector<std::wstring> expected = {L".",     L"..",    L".hidden", L"A.txt", L"b.txt",
                                                L"c.txt", L"Sub",   L"Z.txt",   L"_u.txt"};
    EXPECT_EQ(names, expected);
    ASSERT_EQ(attributes.size(), expected.size());
    EXPECT_NE(attributes[0] & kAttrDirectory, 0u);
    EXPECT_NE(attributes[1] & kAttrDirectory, 0u);
    EXPECT_EQ(attributes[3] & kAttrDirectory, 0u);
    EXPECT_NE(attributes[6] & kAttrDirectory, 0u);
    EXPECT_FALSE(listing.Next(entry));
}

TEST(FileSystemTest, FindListingOfAMissingFolderIsEmpty) {
    TScratchFolder dir;
    auto listing = TFindListing::Start(dir / L"missing\\*.*");
    EXPECT_FALSE(listing);
    TFindEntry entry;
    EXPECT_FALSE(listing.Next(entry));
    EXPECT_TRUE(ListNames(dir / L"missing\\*.*").empty());
}

TEST(FileSystemTest, MovedListingContinuesWhereItWas) {
    TScratchFolder dir;
    WriteFile(dir / L"one", "1");
    auto listing = TFindListing::Start(dir / L"*.*");
    TFindEntry entry;
    ASSERT_TRUE(listing.Next(entry));
    EXPECT_EQ(entry.Name, L".");
    TFindListing moved = std::move(listing);
    ASSERT_TRUE(moved.Next(entry));
    EXPECT_EQ(entry.Name, L"..");
    ASSERT_TRUE(moved.Next(entry));
    EXPECT_EQ(entry.Name, L"one");
    EXPECT_FALSE(moved.Next(entry));
}

}  // namespace
