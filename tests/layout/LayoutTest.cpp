// The layout of paragraphs, pages, headers and footers, with fonts of fixed metrics.

#include <gtest/gtest.h>

#include "layout/Lines.h"
#include "layout/Pagination.h"
#include "tests/layout/LayoutTestSupport.h"

namespace {

using namespace testsupport;
using layout::TLaidOutDocument;

// The fonts outlive the pages that point to them.
TLaidOutDocument Laid(const doc::TDocument& d) {
    static TFakeFonts fonts;
    return layout::LayOut(d, fonts);
}

doc::TParagraphStyle Aligned(doc::TAlignment a) {
    doc::TParagraphStyle s = Style();
    s.Alignment = a;
    return s;
}

TEST(LayoutTest, AlignmentPlacesLinesInTheColumn) {
    // Column 20..120; "aa bb" is 25 pt wide.
    const struct {
        doc::TAlignment Alignment;
        double Left;
    } cases[] = {
        {doc::TAlignment::alLeft, 20},    {doc::TAlignment::alNatural, 20}, {doc::TAlignment::alRight, 95},
        {doc::TAlignment::alCenter, 57.5}, {doc::TAlignment::alJustified, 20},
    };
    for (const auto& c : cases) {
        doc::TDocument d = Doc(100);
        d.Body.Paragraphs.push_back(Para(u"aa bb", Aligned(c.Alignment)));
        const auto lines = Lines(Laid(d));
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_DOUBLE_EQ(lines[0].Left, c.Left) << int(c.Alignment);
        EXPECT_DOUBLE_EQ(lines[0].Right, c.Left + 25) << int(c.Alignment);
    }
}

TEST(LayoutTest, NaturalAlignmentIsRightForRightToLeftText) {
    doc::TDocument d = Doc(100);
    d.Body.Paragraphs.push_back(Para(u"\u05d0\u05d1", Aligned(doc::TAlignment::alNatural)));
    const auto lines = Lines(Laid(d));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_DOUBLE_EQ(lines[0].Right, 120);
}

// Runs in the other direction, and numbers, are seen in reverse inside a line: right to left
// text (drawn here without shaping) is turned around, left to right text inside it keeps its own
// order, and the line's runs go the way its paragraph runs.
TEST(LayoutTest, MixedDirectionsAreSeenInVisualOrder) {
    const struct {
        std::u16string Logical, Seen;
        double Right;  // natural alignment: right for a right-to-left paragraph
    } cases[] = {
        {u"\u05d0\u05d1 ab \u05d2\u05d3", u"\u05d3\u05d2 ab \u05d1\u05d0", 120},
        {u"ab \u05d0\u05d1 cd", u"ab \u05d1\u05d0 cd", 20 + 40},
        {u"\u05d0\u05d1 12 \u05d2", u"\u05d2 12 \u05d1\u05d0", 120},
    };
    for (const auto& c : cases) {
        doc::TDocument d = Doc(100);
        d.Body.Paragraphs.push_back(Para(c.Logical, Aligned(doc::TAlignment::alNatural)));
        const auto lines = Lines(Laid(d));
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].Text, c.Seen) << Narrow(c.Logical);
        EXPECT_DOUBLE_EQ(lines[0].Right, c.Right) << Narrow(c.Logical);
    }
}

TEST(LayoutTest, JustifiedLinesFillTheColumnExceptTheLast) {
    doc::TDocument d = Doc(100);
    doc::TParagraphStyle s = Aligned(doc::TAlignment::alJustified);
    s.Character.Tracking = 0.1;  // 1 pt after each character: the writer adds it too
    doc::TParagraph p = Para(u"aaa bb cccc dd eee ff gggg hh iii jj kk", s);
    // A second run in another size makes a second item on the line.
    p.Runs[0].End = 4;
    doc::TRun big;
    big.Start = 4;
    big.End = std::uint32_t(p.Text.size());
    big.Style = s.Character;
    big.Style.Edit().FontSize = 12;
    p.Runs.push_back(big);
    d.Body.Paragraphs.push_back(p);
    const auto lines = Lines(Laid(d));
    ASSERT_GE(lines.size(), 3u);
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        EXPECT_NEAR(lines[i].Left, 20, 1e-9) << i;
        EXPECT_NEAR(lines[i].Right, 120, 1e-9) << Narrow(lines[i].Text);
        // Each item starts where the one before ends.
        for (std::size_t k = 1; k < lines[i].Items.size(); ++k)
            EXPECT_NEAR(lines[i].Items[k].X, ItemEnd(lines[i].Items[k - 1]), 1e-9);
    }
    EXPECT_LT(lines.back().Right, 119);
    EXPECT_EQ(lines.back().Items.front().WordSpacing, 0);
}

TEST(LayoutTest, JustifiedCjkLinesSpreadTheirCharacters) {
    doc::TDocument d = Doc(95);  // nine ideographs of 10 pt to a line, 5 pt left over
    d.Body.Paragraphs.push_back(Para(u"一二三四五六七八九十一二", Aligned(doc::TAlignment::alJustified)));
    const auto lines = Lines(Laid(d));
    ASSERT_EQ(lines.size(), 2u);
    const layout::TTextItem& item = lines[0].Items.front();
    EXPECT_DOUBLE_EQ(item.CharSpacing, 5.0 / 8);
    // The last character's glyph ends at the right margin; only its trailing spacing goes past.
    EXPECT_NEAR(ItemEnd(item) - item.CharSpacing, 115, 1e-9);
    EXPECT_EQ(lines[1].Items.front().CharSpacing, 0);
}

