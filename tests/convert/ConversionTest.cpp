#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PackageBuilder.h"
#include "convert/Conversion.h"
#include "platform/Exception.h"
#include "platform/File.h"
#include "platform/Folders.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "support/TestSupport.h"

#ifdef _WIN32
#include <windows.h>
#endif
#ifdef __linux__
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

using namespace testsupport;
using platform::ToUtf8;

namespace {

std::string Text(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

TEST(OutputNameTest, CutsAtTheLastDot) {
    struct TCase {
        const wchar_t* Path;
        const wchar_t* Name;
    };
    const TCase cases[] = {
        {L"C:\\Docs\\Report.pages", L"Report"},
        {L"C:\\Docs\\my.report.v2.pages", L"my.report.v2"},
        {L"C:\\Docs\\Report", L"Report"},            // no dot: the whole name
        {L"C:\\my.docs\\Report", L"Report"},         // a dot in a folder is not the file's
        {L"C:\\Docs\\.hidden.pages", L".hidden"},
        {L"C:\\Docs\\.pages", L""},                  // only an extension
#ifdef _WIN32
        {L"D:Report.pages", L"Report"},
#else
        // A colon is part of a POSIX name: two meetings keep names of their own.
        {L"\\home\\u\\Meeting 10:30.pages", L"Meeting 10:30"},
        {L"\\home\\u\\Meeting 11:30.pages", L"Meeting 11:30"},
#endif
        {L"Report.pages", L"Report"},
        {L"C:\\Docs\\a/b.c.pages", L"a/b.c"},        // "/" separates nothing
        {L"C:\\Docs\\Report.pages\\", L"Report"},   // a document folder with its separator
        {L"C:\\Docs\\Report.pages\\\\", L"Report"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.Path));
        EXPECT_EQ(GetFileNameNoExt(c.Path), c.Name);
    }
}

TEST(OutputNameTest, OutputPathBesideTheDocumentOrInTheFolderAsTyped) {
    struct TCase {
        const wchar_t* Source;
        bool SameFolder;
        const wchar_t* Folder;
        const wchar_t* Output;
    };
    const TCase cases[] = {
        {L"C:\\Docs\\Report.pages", true, L"D:\\output", L"C:\\Docs\\Report.pdf"},
        {L"C:\\Docs\\Report.pages", false, L"D:\\output", L"D:\\output\\Report.pdf"},
        {L"C:\\Docs\\Report.pages", false, L"D:\\output\\", L"D:\\output\\\\Report.pdf"},  // doubled, as typed
        {L"C:\\Docs\\Report.pages", false, L" D:\\out ", L" D:\\out \\Report.pdf"},         // not trimmed
        {L"C:\\Docs\\my.report.v2.pages", false, L"x", L"x\\my.report.v2.pdf"},
        {L"C:\\Docs\\Report", true, L"", L"C:\\Docs\\Report.pdf"},
        // A document folder given with its final separator: its PDF goes beside it, never into it.
        {L"C:\\Docs\\Report.pages\\", true, L"", L"C:\\Docs\\Report.pdf"},
        {L"C:\\Docs\\Report.pages\\", false, L"D:\\output", L"D:\\output\\Report.pdf"},
#ifndef _WIN32
        {L"\\home\\u\\Meeting 10:30.pages", true, L"", L"\\home\\u\\Meeting 10:30.pdf"},
        {L"\\home\\u\\Meeting 10:30.pages", false, L"\\out", L"\\out\\Meeting 10:30.pdf"},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.Source) + (c.SameFolder ? " beside" : " to ") + ToUtf8(c.Folder));
        EXPECT_EQ(OutputPathFor(c.Source, c.SameFolder, c.Folder), c.Output);
    }
}

void MakeHidden(const std::wstring& path) {
#ifdef _WIN32
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
#else
    (void)path;  // the leading dot is what hides it
#endif
}

