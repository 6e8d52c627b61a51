// What each kind of input is taken for, before anything is read or written.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PackageBuilder.h"
#include "convert/Conversion.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "support/TestSupport.h"

using namespace testsupport;
using platform::ToUtf8;

namespace {

// Pages '09 marks a protected package's entries with compression methods of its own.
std::vector<std::uint8_t> WithMethod(std::vector<std::uint8_t> zip, std::uint16_t method) {
    for (std::size_t i = 0; i + 4 <= zip.size(); ++i) {
        const std::uint32_t sig = zip[i] | zip[i + 1] << 8 | zip[i + 2] << 16 | static_cast<std::uint32_t>(zip[i + 3]) << 24;
        const std::size_t at = sig == 0x04034b50 ? i + 8 : sig == 0x02014b50 ? i + 10 : 0;
        if (at != 0 && at + 2 <= zip.size()) {
            zip[at] = static_cast<std::uint8_t>(method);
            zip[at + 1] = static_cast<std::uint8_t>(method >> 8);
        }
    }
    return zip;
}

std::string ZipText(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

class RecognitionTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine.SetUpWorkingFolder();
        platform::ForceDirectories(out);
    }
    TScratchFolder scratch;
    TConversionEngine engine{scratch / L"appdata"};
    std::wstring out = scratch / L"out";
};

// With stored PDFs only wanted, a modern document is recognised without being read.
TEST_F(RecognitionTest, EveryShapeOfPackage) {
    const std::string innerIndex = ZipText(BuildPackage({{"Index/Document.iwa", "x"}}));
    struct TCase {
        const char* What;
        std::vector<std::uint8_t> Package;
        TDocumentStatus Status;
    };
    const TCase cases[] = {
        {"Pages '09 without its PDF", BuildPackage({{"index.xml", "<x/>"}}), TDocumentStatus::dsPages09NoPreview},
        {"Pages '09 zipped as a folder, gzipped XML", BuildPackage({{"Doc.pages/index.xml.gz", "x"}}),
         TDocumentStatus::dsPages09NoPreview},
        {"Pages 5.5 and later", BuildPackage({{"Index/Document.iwa", "x"}, {"preview.jpg", "x"}}),
         TDocumentStatus::dsNoPdfInside},
        {"Pages 5.0 with Index.zip", BuildPackage({{"Index.zip", innerIndex}, {"Data/a.jpg", "x"}}),
         TDocumentStatus::dsNoPdfInside},
        {"downloaded from the web", BuildPackage({{"Doc.pages/", ""}, {"Doc.pages/Index/Document.iwa", "x"}}),
         TDocumentStatus::dsNoPdfInside},
        {"zipped on a Mac, with its resource forks",
         BuildPackage({{"__MACOSX/Doc.pages/._Index.zip", "x"}, {"Doc.pages/Index.zip", innerIndex}}),
         TDocumentStatus::dsNoPdfInside},
        {"a password hint", BuildPackage({{".iwph", "hint"}, {"Index/Document.iwa", "\x01"}}),
         TDocumentStatus::dsPasswordProtected},
        {"a password verifier only", BuildPackage({{".iwpv2", "\x02"}, {"Index/Document.iwa", "\x01"}}),
         TDocumentStatus::dsPasswordProtected},
        {"Pages '09 protected", WithMethod(BuildPackage({{"index.xml", "x"}}), 25451),
         TDocumentStatus::dsPasswordProtected},
        {"Pages '09 protected, the other method", WithMethod(BuildPackage({{"index.xml", "x"}}), 25452),
         TDocumentStatus::dsPasswordProtected},
        {"nothing of a document", BuildPackage({{"Data/a.jpg", "x"}, {"notes.txt", "x"}}),
         TDocumentStatus::dsUnrecognised},
        {"a picture's PDF is no rendering", BuildPackage({{"image.pdf", "%PDF"}, {"index.xml", "x"}}),
         TDocumentStatus::dsPages09NoPreview},
    };
    engine.ExactOnly = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const std::wstring doc = scratch / L"docs\\Doc.pages";
        WriteFile(doc, c.Package);
        const TDocumentResult result = engine.ConvertDocument(doc, false, out);
        EXPECT_EQ(result.Status, c.Status) << ToUtf8(DescribeReason(result));
        EXPECT_FALSE(FileExists(out + L"\\Doc.pdf"));
    }
}