TEST(LayoutTest, IndentsNarrowTheLines) {
    doc::TDocument d = Doc(100);
    doc::TParagraphStyle s = Style();
    s.LeftIndent = 10;
    s.FirstLineIndent = 25;  // from the column's edge, like the left indent
    s.RightIndent = 20;
    // 70 - 15 = 55 pt on the first line (11 characters), 70 on the others (14).
    d.Body.Paragraphs.push_back(Para(u"aaaaa bbbbb ccccc ddddd eeeee", s));
    // Indented as a whole: both indents alike.
    s.FirstLineIndent = s.LeftIndent;
    d.Body.Paragraphs.push_back(Para(u"aaaaa bbbbb ccccc", s));
    const auto lines = Lines(Laid(d));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].Text, u"aaaaa bbbbb");  // the space that ends a line is not drawn
    EXPECT_DOUBLE_EQ(lines[0].Left, 45);
    EXPECT_EQ(lines[1].Text, u"ccccc ddddd");
    EXPECT_DOUBLE_EQ(lines[1].Left, 30);
    EXPECT_DOUBLE_EQ(lines[2].Left, 30);
    EXPECT_DOUBLE_EQ(lines[3].Left, 30);
    EXPECT_DOUBLE_EQ(lines[4].Left, 30);
}

TEST(LayoutTest, LineSpacingModes) {
    // Two one-line paragraphs of 10 pt text (natural line height 10 pt): the distance between
    // their baselines, and where the first one sits (extra room goes below the text).
    const struct {
        doc::TLineSpacingMode Mode;
        double Amount;
        double Pitch;
        double First;
    } cases[] = {
        {doc::TLineSpacingMode::lsRelative, 1, 10, 28},  {doc::TLineSpacingMode::lsRelative, 2, 20, 28},
        {doc::TLineSpacingMode::lsAtLeast, 15, 15, 28},  {doc::TLineSpacingMode::lsAtLeast, 5, 10, 28},
        {doc::TLineSpacingMode::lsExactly, 7, 7, 25.6},  {doc::TLineSpacingMode::lsBetween, 3, 13, 28},
        {doc::TLineSpacingMode::lsRelative, 0.5, 5, 24},
    };
    for (const auto& c : cases) {
        doc::TDocument d = Doc();
        doc::TParagraphStyle s = Style();
        s.LineSpacingMode = c.Mode;
        s.LineSpacing = c.Amount;
        d.Body.Paragraphs.push_back(Para(u"a", s));
        d.Body.Paragraphs.push_back(Para(u"b", s));
        const auto lines = Lines(Laid(d));
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_DOUBLE_EQ(lines[1].Baseline - lines[0].Baseline, c.Pitch) << int(c.Mode) << " " << c.Amount;
        EXPECT_DOUBLE_EQ(lines[0].Baseline, c.First) << int(c.Mode) << " " << c.Amount;
    }
}

TEST(LayoutTest, MultipleSpacingLeavesTheFontsOwnGapOutOfTheMultiple) {
    // "Gappy": ascent 0.8, descent 0.2, a gap of 0.5 em above the text, each rounded for the line.
    const struct {
        double Size, Amount;
        double Pitch, First;
    } cases[] = {
        {10, 1, 8 + 2 + 5, 20 + 5 + 8},
        {10, 2, 15 + 10, 20 + 5 + 8},        // the multiple of 15 less the gap, not 30
        {10, 1.5, 15 + 5, 20 + 5 + 8},
        {11, 2, 17 + 11.5, 20 + 6 + 9},      // 9 + 2 + 6, then 17 less the gap of 5.5 before rounding
        {10, 0.5, 15 - 5, 20 + 13 * 10.0 / 15},  // squeezed: both ends lose alike
    };
    for (const auto& c : cases) {
        doc::TDocument d = Doc();
        doc::TParagraphStyle s = Style(c.Size);
        s.Character.FontName = L"Gappy";
        s.LineSpacing = c.Amount;
        d.Body.Paragraphs.push_back(Para(u"a", s));
        d.Body.Paragraphs.push_back(Para(u"b", s));
        const auto lines = Lines(Laid(d));
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_DOUBLE_EQ(lines[1].Baseline - lines[0].Baseline, c.Pitch) << c.Size << " " << c.Amount;
        EXPECT_DOUBLE_EQ(lines[0].Baseline, c.First) << c.Size << " " << c.Amount;
    }
}

TEST(LayoutTest, ABaselineRulePutsTheBaselineThatFarDownATallerLine) {
    // 10 pt text: ascent 8, descent 2. The first baseline, from the top margin at 20, and the pitch.
    const struct {
        doc::TLineSpacingMode Mode;
        double Amount, Rule;
        double First, Pitch;
    } cases[] = {
        {doc::TLineSpacingMode::lsRelative, 2, 0.8, 20 + 16, 20},   // four fifths of 20
        {doc::TLineSpacingMode::lsRelative, 2, 0, 20 + 8, 20},      // no rule: the room below
        {doc::TLineSpacingMode::lsRelative, 1, 0.8, 20 + 8, 10},    // no room to share
        {doc::TLineSpacingMode::lsRelative, 1.5, 0.5, 20 + 8, 15},  // 7.5 would cut the ascent
        {doc::TLineSpacingMode::lsExactly, 30, 0.5, 20 + 15, 30},
        {doc::TLineSpacingMode::lsRelative, 2, 1, 20 + 18, 20},     // the descent stays in the line
    };
    for (const auto& c : cases) {
        doc::TDocument d = Doc();
        doc::TParagraphStyle s = Style();
        s.LineSpacingMode = c.Mode;
        s.LineSpacing = c.Amount;
        s.BaselineRule = c.Rule;
        d.Body.Paragraphs.push_back(Para(u"a", s));
        d.Body.Paragraphs.push_back(Para(u"b", s));
        const auto lines = Lines(Laid(d));
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_DOUBLE_EQ(lines[0].Baseline, c.First) << c.Amount << " " << c.Rule;
        EXPECT_DOUBLE_EQ(lines[1].Baseline - lines[0].Baseline, c.Pitch) << c.Amount << " " << c.Rule;
    }
}

