// The archive directory: finding the end record, reading the central directory, names,
// open and close.

#include <gtest/gtest.h>

#include <functional>

#include "ZipTestSupport.h"
#include "support/TestSupport.h"
#include "zip/FileStream.h"

using namespace testsupport;

namespace {

TZipPackage TwoEntries() {
    TZipPackage p;
    p.Entries = {MakeEntry("a.txt", "alpha"), MakeEntry("b.txt", "bravo", 8)};
    return p;
}

std::wstring OpenError(const TBytes& bytes) {
    TBytesStream stream(bytes);
    TZipFile zip;
    return ErrorOf<EZipException>([&] { zip.Open(stream, zmRead); });
}

}  // namespace

TEST(ZipDirectory, EndRecordAloneOpensWithNoEntries) {
    TOpenedPackage opened(TZipPackage{});
    ASSERT_EQ(opened.Stream.Size(), 22);
    EXPECT_EQ(opened.Zip.FileCount(), 0);
}

TEST(ZipDirectory, ReadsEntriesInDirectoryOrderWithTheirFields) {
    TZipPackage p = TwoEntries();
    p.Entries[0].Extra = "XY\x02\x00zz";
    p.Entries[0].Comment = "first";
    p.ReverseLocalOrder = true;  // local headers in the other order
    p.Comment = "archive comment";
    TOpenedPackage opened(p);
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
    TZipPackage p;
    p.Entries = {MakeEntry("", "")};
    TOpenedPackage opened(p);
    EXPECT_EQ(opened.Zip.FileInfo(0).FileName, "");
    EXPECT_EQ(DecodedFileName(opened.Zip.FileInfo(0)), L"");
}

TEST(ZipDirectory, NamesDecodeByEachEntrysOwnFlag) {
    TZipPackage p;
    p.Entries = {MakeEntry("\x81.txt", ""),
                 MakeEntry("\xC3\xBC.txt", "", 0, 0x0800),
                 MakeEntry("\xC3(.txt", "", 0, 0x0800)};
    TOpenedPackage opened(p);
    EXPECT_EQ(DecodedFileName(opened.Zip.FileInfo(0)), L"\u00FC.txt");
    EXPECT_EQ(DecodedFileName(opened.Zip.FileInfo(1)), L"\u00FC.txt");
    EXPECT_EQ(DecodedFileName(opened.Zip.FileInfo(2)), L"\uFFFD(.txt");
    EXPECT_FALSE(opened.Zip.UTF8Support());

    TZipPackage utf8Only;
    utf8Only.Entries = {MakeEntry("x", "", 0, 0x0800)};
    EXPECT_TRUE(TOpenedPackage(utf8Only).Zip.UTF8Support());
}

TEST(ZipDirectory, StreamsThatAreNoPackageFail) {
    struct TCase {
        std::size_t Size;
        const wchar_t* Message;
    };
    const TCase cases[] = {
        {0, L"Stream read error"},       {1, L"Error reading zip file"},    {4, L"Error reading zip file"},
        {5, L"Error reading zip file"},  {21, L"Error reading zip file"},   {1028, L"Error reading zip file"},
        {5000, L"Error reading zip file"}, {70000, L"Error reading zip file"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OpenError(TBytes(c.Size, 'x')), c.Message) << c.Size << " bytes";
    }
}

TEST(ZipDirectory, EndRecordMustBeginWithinTheLast65535Bytes) {
    TZipPackage p = TwoEntries();
    p.Comment = std::string(65513, 'c');
    TOpenedPackage opened(p);
    EXPECT_EQ(opened.Zip.FileCount(), 2);
    EXPECT_EQ(opened.Zip.Comment().size(), 65513u);

    p.Comment.push_back('c');
    EXPECT_EQ(OpenError(ZipBytes(p)), L"Error reading zip file");
}

TEST(ZipDirectory, SignatureNearestTheEndWins) {
    // A comment holding a complete end record with no entries hides the real one.
    TZipPackage p = TwoEntries();
    p.Comment = std::string("PK\x05\x06", 4) + std::string(18, '\0');
    EXPECT_EQ(TOpenedPackage(p).Zip.FileCount(), 0);
}

TEST(ZipDirectory, SignatureWithoutRoomForARecordIsSkipped) {
    // "PK\5\6" fewer than 22 bytes before the end: the scan goes on to the real record.
    TZipPackage p = TwoEntries();
    p.Comment = std::string("PK\x05\x06", 4) + "abcde";
    EXPECT_EQ(TOpenedPackage(p).Zip.FileCount(), 2);
}

TEST(ZipDirectory, RecordAcrossAScanWindowBorderIsFound) {
    // From a comment of 1007 bytes on, the record begins in the second window and, up to
    // 1024, runs on past that window's end.
    TZipPackage p = TwoEntries();
    p.Entries.push_back(MakeEntry("big", std::string(3000, 'b')));
    for (std::size_t commentLength = 1000; commentLength < 1030; ++commentLength) {
        p.Comment = std::string(commentLength, 'c');
        EXPECT_EQ(TOpenedPackage(p).Zip.FileCount(), 3) << commentLength;
    }
}

TEST(ZipDirectory, CommentCutShortKeepsTheBytesPresent) {
    TZipPackage p = TwoEntries();
    p.Comment = "short";
    p.CommentLength = 500;
    TOpenedPackage opened(p);
    EXPECT_EQ(opened.Zip.Comment(), "short");
}

