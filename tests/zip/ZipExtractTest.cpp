// Entry extraction: the copies, the integrity checks, the path rules and the errors.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>

#include "ZipTestSupport.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "support/TestSupport.h"
#include "zip/FileStream.h"
#include "zip/StoredStream.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(rng());
    return s;
}

std::string Text(std::size_t n) {
    std::string s;
    while (s.size() < n) s += "The quick brown fox jumps over the lazy dog " + std::to_string(s.size()) + "\n";
    s.resize(n);
    return s;
}


class ZipExtract : public ::testing::Test {
protected:
    // Below a sub-folder, so that a name climbing one level would still land in the scratch folder.
    std::wstring Target() const { return Scratch / L"deep\\out\\"; }
    std::wstring Out(const std::wstring& relative) const { return Scratch / (L"deep\\out\\" + relative); }
    std::string Contents(const std::wstring& relative) const {
        const auto bytes = testsupport::ReadFile(Out(relative));
        return {bytes.begin(), bytes.end()};
    }
    bool Exists(const std::wstring& relative) const { return testsupport::FileExists(Out(relative)); }
    // Every file and folder below the scratch folder, as "/"-separated relative paths.
    std::vector<std::string> Tree() const {
        std::vector<std::string> all;
        const auto root = testsupport::ToNative(Scratch.Path());
        for (const auto& e : fs::recursive_directory_iterator(root)) {
            all.push_back(fs::relative(e.path(), root).generic_string() + (e.is_directory() ? "/" : ""));
        }
        std::sort(all.begin(), all.end());
        return all;
    }
    void ExtractAll(const TZipPackage& p) {
        TOpenedPackage opened(p);
        opened.Zip.ExtractAll(Target());
    }
    template <class E>
    std::wstring ExtractAllError(const TZipPackage& p) {
        TOpenedPackage opened(p);
        return ErrorOf<E>([&] { opened.Zip.ExtractAll(Target()); });
    }

    testsupport::TScratchFolder Scratch;
};

}  // namespace

TEST_F(ZipExtract, WritesEveryEntryWithItsFolders) {
    TZipPackage p;
    p.Entries = {
        MakeEntry("stored.txt", "stored bytes"),
        MakeEntry("deflated.txt", Text(200000), 8),
        MakeEntry("random.bin", RandomBytes(150000, 1), 8),  // several 64 KiB refills
        MakeEntry("Sub/", ""),
        MakeEntry("Sub/Deep/Name.txt", "nested", 8),  // no folder entries for Sub/Deep
        MakeEntry("Other/descriptor.txt", Text(50000), 8, 0x0008),
        MakeEntry("empty-stored", ""),
        MakeEntry("empty-deflated", "", 8),
        MakeEntry("empty-descriptor", "", 8, 0x0008),
    };
    ExtractAll(p);
    EXPECT_EQ(Contents(L"stored.txt"), "stored bytes");
    EXPECT_EQ(Contents(L"deflated.txt"), Text(200000));
    EXPECT_EQ(Contents(L"random.bin"), RandomBytes(150000, 1));
    EXPECT_EQ(Contents(L"Sub\\Deep\\Name.txt"), "nested");
    EXPECT_EQ(Contents(L"Other\\descriptor.txt"), Text(50000));
    EXPECT_EQ(Contents(L"empty-stored"), "");
    EXPECT_EQ(Contents(L"empty-deflated"), "");
    EXPECT_EQ(Contents(L"empty-descriptor"), "");
    const std::vector<std::string> expected = {
        "deep/", "deep/out/", "deep/out/Other/", "deep/out/Other/descriptor.txt", "deep/out/Sub/",
        "deep/out/Sub/Deep/", "deep/out/Sub/Deep/Name.txt", "deep/out/deflated.txt", "deep/out/empty-deflated",
        "deep/out/empty-descriptor", "deep/out/empty-stored", "deep/out/random.bin", "deep/out/stored.txt"};
    EXPECT_EQ(Tree(), expected);
}