TEST(LayoutTest, AscentDescentAndGapAreEachRoundedToWholePoints) {
    // The fake faces: ascent 0.8, descent 0.2 em, and for "Gappy" a gap of 0.5 em above the text.
    const struct {
        const wchar_t* Font;
        double Size;
        double Pitch;  // between the baselines of two one-line paragraphs
        double First;  // the first baseline: the top margin, the gap, the ascent
    } cases[] = {
        {L"Fake", 10, 10, 20 + 8},                // 8 + 2: whole already
        {L"Fake", 12.5, 10 + 3, 20 + 10},         // 10 + 2.5 -> 3
        {L"Fake", 11.6, 9 + 2, 20 + 9},           // 9.28 -> 9, 2.32 -> 2: 11, not 11.6
        {L"Gappy", 11, 9 + 2 + 6, 20 + 6 + 9},    // 8.8 -> 9, 2.2 -> 2, gap 5.5 -> 6
        {L"Gappy", 1, 1 + 0 + 1, 20 + 1 + 1},     // 0.8 -> 1, 0.2 -> 0, gap 0.5 -> 1
    };
    for (const auto& c : cases) {
        doc::TDocument d = Doc();
        doc::TParagraphStyle s = Style(c.Size);
        s.Character.FontName = c.Font;
        d.Body.Paragraphs.push_back(Para(u"a", s));
        d.Body.Paragraphs.push_back(Para(u"b", s));
        const auto lines = Lines(Laid(d));
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_DOUBLE_EQ(lines[1].Baseline - lines[0].Baseline, c.Pitch) << c.Size;
        EXPECT_DOUBLE_EQ(lines[0].Baseline, c.First) << c.Size;
    }
}

TEST(LayoutTest, LineHeightComesFromTheTallestRunAndTheFontsGap) {
    doc::TDocument d = Doc();
    doc::TParagraph p = Para(u"ab");
    p.Runs[0].End = 1;
    doc::TRun big{1, 2, p.Style->Character};
    big.Style.Edit().FontSize = 20;
    big.Style.Edit().FontName = L"Gappy";  // line gap of half an em: a line 30 pt high
    p.Runs.push_back(big);
    d.Body.Paragraphs.push_back(p);
    d.Body.Paragraphs.push_back(Para(u"c"));
    const auto lines = Lines(Laid(d));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_DOUBLE_EQ(lines[0].Baseline, 20 + 10 + 16);  // the top margin, the gap, the tall run's ascent
    EXPECT_DOUBLE_EQ(lines[1].Baseline, 20 + 30 + 8);
}

TEST(LayoutTest, SpaceBetweenParagraphsIsTheLargerOfAfterAndBefore) {
    // The document's first paragraph starts at the top margin whatever its space before; between two
    // paragraphs the larger of the two spaces counts, not their sum.
    struct TCase {
        double Before, After, Gap;
    } cases[] = {{4, 6, 6}, {8, 6, 8}, {0, 5, 5}, {7, 0, 7}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "before " << c.Before << ", after " << c.After);
        doc::TDocument d = Doc();
        doc::TParagraphStyle s = Style();
        s.SpaceBefore = c.Before;
        s.SpaceAfter = c.After;
        d.Body.Paragraphs.push_back(Para(u"a", s));
        d.Body.Paragraphs.push_back(Para(u"", s));  // keeps its line's height
        d.Body.Paragraphs.push_back(Para(u"b", s));
        const auto lines = Lines(Laid(d));
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_DOUBLE_EQ(lines[0].Baseline, 20 + 8);
        EXPECT_DOUBLE_EQ(lines[1].Baseline - lines[0].Baseline, 2 * (10 + c.Gap));
    }
}

std::vector<std::size_t> PagesOf(const TLaidOutDocument& out, const std::vector<std::u16string>& texts) {
    std::vector<std::size_t> pages;
    const auto lines = Lines(out);
    for (const auto& t : texts)
        for (const auto& l : lines)
            if (l.Text == t) {
                pages.push_back(l.Page);
                break;
            }
    return pages;
}

TEST(LayoutTest, BodyFlowsFromPageToPageWithoutSplittingLines) {
    // 160 pt of body: 16 lines of 10 pt. 20-pt lines: 8 a page, and a 15-pt line leaves a gap.
    doc::TDocument d = Doc();
    for (int i = 0; i < 40; ++i) d.Body.Paragraphs.push_back(Para(u"x", Style(i % 3 == 0 ? 15 : 10)));
    const TLaidOutDocument out = Laid(d);
    const auto lines = Lines(out);
    ASSERT_EQ(lines.size(), 40u);
    EXPECT_GE(out.Pages.size(), 3u);
    for (const auto& l : lines) {
        const double size = l.Items.front().Size;
        EXPECT_GE(l.Baseline - 0.8 * size, 20 - 1e-9);
        EXPECT_LE(l.Baseline + 0.2 * size, 180 + 1e-9);
    }
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_GE(lines[i].Page, lines[i - 1].Page);
        if (lines[i].Page == lines[i - 1].Page) EXPECT_GT(lines[i].Baseline, lines[i - 1].Baseline);
        else  // the next line would not have fitted below
            EXPECT_GT(lines[i - 1].Baseline + 0.2 * lines[i - 1].Items.front().Size + lines[i].Items.front().Size, 180);
    }
}

TEST(LayoutTest, PageBreaks) {
    doc::TDocument d = Doc();
    d.Body.Paragraphs.push_back(Para(u"one\u0005two"));
    doc::TParagraphStyle breaking = Style();
    breaking.PageBreakBefore = true;
    d.Body.Paragraphs.push_back(Para(u"three", breaking));
    d.Body.Paragraphs.push_back(Para(u"\u0005"));
    d.Body.Paragraphs.push_back(Para(u"four"));
    const TLaidOutDocument out = Laid(d);
    EXPECT_EQ(PagesOf(out, {u"one", u"two", u"three", u"four"}), (std::vector<std::size_t>{0, 1, 2, 3}));
    EXPECT_EQ(out.Pages.size(), 4u);
    // Text that starts a page after a break starts at the top.
    for (const auto& l : Lines(out)) EXPECT_DOUBLE_EQ(l.Baseline, 28);
}

