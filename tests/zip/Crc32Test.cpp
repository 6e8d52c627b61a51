#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <vector>

#include "zip/Crc32.h"

namespace {

std::uint32_t Reference(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
    return static_cast<std::uint32_t>(crc32(crc, p, static_cast<uInt>(n)));
}

// Every length across the folding boundaries (16, 64, 128 bytes), at every alignment,
// from several starting values, must give zlib's answer.
TEST(Crc32Test, MatchesZlibForEveryLengthAlignmentAndStart) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> bytes(1024);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    for (std::uint32_t start : {0u, 1u, 0xFFFFFFFFu, 0x12345678u}) {
        for (std::size_t offset = 0; offset < 16; ++offset) {
            for (std::size_t length = 0; length <= 300; ++length) {
                ASSERT_EQ(Crc32(start, bytes.data() + offset, length), Reference(start, bytes.data() + offset, length))
                    << "start " << start << " offset " << offset << " length " << length;
            }
        }
    }
}

TEST(Crc32Test, ChunkedLargeBufferMatchesZlibInOnePass) {
    std::vector<std::uint8_t> bytes(1 << 20);
    std::mt19937 random(11);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    std::uint32_t chunked = 0;
    for (std::size_t at = 0; at < bytes.size(); at += 61440) {
        chunked = Crc32(chunked, bytes.data() + at, std::min<std::size_t>(61440, bytes.size() - at));
    }
    EXPECT_EQ(chunked, Reference(0, bytes.data(), bytes.size()));
    const std::vector<std::uint8_t> zeros(100000, 0);
    EXPECT_EQ(Crc32(0, zeros.data(), zeros.size()), Reference(0, zeros.data(), zeros.size()));
}

}  // namespace
