#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "convert/Drops.h"
#include "support/TestSupport.h"

namespace {

using testsupport::TScratchFolder;
using testsupport::WriteFile;

// A tree of the shapes people drop: loose documents, a bundle, folders with documents in sub-folders.
class DropsTest : public ::testing::Test {
protected:
    void SetUpTree() {
        WriteFile(dir / L"a.pages", std::string("PK"));
        WriteFile(dir / L"notes.txt", std::string("x"));
        WriteFile(dir / L"Bundle.pages/Index/Document.iwa", std::string("x"));
        WriteFile(dir / L"Reports/b.PAGES", std::string("PK"));
        WriteFile(dir / L"Reports/readme.pdf", std::string("x"));
        WriteFile(dir / L"Reports/2024/c.pages", std::string("PK"));
        WriteFile(dir / L"Reports/2024/Old.pages/index.xml", std::string("x"));
        WriteFile(dir / L"Empty/nothing.txt", std::string("x"));
    }
    TScratchFolder dir;
};

TEST_F(DropsTest, DocumentsInTheOrderDroppedAndFoldersSearched) {
    SetUpTree();
    const TDroppedDocuments got = CollectDroppedDocuments({
        dir / L"Reports\\",  // a trailing separator, as some shells give folders
        dir / L"notes.txt",
        dir / L"Bundle.pages",
        dir / L"missing.pages",
        dir / L"a.pages",
        dir / L"Empty",
    });
    const std::vector<std::wstring> expected = {
        dir / L"Reports/b.PAGES",          // the folder's own documents first
        dir / L"Reports/2024/c.pages",     // then its sub-folders'
        dir / L"Reports/2024/Old.pages",   // a bundle found by the search is one document, not searched
        dir / L"Bundle.pages",
        dir / L"a.pages",
    };
    EXPECT_EQ(got.Documents, expected);
    // notes.txt, the missing file and the folder without documents.
    EXPECT_EQ(got.Ignored, 3);
}

TEST_F(DropsTest, LinkedFoldersAreNotFollowed) {
    WriteFile(dir / L"Top/d.pages", std::string("PK"));
    std::error_code error;
    std::filesystem::create_directory_symlink(testsupport::ToNative(dir / L"Top"),
                                              testsupport::ToNative(dir / L"Top/loop"), error);
    if (error) GTEST_SKIP() << "links cannot be made here: " << error.message();
    const TDroppedDocuments got = CollectDroppedDocuments({dir / L"Top"});
    EXPECT_EQ(got.Documents, std::vector<std::wstring>{dir / L"Top/d.pages"});
}

TEST(DroppedItemsNoteTest, CountsInWords) {
    EXPECT_EQ(DroppedItemsNote(0), L"");
    EXPECT_EQ(DroppedItemsNote(1), L"1 dropped item was not a Pages document");
    EXPECT_EQ(DroppedItemsNote(2), L"2 dropped items were not Pages documents");
    EXPECT_EQ(DroppedItemsNote(0, TItemsSource::isCommandLine), L"");
    EXPECT_EQ(DroppedItemsNote(1, TItemsSource::isCommandLine), L"1 item given to the program was not a Pages document");
    EXPECT_EQ(DroppedItemsNote(3, TItemsSource::isCommandLine), L"3 items given to the program were not Pages documents");
}

}  // namespace