// A file the working folder's removal can't take away, undone when the object dies:
// the immutable flag on Linux (root ignores permissions), an unshared open file on
// Windows. Elsewhere it tests false.
class TUndeletable {
public:
    explicit TUndeletable(const std::wstring& path) {
#ifdef __linux__
        std::string native = ToUtf8(path);
        for (auto& c : native) {
            if (c == '\\') c = '/';
        }
        FFd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
        int flags = 0;
        if (FFd >= 0 && ::ioctl(FFd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            FActive = ::ioctl(FFd, FS_IOC_SETFLAGS, &flags) == 0;
        }
#elif defined(_WIN32)
        // Unshared and open: the shell can't delete it.
        platform::TErrorCode error = platform::kErrorSuccess;
        FHolder = platform::TFile::OpenRead(path, error);
        FActive = static_cast<bool>(FHolder);
#else
        (void)path;
#endif
    }
    TUndeletable(const TUndeletable&) = delete;
    TUndeletable& operator=(const TUndeletable&) = delete;
    ~TUndeletable() {
#ifdef __linux__
        int flags = 0;
        if (FActive && ::ioctl(FFd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags &= ~FS_IMMUTABLE_FL;
            ::ioctl(FFd, FS_IOC_SETFLAGS, &flags);
        }
        if (FFd >= 0) ::close(FFd);
#endif
    }
    explicit operator bool() const { return FActive; }

private:
    int FFd = -1;
#ifdef _WIN32
    platform::TFile FHolder;
#endif
    bool FActive = false;
};

TEST(FindTheFileTest, FirstMatchInDepthFirstNameOrder) {
    struct TCase {
        const char* What;
        std::vector<const wchar_t*> Files;  // a name ending in "/" is an empty folder
        const wchar_t* Found;               // relative; empty: nothing
    };
    const TCase cases[] = {
        {"a folder's file before a later folder's", {L"Zeta/render.pdf", L"Data/thumb.pdf"}, L"Data/thumb.pdf"},
        {"a folder searched where it stands", {L"zz.pdf", L"a/x.pdf"}, L"a/x.pdf"},
        {"names compared without case", {L"B.pdf", L"a.pdf"}, L"a.pdf"},
        {"upper-case name matched", {L"QuickLook/PREVIEW.PDF"}, L"QuickLook/PREVIEW.PDF"},
        {"a name that merely contains it", {L"preview.pdf.bak"}, L"preview.pdf.bak"},
        {"a.pdfx too", {L"a.pdfx", L"b.txt"}, L"a.pdfx"},
        {"a folder named x.pdf is searched, never found", {L"x.pdf/inner.txt", L"y.txt"}, L""},
        {"but its contents can be", {L"x.pdf/deep/doc.pdf", L"z.pdf"}, L"x.pdf/deep/doc.pdf"},
        {"the search stops at the first match", {L"a/b/c.pdf", L"a/z.pdf", L"b.pdf"}, L"a/b/c.pdf"},
        {"empty folders are passed", {L"a/", L"b/", L"c.pdf"}, L"c.pdf"},
        {"nothing", {L"index.xml", L"Data/x.jpg"}, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TScratchFolder scratch;
        for (const wchar_t* f : c.Files) {
            const std::wstring rel = f;
            if (rel.back() == L'/') {
                platform::ForceDirectories(scratch / rel);
            } else {
                WriteFile(scratch / rel, std::string("x"));
            }
        }
        bool flag = false;
        const std::wstring found = FindTheFile(scratch.Path(), L".pdf", flag);
        EXPECT_EQ(ToUtf8(found), *c.Found ? ToUtf8(scratch / c.Found) : "");
        EXPECT_EQ(flag, *c.Found != L'\0');
    }
}

// Real packages hold PDFs that are content: pictures placed in a Pages '09 report, a chart
// in a Pages 5 letter. Only QuickLook/Preview.pdf is the document's rendering.
TEST(FindStoredPdfTest, OnlyQuickLookPreviewIsTheDocumentsPdf) {
    struct TCase {
        const char* What;
        std::vector<const wchar_t*> Files;
        const wchar_t* Found;  // relative; empty: nothing
    };
    const TCase cases[] = {
        {"pictures at the top are passed", {L"image.pdf", L"image0.pdf", L"QuickLook/Preview.pdf"},
         L"QuickLook/Preview.pdf"},
        {"a chart in Data is not the document", {L"Data/comparison-16.pdf", L"Index/Document.iwa"}, L""},
        {"names compared without case", {L"quicklook/PREVIEW.PDF"}, L"quicklook/PREVIEW.PDF"},
        {"below the one folder of a zipped folder", {L"Doc.pages/QuickLook/Preview.pdf"},
         L"Doc.pages/QuickLook/Preview.pdf"},
        {"the top's own rendering wins", {L"A/QuickLook/Preview.pdf", L"QuickLook/Preview.pdf"},
         L"QuickLook/Preview.pdf"},
        {"deeper is content", {L"a/b/QuickLook/Preview.pdf"}, L""},
        {"another name in QuickLook", {L"QuickLook/Thumbnail.pdf"}, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TScratchFolder scratch;
        for (const wchar_t* f : c.Files) WriteFile(scratch / f, std::string("x"));
        bool flag = !*c.Found;
        const std::wstring found = FindStoredPdf(scratch.Path(), flag);
        EXPECT_EQ(ToUtf8(found), *c.Found ? ToUtf8(scratch / c.Found) : "");
        EXPECT_EQ(flag, *c.Found != L'\0');
    }
}

TEST(FindTheFileTest, HiddenFilesTrimmedPathsAndMissingFolders) {
    TScratchFolder scratch;
    WriteFile(scratch / L"sub/.secret.pdf", std::string("x"));
    MakeHidden(scratch / L"sub/.secret.pdf");
    bool flag = false;
    // Surrounding blanks are trimmed; a trailing separator is not doubled.
    EXPECT_EQ(FindTheFile(L" " + scratch.Path() + L"\\ ", L".pdf", flag), scratch / L"sub/.secret.pdf");
    EXPECT_TRUE(flag);
    EXPECT_EQ(FindTheFile(scratch / L"missing", L".pdf", flag), L"");
    EXPECT_FALSE(flag);
}

// An engine whose working folder lies in a scratch folder, never the user's.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine.SetUpWorkingFolder();
        platform::ForceDirectories(out);
    }
    std::wstring Document(const std::wstring& name, const std::vector<std::uint8_t>& bytes) {
        const std::wstring path = scratch / (L"docs/" + name);
        WriteFile(path, bytes);
        return path;
    }

    TScratchFolder scratch;
    TConversionEngine engine{scratch / L"appdata"};
    std::wstring out = scratch / L"out";
};

TEST_F(EngineTest, SetUpMakesTheWorkingFolderBelowTheGivenParent) {
    const std::wstring root = scratch / L"appdata\\Lumbrook\\";
    EXPECT_EQ(engine.tempDir.substr(0, root.size()), root);
    EXPECT_GT(engine.tempDir.size(), root.size());
    EXPECT_TRUE(platform::DirectoryExists(engine.tempDir));
}

TEST_F(EngineTest, NoAbsoluteAppDataFolderRefusesEveryConversion) {
    for (const wchar_t* parent : {L"", L"relative\\folder"}) {
        SCOPED_TRACE(ToUtf8(parent));
        TConversionEngine lost{parent};
        try {
            lost.SetUpWorkingFolder();
            FAIL() << "no error";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.Message(), L"Cannot find the local application data folder");
        }
        EXPECT_EQ(lost.tempDir, L"");
        const std::wstring doc = Document(L"Doc.pages", PackageWithPdf("%PDF"));
        EXPECT_THROW(lost.ConvertDocument(doc, false, out), EInOutError);
        EXPECT_THROW(lost.RequireWorkingFolder(), EInOutError);
        EXPECT_FALSE(FileExists(out + L"\\Doc.pdf"));
    }
}

TEST_F(EngineTest, WritesTheFoundPdfByteForByte) {
    const std::string pdf = "%PDF-1.4\n\x00\x01\xff binary\n%%EOF";
    const std::wstring doc = Document(L"my.report.v2.pages", PackageWithPdf(pdf));

    const TDocumentResult toFolder = engine.ConvertDocument(doc, false, out);
    EXPECT_EQ(toFolder.Status, TDocumentStatus::dsWritten);
    EXPECT_EQ(toFolder.OutputPath, out + L"\\my.report.v2.pdf");
    EXPECT_EQ(Text(ReadFile(toFolder.OutputPath)), pdf);
    EXPECT_EQ(DescribeReason(toFolder), L"");

    const TDocumentResult beside = engine.ConvertDocument(doc, true, L"ignored");
    EXPECT_EQ(beside.Status, TDocumentStatus::dsWritten);
    EXPECT_EQ(beside.OutputPath, scratch / L"docs\\my.report.v2.pdf");
    EXPECT_EQ(Text(ReadFile(beside.OutputPath)), pdf);
}

TEST_F(EngineTest, NonAsciiNamesInsideAndOutside) {
    const std::wstring doc = Document(L"\u00dcber caf\u00e9 \u6587\u6863.pages",
                                      BuildPackage({{"\xc3\xbc-Bericht.pages/QuickLook/Preview.pdf", "%PDF \xc3\xbc"}}));
    const TDocumentResult result = engine.ConvertDocument(doc, false, out);
    EXPECT_EQ(result.Status, TDocumentStatus::dsWritten);
    EXPECT_EQ(result.OutputPath, out + L"\\\u00dcber caf\u00e9 \u6587\u6863.pdf");
    EXPECT_EQ(Text(ReadFile(result.OutputPath)), "%PDF \xc3\xbc");
}

TEST_F(EngineTest, ReportsWhyNothingWasWritten) {
    const std::wstring none = Document(L"NoPreview.pages", PackageWithoutPdf());
    const TDocumentResult noPdf = engine.ConvertDocument(none, false, out);
    EXPECT_EQ(noPdf.Status, TDocumentStatus::dsPages09NoPreview);
    EXPECT_EQ(DescribeReason(noPdf), L"saved by Pages '09 without a PDF preview");
    EXPECT_FALSE(FileExists(out + L"\\NoPreview.pdf"));

    // The output present stays exactly as it was.
    const std::wstring doc = Document(L"Report.pages", PackageWithPdf("%PDF new"));
    WriteFile(out + L"\\Report.pdf", std::string("old bytes, not a PDF"));
    const TDocumentResult present = engine.ConvertDocument(doc, false, out);
    EXPECT_EQ(present.Status, TDocumentStatus::dsOutputExists);
    EXPECT_EQ(DescribeReason(present), L"a PDF of that name is already in the output folder");
    EXPECT_EQ(Text(ReadFile(out + L"\\Report.pdf")), "old bytes, not a PDF");

    WriteFile(scratch / L"docs/Report.pdf", std::string("beside"));
    const TDocumentResult presentBeside = engine.ConvertDocument(doc, true, out);
    EXPECT_EQ(presentBeside.Status, TDocumentStatus::dsOutputExists);
    EXPECT_EQ(DescribeReason(presentBeside), L"a PDF of that name is already beside the document");
    EXPECT_EQ(Text(ReadFile(scratch / L"docs/Report.pdf")), "beside");

    // The copy's own failure carries the system's reason.
    const TDocumentResult failed = engine.ConvertDocument(doc, false, out + L"\\missing");
    EXPECT_EQ(failed.Status, TDocumentStatus::dsCopyFailed);
    EXPECT_EQ(failed.CopyError, platform::kErrorPathNotFound);
    EXPECT_EQ(DescribeReason(failed), L"the PDF could not be copied: " + failed.CopyErrorText);
    EXPECT_FALSE(failed.CopyErrorText.empty());
}

TEST_F(EngineTest, AnEarlierDocumentsPdfIsNeverFoundAgain) {
    const std::wstring first = Document(L"First.pages", PackageWithPdf("%PDF first"));
    const std::wstring second = Document(L"Second.pages", PackageWithoutPdf());
    EXPECT_EQ(engine.ConvertDocument(first, false, out).Status, TDocumentStatus::dsWritten);
    EXPECT_EQ(engine.ConvertDocument(second, false, out).Status, TDocumentStatus::dsPages09NoPreview);
    EXPECT_FALSE(FileExists(out + L"\\Second.pdf"));
}

TEST_F(EngineTest, PackageErrorsPassThroughAndLeaveThePackageClosed) {
    std::vector<std::uint8_t> badLocal = PackageWithPdf("%PDF");
    badLocal[0] = 'X';  // the first local header's signature
    const struct {
        const char* What;
        std::vector<std::uint8_t> Bytes;
    } cases[] = {
        {"not a ZIP package", std::vector<std::uint8_t>(100, 'x')},
        {"a broken local header", badLocal},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const std::wstring doc = Document(L"Broken.pages", c.Bytes);
        EXPECT_THROW(engine.ConvertDocument(doc, false, out), Exception);
        EXPECT_FALSE(FileExists(out + L"\\Broken.pdf"));
        // Exclusive open: fails while anybody still holds the package.
        platform::TErrorCode error = platform::kErrorSuccess;
        const platform::TFile reopened = platform::TFile::OpenRead(doc, error);
        EXPECT_TRUE(reopened) << "error " << error;
    }
}

TEST_F(EngineTest, AMissingDocumentIsAnError) {
    EXPECT_THROW(engine.ConvertDocument(scratch / L"docs\\absent.pages", false, out), Exception);
}

TEST_F(EngineTest, AWorkingFolderThatCannotBeEmptiedFailsTheDocument) {
    WriteFile(engine.tempDir + L"stuck\\old.pdf", std::string("%PDF of an earlier document"));
    const TUndeletable stuck(engine.tempDir + L"stuck\\old.pdf");
    if (!stuck) GTEST_SKIP() << "cannot make a file undeletable here";
    const std::wstring doc = Document(L"Doc.pages", PackageWithoutPdf());
    try {
        engine.ConvertDocument(doc, false, out);
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), L"Cannot empty the working folder \"" + engine.tempDir + L"\"");
    }
    EXPECT_FALSE(FileExists(out + L"\\Doc.pdf"));
    EXPECT_FALSE(FileExists(out + L"\\old.pdf"));
}

