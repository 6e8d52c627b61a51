// The modern reader: documents built here object by object with the IWA writer, and the
// real documents of the corpus.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <array>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "iwork/Errors.h"
#include "iwork/ModernReader.h"
#include "iwork/ObjectStore.h"
#include "iwork/Tables.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "support/IwaWriter.h"
#include "support/TestSupport.h"
#include "support/ZipWriter.h"
#include "zip/ZipFile.h"

using namespace iwork;
using testsupport::IwaArchives;
using testsupport::TScratchFolder;
using testsupport::TBytes;
using testsupport::TIwaObject;
using testsupport::TProtoWriter;

namespace {

// Message types, as Pages writes them.
constexpr std::uint32_t kDocument = 10000, kSettings = 10012, kSection = 10011, kPageMaster = 10143,
                        kFloating = 10010, kStorage = 2001, kDrawableAttachment = 2003, kFootnote = 2008,
                        kTextBox = 2011, kCharacterStyle = 2021, kParagraphStyle = 2022, kListStyle = 2023,
                        kHyperlink = 2032, kDropCapStyle = 10024,
                        kNumberAttachment = 2043, kImage = 3005, kMask = 3006, kChart = 5021, kTableInfo = 6000,
                        kTableModel = 6001, kTile = 6002, kDataList = 6005, kMetadata = 11006;

struct TEntry {
    std::uint32_t Index;
    std::uint64_t Object;  // 0: an entry naming nothing
};

// {1 entries {1 character index, 2 object}}
TProtoWriter ObjectTable(std::initializer_list<TEntry> entries) {
    TProtoWriter table;
    for (const auto& e : entries) {
        TProtoWriter entry;
        entry.Varint(1, e.Index);
        if (e.Object != 0) entry.Reference(2, e.Object);
        table.Message(1, entry);
    }
    return table;
}

// {1 entries {1 character index, 2 first, 3 second}}
TProtoWriter DataTable(std::initializer_list<std::array<std::uint64_t, 3>> entries) {
    TProtoWriter table;
    for (const auto& e : entries) table.Message(1, TProtoWriter().Varint(1, e[0]).Varint(2, e[1]).Varint(3, e[2]));
    return table;
}

// {1 name, 3 parent, 4 is variation}
TProtoWriter StyleRecord(const std::string& name, std::uint64_t parent = 0) {
    TProtoWriter record;
    if (!name.empty()) record.String(1, name);
    if (parent != 0) record.Reference(3, parent).Bool(4, true);
    return record;
}

// A style {1 record, 11 properties}: character properties for paragraph and character
// styles (paragraph styles add theirs in 12).
TProtoWriter Style(const std::string& name, std::uint64_t parent, const TProtoWriter& properties) {
    return TProtoWriter().Message(1, StyleRecord(name, parent)).Message(11, properties);
}

// Character properties {3 size, 5 font name}.
TProtoWriter Font(float size, const std::string& name = "") {
    TProtoWriter font;
    font.Float(3, size);
    if (!name.empty()) font.String(5, name);
    return font;
}

TProtoWriter Size(float w, float h) { return TProtoWriter().Float(1, w).Float(2, h); }

// {1 position, 2 size}
TProtoWriter Geometry(float x, float y, float w, float h) {
    return TProtoWriter().Message(1, Size(x, y)).Message(2, Size(w, h));
}

// A drawable record: geometry and a text wrap of the given type (0: inline).
TProtoWriter DrawableRecord(float x, float y, float w, float h, std::uint64_t wrapType) {
    return TProtoWriter().Message(1, Geometry(x, y, w, h)).Message(3, TProtoWriter().Varint(1, wrapType).Float(4, 8));
}

// A text box {1 shape {1 drawable}, 4 storage, 6 is a text box}.
TProtoWriter TextBox(const TProtoWriter& drawable, std::uint64_t storage = 0) {
    TProtoWriter box;
    box.Message(1, TProtoWriter().Message(1, drawable));
    if (storage != 0) box.Reference(4, storage);
    return box.Bool(6, true);
}

class TDocumentBuilder {
public:
    TDocumentBuilder() { Root.Float(30, 612).Float(31, 792); }

    std::uint64_t Add(std::uint32_t type, const TProtoWriter& payload) {
        FObjects.emplace_back(FNext, type, payload.Data());
        return FNext++;
    }
    // A body storage of the root.
    std::uint64_t Body(const TProtoWriter& storage) {
        const std::uint64_t id = Add(kStorage, storage);
        Root.Reference(4, id);
        return id;
    }
    TObjectStore Store(std::uint32_t rootType = kDocument) const {
        std::vector<TIwaObject> objects = FObjects;
        objects.emplace_back(1, rootType, Root.Data());
        TObjectStore store;
        store.AddArchives(IwaArchives(objects));
        return store;
    }
    doc::TDocument Read(const std::wstring& dataFolder = {}) const {
        TModernPackage package;
        package.DataFolder = dataFolder;
        package.Title = L"Test";
        return ReadModernDocument(Store(), package);
    }

    TProtoWriter Root;

private:
    std::vector<TIwaObject> FObjects;
    std::uint64_t FNext = 100;
};

TProtoWriter Storage(const std::string& text) { return TProtoWriter().Varint(1, 0).String(3, text); }

std::u16string U16(const std::string& utf8) {
    const std::wstring wide = platform::FromUtf8(utf8);
    return std::u16string(wide.begin(), wide.end());
}

std::vector<std::u16string> Texts(const doc::TTextStorage& storage) {
    std::vector<std::u16string> texts;
    for (const auto& p : storage.Paragraphs) texts.push_back(p.Text);
    return texts;
}

std::string Message(const std::function<void()>& read) {
    try {
        read();
    } catch (const EDamagedDocument& e) {
        return e.what();
    }
    return "no error";
}

}  // namespace

