#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <span>
#include <vector>

#include "layout/Layout.h"
#include "layout/SystemFonts.h"
#include "layout/TextShaping.h"
#include "layout/TrueTypeFont.h"
#include "layout/WordShaper.h"
#include "platform/Exception.h"
#include "platform/FontLookup.h"
#include "platform/Text.h"
#include "support/TestSupport.h"
#include "tests/layout/LayoutTestSupport.h"

using layout::TFont;
using layout::TFontFile;
using layout::TTrueTypeFont;
using testsupport::TScratchFolder;

namespace {

// ---------------------------------------------------------------------------------------------
// A small TrueType font built in the test: three glyphs (.notdef, A, B), unitsPerEm 1000.

void Put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v >> 8));
    b.push_back(static_cast<std::uint8_t>(v));
}
void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    Put16(b, v >> 16);
    Put16(b, v & 0xFFFF);
}
void Set16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v >> 8);
    b[at + 1] = static_cast<std::uint8_t>(v);
}
void Set32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    Set16(b, at, v >> 16);
    Set16(b, at + 2, v & 0xFFFF);
}

struct TFixture {
    bool Format12 = true;          // a (3,10) format 12 map beside the (3,1) format 4 one
    bool Cff = false;              // 'OTTO' with a CFF table instead of glyf/loca
    std::uint16_t Weight = 400;    // OS/2 usWeightClass
    std::uint16_t Selection = 0x40;  // OS/2 fsSelection
    std::int16_t HheaAscender = 800, HheaDescender = -200, HheaLineGap = 90;
};

std::vector<std::uint8_t> Head() {
    std::vector<std::uint8_t> t;
    Put32(t, 0x00010000);  // version
    Put32(t, 0x00010000);  // fontRevision
    Put32(t, 0);           // checkSumAdjustment
    Put32(t, 0x5F0F3CF5);  // magicNumber
    Put16(t, 0);           // flags
    Put16(t, 1000);        // unitsPerEm
    for (int i = 0; i < 16; ++i) t.push_back(0);  // created, modified
    Put16(t, 0);                                  // xMin
    Put16(t, static_cast<std::uint16_t>(-210));   // yMin
    Put16(t, 900);                                // xMax
    Put16(t, 850);                                // yMax
    Put16(t, 0);                                  // macStyle
    Put16(t, 8);                                  // lowestRecPPEM
    Put16(t, 2);                                  // fontDirectionHint
    Put16(t, 0);                                  // indexToLocFormat
    Put16(t, 0);                                  // glyphDataFormat
    return t;
}

std::vector<std::uint8_t> Hhea(const TFixture& f) {
    std::vector<std::uint8_t> t;
    Put32(t, 0x00010000);
    Put16(t, static_cast<std::uint16_t>(f.HheaAscender));
    Put16(t, static_cast<std::uint16_t>(f.HheaDescender));
    Put16(t, static_cast<std::uint16_t>(f.HheaLineGap));
    for (int i = 0; i < 12; ++i) Put16(t, 0);  // advanceWidthMax ... metricDataFormat
    Put16(t, 3);                               // numberOfHMetrics
    return t;
}

std::vector<std::uint8_t> Cmap(const TFixture& f) {
    std::vector<std::uint8_t> t;
    const std::uint16_t tables = f.Format12 ? 2 : 1;
    Put16(t, 0);
    Put16(t, tables);
    const std::uint32_t first = 4 + 8u * tables;
    Put16(t, 3), Put16(t, 1), Put32(t, first);
    // Format 4: 'A'..'B' -> glyphs 1..2 by delta; U+00C1 -> glyph 2 through glyphIdArray; the 0xFFFF end.
    std::vector<std::uint8_t> f4;
    const std::uint16_t segments = 3;
    Put16(f4, 4), Put16(f4, 0), Put16(f4, 0);
    Put16(f4, segments * 2), Put16(f4, 4), Put16(f4, 1), Put16(f4, 2);
    Put16(f4, 0x42), Put16(f4, 0xC1), Put16(f4, 0xFFFF);  // endCode
    Put16(f4, 0);                                          // reservedPad
    Put16(f4, 0x41), Put16(f4, 0xC1), Put16(f4, 0xFFFF);  // startCode
    Put16(f4, static_cast<std::uint16_t>(1 - 0x41)), Put16(f4, 0), Put16(f4, 1);  // idDelta
    Put16(f4, 0), Put16(f4, 4), Put16(f4, 0);  // idRangeOffset: segment 1 reads glyphIdArray[0]
    Put16(f4, 2);                               // glyphIdArray
    Set16(f4, 2, static_cast<std::uint32_t>(f4.size()));
    if (f.Format12) {
        Put16(t, 3), Put16(t, 10), Put32(t, static_cast<std::uint32_t>(first + f4.size()));
    }
    t.insert(t.end(), f4.begin(), f4.end());
    if (f.Format12) {
        // Format 12: 'A'..'B' -> 1..2, U+1F600 -> 2.
        Put16(t, 12), Put16(t, 0), Put32(t, 16 + 12 * 2), Put32(t, 0), Put32(t, 2);
        Put32(t, 0x41), Put32(t, 0x42), Put32(t, 1);
        Put32(t, 0x1F600), Put32(t, 0x1F600), Put32(t, 2);
    }
    return t;
}

std::vector<std::uint8_t> Os2(const TFixture& f) {
    std::vector<std::uint8_t> t(78, 0);
    Set16(t, 4, f.Weight);
    Set16(t, 62, f.Selection);
    Set16(t, 68, 750), Set16(t, 70, static_cast<std::uint16_t>(-250)), Set16(t, 72, 100);  // typo
    Set16(t, 74, 900), Set16(t, 76, 300);                                                   // win
    return t;
}

std::vector<std::uint8_t> Name() {
    std::vector<std::uint8_t> t;
    const std::u16string family = u"Test Sans";
    Put16(t, 0), Put16(t, 1), Put16(t, 6 + 12);
    Put16(t, 3), Put16(t, 1), Put16(t, 0x409), Put16(t, 1), Put16(t, static_cast<std::uint32_t>(family.size() * 2)),
        Put16(t, 0);
    for (char16_t ch : family) Put16(t, ch);
    return t;
}

