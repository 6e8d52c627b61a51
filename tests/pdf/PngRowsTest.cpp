// The row-at-a-time PNG reader gives what a whole-picture decoder (stb_image) gives, for every
// colour type and depth, with palettes and transparency keys, whatever filter each row uses.

#include <gtest/gtest.h>
#include <stb_image.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "pdf/PngRows.h"
#include "support/PngWriter.h"

using testsupport::PngStored;

namespace {

struct TStbFree {
    void operator()(stbi_uc* p) const noexcept { stbi_image_free(p); }
};

TEST(PngRows, EveryColourTypeAndDepthAsAWholePictureDecoderGivesIt) {
    struct TCase {
        int ColorType, Depth;
        bool Key;  // a tRNS chunk: a transparency key, or a palette's alphas
    };
    std::vector<TCase> cases;
    for (int depth : {1, 2, 4, 8, 16}) cases.push_back({0, depth, false});
    for (int depth : {1, 2, 4, 8}) cases.push_back({3, depth, false});
    for (int type : {2, 4, 6})
        for (int depth : {8, 16}) cases.push_back({type, depth, false});
    for (int depth : {2, 8, 16}) cases.push_back({0, depth, true});
    for (int depth : {8, 16}) cases.push_back({2, depth, true});
    for (int depth : {4, 8}) cases.push_back({3, depth, true});

    std::mt19937 random(19);
    const int width = 33, height = 9;  // odd: low depths end a row inside a byte
    for (const TCase& c : cases) {
        SCOPED_TRACE("colour type " + std::to_string(c.ColorType) + ", depth " + std::to_string(c.Depth) +
                     (c.Key ? ", tRNS" : ""));
        const int stored = c.ColorType == 2 ? 3 : c.ColorType == 4 ? 2 : c.ColorType == 6 ? 4 : 1;
        const std::size_t rowBytes = (std::size_t(width) * stored * c.Depth + 7) / 8;
        std::vector<std::uint8_t> rows;
        std::vector<std::pair<std::string, std::vector<std::uint8_t>>> chunks;
        for (int y = 0; y < height; ++y) {
            // With a key, unfiltered bytes of 0 or 255 so that some pixels match it; else any
            // filter over any bytes, which is always a valid picture.
            rows.push_back(c.Key ? 0 : std::uint8_t(y % 5));
            for (std::size_t i = 0; i < rowBytes; ++i)
                rows.push_back(c.Key ? std::uint8_t(random() % 2 ? 0xFF : 0) : std::uint8_t(random()));
        }
        if (c.ColorType == 3) {
            std::vector<std::uint8_t> palette;
            for (int i = 0; i < (1 << c.Depth) * 3; ++i) palette.push_back(std::uint8_t(random()));
            chunks.emplace_back("PLTE", palette);
            if (c.Key) {
                std::vector<std::uint8_t> alphas((1u << c.Depth) / 2);
                for (auto& a : alphas) a = std::uint8_t(random());
                chunks.emplace_back("tRNS", alphas);
            }
        } else if (c.Key) {
            chunks.emplace_back("tRNS", std::vector<std::uint8_t>(c.ColorType == 0 ? 2 : 6, 0));
        }
        const auto file = PngStored(width, height, c.Depth, c.ColorType, false, rows, chunks);

        int w = 0, h = 0, channels = 0;
        const std::unique_ptr<stbi_uc, TStbFree> expected(
            stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &channels, 0));
        ASSERT_TRUE(expected) << stbi_failure_reason();
        auto png = pdf::TPngRows::Open(file);
        ASSERT_TRUE(png);
        ASSERT_EQ(png->Width(), width);
        ASSERT_EQ(png->Height(), height);
        ASSERT_EQ(png->Channels(), channels);
        std::vector<std::uint8_t> row(std::size_t(width) * channels);
        for (int y = 0; y < height; ++y) {
            ASSERT_TRUE(png->Next(row.data())) << "row " << y;
            const stbi_uc* want = expected.get() + row.size() * y;
            ASSERT_EQ(row, std::vector<std::uint8_t>(want, want + row.size())) << "row " << y;
        }
        EXPECT_FALSE(png->Next(row.data())) << "no row past the last";
    }
}

// Interlaced pictures and Apple's own form are left to a whole-picture decoder; data cut short
// ends the rows with an error.
TEST(PngRows, WhatItLeavesAndWhatItRefuses) {
    const std::vector<std::uint8_t> rows(9 * (1 + 8 * 3), 0);
    EXPECT_FALSE(pdf::TPngRows::Open(PngStored(8, 9, 8, 2, true, rows, {})));
    auto apple = PngStored(8, 9, 8, 2, false, rows, {});
    const std::vector<std::uint8_t> cgbi = {0, 0, 0, 4, 'C', 'g', 'B', 'I', 0x50, 0, 0x20, 0x02, 0, 0, 0, 0};
    apple.insert(apple.begin() + 8, cgbi.begin(), cgbi.end());
    EXPECT_FALSE(pdf::TPngRows::Open(apple));
    EXPECT_FALSE(pdf::TPngRows::Open(std::vector<std::uint8_t>{'G', 'I', 'F', '8', '9', 'a'}));

    const std::vector<std::uint8_t> short_rows(4 * (1 + 8 * 3), 0);  // 4 of its 9 rows
    const auto file = PngStored(8, 9, 8, 2, false, short_rows, {});
    auto cut = pdf::TPngRows::Open(file);
    ASSERT_TRUE(cut);
    std::vector<std::uint8_t> row(8 * 3);
    for (int y = 0; y < 4; ++y) EXPECT_TRUE(cut->Next(row.data())) << y;
    EXPECT_FALSE(cut->Next(row.data()));
}

}  // namespace