// The folder of the conversion an engine belongs to: <parent>\Lumbrook\<name>\.
std::wstring ConversionFolderOf(const TConversionEngine& engine) {
    return platform::ExtractFilePath(engine.tempDir.substr(0, engine.tempDir.size() - 1));
}

TEST_F(EngineTest, EnginesConvertAtOnceInWorkingFoldersOfTheirOwn) {
    const std::wstring doc = Document(L"Doc.pages", PackageWithPdf("%PDF doc"));
    std::wstring otherFolder;
    {
        TConversionEngine other{scratch / L"appdata"};
        other.SetUpWorkingFolder();
        otherFolder = ConversionFolderOf(other);
        EXPECT_NE(otherFolder, ConversionFolderOf(engine));
        // What one has unpacked stays while the other converts.
        WriteFile(other.tempDir + L"unpacked.txt", std::string("the other's document"));
        platform::ForceDirectories(scratch / L"out2");
        EXPECT_EQ(engine.ConvertDocument(doc, false, out).Status, TDocumentStatus::dsWritten);
        EXPECT_EQ(other.ConvertDocument(doc, false, scratch / L"out2").Status, TDocumentStatus::dsWritten);
        EXPECT_TRUE(FileExists(out + L"\\Doc.pdf"));
        EXPECT_TRUE(FileExists(scratch / L"out2\\Doc.pdf"));
    }
    // Gone with its engine; this one's stays.
    EXPECT_FALSE(platform::DirectoryExists(otherFolder));
    EXPECT_TRUE(platform::DirectoryExists(engine.tempDir));
}