// The font file; base is where it starts inside a collection (offsets count from the file's start).
std::vector<std::uint8_t> BuildFont(const TFixture& f = {}, std::uint32_t base = 0) {
    std::map<std::string, std::vector<std::uint8_t>> tables;
    tables["head"] = Head();
    tables["hhea"] = Hhea(f);
    tables["maxp"] = {0, 0, 0x50, 0, 0, 3};  // version 0.5, numGlyphs 3
    tables["hmtx"] = {};
    for (std::uint16_t advance : {500, 600, 700}) Put16(tables["hmtx"], advance), Put16(tables["hmtx"], 0);
    tables["cmap"] = Cmap(f);
    tables["OS/2"] = Os2(f);
    tables["name"] = Name();
    tables["post"] = std::vector<std::uint8_t>(32, 0);
    Set32(tables["post"], 0, 0x00030000);
    Set16(tables["post"], 8, static_cast<std::uint16_t>(-100));
    Set16(tables["post"], 10, 50);
    if (f.Cff) {
        tables["CFF "] = std::vector<std::uint8_t>(4, 0);
    } else {
        tables["glyf"] = {};
        tables["loca"] = std::vector<std::uint8_t>(8, 0);
    }
    std::vector<std::uint8_t> out;
    Put32(out, f.Cff ? 0x4F54544F : 0x00010000);
    Put16(out, static_cast<std::uint32_t>(tables.size()));
    Put16(out, 0), Put16(out, 0), Put16(out, 0);
    std::uint32_t offset = base + 12 + 16 * static_cast<std::uint32_t>(tables.size());
    std::vector<std::uint8_t> data;
    for (const auto& [tag, bytes] : tables) {
        for (char ch : tag) out.push_back(static_cast<std::uint8_t>(ch));
        Put32(out, 0);
        Put32(out, offset + static_cast<std::uint32_t>(data.size()));
        Put32(out, static_cast<std::uint32_t>(bytes.size()));
        data.insert(data.end(), bytes.begin(), bytes.end());
        while (data.size() % 4) data.push_back(0);
    }
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// Where a table's directory record sits in a BuildFont result.
std::size_t RecordOf(const std::vector<std::uint8_t>& font, const std::string& tag) {
    const std::size_t count = (font[4] << 8) | font[5];
    for (std::size_t i = 0; i < count; ++i)
        if (std::string(font.begin() + 12 + 16 * i, font.begin() + 16 + 16 * i) == tag) return 12 + 16 * i;
    ADD_FAILURE() << "no table " << tag;
    return 0;
}

std::uint32_t Get32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return (std::uint32_t(b[at]) << 24) | (std::uint32_t(b[at + 1]) << 16) | (std::uint32_t(b[at + 2]) << 8) | b[at + 3];
}

std::unique_ptr<TTrueTypeFont> FromBytes(const std::vector<std::uint8_t>& bytes, int face = 0) {
    return TTrueTypeFont::FromBytes(bytes, TFontFile{L"fixture.ttf", face});
}

// Every look-up a layout makes, over the characters the fixture maps and some it doesn't.
void Exercise(const TTrueTypeFont& font) {
    for (char32_t c : {U'\0', U'A', U'B', U'C', U'\u00C1', U'\uFFFF', U'\U0001F600', char32_t(0x110000)}) {
        (void)font.HasGlyph(c);
        (void)font.Advance(c);
    }
}

// ---------------------------------------------------------------------------------------------

TEST(TrueTypeFontTest, ReadsMetricsAndBothCharacterMaps) {
    for (bool format12 : {true, false}) {
        SCOPED_TRACE(format12 ? "format 12" : "format 4 only");
        TFixture f;
        f.Format12 = format12;
        const auto font = FromBytes(BuildFont(f));
        EXPECT_EQ(font->FamilyName(), L"Test Sans");
        EXPECT_EQ(font->UnitsPerEm(), 1000);
        EXPECT_DOUBLE_EQ(font->Ascent(), 0.8);  // hhea, not OS/2's typographic 750 or Windows 900
        EXPECT_DOUBLE_EQ(font->Descent(), 0.2);
        EXPECT_DOUBLE_EQ(font->LineGap(), 0.09);
        EXPECT_DOUBLE_EQ(font->UnderlinePosition(), 0.1);
        EXPECT_DOUBLE_EQ(font->UnderlineThickness(), 0.05);
        EXPECT_DOUBLE_EQ(font->Advance(U'A'), 0.6);
        EXPECT_DOUBLE_EQ(font->Advance(U'B'), 0.7);
        EXPECT_FALSE(font->HasGlyph(U'C'));
        EXPECT_EQ(font->Advance(U'C'), 0.0);
        EXPECT_EQ(font->HasGlyph(U'\U0001F600'), format12);
        // Only the format 4 map reaches U+00C1 (through its glyph array): format 12 wins when present.
        EXPECT_EQ(font->GlyphIndex(U'\u00C1'), format12 ? 0 : 2);
        EXPECT_FALSE(font->IsBold());
        EXPECT_FALSE(font->IsItalic());
    }
}

TEST(TrueTypeFontTest, StyleComesFromWeightAndSelectionBits) {
    struct {
        std::uint16_t Weight, Selection;
        bool Bold, Italic;
    } const cases[] = {
        {400, 0x040, false, false}, {700, 0x020, true, false},  {600, 0x000, true, false},  // semibold
        {400, 0x001, false, true},  {400, 0x200, false, true},  {700, 0x021, true, true},   // oblique bit
    };
    for (const auto& c : cases) {
        TFixture f;
        f.Weight = c.Weight;
        f.Selection = c.Selection;
        const auto font = FromBytes(BuildFont(f));
        EXPECT_EQ(font->IsBold(), c.Bold) << c.Weight << " " << c.Selection;
        EXPECT_EQ(font->IsItalic(), c.Italic) << c.Weight << " " << c.Selection;
    }
}