TEST(ZipDirectory, BrokenDirectoriesFailWithTheirTexts) {
    struct TCase {
        const char* What;
        std::function<void(TZipPackage&)> breakIt;
        std::function<void(TBuiltZip&)> patch;
        const wchar_t* Message;
    };
    const TCase cases[] = {
        {"offsets counted from the archive behind a prefix",
         [](TZipPackage& p) { p.Prefix = "#!/bin/sh prefix\n"; },
         [](TBuiltZip& b) { PutLE32(b.Data, b.EndOffset + 16, b.CentralOffset - 17); },
         L"Invalid Zip Central Header signature"},
        {"more entries than headers", [](TZipPackage& p) { p.CentralDirEntries = 3; }, nullptr,
         L"Invalid Zip Central Header signature"},
        {"stream ends inside a central signature", nullptr,
         [](TBuiltZip& b) { PutLE32(b.Data, b.EndOffset + 16, static_cast<std::uint32_t>(b.Data.size()) - 2); },
         L"Invalid Zip Central Header signature"},
        {"stream ends inside the fixed fields",
         [](TZipPackage& p) { p.Comment = std::string("PK\x01\x02", 4) + std::string(10, '\0'); },
         [](TBuiltZip& b) { PutLE32(b.Data, b.EndOffset + 16, b.EndOffset + 22); }, L"Error reading zip file"},
        {"name runs past the end", nullptr,
         [](TBuiltZip& b) { PutLE16(b.Data, b.CentralOffset + 28, 0xFFFF); }, L"Error reading zip file"},
        {"extra field runs past the end", nullptr,
         [](TBuiltZip& b) { PutLE16(b.Data, b.CentralOffset + 30, 0xFFFF); }, L"Error reading zip file"},
        {"comment runs past the end", nullptr,
         [](TBuiltZip& b) { PutLE16(b.Data, b.CentralOffset + 32, 0xFFFF); }, L"Error reading zip file"},
    };
    for (const auto& c : cases) {
        TZipPackage p = TwoEntries();
        if (c.breakIt) c.breakIt(p);
        TBuiltZip b = BuildZip(p);
        if (c.patch) c.patch(b);
        EXPECT_EQ(OpenError(b.Data), c.Message) << c.What;
    }
}

// Packages in one file with 32-bit fields only: whatever else such an archive holds, and even when its
// offsets happen to point at real headers in this file, it is refused, never read as something else.
TEST(ZipDirectory, Zip64AndMultiDiskArchivesAreRefusedInOrder) {
    const TBuiltZip good = BuildZip(TwoEntries());
    ASSERT_EQ(OpenError(good.Data), L"<no error>");
    const std::size_t end = good.EndOffset;
    const std::size_t central = good.CentralOffset;  // the first entry's central header
    const struct {
        const char* What;
        std::size_t Offset;  // a field of the end record or of the first central header
        int Width;
        std::uint32_t Value;
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
        TBytes bytes = good.Data;
        if (c.Width == 2) {
            PutLE16(bytes, c.Offset, static_cast<std::uint16_t>(c.Value));
            // The last part of a split archive names its directory's disk too.
            if (c.Offset == end + 4 && c.Value == 2) PutLE16(bytes, end + 6, 2);
        } else {
            PutLE32(bytes, c.Offset, c.Value);
        }
        EXPECT_EQ(OpenError(bytes), L"Error reading zip file") << c.What;
    }

    // A ZIP64 end record and its locator before an end record whose own fields look ordinary.
    TBytes zip64 = good.Data;
    TBytes records(56 + 20, 0);
    PutLE32(records, 0, 0x06064B50);   // ZIP64 end of central directory record
    PutLE32(records, 56, 0x07064B50);  // its locator
    PutLE32(records, 56 + 8, good.EndOffset);
    zip64.insert(zip64.begin() + static_cast<std::ptrdiff_t>(end), records.begin(), records.end());
    EXPECT_EQ(OpenError(zip64), L"Error reading zip file");
}

TEST(ZipDirectory, OnlyReadingIsAccepted) {
    TBytesStream stream(ZipBytes(TwoEntries()));
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
    TBytesStream good(ZipBytes(TwoEntries()));
    zip.Open(good, zmRead);
    TBytesStream bad(TBytes(100, 'x'));
    EXPECT_EQ(ErrorOf<EZipException>([&] { zip.Open(bad, zmRead); }), L"Error reading zip file");
    EXPECT_EQ(zip.Mode(), zmClosed);
    EXPECT_EQ(ErrorOf<EZipException>([&] { zip.FileCount(); }), L"File must be open");
}

TEST(ZipDirectory, OpenByPathHoldsThePackageUntilClose) {
    testsupport::TScratchFolder scratch;
    const auto path = scratch / L"doc.pages";
    testsupport::WriteFile(path, ZipBytes(TwoEntries()));
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
    testsupport::TScratchFolder scratch;
    const auto path = scratch / L"broken.pages";
    testsupport::WriteFile(path, TBytes(300, 'x'));
    TZipFile zip;
    EXPECT_EQ(ErrorOf<EZipException>([&] { zip.Open(path, zmRead); }), L"Error reading zip file");
    EXPECT_NO_THROW(TFileStream(path, fmOpenRead));
}

TEST(ZipDirectory, MissingPackageNamesItsFullPath) {
    testsupport::TScratchFolder scratch;
    const auto path = scratch / L"missing.pages";
    TZipFile zip;
    const auto message = ErrorOf<EFOpenError>([&] { zip.Open(path, zmRead); });
    const std::wstring head = L"Cannot open file \"" + path + L"\". ";
    ASSERT_EQ(message.substr(0, head.size()), head);
    EXPECT_GT(message.size(), head.size());  // the system's text follows
    EXPECT_NE(message.back(), L'.');
}
