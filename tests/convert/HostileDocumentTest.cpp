// Documents made to harm: nothing from outside the document reaches the output, the work they
// cause stays bounded, and every one ends with a PDF or a clear reason. Each is built here.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "convert/Conversion.h"
#include "document/Document.h"
#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "support/IwaWriter.h"
#include "support/PngWriter.h"
#include "support/TestSupport.h"

using namespace testsupport;
using platform::ToUtf8;

namespace {

constexpr std::uint32_t kDocument = 10000, kStorage = 2001, kDrawableAttachment = 2003, kImage = 3005,
                        kMetadata = 11006;

// A modern document whose body says text, then shows pictures inline: Data/pic-12.png,
// Data/pic-13.png...
TModernPackageFiles Document(const std::string& text, int pictures = 0) {
    TModernPackageFiles files;
    TProtoWriter storage;
    std::string body = text;
    TProtoWriter entries, data;
    for (int i = 0; i < pictures; ++i) {
        const auto size = [](float w, float h) { return TProtoWriter().Float(1, w).Float(2, h); };
        const std::uint64_t dataId = 12 + std::uint64_t(i), imageId = 101 + 2 * std::uint64_t(i);
        TProtoWriter image;
        image.Message(1, TProtoWriter()
                             .Message(1, TProtoWriter().Message(1, size(0, 0)).Message(2, size(100, 50)))
                             .Message(3, TProtoWriter().Varint(1, 0)))
            .Message(11, TProtoWriter().Varint(1, dataId))
            .Message(9, size(100, 50));
        files.Document.emplace_back(imageId, kImage, image.Data());
        files.Document.emplace_back(imageId + 1, kDrawableAttachment, TProtoWriter().Reference(1, imageId).Data());
        entries.Message(1, TProtoWriter().Varint(1, text.size() + std::size_t(i)).Reference(2, imageId + 1));
        const std::string name = "pic-" + std::to_string(dataId) + ".png";
        data.Message(4, TProtoWriter().Varint(1, dataId).String(3, "pic.png").String(4, name));
        body += "\xEF\xBF\xBC";
    }
    storage.Varint(1, 0).String(3, body);
    if (pictures > 0) {
        storage.Message(9, entries);
        files.Metadata.emplace_back(2, kMetadata, data.Data());
    }
    files.Document.emplace_back(100, kStorage, storage.Data());
    files.Document.emplace_back(1, kDocument, TProtoWriter().Float(30, 612).Float(31, 792).Reference(4, 100).Data());
    return files;
}

std::u16string TextOf(const doc::TDocument& document) {
    std::u16string text;
    for (const auto& p : document.Body.Paragraphs) text += p.Text;
    return text;
}

// A symbolic link at link to target (engine paths); false when the system can't make one.
bool Link(const std::wstring& target, const std::wstring& link) {
    std::error_code error;
    std::filesystem::create_directories(ToNative(link).parent_path(), error);
    if (std::filesystem::is_directory(ToNative(target)))
        std::filesystem::create_directory_symlink(ToNative(target), ToNative(link), error);
    else
        std::filesystem::create_symlink(ToNative(target), ToNative(link), error);
    return !error;
}

class HostileDocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine.SetUpWorkingFolder();
        platform::ForceDirectories(out);
        // What the links lead to: another document, its picture, a PDF of its own.
        WriteModernPackage(outside, Document("SECRET TEXT", 1));
        WriteFile(outside + L"\\Data\\pic-12.png", std::string("secret picture"));
        WriteFile(outside + L"\\QuickLook\\Preview.pdf", std::string("%PDF-1.4 secret"));
    }

    // The document read as the engine reads it, and its picture's file (empty when none).
    TDocumentStatus Read(const std::wstring& source, std::u16string& text, std::wstring& picture) {
        doc::TDocument document;
        std::wstring detail;
        const TDocumentStatus status = engine.ReadDocument(source, document, detail);
        text = TextOf(document);
        picture.clear();
        for (const auto& drawable : document.Drawables) picture += drawable.Image.FilePath;
        return status;
    }

    TScratchFolder scratch;
    TConversionEngine engine{scratch / L"appdata"};
    std::wstring out = scratch / L"out";
    std::wstring outside = scratch / L"docs\\outside\\Other.pages";
    std::wstring bundle = scratch / L"docs\\Report.pages";
};

