#include <gtest/gtest.h>

#include "convert/ContentCheck.h"

namespace {

doc::TTextStorage Storage(std::initializer_list<std::u16string> paragraphs) {
    doc::TTextStorage s;
    for (const auto& t : paragraphs) {
        doc::TParagraph p;
        p.Text = t;
        s.Paragraphs.push_back(std::move(p));
    }
    return s;
}

layout::TLaidOutDocument Drawn(const std::vector<std::u16string>& runs) {
    layout::TLaidOutDocument pages;
    pages.Pages.emplace_back();
    for (const auto& run : runs) {
        layout::TTextItem item;
        item.Text = run;
        pages.Pages.back().Items.emplace_back(std::move(item));
    }
    return pages;
}

// A body paragraph and a table of two cells in it; a page number, whose value is the layout's.
doc::TDocument Document() {
    doc::TDocument d;
    d.Body = Storage({u"Total \uFFFC", u"Page \uFFFC"});
    doc::TAttachment number;
    number.Position = 5;
    number.Kind = doc::TAttachmentKind::akField;
    number.Field = doc::TFieldKind::fkPageNumber;
    number.FieldText = u"7";
    d.Body.Paragraphs[1].Attachments.push_back(number);
    doc::TAttachment table;
    table.Position = 6;
    table.Kind = doc::TAttachmentKind::akDrawable;
    d.Body.Paragraphs[0].Attachments.push_back(table);
    doc::TTable t;
    t.Cells.assign(1, std::vector<doc::TCell>(2));
    t.Cells[0][0].Text = Storage({u"Tea"});
    t.Cells[0][1].Text = Storage({u"\u8336 \U0001D400"});  // a CJK character and one beyond U+FFFF
    d.Tables.push_back(t);
    doc::TDrawable drawable;
    drawable.Kind = doc::TDrawableKind::dkTable;
    d.Drawables.push_back(drawable);
    return d;
}

}  // namespace

// What the pages draw is counted against the document's text character by character: order,
// case, spaces and what the layout adds do not matter; a cell's lost text does.
TEST(ContentCheckTest, CountsTheCharactersNoPageDraws) {
    struct TCase {
        const char* What;
        std::vector<std::u16string> Runs;
        std::size_t Missing;
    };
    const TCase cases[] = {
        {"everything, in other runs and case", {u"TOTAL", u"1.", u"tea", u"\u8336", u"\U0001D400", u"Page 1"}, 0},
        {"the table's cells lost", {u"Total", u"Page 1"}, 5},
        {"one of a character drawn twice", {u"Tota", u"Tea", u"\u8336\U0001D400\U0001D400", u"page"}, 1},
        {"nothing", {}, 14},
    };
    for (const TCase& c : cases) {
        const TTextCheck check = CheckText(Document(), Drawn(c.Runs));
        EXPECT_EQ(check.Held, 14u) << c.What;
        EXPECT_EQ(check.Missing, c.Missing) << c.What;
    }
}

TEST(ContentCheckTest, MostTextLostNeedsMoreThanHalfOfAFairAmount) {
    EXPECT_TRUE(MostTextLost({100, 51}));
    EXPECT_FALSE(MostTextLost({100, 50}));
    EXPECT_FALSE(MostTextLost({10, 10}));  // too little text to judge
    EXPECT_FALSE(MostTextLost({0, 0}));
}
