// Publishing a file: whole under its final name or not at all, never over anything, and the
// temporaries of runs that died swept away.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Publish.h"
#include "platform/Text.h"
#include "support/TestSupport.h"

using namespace platform;
using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::TScratchFolder;
using testsupport::WriteFile;

namespace {

// No process runs under this id: above Linux's largest and not a multiple of 4 as Windows' are.
constexpr std::uint32_t kGoneProcess = 99999999;

std::string Contents(const std::wstring& path) {
    const auto bytes = ReadFile(path);
    return {bytes.begin(), bytes.end()};
}

// The names in folder, "." and ".." left out.
std::vector<std::wstring> Names(const std::wstring& folder) {
    std::vector<std::wstring> names;
    TFindListing listing = TFindListing::Start(folder + L"*.*");
    TFindEntry entry;
    while (listing.Next(entry)) {
        if (entry.Name != L"." && entry.Name != L"..") names.push_back(entry.Name);
    }
    return names;
}

bool WriteText(TFile& file, const std::string& text) {
    return file.Write(text.data(), static_cast<std::int32_t>(text.size())) == static_cast<std::int32_t>(text.size());
}

void SetAge(const std::wstring& path, std::chrono::minutes age) {
    namespace fs = std::filesystem;
    fs::last_write_time(testsupport::ToNative(path), fs::file_time_type::clock::now() - age);
}

}  // namespace

TEST(PublishTest, TheFinalNameAppearsWholeAndNothingElseStays) {
    TScratchFolder dir;
    const std::wstring folder = dir.Path() + L"\\";
    TErrorCode error = kErrorSuccess;
    ASSERT_TRUE(PublishNewFile(
        folder + L"out.pdf",
        [&](TFile& file, TErrorCode&) {
            // Nothing under the final name while the bytes are still going in.
            EXPECT_FALSE(FileExists(folder + L"out.pdf"));
            return WriteText(file, "%PDF-1.4 whole");
        },
        error));
    EXPECT_EQ(error, kErrorSuccess);
    EXPECT_EQ(Contents(folder + L"out.pdf"), "%PDF-1.4 whole");
    EXPECT_EQ(Names(folder), std::vector<std::wstring>{L"out.pdf"});
}

// A run that fails (or is stopped) mid-copy never leaves a partial PDF under the final name.
TEST(PublishTest, AFailureMidCopyLeavesNeitherTheFinalNameNorTheTemporary) {
    TScratchFolder dir;
    const std::wstring folder = dir.Path() + L"\\";
    TErrorCode error = kErrorSuccess;
    EXPECT_FALSE(PublishNewFile(
        folder + L"out.pdf",
        [&](TFile& file, TErrorCode& fillError) {
            WriteText(file, "%PDF-1.4 the first half");
            fillError = kErrorDiskFull;
            return false;
        },
        error));
    EXPECT_EQ(error, kErrorDiskFull);
    EXPECT_TRUE(Names(folder).empty());
}

TEST(PublishTest, AFileAppearingUnderTheFinalNameDuringTheCopyIsNotReplaced) {
    TScratchFolder dir;
    const std::wstring folder = dir.Path() + L"\\";
    TErrorCode error = kErrorSuccess;
    EXPECT_FALSE(PublishNewFile(
        folder + L"out.pdf",
        [&](TFile& file, TErrorCode&) {
            WriteFile(folder + L"out.pdf", "the user's own");
            return WriteText(file, "ours");
        },
        error));
    EXPECT_TRUE(error == kErrorFileExists || error == kErrorAlreadyExists) << error;
    EXPECT_EQ(Contents(folder + L"out.pdf"), "the user's own");
    EXPECT_EQ(Names(folder), std::vector<std::wstring>{L"out.pdf"});
}

TEST(PublishTest, AnExistingFileIsRefusedBeforeAnythingIsWritten) {
    TScratchFolder dir;
    const std::wstring folder = dir.Path() + L"\\";
    WriteFile(folder + L"out.pdf", "already here");
    TErrorCode error = kErrorSuccess;
    bool filled = false;
    EXPECT_FALSE(PublishNewFile(
        folder + L"out.pdf", [&](TFile&, TErrorCode&) { return filled = true; }, error));
    EXPECT_FALSE(filled);
    EXPECT_EQ(error, kErrorFileExists);
    EXPECT_EQ(Contents(folder + L"out.pdf"), "already here");

    EXPECT_FALSE(PublishNewFile(
        folder + L"missing\\out.pdf", [&](TFile&, TErrorCode&) { return filled = true; }, error));
    EXPECT_FALSE(filled);
    EXPECT_EQ(error, kErrorPathNotFound);
}

