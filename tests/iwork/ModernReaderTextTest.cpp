// The modern reader: text storages, their paragraphs, runs, links, drop caps, lists and the
// attachments that stand in the text (fields, footnotes, objects left out).

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "ModernDocumentBuilder.h"

using namespace iwork;
using namespace testsupport;

TEST(ModernReader, CharacterRunsEndAtAnEntryWithoutAStyle) {
    TDocumentBuilder b;
    const auto body = b.Add(kParagraphStyle, Style("Body", 0, Font(14, "Times-Roman")));
    const auto emphasis = b.Add(kCharacterStyle, Style("Emphasis", 0, TProtoWriter().Bool(2, true)));
    const auto strong = b.Add(kCharacterStyle, Style("", emphasis, TProtoWriter().Bool(1, true).Float(3, 9)));
    // "plain strong plain" then a second paragraph the bold style reaches into.
    b.Body(Storage("plain strong plain\nnext")
               .Message(5, ObjectTable({{0, body}}))
               .Message(8, ObjectTable({{6, strong}, {12, 0}, {21, strong}})));
    const doc::TDocument d = b.Read();
    ASSERT_EQ(d.Body.Paragraphs.size(), 2u);
    const auto& runs = d.Body.Paragraphs[0].Runs;
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].Start, 0u);
    EXPECT_EQ(runs[0].End, 6u);
    EXPECT_FALSE(runs[0].Style->Italic);
    EXPECT_EQ(runs[1].Start, 6u);
    EXPECT_EQ(runs[1].End, 12u);
    EXPECT_TRUE(runs[1].Style->Bold);
    EXPECT_TRUE(runs[1].Style->Italic);  // from the character style's parent
    EXPECT_EQ(runs[1].Style->FontSize, 9);
    EXPECT_EQ(runs[1].Style->FontName, L"Times-Roman");  // from the paragraph style
    EXPECT_EQ(runs[2].Start, 12u);
    EXPECT_EQ(runs[2].End, 18u);
    EXPECT_EQ(runs[2].Style, d.Body.Paragraphs[0].Style->Character);
    const auto& next = d.Body.Paragraphs[1].Runs;
    ASSERT_EQ(next.size(), 2u);
    EXPECT_EQ(next[0].End, 2u);
    EXPECT_TRUE(next[1].Style->Bold);
    EXPECT_EQ(next[1].End, 4u);
}

// A link splits the runs it covers and may run on into the next paragraph; other smart fields
// and links without a target leave the text alone.
TEST(ModernReader, HyperlinksMarkTheRunsTheyCover) {
    TDocumentBuilder b;
    const auto strong = b.Add(kCharacterStyle, Style("Strong", 0, TProtoWriter().Bool(1, true)));
    const auto site = b.Add(kHyperlink, TProtoWriter().String(2, "https://example.com/a b"));
    const auto mail = b.Add(kHyperlink, TProtoWriter().String(2, "mailto:me@example.com"));
    const auto empty = b.Add(kHyperlink, TProtoWriter());
    const auto other = b.Add(kCharacterStyle, Style("NotALink", 0, TProtoWriter()));
    // "see our site now\nwrite me\nend": the site's link covers "our si" (half of it strong),
    // mail's "w\nwrite", then a field without a target and one of another kind.
    b.Body(Storage("see our site now\nwrite me\nend")
               .Message(8, ObjectTable({{8, strong}, {12, 0}}))
               .Message(11, ObjectTable({{0, 0}, {4, site}, {10, 0}, {15, mail}, {22, empty}, {25, other}, {28, 0}})));
    const doc::TDocument d = b.Read();
    ASSERT_EQ(d.Body.Paragraphs.size(), 3u);
    struct TRunOf {
        std::uint32_t Start, End;
        bool Bold;
        std::wstring Link;
    };
    auto runs = [&](std::size_t i) {
        std::vector<TRunOf> out;
        for (const auto& r : d.Body.Paragraphs[i].Runs)
            out.push_back({r.Start, r.End, r.Style->Bold, r.Style->Link < 0 ? L"" : d.Links.at(std::size_t(r.Style->Link))});
        return out;
    };
    auto same = [](const std::vector<TRunOf>& got, const std::vector<TRunOf>& want) {
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].Start, want[i].Start) << i;
            EXPECT_EQ(got[i].End, want[i].End) << i;
            EXPECT_EQ(got[i].Bold, want[i].Bold) << i;
            EXPECT_EQ(got[i].Link, want[i].Link) << i;
        }
    };
    const std::wstring siteLink = L"https://example.com/a b", mailLink = L"mailto:me@example.com";
    same(runs(0), {{0, 4, false, L""}, {4, 8, false, siteLink}, {8, 10, true, siteLink}, {10, 12, true, L""},
                   {12, 15, false, L""}, {15, 16, false, mailLink}});
    same(runs(1), {{0, 5, false, mailLink}, {5, 8, false, L""}});
    same(runs(2), {{0, 3, false, L""}});
}