TEST(LayoutTest, HeadingKeptWithTheNextParagraph) {
    doc::TDocument d = Doc();
    for (int i = 0; i < 15; ++i) d.Body.Paragraphs.push_back(Para(u"body"));
    doc::TParagraphStyle heading = Style();
    heading.KeepWithNext = true;
    d.Body.Paragraphs.push_back(Para(u"Heading", heading));
    d.Body.Paragraphs.push_back(Para(u"next one", Style(20)));  // cannot fit at the foot
    const TLaidOutDocument out = Laid(d);
    EXPECT_EQ(PagesOf(out, {u"Heading", u"next one"}), (std::vector<std::size_t>{1, 1}));
    // Without the keep, the heading stays at the foot of page 1.
    d.Body.Paragraphs[15].Style.Edit().KeepWithNext = false;
    EXPECT_EQ(PagesOf(Laid(d), {u"Heading", u"next one"}), (std::vector<std::size_t>{0, 1}));
}

TEST(LayoutTest, WidowsAndOrphans) {
    // 16 lines a page; a paragraph of 4 lines (20 characters each, 100 pt column).
    const std::u16string four = u"aaaaaaaaaaaaaaaaaaa bbbbbbbbbbbbbbbbbbb ccccccccccccccccccc ddddddddddddddddddd";
    const struct {
        const char* What;
        int Before;  // one-line paragraphs before it
        bool Control;
        std::vector<std::size_t> Pages;  // of the four lines
    } cases[] = {
        {"fits", 12, true, {0, 0, 0, 0}},
        {"orphan moves the paragraph", 15, true, {1, 1, 1, 1}},
        {"orphan allowed", 15, false, {0, 1, 1, 1}},
        {"widow takes a line along", 13, true, {0, 0, 1, 1}},
        {"widow allowed", 13, false, {0, 0, 0, 1}},
    };
    for (const auto& c : cases) {
        doc::TDocument d = Doc(100);
        for (int i = 0; i < c.Before; ++i) d.Body.Paragraphs.push_back(Para(u"x"));
        doc::TParagraphStyle s = Style();
        s.WidowControl = c.Control;
        d.Body.Paragraphs.push_back(Para(four, s));
        const auto lines = Lines(Laid(d));
        ASSERT_EQ(lines.size(), std::size_t(c.Before + 4)) << c.What;
        std::vector<std::size_t> pages;
        for (std::size_t i = std::size_t(c.Before); i < lines.size(); ++i) pages.push_back(lines[i].Page);
        EXPECT_EQ(pages, c.Pages) << c.What;
    }
}

TEST(LayoutTest, KeepLinesTogetherMovesTheParagraph) {
    doc::TDocument d = Doc(100);
    for (int i = 0; i < 14; ++i) d.Body.Paragraphs.push_back(Para(u"x"));
    doc::TParagraphStyle s = Style();
    s.KeepLinesTogether = true;
    d.Body.Paragraphs.push_back(Para(u"aaaaaaaaaaaaaaaaaaa bbbbbbbbbbbbbbbbbbb ccccccccccccccccccc", s));
    const auto lines = Lines(Laid(d));
    ASSERT_EQ(lines.size(), 17u);
    EXPECT_EQ(lines[14].Page, 1u);
    EXPECT_EQ(lines[16].Page, 1u);
}

doc::TTextStorage Storage(std::vector<doc::TParagraph> paragraphs) {
    doc::TTextStorage s;
    s.Paragraphs = std::move(paragraphs);
    return s;
}

doc::TParagraph FieldPara(const std::u16string& before, doc::TFieldKind kind, const std::u16string& after = u"") {
    doc::TParagraph p = Para(before + u"\uFFFC" + after);
    doc::TAttachment a;
    a.Position = std::uint32_t(before.size());
    a.Kind = doc::TAttachmentKind::akField;
    a.Field = kind;
    a.FieldText = u"?";
    p.Attachments.push_back(a);
    return p;
}

TEST(LayoutTest, HeadersAndFootersShowPageNumbersAndCount) {
    doc::TDocument d = Doc();
    doc::TSection& section = d.Sections[0];
    section.FirstPageDifferent = true;
    section.Odd.Header.Right = Storage({FieldPara(u"p", doc::TFieldKind::fkPageNumber)});
    section.Odd.Footer.Center =
        Storage({FieldPara(u"", doc::TFieldKind::fkPageNumber, u"/\uFFFC")});
    section.Odd.Footer.Center.Paragraphs[0].Attachments.push_back(
        {2, doc::TAttachmentKind::akField, 0, doc::TFieldKind::fkPageCount, u"?"});
    section.First.Footer.Left = Storage({Para(u"first")});
    for (int i = 0; i < 40; ++i) d.Body.Paragraphs.push_back(Para(u"body"));
    const TLaidOutDocument out = Laid(d);
    ASSERT_EQ(out.Pages.size(), 3u);
    std::vector<std::u16string> headers, footers;
    for (const auto& l : Lines(out)) {
        if (l.Text == u"body") continue;
        (l.Baseline < 20 ? headers : footers).push_back(l.Text);
        if (l.Baseline < 20) {
            EXPECT_DOUBLE_EQ(l.Baseline, 5 + 8);  // the header margin, then the ascent
            EXPECT_DOUBLE_EQ(l.Right, 180);       // the right part ends at the right margin
        } else {
            EXPECT_DOUBLE_EQ(l.Baseline, 200 - 5 - 2);  // the footer ends at the footer margin
        }
    }
    EXPECT_EQ(headers, (std::vector<std::u16string>{u"p2", u"p3"}));
    EXPECT_EQ(footers, (std::vector<std::u16string>{u"first", u"2/3", u"3/3"}));
}

TEST(LayoutTest, EvenPagesTakeTheEvenMasterAndNumberingCanStartAnywhere) {
    doc::TDocument d = Doc();
    doc::TSection& section = d.Sections[0];
    section.EvenOddDifferent = true;
    section.PageNumberStartAt = 7;
    section.Odd.Footer.Right = Storage({FieldPara(u"odd ", doc::TFieldKind::fkPageNumber)});
    section.Even.Footer.Left = Storage({FieldPara(u"even ", doc::TFieldKind::fkPageNumber)});
    for (int i = 0; i < 20; ++i) d.Body.Paragraphs.push_back(Para(u"body"));
    std::vector<std::u16string> footers;
    for (const auto& l : Lines(Laid(d)))
        if (l.Text != u"body") footers.push_back(l.Text);
    EXPECT_EQ(footers, (std::vector<std::u16string>{u"odd 7", u"even 8"}));
}