// Inside a folder document, a link leaves it: what it leads to is not the document's.
TEST_F(HostileDocumentTest, LinksInAFolderDocumentAreNotFollowed) {
    struct TCase {
        const char* What;
        const wchar_t* Target;  // below the other document
        const wchar_t* Link;    // below the bundle
    };
    const TCase cases[] = {
        {"a picture", L"\\Data\\pic-12.png", L"\\Data\\pic-12.png"},
        {"the data folder", L"\\Data", L"\\Data"},
        {"the index folder", L"\\Index", L"\\Index"},
        {"the document's objects", L"\\Index\\Document.iwa", L"\\Index\\Document.iwa"},
        {"the preview", L"\\QuickLook\\Preview.pdf", L"\\QuickLook\\Preview.pdf"},
        {"the preview's folder", L"\\QuickLook", L"\\QuickLook"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        platform::DeleteTree(bundle);
        WriteModernPackage(bundle, Document("own text", 1));
        if (std::wstring(c.Link) == L"\\Index") platform::DeleteTree(bundle + L"\\Index");
        if (std::wstring(c.Link) == L"\\Index\\Document.iwa")
            std::filesystem::remove(ToNative(bundle + L"\\Index\\Document.iwa"));
        if (!Link(outside + c.Target, bundle + c.Link)) GTEST_SKIP() << "this system cannot make a symbolic link";

        std::u16string text;
        std::wstring picture;
        Read(bundle, text, picture);
        EXPECT_EQ(text.find(u"SECRET"), std::u16string::npos);
        EXPECT_TRUE(picture.empty()) << ToUtf8(picture);

        engine.ExactOnly = true;
        const TDocumentResult result = engine.ConvertDocument(bundle, false, out);
        engine.ExactOnly = false;
        EXPECT_NE(result.Status, TDocumentStatus::dsWritten) << "the other document's preview was copied out";
        EXPECT_FALSE(FileExists(out + L"\\Report.pdf"));
    }
}

#ifndef _WIN32
// "\" is an ordinary character of a POSIX name: taken as a separator, a file of the document
// named "..\..\outside\Other.pages\Index\Document.iwa" would read another document.
TEST_F(HostileDocumentTest, APosixNameHoldingABackslashNamesNoOtherFile) {
    WriteModernPackage(bundle, Document("own text"));
    std::filesystem::remove(ToNative(bundle + L"\\Index\\Document.iwa"));
    const std::filesystem::path climbing =
        ToNative(bundle + L"\\Index") / "..\\..\\outside\\Other.pages\\Index\\Document.iwa";
    std::ofstream(climbing, std::ios::binary) << std::string("\x00\x01\x00\x00\x00", 5);
    ASSERT_TRUE(std::filesystem::exists(climbing));

    std::u16string text;
    std::wstring picture;
    EXPECT_EQ(Read(bundle, text, picture), TDocumentStatus::dsDamaged);
    EXPECT_EQ(text.find(u"SECRET"), std::u16string::npos);
}
#endif

// A package's entry that climbs out is refused before anything is written.
TEST_F(HostileDocumentTest, APackageEntryThatClimbsOutIsRefused) {
    const std::wstring package = scratch / L"docs\\Climbing.pages";
    for (const char* name : {"..\\..\\outside\\Other.pages\\Index\\Document.iwa", "../../Index/Document.iwa"}) {
        SCOPED_TRACE(name);
        std::filesystem::remove(ToNative(package));
        WriteFile(package, BuildPackage({{name, "x"}}));
        EXPECT_THROW(engine.ConvertDocument(package, false, out), EZipException);
        EXPECT_FALSE(FileExists(out + L"\\Climbing.pdf"));
    }
}

// What a document claims it unpacks to is paid for before anything is allocated or written:
// a small file claiming gigabytes is damaged, at once.
TEST_F(HostileDocumentTest, ClaimsPastTheBudgetAreDamage) {
    // Chunks whose Snappy headers each claim 256 KiB: 1,100 of them pass any document's objects.
    TBytes bomb;
    for (int i = 0; i < 1100; ++i) {
        const TBytes chunk = {0x00, 0x05, 0x00, 0x00, 0x80, 0x80, 0x10, 0x00, 0x00};
        bomb.insert(bomb.end(), chunk.begin(), chunk.end());
    }
    // One byte claiming 3.75 GiB.
    const auto claiming = [](const char* name) {
        TZipPackage package;
        package.Entries = {MakeEntry(name, "x")};
        package.Entries[0].UncompressedSize = 0xF0000000u;
        return ZipBytes(package);
    };
    const TBytes indexZip = claiming("Index/Document.iwa");
    const TBytes package = claiming("Data/huge.bin");

    struct TCase {
        const char* What;
        std::function<void(const std::wstring&)> Make;
        const char* Reason;
    };
    const TCase cases[] = {
        {"objects", [&](const std::wstring& doc) { WriteFile(doc + L"\\Index\\Document.iwa", bomb); },
         "Its objects take more than 256 MB decompressed"},
        {"an Index.zip", [&](const std::wstring& doc) { WriteFile(doc + L"\\Index.zip", indexZip); },
         "(its Index.zip)"},
        {"the package", [&](const std::wstring& doc) { WriteFile(doc, package); },
         "(the package)"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        const std::wstring doc = scratch / (L"docs\\" + platform::FromUtf8(c.What) + L".pages");
        c.Make(doc);
        const TDocumentResult result = engine.ConvertDocument(doc, false, out);
        EXPECT_EQ(result.Status, TDocumentStatus::dsDamaged);
        const std::string reason = ToUtf8(DescribeReason(result));
        EXPECT_NE(reason.find("The document is damaged: "), std::string::npos) << reason;
        EXPECT_NE(reason.find(c.Reason), std::string::npos) << reason;
    }
}

// Pictures decode from a budget of their own, apart from what the document unpacks to: those
// past it are left out and named in the report, and the document, sound otherwise, is still
// converted with the pictures within it.
TEST_F(HostileDocumentTest, PicturesPastTheirBudgetAreLeftOutNotTheDocument) {
    WriteModernPackage(bundle, Document("own text", 3));
    const std::vector<std::uint8_t> grey(400 * 400 * 3, 0x80);
    for (const wchar_t* name : {L"pic-12.png", L"pic-13.png", L"pic-14.png"})
        WriteFile(bundle + L"\\Data\\" + name, Png(400, 400, 3, grey));
    engine.ExpansionLimit = 200'000;  // the objects fit; the pictures' 1,440,000 bytes decoded would not
    engine.PictureLimit = 1'000'000;  // two pictures' 480,000 bytes each fit, not the third's
    const TDocumentResult result = engine.ConvertDocument(bundle, false, out);
    ASSERT_EQ(result.Status, TDocumentStatus::dsLaidOut) << ToUtf8(DescribeReason(result));
    EXPECT_TRUE(FileExists(out + L"\\Report.pdf"));
    EXPECT_EQ(ToUtf8(DescribeLeftOut(result.LeftOut)), "1 picture past the document's decoding budget");

    engine.PictureLimit = 100'000;  // none of them
    const std::wstring again = scratch / L"again";
    platform::ForceDirectories(again);
    const TDocumentResult none = engine.ConvertDocument(bundle, false, again);
    ASSERT_EQ(none.Status, TDocumentStatus::dsLaidOut) << ToUtf8(DescribeReason(none));
    EXPECT_EQ(ToUtf8(DescribeLeftOut(none.LeftOut)), "3 pictures past the document's decoding budget");
}

// Protection shows by the package's markers; an .iwa that cannot be read is damage.
TEST_F(HostileDocumentTest, AnUnreadableIwaIsDamagedNotProtected) {
    for (const std::string& bytes : {std::string("\x8F damaged first byte"), std::string("<html>502</html>")}) {
        platform::DeleteTree(bundle);
        WriteModernPackage(bundle, Document("own text"));
        WriteFile(bundle + L"\\Index\\Document.iwa", bytes);
        const TDocumentResult result = engine.ConvertDocument(bundle, false, out);
        EXPECT_EQ(result.Status, TDocumentStatus::dsDamaged) << ToUtf8(DescribeReason(result));
    }
}

}  // namespace
