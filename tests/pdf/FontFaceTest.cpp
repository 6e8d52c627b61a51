#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <vector>

#include "pdf/FontFace.h"

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v >> 8));
    out.push_back(std::uint8_t(v));
}

struct TComponent {
    std::uint16_t Flags, Glyph;
};

// A composite glyph: contour count -1, a bounding box, then each component with the arguments
// and transform its flags announce (filled with zeros).
std::vector<std::uint8_t> Composite(const std::vector<TComponent>& components) {
    std::vector<std::uint8_t> glyph;
    Put16(glyph, 0xFFFF);
    glyph.resize(10, 0);
    for (std::size_t i = 0; i < components.size(); ++i) {
        const auto& c = components[i];
        const std::uint16_t more = i + 1 < components.size() ? 0x0020 : 0;
        Put16(glyph, c.Flags | more);
        Put16(glyph, c.Glyph);
        std::size_t extra = (c.Flags & 0x0001) ? 4 : 2;
        extra += (c.Flags & 0x0008) ? 2 : (c.Flags & 0x0040) ? 4 : (c.Flags & 0x0080) ? 8 : 0;
        glyph.resize(glyph.size() + extra, 0);
    }
    return glyph;
}

// A simple glyph's first bytes: one contour (its points do not matter here).
std::vector<std::uint8_t> Simple() { return {0, 1, 0, 0, 0, 0, 0, 10, 0, 10, 0, 0}; }

struct TFace {
    std::vector<std::uint8_t> Loca, Glyf;
    std::size_t NumGlyphs;
    pdf::TGlyphTables Tables() const { return {Loca, Glyf, true, NumGlyphs}; }
};

TFace Build(std::size_t numGlyphs, const std::map<std::uint32_t, std::vector<std::uint8_t>>& glyphs) {
    TFace face{{}, {}, numGlyphs};
    for (std::uint32_t g = 0; g <= numGlyphs; ++g) {
        const auto offset = static_cast<std::uint32_t>(face.Glyf.size());
        Put16(face.Loca, offset >> 16);
        Put16(face.Loca, offset);
        if (const auto found = glyphs.find(g); found != glyphs.end())
            face.Glyf.insert(face.Glyf.end(), found->second.begin(), found->second.end());
    }
    return face;
}

std::vector<std::uint32_t> Marked(const std::vector<std::uint8_t>& used) {
    std::vector<std::uint32_t> marked;
    for (std::size_t g = 0; g < used.size(); ++g)
        if (used[g]) marked.push_back(static_cast<std::uint32_t>(g));
    return marked;
}

// Parts past glyph 32767, parts that are composite themselves, every argument and transform
// size, and a cycle: every part of what is drawn is kept, nothing else.
TEST(FontFaceTest, ComponentsOfCompositeGlyphsAreKeptAtAnyDepthAndNumber) {
    const TFace face = Build(40001, {
                                        {1, Composite({{0x0001 | 0x0008, 40000}, {0x0040, 2}})},
                                        {2, Composite({{0x0080, 3}, {0x0000, 1}})},
                                        {3, Simple()},
                                        {4, Composite({{0x0000, 39999}})},
                                        {40000, Simple()},
                                        {39999, Simple()},
                                    });
    std::vector<std::uint8_t> used(face.NumGlyphs, 0);
    used[0] = used[1] = 1;
    pdf::AddComponentGlyphs(face.Tables(), used);
    EXPECT_EQ(Marked(used), (std::vector<std::uint32_t>{0, 1, 2, 3, 40000}));

    std::vector<std::uint8_t> simpleOnly(face.NumGlyphs, 0);
    simpleOnly[3] = 1;
    pdf::AddComponentGlyphs(face.Tables(), simpleOnly);
    EXPECT_EQ(Marked(simpleOnly), (std::vector<std::uint32_t>{3}));
}

TEST(FontFaceTest, DamagedCompositeRecordsMarkOnlyWhatLiesInsideTheFace) {
    auto cut = Composite({{0x0001, 7}, {0x0001, 8}});
    cut.resize(cut.size() - 5);  // the second record cut short
    const TFace face = Build(10, {{1, Composite({{0x0000, 60000}, {0x0000, 9}})}, {2, cut}});
    std::vector<std::uint8_t> used(face.NumGlyphs, 0);
    used[1] = used[2] = 1;
    pdf::AddComponentGlyphs(face.Tables(), used);
    EXPECT_EQ(Marked(used), (std::vector<std::uint32_t>{1, 2, 7, 9}));

    // Tables too short for their glyph count: nothing is read past them.
    TFace shortLoca = face;
    shortLoca.Loca.resize(4);
    pdf::AddComponentGlyphs(shortLoca.Tables(), used);
    TFace shortGlyf = face;
    shortGlyf.Glyf.resize(12);
    std::vector<std::uint8_t> again(face.NumGlyphs, 0);
    again[1] = 1;
    pdf::AddComponentGlyphs(shortGlyf.Tables(), again);
    EXPECT_EQ(Marked(again), (std::vector<std::uint32_t>{1}));
}

}  // namespace
