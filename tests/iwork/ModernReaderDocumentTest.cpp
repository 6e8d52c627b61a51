// The modern reader: the root, the page, the settings and the sections with their headers.

#include <gtest/gtest.h>

#include <string>

#include "ModernDocumentBuilder.h"
#include "document/Errors.h"

using namespace iwork;
using namespace testsupport;

TEST(ModernReader, RefusesKeynoteNumbersAndOtherRoots) {
    struct TCase {
        std::uint32_t RootType;
        bool WithShow;  // Keynote's root has its show in field 2; Numbers' has none
        const char* Expected;
    };
    const TCase cases[] = {
        {1, true, "a Keynote presentation, not a Pages document"},
        {1, false, "a Numbers spreadsheet, not a Pages document"},
    };
    for (const auto& c : cases) {
        TDocumentBuilder b;
        if (c.WithShow) b.Root.Reference(2, 5);
        TModernPackage package;
        try {
            ReadModernDocument(b.Store(c.RootType), package);
            ADD_FAILURE() << "no error for " << c.Expected;
        } catch (const doc::ENotPagesDocument& e) {
            EXPECT_STREQ(e.what(), c.Expected);
        }
    }
    TDocumentBuilder b;
    EXPECT_EQ(Message([&] { ReadModernDocument(b.Store(kStorage), TModernPackage()); }),
              "Object 1 is not a Pages document (its type is 2001)");
    TObjectStore empty;
    EXPECT_EQ(Message([&] { ReadModernDocument(empty, TModernPackage()); }), "Object 1, the document, is missing");
}

TEST(ModernReader, PageSetupSettingsAndTitle) {
    TDocumentBuilder b;
    b.Root = TProtoWriter();
    b.Root.Float(30, 595.28f).Float(31, 841.89f).Float(32, 50).Float(33, 40).Float(34, 30).Float(35, 20)
        .Float(36, 10).Float(37, 12);
    // Settings: no body (a page-layout document), headers off, footers on, endnotes in
    // roman numerals restarting each section, a 14-point gap.
    b.Root.Reference(7, b.Add(kSettings, TProtoWriter().Bool(1, false).Bool(2, false).Bool(3, true)
                                             .Varint(30, 1).Varint(31, 1).Varint(32, 2).Varint(33, 14)));
    const doc::TDocument d = b.Read();
    EXPECT_EQ(d.Title, L"Test");
    EXPECT_NEAR(d.Page.Width, 595.28, 0.01);
    EXPECT_NEAR(d.Page.Height, 841.89, 0.01);
    EXPECT_EQ(d.Page.Left, 50);
    EXPECT_EQ(d.Page.Right, 40);
    EXPECT_EQ(d.Page.Top, 30);
    EXPECT_EQ(d.Page.Bottom, 20);
    EXPECT_EQ(d.Page.HeaderMargin, 10);
    EXPECT_EQ(d.Page.FooterMargin, 12);
    EXPECT_FALSE(d.HasBody);
    EXPECT_FALSE(d.HeadersOn);
    EXPECT_TRUE(d.FootersOn);
    EXPECT_EQ(d.PageCount, 1u);
    EXPECT_EQ(d.FootnoteSettings.Kind, doc::TFootnoteKind::fnEndnotes);
    EXPECT_EQ(d.FootnoteSettings.Format, doc::TNumberFormat::nfLowerRoman);
    EXPECT_EQ(d.FootnoteSettings.Numbering, doc::TFootnoteNumbering::fnSection);
    EXPECT_EQ(d.FootnoteSettings.Gap, 14);
    ASSERT_EQ(d.Sections.size(), 1u);
}

TEST(ModernReader, SectionsTakeTheirPageMasters) {
    TDocumentBuilder b;
    auto master = [&](const std::string& header, const std::string& footer) {
        // Three header storages (left, centre, right), then three footer storages.
        TProtoWriter m;
        for (const std::string& text : {header, std::string(), std::string()})
            m.Reference(1, b.Add(kStorage, Storage(text)));
        for (const std::string& text : {std::string(), footer, std::string()})
            m.Reference(2, b.Add(kStorage, Storage(text)));
        return b.Add(kPageMaster, m);
    };
    const auto cover = master("Cover", ""), odd = master("Odd", "Page");
    const auto first = b.Add(kSection, TProtoWriter().Bool(18, true).Reference(23, cover).Reference(25, odd));
    // The second section keeps the first one's masters ("same as previous").
    const auto second = b.Add(kSection, TProtoWriter().Bool(17, true).Bool(19, true).Varint(21, 1).Varint(22, 5));
    b.Body(Storage("one\ntwo\nthree").Message(17, ObjectTable({{0, first}, {8, second}})));
    const doc::TDocument d = b.Read();
    ASSERT_EQ(d.Sections.size(), 2u);
    EXPECT_TRUE(d.Sections[0].FirstPageDifferent);
    EXPECT_EQ(Texts(d.Sections[0].First.Header.Left), (std::vector<std::u16string>{u"Cover"}));
    EXPECT_TRUE(d.Sections[0].First.Header.Center.Empty());
    EXPECT_EQ(Texts(d.Sections[0].Odd.Footer.Center), (std::vector<std::u16string>{u"Page"}));
    EXPECT_TRUE(d.Sections[0].Even.Header.Empty());
    EXPECT_EQ(d.Sections[1].FirstParagraph, 2u);
    EXPECT_TRUE(d.Sections[1].EvenOddDifferent);
    EXPECT_EQ(d.Sections[1].PageNumberStartAt, 5);
    EXPECT_EQ(Texts(d.Sections[1].Odd.Header.Left), (std::vector<std::u16string>{u"Odd"}));
    EXPECT_EQ(d.Body.Paragraphs[1].Section, 0u);
    EXPECT_EQ(d.Body.Paragraphs[2].Section, 1u);
}