// --- The root and the page ---------------------------------------------------------------

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
        } catch (const ENotPagesDocument& e) {
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

// --- Text ----------------------------------------------------------------------------

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
    const auto& one = d.Body.Paragraphs[0].Style;
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
    const auto& three = d.Body.Paragraphs[2].Style;
    EXPECT_EQ(three.Name, L"Heading");
    EXPECT_EQ(three.Character.FontName, L"HelveticaNeue-BoldItalic");
    EXPECT_TRUE(three.Character.Bold);  // from the face in its name
    EXPECT_TRUE(three.Character.Italic);
    EXPECT_FALSE(d.Body.Paragraphs[3].Style.Character.Bold);
    EXPECT_EQ(d.Body.Paragraphs[3].StorageStart, 14u);
    EXPECT_EQ(d.Body.Paragraphs[4].Style.Name, L"TOC");
    EXPECT_EQ(d.Body.Paragraphs[4].Style.Character.FontSize, 9);
    EXPECT_EQ(d.Body.Paragraphs[4].Style.Character.FontName, L"Georgia");
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
        const auto& s = d.Body.Paragraphs[0].Style;
        EXPECT_EQ(s.LineSpacingMode, c.Mode) << c.Amount;
        EXPECT_EQ(s.LineSpacing, c.Amount) << c.Amount;
        EXPECT_EQ(s.BaselineRule, c.Rule) << c.Amount;
    }
}

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
    EXPECT_FALSE(runs[0].Style.Italic);
    EXPECT_EQ(runs[1].Start, 6u);
    EXPECT_EQ(runs[1].End, 12u);
    EXPECT_TRUE(runs[1].Style.Bold);
    EXPECT_TRUE(runs[1].Style.Italic);  // from the character style's parent
    EXPECT_EQ(runs[1].Style.FontSize, 9);
    EXPECT_EQ(runs[1].Style.FontName, L"Times-Roman");  // from the paragraph style
    EXPECT_EQ(runs[2].Start, 12u);
    EXPECT_EQ(runs[2].End, 18u);
    EXPECT_EQ(runs[2].Style, d.Body.Paragraphs[0].Style.Character);
    const auto& next = d.Body.Paragraphs[1].Runs;
    ASSERT_EQ(next.size(), 2u);
    EXPECT_EQ(next[0].End, 2u);
    EXPECT_TRUE(next[1].Style.Bold);
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
            out.push_back({r.Start, r.End, r.Style.Bold, r.Style.Link < 0 ? L"" : d.Links.at(std::size_t(r.Style.Link))});
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
        EXPECT_EQ(runs[i].Style.Link, i % 2 == 0 ? 0 : -1) << i;
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
    EXPECT_FALSE(d.Body.Paragraphs[0].Runs.front().Style.Bold);  // the text keeps its own look
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
    EXPECT_TRUE(runs[1].Style.Bold);
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

// --- Attachments ------------------------------------------------------------------------

TEST(ModernReader, InlinePictureTakesItsDataFileAndCrop) {
    TScratchFolder scratch;
    testsupport::WriteFile(scratch / L"Data\\photo-12.png", std::string("png"));
    TDocumentBuilder b;
    const auto mask = b.Add(kMask, TProtoWriter().Message(1, TProtoWriter().Message(1, Geometry(10, 5, 80, 40))));
    TProtoWriter image;
    image.Message(1, DrawableRecord(300, 400, 100, 50, 0))
        .Message(11, TProtoWriter().Varint(1, 12))  // data
        .Message(12, TProtoWriter().Varint(1, 13))  // thumbnail, not in Data/
        .Message(9, Size(800, 400))
        .Reference(5, mask);
    const auto picture = b.Add(kImage, image);
    const auto attachment = b.Add(kDrawableAttachment, TProtoWriter().Reference(1, picture));
    b.Body(Storage("See \xEF\xBF\xBC here").Message(9, ObjectTable({{4, attachment}})));
    // The package's data list: {1 identifier, 3 preferred name, 4 file name}.
    std::vector<TIwaObject> metadata;
    TProtoWriter data;
    data.Message(4, TProtoWriter().Varint(1, 12).String(3, "photo.png").String(4, "photo-12.png"));
    data.Message(4, TProtoWriter().Varint(1, 13).String(3, "photo-small.png"));
    TObjectStore store = b.Store();
    store.AddArchives(IwaArchives({TIwaObject(2, kMetadata, data.Data())}));
    TModernPackage package;
    package.DataFolder = scratch / L"Data";
    const doc::TDocument d = ReadModernDocument(store, package);

    ASSERT_EQ(d.Body.Paragraphs.size(), 1u);
    const auto& attachments = d.Body.Paragraphs[0].Attachments;
    ASSERT_EQ(attachments.size(), 1u);
    EXPECT_EQ(attachments[0].Position, 4u);
    EXPECT_EQ(attachments[0].Kind, doc::TAttachmentKind::akDrawable);
    const doc::TDrawable& drawable = d.Drawables.at(attachments[0].Index);
    EXPECT_EQ(drawable.Kind, doc::TDrawableKind::dkImage);
    EXPECT_TRUE(drawable.Inline);
    EXPECT_EQ(drawable.Frame, (doc::TRect{0, 0, 100, 50}));
    EXPECT_EQ(drawable.Image.FilePath, scratch / L"Data\\photo-12.png");
    EXPECT_EQ(drawable.Image.ThumbnailPath, L"");
    EXPECT_EQ(drawable.Image.NaturalWidth, 800);
    ASSERT_TRUE(drawable.Image.Crop);
    EXPECT_EQ(*drawable.Image.Crop, (doc::TRect{10, 5, 80, 40}));
    EXPECT_TRUE(drawable.Image.MaskPath.empty());  // a rectangle: the crop says it all
}

// Pages names data files in UTF-8 without the ZIP's UTF-8 flag: unpacked, such a name reads as
// code page 437 would; the picture is found under either name.
TEST(ModernReader, PictureNamedInUtf8WithoutTheZipFlagIsFound) {
    const std::string name = "\xE5\xB1\x8F\xE5\xB9\x95 2017-09-27-18.png";  // "屏幕 2017-09-27-18.png"
    for (const bool flagged : {false, true}) {
        TScratchFolder scratch;
        testsupport::TZipWriter writer;
        writer.Add(testsupport::MakeEntry("Data/" + name, "png", testsupport::kZipStored,
                                          flagged ? testsupport::kZipFlagUtf8 : 0));
        writer.Finish();
        testsupport::WriteFile(scratch / L"doc.pages", writer.Bytes());
        TZipFile zip;
        zip.Open(scratch / L"doc.pages", zmRead);
        zip.ExtractAll(scratch / L"unpacked");
        zip.Close();

        TDocumentBuilder b;
        TProtoWriter image;
        image.Message(1, DrawableRecord(300, 400, 100, 50, 0)).Message(11, TProtoWriter().Varint(1, 18));
        const auto attachment = b.Add(kDrawableAttachment, TProtoWriter().Reference(1, b.Add(kImage, image)));
        b.Body(Storage("\xEF\xBF\xBC").Message(9, ObjectTable({{0, attachment}})));
        TObjectStore store = b.Store();
        TProtoWriter data;
        data.Message(4, TProtoWriter().Varint(1, 18).String(3, name).String(4, name));
        store.AddArchives(IwaArchives({TIwaObject(2, kMetadata, data.Data())}));
        TModernPackage package;
        package.DataFolder = scratch / L"unpacked\\Data";
        const doc::TDocument d = ReadModernDocument(store, package);

        ASSERT_EQ(d.Drawables.size(), 1u);
        const std::wstring path = d.Drawables[0].Image.FilePath;
        ASSERT_FALSE(path.empty()) << "flag set: " << flagged;
        EXPECT_EQ(testsupport::ReadFile(path), testsupport::ToBytes("png")) << "flag set: " << flagged;
    }
}

