#include <gtest/gtest.h>

#include "convert/DocumentText.h"
#include "document/Document.h"

namespace {

doc::TParagraph Paragraph(std::u16string text) {
    doc::TParagraph p;
    p.Text = std::move(text);
    return p;
}

doc::TTextStorage Storage(std::initializer_list<std::u16string> paragraphs) {
    doc::TTextStorage s;
    for (const auto& t : paragraphs) s.Paragraphs.push_back(Paragraph(t));
    return s;
}

// A line per paragraph; a table's rows where it sits, cells split by tabs; then what floats.
TEST(DocumentTextTest, ParagraphsTablesFieldsAndFloatingText) {
    doc::TDocument d;
    d.Body = Storage({u"Title", u"Line one\u2028line two\u0005", u"Before \uFFFC after", u"Page \uFFFC of 2", u"\U0001F600 ok"});
    doc::TAttachment inlineTable;
    inlineTable.Position = 7;
    inlineTable.Kind = doc::TAttachmentKind::akDrawable;
    d.Body.Paragraphs[2].Attachments.push_back(inlineTable);
    doc::TAttachment pageNumber;
    pageNumber.Position = 5;
    pageNumber.Kind = doc::TAttachmentKind::akField;
    pageNumber.Field = doc::TFieldKind::fkPageNumber;
    pageNumber.FieldText = u"1";
    d.Body.Paragraphs[3].Attachments.push_back(pageNumber);

    doc::TTable table;
    table.Cells.resize(2);
    table.Cells[0].resize(2);
    table.Cells[1].resize(2);
    table.Cells[0][0].Text = Storage({u"Name"});
    table.Cells[0][1].Text = Storage({u"Price", u"(EUR)"});
    table.Cells[1][0].Text = Storage({u"Tea\tpot"});
    table.Cells[1][1].Text = Storage({});
    d.Tables.push_back(table);
    doc::TDrawable tableDrawable;
    tableDrawable.Kind = doc::TDrawableKind::dkTable;
    tableDrawable.Table = 0;
    d.Drawables.push_back(tableDrawable);

    doc::TDrawable box;
    box.Kind = doc::TDrawableKind::dkTextBox;
    box.Text = Storage({u"Sidebar"});
    d.Drawables.push_back(box);
    doc::TDrawable picture;
    picture.Kind = doc::TDrawableKind::dkImage;
    d.Drawables.push_back(picture);
    d.FloatingByPage.push_back({0, {2}, {1}});

    EXPECT_EQ(DocumentText(d),
              L"Title\n"
              L"Line one\nline two\n"
              L"Before  after\n"
              L"Name\tPrice (EUR)\n"
              L"Tea pot\t\n"
              L"Page 1 of 2\n"
              L"\U0001F600 ok\n"
              L"Sidebar\n");
}

TEST(DocumentTextTest, AnEmptyDocumentHasNoText) {
    EXPECT_EQ(DocumentText(doc::TDocument{}), L"");
}

}  // namespace