// Many links in one paragraph, all naming one target: the target is kept once, and every
// other letter is linked.
TEST(ModernReader, ALinkNamedManyTimesIsKeptOnce) {
    TDocumentBuilder b;
    const auto site = b.Add(kHyperlink, TProtoWriter().String(2, std::string(1000, 'x')));
    const std::size_t letters = 2000;
    TProtoWriter fields;
    for (std::uint32_t i = 0; i < letters; ++i) {
        TProtoWriter entry;
        entry.Varint(1, i);
        if (i % 2 == 0) entry.Reference(2, site);
        fields.Message(1, entry);
    }
    b.Body(Storage(std::string(letters, 'a')).Message(11, fields));
    const doc::TDocument d = b.Read();
    ASSERT_EQ(d.Body.Paragraphs.size(), 1u);
    EXPECT_EQ(d.Links.size(), 1u);
    const auto& runs = d.Body.Paragraphs[0].Runs;
    ASSERT_EQ(runs.size(), letters);
    for (std::uint32_t i = 0; i < letters; ++i) {
        EXPECT_EQ(runs[i].Start, i);
        EXPECT_EQ(runs[i].End, i + 1);
        EXPECT_EQ(runs[i].Style->Link, i % 2 == 0 ? 0 : -1) << i;
    }
}

// A drop cap belongs to the paragraph at whose start its entry stands, and to no later one.
TEST(ModernReader, DropCapsTakeTheirLinesCharactersAndLook) {
    TDocumentBuilder b;
    auto capStyle = [&](std::uint64_t lines, std::uint64_t characters) {
        return b.Add(kDropCapStyle, TProtoWriter()
                                        .Message(1, StyleRecord("dropcap"))
                                        .Message(11, TProtoWriter().Bool(1, true).String(5, "Georgia"))
                                        .Message(12, TProtoWriter().Message(1, TProtoWriter().Varint(2, lines).Varint(10, characters))));
    };
    const auto three = capStyle(3, 2), one = capStyle(1, 1);
    const auto notACap = b.Add(kCharacterStyle, Style("Strong", 0, TProtoWriter().Bool(1, true)));
    b.Body(Storage("Capped\nnext\none line\nwrong kind\n")
               .Message(28, ObjectTable({{0, three}, {12, one}, {21, notACap}, {32, 0}})));
    const doc::TDocument d = b.Read();
    ASSERT_EQ(d.Body.Paragraphs.size(), 5u);
    ASSERT_EQ(d.Body.Paragraphs[0].DropCap, 0);
    ASSERT_EQ(d.DropCaps.size(), 1u);
    const auto* cap = &d.DropCaps[0];
    EXPECT_EQ(cap->Lines, 3);
    EXPECT_EQ(cap->Characters, 2);
    EXPECT_TRUE(cap->Style.Bold);
    EXPECT_EQ(cap->Style.FontName, L"Georgia");
    EXPECT_FALSE(d.Body.Paragraphs[0].Runs.front().Style->Bold);  // the text keeps its own look
    for (std::size_t i = 1; i < 5; ++i) EXPECT_EQ(d.Body.Paragraphs[i].DropCap, -1) << i;
}