// A mask of another shape keeps its outline, where the crop puts it; a rectangular one none.
TEST(ModernReader, AMaskOfAnotherShapeKeepsItsOutline) {
    auto element = [](std::uint64_t kind, float x, float y) {
        return TProtoWriter().Varint(1, kind).Message(2, TProtoWriter().Float(1, x).Float(2, y));
    };
    auto read = [&](std::initializer_list<std::array<float, 2>> corners) {
        TProtoWriter path;
        bool first = true;
        for (const auto& c : corners) {
            path.Message(1, element(first ? 1 : 2, c[0], c[1]));
            first = false;
        }
        path.Message(1, TProtoWriter().Varint(1, 5));
        TDocumentBuilder b;
        const auto source = TProtoWriter().Message(5, TProtoWriter().Message(2, Size(100, 100)).Message(3, path));
        const auto mask = b.Add(kMask, TProtoWriter()
                                           .Message(1, TProtoWriter().Message(1, Geometry(10, 5, 80, 40)))
                                           .Message(2, source));
        TProtoWriter image;
        image.Message(1, DrawableRecord(0, 0, 100, 50, 0)).Reference(5, mask);
        const auto attachment = b.Add(kDrawableAttachment, TProtoWriter().Reference(1, b.Add(kImage, image)));
        b.Body(Storage("\xEF\xBF\xBC").Message(9, ObjectTable({{0, attachment}})));
        return b.Read().Drawables.at(0).Image.MaskPath;
    };
    const auto triangle = read({{0, 0}, {100, 0}, {50, 100}});
    ASSERT_EQ(triangle.size(), 4u);
    EXPECT_EQ(triangle[0].P, (doc::TPoint{10, 5}));
    EXPECT_EQ(triangle[1].P, (doc::TPoint{90, 5}));
    EXPECT_EQ(triangle[2].P, (doc::TPoint{50, 45}));
    EXPECT_TRUE(read({{0, 0}, {100, 0}, {100, 100}, {0, 100}}).empty());
}

TEST(ModernReader, FloatingAttachmentsAnchorToTheirParagraph) {
    TDocumentBuilder b;
    const auto inside = b.Add(kStorage, Storage("Inside"));
    const auto textBox = b.Add(kTextBox, TextBox(DrawableRecord(72, 300, 200, 60, 2), inside));
    const auto attachment = b.Add(kDrawableAttachment, TProtoWriter().Reference(1, textBox));
    b.Body(Storage("First\nAnchor \xEF\xBF\xBC").Message(9, ObjectTable({{13, attachment}})));
    const doc::TDocument d = b.Read();
    ASSERT_EQ(d.Body.Paragraphs.size(), 2u);
    EXPECT_TRUE(d.Body.Paragraphs[1].Attachments.empty());  // drawn where it floats
    ASSERT_EQ(d.Drawables.size(), 1u);
    const doc::TDrawable& drawable = d.Drawables[0];
    EXPECT_EQ(drawable.Kind, doc::TDrawableKind::dkTextBox);
    EXPECT_FALSE(drawable.Inline);
    EXPECT_EQ(drawable.AnchorParagraph, 1u);
    EXPECT_EQ(drawable.Frame, (doc::TRect{72, 300, 200, 60}));
    EXPECT_EQ(drawable.Wrap.Kind, doc::TWrapKind::wkAboveAndBelow);
    EXPECT_EQ(drawable.Wrap.Margin, 8);
    EXPECT_EQ(Texts(drawable.Text), (std::vector<std::u16string>{u"Inside"}));
    EXPECT_FALSE(drawable.AnchorOffset);
}