TEST(TrueTypeFontTest, EmptyHheaFallsBackToTypographicMetricsAndPositiveDescenderMeansBelow) {
    TFixture f;
    f.HheaAscender = 0, f.HheaDescender = 0, f.HheaLineGap = 0;
    auto font = FromBytes(BuildFont(f));
    EXPECT_DOUBLE_EQ(font->Ascent(), 0.75);
    EXPECT_DOUBLE_EQ(font->Descent(), 0.25);
    EXPECT_DOUBLE_EQ(font->LineGap(), 0.1);

    f = {};
    f.HheaDescender = 200;
    font = FromBytes(BuildFont(f));
    EXPECT_DOUBLE_EQ(font->Descent(), 0.2);
}

TEST(TrueTypeFontTest, CollectionFacesAreChosenByIndex) {
    // A collection of two faces that share one table directory.
    std::vector<std::uint8_t> ttc;
    Put32(ttc, 0x74746366), Put32(ttc, 0x00010000), Put32(ttc, 2), Put32(ttc, 20), Put32(ttc, 20);
    const auto face = BuildFont({}, 20);
    ttc.insert(ttc.end(), face.begin(), face.end());
    EXPECT_DOUBLE_EQ(FromBytes(ttc, 1)->Advance(U'B'), 0.7);
    EXPECT_THROW(FromBytes(ttc, 2), EReadError);
    EXPECT_THROW(FromBytes(ttc, -1), EReadError);
    EXPECT_THROW(FromBytes(face, 1), EReadError);
}

TEST(TrueTypeFontTest, PostScriptOutlinesAreRefused) {
    TFixture f;
    f.Cff = true;
    EXPECT_THROW(FromBytes(BuildFont(f)), ENotSupportedException);
}

TEST(TrueTypeFontTest, DamagedStructureIsAnErrorForThatFile) {
    const auto good = BuildFont();
    const std::size_t cmap = RecordOf(good, "cmap");
    const std::size_t cmapAt = Get32(good, cmap + 8);
    struct {
        const char* What;
        std::function<void(std::vector<std::uint8_t>&)> Break;
    } const cases[] = {
        {"table past the end", [&](auto& b) { Set32(b, cmap + 8, 0xFFFFFF00); }},
        {"table longer than the file", [&](auto& b) { Set32(b, cmap + 12, 0x7FFFFFFF); }},
        {"offset plus length wraps", [&](auto& b) { Set32(b, cmap + 8, 0xFFFFFFF0), Set32(b, cmap + 12, 0x20); }},
        {"numTables past the end", [&](auto& b) { Set16(b, 4, 0xFFFF); }},
        {"subtable offset past the table", [&](auto& b) { Set32(b, cmapAt + 8, 0x00FFFFFF), Set32(b, cmapAt + 16, 0x00FFFFFF); }},
        {"hmtx shorter than hhea says", [&](auto& b) { Set16(b, Get32(b, RecordOf(b, "hhea") + 8) + 34, 500); }},
        {"no horizontal metrics", [&](auto& b) { Set16(b, Get32(b, RecordOf(b, "hhea") + 8) + 34, 0); }},
        {"head is no head", [&](auto& b) { Set32(b, Get32(b, RecordOf(b, "head") + 8) + 12, 0); }},
        {"impossible units per em", [&](auto& b) { Set16(b, Get32(b, RecordOf(b, "head") + 8) + 18, 0); }},
        {"not a font", [&](auto& b) { Set32(b, 0, 0x774F4646); }},  // 'wOFF'
    };
    for (const auto& c : cases) {
        auto bytes = good;
        c.Break(bytes);
        EXPECT_THROW(FromBytes(bytes), EReadError) << c.What;
    }
}

TEST(TrueTypeFontTest, DamagedFormat12MapGivesWayToFormat4) {
    auto bytes = BuildFont();
    const std::size_t cmapAt = Get32(bytes, RecordOf(bytes, "cmap") + 8);
    Set32(bytes, cmapAt + Get32(bytes, cmapAt + 16) + 12, 0x10000000);  // nGroups far past the table
    const auto font = FromBytes(bytes);
    EXPECT_TRUE(font->HasGlyph(U'A'));
    EXPECT_EQ(font->GlyphIndex(U'\u00C1'), 2);  // only the format 4 map has it
    EXPECT_FALSE(font->HasGlyph(U'\U0001F600'));
}

TEST(TrueTypeFontTest, EveryTruncationIsAnError) {
    const auto good = BuildFont();
    for (std::size_t size = 0; size < good.size(); ++size) {
        const std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        // The last table (post) ends the file without padding: every cut reaches into a table.
        EXPECT_THROW(Exercise(*FromBytes(cut)), EReadError) << size << " of " << good.size() << " bytes";
    }
}

// Any single damaged byte leaves a font that loads and answers, or a clean error: never a read
// outside the file (the sanitizers watch).
TEST(TrueTypeFontTest, AnyDamagedByteLoadsOrFailsCleanly) {
    for (bool format12 : {true, false}) {
        TFixture f;
        f.Format12 = format12;
        const auto good = BuildFont(f);
        for (std::size_t at = 0; at < good.size(); ++at) {
            for (std::uint8_t value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
                auto bytes = good;
                bytes[at] = value;
                try {
                    Exercise(*FromBytes(bytes));
                } catch (const Exception&) {
                }
            }
        }
    }
}

TEST(TrueTypeFontTest, MissingFileIsAnOpenError) {
    TScratchFolder dir;
    EXPECT_THROW(TTrueTypeFont::Open(TFontFile{dir / L"none.ttf", 0}), EFOpenError);
}

// ---------------------------------------------------------------------------------------------
// The installed fonts the set-up provides.

std::optional<platform::TFontFace> Installed(const std::wstring& family, bool bold = false, bool italic = false) {
    static TScratchFolder scratch;
    static platform::TFontLookup lookup(scratch.Path());
    return lookup.Find(family, bold, italic);
}

std::string Narrow(const std::wstring& s) { return platform::ToUtf8(s); }

