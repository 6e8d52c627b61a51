// The object store: archives parsed from decompressed .iwa bytes, and whole Index folders
// loaded from disk.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/Errors.h"
#include "iwork/IwaArchive.h"
#include "iwork/ObjectStore.h"
#include "platform/Exception.h"
#include "platform/File.h"
#include "platform/Text.h"
#include "support/IwaWriter.h"
#include "support/TestSupport.h"
#include "zip/ZipFile.h"

using namespace iwork;
using testsupport::AppendVarint;
using testsupport::IwaArchives;
using testsupport::IwaFile;
using testsupport::TScratchFolder;
using testsupport::TBytes;
using testsupport::TIwaObject;
using testsupport::TProtoWriter;
using testsupport::WriteFile;

namespace {

TBytes Text(const std::string& s) { return TBytes(s.begin(), s.end()); }

TBytes Payload(std::uint64_t id, std::size_t size) {
    TProtoWriter w;
    w.Varint(1, id);
    TBytes filler(size, static_cast<std::uint8_t>(id));
    w.Bytes(2, filler);
    return w.Data();
}

std::vector<std::uint8_t> Bytes(std::span<const std::uint8_t> s) { return {s.begin(), s.end()}; }

TObjectStore StoreOf(const TBytes& archives) {
    TObjectStore store;
    store.AddArchives(archives);
    return store;
}

}  // namespace

TEST(ObjectStore, KeepsEachObjectsTypePayloadAndReferences) {
    TIwaObject unpacked(7, 2001, Payload(7, 3), {1, 2});
    unpacked.UnpackedReferences = true;
    const TObjectStore store = StoreOf(IwaArchives({
        TIwaObject(1, 10000, TProtoWriter().Reference(4, 7).Float(30, 595.0f), {7, 900000000000ull}),
        unpacked,
        TIwaObject(3, 0, {}),  // an empty payload is still an object
    }));
    ASSERT_EQ(store.Size(), 3u);
    const TObject& root = store.Get(1);
    EXPECT_EQ(root.Id, 1u);
    EXPECT_EQ(root.Type, 10000u);
    EXPECT_EQ(root.Payload.Reference(4), 7u);
    EXPECT_EQ(root.Payload.Float(30), 595.0f);
    EXPECT_EQ(root.References, (std::vector<std::uint64_t>{7, 900000000000ull}));
    EXPECT_EQ(store.Get(7).References, (std::vector<std::uint64_t>{1, 2}));
    EXPECT_EQ(Bytes(store.Get(7).Payload.Bytes()), Payload(7, 3));
    EXPECT_TRUE(store.Get(3).Payload.Empty());
    EXPECT_EQ(store.Find(4), nullptr);
    try {
        store.Get(4);
        ADD_FAILURE() << "no error";
    } catch (const doc::EDamagedDocument& e) {
        EXPECT_STREQ(e.what(), "Object 4 is missing");
    }
}

// Objects cross chunk boundaries, and one is larger than a chunk.
TEST(ObjectStore, ObjectsSpanningChunksComeBackWhole) {
    std::vector<TIwaObject> objects;
    for (std::uint64_t id = 1; id <= 40; ++id) objects.emplace_back(id, 2001, Payload(id, id * 97));
    objects.emplace_back(41, 3005, Payload(41, 200000));
    for (const std::size_t chunk : {std::size_t{65536}, std::size_t{333}}) {
        SCOPED_TRACE(chunk);
        const TObjectStore store = StoreOf(DecompressIwa(IwaFile(objects, chunk)));
        ASSERT_EQ(store.Size(), objects.size());
        for (const TIwaObject& o : objects) EXPECT_EQ(Bytes(store.Get(o.Id).Payload.Bytes()), o.Payload) << o.Id;
    }
}

TEST(ObjectStore, MergePatchesAreSkippedByTheirLengths) {
    TIwaObject patched(5, 2001, Payload(5, 10), {6});
    patched.Patches = {{2001, Payload(99, 30)}, {2002, Text("not even a message \xFF\xFF")}};
    const TObjectStore store = StoreOf(IwaArchives({patched, TIwaObject(6, 2022, Payload(6, 4))}));
    ASSERT_EQ(store.Size(), 2u);
    EXPECT_EQ(store.Get(5).Type, 2001u);
    EXPECT_EQ(Bytes(store.Get(5).Payload.Bytes()), Payload(5, 10));
    EXPECT_EQ(store.Get(5).References, std::vector<std::uint64_t>{6});
    EXPECT_EQ(Bytes(store.Get(6).Payload.Bytes()), Payload(6, 4));
}

