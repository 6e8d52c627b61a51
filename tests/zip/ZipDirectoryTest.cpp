// The archive directory: finding the end record, reading the central directory, names,
// open and close.

#include <gtest/gtest.h>

#include <functional>

#include "ZipTestSupport.h"
#include "support/TestSupport.h"
#include "zip/FileStream.h"

using namespace zip_test;

namespace {

Package TwoEntries() {
    Package p;
    p.Entries = {MakeEntry("a.txt", "alpha"), MakeEntry("b.txt", "bravo", 8)};
    return p;
}

std::wstring OpenError(const Bytes& bytes) {
    TBytesStream stream(bytes);
    TZipFile zip;
    return ErrorOf<EZipException>([&] { zip.Open(stream, zmRead); });
}

}  // namespace

TEST(ZipDirectory, EndRecordAloneOpensWithNoEntries) {
    OpenedPackage opened(Package{});
    ASSERT_EQ(opened.Stream.Size(), 22);
    EXPECT_EQ(opened.Zip.FileCount(), 0);
}

TEST(ZipDirectory, ReadsEntriesInDirectoryOrderWithTheirFields) {
    Package p = TwoEntries();
    p.Entries[0].Extra = "XY\x02\x00zz";
    p.Entries[0].Comment = "first";
    p.ReverseLocalOrder = true;  // local headers in the other order
    p.Comment = "archive comment";
    OpenedPackage opened(p);
    ASSERT_EQ(opened.Zip.FileCount(), 2);
    const auto& a = opened.Zip.FileInfo(0);
    EXPECT_EQ(a.FileName, "a.txt");
    EXPECT_EQ(a.ExtraField, ToBytes(p.Entries[0].Extra));
    EXPECT_EQ(a.FileComment, "first");
    EXPECT_EQ(a.UncompressedSize, 5u);
    EXPECT_EQ(a.CRC32, Crc32("alpha"));
    const auto& b = opened.Zip.FileInfo(1);
    EXPECT_EQ(b.FileName, "b.txt");
    EXPECT_EQ(b.CompressionMethod, 8);
    EXPECT_TRUE(b.ExtraField.empty());
    EXPECT_TRUE(b.FileComment.empty());
    EXPECT_LT(b.LocalHeaderOffset, a.LocalHeaderOffset);
    EXPECT_EQ(opened.Zip.Comment(), "archive comment");
}

TEST(ZipDirectory, EmptyNameGivesEmptyField) {
    Package p;
    p.Entries = {MakeEntry("", "")};
    OpenedPackage opened(p);
    EXPECT_EQ(opened.Zip.FileInfo(0).FileName, "");
    EXPECT_EQ(DecodedFileName(opened.Zip.FileInfo(0)), L"");
}

TEST(ZipDirectory, NamesDecodeByEachEntrysOwnFlag) {
    Package p;
    p.Entries = {MakeEntry("\x81.txt", ""),
                 MakeEntry("\xC3\xBC.txt", "", 0, 0x0800),
                 MakeEntry("\xC3(.txt", "", 0, 0x0800)};
    OpenedPackage opened(p);
    EXPECT_EQ(DecodedFileName(opened.Zip.FileInfo(0)), L"\u00FC.txt");
    EXPECT_EQ(DecodedFileName(opened.Zip.FileInfo(1)), L"\u00FC.txt");
    EXPECT_EQ(DecodedFileName(opened.Zip.FileInfo(2)), L"\uFFFD(.txt");
    EXPECT_FALSE(opened.Zip.UTF8Support());

    Package utf8Only;
    utf8Only.Entries = {MakeEntry("x", "", 0, 0x0800)};
    EXPECT_TRUE(OpenedPackage(utf8Only).Zip.UTF8Support());
}

TEST(ZipDirectory, StreamsThatAreNoPackageFail) {
    struct Case {
        std::size_t size;
        const wchar_t* message;
    };
    const Case cases[] = {
        {0, L"Stream read error"},       {1, L"Error reading zip file"},    {4, L"Error reading zip file"},
        {5, L"Error reading zip file"},  {21, L"Error reading zip file"},   {1028, L"Error reading zip file"},
        {5000, L"Error reading zip file"}, {70000, L"Error reading zip file"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OpenError(Bytes(c.size, 'x')), c.message) << c.size << " bytes";
    }
}

TEST(ZipDirectory, EndRecordMustBeginWithinTheLast65535Bytes) {
    Package p = TwoEntries();
    p.Comment = std::string(65513, 'c');
    OpenedPackage opened(p);
    EXPECT_EQ(opened.Zip.FileCount(), 2);
    EXPECT_EQ(opened.Zip.Comment().size(), 65513u);

    p.Comment.push_back('c');
    EXPECT_EQ(OpenError(BuildBytes(p)), L"Error reading zip file");
}