TEST(LayoutTest, MasterDrawablesGoBehindTheBodyOfEveryPageTheyServe) {
    doc::TDocument d = Doc();
    doc::TDrawable rule;
    rule.Kind = doc::TDrawableKind::dkShape;
    rule.Frame = {20, 10, 160, 1};
    rule.Path = {{doc::TPathSegment::skMove, {0, 0}, {}, {}}, {doc::TPathSegment::skLine, {160, 0}, {}, {}}};
    rule.Stroke = doc::TStroke{};
    d.Drawables.push_back(rule);
    d.Sections[0].FirstPageDifferent = true;
    d.Sections[0].Odd.Drawables = {0};
    for (int i = 0; i < 40; ++i) d.Body.Paragraphs.push_back(Para(u"body"));
    const TLaidOutDocument out = Laid(d);
    ASSERT_EQ(out.Pages.size(), 3u);
    EXPECT_TRUE(ItemsOf<layout::TPathItem>(out.Pages[0]).empty());  // the first page's master has none
    for (std::size_t p = 1; p < 3; ++p) {
        ASSERT_FALSE(out.Pages[p].Items.empty());
        EXPECT_TRUE(std::holds_alternative<layout::TPathItem>(out.Pages[p].Items.front())) << p;
    }
}

TEST(LayoutTest, TallHeaderPushesTheBodyDown) {
    doc::TDocument d = Doc();
    d.Sections[0].Odd.Header.Left = Storage({Para(u"h1"), Para(u"h2"), Para(u"h3")});  // 5 + 30 > 20
    d.Body.Paragraphs.push_back(Para(u"body"));
    const auto lines = Lines(Laid(d));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3].Text, u"body");
    EXPECT_DOUBLE_EQ(lines[3].Baseline, 35 + 8);
    // Headers switched off take no room.
    d.HeadersOn = false;
    const auto off = Lines(Laid(d));
    ASSERT_EQ(off.size(), 1u);
    EXPECT_DOUBLE_EQ(off[0].Baseline, 28);
}

TEST(LayoutTest, BodyPageNumberFieldShowsItsPage) {
    doc::TDocument d = Doc();
    d.Body.Paragraphs.push_back(FieldPara(u"on ", doc::TFieldKind::fkPageNumber));
    d.Body.Paragraphs.push_back(Para(u"\u0005"));
    d.Body.Paragraphs.push_back(FieldPara(u"on ", doc::TFieldKind::fkPageNumber, u" of \uFFFC"));
    d.Body.Paragraphs.back().Attachments.push_back(
        {8, doc::TAttachmentKind::akField, 0, doc::TFieldKind::fkPageCount, u""});
    EXPECT_EQ(Texts(Lines(Laid(d))), (std::vector<std::u16string>{u"on 1", u"on 2 of 2"}));
}

TEST(LayoutTest, EmptyDocumentsStillHavePages) {
    doc::TDocument d = Doc();
    EXPECT_EQ(Laid(d).Pages.size(), 1u);
    d.HasBody = false;
    d.PageCount = 3;
    d.Body.Paragraphs.push_back(Para(u"ignored"));
    const TLaidOutDocument out = Laid(d);
    EXPECT_EQ(out.Pages.size(), 3u);
    EXPECT_TRUE(Lines(out).empty());
    EXPECT_DOUBLE_EQ(out.Pages[2].Width, 200);
}

TEST(LayoutTest, TabStops) {
    // Column from x = 20; stops measured from there.
    const struct {
        const char* What;
        doc::TTabAlignment Alignment;
        std::u16string Text;
        double SecondItemX;
    } cases[] = {
        {"left", doc::TTabAlignment::taLeft, u"a\tbb", 20 + 50},
        {"right", doc::TTabAlignment::taRight, u"a\tbb", 20 + 50 - 10},
        {"centre", doc::TTabAlignment::taCenter, u"a\tbb", 20 + 50 - 5},
        {"decimal", doc::TTabAlignment::taDecimal, u"a\t12.5", 20 + 50 - 10},
        {"decimal without a point", doc::TTabAlignment::taDecimal, u"a\t12", 20 + 50 - 10},
    };
    for (const auto& c : cases) {
        doc::TDocument d = Doc();
        doc::TParagraphStyle s = Style();
        s.TabStops.push_back({50, c.Alignment, u""});
        d.Body.Paragraphs.push_back(Para(c.Text, s));
        const auto lines = Lines(Laid(d));
        ASSERT_EQ(lines.size(), 1u) << c.What;
        ASSERT_EQ(lines[0].Items.size(), 2u) << c.What;
        EXPECT_DOUBLE_EQ(lines[0].Items[1].X, c.SecondItemX) << c.What;
    }
}

TEST(LayoutTest, DefaultTabsAndLeaders) {
    doc::TDocument d = Doc();
    doc::TParagraphStyle s = Style();
    s.DefaultTabInterval = 30;
    s.TabStops.push_back({20, doc::TTabAlignment::taLeft, u"."});
    // "a" to 25, a stop at 20 is behind: the leader stop does not apply; default stops at 30, 60.
    d.Body.Paragraphs.push_back(Para(u"aaaaa\tb\tc", s));
    d.Body.Paragraphs.push_back(Para(u"\tx", s));
    const auto lines = Lines(Laid(d));
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_EQ(lines[0].Items.size(), 3u);
    EXPECT_DOUBLE_EQ(lines[0].Items[1].X, 50);
    EXPECT_DOUBLE_EQ(lines[0].Items[2].X, 80);
    // The leader fills the way to the stop at 20: four dots of 5 pt.
    EXPECT_EQ(lines[1].Text, u"....x");
    EXPECT_DOUBLE_EQ(lines[1].Items.back().X, 40);
}