TEST(ModernReader, PageBreakEndsItsParagraphAndStaysInIt) {
    TDocumentBuilder b;
    b.Body(Storage("Cover\x05Summary\n"));
    const doc::TDocument d = b.Read();
    // The text after the break is the next paragraph; a final newline leaves an empty one.
    EXPECT_EQ(Texts(d.Body), (std::vector<std::u16string>{u"Cover\u0005", u"Summary", u""}));
    EXPECT_EQ(d.Body.Paragraphs[2].Runs.size(), 1u);
}

// The text arrives in pieces that are decoded one by one (a sequence cut between two is
// malformed) and is converted paragraph by paragraph; positions count UTF-16 units.
TEST(ModernReader, TextPiecesDecodeApartAndPositionsCountUtf16Units) {
    TDocumentBuilder b;
    const auto strong = b.Add(kCharacterStyle, Style("Strong", 0, TProtoWriter().Bool(1, true)));
    b.Body(TProtoWriter()
               .Varint(1, 0)
               .String(3, "Caf\xC3\xA9 \xF0\x9F\x98\x80\nSplit \xE2\x80")  // ends inside a sequence
               .String(3, "\xA9tail\xE2\x80\xA9")                          // a stray continuation byte
               .String(3, "\xC3(\n\x05next\x04last")                       // a lead byte without its tail
               .Message(8, ObjectTable({{17, strong}, {21, 0}, {33, strong}})));
    const doc::TDocument d = b.Read();
    EXPECT_EQ(Texts(d.Body), (std::vector<std::u16string>{u"Caf\u00E9 \U0001F600", u"Split \uFFFD\uFFFD\uFFFDtail",
                                                          u"\uFFFD(", u"\u0005", u"next", u"last"}));
    std::vector<std::uint32_t> starts;
    for (const auto& p : d.Body.Paragraphs) starts.push_back(p.StorageStart);
    EXPECT_EQ(starts, (std::vector<std::uint32_t>{0, 8, 22, 25, 26, 31}));
    const auto& runs = d.Body.Paragraphs[1].Runs;
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].Start, 9u);  // "tail", after three replacement characters
    EXPECT_TRUE(runs[1].Style->Bold);
    ASSERT_EQ(d.Body.Paragraphs[5].Runs.size(), 2u);
    EXPECT_EQ(d.Body.Paragraphs[5].Runs[1].Start, 2u);
}

TEST(ModernReader, ListLevelsStylesAndRestarts) {
    TDocumentBuilder b;
    const auto body = b.Add(kParagraphStyle, Style("Body", 0, Font(10)));
    TProtoWriter numbered;
    numbered.Message(1, StyleRecord("Numbered"))
        .PackedVarints(11, {3, 2})       // number, then bullet
        .PackedFloats(12, {1.8f, 1.5f})  // text indents, in ems
        .PackedFloats(13, {0, 18})       // label indents, in points
        .PackedVarints(15, {1, 0})       // "(1)"
        .String(16, "")
        .String(16, "\xE2\x80\x93");
    const auto list = b.Add(kListStyle, numbered);
    // A variation that changes only the second level's bullet keeps the rest.
    const auto variation =
        b.Add(kListStyle, TProtoWriter().Message(1, StyleRecord("", list)).String(16, "").String(16, "*"));
    const auto none = b.Add(kListStyle, TProtoWriter().Message(1, StyleRecord("None")).PackedVarints(11, {0, 0}));
    b.Body(Storage("a\nb\nc\nplain\nd")
               .Message(5, ObjectTable({{0, body}}))
               .Message(7, ObjectTable({{0, list}, {6, none}, {12, variation}}))
               .Message(6, DataTable({{0, 0, 0}, {2, 1, 0}, {4, 0, 0}}))
               .Message(14, DataTable({{0, 1, 0}, {2, 0, 0}, {12, 3, 0}})));
    const doc::TDocument d = b.Read();
    const auto& p = d.Body.Paragraphs;
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(p[0].ListStyle, 0);
    EXPECT_EQ(p[0].ListLevel, 0);
    EXPECT_EQ(p[0].ListStartAt, 1);
    EXPECT_EQ(p[1].ListStyle, 0);
    EXPECT_EQ(p[1].ListLevel, 1);
    EXPECT_FALSE(p[1].ListStartAt);
    EXPECT_EQ(p[2].ListStyle, 0);  // the same style once in the document's list
    EXPECT_EQ(p[3].ListStyle, -1);  // a list style without a label
    EXPECT_EQ(p[4].ListStyle, 1);
    EXPECT_EQ(p[4].ListStartAt, 3);
    ASSERT_EQ(d.ListStyles.size(), 2u);
    const auto& levels = d.ListStyles[0].Levels;
    ASSERT_EQ(levels.size(), 2u);
    EXPECT_EQ(d.ListStyles[0].Name, L"Numbered");
    EXPECT_EQ(levels[0].Label, doc::TListLabel::llNumber);
    EXPECT_EQ(levels[0].Prefix, u"(");
    EXPECT_EQ(levels[0].Suffix, u")");
    EXPECT_NEAR(levels[0].TextIndent, 18, 0.01);  // 1.8 em of 10 points
    EXPECT_EQ(levels[1].Label, doc::TListLabel::llString);
    EXPECT_EQ(levels[1].Bullet, u"\u2013");
    EXPECT_EQ(levels[1].Indent, 18);
    EXPECT_EQ(d.ListStyles[1].Levels[1].Bullet, u"*");
    EXPECT_EQ(d.ListStyles[1].Levels[0].Label, doc::TListLabel::llNumber);
}