TEST_F(ZipExtract, StoredEntryWithDescriptorStopsAtItsCompressedSize) {
    TZipPackage p;
    p.Entries = {MakeEntry("first.txt", Text(10000), 0, 0x0008), MakeEntry("second.txt", "after")};
    ExtractAll(p);
    EXPECT_EQ(Contents(L"first.txt"), Text(10000));
    EXPECT_EQ(Contents(L"second.txt"), "after");
}

TEST_F(ZipExtract, MethodIsLookedUpByItsLowByte) {
    TZipPackage p;
    p.Entries = {MakeEntry("a.txt", Text(3000), 8)};
    p.Entries[0].CentralMethod = 264;
    ExtractAll(p);
    EXPECT_EQ(Contents(L"a.txt"), Text(3000));

    p.Entries[0].Name = "b.txt";
    p.Entries[0].CentralMethod = 9;
    EXPECT_EQ(ExtractAllError<EListError>(p), L"Item not found");
    EXPECT_FALSE(Exists(L"b.txt"));
}

TEST_F(ZipExtract, ZeroDeclaredSizeGivesAnEmptyFileWithoutReadingData) {
    TZipPackage p;
    p.Entries = {MakeEntry("zero.bin", "", 8)};
    p.Entries[0].Payload = "not deflate data at all";
    ExtractAll(p);
    EXPECT_TRUE(Exists(L"zero.bin"));
    EXPECT_EQ(Contents(L"zero.bin"), "");
}

TEST_F(ZipExtract, DeclaredSizeBoundsTheCopy) {
    // Only the declared bytes are written; their CRC decides.
    TZipPackage p;
    p.Entries = {MakeEntry("cut.txt", "0123456789", 8)};
    p.Entries[0].UncompressedSize = 4;
    p.Entries[0].Crc = Crc32("0123");
    ExtractAll(p);
    EXPECT_EQ(Contents(L"cut.txt"), "0123");
}

TEST_F(ZipExtract, DamagedEntriesRaiseACrcErrorAfterTheFileIsClosed) {
    struct TCase {
        const char* What;
        TZipEntry Entry;
        std::size_t BytesWritten;
    };
    auto crcOff = [](TZipEntry e) {
        e.Crc = *e.Crc ^ 1;
        return e;
    };
    auto withCrc = [](TZipEntry e) {
        e.Crc = Crc32(e.Data);
        return e;
    };
    auto declared = [](TZipEntry e, std::uint32_t size) {
        e.UncompressedSize = size;
        return e;
    };
    const TCase cases[] = {
        {"stored", crcOff(withCrc(MakeEntry("x.txt", "stored data"))), 11},
        {"deflated", crcOff(withCrc(MakeEntry("x.txt", Text(70000), 8))), 70000},
        {"descriptor", crcOff(withCrc(MakeEntry("x.txt", Text(9000), 8, 0x0008))), 9000},
        {"zero size, CRC not 0", crcOff(withCrc(MakeEntry("x.txt", ""))), 0},
        {"descriptor, decodes to more than declared", declared(MakeEntry("x.txt", Text(10000), 8, 0x0008), 10), 10},
        {"stored descriptor, more than declared", declared(MakeEntry("x.txt", Text(10000), 0, 0x0008), 5000), 5000},
    };
    for (const auto& c : cases) {
        TZipPackage p;
        p.Entries = {c.Entry};
        EXPECT_EQ(ExtractAllError<EZipException>(p), L"CRC error in \"x.txt\"") << c.What;
        EXPECT_EQ(Contents(L"x.txt").size(), c.BytesWritten) << c.What;
        // Closed: it can be replaced at once.
        EXPECT_NO_THROW(TFileStream(Out(L"x.txt"), fmCreate)) << c.What;
    }
}

TEST_F(ZipExtract, PasswordProtectedEntriesWriteNothing) {
    for (const bool centralFlag : {true, false}) {
        TZipPackage p;
        p.Entries = {MakeEntry("secret.txt", "hidden")};
        if (centralFlag) {
            p.Entries[0].Flag = 0x0001;
        } else {
            p.Entries[0].LocalFlag = 0x0001;
        }
        EXPECT_EQ(ExtractAllError<EZipException>(p), L"The document is password-protected");
        EXPECT_FALSE(Exists(L"secret.txt"));
    }
}