TEST_F(RecognitionTest, ReasonsForPeople) {
    const struct {
        TDocumentStatus Status;
        const wchar_t* Detail;
        const wchar_t* Reason;
    } cases[] = {
        {TDocumentStatus::dsPages09NoPreview, L"", L"saved by Pages '09 without a PDF preview"},
        {TDocumentStatus::dsPasswordProtected, L"", L"The document is password-protected"},
        {TDocumentStatus::dsNotPages, L"a Keynote presentation, not a Pages document",
         L"a Keynote presentation, not a Pages document"},
        {TDocumentStatus::dsDamaged, L"object 7 is missing", L"The document is damaged: object 7 is missing"},
        {TDocumentStatus::dsNoPdfInside, L"", L"no PDF inside (documents saved by Pages 5 or later carry none)"},
        {TDocumentStatus::dsTextLost, L"only 3 of its 300 characters are on the pages",
         L"most of its text could not be laid out: only 3 of its 300 characters are on the pages"},
    };
    for (const auto& c : cases) {
        TDocumentResult result;
        result.Status = c.Status;
        result.Detail = c.Detail;
        EXPECT_EQ(DescribeReason(result), c.Reason);
        EXPECT_FALSE(IsWritten(result));
    }
    EXPECT_EQ(DescribeLeftOut({{L"chart", 2}, {L"equation", 1}}), L"2 charts, 1 equation");
    EXPECT_EQ(DescribeLeftOut({{L"character of text", 312}, {L"picture that cannot be decoded", 2}}),
              L"312 characters of text, 2 pictures that cannot be decoded");
    EXPECT_EQ(DescribeLeftOut({{L"paragraph past page 10000", 1}, {L"linked text box", 3}, {L"entry", 2}}),
              L"2 entries, 3 linked text boxes, 1 paragraph past page 10000");
    EXPECT_EQ(DescribeLeftOut({{L"character no installed font can draw", 8}}), L"8 characters no installed font can draw");
    EXPECT_EQ(DescribeLeftOut({{L"link that cannot be clicked (the document has too many)", 3}}),
              L"3 links that cannot be clicked (the document has too many)");
}

// A document folder (a bundle) is taken as one document, read where it stands.
TEST_F(RecognitionTest, DocumentFolders) {
    const std::wstring bundle = scratch / L"docs\\Report.pages";
    WriteFile(bundle + L"\\Index.zip", BuildPackage({{"Index/Document.iwa", "x"}}));
    WriteFile(bundle + L"\\Data\\a.png", std::string("x"));
    engine.ExactOnly = true;
    EXPECT_EQ(engine.ConvertDocument(bundle, false, out).Status, TDocumentStatus::dsNoPdfInside);
    EXPECT_TRUE(FileExists(bundle + L"\\Index.zip"));  // nothing of the bundle is touched

    const std::wstring empty = scratch / L"docs\\Empty.pages";
    platform::ForceDirectories(empty);
    EXPECT_EQ(engine.ConvertDocument(empty, false, out).Status, TDocumentStatus::dsUnrecognised);
}

// An .iwa that is not Snappy-framed is damaged (protection shows by its markers alone); a web
// edit's LZVN file is skipped.
TEST_F(RecognitionTest, ModernDocumentsThatCannotBeRead) {
    const struct {
        const char* What;
        std::vector<std::uint8_t> Package;
        TDocumentStatus Status;
    } cases[] = {
        {"a damaged first byte", BuildPackage({{"Index/Document.iwa", "\x8f\x12\x34 damaged"}}),
         TDocumentStatus::dsDamaged},
        {"an HTML error page", BuildPackage({{"Index/Document.iwa", "<!DOCTYPE html><title>404</title>"}}),
         TDocumentStatus::dsDamaged},
        {"only a web edit's operations", BuildPackage({{"Index/OperationStorage.iwa", "bvxn...."}}),
         TDocumentStatus::dsDamaged},
        {"a truncated chunk", BuildPackage({{"Index/Document.iwa", std::string("\x00\x40\x00\x00\x01", 5)}}),
         TDocumentStatus::dsDamaged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const std::wstring doc = scratch / L"docs\\Doc.pages";
        WriteFile(doc, c.Package);
        const TDocumentResult result = engine.ConvertDocument(doc, false, out);
        EXPECT_EQ(result.Status, c.Status) << ToUtf8(DescribeReason(result));
        EXPECT_FALSE(FileExists(out + L"\\Doc.pdf"));
    }
}

}  // namespace