TEST(InstalledFontTest, LiberationSansHasArialsMetrics) {
    const auto face = Installed(L"Liberation Sans");
    if (!face) GTEST_SKIP() << "Liberation Sans is not installed (fonts-liberation2)";
    EXPECT_FALSE(face->Bold);
    EXPECT_FALSE(face->Italic);
    const auto font = TTrueTypeFont::Open(TFontFile{face->Path, face->FaceIndex});
    EXPECT_EQ(font->FamilyName(), L"Liberation Sans");
    // Arial's published metrics, which Liberation Sans keeps: 1854/434/67 and 'A' 1366 per 2048.
    EXPECT_NEAR(font->Ascent(), 1854.0 / 2048, 1e-9);
    EXPECT_NEAR(font->Descent(), 434.0 / 2048, 1e-9);
    EXPECT_NEAR(font->LineGap(), 67.0 / 2048, 1e-9);
    EXPECT_NEAR(font->Advance(U'A'), 1366.0 / 2048, 1e-9);
    EXPECT_NEAR(font->Advance(U' '), 569.0 / 2048, 1e-9);
    EXPECT_NEAR(font->CapHeight(), 1409.0 / 2048, 1e-9);  // OS/2 version 3
    EXPECT_GT(font->LeftBearing(U'L'), 0.05);               // the stem stands clear of the pen
    EXPECT_LT(font->LeftBearing(U'L'), 0.1);
    EXPECT_EQ(font->LeftBearing(U'\u4E2D'), 0.0);
    EXPECT_TRUE(font->HasGlyph(U'\u010D'));  // č
    EXPECT_TRUE(font->HasGlyph(U'\u20AC'));  // €
    EXPECT_FALSE(font->HasGlyph(U'\u4E2D'));  // 中
    EXPECT_EQ(font->Advance(U'\u4E2D'), 0.0);
}

// Liberation Sans kerns "AV" and "To" as Arial does and "II" not at all: the positioned advance
// is shorter than the glyph's own; clusters count UTF-16 units, past a surrogate pair too.
TEST(InstalledFontTest, KerningComesFromTheFontsOwnTables) {
    const auto face = Installed(L"Liberation Sans");
    if (!face) GTEST_SKIP() << "Liberation Sans is not installed (fonts-liberation2)";
    const auto font = TTrueTypeFont::Open(TFontFile{face->Path, face->FaceIndex});
    layout::TWordShaper shaper;
    const auto kerning = [&](std::u16string_view word) {
        std::vector<float> out;
        const auto glyphs = shaper.Shape(*font, word, false);
        for (const auto& g : *glyphs) out.push_back(g.Advance - g.Natural);
        return out;
    };
    const auto av = kerning(u"AVA");
    ASSERT_EQ(av.size(), 3u);
    EXPECT_LT(av[0], -0.03f);
    EXPECT_LT(av[1], -0.03f);
    EXPECT_EQ(av[2], 0.0f);
    EXPECT_LT(kerning(u"To").at(0), -0.03f);
    EXPECT_EQ(kerning(u"II"), (std::vector<float>{0, 0}));
    EXPECT_EQ(shaper.Shape(*font, u"AVA", false)->data(), shaper.Shape(*font, u"AVA", false)->data());  // kept from the first time
    const auto past = *shaper.Shape(*font, u"\U0001D538AV", false);
    ASSERT_EQ(past.size(), 3u);
    EXPECT_EQ(past[1].Cluster, 2u);
    EXPECT_EQ(past[1].Character, U'A');
    EXPECT_LT(past[1].Advance - past[1].Natural, -0.03f);
}

// Every word shaped stays where it was first put while thousands more are kept (the table grows,
// blocks fill), a word longer than a block among them; asked again, each gives the same glyphs.
TEST(InstalledFontTest, ShapedWordsStayPutAsTheCacheGrows) {
    const auto face = Installed(L"Liberation Sans");
    if (!face) GTEST_SKIP() << "Liberation Sans is not installed (fonts-liberation2)";
    const auto font = TTrueTypeFont::Open(TFontFile{face->Path, face->FaceIndex});
    layout::TWordShaper shaper;
    std::vector<std::u16string> words;
    for (char16_t a = u'a'; a <= u'z'; ++a)
        for (char16_t b = u'A'; b <= u'Z'; ++b)
            for (const char16_t* tail : {u"", u"VA", u"To"}) words.push_back(std::u16string{a, b} + tail);
    words.push_back(std::u16string(20000, u'A'));
    std::vector<std::span<const layout::TShapedGlyph>> first;
    for (const auto& word : words) first.push_back(*shaper.Shape(*font, word, false));
    for (std::size_t i = 0; i < words.size(); ++i) {
        const auto again = *shaper.Shape(*font, words[i], false);
        ASSERT_EQ(again.data(), first[i].data()) << i;
        ASSERT_EQ(again.size(), words[i].size()) << i;
        for (std::size_t k = 0; k < again.size(); ++k) {
            EXPECT_EQ(again[k].Cluster, k);
            EXPECT_EQ(again[k].Character, char32_t(words[i][k]));
        }
    }
    const auto rtl = *shaper.Shape(*font, words[0], true);
    EXPECT_NE(rtl.data(), first[0].data()) << "each direction is kept apart";
}

// Arabic letters join: inside a word each takes its initial, medial or final form, glyphs other
// than the letters' own; set right to left, the glyphs come in the order of their characters.
TEST(InstalledFontTest, ArabicLettersJoin) {
    const auto face = Installed(L"DejaVu Sans");
    if (!face) GTEST_SKIP() << "DejaVu Sans is not installed (fonts-dejavu-core)";
    const auto font = TTrueTypeFont::Open(TFontFile{face->Path, face->FaceIndex});
    layout::TWordShaper shaper;
    const std::u16string word = u"\u0628\u064A\u062A";  // beh, yeh, teh: initial, medial, final
    const auto joined = *shaper.Shape(*font, word, true);
    ASSERT_EQ(joined.size(), 3u);
    for (std::size_t i = 0; i < word.size(); ++i) {
        const auto alone = *shaper.Shape(*font, word.substr(i, 1), true);
        ASSERT_EQ(alone.size(), 1u);
        EXPECT_EQ(alone[0].Character, char32_t(word[i])) << i;
        EXPECT_EQ(joined[i].Cluster, i);
        EXPECT_NE(joined[i].Id, alone[0].Id) << i;
        EXPECT_EQ(joined[i].Character, 0u) << i;
    }
}