TEST(ModernReader, FieldsFootnotesAndLeftOutObjects) {
    TDocumentBuilder b;
    const auto pageNumber =
        b.Add(kNumberAttachment, TProtoWriter().Message(1, TProtoWriter().Varint(2, 0)).String(3, "7"));
    const auto pageCount = b.Add(kNumberAttachment, TProtoWriter().Message(1, TProtoWriter().Varint(2, 1)));
    const auto note = b.Add(kFootnote, TProtoWriter().Reference(2, b.Add(kStorage, Storage("A note."))).String(3, "*"));
    const auto chart = b.Add(kChart, TProtoWriter().Message(1, DrawableRecord(0, 0, 200, 100, 0)));
    const auto chartAttachment = b.Add(kDrawableAttachment, TProtoWriter().Reference(1, chart));
    b.Body(Storage("Page \xEF\xBF\xBC of \xEF\xBF\xBC\xEF\xBF\xBC \xEF\xBF\xBC")
               .Message(9, ObjectTable({{5, pageNumber}, {10, pageCount}, {13, chartAttachment}}))
               .Message(16, ObjectTable({{11, note}})));
    const doc::TDocument d = b.Read();
    ASSERT_EQ(d.Body.Paragraphs.size(), 1u);
    const auto& a = d.Body.Paragraphs[0].Attachments;
    ASSERT_EQ(a.size(), 4u);
    EXPECT_EQ(a[0].Kind, doc::TAttachmentKind::akField);
    EXPECT_EQ(a[0].Field, doc::TFieldKind::fkPageNumber);
    EXPECT_EQ(a[0].FieldText, u"7");
    EXPECT_EQ(a[1].Field, doc::TFieldKind::fkPageCount);
    EXPECT_EQ(a[2].Kind, doc::TAttachmentKind::akFootnote);
    EXPECT_EQ(a[2].Position, 11u);
    ASSERT_EQ(d.Footnotes.size(), 1u);
    EXPECT_EQ(Texts(d.Footnotes[0].Text), (std::vector<std::u16string>{u"A note."}));
    EXPECT_EQ(d.Footnotes[0].CustomMark, u"*");
    EXPECT_EQ(a[3].Kind, doc::TAttachmentKind::akDrawable);
    EXPECT_EQ(d.Drawables.at(a[3].Index).Kind, doc::TDrawableKind::dkUnsupported);
    EXPECT_EQ(d.Drawables.at(a[3].Index).What, L"chart");
    EXPECT_EQ(d.LeftOut, (std::map<std::wstring, int>{{L"chart", 1}}));
}