TEST(ModernReader, AnchoredObjectsKeepTheirOffsetFromTheAnchorsLine) {
    // Attachment field 4 says what the vertical offset (5) counts from: 0 the line, 1 the page.
    for (const std::uint64_t from : {0u, 1u}) {
        SCOPED_TRACE(from);
        TDocumentBuilder b;
        const auto inside = b.Add(kStorage, Storage("Inside"));
        const auto textBox = b.Add(kTextBox, TextBox(DrawableRecord(72, 300, 200, 60, 2), inside));
        const auto attachment = b.Add(
            kDrawableAttachment,
            TProtoWriter().Reference(1, textBox).Varint(2, 0).Float(3, 16).Varint(4, from).Float(5, 24.5f));
        b.Body(Storage("First\nAnchor \xEF\xBF\xBC").Message(9, ObjectTable({{13, attachment}})));
        const doc::TDocument d = b.Read();
        ASSERT_EQ(d.Drawables.size(), 1u);
        EXPECT_EQ(d.Drawables[0].AnchorOffset, from == 0 ? std::optional<double>(24.5) : std::nullopt);
        EXPECT_EQ(d.Drawables[0].Frame, (doc::TRect{72, 300, 200, 60}));  // where Pages drew it
        EXPECT_EQ(d.Drawables[0].AnchorPosition, 7u);  // its mark's place in "Anchor \uFFFC"
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
        const auto& border = d.Body.Paragraphs[0].Style.Border;
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
    ASSERT_TRUE(d.Body.Paragraphs[0].Style.Border);
    EXPECT_EQ(d.Body.Paragraphs[0].Style.Border->Offset, -3);
    EXPECT_EQ(d.Body.Paragraphs[0].Style.Border->Stroke.Width, 0.5);
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

// --- Sections, tables, floating drawables -------------------------------------------------

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

namespace {

// A tile record of the current storage: version 5, the type, flags, then the fields.
TBytes CellRecord(std::uint8_t type, std::uint32_t flags, std::initializer_list<std::uint32_t> ids) {
    TBytes r = {5, type, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) r.push_back(static_cast<std::uint8_t>(flags >> (8 * i)));
    for (std::uint32_t id : ids)
        for (int i = 0; i < 4; ++i) r.push_back(static_cast<std::uint8_t>(id >> (8 * i)));
    return r;
}

// decimal128: a 113-bit significand and a biased exponent (0x1820 is 10^0).
TBytes Decimal(std::uint64_t significand, int exponent) {
    TBytes b(16, 0);
    for (int i = 0; i < 8; ++i) b[i] = static_cast<std::uint8_t>(significand >> (8 * i));
    const unsigned biased = static_cast<unsigned>(exponent + 0x1820);
    b[14] = static_cast<std::uint8_t>((biased & 0x7F) << 1);
    b[15] = static_cast<std::uint8_t>(biased >> 7);
    return b;
}

}  // namespace

TEST(ModernReader, TableCellsSizesHeadersAndMerges) {
    TDocumentBuilder b;
    auto list = [&](std::uint32_t type, std::initializer_list<std::pair<std::uint32_t, std::string>> strings) {
        TProtoWriter l;
        l.Varint(1, type).Varint(2, 10);
        for (const auto& [key, s] : strings) l.Message(3, TProtoWriter().Varint(1, key).Varint(2, 1).String(3, s));
        return b.Add(kDataList, l);
    };
    const auto strings = list(1, {{1, "Name"}, {2, "Price"}, {3, "Both columns"}});
    TProtoWriter formats;
    // Format 1: currency (257), two decimals, euros, thousands separated.
    const TProtoWriter euros = TProtoWriter().Varint(1, 257).Varint(2, 2).String(3, "EUR").Bool(5, true);
    formats.Varint(1, 2).Varint(2, 2).Message(3, TProtoWriter().Varint(1, 1).Varint(2, 1).Message(6, euros));
    const auto formatList = b.Add(kDataList, formats);
    // Row 0: two text cells; row 1: a currency cell; row 2: one text cell merged over both columns.
    TBytes row0, row1, row2;
    TBytes a = CellRecord(3, 0x8, {1}), c = CellRecord(3, 0x8, {2});
    row0 = a;
    row0.insert(row0.end(), c.begin(), c.end());
    TBytes price = CellRecord(10, 0x1 | 0x4000, {});
    const TBytes value = Decimal(123456, -2);  // 1234.56
    price.insert(price.begin() + 12, value.begin(), value.end());
    const TBytes formatId = {1, 0, 0, 0};
    price.insert(price.end(), formatId.begin(), formatId.end());
    row1 = price;
    row2 = CellRecord(3, 0x8, {3});
    auto rowInfo = [](std::uint64_t row, const TBytes& buffer, std::initializer_list<std::uint16_t> offsets) {
        TBytes o;
        for (std::uint16_t v : offsets) { o.push_back(v & 0xFF); o.push_back(v >> 8); }
        return TProtoWriter().Varint(1, row).Varint(2, offsets.size()).Varint(5, 5).Bytes(6, buffer).Bytes(7, o);
    };
    TProtoWriter tile;
    tile.Message(5, rowInfo(0, row0, {0, static_cast<std::uint16_t>(a.size())}))
        .Message(5, rowInfo(1, row1, {0xFFFF, 0}))
        .Message(5, rowInfo(2, row2, {0, 0xFFFF}));
    const auto tileId = b.Add(kTile, tile);
    const auto columns = b.Add(6006, TProtoWriter().Message(2, TProtoWriter().Varint(1, 1).Float(2, 150)));
    TProtoWriter store;
    store.Message(3, TProtoWriter().Message(1, TProtoWriter().Varint(1, 0).Reference(2, tileId)))
        .Reference(2, columns)
        .Reference(4, strings)
        .Reference(22, formatList);
    // The merge: a colon tract over columns 0-1 of row 2, kept as a formula.
    TProtoWriter tract;
    tract.Message(3, TProtoWriter().Varint(1, 0).Varint(2, 1)).Message(4, TProtoWriter().Varint(1, 2));
    TProtoWriter merges;
    TProtoWriter node;
    node.Varint(1, 67).Message(40, tract);
    TProtoWriter formula;  // {1 AST node array {1 nodes}}
    formula.Message(1, TProtoWriter().Message(1, node));
    merges.Message(2, TProtoWriter().Message(3, TProtoWriter().Varint(1, 1).Message(2, formula)));
    // A table style: 0.5-point inner row lines (60), no border round the table (38 off).
    const auto tableStyle =
        b.Add(6003, Style("Plain", 0, TProtoWriter().Bool(38, false).Message(60, TProtoWriter().Float(2, 0.5f))));
    TProtoWriter model;
    model.String(1, "id").Reference(3, tableStyle).Message(4, store);
    model.Varint(6, 3).Varint(7, 2).String(8, "Prices").Varint(9, 1).Double(16, 20).Double(17, 100).Message(47, merges);
    const auto modelId = b.Add(kTableModel, model);
    const auto table =
        b.Add(kTableInfo, TProtoWriter().Message(1, DrawableRecord(0, 0, 250, 60, 0)).Reference(2, modelId));
    const auto attachment = b.Add(kDrawableAttachment, TProtoWriter().Reference(1, table));
    b.Body(Storage("\xEF\xBF\xBC").Message(9, ObjectTable({{0, attachment}})));
    const doc::TDocument d = b.Read();

    ASSERT_EQ(d.Tables.size(), 1u);
    const doc::TTable& t = d.Tables[0];
    EXPECT_EQ(t.Name, L"Prices");
    EXPECT_EQ(t.HeaderRows, 1);
    EXPECT_EQ(t.ColumnWidths, (std::vector<double>{100, 150}));
    EXPECT_EQ(t.RowHeights, (std::vector<double>{20, 20, 20}));
    ASSERT_EQ(t.Cells.size(), 3u);
    EXPECT_EQ(Texts(t.Cells[0][0].Text), (std::vector<std::u16string>{u"Name"}));
    EXPECT_EQ(Texts(t.Cells[0][1].Text), (std::vector<std::u16string>{u"Price"}));
    EXPECT_TRUE(t.Cells[1][0].Text.Empty());
    EXPECT_EQ(Texts(t.Cells[1][1].Text), (std::vector<std::u16string>{u"€1,234.56"}));
    EXPECT_EQ(Texts(t.Cells[2][0].Text), (std::vector<std::u16string>{u"Both columns"}));
    EXPECT_EQ(t.Cells[2][0].ColumnSpan, 2);
    EXPECT_EQ(t.Cells[2][1].ColumnSpan, 0);
    EXPECT_EQ(t.Cells[1][1].Bottom.Width, 0.5);
    EXPECT_EQ(t.Cells[2][1].Top.Width, 0.5);
    EXPECT_EQ(t.Cells[2][1].Bottom.Width, 0);  // the table's edge
    EXPECT_EQ(t.Cells[0][0].Left.Width, 0);
    EXPECT_EQ(d.Drawables.at(d.Body.Paragraphs[0].Attachments.at(0).Index).Kind, doc::TDrawableKind::dkTable);
}

// Older tiles (Pages 5.0 to 7) keep their records in fields 3 and 4 in storage versions 1 to 4:
// the type at byte 2 up to version 3 and at byte 1 in version 4, a header of 8 bytes in
// version 1 and 12 after it, fields placed by the flags; a number takes eight bytes. Rich text
// may be named by the list entry's general reference.
TEST(ModernReader, OlderCellStorageVersionsKeepTheirText) {
    auto u32 = [](std::uint32_t v) {
        return TBytes{std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
    };
    auto f64 = [](double v) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        TBytes b;
        for (int i = 0; i < 8; ++i) b.push_back(std::uint8_t(bits >> (8 * i)));
        return b;
    };
    auto join = [](std::initializer_list<TBytes> parts) {
        TBytes all;
        for (const TBytes& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    struct TCase {
        const char* What;
        TBytes Record;
        std::u16string Expected;
    };
    const TCase cases[] = {
        {"version 1 text", join({{1, 0, 3, 0}, u32(0x10), u32(1)}), u"Plain"},
        {"version 3 text after a style", join({{3, 0, 3, 0xFF}, u32(0x14), {0, 0, 0, 0}, u32(7), u32(1)}), u"Plain"},
        {"version 4 text", join({{4, 3, 0, 0}, u32(0x94), {0, 0, 0, 0}, u32(7), u32(9), u32(1)}), u"Plain"},
        {"version 4 number", join({{4, 2, 0, 0}, u32(0xA4), {0, 0, 0, 0}, u32(7), u32(9), f64(0.5)}), u"0.5"},
        {"version 3 date after a number",
         join({{3, 0, 5, 0}, u32(0x60), {0, 0, 0, 0}, f64(1), f64(86400 * 31)}), u"1 Feb 2001"},
        {"version 3 rich text", join({{3, 0, 9, 0}, u32(0x200), {0, 0, 0, 0}, u32(4)}), u"Rich"},
    };
    for (const TCase& c : cases) {
        TDocumentBuilder b;
        const auto strings = b.Add(
            kDataList,
            TProtoWriter().Varint(1, 1).Varint(2, 2).Message(3, TProtoWriter().Varint(1, 1).Varint(2, 1).String(3, "Plain")));
        const auto richStorage = b.Add(kStorage, Storage("Rich"));
        const auto rich = b.Add(
            kDataList,
            TProtoWriter().Varint(1, 8).Varint(2, 5).Message(3, TProtoWriter().Varint(1, 4).Varint(2, 1).Reference(4, richStorage)));
        const TBytes offsets = {0, 0};
        const auto tile = b.Add(kTile, TProtoWriter().Message(
                                           5, TProtoWriter().Varint(1, 0).Varint(2, 1).Bytes(3, c.Record).Bytes(4, offsets)));
        TProtoWriter store;
        store.Message(3, TProtoWriter().Message(1, TProtoWriter().Varint(1, 0).Reference(2, tile)))
            .Reference(4, strings)
            .Reference(17, rich);
        const auto model = b.Add(kTableModel, TProtoWriter().Message(4, store).Varint(6, 1).Varint(7, 1));
        const auto table =
            b.Add(kTableInfo, TProtoWriter().Message(1, DrawableRecord(0, 0, 100, 20, 0)).Reference(2, model));
        const auto attachment = b.Add(kDrawableAttachment, TProtoWriter().Reference(1, table));
        b.Body(Storage("\xEF\xBF\xBC").Message(9, ObjectTable({{0, attachment}})));
        const doc::TDocument d = b.Read();
        ASSERT_EQ(d.Tables.size(), 1u) << c.What;
        EXPECT_EQ(Texts(d.Tables[0].Cells.at(0).at(0).Text), (std::vector<std::u16string>{c.Expected})) << c.What;
    }
}

TEST(ModernReader, CellValuesAsPagesShowsThem) {
    using iwork::detail::FormatDate;
    using iwork::detail::FormatNumber;
    struct TNumber {
        double Value;
        int Decimals;
        bool Thousands;
        const char16_t* Prefix;
        const char16_t* Expected;
    };
    const TNumber numbers[] = {
        {55, -1, false, u"", u"55"},
        {0.1 + 0.2, -1, false, u"", u"0.3"},
        {1234567.5, 2, true, u"", u"1,234,567.50"},
        {-5500, 0, true, u"$", u"-$5,500"},
        {-0.001, 0, false, u"", u"0"},  // no minus sign on a value shown as zero
        {999, 0, true, u"", u"999"},
    };
    for (const auto& n : numbers)
        EXPECT_EQ(FormatNumber(n.Value, n.Decimals, n.Thousands, n.Prefix), n.Expected) << n.Value;
    struct TDate {
        double Seconds;  // since 2001-01-01 00:00 UTC
        const char* Pattern;
        const char16_t* Expected;
    };
    const TDate dates[] = {
        {0, "d MMM yyyy", u"1 Jan 2001"},
        {86400 * 59 + 3600 * 13 + 60 * 5, "yyyy-MM-dd HH:mm", u"2001-03-01 13:05"},
        {-86400, "EEEE d MMMM yy", u"Sunday 31 December 00"},
        {60 * 60 * 21, "h:mm a, 'o''clock' ''", u"9:00 PM, o'clock '"},
    };
    for (const auto& d : dates) EXPECT_EQ(FormatDate(d.Seconds, d.Pattern), d.Expected) << d.Pattern;
}

TEST(ModernReader, FloatingDrawablesByPage) {
    TDocumentBuilder b;
    auto box = [&](float x) {
        return b.Add(kTextBox, TextBox(DrawableRecord(x, 10, 50, 20, 5)));
    };
    const auto back = box(1), front = box(2);
    // A rounded rectangle (scalar path source, radius 10) filled red by its style.
    const TProtoWriter redColor = TProtoWriter().Varint(1, 1).Float(3, 1).Float(4, 0).Float(5, 0);  // RGB
    const auto red = b.Add(3015, Style("Red", 0, TProtoWriter().Message(1, TProtoWriter().Message(1, redColor))));
    const TProtoWriter roundedRect = TProtoWriter().Varint(1, 0).Float(2, 10).Message(3, Size(100, 40));
    TProtoWriter shape;
    shape.Message(1, DrawableRecord(3, 10, 100, 40, 5))
        .Reference(2, red)
        .Message(3, TProtoWriter().Message(4, roundedRect));
    const auto other = b.Add(3004, shape);
    auto entry = [](std::uint64_t id) { return TProtoWriter().Reference(1, id); };
    TProtoWriter floating;
    floating.Message(1, TProtoWriter().Varint(1, 2).Message(2, entry(back)).Message(3, entry(front)));
    floating.Message(1, TProtoWriter().Varint(1, 0).Message(4, entry(other)));  // the page's drawables: under the text
    b.Root.Reference(3, b.Add(kFloating, floating));
    b.Root.Reference(7, b.Add(kSettings, TProtoWriter().Bool(1, false)));
    const doc::TDocument d = b.Read();
    ASSERT_EQ(d.FloatingByPage.size(), 2u);
    EXPECT_EQ(d.FloatingByPage[0].Page, 0u);
    EXPECT_EQ(d.FloatingByPage[1].Page, 2u);
    ASSERT_EQ(d.FloatingByPage[1].Background.size(), 1u);
    ASSERT_EQ(d.FloatingByPage[1].Foreground.size(), 1u);
    EXPECT_EQ(d.Drawables.at(d.FloatingByPage[1].Background[0]).Frame.X, 1);
    EXPECT_EQ(d.Drawables.at(d.FloatingByPage[1].Foreground[0]).Frame.X, 2);
    EXPECT_EQ(d.Drawables.at(d.FloatingByPage[1].Foreground[0]).Wrap.Kind, doc::TWrapKind::wkNone);
    EXPECT_EQ(d.PageCount, 3u);
    EXPECT_TRUE(d.FloatingByPage[0].Foreground.empty());
    ASSERT_EQ(d.FloatingByPage[0].Background.size(), 1u);
    const doc::TDrawable& rounded = d.Drawables.at(d.FloatingByPage[0].Background[0]);
    EXPECT_EQ(rounded.Kind, doc::TDrawableKind::dkShape);
    EXPECT_EQ(rounded.Frame, (doc::TRect{3, 10, 100, 40}));
    EXPECT_EQ(rounded.Fill, (doc::TColor{1, 0, 0, 1}));
    EXPECT_FALSE(rounded.Stroke);
    ASSERT_EQ(rounded.Path.size(), 10u);  // four lines, four corners, the move and the close
    EXPECT_EQ(rounded.Path[0].P, (doc::TPoint{10, 0}));
    EXPECT_EQ(rounded.Path[2].Kind, doc::TPathSegment::skCurve);
    EXPECT_EQ(rounded.Path[2].P, (doc::TPoint{100, 10}));
}

TEST(ModernReader, ABezierPathFillsItsNaturalSize) {
    // A path {1 elements {1 kind (1 move, 2 line, 5 close), 2 points {1 x, 2 y}}} drawn in a box
    // 0..100 of its own, in a shape whose natural size and frame are 200 by 20.
    auto element = [](std::uint64_t kind, float x, float y) {
        return TProtoWriter().Varint(1, kind).Message(2, TProtoWriter().Float(1, x).Float(2, y));
    };
    TProtoWriter path;
    path.Message(1, element(1, 0, 0)).Message(1, element(2, 100, 0)).Message(1, element(2, 100, 100));
    path.Message(1, TProtoWriter().Varint(1, 5));
    TDocumentBuilder b;
    TProtoWriter shape;
    shape.Message(1, DrawableRecord(3, 10, 200, 20, 5))
        .Message(3, TProtoWriter().Message(5, TProtoWriter().Message(2, Size(200, 20)).Message(3, path)));
    const auto id = b.Add(3004, shape);
    const TProtoWriter page = TProtoWriter().Varint(1, 0).Message(4, TProtoWriter().Reference(1, id));
    b.Root.Reference(3, b.Add(kFloating, TProtoWriter().Message(1, page)));
    const doc::TDocument d = b.Read();
    ASSERT_EQ(d.Drawables.size(), 1u);
    const auto& segments = d.Drawables[0].Path;
    ASSERT_EQ(segments.size(), 4u);
    EXPECT_EQ(segments[1].P, (doc::TPoint{200, 0}));
    EXPECT_EQ(segments[2].P, (doc::TPoint{200, 20}));
}

TEST(ModernReader, ShapeFillsAsTheModelDrawsThem) {
    // A fill {1 colour, 2 gradient {2 stops {1 colour}}, 3 picture {3 tint, 6 picture data}}.
    auto color = [](float r, float g, float bl) {
        return TProtoWriter().Varint(1, 1).Float(3, r).Float(4, g).Float(5, bl).Float(6, 1);
    };
    const TProtoWriter data = TProtoWriter().Varint(1, 14);
    struct TCase {
        const char* Name;
        TProtoWriter Fill;
        std::optional<doc::TColor> Expected;
    };
    const std::vector<TCase> cases = {
        {"solid", TProtoWriter().Message(1, color(1, 0, 0)), doc::TColor{1, 0, 0, 1}},
        {"gradient", TProtoWriter().Message(2, TProtoWriter().Message(2, TProtoWriter().Message(1, color(0, 1, 0)))),
         doc::TColor{0, 1, 0, 1}},
        {"tinted picture", TProtoWriter().Message(3, TProtoWriter().Message(3, color(0, 0, 1)).Message(6, data)),
         doc::TColor{0, 0, 1, 1}},
        {"picture", TProtoWriter().Message(3, TProtoWriter().Varint(2, 2).Message(6, data)), std::nullopt},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TDocumentBuilder b;
        const auto style = b.Add(3015, Style("Filled", 0, TProtoWriter().Message(1, c.Fill)));
        TProtoWriter shape;
        shape.Message(1, DrawableRecord(3, 10, 100, 40, 5)).Reference(2, style);
        const auto id = b.Add(3004, shape);
        const TProtoWriter page = TProtoWriter().Varint(1, 0).Message(4, TProtoWriter().Reference(1, id));
        b.Root.Reference(3, b.Add(kFloating, TProtoWriter().Message(1, page)));
        const doc::TDocument d = b.Read();
        ASSERT_EQ(d.Drawables.size(), 1u);
        EXPECT_EQ(d.Drawables[0].Fill, c.Expected);
    }
}

// A linear gradient keeps its stops in order, its opacity (the gradient's and the style's) and
// its angle; its first stop stays the solid fill. A radial one is drawn as its first stop.
TEST(ModernReader, GradientFillsKeepTheirStopsAndAngle) {
    auto color = [](float r, float g, float bl, float a) {
        return TProtoWriter().Varint(1, 1).Float(3, r).Float(4, g).Float(5, bl).Float(6, a);
    };
    auto stop = [&](float fraction, float r) {
        return TProtoWriter().Message(1, color(r, 0, 0, 1)).Float(2, fraction).Float(3, 0.5f);
    };
    for (const std::uint64_t type : {0u, 1u}) {
        SCOPED_TRACE(type);
        TProtoWriter gradient;
        gradient.Varint(1, type).Message(2, stop(1, 0.25f)).Message(2, stop(0, 1)).Float(3, 0.5f);
        gradient.Message(5, TProtoWriter().Float(2, 3.14159265f / 2));  // upwards
        TDocumentBuilder b;
        const auto style = b.Add(
            3015, Style("Faded", 0, TProtoWriter().Message(1, TProtoWriter().Message(2, gradient)).Float(3, 0.5f)));
        TProtoWriter shape;
        shape.Message(1, DrawableRecord(3, 10, 100, 40, 5)).Reference(2, style);
        const TProtoWriter page = TProtoWriter().Varint(1, 0).Message(4, TProtoWriter().Reference(1, b.Add(3004, shape)));
        b.Root.Reference(3, b.Add(kFloating, TProtoWriter().Message(1, page)));
        const doc::TDocument d = b.Read();
        ASSERT_EQ(d.Drawables.size(), 1u);
        ASSERT_TRUE(d.Drawables[0].Fill);
        EXPECT_FLOAT_EQ(d.Drawables[0].Fill->R, 0.25f);  // the first stop as written
        if (type != 0) {
            EXPECT_FALSE(d.Drawables[0].Gradient);
            continue;
        }
        ASSERT_TRUE(d.Drawables[0].Gradient);
        const doc::TGradient& g = *d.Drawables[0].Gradient;
        ASSERT_EQ(g.Stops.size(), 2u);
        EXPECT_EQ(g.Stops[0].Fraction, 0);
        EXPECT_FLOAT_EQ(g.Stops[0].Color.R, 1);
        EXPECT_FLOAT_EQ(g.Stops[1].Color.R, 0.25f);
        EXPECT_FLOAT_EQ(g.Stops[1].Color.A, 0.25f);  // half the gradient's, half the style's
        EXPECT_NEAR(g.Angle, 90, 1e-4);
    }
}

// --- Damage ----------------------------------------------------------------------------

TEST(ModernReader, DamagedReferencesAndIndicesAreNamed) {
    struct TCase {
        const char* Name;
        std::function<void(TDocumentBuilder&)> Build;
        const char* Expected;
    };
    const std::vector<TCase> cases = {
        {"missing paragraph style",
         [](TDocumentBuilder& b) { b.Body(Storage("x").Message(5, ObjectTable({{0, 999}}))); },
         "Object 999, a paragraph style, is missing"},
        {"paragraph style of the wrong type",
         [](TDocumentBuilder& b) {
             const auto s = b.Add(kStorage, Storage("y"));
             b.Body(Storage("x").Message(5, ObjectTable({{0, s}})));
         },
         "Object 100 should be a paragraph style but is a text storage"},
        {"index past the end",
         [](TDocumentBuilder& b) { b.Body(Storage("abc").Message(8, ObjectTable({{0, 0}, {9, 0}}))); },
         "Text storage 100's character styles point to character 9, past the end of its 3 characters"},
        {"decreasing indices",
         [](TDocumentBuilder& b) { b.Body(Storage("abcdef").Message(5, ObjectTable({{4, 0}, {2, 0}}))); },
         "Text storage 100's paragraph styles go back from character 4 to 2"},
        {"missing attachment",
         [](TDocumentBuilder& b) { b.Body(Storage("\xEF\xBF\xBC").Message(9, ObjectTable({{0, 555}}))); },
         "Text storage 100 has an attachment, object 555, that is missing"},
        {"missing body", [](TDocumentBuilder& b) { b.Root.Reference(4, 777); }, "Object 777, a body text, is missing"},
        {"a text box that holds itself",
         [](TDocumentBuilder& b) {
             // 100 the box's storage, 101 the box, 102 its attachment inside its own text.
             b.Add(kStorage, Storage("\xEF\xBF\xBC").Message(9, ObjectTable({{0, 102}})));
             b.Add(kTextBox, TextBox(DrawableRecord(0, 0, 9, 9, 0), 100));
             b.Add(kDrawableAttachment, TProtoWriter().Reference(1, 101));
             b.Body(Storage("\xEF\xBF\xBC").Message(9, ObjectTable({{0, 102}})));
         },
         "Object 101 contains itself"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TDocumentBuilder b;
        c.Build(b);
        EXPECT_EQ(Message([&] { b.Read(); }), c.Expected);
    }
}

TEST(ModernReader, StyleParentLoopsEndTheChain) {
    TDocumentBuilder b;
    // 100 and 101 name each other as parents; the chain stops where it comes back.
    b.Add(kParagraphStyle, TProtoWriter().Message(1, StyleRecord("A", 101)).Message(11, TProtoWriter().Float(3, 20)));
    b.Add(kParagraphStyle, TProtoWriter().Message(1, StyleRecord("B", 100)).Message(11, TProtoWriter().Float(3, 30)));
    b.Body(Storage("x").Message(5, ObjectTable({{0, 100}})));
    const doc::TDocument d = b.Read();
    EXPECT_EQ(d.Body.Paragraphs.at(0).Style.Character.FontSize, 20);
}

TEST(ModernReader, LargeObjectsNamedOverAndOverExhaustTheBudget) {
    // A damaged document can name one storage from thousands of places: each reading after the
    // first costs the storage's size, a section's masters copied to the next cost their text, and
    // a shape costs its path's segments each time.
    const std::string big(50000, 'x');  // the 81st reading passes the budget of 4 million
    const std::string huge(1'600'000, 'y');  // a copy costs 100,000
    auto marks = [](int count) {
        std::string text;
        for (int i = 0; i < count; ++i) text += "\xEF\xBF\xBC";
        return text;
    };
    auto entries = [](int count, std::uint64_t object) {
        TProtoWriter table;
        for (int i = 0; i < count; ++i) table.Message(1, TProtoWriter().Varint(1, i).Reference(2, object));
        return table;
    };
    struct TCase {
        const char* Name;
        std::function<void(TDocumentBuilder&, int)> Build;
        int Many = 100;  // times named: 3 read well
    };
    const std::vector<TCase> cases = {
        {"sections naming one master",
         [&](TDocumentBuilder& b, int count) {
             const auto master = b.Add(kPageMaster, TProtoWriter().Reference(1, b.Add(kStorage, Storage(big))));
             const auto section = b.Add(kSection, TProtoWriter().Reference(25, master));
             b.Body(Storage(std::string(count, '\n')).Message(17, entries(count, section)));
         }},
        {"sections the same as the previous one",
         [&](TDocumentBuilder& b, int count) {
             const auto master = b.Add(kPageMaster, TProtoWriter().Reference(1, b.Add(kStorage, Storage(huge))));
             const auto first = b.Add(kSection, TProtoWriter().Reference(25, master));
             const auto same = b.Add(kSection, TProtoWriter().Bool(17, true));
             TProtoWriter table = entries(1, first);
             for (int i = 1; i < count; ++i) table.Message(1, TProtoWriter().Varint(1, i).Reference(2, same));
             b.Body(Storage(std::string(count, '\n')).Message(17, table));
         }},
        {"one text box attached over and over",
         [&](TDocumentBuilder& b, int count) {
             const auto box = b.Add(kTextBox, TextBox(DrawableRecord(0, 0, 90, 20, 0), b.Add(kStorage, Storage(big))));
             b.Body(Storage(marks(count)).Message(9, entries(count, b.Add(kDrawableAttachment,
                                                                           TProtoWriter().Reference(1, box)))));
         }},
        {"footnotes sharing one text",
         [&](TDocumentBuilder& b, int count) {
             const auto text = b.Add(kStorage, Storage(big));
             TProtoWriter table;
             for (int i = 0; i < count; ++i)
                 table.Message(1, TProtoWriter().Varint(1, i).Reference(2, b.Add(kFootnote,
                                                                                  TProtoWriter().Reference(2, text))));
             b.Body(Storage(marks(count)).Message(16, table));
         }},
        {"a polygon on every page, four times",
         [&](TDocumentBuilder& b, int count) {
             // A 100-sided polygon: a tiny message, 101 segments of 4 units each.
             const TProtoWriter polygon = TProtoWriter().Varint(1, 1).Float(2, 100).Message(3, Size(100, 50));
             const auto shape = b.Add(3004, TProtoWriter()
                                                .Message(1, DrawableRecord(10, 10, 100, 50, 5))
                                                .Message(3, TProtoWriter().Message(4, polygon)));
             TProtoWriter floating;
             for (int page = 0; page * 4 < count; ++page) {
                 TProtoWriter group;
                 group.Varint(1, page);
                 for (int k = 0; k < 4 && page * 4 + k < count; ++k)
                     group.Message(4, TProtoWriter().Reference(1, shape));
                 floating.Message(1, group);
             }
             b.Root.Reference(3, b.Add(kFloating, floating));
         },
         10000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TDocumentBuilder few;
        c.Build(few, 3);
        EXPECT_EQ(Message([&] { few.Read(); }), "no error");
        TDocumentBuilder many;
        c.Build(many, c.Many);
        EXPECT_EQ(Message([&] { many.Read(); }),
                  "The document asks for more objects, table cells and text than any real document holds");
    }
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

// --- Real documents ----------------------------------------------------------------------

namespace {

bool EndsWith(const std::wstring& s, const std::wstring& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::vector<platform::TFindEntry> List(const std::wstring& folder) {
    std::vector<platform::TFindEntry> entries;
    platform::TFindListing listing = platform::TFindListing::Start(folder + L"\\*.*");
    for (platform::TFindEntry e; listing.Next(e);)
        if (e.Name != L"." && e.Name != L"..") entries.push_back(e);
    return entries;
}

// The package below folder: the folder holding Index (or Index.zip, unpacked beside it)
// and Data.
bool FindPackage(const std::wstring& folder, TModernPackage& package) {
    const auto entries = List(folder);
    for (const auto& e : entries) {
        if (e.Name == L"Index.zip") {
            TZipFile zip;
            zip.Open(folder + L"\\Index.zip", zmRead);
            zip.ExtractAll(folder + L"\\Index.zip-unpacked");
            package.IndexFolder = folder + L"\\Index.zip-unpacked\\Index";
        } else if ((e.Attributes & platform::kAttrDirectory) && e.Name == L"Index") {
            package.IndexFolder = folder + L"\\Index";
        }
    }
    if (!package.IndexFolder.empty()) {
        package.DataFolder = folder + L"\\Data";
        return true;
    }
    for (const auto& e : entries)
        if ((e.Attributes & platform::kAttrDirectory) && FindPackage(folder + L"\\" + e.Name, package)) return true;
    return false;
}

// Unpacks a corpus document (a ZIP or a folder bundle) and reads it.
doc::TDocument ReadCorpusDocument(const std::wstring& path, TScratchFolder& scratch) {
    std::wstring root = path;
    platform::TErrorCode error = platform::kErrorSuccess;
    if ((platform::FileAttributes(path, error) & platform::kAttrDirectory) == 0) {
        TZipFile zip;
        zip.Open(path, zmRead);
        zip.ExtractAll(scratch.Path());
        root = scratch.Path();
    }
    TModernPackage package;
    EXPECT_TRUE(FindPackage(root, package)) << "no Index folder or Index.zip";
    const auto slash = path.rfind(L'\\');
    package.Title = path.substr(slash + 1, path.size() - slash - 1 - 6);
    return ReadModernDocument(package);
}

}  // namespace

TEST(ModernReaderCorpus, HovercraftInThreeLanguagesOnA4) {
    const std::wstring corpus = testsupport::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "the corpus folder ../shared/corpus is absent";
    TScratchFolder scratch;
    const doc::TDocument d = ReadCorpusDocument(corpus + L"\\pages5-file.pages", scratch);
    EXPECT_EQ(d.Title, L"pages5-file");
    EXPECT_EQ(Texts(d.Body), (std::vector<std::u16string>{U16("My hovercraft is full of eels."),
                                                          U16("Mé vznášedlo je plné úhořů."),
                                                          U16("Mój poduszkowiec jest pełen węgorzy.")}));
    EXPECT_NEAR(d.Page.Width, 595, 1);
    EXPECT_NEAR(d.Page.Height, 842, 1);
    EXPECT_EQ(d.Body.Paragraphs[0].Style.Character.FontName, L"Helvetica");
    EXPECT_EQ(d.Body.Paragraphs[0].Style.Character.FontSize, 11);
    EXPECT_TRUE(d.LeftOut.empty());
}

TEST(ModernReaderCorpus, ProjectProposalTitleAndLetterPage) {
    const std::wstring corpus = testsupport::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "the corpus folder ../shared/corpus is absent";
    TScratchFolder scratch;
    const doc::TDocument d = ReadCorpusDocument(corpus + L"\\pages5-extra-dir.pages", scratch);
    EXPECT_EQ(d.Page.Width, 612);
    EXPECT_EQ(d.Page.Height, 792);
    ASSERT_GE(d.Body.Paragraphs.size(), 5u);
    const auto texts = Texts(d.Body);
    EXPECT_EQ(std::vector<std::u16string>(texts.begin(), texts.begin() + 5),
              (std::vector<std::u16string>{u"Project Proposal", u"Prepared for: Trenz Pruca, Title",
                                           u"Prepared by: Urna Semper, Job Title", u"October 18, 2018",
                                           u"Proposal number: 123-4567"}));
    const auto& title = d.Body.Paragraphs[0].Style;
    EXPECT_EQ(title.Name, L"Title");
    EXPECT_EQ(title.Character.FontName, L"HelveticaNeue-UltraLight");
    EXPECT_EQ(title.Character.FontSize, 28);
    EXPECT_EQ(d.Body.Paragraphs[1].Style.Character.FontSize, 10);
    // The drawing on page 1: only its thumbnail is in Data/, cropped by its mask.
    ASSERT_FALSE(d.FloatingByPage.empty());
    bool picture = false;
    for (std::size_t i : d.FloatingByPage[0].Background) {
        const auto& drawable = d.Drawables.at(i);
        if (drawable.Kind != doc::TDrawableKind::dkImage) continue;
        picture = true;
        EXPECT_TRUE(drawable.Image.FilePath.empty());
        EXPECT_TRUE(EndsWith(drawable.Image.ThumbnailPath, L"aa043252_750x683-small-12.jpeg"));
        EXPECT_TRUE(drawable.Image.Crop);
    }
    EXPECT_TRUE(picture);
    // The table at the end of the text: header row, prices as Pages shows them.
    ASSERT_EQ(d.Tables.size(), 1u);
    EXPECT_EQ(Texts(d.Tables[0].Cells.at(1).at(2).Text), (std::vector<std::u16string>{u"$100"}));
}

TEST(ModernReaderCorpus, EveryWildDocumentReads) {
    const std::wstring corpus = testsupport::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "the corpus folder ../shared/corpus is absent";
    int listed = 0, read = 0;
    for (const auto& e : List(corpus + L"\\wild")) {
        if (!EndsWith(e.Name, L".pages")) continue;
        ++listed;
        SCOPED_TRACE(platform::ToUtf8(e.Name));
        TScratchFolder scratch;
        try {
            const doc::TDocument d = ReadCorpusDocument(corpus + L"\\wild\\" + e.Name, scratch);
            EXPECT_FALSE(d.Body.Empty());
            EXPECT_FALSE(d.Sections.empty());
            for (const auto& p : d.Body.Paragraphs) EXPECT_FALSE(p.Runs.empty());
            ++read;
        } catch (const Exception& ex) {
            ADD_FAILURE() << ex.ClassName() << ": " << ex.what();
        }
    }
    // The folder grows with the corpus: every document it lists must read, however many there are.
    EXPECT_GT(listed, 0);
    EXPECT_EQ(read, listed);
}