TEST(ZipDirectory, SignatureNearestTheEndWins) {
    // A comment holding a complete end record with no entries hides the real one.
    Package p = TwoEntries();
    p.Comment = std::string("PK\x05\x06", 4) + std::string(18, '\0');
    EXPECT_EQ(OpenedPackage(p).Zip.FileCount(), 0);
}

TEST(ZipDirectory, SignatureWithoutRoomForARecordIsSkipped) {
    // "PK\5\6" fewer than 22 bytes before the end: the scan goes on to the real record.
    Package p = TwoEntries();
    p.Comment = std::string("PK\x05\x06", 4) + "abcde";
    EXPECT_EQ(OpenedPackage(p).Zip.FileCount(), 2);
}

TEST(ZipDirectory, RecordAcrossAScanWindowBorderIsFound) {
    // From a comment of 1007 bytes on, the record begins in the second window and, up to
    // 1024, runs on past that window's end.
    Package p = TwoEntries();
    p.Entries.push_back(MakeEntry("big", std::string(3000, 'b')));
    for (std::size_t commentLength = 1000; commentLength < 1030; ++commentLength) {
        p.Comment = std::string(commentLength, 'c');
        EXPECT_EQ(OpenedPackage(p).Zip.FileCount(), 3) << commentLength;
    }
}

TEST(ZipDirectory, CommentCutShortKeepsTheBytesPresent) {
    Package p = TwoEntries();
    p.Comment = "short";
    p.CommentLength = 500;
    OpenedPackage opened(p);
    EXPECT_EQ(opened.Zip.Comment(), "short");
}

TEST(ZipDirectory, BrokenDirectoriesFailWithTheirTexts) {
    struct Case {
        const char* what;
        std::function<void(Package&)> breakIt;
        std::function<void(Built&)> patch;
        const wchar_t* message;
    };
    const Case cases[] = {
        {"offsets counted from the archive behind a prefix",
         [](Package& p) { p.Prefix = "#!/bin/sh prefix\n"; },
         [](Built& b) { PutLE32(b.Data, b.EndOffset + 16, b.CentralOffset - 17); },
         L"Invalid Zip Central Header signature"},
        {"more entries than headers", [](Package& p) { p.CentralDirEntries = 3; }, nullptr,
         L"Invalid Zip Central Header signature"},
        {"stream ends inside a central signature", nullptr,
         [](Built& b) { PutLE32(b.Data, b.EndOffset + 16, static_cast<std::uint32_t>(b.Data.size()) - 2); },
         L"Invalid Zip Central Header signature"},
        {"stream ends inside the fixed fields",
         [](Package& p) { p.Comment = std::string("PK\x01\x02", 4) + std::string(10, '\0'); },
         [](Built& b) { PutLE32(b.Data, b.EndOffset + 16, b.EndOffset + 22); }, L"Error reading zip file"},
        {"name runs past the end", nullptr,
         [](Built& b) { PutLE16(b.Data, b.CentralOffset + 28, 0xFFFF); }, L"Error reading zip file"},
        {"extra field runs past the end", nullptr,
         [](Built& b) { PutLE16(b.Data, b.CentralOffset + 30, 0xFFFF); }, L"Error reading zip file"},
        {"comment runs past the end", nullptr,
         [](Built& b) { PutLE16(b.Data, b.CentralOffset + 32, 0xFFFF); }, L"Error reading zip file"},
    };
    for (const auto& c : cases) {
        Package p = TwoEntries();
        if (c.breakIt) c.breakIt(p);
        Built b = Build(p);
        if (c.patch) c.patch(b);
        EXPECT_EQ(OpenError(b.Data), c.message) << c.what;
    }
}

