// The real Pages documents: every entry extracts, with its declared size and CRC-32.

#include <gtest/gtest.h>

#include <algorithm>

#include "ZipTestSupport.h"
#include "platform/Text.h"
#include "support/TestSupport.h"

using namespace testsupport;

namespace {

class Corpus : public ::testing::TestWithParam<const wchar_t*> {};

}  // namespace

TEST_P(Corpus, EveryEntryExtracts) {
    const auto dir = testsupport::CorpusDir();
    if (dir.empty()) GTEST_SKIP() << "the corpus folder ../shared/corpus is absent";
    testsupport::TScratchFolder scratch;
    const std::wstring target = scratch.Path() + L"\\";
    TZipFile zip;
    zip.Open(dir + L"\\" + GetParam(), zmRead);
    zip.ExtractAll(target);  // checks each entry's CRC-32
    ASSERT_GT(zip.FileCount(), 0);
    int files = 0;
    for (int i = 0; i < zip.FileCount(); ++i) {
        const auto& entry = zip.FileInfo(i);
        std::wstring name = DecodedFileName(entry);
        std::replace(name.begin(), name.end(), L'/', L'\\');
        if (name.back() == L'\\') continue;
        ++files;
        EXPECT_EQ(testsupport::ReadFile(target + name).size(), entry.UncompressedSize) << platform::ToUtf8(name);
    }
    EXPECT_GT(files, 0);
}

INSTANTIATE_TEST_SUITE_P(Documents, Corpus,
                         ::testing::Values(L"pages4-file.pages", L"pages5-file.pages", L"pages5-extra-dir.pages"));

TEST(CorpusDocument, PreviewPdfComesOutByteIdentical) {
    const auto dir = testsupport::CorpusDir();
    if (dir.empty()) GTEST_SKIP() << "the corpus folder ../shared/corpus is absent";
    testsupport::TScratchFolder scratch;
    TZipFile zip;
    zip.Open(dir + L"\\pages4-file.pages", zmRead);
    zip.ExtractAll(scratch.Path());
    zip.Close();
    const auto pdf = testsupport::ReadFile(scratch / L"QuickLook\\Preview.pdf");
    EXPECT_EQ(pdf.size(), 2598u);
    EXPECT_EQ(testsupport::Sha256Hex(pdf), "2f0fbb960085cb95b9f96e78d818bde51019fbd69f1fcf61149ddf1b62563ef7");
}

TEST(CorpusDocument, FolderPackageWithDescriptorsExtractsCompletely) {
    const auto dir = testsupport::CorpusDir();
    if (dir.empty()) GTEST_SKIP() << "the corpus folder ../shared/corpus is absent";
    testsupport::TScratchFolder scratch;
    TZipFile zip;
    zip.Open(dir + L"\\pages5-extra-dir.pages", zmRead);
    int described = 0;
    for (int i = 0; i < zip.FileCount(); ++i) {
        EXPECT_EQ(DecodedFileName(zip.FileInfo(i)).rfind(L"Project Proposal.pages/", 0), 0u);
        described += (zip.FileInfo(i).Flag & kFlagDataDescriptor) != 0;
    }
    EXPECT_EQ(described, zip.FileCount());
    zip.ExtractAll(scratch.Path());
    EXPECT_TRUE(testsupport::FileExists(scratch / L"Project Proposal.pages\\Index.zip"));
}