TEST_F(ZipExtract, UnsafeNamesFailBeforeAnythingIsWritten) {
    const char* names[] = {
        "../escaped.txt",   "a/../../escaped.txt", "..\\escaped.txt", "/abs.txt",        "\\abs.txt",
        "C:/abs.txt",       "c:rel.txt",           "//server/share/x", "\\\\?\\C:\\x.txt", "a/.. /../x.txt",
        "sub/.../../x.txt", "../",             "sub/COM1.txt",
    };
    for (const char* name : names) {
        TZipPackage p;
        p.Entries = {MakeEntry("before.txt", "b"), MakeEntry(name, "bad")};
        EXPECT_EQ(ExtractAllError<EZipException>(p), L"Unsafe entry name \"" + platform::FromUtf8(name) + L"\"")
            << name;
        EXPECT_EQ(Tree(), (std::vector<std::string>{"deep/", "deep/out/", "deep/out/before.txt"})) << name;
    }
}

TEST_F(ZipExtract, DotSegmentsThatStayInsideAreResolved) {
    TZipPackage p;
    p.Entries = {MakeEntry("a/../b.txt", "b"), MakeEntry("./c.txt", "c"), MakeEntry("d/./e.txt", "e"),
                 MakeEntry("f//g.txt", "g")};
    ExtractAll(p);
    EXPECT_EQ(Contents(L"b.txt"), "b");
    EXPECT_EQ(Contents(L"c.txt"), "c");
    EXPECT_EQ(Contents(L"d\\e.txt"), "e");
    EXPECT_EQ(Contents(L"f\\g.txt"), "g");
}

TEST_F(ZipExtract, DataEndingBeforeTheDeclaredSizeRaisesAReadErrorAndKeepsThePartialFile) {
    TZipPackage truncated;
    truncated.Entries = {MakeEntry("t.bin", "short")};
    truncated.Entries[0].UncompressedSize = 100000;
    EXPECT_EQ(ExtractAllError<EReadError>(truncated), L"Stream read error");
    EXPECT_TRUE(Exists(L"t.bin"));
}

// A declared 4 GiB (one byte short of the ZIP64 marker) streams through the bounded buffer until the data
// run out.
TEST_F(ZipExtract, HugeDeclaredSizeReadsUntilTheDataRunOut) {
    for (const std::uint16_t method : {kZipStored, kZipDeflated}) {
        TZipPackage huge;
        huge.Entries = {MakeEntry("huge.bin", Text(100000), method)};
        huge.Entries[0].UncompressedSize = 0xFFFFFFFE;
        EXPECT_EQ(ExtractAllError<EReadError>(huge), L"Stream read error") << method;
    }
}

TEST_F(ZipExtract, CorruptDeflateDataRaisesZlibsText) {
    TZipPackage corrupt;
    corrupt.Entries = {MakeEntry("c.bin", "data", kZipDeflated)};
    corrupt.Entries[0].Payload = std::string("\x07garbage", 8);  // block type 3
    EXPECT_EQ(ExtractAllError<EZDecompressionError>(corrupt), L"data error");
}

// The path layer's own exceptions reach the caller unchanged.
TEST_F(ZipExtract, PathErrorsPassThrough) {
    const auto named = [](const std::string& name) {
        TZipPackage p;
        p.Entries = {MakeEntry(name, "x")};
        return p;
    };
    EXPECT_EQ(ExtractAllError<EArgumentException>(named("a<b.txt")), L"Invalid characters in path");
    EXPECT_EQ(ExtractAllError<ENotSupportedException>(named("ab:c/d.txt")), L"The path format is not supported");
    EXPECT_EQ(ExtractAllError<EPathTooLongException>(named(std::string(300, 'd') + "/x.txt")),
              L"The specified path is too long");
}

TEST_F(ZipExtract, EntryBelowAFileCannotBeCreated) {
    TZipPackage fileThenFolder;
    fileThenFolder.Entries = {MakeEntry("A", "file"), MakeEntry("A/B", "below a file")};
    const auto message = ExtractAllError<EFCreateError>(fileThenFolder);
    EXPECT_EQ(message.rfind(L"Cannot create file \"" + Out(L"A\\B") + L"\". ", 0), 0u) << platform::ToUtf8(message);
}