TEST(LayoutTest, RunsBecomeItemsWithTheirLook) {
    doc::TDocument d = Doc();
    doc::TParagraph p = Para(u"ab\u4e00cdEfgh ij");
    doc::TCharacterStyle base = p.Runs[0].Style;
    p.Runs.clear();
    auto run = [&](std::uint32_t from, std::uint32_t to, auto change) {
        doc::TRun r{from, to, base};
        change(r.Style.Edit());
        p.Runs.push_back(r);
    };
    run(0, 3, [](doc::TCharacterStyle&) {});                                                     // ab + CJK
    run(3, 5, [](doc::TCharacterStyle& s) { s.Baseline = doc::TBaseline::blSuperscript; });      // cd
    run(5, 6, [](doc::TCharacterStyle& s) { s.Underline = true; s.Color = {1, 0, 0, 1}; });     // E
    run(6, 8, [](doc::TCharacterStyle& s) {  // fg
        s.Capitalization = doc::TCapitalization::caAllCaps;
        s.Highlight = doc::TColor{1, 1, 0, 1};
    });
    run(8, 12, [](doc::TCharacterStyle& s) { s.Strikethrough = true; s.Tracking = 0.2; });  // gh ij
    d.Body.Paragraphs.push_back(p);
    TFakeFonts fonts;
    const TLaidOutDocument out = layout::LayOut(d, fonts);
    const auto texts = ItemsOf<layout::TTextItem>(out.Pages[0]);
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts[0]->Text, u"ab");
    EXPECT_EQ(texts[1]->Text, u"\u4e00");
    EXPECT_EQ(texts[1]->Font, &fonts.Cjk());
    EXPECT_DOUBLE_EQ(texts[1]->X, 30);
    EXPECT_EQ(texts[2]->Text, u"cd");
    EXPECT_DOUBLE_EQ(texts[2]->Size, 6);
    EXPECT_DOUBLE_EQ(texts[2]->Y, texts[0]->Y - 3.5);
    EXPECT_EQ(texts[3]->Text, u"E");
    EXPECT_EQ(texts[3]->Color, (doc::TColor{1, 0, 0, 1}));
    EXPECT_EQ(texts[4]->Text, u"FG");
    EXPECT_EQ(texts[5]->Text, u"h ij");
    EXPECT_DOUBLE_EQ(texts[5]->CharSpacing, 2);
    // Highlight behind the text, underline and strikethrough over it.
    const auto paths = ItemsOf<layout::TPathItem>(out.Pages[0]);
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0]->Fill, (doc::TColor{1, 1, 0, 1}));
    EXPECT_DOUBLE_EQ(paths[0]->Path[0].P.X, texts[4]->X);
    const auto rules = ItemsOf<layout::TLineItem>(out.Pages[0]);
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_DOUBLE_EQ(rules[0]->From.Y, texts[0]->Y + 1);  // the underline position, 0.1 em
    EXPECT_DOUBLE_EQ(rules[0]->To.X - rules[0]->From.X, 5);
    EXPECT_DOUBLE_EQ(rules[0]->Stroke.Width, 0.5);
    EXPECT_LT(rules[1]->From.Y, texts[0]->Y);
    EXPECT_DOUBLE_EQ(rules[1]->To.X, ItemEnd(*texts[5]));
    EXPECT_EQ(fonts.Matches, 1);  // once per face, however many runs use it
}

// A link's area covers its text line by line, across the runs it spans, and only its text.
TEST(LayoutTest, LinksCoverTheirTextOnEachLine) {
    doc::TDocument d = Doc(30, 160);  // "aa bb " fits a line, "cc dd" goes to the next
    doc::TParagraph p = Para(u"aa bb cc dd");
    const doc::TCharacterStyle base = p.Runs[0].Style;
    doc::TCharacterStyle link = base, boldLink = base;
    d.Links = {L"https://example.com"};
    link.Link = boldLink.Link = 0;
    boldLink.Bold = true;
    p.Runs = {{0, 3, base}, {3, 5, link}, {5, 8, boldLink}, {8, 11, base}};
    d.Body.Paragraphs.push_back(p);
    const TLaidOutDocument out = Laid(d);
    const auto lines = Lines(out);
    ASSERT_EQ(lines.size(), 2u);
    const auto links = ItemsOf<layout::TLinkItem>(out.Pages[0]);
    ASSERT_EQ(links.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(links[i]->Target, L"https://example.com");
        EXPECT_LT(links[i]->Area.Y, lines[i].Baseline);
        EXPECT_GT(links[i]->Area.Y + links[i]->Area.Height, lines[i].Baseline);
    }
    EXPECT_DOUBLE_EQ(links[0]->Area.X, 35);  // "bb", and the space after it at most
    EXPECT_GE(links[0]->Area.X + links[0]->Area.Width, 45);
    EXPECT_LE(links[0]->Area.X + links[0]->Area.Width, 50);
    EXPECT_DOUBLE_EQ(links[1]->Area.X, 20);  // "cc", not " dd"
    EXPECT_DOUBLE_EQ(links[1]->Area.Width, 10);
}

// Gives p a three-line cap in its own look, the document's first.
void WithDropCap(doc::TDocument& d, doc::TParagraph& p) {
    doc::TDropCap cap;
    cap.Lines = 3;
    cap.Style = p.Runs[0].Style;
    d.DropCaps = {cap};
    p.DropCap = 0;
}