TEST(InstalledFontTest, SupplementaryPlaneThroughFormat12) {
    const auto face = Installed(L"DejaVu Sans");
    if (!face) GTEST_SKIP() << "DejaVu Sans is not installed (fonts-dejavu-core)";
    const auto font = TTrueTypeFont::Open(TFontFile{face->Path, face->FaceIndex});
    EXPECT_TRUE(font->HasGlyph(U'\U0001F600'));  // 😀
    EXPECT_TRUE(font->HasGlyph(U'\U0001D538'));  // 𝔸
    EXPECT_GT(font->Advance(U'\U0001F600'), 0.0);
    EXPECT_FALSE(font->HasGlyph(U'\U0010FFFD'));
}

TEST(InstalledFontTest, CollectionFaceOfWenQuanYi) {
    const auto face = Installed(L"WenQuanYi Micro Hei");
    if (!face) GTEST_SKIP() << "WenQuanYi Micro Hei is not installed (fonts-wqy-microhei)";
    const auto font = TTrueTypeFont::Open(TFontFile{face->Path, face->FaceIndex});
    EXPECT_EQ(font->FamilyName(), L"WenQuanYi Micro Hei");
    EXPECT_TRUE(font->HasGlyph(U'\u4E2D'));
    EXPECT_NEAR(font->Advance(U'\u4E2D'), 1.0, 0.01);  // a full-width ideograph
    // The monospaced face of the same collection: its i is as wide as its W, unlike the first face's.
    const auto mono = Installed(L"WenQuanYi Micro Hei Mono");
    if (mono) {
        EXPECT_EQ(mono->Path, face->Path);
        EXPECT_NE(mono->FaceIndex, face->FaceIndex);
        const auto monoFont = TTrueTypeFont::Open(TFontFile{mono->Path, mono->FaceIndex});
        EXPECT_DOUBLE_EQ(monoFont->Advance(U'i'), monoFont->Advance(U'W'));
        EXPECT_LT(font->Advance(U'i'), font->Advance(U'W'));
    }
}

TEST(InstalledFontTest, LookupMatchesFamiliesExactlyAndStylesClosely) {
    if (!Installed(L"Liberation Serif")) GTEST_SKIP() << "Liberation Serif is not installed (fonts-liberation2)";
    EXPECT_EQ(Installed(L"liberationserif"), Installed(L"Liberation Serif"));  // case and blanks don't count
    EXPECT_FALSE(Installed(L"No Such Family Anywhere"));
    const auto boldItalic = Installed(L"Liberation Serif", true, true);
    ASSERT_TRUE(boldItalic);
    EXPECT_TRUE(boldItalic->Bold);
    EXPECT_TRUE(boldItalic->Italic);
    // WenQuanYi has one weight: a bold request gets the regular face, said to be regular.
    if (const auto wqy = Installed(L"WenQuanYi Micro Hei", true, false)) {
        EXPECT_FALSE(wqy->Bold);
    }
}

TEST(InstalledFontTest, LookupFindsTheNearestWeight) {
    static TScratchFolder scratch;
    static platform::TFontLookup lookup(scratch.Path());
    if (!lookup.Find(L"Roboto", 300, false) || !Installed(L"Liberation Sans"))
        GTEST_SKIP() << "Roboto or Liberation Sans is not installed (fonts-roboto-unhinted, fonts-liberation2)";
    if (lookup.Find(L"Roboto", 300, false)->Weight != 300)
        GTEST_SKIP() << "this system's lookup offers Roboto's light face under a family of its own (GDI under Wine)";
    // Roboto has Thin (250 by its own count), Light, Regular, Medium, Bold and Black, each with an italic.
    const struct {
        const wchar_t* Family;
        int Weight;
        bool Italic;
        int Found;
    } cases[] = {
        {L"Roboto", 300, false, 300}, {L"Roboto", 100, false, 250}, {L"Roboto", 200, true, 250},
        {L"Roboto", 500, false, 500}, {L"Roboto", 400, false, 400}, {L"Roboto", 700, true, 700},
        {L"Roboto", 950, false, 900},
        // Two weights only: the nearer, the lighter for a light weight.
        {L"Liberation Sans", 300, false, 400}, {L"Liberation Sans", 530, false, 400},
        {L"Liberation Sans", 650, false, 700},
    };
    for (const auto& c : cases) {
        const auto face = lookup.Find(c.Family, c.Weight, c.Italic);
        ASSERT_TRUE(face) << Narrow(c.Family);
        EXPECT_EQ(face->Weight, c.Found) << Narrow(c.Family) << " " << c.Weight;
        EXPECT_EQ(face->Italic, c.Italic) << Narrow(c.Family) << " " << c.Weight;
        EXPECT_EQ(face->Bold, c.Found >= 600) << Narrow(c.Family) << " " << c.Weight;
    }
    // The regular and bold requests are the same questions as before.
    EXPECT_EQ(lookup.Find(L"Liberation Sans", true, false), lookup.Find(L"Liberation Sans", 700, false));
    EXPECT_EQ(lookup.Find(L"Liberation Sans", false, true), lookup.Find(L"Liberation Sans", 400, true));
}

// ---------------------------------------------------------------------------------------------
// The provider: document names to installed faces.

class SystemFontsTest : public ::testing::Test {
protected:
    TScratchFolder FScratch;
    std::unique_ptr<layout::IFontProvider> FFonts = layout::MakeSystemFontProvider(FScratch.Path());
};

