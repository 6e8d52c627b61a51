// Paragraph borders in the layout: the room they take, the lines that draw them, runs of paragraphs
// that share one, and runs that go on past a page.

#include <gtest/gtest.h>

#include "layout/Borders.h"
#include "layout/TextBlock.h"
#include "tests/layout/LayoutTestSupport.h"

namespace {

using namespace testsupport;
using layout::TLaidOutDocument;
using layout::TLineItem;

TLaidOutDocument Laid(const doc::TDocument& d) {
    static TFakeFonts fonts;
    return layout::LayOut(d, fonts);
}

doc::TParagraphBorder Border(bool top, bool bottom, bool left, bool right, double width = 1, double offset = 0) {
    doc::TParagraphBorder b;
    b.Stroke.Width = width;
    b.Top = top;
    b.Bottom = bottom;
    b.Left = left;
    b.Right = right;
    b.Offset = offset;
    return b;
}

doc::TParagraph Bordered(const std::u16string& text, const doc::TParagraphBorder& border) {
    doc::TParagraphStyle style = Style();
    style.Border = border;
    return Para(text, style);
}

struct TSeg {
    double X0, Y0, X1, Y1;
    friend bool operator==(const TSeg&, const TSeg&) = default;
    friend std::ostream& operator<<(std::ostream& os, const TSeg& s) {
        return os << "(" << s.X0 << "," << s.Y0 << ")-(" << s.X1 << "," << s.Y1 << ")";
    }
};

std::vector<TSeg> Segments(const layout::TPage& page) {
    std::vector<TSeg> out;
    for (const TLineItem* l : ItemsOf<TLineItem>(page)) out.push_back({l->From.X, l->From.Y, l->To.X, l->To.Y});
    return out;
}

// The body's column: x 20..180, text from y 20; lines of the fake font 10 pt tall, baseline 8 down.
TEST(BordersTest, RulesAndBoxesTakeRoomAndStandOffTheText) {
    struct TCase {
        const char* Name;
        doc::TParagraphBorder Border;
        double Baseline;      // of the bordered paragraph's line
        double NextBaseline;  // of the paragraph after it
        std::vector<TSeg> Lines;
    };
    // Width 1, the default gap of 6: a rule takes 7 above or below the text.
    const std::vector<TCase> cases = {
        {"above", Border(true, false, false, false), 20 + 7 + 8, 20 + 17 + 8, {{20, 20.5, 180, 20.5}}},
        {"below", Border(false, true, false, false), 28, 20 + 17 + 8, {{20, 36.5, 180, 36.5}}},
        {"above, nearer", Border(true, false, false, false, 1, -4), 20 + 3 + 8, 20 + 13 + 8, {{20, 20.5, 180, 20.5}}},
        {"no gap left", Border(true, false, false, false, 1, -10), 20 + 1 + 8, 20 + 11 + 8, {{20, 20.5, 180, 20.5}}},
        // A box: the bars stand the gap outside the text, the rules reach them.
        {"box",
         Border(true, true, true, true),
         35,
         20 + 24 + 8,
         {{13, 20.5, 187, 20.5}, {13, 43.5, 187, 43.5}, {13.5, 20.5, 13.5, 43.5}, {186.5, 20.5, 186.5, 43.5}}},
        // Bars alone take no room above or below.
        {"bars", Border(false, false, true, true), 28, 38, {{13.5, 20, 13.5, 30}, {186.5, 20, 186.5, 30}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        doc::TDocument d = Doc();
        d.Body.Paragraphs = {Bordered(u"text", c.Border), Para(u"next")};
        const TLaidOutDocument out = Laid(d);
        const auto lines = Lines(out);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_DOUBLE_EQ(lines[0].Baseline, c.Baseline);
        EXPECT_DOUBLE_EQ(lines[1].Baseline, c.NextBaseline);
        EXPECT_EQ(Segments(out.Pages[0]), c.Lines);
    }
}

TEST(BordersTest, ParagraphsWithTheSameBorderShareOneBox) {
    doc::TDocument d = Doc();
    const doc::TParagraphBorder box = Border(true, true, true, true);
    doc::TParagraph spaced = Bordered(u"two", box);
    spaced.Style.Edit().SpaceBefore = 5;  // inside the run: the box goes round it
    doc::TParagraph other = Bordered(u"other", Border(true, true, true, true, 2));
    d.Body.Paragraphs = {Bordered(u"one", box), spaced, other};
    const TLaidOutDocument out = Laid(d);
    const auto lines = Lines(out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_DOUBLE_EQ(lines[0].Baseline, 20 + 7 + 8);
    EXPECT_DOUBLE_EQ(lines[1].Baseline, 20 + 7 + 10 + 5 + 8);  // no rule between the two
    const auto segments = Segments(out.Pages[0]);
    ASSERT_EQ(segments.size(), 8u);  // two boxes
    // The first box: from the top of the run to the foot of "two" and its room.
    const double foot = 20 + 7 + 10 + 5 + 10 + 7;
    EXPECT_EQ(segments[0], (TSeg{13, 20.5, 187, 20.5}));
    EXPECT_EQ(segments[1], (TSeg{13, foot - 0.5, 187, foot - 0.5}));
    EXPECT_EQ(segments[2], (TSeg{13.5, 20.5, 13.5, foot - 0.5}));
    // A different stroke starts a box of its own below.
    EXPECT_DOUBLE_EQ(segments[4].Y0, foot + 1);
    EXPECT_DOUBLE_EQ(lines[2].Baseline, foot + 2 + 6 + 8);
}

TEST(BordersTest, ABoxBrokenByThePageIsOpenWhereItGoesOn) {
    // A 40 pt tall body; five one-line paragraphs in one box whose rules touch the text (1 pt
    // each): three lines on page 1, the rest on page 2.
    doc::TDocument d = Doc(160, 40);
    const doc::TParagraphBorder box = Border(true, true, true, true, 1, -6);
    for (int i = 0; i < 5; ++i) d.Body.Paragraphs.push_back(Bordered(u"x", box));
    const TLaidOutDocument out = Laid(d);
    ASSERT_EQ(out.Pages.size(), 2u);
    const auto first = Segments(out.Pages[0]), second = Segments(out.Pages[1]);
    // Page 1: the rule above, the bars down to the last line there, no rule below.
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0], (TSeg{19, 20.5, 181, 20.5}));
    EXPECT_EQ(first[1], (TSeg{19.5, 20.5, 19.5, 51}));
    // Page 2: the bars from the top, the rule below.
    ASSERT_EQ(second.size(), 3u);
    EXPECT_EQ(second[0], (TSeg{19, 40.5, 181, 40.5}));
    EXPECT_EQ(second[1], (TSeg{19.5, 20, 19.5, 40.5}));
}

// A rounded box whole on its page is one closed path with curved corners where the square box's
// lines would meet; a rounded box the page cuts keeps square, open ends.
TEST(BordersTest, RoundedBoxesCurveTheirCornersWhenWhole) {
    doc::TParagraphBorder rounded = Border(true, true, true, true, 1, -6);
    rounded.Rounded = true;
    doc::TDocument whole = Doc(160, 160);
    whole.Body.Paragraphs = {Bordered(u"x", rounded), Bordered(u"x", rounded)};
    const TLaidOutDocument out = Laid(whole);
    EXPECT_TRUE(Segments(out.Pages[0]).empty());
    const auto paths = ItemsOf<layout::TPathItem>(out.Pages[0]);
    ASSERT_EQ(paths.size(), 1u);
    const auto& path = paths[0]->Path;
    ASSERT_TRUE(paths[0]->Stroke.has_value());
    EXPECT_FALSE(paths[0]->Fill.has_value());
    EXPECT_EQ(std::count_if(path.begin(), path.end(), [](const doc::TPathSegment& s) { return s.Kind == doc::TPathSegment::skCurve; }), 4);
    EXPECT_EQ(path.back().Kind, doc::TPathSegment::skClose);
    // The square box's corners, (19.5, 20.5) and (180.5, 41.5), bound it.
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (const auto& s : path) {
        if (s.Kind == doc::TPathSegment::skClose) continue;
        x0 = std::min(x0, s.P.X), y0 = std::min(y0, s.P.Y), x1 = std::max(x1, s.P.X), y1 = std::max(y1, s.P.Y);
    }
    EXPECT_DOUBLE_EQ(x0, 19.5);
    EXPECT_DOUBLE_EQ(y0, 20.5);
    EXPECT_DOUBLE_EQ(x1, 180.5);
    EXPECT_DOUBLE_EQ(y1, 41.5);

    doc::TDocument cut = Doc(160, 40);
    for (int i = 0; i < 5; ++i) cut.Body.Paragraphs.push_back(Bordered(u"x", rounded));
    const TLaidOutDocument pages = Laid(cut);
    ASSERT_EQ(pages.Pages.size(), 2u);
    EXPECT_EQ(Segments(pages.Pages[0]).size(), 3u);
    EXPECT_TRUE(ItemsOf<layout::TPathItem>(pages.Pages[0]).empty());
}

// A filled paragraph in a box is filled out to the bars, not only behind its text.
TEST(BordersTest, AFillInsideABoxReachesItsBars) {
    doc::TDocument d = Doc(160, 160);
    doc::TParagraph p = Bordered(u"x", Border(true, true, true, true));
    p.Style.Edit().Fill = doc::TColor{1, 1, 0, 1};
    d.Body.Paragraphs.push_back(p);
    const TLaidOutDocument out = Laid(d);
    const auto paths = ItemsOf<layout::TPathItem>(out.Pages[0]);
    ASSERT_EQ(paths.size(), 1u);
    double x0 = 1e9, x1 = -1e9;
    for (const auto& s : paths[0]->Path)
        if (s.Kind != doc::TPathSegment::skClose) x0 = std::min(x0, s.P.X), x1 = std::max(x1, s.P.X);
    EXPECT_DOUBLE_EQ(x0, 20 - layout::kBorderGap);  // the left bar's inner edge: a 1 pt line centred 6.5 pt out
    EXPECT_DOUBLE_EQ(x1, 180 + layout::kBorderGap);
}

TEST(BordersTest, TextBoxesAndCellsDrawBordersToo) {
    static TFakeFonts fonts;
    layout::TFontCache cache(fonts);
    doc::TDocument d = Doc();
    layout::TTextContext context{d, cache, {}, nullptr, false};
    doc::TTextStorage storage;
    storage.Paragraphs = {Para(u"plain"), Bordered(u"ruled", Border(false, true, false, false, 2))};
    storage.Paragraphs[1].Style.Edit().LeftIndent = 10;
    const layout::TBlock block = layout::LayOutBlock(storage, 100, context);
    EXPECT_DOUBLE_EQ(block.Height, 10 + 10 + 6 + 2);
    std::vector<TSeg> segments;
    for (const auto& item : block.Items)
        if (auto* l = std::get_if<TLineItem>(&item)) segments.push_back({l->From.X, l->From.Y, l->To.X, l->To.Y});
    // The rule spans the paragraph's own width, inside its indent.
    EXPECT_EQ(segments, (std::vector<TSeg>{{10, 27, 100, 27}}));
}

}  // namespace