// The cap's capitals reach from the first line's capitals to the third line's baseline, and the
// lines beside it start after it; a paragraph shorter than its cap ends below it.
TEST(LayoutTest, DropCapSpansItsLinesAndIndentsThem) {
    doc::TDocument d = Doc(60, 160);
    doc::TParagraph p = Para(u"Laa bb cc dd ee ff gg hh ii jj");
    WithDropCap(d, p);
    doc::TParagraph shortOne = Para(u"Lab");
    shortOne.DropCap = 0;
    d.Body.Paragraphs = {p, shortOne, Para(u"next")};
    const TLaidOutDocument out = Laid(d);
    const auto texts = ItemsOf<layout::TTextItem>(out.Pages[0]);
    std::vector<const layout::TTextItem*> caps;
    for (auto* t : texts)
        if (t->Text == u"L") caps.push_back(t);
    ASSERT_EQ(caps.size(), 2u);
    const double size = (2 * 10 + 0.7 * 10) / 0.7;  // lines 10 pt apart, capitals 0.7 em high
    EXPECT_NEAR(caps[0]->Size, size, 1e-9);
    EXPECT_DOUBLE_EQ(caps[0]->X, 20);

    // The lines without the caps (which share the baseline of their last line).
    std::vector<TLineView> lines = Lines(out);
    for (auto& line : lines) {
        std::erase_if(line.Items, [](const layout::TTextItem& t) { return t.Size != 10; });
        line.Text.clear();
        for (const auto& t : line.Items) line.Text += t.Text;
        if (!line.Items.empty()) line.Left = line.Items.front().X;
    }
    std::erase_if(lines, [](const TLineView& line) { return line.Items.empty(); });
    ASSERT_EQ(lines.size(), 6u);
    const double textLeft = 20 + 0.5 * size + 2.5;  // the cap's width and a quarter of the body's size
    const std::u16string want[] = {u"aa bb", u"cc dd", u"ee ff", u"gg hh ii jj"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(lines[i].Text.substr(0, want[i].size()), want[i]) << i;
        EXPECT_NEAR(lines[i].Left, i < 3 ? textLeft : 20, 1e-9) << i;
    }
    EXPECT_DOUBLE_EQ(caps[0]->Y, lines[2].Baseline);
    // "ab" beside its cap; "next" below the cap, not beside it.
    EXPECT_EQ(lines[4].Text, u"ab");
    EXPECT_DOUBLE_EQ(caps[1]->Y, lines[4].Baseline + 20);
    EXPECT_EQ(lines[5].Text, u"next");
    EXPECT_DOUBLE_EQ(lines[5].Left, 20);
    EXPECT_GE(lines[5].Baseline, caps[1]->Y + 10);

    // An accent goes into the cap with its letter; a paragraph that opens with a space or an
    // object has no cap.
    doc::TParagraph accented = Para(u"e\u0301tude"), spaced = Para(u" x y"), object = Para(u"\uFFFCx y");
    accented.DropCap = spaced.DropCap = object.DropCap = 0;
    d.Body.Paragraphs = {accented, spaced, object};
    const TLaidOutDocument more = Laid(d);
    std::vector<std::u16string> big;
    for (auto* t : ItemsOf<layout::TTextItem>(more.Pages[0]))
        if (t->Size > 10) big.push_back(t->Text);
    EXPECT_EQ(big, std::vector<std::u16string>{u"e\u0301"});
}

// A paragraph whose cap would hang below the page's foot starts on the next page.
TEST(LayoutTest, ADropCapsLinesStayTogether) {
    doc::TDocument d = Doc(60, 40);  // four lines a page
    doc::TParagraph p = Para(u"Laa bb cc dd ee ff gg hh");
    WithDropCap(d, p);
    d.Body.Paragraphs = {Para(u"x"), Para(u"y"), p};
    const TLaidOutDocument out = Laid(d);
    ASSERT_GE(out.Pages.size(), 2u);
    for (auto* t : ItemsOf<layout::TTextItem>(out.Pages[0])) EXPECT_TRUE(t->Text == u"x" || t->Text == u"y") << std::string(t->Text.begin(), t->Text.end());
    bool capOnSecond = false;
    for (auto* t : ItemsOf<layout::TTextItem>(out.Pages[1])) capOnSecond = capOnSecond || (t->Text == u"L" && t->Size > 10);
    EXPECT_TRUE(capOnSecond);
}

TEST(LayoutTest, SmallCapsShrinkLowerCaseLetters) {
    doc::TDocument d = Doc();
    doc::TParagraphStyle s = Style();
    s.Character.Capitalization = doc::TCapitalization::caSmallCaps;
    d.Body.Paragraphs.push_back(Para(u"Ab", s));
    const TLaidOutDocument out = Laid(d);
    const auto texts = ItemsOf<layout::TTextItem>(out.Pages[0]);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1]->Text, u"B");
    EXPECT_DOUBLE_EQ(texts[1]->Size, 8);
}

TEST(LayoutTest, BadNumbersGiveAPageNotACrash) {
    doc::TDocument d = Doc();
    d.Page.Width = std::nan("");
    d.Page.Left = 1e300;
    doc::TParagraphStyle s = Style(-5);
    s.LineSpacing = std::nan("");
    s.SpaceBefore = 1e308;
    s.LeftIndent = -1e9;
    doc::TParagraph p = Para(u"text\ttext", s);
    p.Runs[0].End = 999;  // past the text
    p.Attachments.push_back({77, doc::TAttachmentKind::akDrawable, 42, doc::TFieldKind::fkOther, u""});
    p.ListStyle = 3;
    p.Section = 9;
    d.Body.Paragraphs.push_back(p);
    d.FloatingByPage.push_back({5, {1}, {99}});
    const TLaidOutDocument out = Laid(d);
    // The page takes the default width in place of the missing one and keeps its sound height;
    // the floating group still asks for its page, which holds nothing of what it names.
    ASSERT_EQ(out.Pages.size(), 6u);
    for (const layout::TPage& page : out.Pages) {
        EXPECT_EQ(page.Width, doc::TPageSetup().Width);
        EXPECT_EQ(page.Height, 200);
    }
    for (std::size_t i = 1; i < out.Pages.size(); ++i) EXPECT_TRUE(out.Pages[i].Items.empty()) << i;
    // Both words are drawn on the first page, one line each in the narrow column the margins
    // leave, in order, at a size that can be seen, inside the page.
    const auto lines = Lines(out);
    ASSERT_EQ(Texts(lines), (std::vector<std::u16string>{u"text", u"text"}));
    for (const TLineView& line : lines) {
        EXPECT_EQ(line.Page, 0u);
        EXPECT_GE(line.Left, 0);
        EXPECT_LE(line.Right, out.Pages[0].Width);
        EXPECT_GT(line.Baseline, 0);
        EXPECT_LE(line.Baseline, out.Pages[0].Height);
        EXPECT_GT(line.Items.front().Size, 0);
    }
    EXPECT_GT(lines[1].Baseline, lines[0].Baseline);
    EXPECT_TRUE(out.LeftOut.empty());
}

