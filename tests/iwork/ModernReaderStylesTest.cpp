// The modern reader: paragraph, character and list styles resolved through their parents.

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ModernDocumentBuilder.h"

using namespace iwork;
using namespace testsupport;

TEST(ModernReader, ParagraphStylesResolveThroughTheirParents) {
    TDocumentBuilder b;
    const auto body = b.Add(kParagraphStyle,
                            TProtoWriter()
                                .Message(1, StyleRecord("Body"))
                                .Message(11, TProtoWriter().Float(3, 11).String(5, "Georgia"))
                                .Message(12, TProtoWriter()
                                                 .Varint(1, 2)  // centred
                                                 .Float(21, 6)
                                                 .Message(13, TProtoWriter().Float(2, 1.5f))));
    // A variation names its parent and carries only what differs.
    const auto bold = b.Add(kParagraphStyle, TProtoWriter()
                                                 .Message(1, StyleRecord("", body))
                                                 .Message(11, TProtoWriter().Bool(1, true))
                                                 .Message(12, TProtoWriter().Float(11, 20)));
    const auto heading = b.Add(kParagraphStyle, Style("Heading", 0, Font(24, "HelveticaNeue-BoldItalic")));
    // A table of contents' entry style: a paragraph style in its field 1.
    const auto tocEntry = b.Add(2026, TProtoWriter().Message(1, Style("TOC", body, Font(9))));
    // Paragraphs end at "\n" and U+2029; an entry without a style keeps the one before.
    b.Body(Storage("One\nTwo\xE2\x80\xA9Three\nFour\nContents")
               .Message(5, ObjectTable({{0, bold}, {4, 0}, {8, heading}, {14, body}, {19, tocEntry}})));
    const doc::TDocument d = b.Read();
    ASSERT_EQ(Texts(d.Body), (std::vector<std::u16string>{u"One", u"Two", u"Three", u"Four", u"Contents"}));
    const doc::TParagraphStyle& one = d.Body.Paragraphs[0].Style;
    EXPECT_EQ(one.Name, L"Body");
    EXPECT_EQ(one.Character.FontName, L"Georgia");
    EXPECT_EQ(one.Character.FontSize, 11);
    EXPECT_TRUE(one.Character.Bold);
    EXPECT_EQ(one.Alignment, doc::TAlignment::alCenter);
    EXPECT_EQ(one.LeftIndent, 20);
    EXPECT_EQ(one.SpaceBefore, 6);
    EXPECT_EQ(one.LineSpacingMode, doc::TLineSpacingMode::lsRelative);
    EXPECT_EQ(one.LineSpacing, 1.5);
    EXPECT_EQ(d.Body.Paragraphs[1].Style, one);
    // Held once: paragraphs of one style, and runs of one look, name the same value.
    EXPECT_EQ(&*d.Body.Paragraphs[1].Style, &one);
    EXPECT_EQ(&*d.Body.Paragraphs[1].Runs.at(0).Style, &*d.Body.Paragraphs[0].Runs.at(0).Style);
    const doc::TParagraphStyle& three = d.Body.Paragraphs[2].Style;
    EXPECT_EQ(three.Name, L"Heading");
    EXPECT_EQ(three.Character.FontName, L"HelveticaNeue-BoldItalic");
    EXPECT_TRUE(three.Character.Bold);  // from the face in its name
    EXPECT_TRUE(three.Character.Italic);
    EXPECT_FALSE(d.Body.Paragraphs[3].Style->Character.Bold);
    EXPECT_EQ(d.Body.Paragraphs[3].StorageStart, 14u);
    EXPECT_EQ(d.Body.Paragraphs[4].Style->Name, L"TOC");
    EXPECT_EQ(d.Body.Paragraphs[4].Style->Character.FontSize, 9);
    EXPECT_EQ(d.Body.Paragraphs[4].Style->Character.FontName, L"Georgia");
}

