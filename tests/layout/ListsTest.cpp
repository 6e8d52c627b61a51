// List labels: number formats, counting across paragraphs, label and text positions.

#include <gtest/gtest.h>

#include "layout/Lists.h"
#include "tests/layout/LayoutTestSupport.h"

namespace {

using namespace testsupport;

TEST(ListsTest, NumberFormats) {
    const struct {
        long long N;
        doc::TNumberFormat Format;
        std::u16string Text;
    } cases[] = {
        {1, doc::TNumberFormat::nfDecimal, u"1"},         {42, doc::TNumberFormat::nfDecimal, u"42"},
        {4, doc::TNumberFormat::nfUpperRoman, u"IV"},     {1994, doc::TNumberFormat::nfLowerRoman, u"mcmxciv"},
        {4000, doc::TNumberFormat::nfUpperRoman, u"4000"}, {1, doc::TNumberFormat::nfLowerAlpha, u"a"},
        {26, doc::TNumberFormat::nfUpperAlpha, u"Z"},     {27, doc::TNumberFormat::nfLowerAlpha, u"aa"},
        {53, doc::TNumberFormat::nfLowerAlpha, u"aaa"},   {0, doc::TNumberFormat::nfLowerAlpha, u"0"},
    };
    for (const auto& c : cases) EXPECT_EQ(layout::FormatNumber(c.N, c.Format), c.Text) << c.N;
}

doc::TListLevel Level(doc::TNumberFormat format, bool tiered = false, double indent = 0) {
    doc::TListLevel l;
    l.Label = doc::TListLabel::llNumber;
    l.Format = format;
    l.Tiered = tiered;
    l.Indent = indent;
    l.TextIndent = 20;
    return l;
}

TEST(ListsTest, NumberingCountsAcrossParagraphsAndLevels) {
    doc::TDocument d = Doc(300, 400);
    doc::TListStyle numbers;
    numbers.Levels = {Level(doc::TNumberFormat::nfDecimal), Level(doc::TNumberFormat::nfLowerAlpha, false, 20),
                      Level(doc::TNumberFormat::nfDecimal, true, 40)};
    numbers.Levels[1].Prefix = u"(";
    numbers.Levels[1].Suffix = u")";
    numbers.Levels[2].TextIndent = 40;
    doc::TListStyle bullets;
    bullets.Levels = {doc::TListLevel{}};
    bullets.Levels[0].Label = doc::TListLabel::llString;
    bullets.Levels[0].Bullet = u"*";
    d.ListStyles = {numbers, bullets};
    const struct {
        int Style, Level;
        std::optional<int> StartAt;
        std::u16string Label;
    } items[] = {
        {0, 0, {}, u"1."}, {0, 0, {}, u"2."}, {0, 1, {}, u"(a)"}, {0, 1, {}, u"(b)"}, {0, 2, {}, u"2.b.1."},
        {-1, 0, {}, u""},  {1, 0, {}, u"*"},  {0, 1, {}, u"(c)"}, {0, 0, {}, u"3."}, {0, 1, {}, u"(a)"},
        {0, 0, 10, u"10."}, {0, 0, {}, u"11."},
    };
    for (const auto& item : items) {
        doc::TParagraph p = Para(u"t");
        p.ListStyle = item.Style;
        p.ListLevel = item.Level;
        p.ListStartAt = item.StartAt;
        d.Body.Paragraphs.push_back(p);
    }
    TFakeFonts fonts;
    const auto lines = Lines(layout::LayOut(d, fonts));
    ASSERT_EQ(lines.size(), std::size(items));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(Narrow(lines[i].Text), Narrow(items[i].Label + u"t")) << i;
        if (items[i].Style != 0) continue;
        // The label at the level's indent, the text at indent + text indent.
        const double indent = 20 + 20.0 * items[i].Level;
        EXPECT_DOUBLE_EQ(lines[i].Items.front().X, indent) << i;
        EXPECT_DOUBLE_EQ(lines[i].Items.back().X, indent + (items[i].Level == 2 ? 40 : 20)) << i;
    }
}

TEST(ListsTest, WrappedListTextLinesUpWithTheFirstLine) {
    doc::TDocument d = Doc(100);
    doc::TListStyle bullets;
    bullets.Levels = {doc::TListLevel{}};
    bullets.Levels[0].Label = doc::TListLabel::llString;
    bullets.Levels[0].Indent = 10;
    bullets.Levels[0].TextIndent = 15;
    d.ListStyles = {bullets};
    doc::TParagraph p = Para(u"aaaaa bbbbb ccccc");
    p.ListStyle = 0;
    d.Body.Paragraphs.push_back(p);
    TFakeFonts fonts;
    const auto lines = Lines(layout::LayOut(d, fonts));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].Text, u"\u2022aaaaa bbbbb");
    EXPECT_DOUBLE_EQ(lines[0].Items.front().X, 30);
    EXPECT_DOUBLE_EQ(lines[0].Items.back().X, 45);
    EXPECT_DOUBLE_EQ(lines[1].Left, 45);
}

}  // namespace