TEST_F(SystemFontsTest, DocumentNamesMapToInstalledFaces) {
    struct TRow {
        const wchar_t* Name;
        bool Bold, Italic;  // as the document's run says
        std::vector<const wchar_t*> Families;  // acceptable, best first: the first installed one is expected
        bool FaceBold, FaceItalic;  // the face itself
        bool SyntheticBold, SyntheticItalic;
    };
    const TRow rows[] = {
        {L"HelveticaNeue-Bold", false, false, {L"Arial", L"Liberation Sans"}, true, false, false, false},
        {L"Helvetica-Oblique", false, false, {L"Arial", L"Liberation Sans"}, false, true, false, false},
        {L"Helvetica", true, true, {L"Arial", L"Liberation Sans"}, true, true, false, false},
        {L"Helvetica Neue", false, false, {L"Arial", L"Liberation Sans"}, false, false, false, false},
        {L"ArialMT", false, false, {L"Arial", L"Liberation Sans"}, false, false, false, false},
        {L"Arial-BoldItalicMT", false, false, {L"Arial", L"Liberation Sans"}, true, true, false, false},
        {L"TimesNewRomanPSMT", false, false, {L"Times New Roman", L"Liberation Serif"}, false, false, false, false},
        {L"TimesNewRomanPS-BoldItalicMT", false, false, {L"Times New Roman", L"Liberation Serif"}, true, true, false, false},
        {L"Times-Roman", false, true, {L"Times New Roman", L"Liberation Serif"}, false, true, false, false},
        {L"Palatino-Roman", false, false, {L"Palatino Linotype", L"Book Antiqua", L"Charis SIL", L"Times New Roman", L"Liberation Serif"}, false, false, false, false},
        {L"Palatino-BoldItalic", false, false, {L"Palatino Linotype", L"Book Antiqua", L"Charis SIL", L"Times New Roman", L"Liberation Serif"}, true, true, false, false},
        {L"Georgia", false, false, {L"Georgia", L"Times New Roman", L"Liberation Serif"}, false, false, false, false},
        {L"Courier", false, false, {L"Courier New", L"Liberation Mono"}, false, false, false, false},
        {L"CourierNewPS-BoldMT", false, false, {L"Courier New", L"Liberation Mono"}, true, false, false, false},
        {L"Menlo-Regular", false, false, {L"DejaVu Sans Mono", L"Consolas"}, false, false, false, false},
        {L"Monaco", true, false, {L"DejaVu Sans Mono", L"Consolas"}, true, false, false, false},
        {L"Calibri", false, false, {L"Calibri", L"Carlito"}, false, false, false, false},
        {L"Calibri-BoldItalic", false, false, {L"Calibri", L"Carlito"}, true, true, false, false},
        {L"Cambria-Italic", false, false, {L"Cambria", L"Caladea"}, false, true, false, false},
        {L"Verdana", false, false, {L"Verdana", L"DejaVu Sans"}, false, false, false, false},
        {L"Avenir-Book", false, false, {L"Arial", L"Liberation Sans"}, false, false, false, false},
        {L"Avenir-Heavy", false, false, {L"Arial", L"Liberation Sans"}, true, false, false, false},
        {L"Avenir-LightOblique", false, false, {L"Roboto", L"Arial", L"Liberation Sans"}, false, true, false, false},
        {L"GillSans-SemiBold", false, false, {L"Gill Sans MT", L"Calibri", L"Carlito"}, true, false, false, false},
        {L"HoeflerText-Italic", false, false, {L"Garamond", L"Times New Roman", L"Liberation Serif"}, false, true, false, false},
        // Not listed: the family itself when installed, else a sans or a serif guessed from the name.
        {L"Carlito-Bold", false, false, {L"Carlito"}, true, false, false, false},
        {L"LiberationSerif-Italic", false, false, {L"Liberation Serif"}, false, true, false, false},
        {L"Lato-Bold", false, false, {L"Arial", L"Liberation Sans"}, true, false, false, false},
        {L"MinionPro-It", false, false, {L"Times New Roman", L"Liberation Serif"}, false, true, false, false},
        {L"Adobe Garamond Pro Bold", false, false, {L"Times New Roman", L"Liberation Serif"}, true, false, false, false},
        {L"SourceCodePro-Regular", false, false, {L"Courier New", L"Liberation Mono"}, false, false, false, false},
        // A family without the style: its regular face, the style made up by the writer.
        {L"PingFangSC-Semibold", false, false, {L"Microsoft YaHei", L"WenQuanYi Micro Hei"}, false, false, true, false},
        {L"WenQuanYi Micro Hei", true, true, {L"WenQuanYi Micro Hei"}, false, false, true, true},
    };
    int checked = 0;
    for (const auto& row : rows) {
        std::optional<std::wstring> expected;
        for (const wchar_t* family : row.Families)
            if (!expected && Installed(family)) expected = family;
        if (!expected) {
            std::cout << "[ SKIPPED  ] " << Narrow(row.Name) << ": none of its stand-ins is installed\n";
            continue;
        }
        SCOPED_TRACE(Narrow(row.Name));
        const TFont& font = FFonts->Match(row.Name, row.Bold, row.Italic);
        EXPECT_EQ(Narrow(font.FamilyName()), Narrow(*expected));
        const auto face = TTrueTypeFont::Open(font.File());
        EXPECT_EQ(face->IsBold(), row.FaceBold);
        EXPECT_EQ(face->IsItalic(), row.FaceItalic);
        EXPECT_EQ(font.SyntheticBold(), row.SyntheticBold);
        EXPECT_EQ(font.SyntheticItalic(), row.SyntheticItalic);
        ++checked;
    }
    if (checked == 0) GTEST_SKIP() << "none of the stand-in fonts is installed";
}