TEST(ModernReader, LineSpacingReadsModeAmountAndBaselineRule) {
    using M = doc::TLineSpacingMode;
    const struct {
        TProtoWriter Spacing;  // the line spacing message, field 13 of the paragraph properties
        M Mode;
        double Amount, Rule;
    } cases[] = {
        {TProtoWriter(), M::lsRelative, 1, 0},  // present but empty, as Pages 15 writes it: single
        {TProtoWriter().Float(2, 1.25f).Float(3, 0.75f), M::lsRelative, 1.25, 0.75},
        {TProtoWriter().Float(3, 0.75f), M::lsRelative, 1, 0.75},
        {TProtoWriter().Varint(1, 1).Float(2, 14), M::lsAtLeast, 14, 0},
        {TProtoWriter().Varint(1, 2).Float(2, 12), M::lsExactly, 12, 0},
        {TProtoWriter().Varint(1, 4).Float(2, 6), M::lsBetween, 6, 0},
        {TProtoWriter().Float(2, -3).Float(3, 7), M::lsRelative, 1, 0},  // nonsense: the defaults
    };
    for (const auto& c : cases) {
        TDocumentBuilder b;
        const auto style = b.Add(kParagraphStyle, TProtoWriter()
                                                      .Message(1, StyleRecord("Body"))
                                                      .Message(11, TProtoWriter().Float(3, 10))
                                                      .Message(12, TProtoWriter().Message(13, c.Spacing)));
        b.Body(Storage("Text").Message(5, ObjectTable({{0, style}})));
        const doc::TDocument d = b.Read();
        ASSERT_EQ(d.Body.Paragraphs.size(), 1u);
        const doc::TParagraphStyle& s = d.Body.Paragraphs[0].Style;
        EXPECT_EQ(s.LineSpacingMode, c.Mode) << c.Amount;
        EXPECT_EQ(s.LineSpacing, c.Amount) << c.Amount;
        EXPECT_EQ(s.BaselineRule, c.Rule) << c.Amount;
    }
}

TEST(ModernReader, ParagraphBordersResolveThroughTheirParents) {
    // Paragraph properties: 15 the arrangement (1 above, 2 below, 3 both, 4 a box), 17 the offset
    // {1 x, 2 y}, 31 no stroke, 32 the stroke, 45 sides in newer documents.
    auto stroke = [](float width, std::uint64_t pattern = 1) {
        return TProtoWriter()
            .Message(1, TProtoWriter().Varint(1, 1).Float(3, 0.5f).Float(4, 0.5f).Float(5, 0.5f).Float(6, 1))
            .Float(2, width)
            .Message(6, TProtoWriter().Varint(1, pattern));
    };
    auto offset = TProtoWriter().Float(1, -3).Float(2, -3);
    using TSides = std::array<bool, 4>;  // top, bottom, left, right
    auto sides = [](bool top, bool bottom, bool left, bool right) {
        return std::optional<TSides>(TSides{top, bottom, left, right});
    };
    struct TCase {
        const char* Name;
        TProtoWriter Base, Variation;  // paragraph properties of a style and of a variation of it
        std::optional<TSides> Sides;  // none: no border
    };
    const std::vector<TCase> cases = {
        {"above", TProtoWriter().Varint(15, 1).Message(17, offset).Message(32, stroke(0.5f)), {},
         sides(true, false, false, false)},
        {"below", TProtoWriter().Varint(15, 2).Message(32, stroke(1)), {}, sides(false, true, false, false)},
        {"both", TProtoWriter().Varint(15, 3).Message(32, stroke(1)), {}, sides(true, true, false, false)},
        {"box", TProtoWriter().Varint(15, 4).Message(32, stroke(1)), {}, sides(true, true, true, true)},
        {"higher bits", TProtoWriter().Varint(15, 8 + 1).Message(32, stroke(1)), {}, sides(true, false, false, false)},
        {"sides of newer documents", TProtoWriter().Varint(15, 0).Message(32, stroke(1)).Varint(45, 4 | 8), {},
         sides(false, false, true, true)},
        {"none", TProtoWriter().Varint(15, 0).Message(32, stroke(1)), {}, std::nullopt},
        {"an empty pattern", TProtoWriter().Varint(15, 4).Message(32, stroke(2, 2)), {}, std::nullopt},
        {"no width", TProtoWriter().Varint(15, 1).Message(32, stroke(0)), {}, std::nullopt},
        {"no stroke", TProtoWriter().Varint(15, 1).Varint(31, 1), {}, std::nullopt},
        // A variation names what differs; the rest comes from its parent.
        {"a variation's arrangement", TProtoWriter().Varint(15, 0).Message(32, stroke(1)), TProtoWriter().Varint(15, 2),
         sides(false, true, false, false)},
        {"a variation's stroke", TProtoWriter().Varint(15, 1).Varint(31, 1), TProtoWriter().Message(32, stroke(1)),
         sides(true, false, false, false)},
        {"a variation without", TProtoWriter().Varint(15, 4).Message(32, stroke(1)), TProtoWriter().Varint(31, 1),
         std::nullopt},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TDocumentBuilder b;
        const auto base = b.Add(kParagraphStyle, TProtoWriter().Message(1, StyleRecord("Ruled")).Message(12, c.Base));
        const auto variation =
            b.Add(kParagraphStyle, TProtoWriter().Message(1, StyleRecord("", base)).Message(12, c.Variation));
        b.Body(Storage("x").Message(5, ObjectTable({{0, variation}})));
        const doc::TDocument d = b.Read();
        const auto& border = d.Body.Paragraphs[0].Style->Border;
        ASSERT_EQ(border.has_value(), c.Sides.has_value());
        if (!border) continue;
        EXPECT_EQ((TSides{border->Top, border->Bottom, border->Left, border->Right}), *c.Sides);
        EXPECT_GT(border->Stroke.Width, 0);
        EXPECT_FLOAT_EQ(float(border->Stroke.Color.R), 0.5f);
    }
    // The offset and width as stored.
    TDocumentBuilder b;
    const auto style =
        b.Add(kParagraphStyle, TProtoWriter().Message(1, StyleRecord("Ruled")).Message(12, cases[0].Base));
    b.Body(Storage("x").Message(5, ObjectTable({{0, style}})));
    const doc::TDocument d = b.Read();
    ASSERT_TRUE(d.Body.Paragraphs[0].Style->Border);
    EXPECT_EQ(d.Body.Paragraphs[0].Style->Border->Offset, -3);
    EXPECT_EQ(d.Body.Paragraphs[0].Style->Border->Stroke.Width, 0.5);
}

