// Line breaking: where paragraphs break into lines, through the whole layout.

#include <gtest/gtest.h>

#include "layout/LineBreaker.h"
#include "tests/layout/LayoutTestSupport.h"

namespace {

using namespace testsupport;

std::vector<std::u16string> Break(const std::u16string& text, double width) {
    doc::TDocument d = Doc(width, 400);
    d.Body.Paragraphs.push_back(Para(text));
    TFakeFonts fonts;
    return Texts(Lines(layout::LayOut(d, fonts)));
}

TEST(LineBreakTest, BreaksAtOpportunitiesAndAnywhereInAnOverlongWord) {
    // 10 pt text: Latin characters 5 pt wide, CJK 10 pt.
    const struct {
        const char* What;
        std::u16string Text;
        double Width;
        std::vector<std::u16string> Lines;
    } cases[] = {
        {"spaces", u"aaa bbb ccc", 35, {u"aaa bbb", u"ccc"}},
        {"spaces hang at the end", u"aaaa    bbbb", 30, {u"aaaa", u"bbbb"}},
        {"exact fit", u"aaa bbb", 35, {u"aaa bbb"}},
        {"after a hyphen", u"well-known fact", 30, {u"well-", u"known", u"fact"}},
        {"not before a digit", u"ab -5 x-5", 20, {u"ab", u"-5", u"x-5"}},
        {"between ideographs", u"日本語テキスト", 30, {u"日本語", u"テキス", u"ト"}},
        {"no closing mark at line start", u"日本。語", 20, {u"日", u"本。", u"語"}},
        {"Latin after CJK", u"日本abc", 25, {u"日本", u"abc"}},
        {"overlong word", u"abcdefghij", 20, {u"abcd", u"efgh", u"ij"}},
        {"overlong word after a short one", u"ab abcdefgh", 20, {u"ab", u"abcd", u"efgh"}},
        {"line separator", u"ab\u2028cd", 100, {u"ab", u"cd"}},
        {"no break at a no-break space", u"aa\u00a0bb cc", 30, {u"aa\u00a0bb", u"cc"}},
        {"zero width space", u"aaaa\u200bbbbb", 30, {u"aaaa", u"bbbb"}},
        {"soft hyphen shows where it breaks", u"hyph\u00adenate it", 30, {u"hyph-", u"enate", u"it"}},
        {"soft hyphen hidden elsewhere", u"hy\u00adph", 30, {u"hyph"}},
    };
    for (const auto& c : cases) {
        const auto lines = Break(c.Text, c.Width);
        // append, not "[" + ...: GCC 12 warns of a false -Wrestrict there in release builds
        std::string got;
        for (const auto& l : lines) got.append("[").append(Narrow(l)).append("]");
        std::string want;
        for (const auto& l : c.Lines) want.append("[").append(Narrow(l)).append("]");
        EXPECT_EQ(got, want) << c.What;
    }
}

TEST(LineBreakTest, TrailingLineSeparatorMakesAnEmptyLine) {
    doc::TDocument d = Doc(100, 400);
    d.Body.Paragraphs.push_back(Para(u"ab\u2028"));
    d.Body.Paragraphs.push_back(Para(u"cd"));
    TFakeFonts fonts;
    const auto lines = Lines(layout::LayOut(d, fonts));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_DOUBLE_EQ(lines[1].Baseline - lines[0].Baseline, 20);
}

TEST(LineBreakTest, OpportunitiesNeverSplitSurrogatePairs) {
    const std::u16string text = u"\U00020000\U00020001";
    const auto breaks = layout::BreakOpportunities(text);
    ASSERT_EQ(breaks.size(), 4u);
    EXPECT_EQ(breaks[1], 0);
    EXPECT_EQ(breaks[2], 1);
    EXPECT_EQ(breaks[3], 0);
}

}  // namespace