TEST(ObjectStore, FirstArchiveOfAnIdentifierWinsAcrossFiles) {
    TObjectStore store;
    store.AddArchives(IwaArchives({TIwaObject(1, 10000, Payload(1, 1)), TIwaObject(1, 2001, Payload(1, 2))}));
    store.AddArchives(IwaArchives({TIwaObject(1, 3005, Payload(1, 3)), TIwaObject(2, 11006, {})}));
    ASSERT_EQ(store.Size(), 2u);
    EXPECT_EQ(store.Get(1).Type, 10000u);
    EXPECT_EQ(Bytes(store.Get(1).Payload.Bytes()), Payload(1, 1));
}

TEST(ObjectStore, ArchiveWithoutMessageInfosHoldsNoObject) {
    TBytes bytes;
    const TProtoWriter bare = TProtoWriter().Varint(1, 9);
    AppendVarint(bytes, bare.Data().size());
    bytes.insert(bytes.end(), bare.Data().begin(), bare.Data().end());
    const TBytes next = IwaArchives({TIwaObject(10, 2001, Payload(10, 2))});
    bytes.insert(bytes.end(), next.begin(), next.end());
    const TObjectStore store = StoreOf(bytes);
    EXPECT_EQ(store.Find(9), nullptr);
    EXPECT_NE(store.Find(10), nullptr);
}

TEST(ObjectStore, DamagedArchivesAreRefused) {
    const TBytes good = IwaArchives({TIwaObject(1, 10000, Payload(1, 20))});
    auto archive = [](const TProtoWriter& header, const TBytes& payload) {
        TBytes out;
        AppendVarint(out, header.Data().size());
        out.insert(out.end(), header.Data().begin(), header.Data().end());
        out.insert(out.end(), payload.begin(), payload.end());
        return out;
    };
    auto info = [](std::uint64_t length) { return TProtoWriter().Varint(1, 2001).Varint(3, length); };
    TBytes headerPastEnd = good;
    headerPastEnd.push_back(0x40);  // a header of 64 bytes, none present
    headerPastEnd.push_back(0x08);
    TBytes cutLength = good;
    cutLength.push_back(0x80);
    struct TCase {
        const char* What;
        TBytes Bytes;
        std::string Message;
    };
    const TCase cases[] = {
        {"a header length cut short", cutLength, "offset " + std::to_string(good.size()) + " of an .iwa has a length"},
        {"a header past the end", headerPastEnd, "header running past the end"},
        {"a payload past the end", archive(TProtoWriter().Varint(1, 3).Message(2, info(21)), TBytes(20, 0)),
         "payload running past the end"},
        {"a patch past the end",
         archive(TProtoWriter().Varint(1, 3).Message(2, info(2)).Message(2, info(100)), TBytes(10, 0)),
         "payload running past the end"},
        {"a payload length near 2^64",
         archive(TProtoWriter().Varint(1, 3).Message(2, info(~std::uint64_t{0})), TBytes(10, 0)),
         "payload running past the end"},
        {"a malformed header", archive(TProtoWriter().Raw({0x08, 0x03, 0x0B}), {}), "offset 0 of an .iwa: A group"},
        {"a malformed message info", archive(TProtoWriter().Varint(1, 3).Bytes(2, TBytes{0x18, 0x80}), {}),
         "A varint runs past the end"},
        {"malformed references", archive(TProtoWriter().Varint(1, 3).Message(2, info(0).Bytes(5, TBytes{0x81})), {}),
         "A varint runs past the end"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TObjectStore store;
        try {
            store.AddArchives(c.Bytes);
            ADD_FAILURE() << "no error";
        } catch (const doc::EDamagedDocument& e) {
            EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
        }
    }
}

TEST(LoadObjectStore, ReadsEveryIwaBelowTheIndexFolder) {
    TScratchFolder scratch;
    const std::wstring index = scratch / L"Index";
    // Chunks of 7 bytes: the file is read a chunk at a time, and its objects cross chunks.
    WriteFile(index + L"\\Document.iwa", IwaFile({TIwaObject(1, 10000, Payload(1, 5))}, 7));
    WriteFile(index + L"\\Metadata.iwa", IwaFile({TIwaObject(2, 11006, {})}));
    WriteFile(index + L"\\Tables\\DataList-904483-2.iwa", IwaFile({TIwaObject(300, 6005, Payload(300, 2))}));
    WriteFile(index + L"\\Deep\\Er\\Objects.IWA", IwaFile({TIwaObject(400, 2001, {})}));
    WriteFile(index + L"\\OperationStorage.iwa", Text("bvxn\x10\x00\x00\x00 LZVN from the web"));
    WriteFile(index + L"\\notes.txt", Text("\x02 neither Snappy nor .iwa"));
    WriteFile(scratch / L"Beside.iwa", Text("\x02 outside the Index folder"));
    const TObjectStore store = LoadObjectStore(index);
    EXPECT_EQ(store.Size(), 4u);
    for (const std::uint64_t id : {1, 2, 300, 400}) EXPECT_NE(store.Find(id), nullptr) << id;
    EXPECT_EQ(Bytes(store.Get(1).Payload.Bytes()), Payload(1, 5));
}

// A file that is no archive is damage, never a password (protection is known from the
// package's markers), and it is the one named: every file is classified first.
TEST(LoadObjectStore, AFileThatIsNoArchiveIsDamageNamingIt) {
    TScratchFolder scratch;
    WriteFile(scratch / L"Index\\A.iwa", TBytes{0x00, 0x71, 0x9E, 0x33, 0xC1, 0x07});
    WriteFile(scratch / L"Index\\Document.iwa", Text("<html><body>502 Bad Gateway</body></html>"));
    try {
        LoadObjectStore(scratch / L"Index");
        FAIL() << "no error";
    } catch (const doc::EDamagedDocument& e) {
        EXPECT_NE(e.Message().find(L"Document.iwa\" is no .iwa archive (it begins with 0x3C)"), std::wstring::npos)
            << platform::ToUtf8(e.Message());
    }
}

TEST(LoadObjectStore, DamageNamesTheFile) {
    TScratchFolder scratch;
    WriteFile(scratch / L"Index\\Document.iwa", IwaFile({TIwaObject(1, 10000, {})}));
    TBytes cut = IwaFile({TIwaObject(2, 11006, Payload(2, 50))});
    cut.resize(cut.size() - 3);
    WriteFile(scratch / L"Index\\Metadata.iwa", cut);
    try {
        LoadObjectStore(scratch / L"Index");
        ADD_FAILURE() << "no error";
    } catch (const doc::EDamagedDocument& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("offset 0 is truncated"), std::string::npos) << message;
        EXPECT_NE(message.find("Index\\Metadata.iwa"), std::string::npos) << message;
    }
}