TEST_F(SystemFontsTest, LightAndMediumFacesComeFromAFamilyThatHasThem) {
    TScratchFolder scratch;
    platform::TFontLookup lookup(scratch.Path());
    if (!lookup.Find(L"Roboto", 300, false) || !Installed(L"Liberation Sans"))
        GTEST_SKIP() << "Roboto or Liberation Sans is not installed (fonts-roboto-unhinted, fonts-liberation2)";
    const struct {
        const wchar_t* Name;
        bool Bold;  // the run's flag
        const wchar_t* Family;  // the face expected: the lookup's answer for this family and weight
        int Weight;
        bool Italic;
        // Where GDI files that weight as a family of its own ("Roboto Light"), the face is found there.
        const wchar_t* OwnFamily = nullptr;
    } cases[] = {
        {L"HelveticaNeue-UltraLight", false, L"Roboto", 200, false, L"Roboto Thin"},
        {L"HelveticaNeue-Thin", false, L"Roboto", 100, false, L"Roboto Thin"},
        {L"HelveticaNeue-Light", false, L"Roboto", 300, false, L"Roboto Light"},
        {L"HelveticaNeue-LightItalic", false, L"Roboto", 300, true, L"Roboto Light"},
        {L"HelveticaNeue-Medium", false, L"Roboto", 500, false, L"Roboto Medium"},
        {L"Avenir-Book", false, L"Liberation Sans", 400, false},
        {L"Avenir Next Ultra Light", false, L"Roboto", 200, false, L"Roboto Thin"},
        {L"Lato-Hairline", false, L"Roboto", 100, false, L"Roboto Thin"},
        // Bold and heavier take the metric-compatible stand-in's bold, as does a light face asked bold.
        {L"HelveticaNeue-Bold", false, L"Liberation Sans", 700, false},
        {L"Helvetica-Black", false, L"Liberation Sans", 700, false},
        {L"GillSans-SemiBold", false, L"Carlito", 700, false},
        {L"HelveticaNeue-Light", true, L"Liberation Sans", 700, false},
        // No light sans among serif stand-ins: the regular face.
        {L"Baskerville-Light", false, L"Liberation Serif", 400, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.Name));
        auto expected = lookup.Find(c.Family, c.Weight, c.Italic);
        if (c.OwnFamily && expected && expected->Weight == 400) expected = lookup.Find(c.OwnFamily, c.Weight, c.Italic);
        if (!expected) continue;
        if (c.OwnFamily) {
            EXPECT_NE(expected->Weight, 400);
        }
        const TFont& font = FFonts->Match(c.Name, c.Bold, false);
        EXPECT_EQ(font.File(), (TFontFile{expected->Path, expected->FaceIndex}));
        EXPECT_FALSE(font.SyntheticBold());
        EXPECT_EQ(font.SyntheticItalic(), false);
    }
    // A stand-in of another family keeps the lines of the face asked for: Helvetica Neue Light's own.
    EXPECT_DOUBLE_EQ(FFonts->Match(L"HelveticaNeue-Light", false, false).Ascent(), 0.967);
}

TEST_F(SystemFontsTest, TheFontsOwnGapLeavesOutWhatAppKitAdds) {
    // Helvetica's and Times' lines carry AppKit's 20%, which their tables do not; Helvetica Neue's gap
    // is its own table's; a stand-in for an unknown family gives its file's.
    EXPECT_DOUBLE_EQ(FFonts->Match(L"Helvetica", false, false).LineGap(), 0.2);
    EXPECT_DOUBLE_EQ(FFonts->Match(L"Helvetica", false, false).TableLineGap(), 0);
    EXPECT_DOUBLE_EQ(FFonts->Match(L"Times-Roman", false, false).TableLineGap(), 0);
    EXPECT_DOUBLE_EQ(FFonts->Match(L"HelveticaNeue", false, false).TableLineGap(), 0.028);
    const TFont& other = FFonts->Match(L"NoSuchFamilyAtAll", false, false);
    EXPECT_DOUBLE_EQ(other.TableLineGap(), other.LineGap());
}

TEST_F(SystemFontsTest, SameRequestGivesTheSameFontAndFacesAreShared) {
    const TFont& a = FFonts->Match(L"Helvetica", false, false);
    EXPECT_EQ(&a, &FFonts->Match(L"Helvetica", false, false));
    // Arial names the same file but keeps its own line metrics: a different TFont over one face.
    const TFont& arial = FFonts->Match(L"ArialMT", false, false);
    EXPECT_EQ(arial.File(), a.File());
    EXPECT_NE(&arial, &a);
    EXPECT_EQ(&arial, &FFonts->Match(L"Arial", false, false));
}

// Helvetica Neue sets wider than its stand-ins (hyphen 389 against Arial's 333 per 1000): drawn with
// a stand-in, it measures with its own widths, so lines wrap where Pages wraps them. A bold stand-in
// keeps its own extra width, scaled glyph by glyph; the stand-in's own family stays as it is.
TEST_F(SystemFontsTest, HelveticaNeueDrawnWithAStandInMeasuresWithItsOwnWidths) {
    const TFont& neue = FFonts->Match(L"HelveticaNeue", false, false);
    if (neue.FamilyName().find(L"Helvetica Neue") != std::wstring::npos)
        GTEST_SKIP() << "Helvetica Neue itself is installed";
    const TFont& stand = FFonts->Match(neue.FamilyName(), false, false);
    ASSERT_EQ(stand.File(), neue.File());
    EXPECT_EQ(stand.WidthsKey(), nullptr);
    EXPECT_NE(neue.WidthsKey(), nullptr);
    EXPECT_NEAR(stand.Advance(U'-'), 0.333, 0.001);
    // "well-known" at 11 pt: w e l l - k n o w n in Helvetica Neue's thousandths.
    EXPECT_NEAR(layout::MeasureText(u"well-known", neue, 11, 0),
                (758 + 537 + 222 + 222 + 389 + 519 + 556 + 574 + 758 + 556) * 0.011, 1e-9);
    // Characters the table lacks scale by the mean ratio, near 1.
    const double ratio = neue.Advance(U'\u00E9') / stand.Advance(U'\u00E9');
    EXPECT_GT(ratio, 0.97);
    EXPECT_LT(ratio, 1.03);
    EXPECT_EQ(neue.Advance(U'\u4E00'), stand.Advance(U'\u4E00'));  // missing stays missing: 0

    const TFont& bold = FFonts->Match(L"HelveticaNeue-Bold", false, false);
    const TFont& standBold = FFonts->Match(bold.FamilyName(), true, false);
    ASSERT_EQ(standBold.File(), bold.File());
    EXPECT_NEAR(bold.Advance(U'-') / standBold.Advance(U'-'), 389.0 / 333, 0.01);
    EXPECT_NE(bold.WidthsKey(), nullptr);
    // Helvetica's widths are Arial's.
    EXPECT_EQ(FFonts->Match(L"Helvetica", false, false).Advance(U'-'), stand.Advance(U'-'));
}