TEST(ModernReader, StyleParentLoopsEndTheChain) {
    TDocumentBuilder b;
    // 100 and 101 name each other as parents; the chain stops where it comes back.
    b.Add(kParagraphStyle, TProtoWriter().Message(1, StyleRecord("A", 101)).Message(11, TProtoWriter().Float(3, 20)));
    b.Add(kParagraphStyle, TProtoWriter().Message(1, StyleRecord("B", 100)).Message(11, TProtoWriter().Float(3, 30)));
    b.Body(Storage("x").Message(5, ObjectTable({{0, 100}})));
    const doc::TDocument d = b.Read();
    EXPECT_EQ(d.Body.Paragraphs.at(0).Style->Character.FontSize, 20);
}

TEST(ModernReader, ListStylesAtManySizesAreKeptOnceEach) {
    // Two list styles alike, each at 300 font sizes (text indents are in ems): one entry per
    // size, which both share.
    TDocumentBuilder b;
    TProtoWriter bullets;
    bullets.Message(1, StyleRecord("Bullets")).PackedVarints(11, {2}).PackedFloats(12, {1.5f}).String(16, "*");
    const auto first = b.Add(kListStyle, bullets), second = b.Add(kListStyle, bullets);
    constexpr int kSizes = 300;
    std::string text;
    TProtoWriter paragraphStyles, lists;
    for (int i = 0; i < 2 * kSizes; ++i) {
        const auto style = b.Add(kParagraphStyle, Style("", 0, Font(8 + (i / 2) * 0.25f)));
        paragraphStyles.Message(1, TProtoWriter().Varint(1, 2 * i).Reference(2, style));
        lists.Message(1, TProtoWriter().Varint(1, 2 * i).Reference(2, i % 2 ? second : first));
        text += "a\n";
    }
    b.Body(Storage(text).Message(5, paragraphStyles).Message(7, lists));
    const doc::TDocument d = b.Read();
    ASSERT_EQ(d.ListStyles.size(), std::size_t(kSizes));
    std::set<int> used;
    for (int i = 0; i < kSizes; ++i) {
        const auto& a = d.Body.Paragraphs.at(2 * i);
        EXPECT_EQ(a.ListStyle, d.Body.Paragraphs.at(2 * i + 1).ListStyle);
        ASSERT_GE(a.ListStyle, 0);
        EXPECT_NEAR(d.ListStyles[a.ListStyle].Levels.at(0).TextIndent, 1.5 * (8 + i * 0.25), 1e-4);
        used.insert(a.ListStyle);
    }
    EXPECT_EQ(used.size(), std::size_t(kSizes));
}
