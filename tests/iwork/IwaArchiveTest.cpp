// The .iwa container: classification, chunks, and the refusals of damaged files.

#include <gtest/gtest.h>
#include <snappy.h>

#include <algorithm>
#include <string>

#include "document/Errors.h"
#include "iwork/IwaArchive.h"
#include "support/IwaWriter.h"

using namespace iwork;
using testsupport::IwaChunks;
using testsupport::SnappyLiteralBlock;
using testsupport::TBytes;

namespace {

TBytes Pattern(std::size_t size) {
    TBytes data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>((i * 131) ^ (i >> 9));
    return data;
}

// One chunk around a raw block, its header written by hand (in place: an insert after the header makes
// GCC 12 warn of a false -Warray-bounds in release builds).
TBytes Chunk(const TBytes& block, std::uint8_t first = 0x00) {
    TBytes out(4 + block.size());
    out[0] = first;
    for (int i = 0; i < 3; ++i) out[1 + i] = static_cast<std::uint8_t>(block.size() >> (8 * i));
    std::copy(block.begin(), block.end(), out.begin() + 4);
    return out;
}

TBytes Concat(TBytes a, const TBytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(IwaClassify, TellsSnappyForeignAndUnreadableApart) {
    struct TCase {
        const char* What;
        TBytes File;
        TIwaCompression Expected;
    };
    const TCase cases[] = {
        {"a Snappy chunk", IwaChunks(Pattern(10)), TIwaCompression::icSnappy},
        {"LZVN from an iCloud edit", {'b', 'v', 'x', 'n', 0x10, 0, 0, 0}, TIwaCompression::icForeign},
        {"LZFSE", {'b', 'v', 'x', '2', 0x10, 0, 0, 0}, TIwaCompression::icForeign},
        {"encrypted or damaged bytes", {0x9C, 0x41, 0x07, 0xEE, 0x13}, TIwaCompression::icUnreadable},
        {"an HTML error page", {'<', 'h', 't', 'm', 'l', '>'}, TIwaCompression::icUnreadable},
        {"bvx alone is not a block magic", {'b', 'v', 'x', 'q', 0, 0}, TIwaCompression::icUnreadable},
        {"a short non-Snappy file", {'b', 'v'}, TIwaCompression::icUnreadable},
    };
    for (const TCase& c : cases) EXPECT_EQ(ClassifyIwa(c.File), c.Expected) << c.What;
}

// The test writer's literal blocks are what Snappy itself accepts, and a document's bytes
// come back whole across chunk boundaries.
TEST(IwaDecompress, ChunksConcatenateIntoOneStream) {
    const TBytes data = Pattern(200000);
    const TBytes block = SnappyLiteralBlock(data);
    EXPECT_TRUE(snappy::IsValidCompressedBuffer(reinterpret_cast<const char*>(block.data()), block.size()));

    for (const std::size_t chunk : {std::size_t{65536}, std::size_t{1000}, std::size_t{61}}) {
        SCOPED_TRACE(chunk);
        EXPECT_EQ(DecompressIwa(IwaChunks(data, chunk)), data);
    }
    // Blocks made by Snappy's compressor (with back-references) and an empty block are read too.
    std::string compressed;
    snappy::Compress(reinterpret_cast<const char*>(data.data()), 60000, &compressed);
    const TBytes real = Chunk(TBytes(compressed.begin(), compressed.end()));
    const TBytes empty = Chunk({0x00});
    EXPECT_EQ(DecompressIwa(Concat(Concat(real, empty), IwaChunks({data.begin() + 60000, data.end()}))), data);
}

TEST(IwaDecompress, DamagedContainersAreRefusedWithTheirPlace) {
    const TBytes good = IwaChunks(Pattern(300));
    const std::size_t second = good.size();
    struct TCase {
        const char* What;
        TBytes File;
        std::string Message;  // a part of the error text
    };
    const TCase cases[] = {
        {"an empty file", {}, "empty"},
        {"a header cut short", {0x00, 0x05, 0x00}, "offset 0 is truncated"},
        {"a block cut short", TBytes(good.begin(), good.end() - 1), "offset 0 is truncated"},
        {"a second chunk cut short", Concat(good, {0x00, 0x40, 0x00, 0x00, 0x01}),
         "offset " + std::to_string(second) + " is truncated"},
        {"a second chunk not starting with 0x00", Concat(good, Chunk(SnappyLiteralBlock(Pattern(5)), 0x01)),
         "offset " + std::to_string(second) + " begins with 0x01"},
        {"an empty chunk", Concat(good, {0x00, 0x00, 0x00, 0x00}),
         "offset " + std::to_string(second) + " holds no Snappy block"},
        {"a length varint that never ends", Chunk({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), "holds no Snappy block"},
        {"more than a chunk holds", Chunk({0x80, 0x80, 0x80, 0x02, 0x00, 'a'}), "more than a chunk holds"},
        {"fewer literal bytes than claimed", Chunk({10, 2 << 2, 'a', 'b', 'c'}), "cannot be decompressed"},
        {"more literal bytes than claimed", Chunk({2, 4 << 2, 'a', 'b', 'c', 'd', 'e'}), "cannot be decompressed"},
        {"a copy before the start", Chunk({4, 0x01 | (0 << 2), 0x05}), "cannot be decompressed"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        try {
            DecompressIwa(c.File);
            ADD_FAILURE() << "no error";
        } catch (const doc::EDamagedDocument& e) {
            EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
        }
    }
}
