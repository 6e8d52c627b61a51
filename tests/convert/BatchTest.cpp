#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PackageBuilder.h"
#include "convert/Batch.h"
#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "support/TestSupport.h"

using namespace testsupport;

namespace {

// Records what the batch asks of its front end, in order.
class TRecordingFrontEnd : public IBatchFrontEnd {
public:
    std::vector<std::wstring> rows;
    std::wstring folderText;
    // Answers to successive same-folder questions; the last one repeats.
    std::vector<bool> sameFolder{false};
    std::vector<std::wstring> events;

    int RowCount() const override { return static_cast<int>(rows.size()); }
    std::wstring RowPath(int index) const override { return rows.at(static_cast<std::size_t>(index)); }
    std::wstring OutputFolderText() const override { return folderText; }
    bool SameFolderOption() const override {
        const bool answer = sameFolder.at(std::min(FAsked, sameFolder.size() - 1));
        ++FAsked;
        return answer;
    }
    int MessageBox(const std::wstring& text, const std::wstring& caption, unsigned flags) override {
        events.push_back(L"box " + caption + L" | " + text + L" | " + std::to_wstring(flags));
        return 1;  // IDOK
    }
    void SetBusyCursor(bool busy) override { events.push_back(busy ? L"cursor busy" : L"cursor default"); }
    void OpenFolder(const std::wstring& folder) override { events.push_back(L"open " + folder); }
    // Progress goes to its own list, so the boxes and cursor can be checked apart from it.
    std::vector<std::wstring> progress;
    void BatchStarted(int count) override { progress.push_back(L"start " + std::to_wstring(count)); }
    void RowStarted(int index, int count) override {
        progress.push_back(L"row " + std::to_wstring(index + 1) + L"/" + std::to_wstring(count));
    }
    void RowFinished(int index, const TDocumentResult& result) override {
        progress.push_back(L"done " + std::to_wstring(index + 1) + L" " +
                           (IsWritten(result) ? std::wstring(L"written") : DescribeReason(result)));
    }
    void RowFailed(int index, const std::wstring& error) override {
        progress.push_back(L"failed " + std::to_wstring(index + 1) + L" " + error);
    }
    void BatchEnded() override { progress.push_back(L"end"); }
    void RunRow(const std::function<void()>& work) override {
        progress.push_back(L"run");
        work();
    }

private:
    mutable std::size_t FAsked = 0;
};

class BatchTest : public ::testing::Test {
protected:
    void SetUp() override { engine.SetUpWorkingFolder(); }
    std::wstring Document(const std::wstring& name, const std::vector<std::uint8_t>& bytes) {
        const std::wstring path = scratch / (L"docs/" + name);
        WriteFile(path, bytes);
        return path;
    }
    void ExpectEvents(const std::vector<std::wstring>& expected) {
        EXPECT_EQ(ui.events.size(), expected.size());
        for (std::size_t i = 0; i < std::max(expected.size(), ui.events.size()); ++i) {
            EXPECT_EQ(platform::ToUtf8(i < ui.events.size() ? ui.events[i] : L"(none)"),
                      platform::ToUtf8(i < expected.size() ? expected[i] : L"(none)"))
                << "event " << i;
        }
    }