TEST_F(ZipExtract, LocalHeaderOffsetThatMissesTheSignatureFails) {
    for (const std::uint32_t offset : {1u, 0xFFFFFFF0u}) {
        TZipPackage p;
        p.Entries = {MakeEntry("x.txt", "x")};
        p.Entries[0].LocalHeaderOffset = offset;
        EXPECT_EQ(ExtractAllError<EZipException>(p), L"Invalid Zip Local Header signature") << offset;
    }
}

TEST_F(ZipExtract, ReadOnlyFileAtTheTargetIsNotReplaced) {
    testsupport::WriteFile(Out(L"ro.txt"), std::string("keep"));
    fs::permissions(testsupport::ToNative(Out(L"ro.txt")), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    if (std::ofstream(testsupport::ToNative(Out(L"ro.txt")), std::ios::app).is_open()) {
        GTEST_SKIP() << "these rights write read-only files";
    }
    TZipPackage p;
    p.Entries = {MakeEntry("ro.txt", "new")};
    EXPECT_EQ(ExtractAllError<EFCreateError>(p).rfind(L"Cannot create file \"", 0), 0u);
    EXPECT_EQ(Contents(L"ro.txt"), "keep");
}

TEST_F(ZipExtract, LaterEntryOfTheSameNameReplacesTheEarlier) {
    TZipPackage p;
    p.Entries = {MakeEntry("same.txt", "first version"), MakeEntry("same.txt", "second", 8)};
    ExtractAll(p);
    EXPECT_EQ(Contents(L"same.txt"), "second");
}

TEST_F(ZipExtract, EntryWithAnEmptyNameWritesNothing) {
    TZipPackage p;
    p.Entries = {MakeEntry("", "")};
    ExtractAll(p);
    EXPECT_EQ(Tree(), (std::vector<std::string>{"deep/", "deep/out/"}));
}

TEST_F(ZipExtract, EmptyPackageWritesNothingNotEvenTheTarget) {
    ExtractAll(TZipPackage{});
    EXPECT_EQ(Tree(), std::vector<std::string>{});
}

TEST_F(ZipExtract, ExtractWithoutSubfoldersDropsTheFolders) {
    TZipPackage p;
    p.Entries = {MakeEntry("Sub/Deep/Name.txt", "flat")};
    TOpenedPackage opened(p);
    platform::ForceDirectories(Target());
    opened.Zip.Extract(0, Target(), false);
    EXPECT_EQ(Contents(L"Name.txt"), "flat");
    EXPECT_FALSE(Exists(L"Sub"));
}

TEST_F(ZipExtract, IndexOutsideTheDirectoryIsNotFound) {
    TZipPackage p;
    p.Entries = {MakeEntry("a", "a")};
    TOpenedPackage opened(p);
    std::unique_ptr<TStream> s;
    TZipHeader h;
    for (const int index : {-1, 1}) {
        EXPECT_EQ(ErrorOf<EZipException>([&] { opened.Zip.Extract(index, Target()); }),
                  L"The specified file was not found");
        EXPECT_EQ(ErrorOf<EZipException>([&] { opened.Zip.Read(index, s, h); }), L"The specified file was not found");
    }
}

// Many small entries read from a file: the read-ahead serves headers, stored data, deflate
// refills and the hand-back of their surplus across several buffer fills, with more folders
// interleaved than ExtractAll remembers.
TEST_F(ZipExtract, ManySmallEntriesFromAFileAcrossTheReadAhead) {
    TZipPackage p;
    constexpr int kEntries = 1500;
    const auto name = [](int i) { return "F" + std::to_string(i % 23) + "/e" + std::to_string(i) + ".bin"; };
    const auto data = [](int i) { return i % 2 == 0 ? RandomBytes(120 + i % 50, static_cast<unsigned>(i)) : Text(40 + i % 90); };
    for (int i = 0; i < kEntries; ++i) {
        p.Entries.push_back(MakeEntry(name(i), data(i), i % 2 == 0 ? 0 : 8, i % 6 == 1 ? 0x0008 : 0));
    }
    p.Entries.push_back(MakeEntry("large.bin", RandomBytes(3 * TFileStream::kReadAheadSize + 7, 99)));
    p.Entries.push_back(MakeEntry("F3/last.txt", Text(70000), 8));
    const auto bytes = ZipBytes(p);
    ASSERT_GT(bytes.size(), 2u * TFileStream::kReadAheadSize);
    const auto packagePath = Scratch / L"many.zip";
    testsupport::WriteFile(packagePath, bytes);
    {
        TZipFile zip;
        zip.Open(packagePath, zmRead);
        zip.ExtractAll(Target());
    }
    for (int i = 0; i < kEntries; ++i) {
        const auto n = name(i);
        std::wstring relative(n.begin(), n.end());
        std::replace(relative.begin(), relative.end(), L'/', L'\\');
        ASSERT_EQ(Contents(relative), data(i)) << n;
    }
    EXPECT_EQ(Contents(L"large.bin"), RandomBytes(3 * TFileStream::kReadAheadSize + 7, 99));
    EXPECT_EQ(Contents(L"F3\\last.txt"), Text(70000));
}

// Extract on its own makes the entry's folder every time, so one removed in between comes back.
TEST_F(ZipExtract, FolderRemovedBetweenTwoExtractsIsMadeAgain) {
    TZipPackage p;
    p.Entries = {MakeEntry("Sub/a.txt", "a"), MakeEntry("Sub/b.txt", "b", 8)};
    TOpenedPackage opened(p);
    opened.Zip.Extract(0, Target());
    EXPECT_EQ(Contents(L"Sub\\a.txt"), "a");
    fs::remove_all(testsupport::ToNative(Out(L"Sub")));
    ASSERT_FALSE(Exists(L"Sub"));
    opened.Zip.Extract(1, Target());
    EXPECT_EQ(Contents(L"Sub\\b.txt"), "b");
    EXPECT_FALSE(Exists(L"Sub\\a.txt"));
}

TEST(ZipRead, StoredStreamStartsAtTheDataAndRunsOnIntoTheArchive) {
    TZipPackage p;
    p.Entries = {MakeEntry("one.txt", "ONE", 0, 0), MakeEntry("two.txt", "TWO")};
    p.Entries[0].LocalFlag = 0x0800;
    p.Entries[0].Extra = "ex";
    TOpenedPackage opened(p);
    std::unique_ptr<TStream> stream;
    TZipHeader local;
    opened.Zip.Read(0, stream, local);
    EXPECT_EQ(local.FileName, "one.txt");
    EXPECT_EQ(local.Flag, 0x0800);
    EXPECT_EQ(local.ExtraField, ToBytes("ex"));
    EXPECT_EQ(local.LocalHeaderOffset, 0u);  // not carried by a local header
    char buffer[8] = {};
    ASSERT_EQ(stream->Read(buffer, 7), 7);
    EXPECT_EQ(std::string(buffer, 7), std::string("ONEPK\x03\x04", 7));
}

TEST(ZipRegistry, HandlersAreLookedUpAndReplaced) {
    TZipPackage p;
    p.Entries = {MakeEntry("b.txt", "bz", zcBZIP2)};
    TOpenedPackage opened(p);
    std::unique_ptr<TStream> stream;
    TZipHeader local;
    EXPECT_EQ(ErrorOf<EListError>([&] { opened.Zip.Read(0, stream, local); }), L"Item not found");

    const TZipFile* seenZip = nullptr;
    std::string seenName;
    TZipFile::RegisterCompressionHandler(zcBZIP2, [&](TStream& in, TZipFile& zip, const TZipHeader& item) {
        seenZip = &zip;
        seenName = item.FileName;
        return std::unique_ptr<TStream>(std::make_unique<TStoredStream>(in));
    });
    opened.Zip.Read(0, stream, local);
    char buffer[2];
    stream->ReadBuffer(buffer, 2);
    EXPECT_EQ(std::string(buffer, 2), "bz");
    EXPECT_EQ(seenZip, &opened.Zip);
    EXPECT_EQ(seenName, "b.txt");

    TZipFile::RegisterCompressionHandler(zcBZIP2, nullptr);
    EXPECT_EQ(ErrorOf<EListError>([&] { opened.Zip.Read(0, stream, local); }), L"Item not found");
    RegisterStandardCompressionHandlers();
    EXPECT_NO_THROW(DecompressionHandler(zcStored));
    EXPECT_NO_THROW(DecompressionHandler(zcDeflate));
}

TEST(ZipRegistry, MethodNames) {
    const std::pair<int, const wchar_t*> cases[] = {
        {0, L"Stored"},      {1, L"Shrunk"},     {2, L"Reduced1"},   {3, L"Reduced2"},
        {4, L"Reduced3"},    {5, L"Reduced4"},   {6, L"Imploded"},   {7, L"Tokenized"},
        {8, L"Deflated"},    {9, L"Deflated64"}, {10, L"Imploded(TERSE)"}, {11, L"Unknown"},
        {12, L"BZIP2"},      {14, L"LZMA"},      {18, L"TERSE"},     {19, L"LZ77"},
        {97, L"WavPack"},    {98, L"PPMd version I, Rev 1"},         {255, L"Unknown"},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(TZipCompressionToString(static_cast<TZipCompression>(value)), text) << value;
    }
}

namespace {

// A destination that takes Capacity bytes and then nothing more, as a full disk does.
class TFullStream : public TStream {
public:
    explicit TFullStream(std::int64_t Capacity) : FLeft(Capacity) {}
    std::int32_t Read(void*, std::int32_t) override { return 0; }
    std::int32_t Write(const void*, std::int32_t Count) override {
        const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(Count, FLeft));
        FLeft -= n;
        return n;
    }
    std::int64_t Seek(std::int64_t, TSeekOrigin) override { return 0; }

private:
    std::int64_t FLeft;
};

}  // namespace