TEST(LoadObjectStore, AFolderWithoutIwaIsDamaged) {
    TScratchFolder scratch;
    WriteFile(scratch / L"Index\\Document.iwa.bak", IwaFile({TIwaObject(1, 10000, {})}));
    EXPECT_THROW(LoadObjectStore(scratch / L"Index"), doc::EDamagedDocument);
    EXPECT_THROW(LoadObjectStore(scratch / L"Missing"), doc::EDamagedDocument);
}

TEST(LoadObjectStore, AFileThatCannotBeOpenedIsNamed) {
    TScratchFolder scratch;
    const std::wstring path = scratch / L"Index\\Document.iwa";
    WriteFile(path, IwaFile({TIwaObject(1, 10000, {})}));
    platform::TErrorCode error = platform::kErrorSuccess;
    const platform::TFile holder = platform::TFile::OpenRead(path, error);  // exclusive: nobody else opens it
    ASSERT_TRUE(holder);
    try {
        LoadObjectStore(scratch / L"Index");
        ADD_FAILURE() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_NE(e.Message().find(L"Document.iwa"), std::wstring::npos) << e.what();
    }
}

// The test writer's packages, unpacked and zipped, read back through the store.
TEST(ModernPackageWriter, FolderAndZipHoldTheSameObjects) {
    testsupport::TModernPackageFiles files;
    files.Document = {TIwaObject(1, 10000, Payload(1, 8))};
    files.OtherIwa = {{"Index/Tables/Tile-7.iwa", {TIwaObject(7, 6002, Payload(7, 70000))}}};
    files.OtherFiles = {{"Data/pic-12.png", Text("\x89PNG")}, {"preview.jpg", Text("\xFF\xD8")}};
    TScratchFolder scratch;
    testsupport::WriteModernPackage(scratch / L"Folder.pages", files);
    WriteFile(scratch / L"Zipped.pages", testsupport::ModernPackageZip(files));
    TZipFile zip;
    zip.Open(scratch / L"Zipped.pages", zmRead);
    zip.ExtractAll(scratch / L"Unzipped");
    zip.Close();
    for (const wchar_t* package : {L"Folder.pages", L"Unzipped"}) {
        SCOPED_TRACE(platform::ToUtf8(package));
        const TObjectStore store = LoadObjectStore(scratch / (std::wstring(package) + L"\\Index"));
        EXPECT_EQ(store.Get(1).Type, 10000u);
        EXPECT_EQ(store.Get(2).Type, 11006u);  // the default package metadata
        EXPECT_EQ(Bytes(store.Get(7).Payload.Bytes()), Payload(7, 70000));
        EXPECT_TRUE(testsupport::FileExists(scratch / (std::wstring(package) + L"\\Data\\pic-12.png")));
    }
}