TEST_F(EngineTest, AbandonedWorkingFoldersAreRemovedAndLiveOnesKept) {
    // As a run killed halfway leaves it: a folder with a document unpacked, nobody holding its lock.
    const std::wstring root = scratch / L"appdata\\Lumbrook\\";
    WriteFile(root + L"77\\unpacked\\Index\\Document.iwa", std::string("left behind"));
    WriteFile(root + L"not ours.txt", std::string("kept"));
    WriteFile(engine.tempDir + L"busy.txt", std::string("a live conversion's"));

    TConversionEngine next{scratch / L"appdata"};
    next.SetUpWorkingFolder();
    EXPECT_FALSE(platform::DirectoryExists(root + L"77"));
    EXPECT_TRUE(FileExists(engine.tempDir + L"busy.txt"));
    EXPECT_TRUE(FileExists(root + L"not ours.txt"));
    EXPECT_NE(ConversionFolderOf(next), ConversionFolderOf(engine));
}

TEST(RealDocumentTest, Pages09GivesItsPreviewPdfAndModernDocumentsAreLaidOut) {
    const std::wstring corpus = CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "../shared/corpus is absent";
    TScratchFolder scratch;
    TConversionEngine engine{scratch / L"appdata"};
    engine.SetUpWorkingFolder();

    const TDocumentResult pages4 = engine.ConvertDocument(corpus + L"\\pages4-file.pages", false, scratch.Path());
    ASSERT_EQ(pages4.Status, TDocumentStatus::dsWritten);
    EXPECT_EQ(pages4.OutputPath, scratch / L"pages4-file.pdf");
    EXPECT_EQ(Sha256Hex(ReadFile(pages4.OutputPath)),
              "2f0fbb960085cb95b9f96e78d818bde51019fbd69f1fcf61149ddf1b62563ef7");

    for (const wchar_t* name : {L"pages5-file.pages", L"pages5-extra-dir.pages", L"wild\\hjurin__cs546-hw2__Report.pages"}) {
        SCOPED_TRACE(ToUtf8(name));
        engine.ExactOnly = true;
        const TDocumentResult exact = engine.ConvertDocument(corpus + L"\\" + name, false, scratch.Path());
        EXPECT_EQ(exact.Status, TDocumentStatus::dsNoPdfInside);
        EXPECT_FALSE(FileExists(exact.OutputPath));

        engine.ExactOnly = false;
        const TDocumentResult laidOut = engine.ConvertDocument(corpus + L"\\" + name, false, scratch.Path());
        EXPECT_EQ(laidOut.Status, TDocumentStatus::dsLaidOut) << ToUtf8(DescribeReason(laidOut));
        ASSERT_TRUE(FileExists(laidOut.OutputPath));
        EXPECT_EQ(Text(ReadFile(laidOut.OutputPath)).substr(0, 5), "%PDF-");
    }
}

}  // namespace