    TScratchFolder scratch;
    TConversionEngine engine{scratch / L"appdata"};
    TRecordingFrontEnd ui;
    std::wstring out = scratch / L"new\\out";
};

TEST_F(BatchTest, AnEmptyQueueDoesNothingAtAll) {
    ui.folderText = L"";
    ConvertBatch(engine, ui);
    ui.folderText = out;
    ConvertBatch(engine, ui);
    ExpectEvents({});
    EXPECT_FALSE(platform::DirectoryExists(out));
}

TEST_F(BatchTest, AnEmptyOutputFolderShowsTheNoteBoxEvenForTheSameFolder) {
    const std::wstring doc = Document(L"A.pages", PackageWithPdf("%PDF a"));
    ui.rows = {doc};
    ui.sameFolder = {true};
    ConvertBatch(engine, ui);
    ExpectEvents({L"box Please set the saving path! | Note! | 0", L"cursor default"});
    EXPECT_FALSE(FileExists(scratch / L"docs\\A.pdf"));
}

TEST_F(BatchTest, EveryRowWrittenShowsTheSuccessBoxAndOpensTheFolder) {
    ui.rows = {Document(L"A.pages", PackageWithPdf("%PDF a")), Document(L"B.v2.pages", PackageWithPdf("%PDF b"))};
    ui.folderText = out;  // missing: made first
    ConvertBatch(engine, ui);
    ExpectEvents({L"cursor busy", L"cursor default", L"box Congratulation | Successed to convert pages to pdf! | 0",
                  L"open " + out});
    EXPECT_EQ(ReadFile(out + L"\\A.pdf").size(), 6u);
    EXPECT_TRUE(FileExists(out + L"\\B.v2.pdf"));
}

TEST_F(BatchTest, RowsNotWrittenAreListedInAWarningBox) {
    const std::wstring present = Document(L"Present.pages", PackageWithPdf("%PDF new"));
    ui.rows = {Document(L"A.pages", PackageWithPdf("%PDF a")), Document(L"NoPreview.pages", PackageWithoutPdf()),
               present};
    ui.folderText = out + L"\\";  // as typed: the separator doubles in the output paths
    platform::ForceDirectories(out);
    WriteFile(out + L"\\Present.pdf", std::string("keep me"));
    ConvertBatch(engine, ui);
    ExpectEvents({L"cursor busy", L"cursor default",
                  L"box Conversion finished | Converted 1 of 3 documents.\r\n"
                  L"NoPreview.pages: saved by Pages '09 without a PDF preview\r\n"
                  L"Present.pages: a PDF of that name is already in the output folder | 48",
                  L"open " + out + L"\\"});
    EXPECT_TRUE(FileExists(out + L"\\A.pdf"));
    EXPECT_EQ(ReadFile(out + L"\\Present.pdf").size(), 7u);
    // Each row's outcome reaches the front end as it ends, the same reasons as the box.
    EXPECT_EQ(ui.progress,
              (std::vector<std::wstring>{L"start 3", L"row 1/3", L"run", L"done 1 written", L"row 2/3", L"run",
                                         L"done 2 saved by Pages '09 without a PDF preview", L"row 3/3", L"run",
                                         L"done 3 a PDF of that name is already in the output folder", L"end"}));
}

TEST_F(BatchTest, AModernDocumentLaidOutCountsAsWritten) {
    const std::wstring corpus = CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "../shared/corpus is absent";
    ui.rows = {Document(L"A.pages", PackageWithPdf("%PDF a")), corpus + L"\\pages5-file.pages"};
    ui.folderText = out;
    ConvertBatch(engine, ui);
    ExpectEvents({L"cursor busy", L"cursor default", L"box Congratulation | Successed to convert pages to pdf! | 0",
                  L"open " + out});
    EXPECT_TRUE(FileExists(out + L"\\pages5-file.pdf"));
}

TEST_F(BatchTest, AWarningBoxListsAtMostFifteenLines) {
    const std::wstring empty = Document(L"Empty.pages", PackageWithoutPdf());
    ui.rows.assign(20, empty);
    ui.folderText = out;
    ConvertBatch(engine, ui);
    const std::wstring line = L"\r\nEmpty.pages: saved by Pages '09 without a PDF preview";
    std::wstring expected = L"box Conversion finished | Converted 0 of 20 documents.";
    for (int i = 0; i < 14; ++i) expected += line;
    expected += L"\r\n... and 6 more not converted. | 48";
    ExpectEvents({L"cursor busy", L"cursor default", expected, L"open " + out});
}

// The working folder keeps nothing of the last document once the batch is over, however it ended.
TEST_F(BatchTest, TheWorkingFolderIsEmptyWhenTheBatchEnds) {
    const auto workingFolderEntries = [&] {
        std::vector<std::wstring> names;
        platform::TFindListing listing = platform::TFindListing::Start(engine.tempDir + L"*.*");
        platform::TFindEntry entry;
        while (listing.Next(entry)) {
            if (entry.Name != L"." && entry.Name != L"..") names.push_back(entry.Name);
        }
        return names;
    };
    ui.folderText = out;
    ui.rows = {Document(L"A.pages", PackageWithPdf("%PDF a"))};
    ConvertBatch(engine, ui);
    EXPECT_TRUE(FileExists(out + L"\\A.pdf"));
    EXPECT_TRUE(platform::DirectoryExists(engine.tempDir));
    EXPECT_TRUE(workingFolderEntries().empty());

    ui.rows = {Document(L"B.pages", PackageWithPdf("%PDF b")),
               Document(L"Broken.pages", std::vector<std::uint8_t>(64, 'x'))};
    EXPECT_THROW(ConvertBatch(engine, ui), Exception);
    EXPECT_TRUE(FileExists(out + L"\\B.pdf"));
    EXPECT_TRUE(workingFolderEntries().empty());
}

TEST_F(BatchTest, AnErrorEndsTheBatchAtItsRow) {
    ui.rows = {Document(L"A.pages", PackageWithPdf("%PDF a")),
               Document(L"Broken.pages", std::vector<std::uint8_t>(64, 'x')),
               Document(L"C.pages", PackageWithPdf("%PDF c"))};
    ui.folderText = out;
    std::wstring shown;
    try {
        ConvertBatch(engine, ui);
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        shown = e.Message();
    }
    ExpectEvents({L"cursor busy", L"cursor default"});
    EXPECT_TRUE(FileExists(out + L"\\A.pdf"));
    EXPECT_FALSE(FileExists(out + L"\\C.pdf"));
    // The row that stopped the batch carries the error's own text; the rows after it nothing.
    EXPECT_FALSE(shown.empty());
    EXPECT_EQ(ui.progress, (std::vector<std::wstring>{L"start 3", L"row 1/3", L"run", L"done 1 written", L"row 2/3",
                                                      L"run", L"failed 2 " + shown, L"end"}));
}

TEST_F(BatchTest, TheSameFolderOptionIsReadForEveryRow) {
    // On for the first row, off for the second and at the end: the file manager opens.
    ui.rows = {Document(L"A.pages", PackageWithPdf("%PDF a")), Document(L"B.pages", PackageWithPdf("%PDF b"))};
    ui.folderText = out;
    ui.sameFolder = {true, false};
    ConvertBatch(engine, ui);
    EXPECT_TRUE(FileExists(scratch / L"docs\\A.pdf"));
    EXPECT_TRUE(FileExists(out + L"\\B.pdf"));
    EXPECT_EQ(ui.events.back(), L"open " + out);
}

TEST_F(BatchTest, TheSameFolderOptionMakesTheOutputFolderButOpensNothing) {
    ui.rows = {Document(L"A.pages", PackageWithPdf("%PDF a"))};
    ui.folderText = out;
    ui.sameFolder = {true};
    ConvertBatch(engine, ui);
    ExpectEvents({L"cursor busy", L"cursor default", L"box Congratulation | Successed to convert pages to pdf! | 0"});
    EXPECT_TRUE(platform::DirectoryExists(out));
    EXPECT_TRUE(FileExists(scratch / L"docs\\A.pdf"));
}

TEST_F(BatchTest, ABatchRunsWhileAnotherConversionHoldsItsWorkingFolder) {
    ui.rows = {Document(L"A.pages", PackageWithPdf("%PDF a"))};
    ui.folderText = out;
    TConversionEngine other{scratch / L"appdata"};
    other.SetUpWorkingFolder();
    WriteFile(other.tempDir + L"unpacked.txt", std::string("the other conversion's document"));
    ConvertBatch(engine, ui);
    EXPECT_TRUE(FileExists(out + L"\\A.pdf"));
    EXPECT_TRUE(FileExists(other.tempDir + L"unpacked.txt"));
}

TEST_F(BatchTest, AnOutputFolderTheSystemRejectsEndsTheBatchBeforeTheCursor) {
    ui.rows = {Document(L"A.pages", PackageWithPdf("%PDF a"))};
    ui.folderText = L"relative-name-that-does-not-exist";
    try {
        ConvertBatch(engine, ui);
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), L"Unable to create directory");
    }
    ExpectEvents({});
}

}  // namespace