TEST_F(SystemFontsTest, KnownFamiliesSpaceLinesAsPagesDoes) {
    // Two lines of a paragraph laid out in the face, at line spacing 1: their baselines lie as far
    // apart as in Pages' page pictures, whatever stand-in draws them. Measured there: Helvetica
    // 11 pt 13.0 to 13.16 pt, 12 pt 14.0; Helvetica Neue 11 pt 12.0, 12 pt at 1.1 15.47 (14 x 1.1);
    // Times 12 pt 14.0; Palatino 12 pt at 1.2 18.95 to 19.25 (16 x 1.2), 14 pt at 1.2 23.0.
    const auto pitch = [&](const wchar_t* name, bool bold, bool italic, double size) {
        doc::TDocument d = testsupport::Doc(400, 400);
        doc::TParagraphStyle style;
        style.Character.FontName = name;
        style.Character.Bold = bold;
        style.Character.Italic = italic;
        style.Character.FontSize = size;
        d.Body.Paragraphs.push_back(testsupport::Para(u"Hx\u2028Hx", style));
        const auto lines = testsupport::Lines(layout::LayOut(d, *FFonts));
        return lines.size() == 2 ? lines[1].Baseline - lines[0].Baseline : -1.0;
    };
    EXPECT_EQ(pitch(L"Helvetica", false, false, 11), 13);
    EXPECT_EQ(pitch(L"Helvetica", false, false, 12), 14);
    EXPECT_EQ(pitch(L"HelveticaNeue", false, false, 11), 12);
    EXPECT_EQ(pitch(L"HelveticaNeue", false, false, 12), 14);
    // Its light and bold faces by their own hhea: 12 pt bold lines 15 apart in a résumé's PDF.
    EXPECT_EQ(pitch(L"HelveticaNeue-Light", false, false, 12), 15);
    EXPECT_EQ(pitch(L"HelveticaNeue-Bold", true, false, 12), 15);
    EXPECT_EQ(pitch(L"HelveticaNeue", true, false, 12), 15);
    EXPECT_EQ(pitch(L"HelveticaNeue-Italic", false, true, 12), 14);
    EXPECT_EQ(pitch(L"Palatino-Roman", false, false, 12), 16);
    EXPECT_EQ(pitch(L"Palatino-Bold", false, false, 12), 16);
    EXPECT_EQ(pitch(L"Palatino-Bold", false, false, 14), 19);
    EXPECT_EQ(pitch(L"Times-Roman", false, false, 12), 14);
    // Apple faces by their own hhea tables, measured in the PDFs Pages exports: Avenir Next 12 pt
    // 16 (12 + 4), Songti SC 14 pt 20 (15 + 5), PingFang SC 10.5 pt 15 (11 + 4) and 12 pt 17.
    EXPECT_EQ(pitch(L"AvenirNext-Regular", false, false, 12), 16);
    EXPECT_EQ(pitch(L"Avenir-Book", false, false, 12), 16);
    EXPECT_EQ(pitch(L"STSongti-SC-Regular", false, false, 14), 20);
    EXPECT_EQ(pitch(L"PingFangSC-Regular", false, false, 10.5), 15);
    EXPECT_EQ(pitch(L"PingFangTC-Semibold", true, false, 12), 17);
    // Fonts without known Pages metrics keep their own: Liberation Serif's for Times New Roman.
    const TFont& times = FFonts->Match(L"TimesNewRomanPSMT", false, false);
    const auto face = TTrueTypeFont::Open(times.File());
    EXPECT_DOUBLE_EQ(times.Ascent() + times.Descent() + times.LineGap(),
                     face->Ascent() + face->Descent() + face->LineGap());
}

TEST_F(SystemFontsTest, FallbackFindsAFaceWithTheCharacter) {
    if (!Installed(L"Liberation Sans") || !Installed(L"WenQuanYi Micro Hei"))
        GTEST_SKIP() << "needs Liberation Sans and WenQuanYi Micro Hei";
    const TFont& body = FFonts->Match(L"Helvetica", true, false);
    // The document's own font has č: no fallback.
    EXPECT_EQ(FFonts->Fallback(U'\u010D', body), &body);
    const TFont* cjk = FFonts->Fallback(U'\u4E2D', body);
    ASSERT_NE(cjk, nullptr);
    EXPECT_EQ(cjk->FamilyName(), L"WenQuanYi Micro Hei");
    EXPECT_TRUE(cjk->HasGlyph(U'\u4E2D'));
    EXPECT_TRUE(cjk->SyntheticBold());  // the run is bold; WenQuanYi has no bold face
    // Its lines are spaced as Pages spaces its own fallback, PingFang: 10.5 pt 15 apart.
    EXPECT_EQ(std::round(cjk->Ascent() * 10.5) + std::round(cjk->Descent() * 10.5), 15);
    // The next character of the block comes from the face found for the first.
    EXPECT_EQ(FFonts->Fallback(U'\u6587', body), cjk);
    // Nothing installed has a plane-16 private-use character.
    EXPECT_EQ(FFonts->Fallback(U'\U0010FFFD', body), nullptr);
    EXPECT_EQ(FFonts->Fallback(U'\U0010FFFD', body), nullptr);
}

TEST_F(SystemFontsTest, FallbackForSymbolsKeepsTheStyle) {
    if (!Installed(L"DejaVu Sans")) GTEST_SKIP() << "DejaVu Sans is not installed (fonts-dejavu-core)";
    const TFont& body = FFonts->Match(L"Times-Roman", false, true);
    if (body.HasGlyph(U'\u2603')) GTEST_SKIP() << "the body font has the snowman itself";
    const TFont* symbol = FFonts->Fallback(U'\u2603', body);  // ☃
    ASSERT_NE(symbol, nullptr);
    EXPECT_TRUE(symbol->HasGlyph(U'\u2603'));
    EXPECT_NE(symbol->FamilyName().find(L"DejaVu"), std::wstring::npos);
    EXPECT_TRUE(symbol->SyntheticItalic() || TTrueTypeFont::Open(symbol->File())->IsItalic());
}

}  // namespace