// --- Damaged documents stay bounded ------------------------------------------------------------

TEST(LayoutTest, BodyStopsAtTheLastPageAndCountsWhatIsLeftOut) {
    const std::size_t max = layout::kMaxPages;
    const std::wstring key = L"paragraph past page " + std::to_wstring(max);
    // Page breaks, each ending its paragraph: the paragraphs after the last page are cut.
    doc::TDocument breaks = Doc();
    for (std::size_t i = 0; i < max + 5; ++i) breaks.Body.Paragraphs.push_back(Para(u"\u0005"));
    breaks.Body.Paragraphs.push_back(Para(u"tail"));
    // One paragraph of a line per page (12 pt of body, 10-pt lines) runs past: it is cut too.
    doc::TDocument lines = Doc(160, 12);
    std::u16string text = u"x";
    for (std::size_t i = 0; i < max + 2; ++i) text += u"\u2028x";
    lines.Body.Paragraphs.push_back(Para(text));
    lines.Body.Paragraphs.push_back(Para(u"tail"));
    const struct {
        const char* What;
        const doc::TDocument& Document;
        int Cut;
        bool LastPageShowsText;
    } cases[] = {{"page breaks", breaks, 6, false}, {"line breaks", lines, 2, true}};
    for (const auto& c : cases) {
        const TLaidOutDocument out = Laid(c.Document);
        ASSERT_EQ(out.Pages.size(), max) << c.What;
        EXPECT_EQ(out.LeftOut, (std::map<std::wstring, int>{{key, c.Cut}})) << c.What;
        EXPECT_EQ(ItemsOf<layout::TTextItem>(out.Pages.back()).empty(), !c.LastPageShowsText) << c.What;
        for (const auto& line : Lines(out)) EXPECT_NE(line.Text, u"tail") << c.What;
    }
}

TEST(LayoutTest, HeaderTallerThanThePageKeepsWhatCanShow) {
    doc::TDocument d = Doc();
    d.Sections[0].Odd.Header.Left = Storage(std::vector<doc::TParagraph>(5000, Para(u"h")));
    d.Body.Paragraphs.push_back(Para(u"a\u0005"));
    d.Body.Paragraphs.push_back(Para(u"b"));
    const TLaidOutDocument out = Laid(d);
    ASSERT_EQ(out.Pages.size(), 2u);
    for (const auto& page : out.Pages) {
        std::size_t header = 0;
        for (const auto* t : ItemsOf<layout::TTextItem>(page)) {
            if (t->Text != u"h") continue;
            ++header;
            EXPECT_LE(t->Y, 5 + 200 + 8);  // no line starts below the 200-pt page
        }
        EXPECT_EQ(header, 21u);
    }
}

TEST(LayoutTest, HugeHeaderStillNumbersEveryPage) {
    // Laid out anew on each page while that is cheap; this one's 2 million characters are not, and
    // later pages take its first layout with their own numbers filled in.
    doc::TDocument d = Doc();
    std::vector<doc::TParagraph> header{FieldPara(u"p", doc::TFieldKind::fkPageNumber)};
    for (int i = 0; i < 30; ++i) header.push_back(Para(u"h"));
    header.push_back(Para(std::u16string(2'000'000, u'x')));  // below the page: never shaped
    d.Sections[0].Odd.Header.Right = Storage(header);
    d.Body.Paragraphs.push_back(Para(u"a\u0005b\u0005c"));
    std::vector<std::u16string> numbers;
    for (const auto& l : Lines(Laid(d)))
        if (l.Text.starts_with(u"p")) numbers.push_back(l.Text);
    EXPECT_EQ(numbers, (std::vector<std::u16string>{u"p1", u"p2", u"p3"}));
}

TEST(LayoutTest, ItemsAppendedLineByLineGrowGeometrically) {
    // A page or block takes its lines one at a time: growing by each line's size would copy
    // everything before for every line.
    std::vector<layout::TPageItem> page;
    const std::vector<layout::TPageItem> line(3);
    int moves = 0;
    const layout::TPageItem* data = nullptr;
    for (int i = 0; i < 20000; ++i) {
        layout::AppendTranslated(page, line, 0, i);
        if (page.data() != data) ++moves;
        data = page.data();
    }
    ASSERT_EQ(page.size(), 60000u);
    EXPECT_LT(moves, 40);
}

TEST(LayoutTest, TheRoomMultipleSpacingAddsBelowAColumnsLastLineNeedNotFit) {
    // Three one-line paragraphs of 10 pt text whose lines are 20 pt high: the third one's text ends
    // 50 pt down the body, its line 60.
    const struct {
        doc::TLineSpacingMode Mode;
        double Amount, BodyHeight;
        std::vector<std::size_t> Pages;
    } cases[] = {
        {doc::TLineSpacingMode::lsRelative, 2, 50, {0, 0, 0}},
        {doc::TLineSpacingMode::lsRelative, 2, 49, {0, 0, 1}},  // its text would pass the margin
        {doc::TLineSpacingMode::lsAtLeast, 20, 50, {0, 0, 1}},  // a height asked for is the line's own
        {doc::TLineSpacingMode::lsExactly, 20, 50, {0, 0, 1}},
    };
    for (const auto& c : cases) {
        doc::TDocument d = Doc(160, c.BodyHeight);
        doc::TParagraphStyle s = Style();
        s.LineSpacingMode = c.Mode;
        s.LineSpacing = c.Amount;
        for (const char16_t* t : {u"one", u"two", u"three"}) d.Body.Paragraphs.push_back(Para(t, s));
        EXPECT_EQ(PagesOf(Laid(d), {u"one", u"two", u"three"}), c.Pages) << int(c.Mode) << " " << c.BodyHeight;
    }
}

}  // namespace
