// The raw inflate stream over a shared package stream.

#include <gtest/gtest.h>

#include <random>

#include "ZipTestSupport.h"
#include "zip/ZDecompressionStream.h"

using namespace testsupport;

namespace {

std::string Payload(std::size_t n, bool random) {
    std::string s(n, '\0');
    std::mt19937 rng(static_cast<unsigned>(n));
    for (std::size_t i = 0; i < n; ++i) s[i] = random ? static_cast<char>(rng()) : static_cast<char>('a' + i % 23);
    return s;
}

const std::string kTrailer = "TRAILER";

// Deflate data of data, behind a prefix and followed by kTrailer.
TBytesStream SourceOf(const std::string& data, const std::string& prefix = "PFX") {
    return TBytesStream(ToBytes(prefix + DeflateRaw(data) + kTrailer));
}

std::string ReadAll(TStream& s, std::int32_t chunk) {
    std::string out;
    std::string buffer(static_cast<std::size_t>(chunk), '\0');
    while (true) {
        const auto n = s.Read(buffer.data(), chunk);
        out.append(buffer, 0, static_cast<std::size_t>(n));
        if (n < chunk) return out;
    }
}

}  // namespace

TEST(ZDecompression, DecodesAndHandsBackTheBytesAfterTheDeflateData) {
    // Sizes around the 64 KiB refill: the final refill may hold any amount of surplus.
    for (const std::size_t size : {0u, 1u, 1000u, 65535u, 65536u, 65537u, 200000u}) {
        for (const bool random : {false, true}) {
            const auto data = Payload(size, random);
            auto source = SourceOf(data);
            source.SetPosition(3);
            TZDecompressionStream z(source);
            EXPECT_EQ(ReadAll(z, 4096), data) << size;
            EXPECT_TRUE(z.Ended()) << size;
            EXPECT_EQ(source.Position(), source.Size() - static_cast<std::int64_t>(kTrailer.size())) << size;
            // After the end: 0 every time, the source stays where it is.
            char b[16];
            EXPECT_EQ(z.Read(b, 16), 0);
            EXPECT_EQ(z.Read(b, 16), 0);
            EXPECT_EQ(source.Position(), source.Size() - static_cast<std::int64_t>(kTrailer.size()));
        }
    }
}

TEST(ZDecompression, ContinuesWhereItLeftOffWhenTheSourceWasMoved) {
    const auto data = Payload(300000, true);
    auto source = SourceOf(data);
    source.SetPosition(3);
    TZDecompressionStream z(source);
    std::string out(100, '\0');
    z.ReadBuffer(out.data(), 100);
    source.SetPosition(0);
    char scratch[5];
    source.Read(scratch, 5);
    std::string rest(data.size() - 100, '\0');
    z.ReadBuffer(rest.data(), static_cast<std::int32_t>(rest.size()));
    EXPECT_EQ(out + rest, data);
    EXPECT_EQ(z.Read(scratch, 0), 0);
}

TEST(ZDecompression, TruncatedDataEndsEarlyWithoutAnError) {
    const auto deflated = DeflateRaw(Payload(100000, true));
    TBytesStream cut(ToBytes(deflated.substr(0, deflated.size() / 2)));
    TZDecompressionStream z(cut);
    std::string buffer(200000, '\0');
    const auto n = z.Read(buffer.data(), 200000);
    EXPECT_GT(n, 0);
    EXPECT_LT(n, 100000);
    EXPECT_EQ(z.Read(buffer.data(), 10), 0);
    // What tells it from data that ended.
    EXPECT_FALSE(z.Ended());
}

TEST(ZDecompression, ReservedBlockTypeIsADataError) {
    TBytesStream reserved(ToBytes("\x07\x00\x00\x00"));  // final block of type 3
    TZDecompressionStream z(reserved);
    char buffer[10];
    EXPECT_EQ(ErrorOf<EZDecompressionError>([&] { z.Read(buffer, 10); }), L"data error");
}

TEST(ZDecompression, SizeAndForwardSeeksDecodeAsFarAsNeeded) {
    const auto data = Payload(50000, false);
    auto source = SourceOf(data, "");
    TZDecompressionStream z(source);
    EXPECT_EQ(z.Seek(0, soFromCurrent), 0);
    EXPECT_EQ(z.Size(), 50000);  // decodes to the end and rewinds
    EXPECT_EQ(z.Seek(0, soFromCurrent), 0);
    EXPECT_EQ(z.Seek(0, soFromEnd), 50000);
    EXPECT_TRUE(z.Ended());
    EXPECT_EQ(z.Seek(0, soFromBeginning), 0);
    EXPECT_FALSE(z.Ended());
    char b[5];
    z.ReadBuffer(b, 5);
    EXPECT_EQ(std::string(b, 5), data.substr(0, 5));
    EXPECT_EQ(z.Seek(20000, soFromCurrent), 20005);
    EXPECT_EQ(z.Seek(std::int64_t{30000}, TSeekOrigin::soBeginning), 30000);
    z.ReadBuffer(b, 5);
    EXPECT_EQ(std::string(b, 5), data.substr(30000, 5));
    EXPECT_EQ(ErrorOf<EReadError>([&] { z.Seek(30000, soFromCurrent); }), L"Stream read error");
}

// Only forward seeks from where decoding stands, and never a write.
TEST(ZDecompression, BackwardSeeksAndWritesAreRefused) {
    auto source = SourceOf(Payload(50000, false), "");
    TZDecompressionStream fresh(source);
    char b[5];
    fresh.ReadBuffer(b, 5);
    const struct {
        std::int32_t Offset;
        TSeekOrigin Origin;
    } refused[] = {{-1, soFromCurrent}, {1, soFromEnd}, {-1, soFromEnd}, {5, soFromBeginning},
                   {-5, soFromBeginning}, {0, static_cast<TSeekOrigin>(7)}};
    for (const auto& r : refused) {
        EXPECT_EQ(ErrorOf<EZDecompressionError>([&] { fresh.Seek(r.Offset, r.Origin); }),
                  L"Invalid ZStream operation!")
            << r.Offset << " " << static_cast<int>(r.Origin);
    }
    EXPECT_EQ(ErrorOf<EZDecompressionError>([&] { fresh.Write(b, 1); }), L"Invalid ZStream operation!");
}

TEST(ZDecompression, CheckGivesZlibsFixedTexts) {
    const std::pair<int, const wchar_t*> cases[] = {
        {-1, L"file error"},   {-2, L"stream error"},        {-3, L"data error"},
        {-4, L"insufficient memory"}, {-5, L"buffer error"}, {-6, L"incompatible version"},
    };
    for (const auto& [code, text] : cases) {
        EXPECT_EQ(ErrorOf<EZDecompressionError>([&] { ZDecompressCheck(code); }), text) << code;
    }
    for (const int code : {Z_OK, Z_STREAM_END, Z_NEED_DICT}) EXPECT_EQ(ZDecompressCheck(code), code);
}

TEST(ZDecompression, EmptyDeflateDataEndsAtOnce) {
    TBytesStream source(ToBytes(std::string("\x03\x00", 2) + "NEXT"));
    TZDecompressionStream z(source);
    char b[4];
    EXPECT_EQ(z.Read(b, 4), 0);
    EXPECT_EQ(source.Position(), 2);
}