TEST(PublishTest, TemporaryNamesAreRecognisedByTheirWholePattern) {
    std::uint32_t id = 0;
    const std::wstring made = PublishTemporaryName(L"Report.pdf", 4242, 7);
    EXPECT_EQ(made, L".~Report.pdf.p2p-tmp-4242-7");
    EXPECT_TRUE(IsPublishTemporaryName(made, id));
    EXPECT_EQ(id, 4242u);
    // A long name is cut, so the temporary's name is never too long where the final one is not.
    EXPECT_EQ(PublishTemporaryName(std::wstring(300, L'x') + L".pdf", 1, 0).size(),
              2 + 64 + std::wstring(L".p2p-tmp-1-0").size());

    const struct {
        const wchar_t* name;
        bool ours;
    } cases[] = {
        {L".~a.pdf.p2p-tmp-12-0", true},
        {L".~.p2p-tmp-12-0", false},           // no name at all: never made
        {L"a.pdf.p2p-tmp-12-0", false},         // no leading ".~"
        {L".~a.pdf.p2p-tmp-12", false},         // no counter
        {L".~a.pdf.p2p-tmp-x-0", false},        // no process id
        {L".~a.pdf.p2p-tmp-12-0.pdf", false},   // something after the counter
        {L".~a.pdf.p2p-tmp-99999999999-0", false},  // beyond 32 bits
        {L".~lock.pdf", false},
        {L"Report.pdf", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsPublishTemporaryName(c.name, id), c.ours) << c.name;
}

// Only our own temporaries, and only those no run will finish; two runs at once keep each other's.
TEST(PublishTest, StaleTemporariesAreSweptAndNothingElse) {
    TScratchFolder dir;
    const std::wstring folder = dir.Path() + L"\\";
    const std::uint32_t self = backend::CurrentProcessId();
    const struct {
        std::wstring name;
        int ageMinutes;
        bool swept;
    } cases[] = {
        {PublishTemporaryName(L"dead.pdf", kGoneProcess, 0), 0, true},       // its run was killed
        {PublishTemporaryName(L"writing.pdf", kGoneProcess, 1), 0, false},   // held open (below): in use
        {PublishTemporaryName(L"alive.pdf", self, 2), 5, false},             // its run is still going
        {PublishTemporaryName(L"reused.pdf", self, 3), 120, true},           // an hour old: the id was reused
        {L".~user.pdf.p2p-tmp-keep", 120, false},                            // a look-alike, not ours
        {L"Report.pdf", 120, false},
    };
    for (const auto& c : cases) {
        WriteFile(folder + c.name, "x");
        SetAge(folder + c.name, std::chrono::minutes(c.ageMinutes));
    }
    TErrorCode error = kErrorSuccess;
    const TFile writer = TFile::OpenRead(folder + cases[1].name, error);
    ASSERT_TRUE(writer);
    RemoveStaleTemporaries(folder);
    for (const auto& c : cases) {
        EXPECT_EQ(FileExists(folder + c.name), !c.swept) << platform::ToUtf8(c.name);
    }
}

// The next publishing into a folder sweeps it (once per folder and process).
TEST(PublishTest, PublishingSweepsTheFolderFirst) {
    TScratchFolder dir;
    const std::wstring folder = dir.Path() + L"\\";
    const std::wstring stale = folder + PublishTemporaryName(L"out.pdf", kGoneProcess, 0);
    WriteFile(stale, "%PDF-1.4 cut sh");
    WriteFile(folder + L"in.pdf", "%PDF-1.4 whole");
    TErrorCode error = kErrorSuccess;
    ASSERT_TRUE(CopyFileNew(folder + L"in.pdf", folder + L"out.pdf", error));
    EXPECT_EQ(Contents(folder + L"out.pdf"), "%PDF-1.4 whole");
    EXPECT_FALSE(FileExists(stale));
}

TEST(PublishTest, ProcessesAreToldApart) {
    EXPECT_TRUE(backend::ProcessRuns(backend::CurrentProcessId()));
    EXPECT_FALSE(backend::ProcessRuns(kGoneProcess));
}