// Packages in one file with 32-bit fields only: whatever else such an archive holds, and even when its
// offsets happen to point at real headers in this file, it is refused, never read as something else.
TEST(ZipDirectory, Zip64AndMultiDiskArchivesAreRefusedInOrder) {
    const Built good = Build(TwoEntries());
    ASSERT_EQ(OpenError(good.Data), L"<no error>");
    const std::size_t end = good.EndOffset;
    const std::size_t central = good.CentralOffset;  // the first entry's central header
    const struct {
        const char* what;
        std::size_t offset;  // a field of the end record or of the first central header
        int width;
        std::uint32_t value;
    } cases[] = {
        {"number of this disk", end + 4, 2, 1},
        {"disk where the directory starts", end + 6, 2, 1},
        {"both disk numbers (the last part of a split archive)", end + 4, 2, 2},
        {"entries on this disk: ZIP64 marker", end + 8, 2, 0xFFFF},
        {"total entries: ZIP64 marker", end + 10, 2, 0xFFFF},
        {"directory size: ZIP64 marker", end + 12, 4, 0xFFFFFFFF},
        {"directory offset: ZIP64 marker", end + 16, 4, 0xFFFFFFFF},
        {"entry's compressed size: ZIP64 marker", central + 20, 4, 0xFFFFFFFF},
        {"entry's uncompressed size: ZIP64 marker", central + 24, 4, 0xFFFFFFFF},
        {"entry's disk number", central + 34, 2, 1},
        {"entry's disk number: ZIP64 marker", central + 34, 2, 0xFFFF},
        {"entry's local header offset: ZIP64 marker", central + 42, 4, 0xFFFFFFFF},
    };
    for (const auto& c : cases) {
        Bytes bytes = good.Data;
        if (c.width == 2) {
            PutLE16(bytes, c.offset, static_cast<std::uint16_t>(c.value));
            // The last part of a split archive names its directory's disk too.
            if (c.offset == end + 4 && c.value == 2) PutLE16(bytes, end + 6, 2);
        } else {
            PutLE32(bytes, c.offset, c.value);
        }
        EXPECT_EQ(OpenError(bytes), L"Error reading zip file") << c.what;
    }

    // A ZIP64 end record and its locator before an end record whose own fields look ordinary.
    Bytes zip64 = good.Data;
    Bytes records(56 + 20, 0);
    PutLE32(records, 0, 0x06064B50);   // ZIP64 end of central directory record
    PutLE32(records, 56, 0x07064B50);  // its locator
    PutLE32(records, 56 + 8, good.EndOffset);
    zip64.insert(zip64.begin() + static_cast<std::ptrdiff_t>(end), records.begin(), records.end());
    EXPECT_EQ(OpenError(zip64), L"Error reading zip file");
}

TEST(ZipDirectory, OnlyReadingIsAccepted) {
    TBytesStream stream(BuildBytes(TwoEntries()));
    TZipFile zip;
    for (const auto mode : {zmClosed, zmReadWrite, zmWrite}) {
        EXPECT_EQ(ErrorOf<EZipException>([&] { zip.Open(stream, mode); }), L"Invalid argument");
        EXPECT_EQ(ErrorOf<EZipException>([&] { zip.Open(L"no-such-file.zip", mode); }), L"Invalid argument");
    }
}

TEST(ZipDirectory, ClosedReaderRefusesItsOperations) {
    TZipFile zip;
    EXPECT_EQ(ErrorOf<EZipException>([&] { zip.FileCount(); }), L"File must be open");
    EXPECT_EQ(ErrorOf<EZipException>([&] { zip.ExtractAll(L"x"); }), L"File must be open for reading");
    std::unique_ptr<TStream> s;
    TZipHeader h;
    EXPECT_EQ(ErrorOf<EZipException>([&] { zip.Read(0, s, h); }), L"File must be open for reading");

    // A failed open leaves the reader closed, also when it was open before.
    TBytesStream good(BuildBytes(TwoEntries()));
    zip.Open(good, zmRead);
    TBytesStream bad(Bytes(100, 'x'));
    EXPECT_EQ(ErrorOf<EZipException>([&] { zip.Open(bad, zmRead); }), L"Error reading zip file");
    EXPECT_EQ(zip.Mode(), zmClosed);
    EXPECT_EQ(ErrorOf<EZipException>([&] { zip.FileCount(); }), L"File must be open");
}

TEST(ZipDirectory, OpenByPathHoldsThePackageUntilClose) {
    testing_support::ScratchFolder scratch;
    const auto path = scratch / L"doc.pages";
    testing_support::WriteFile(path, BuildBytes(TwoEntries()));
    {
        TZipFile zip;
        zip.Open(path, zmRead);
        EXPECT_EQ(zip.FileCount(), 2);
        EXPECT_EQ(ErrorOf<EFOpenError>([&] { TFileStream other(path, fmOpenRead); }).rfind(L"Cannot open file \"", 0),
                  0u);
        zip.Close();
        EXPECT_NO_THROW(TFileStream(path, fmOpenRead));
    }
}

TEST(ZipDirectory, FailedOpenByPathReleasesTheFile) {
    testing_support::ScratchFolder scratch;
    const auto path = scratch / L"broken.pages";
    testing_support::WriteFile(path, Bytes(300, 'x'));
    TZipFile zip;
    EXPECT_EQ(ErrorOf<EZipException>([&] { zip.Open(path, zmRead); }), L"Error reading zip file");
    EXPECT_NO_THROW(TFileStream(path, fmOpenRead));
}

TEST(ZipDirectory, MissingPackageNamesItsFullPath) {
    testing_support::ScratchFolder scratch;
    const auto path = scratch / L"missing.pages";
    TZipFile zip;
    const auto message = ErrorOf<EFOpenError>([&] { zip.Open(path, zmRead); });
    const std::wstring head = L"Cannot open file \"" + path + L"\". ";
    ASSERT_EQ(message.substr(0, head.size()), head);
    EXPECT_GT(message.size(), head.size());  // the system's text follows
    EXPECT_NE(message.back(), L'.');
}