// A write the target does not take whole is a write error, never a CRC error of the entry: the
// read-until-end copy examines every count as the exact-size copy does.
TEST(ZipEntryCopy, AFullDestinationIsAWriteError) {
    const std::string data = RandomBytes(100000, 5);
    for (const std::uint16_t method : {kZipStored, kZipDeflated}) {
        TZipPackage p;
        p.Entries = {MakeEntry("d.bin", data, method, kZipFlagDescriptor)};
        TOpenedPackage opened(p);
        for (const std::int64_t capacity : {0, 100, 4096, 70000, 99999}) {
            std::unique_ptr<TStream> in;
            TZipHeader local;
            opened.Zip.Read(0, in, local);
            TFullStream full(capacity);
            EXPECT_EQ(ErrorOf<EWriteError>([&] { CopyEntryUntilEnd(*in, full, opened.Zip.FileInfo(0)); }),
                      L"Stream write error")
                << method << " " << capacity;
        }
        std::unique_ptr<TStream> in;
        TZipHeader local;
        opened.Zip.Read(0, in, local);
        TFullStream roomy(data.size());
        EXPECT_TRUE(CopyEntryUntilEnd(*in, roomy, opened.Zip.FileInfo(0))) << method;
    }
}

#ifndef _WIN32
// The same through a real file: a file-size limit makes the system refuse writes past it, as a full
// disk does, for both copies.
TEST_F(ZipExtract, AFileTheSystemStopsTakingIsAWriteError) {
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const std::string data = RandomBytes(300000, 6);
    for (const std::uint16_t flag : {std::uint16_t{0}, kZipFlagDescriptor}) {
        for (const std::uint16_t method : {kZipStored, kZipDeflated}) {
            TZipPackage p;
            p.Entries = {MakeEntry("big.bin", data, method, flag)};
            const TBytes bytes = ZipBytes(p);  // made before the limit: it is never written to disk
            TBytesStream stream(bytes);
            TZipFile zip;
            zip.Open(stream, zmRead);
            struct rlimit limited = saved;
            limited.rlim_cur = 100000;
            ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
            const auto error = ErrorOf<EWriteError>([&] { zip.ExtractAll(Target()); });
            ::setrlimit(RLIMIT_FSIZE, &saved);
            EXPECT_EQ(error, L"Stream write error") << flag << " " << method;
        }
    }
    std::signal(SIGXFSZ, oldHandler);
}
#endif
