// Drawables, tables, footnotes, columns and sections in the layout.

#include <gtest/gtest.h>

#include "tests/layout/LayoutTestSupport.h"

namespace {

using namespace testsupport;
using layout::TLaidOutDocument;

TLaidOutDocument Laid(const doc::TDocument& d) {
    static TFakeFonts fonts;
    return layout::LayOut(d, fonts);
}

doc::TDrawable Image(doc::TRect frame, bool isInline = false) {
    doc::TDrawable d;
    d.Kind = doc::TDrawableKind::dkImage;
    d.Frame = frame;
    d.Inline = isInline;
    d.Image.FilePath = L"pic.png";
    return d;
}

doc::TAttachment Attach(std::uint32_t position, doc::TAttachmentKind kind, std::size_t index) {
    return {position, kind, index, doc::TFieldKind::fkOther, u""};
}

template <class T>
std::size_t IndexOf(const layout::TPage& page, const T* item) {
    for (std::size_t i = 0; i < page.Items.size(); ++i)
        if (std::get_if<T>(&page.Items[i]) == item) return i;
    return SIZE_MAX;
}

TEST(DrawablesTest, InlineImageSitsOnTheBaselineAndTheLineGrows) {
    doc::TDocument d = Doc();
    d.Drawables.push_back(Image({0, 0, 20, 30}, true));
    doc::TParagraph p = Para(u"a\uFFFCb");
    p.Attachments.push_back(Attach(1, doc::TAttachmentKind::akDrawable, 0));
    d.Body.Paragraphs.push_back(p);
    d.Body.Paragraphs.push_back(Para(u"c"));
    const TLaidOutDocument out = Laid(d);
    const auto images = ItemsOf<layout::TImageItem>(out.Pages[0]);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0]->Frame, (doc::TRect{25, 20, 20, 30}));
    EXPECT_EQ(images[0]->Clip, images[0]->Frame);
    const auto lines = Lines(out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].Text, u"ab");
    EXPECT_DOUBLE_EQ(lines[0].Baseline, 50);
    EXPECT_DOUBLE_EQ(lines[0].Items[1].X, 45);
    EXPECT_DOUBLE_EQ(lines[1].Baseline, 50 + 2 + 8);
}

// A picture inside a link is part of it: one area over the letter and the picture.
TEST(DrawablesTest, AnInlinePictureInALinkIsPartOfIt) {
    doc::TDocument d = Doc();
    d.Drawables.push_back(Image({0, 0, 20, 30}, true));
    d.Links = {L"https://example.com"};
    doc::TParagraph p = Para(u"a\uFFFCb");
    p.Attachments.push_back(Attach(1, doc::TAttachmentKind::akDrawable, 0));
    doc::TRun linked = p.Runs[0];
    linked.Style.Edit().Link = 0;
    p.Runs = {{0, 2, linked.Style}, {2, 3, p.Runs[0].Style}};
    d.Body.Paragraphs.push_back(p);
    const TLaidOutDocument out = Laid(d);
    const auto images = ItemsOf<layout::TImageItem>(out.Pages[0]);
    const auto links = ItemsOf<layout::TLinkItem>(out.Pages[0]);
    ASSERT_EQ(images.size(), 1u);
    ASSERT_EQ(links.size(), 1u);
    EXPECT_DOUBLE_EQ(links[0]->Area.X, 20);
    EXPECT_DOUBLE_EQ(links[0]->Area.X + links[0]->Area.Width, images[0]->Frame.X + images[0]->Frame.Width);
    EXPECT_DOUBLE_EQ(links[0]->Area.Y, images[0]->Frame.Y);
}

TEST(DrawablesTest, CroppedInlinePictureTakesTheRoomOfWhatShows) {
    doc::TDocument d = Doc();
    doc::TDrawable picture = Image({0, 0, 100, 50}, true);
    picture.Image.Crop = doc::TRect{10, 5, 20, 30};
    d.Drawables.push_back(picture);
    doc::TParagraph p = Para(u"a\uFFFCb");
    p.Attachments.push_back(Attach(1, doc::TAttachmentKind::akDrawable, 0));
    d.Body.Paragraphs.push_back(p);
    const TLaidOutDocument out = Laid(d);
    const auto images = ItemsOf<layout::TImageItem>(out.Pages[0]);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0]->Clip, (doc::TRect{25, 20, 20, 30}));
    EXPECT_EQ(images[0]->Frame, (doc::TRect{15, 15, 100, 50}));
    const auto lines = Lines(out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_DOUBLE_EQ(lines[0].Baseline, 50);
    EXPECT_DOUBLE_EQ(lines[0].Items[1].X, 45);
}

TEST(DrawablesTest, FloatingPicturesShapesAndTextBoxes) {
    doc::TDocument d = Doc();
    doc::TDrawable picture = Image({50, 60, 100, 80});
    picture.Image.Crop = doc::TRect{10, 5, 30, 20};
    picture.Wrap.Kind = doc::TWrapKind::wkNone;
    d.Drawables.push_back(picture);
    doc::TDrawable shape;
    shape.Kind = doc::TDrawableKind::dkShape;
    shape.Frame = {100, 100, 40, 20};
    shape.Rotation = 90;
    shape.Path = {{doc::TPathSegment::skMove, {0, 0}, {}, {}}, {doc::TPathSegment::skLine, {40, 0}, {}, {}}};
    shape.Stroke = doc::TStroke{};
    shape.Wrap.Kind = doc::TWrapKind::wkNone;
    d.Drawables.push_back(shape);
    doc::TDrawable box;
    box.Kind = doc::TDrawableKind::dkTextBox;
    box.Frame = {30, 150, 100, 20};
    box.TextInset = 3;
    box.Text.Paragraphs.push_back(Para(u"boxed"));
    box.Wrap.Kind = doc::TWrapKind::wkNone;
    d.Drawables.push_back(box);
    doc::TDrawable chart;
    chart.What = L"chart";
    d.Drawables.push_back(chart);
    d.LeftOut[L"video"] = 1;
    d.LeftOut[L"chart"] = 1;  // the reader counted the chart already
    d.FloatingByPage.push_back({0, {0}, {1, 2, 3}});
    d.FloatingByPage.push_back({2, {}, {0}});  // past the body's one page: a page is added
    d.Body.Paragraphs.push_back(Para(u"body"));
    const TLaidOutDocument out = Laid(d);
    ASSERT_EQ(out.Pages.size(), 3u);
    const layout::TPage& page = out.Pages[0];
    const auto images = ItemsOf<layout::TImageItem>(page);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0]->Frame, (doc::TRect{50, 60, 100, 80}));
    EXPECT_EQ(images[0]->Clip, (doc::TRect{60, 65, 30, 20}));
    const auto paths = ItemsOf<layout::TPathItem>(page);
    ASSERT_EQ(paths.size(), 1u);
    // Turned a quarter counter-clockwise about the frame's centre (120, 110).
    EXPECT_NEAR(paths[0]->Path[0].P.X, 110, 1e-9);
    EXPECT_NEAR(paths[0]->Path[0].P.Y, 130, 1e-9);
    EXPECT_NEAR(paths[0]->Path[1].P.X, 110, 1e-9);
    EXPECT_NEAR(paths[0]->Path[1].P.Y, 90, 1e-9);
    const auto lines = Lines(out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].Text, u"boxed");
    EXPECT_DOUBLE_EQ(lines[1].Left, 33);
    EXPECT_DOUBLE_EQ(lines[1].Baseline, 153 + 8);
    // The background picture under the body text, the foreground over it.
    const auto texts = ItemsOf<layout::TTextItem>(page);
    EXPECT_LT(IndexOf(page, images[0]), IndexOf(page, texts[0]));
    EXPECT_GT(IndexOf(page, paths[0]), IndexOf(page, texts[0]));
    EXPECT_EQ(ItemsOf<layout::TImageItem>(out.Pages[2]).size(), 1u);
    EXPECT_EQ(out.LeftOut, (std::map<std::wstring, int>{{L"chart", 1}, {L"video", 1}}));
}

TEST(DrawablesTest, APicturesFrameRunsRoundWhatShowsAndTurnsWithIt) {
    for (const double rotation : {0.0, 90.0}) {
        SCOPED_TRACE(rotation);
        doc::TDocument d = Doc();
        doc::TDrawable picture = Image({50, 60, 100, 80});
        picture.Image.Crop = doc::TRect{10, 5, 30, 20};
        picture.Rotation = rotation;
        picture.Stroke = doc::TStroke{2, {}, {}};
        picture.Wrap.Kind = doc::TWrapKind::wkNone;
        d.Drawables.push_back(picture);
        d.FloatingByPage.push_back({0, {}, {0}});
        const TLaidOutDocument out = Laid(d);
        const layout::TPage& page = out.Pages.at(0);
        const auto paths = ItemsOf<layout::TPathItem>(page);
        ASSERT_EQ(paths.size(), 1u);
        EXPECT_GT(IndexOf(page, paths[0]), IndexOf(page, ItemsOf<layout::TImageItem>(page).at(0)));
        ASSERT_EQ(paths[0]->Path.size(), 5u);
        EXPECT_EQ(paths[0]->Path[4].Kind, doc::TPathSegment::skClose);
        EXPECT_DOUBLE_EQ(paths[0]->Stroke->Width, 2);
        // The visible box (60, 65)-(90, 85); a quarter turn about the frame's centre (100, 100)
        // takes its top-left corner to (65, 140).
        const doc::TPoint first = paths[0]->Path[0].P, third = paths[0]->Path[2].P;
        if (rotation == 0) {
            EXPECT_NEAR(first.X, 60, 1e-9);
            EXPECT_NEAR(first.Y, 65, 1e-9);
            EXPECT_NEAR(third.X, 90, 1e-9);
            EXPECT_NEAR(third.Y, 85, 1e-9);
        } else {
            EXPECT_NEAR(first.X, 65, 1e-9);
            EXPECT_NEAR(first.Y, 140, 1e-9);
        }
    }
    // A hairline is a filled ring round the same box, a stroke's width across: the outline
    // clockwise, the hole the other way.
    {
        doc::TDocument d = Doc();
        doc::TDrawable picture = Image({50, 60, 100, 80});
        picture.Image.Crop = doc::TRect{10, 5, 30, 20};
        picture.Stroke = doc::TStroke{0.25, {0.5, 0.5, 0.5, 1}, {}};
        picture.Wrap.Kind = doc::TWrapKind::wkNone;
        d.Drawables.push_back(picture);
        d.FloatingByPage.push_back({0, {}, {0}});
        const TLaidOutDocument out = Laid(d);
        const auto paths = ItemsOf<layout::TPathItem>(out.Pages.at(0));
        ASSERT_EQ(paths.size(), 1u);
        EXPECT_FALSE(paths[0]->Stroke.has_value());
        EXPECT_EQ(paths[0]->Fill, (doc::TColor{0.5, 0.5, 0.5, 1}));
        const auto& path = paths[0]->Path;
        ASSERT_EQ(path.size(), 10u);
        EXPECT_EQ(path[5].Kind, doc::TPathSegment::skMove);
        EXPECT_NEAR(path[0].P.X, 59.875, 1e-9);
        EXPECT_NEAR(path[1].P.X, 90.125, 1e-9);  // clockwise: along the top first
        EXPECT_NEAR(path[5].P.X, 60.125, 1e-9);
        EXPECT_NEAR(path[6].P.Y, 84.875, 1e-9);  // the other way: down the left side first
    }
    // No stroke, or a transparent one: no frame.
    doc::TDocument d = Doc();
    doc::TDrawable picture = Image({50, 60, 100, 80});
    picture.Stroke = doc::TStroke{1, {0, 0, 0, 0}, {}};
    picture.Wrap.Kind = doc::TWrapKind::wkNone;
    d.Drawables.push_back(picture);
    d.FloatingByPage.push_back({0, {}, {0}});
    const TLaidOutDocument out = Laid(d);
    EXPECT_TRUE(ItemsOf<layout::TPathItem>(out.Pages.at(0)).empty());
}

// A mask's outline goes to the page with its picture, and the frame follows it.
TEST(DrawablesTest, AMaskOutlineClipsThePictureAndCarriesItsFrame) {
    doc::TDocument d = Doc();
    doc::TDrawable picture = Image({50, 60, 100, 80});
    auto at = [](doc::TPathSegment::TKind kind, double x, double y) {
        doc::TPathSegment s;
        s.Kind = kind;
        s.P = {x, y};
        return s;
    };
    picture.Image.MaskPath = {at(doc::TPathSegment::skMove, 0, 0), at(doc::TPathSegment::skLine, 100, 0),
                              at(doc::TPathSegment::skLine, 50, 80), at(doc::TPathSegment::skClose, 0, 0)};
    picture.Stroke = doc::TStroke{2, {}, {}};
    picture.Wrap.Kind = doc::TWrapKind::wkNone;
    d.Drawables.push_back(picture);
    d.FloatingByPage.push_back({0, {}, {0}});
    const TLaidOutDocument out = Laid(d);
    const auto images = ItemsOf<layout::TImageItem>(out.Pages.at(0));
    const auto paths = ItemsOf<layout::TPathItem>(out.Pages.at(0));
    ASSERT_EQ(images.size(), 1u);
    ASSERT_EQ(images[0]->ClipPath.size(), 4u);
    EXPECT_EQ(images[0]->ClipPath[2].P, (doc::TPoint{100, 140}));
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0]->Path[2].P, (doc::TPoint{100, 140}));
    EXPECT_DOUBLE_EQ(paths[0]->Stroke->Width, 2);
}

std::vector<TLineView> Wrapped(doc::TWrapKind kind, doc::TRect frame, std::optional<doc::TRect> crop = {},
                               bool underText = false) {
    doc::TDocument d = Doc();
    doc::TDrawable picture = Image(frame);
    picture.Image.Crop = crop;
    picture.Wrap = {kind, 0};
    d.Drawables.push_back(picture);
    if (underText)
        d.FloatingByPage.push_back({0, {0}, {}});
    else
        d.FloatingByPage.push_back({0, {}, {0}});
    std::u16string text;
    for (int i = 0; i < 40; ++i) text += u"ab ";
    d.Body.Paragraphs.push_back(Para(text));
    return Lines(Laid(d));
}

TEST(DrawablesTest, TextWrapsAroundFloatingObjects) {
    // Beside an object on the left (x 20..80, y 20..60) the lines start at its right edge,
    // whether the object lies over the text or under it.
    std::vector<TLineView> lines;
    for (const bool underText : {false, true}) {
        SCOPED_TRACE(underText);
        lines = Wrapped(doc::TWrapKind::wkAround, {20, 20, 60, 40}, std::nullopt, underText);
        ASSERT_GE(lines.size(), 5u);
        for (int i = 0; i < 4; ++i) {
            EXPECT_DOUBLE_EQ(lines[std::size_t(i)].Left, 80) << i;
            EXPECT_LE(lines[std::size_t(i)].Right, 180 + 1e-9);
        }
        EXPECT_DOUBLE_EQ(lines[4].Left, 20);
        EXPECT_DOUBLE_EQ(lines[4].Baseline, 68);
    }
    // An object in the middle splits the lines beside it.
    lines = Wrapped(doc::TWrapKind::wkAround, {80, 20, 40, 20});
    ASSERT_GE(lines.size(), 3u);
    for (int i = 0; i < 2; ++i) {
        ASSERT_GE(lines[std::size_t(i)].Items.size(), 2u);
        EXPECT_DOUBLE_EQ(lines[std::size_t(i)].Items[0].X, 20);
        EXPECT_LE(testsupport::ItemEnd(lines[std::size_t(i)].Items[0]), 80 + 1e-9);
        EXPECT_DOUBLE_EQ(lines[std::size_t(i)].Items[1].X, 120);
    }
    EXPECT_EQ(lines[2].Items.size(), 1u);
    // Above and below: no text beside it.
    lines = Wrapped(doc::TWrapKind::wkAboveAndBelow, {100, 30, 20, 20});
    ASSERT_GE(lines.size(), 2u);
    EXPECT_DOUBLE_EQ(lines[0].Baseline, 28);
    EXPECT_DOUBLE_EQ(lines[1].Baseline, 58);
    // No wrap: the text runs over it.
    lines = Wrapped(doc::TWrapKind::wkNone, {20, 20, 60, 40});
    EXPECT_DOUBLE_EQ(lines[0].Left, 20);
    // A cropped picture keeps the text from the part that shows only (y 40..60 here).
    lines = Wrapped(doc::TWrapKind::wkAboveAndBelow, {20, 0, 160, 80}, doc::TRect{0, 40, 160, 20});
    ASSERT_GE(lines.size(), 3u);
    EXPECT_DOUBLE_EQ(lines[0].Baseline, 28);
    EXPECT_DOUBLE_EQ(lines[1].Baseline, 38);
    EXPECT_DOUBLE_EQ(lines[2].Baseline, 68);
}

TEST(DrawablesTest, AutomaticWrapTakesTheWiderSideOrGoesAboveAndBelowACentredObject) {
    // The column runs x 20..180. An object at 60..100 leaves 40 pt on its left and 80 on its right:
    // the text takes the right side only.
    auto lines = Wrapped(doc::TWrapKind::wkAutomatic, {60, 20, 40, 40});
    ASSERT_GE(lines.size(), 5u);
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(lines[std::size_t(i)].Items.size(), 1u) << i;
        EXPECT_DOUBLE_EQ(lines[std::size_t(i)].Left, 100) << i;
    }
    EXPECT_DOUBLE_EQ(lines[4].Left, 20);
    // Mirrored: the text takes the left side.
    lines = Wrapped(doc::TWrapKind::wkAutomatic, {100, 20, 40, 40});
    ASSERT_GE(lines.size(), 1u);
    EXPECT_DOUBLE_EQ(lines[0].Left, 20);
    EXPECT_LE(lines[0].Right, 100 + 1e-9);
    // Centred in the column (55 pt free on each side): nothing beside it, the text goes below.
    lines = Wrapped(doc::TWrapKind::wkAutomatic, {75, 30, 50, 40});
    ASSERT_GE(lines.size(), 3u);
    EXPECT_DOUBLE_EQ(lines[0].Baseline, 28);
    EXPECT_DOUBLE_EQ(lines[1].Baseline, 78);
    EXPECT_DOUBLE_EQ(lines[1].Left, 20);
}

TEST(DrawablesTest, AWordTooLongForTheGapBesideAnObjectGoesPastItWhole) {
    // An object at x 60..100 leaves 40 pt on its left: "abcdefghijk" (55 pt) goes right of it, uncut,
    // while a word that fits stays on the left.
    for (const bool fits : {false, true}) {
        SCOPED_TRACE(fits);
        doc::TDocument d = Doc();
        doc::TDrawable picture = Image({60, 20, 40, 20});
        picture.Wrap = {doc::TWrapKind::wkAround, 0};
        d.Drawables.push_back(picture);
        d.FloatingByPage.push_back({0, {}, {0}});
        d.Body.Paragraphs.push_back(Para(fits ? u"abcdefg hijk" : u"abcdefghijk lmn"));
        const auto lines = Lines(Laid(d));
        ASSERT_FALSE(lines.empty());
        ASSERT_EQ(lines[0].Items.size(), fits ? 2u : 1u);
        EXPECT_EQ(lines[0].Items[0].Text, fits ? u"abcdefg" : u"abcdefghijk lmn");
        EXPECT_DOUBLE_EQ(lines[0].Items[0].X, fits ? 20 : 100);
    }
}

TEST(DrawablesTest, AnchoredObjectsGoToTheirParagraphsPage) {
    doc::TDocument d = Doc();
    for (int i = 0; i < 20; ++i) d.Body.Paragraphs.push_back(Para(u"x"));
    doc::TDrawable picture = Image({100, 100, 50, 50});
    picture.AnchorParagraph = 18;  // the third line of page 2
    d.Drawables.push_back(picture);
    const TLaidOutDocument out = Laid(d);
    ASSERT_EQ(out.Pages.size(), 2u);
    EXPECT_TRUE(ItemsOf<layout::TImageItem>(out.Pages[0]).empty());
    EXPECT_EQ(ItemsOf<layout::TImageItem>(out.Pages[1]).size(), 1u);
}

TEST(DrawablesTest, AnObjectPlacedFromItsAnchorsLineTakesTheLineAlongWhenItWouldRunOffThePage) {
    // The anchor's line is the thirteenth of a page that holds sixteen: its top at 140 on a page 200 tall.
    for (const double offset : {10.0, 40.0}) {
        SCOPED_TRACE(offset);
        doc::TDocument d = Doc();
        for (int i = 0; i < 12; ++i) d.Body.Paragraphs.push_back(Para(u"x"));
        d.Body.Paragraphs.push_back(Para(u"anchor"));
        doc::TDrawable picture = Image({100, 30, 50, 40});
        picture.AnchorParagraph = 12;
        picture.AnchorOffset = offset;
        d.Drawables.push_back(picture);
        const auto lines = Lines(Laid(d));
        ASSERT_EQ(lines.size(), 13u);
        const bool fits = 140 + offset + 40 <= 200;
        EXPECT_EQ(lines.back().Page, fits ? 0u : 1u);
        const TLaidOutDocument out = Laid(d);
        EXPECT_EQ(ItemsOf<layout::TImageItem>(out.Pages[fits ? 0 : 1]).size(), 1u);
    }
}

TEST(DrawablesTest, AnAnchoredObjectFollowsTheLineThatHoldsItsMark) {
    // A page 160 tall holds 16 lines of 10. Paragraph 15 has two lines: its first ends page 1, its
    // second, which holds the mark, starts page 2.
    doc::TDocument d = Doc();
    for (int i = 0; i < 20; ++i) d.Body.Paragraphs.push_back(Para(u"x"));
    d.Body.Paragraphs[15] = Para(u"first\u2028second\uFFFC");
    d.Body.Paragraphs[15].Style.Edit().WidowControl = false;
    doc::TDrawable picture = Image({100, 30, 50, 40});
    picture.Image.Crop = doc::TRect{0, 5, 50, 30};  // what shows starts 5 below the frame's top
    picture.AnchorParagraph = 15;
    picture.AnchorPosition = 12;
    picture.AnchorOffset = 10;
    d.Drawables.push_back(picture);
    const TLaidOutDocument out = Laid(d);
    ASSERT_EQ(out.Pages.size(), 2u);
    EXPECT_TRUE(ItemsOf<layout::TImageItem>(out.Pages[0]).empty());
    const auto images = ItemsOf<layout::TImageItem>(out.Pages[1]);
    ASSERT_EQ(images.size(), 1u);
    // The second line's baseline at 28 on page 2; what shows of the picture 10 below that.
    EXPECT_DOUBLE_EQ(images[0]->Clip.Y, 28 + 10);
    EXPECT_DOUBLE_EQ(images[0]->Frame.Y, 28 + 10 - 5);
    EXPECT_DOUBLE_EQ(images[0]->Frame.X, 100);
}

doc::TCell Cell(const std::u16string& text, std::optional<doc::TColor> fill = {}) {
    doc::TCell c;
    c.Text.Paragraphs.push_back(Para(text));
    c.Fill = fill;
    c.Bottom.Width = 1;
    return c;
}

TEST(DrawablesTest, TablesGrowWithTheirTextAndRepeatHeaderRowsOnNewPages) {
    doc::TDocument d = Doc();
    doc::TTable table;
    table.ColumnWidths = {60, 40};
    table.HeaderRows = 1;
    table.Cells.push_back({Cell(u"Head", doc::TColor{0, 0, 1, 1}), Cell(u"H2")});
    for (int r = 0; r < 12; ++r) table.Cells.push_back({Cell(u"r"), Cell(r == 0 ? u"aaaa bbbb cccc" : u"c")});
    table.RowHeights.assign(13, 12);  // less than the text needs: the rows grow
    table.RowHeights[0] = 20;
    d.Tables.push_back(table);
    doc::TDrawable drawable;
    drawable.Kind = doc::TDrawableKind::dkTable;
    drawable.Inline = true;
    d.Drawables.push_back(drawable);
    d.Body.Paragraphs.push_back(Para(u"before"));
    doc::TParagraph holder = Para(u"\uFFFC");
    holder.Attachments.push_back(Attach(0, doc::TAttachmentKind::akDrawable, 0));
    d.Body.Paragraphs.push_back(holder);
    d.Body.Paragraphs.push_back(Para(u"after"));
    const TLaidOutDocument out = Laid(d);
    ASSERT_EQ(out.Pages.size(), 2u);
    const auto lines = Lines(out);
    // Rows are 20 pt (stored) and 18 pt (text and padding); row 1's second cell is 32 pt wide:
    // three lines of text, 30 pt + padding = 38 pt.
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0].Text, u"before");
    EXPECT_EQ(lines[1].Text, u"HeadH2");
    EXPECT_DOUBLE_EQ(lines[1].Baseline, 30 + 4 + 8);
    EXPECT_DOUBLE_EQ(lines[1].Items[1].X, 84);
    EXPECT_EQ(lines[2].Text, u"raaaa");
    EXPECT_DOUBLE_EQ(lines[2].Baseline, 30 + 20 + 4 + 8);
    EXPECT_DOUBLE_EQ(lines[5].Baseline, 30 + 20 + 38 + 4 + 8);
    // Page 2 starts with the header row again.
    std::vector<std::u16string> second;
    for (const auto& l : lines)
        if (l.Page == 1) second.push_back(l.Text);
    ASSERT_GE(second.size(), 2u);
    EXPECT_EQ(second.front(), u"HeadH2");
    EXPECT_EQ(second.back(), u"after");
    EXPECT_EQ(ItemsOf<layout::TPathItem>(out.Pages[1]).size(), 1u);  // the header's fill
    // Rows never cross the foot of the page.
    for (const auto* rule : ItemsOf<layout::TLineItem>(out.Pages[0])) EXPECT_LE(rule->From.Y, 180 + 1e-9);
}

TEST(DrawablesTest, CellsMergedDownReachOverTheirRows) {
    doc::TDocument d = Doc();
    doc::TTable table;
    table.ColumnWidths = {50, 50};
    doc::TCell merged = Cell(u"aaaaaaa bbbbbbb ccccccc ddddddd eeeeeee", doc::TColor{1, 0, 0, 1});  // five lines
    merged.RowSpan = 2;
    doc::TCell covered;
    covered.RowSpan = 0;
    covered.Bottom.Width = 1;  // the merged cell's foot is its last row's
    table.Cells = {{merged, Cell(u"r1")}, {covered, Cell(u"r2")}};
    d.Tables.push_back(table);
    doc::TDrawable drawable;
    drawable.Kind = doc::TDrawableKind::dkTable;
    drawable.Frame = {20, 20, 100, 100};
    d.Drawables.push_back(drawable);
    d.FloatingByPage.push_back({0, {}, {0}});
    const TLaidOutDocument out = Laid(d);
    const auto fills = ItemsOf<layout::TPathItem>(out.Pages[0]);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_DOUBLE_EQ(fills[0]->Path[2].P.Y, 20 + 58);  // row 1 as its text needs; row 2 grows for the rest
    std::vector<double> bottoms;
    for (const auto* rule : ItemsOf<layout::TLineItem>(out.Pages[0])) bottoms.push_back(rule->From.Y);
    EXPECT_EQ(bottoms, (std::vector<double>{20 + 58, 20 + 18, 20 + 58}));
}

TEST(DrawablesTest, AMergedCellsEdgesAreThoseOfTheCellsAlongThem) {
    // Three columns; the first row's first cell covers two. Its right edge is the second column's,
    // and the line stored between the two columns it covers is not drawn.
    doc::TDocument d = Doc();
    doc::TTable table;
    table.ColumnWidths = {40, 40, 40};
    doc::TCell merged = Cell(u"a");
    merged.ColumnSpan = 2;
    merged.Right.Width = 3;  // the line inside the merged cell
    merged.Bottom.Width = 0;
    doc::TCell covered;
    covered.ColumnSpan = 0;
    covered.Right.Width = 0.5;  // the edge
    covered.Bottom.Width = 2;
    doc::TCell last = Cell(u"b");
    last.Bottom.Width = 0;
    table.Cells = {{merged, covered, last}};
    table.RowHeights = {20};
    d.Tables.push_back(table);
    doc::TDrawable drawable;
    drawable.Kind = doc::TDrawableKind::dkTable;
    drawable.Frame = {20, 20, 120, 20};
    d.Drawables.push_back(drawable);
    d.FloatingByPage.push_back({0, {}, {0}});
    const TLaidOutDocument out = Laid(d);
    std::vector<std::tuple<double, double, double, double, double>> rules;  // x1, y1, x2, y2, width
    for (const auto* rule : ItemsOf<layout::TLineItem>(out.Pages[0]))
        rules.emplace_back(rule->From.X, rule->From.Y, rule->To.X, rule->To.Y, rule->Stroke.Width);
    using R = std::tuple<double, double, double, double, double>;
    EXPECT_EQ(rules, (std::vector<R>{R{60, 40, 100, 40, 2}, R{100, 20, 100, 40, 0.5}}));
}

TEST(DrawablesTest, CellRulesKeepTheirDashes) {
    doc::TDocument d = Doc();
    doc::TTable table;
    table.ColumnWidths = {50, 50};
    doc::TCell dashed = Cell(u"a");
    dashed.Bottom.Dash = {1, 1};
    table.Cells = {{dashed, Cell(u"b")}};
    d.Tables.push_back(table);
    doc::TDrawable drawable;
    drawable.Kind = doc::TDrawableKind::dkTable;
    drawable.Frame = {20, 20, 100, 100};
    d.Drawables.push_back(drawable);
    d.FloatingByPage.push_back({0, {}, {0}});
    const TLaidOutDocument out = Laid(d);
    std::vector<std::vector<double>> dashes;
    for (const auto* rule : ItemsOf<layout::TLineItem>(out.Pages[0])) dashes.push_back(rule->Stroke.Dash);
    EXPECT_EQ(dashes, (std::vector<std::vector<double>>{{1, 1}, {}}));
}

TEST(DrawablesTest, FootnotesAtTheFootOfTheReferringPage) {
    doc::TDocument d = Doc();
    d.FootnoteSettings.Gap = 4;
    for (int i = 0; i < 18; ++i) d.Body.Paragraphs.push_back(Para(u"x"));
    doc::TParagraph p = Para(u"see\uFFFC");
    p.Attachments.push_back(Attach(3, doc::TAttachmentKind::akFootnote, 0));
    d.Body.Paragraphs.push_back(p);
    d.Body.Paragraphs.push_back(Para(u"y"));
    doc::TFootnote note;
    note.Text.Paragraphs.push_back(Para(u"the note"));
    d.Footnotes.push_back(note);
    const TLaidOutDocument out = Laid(d);
    ASSERT_EQ(out.Pages.size(), 2u);
    const auto lines = Lines(out);
    const TLineView* mark = nullptr;
    const TLineView* text = nullptr;
    for (const auto& l : lines) {
        if (l.Text == u"1the note" || l.Text == u"the note") text = &l;
        if (l.Text == u"1" && l.Page == 1 && l.Baseline < 100) mark = &l;
    }
    ASSERT_TRUE(text);
    EXPECT_EQ(text->Page, 1u);
    // The note's line ends at the foot of the body; the separator above it.
    EXPECT_DOUBLE_EQ(text->Baseline, 180 - 2);
    const auto rules = ItemsOf<layout::TLineItem>(out.Pages[1]);
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_DOUBLE_EQ(rules[0]->From.Y, 180 - 10 - 6);
    ASSERT_TRUE(mark);
    EXPECT_DOUBLE_EQ(mark->Items[0].Size, 6);
}

TEST(DrawablesTest, FootnotesNumberedByPageStartAtOneOnEachPage) {
    doc::TDocument d = Doc();
    d.FootnoteSettings.Numbering = doc::TFootnoteNumbering::fnPage;
    d.FootnoteSettings.Format = doc::TNumberFormat::nfLowerAlpha;
    for (std::size_t n = 0; n < 3; ++n) {
        doc::TParagraph p = Para(u"see\uFFFC");
        p.Attachments.push_back(Attach(3, doc::TAttachmentKind::akFootnote, n));
        d.Body.Paragraphs.push_back(p);
        if (n == 1) d.Body.Paragraphs.push_back(Para(u"\u0005"));
        d.Footnotes.emplace_back().Text.Paragraphs.push_back(Para(u"note"));
    }
    const TLaidOutDocument out = Laid(d);
    ASSERT_EQ(out.Pages.size(), 2u);
    std::vector<std::u16string> marks[2];
    for (std::size_t page = 0; page < 2; ++page)
        for (const auto* text : ItemsOf<layout::TTextItem>(out.Pages[page]))
            if (text->Size == 6) marks[page].push_back(text->Text);
    // Each mark twice: in the text and before its note.
    EXPECT_EQ(marks[0], (std::vector<std::u16string>{u"a", u"b", u"a", u"b"}));
    EXPECT_EQ(marks[1], (std::vector<std::u16string>{u"a", u"a"}));
}

TEST(DrawablesTest, EndnotesFollowTheBody) {
    doc::TDocument d = Doc();
    d.FootnoteSettings.Kind = doc::TFootnoteKind::fnEndnotes;
    doc::TParagraph p = Para(u"see\uFFFC");
    p.Attachments.push_back(Attach(3, doc::TAttachmentKind::akFootnote, 0));
    d.Body.Paragraphs.push_back(p);
    d.Body.Paragraphs.push_back(Para(u"last"));
    doc::TFootnote note;
    note.Text.Paragraphs.push_back(Para(u"the note"));
    d.Footnotes.push_back(note);
    const auto lines = Lines(Laid(d));
    ASSERT_EQ(lines.size(), 5u);  // see, its mark, last, the note's mark, the note
    EXPECT_EQ(lines[2].Text, u"last");
    EXPECT_EQ(lines[4].Text, u"the note");
    EXPECT_GT(lines[4].Baseline, lines[2].Baseline + 10);
}

TEST(DrawablesTest, SectionEndnotesCloseTheirSection) {
    doc::TDocument d = Doc();
    d.FootnoteSettings.Kind = doc::TFootnoteKind::fnSectionEndnotes;
    d.Sections.emplace_back().StartsNewPage = false;
    for (std::size_t s = 0; s < 2; ++s) {
        doc::TParagraph p = Para(s ? u"two\uFFFC" : u"one\uFFFC");
        p.Attachments.push_back(Attach(3, doc::TAttachmentKind::akFootnote, s));
        p.Section = s;
        d.Body.Paragraphs.push_back(p);
        d.Footnotes.emplace_back().Text.Paragraphs.push_back(Para(s ? u"note two" : u"note one"));
    }
    std::vector<std::u16string> order;
    for (const auto& l : Lines(Laid(d)))
        if (l.Text.size() > 1) order.push_back(l.Text);
    EXPECT_EQ(order, (std::vector<std::u16string>{u"one", u"note one", u"two", u"note two"}));
}

TEST(DrawablesTest, ColumnsAndSections) {
    doc::TDocument d = Doc();
    d.Sections[0].Columns = 2;
    d.Sections[0].ColumnGap = 20;
    for (int i = 0; i < 20; ++i) d.Body.Paragraphs.push_back(Para(u"x"));
    doc::TSection second;
    second.PageNumberStartAt = 5;
    second.Odd.Footer.Left.Paragraphs.push_back(Para(u"\uFFFC"));
    second.Odd.Footer.Left.Paragraphs[0].Attachments.push_back(
        {0, doc::TAttachmentKind::akField, 0, doc::TFieldKind::fkPageNumber, u""});
    d.Sections.push_back(second);
    doc::TParagraph next = Para(u"next section");
    next.Section = 1;
    d.Body.Paragraphs.push_back(next);
    const TLaidOutDocument out = Laid(d);
    ASSERT_EQ(out.Pages.size(), 2u);
    const auto lines = Lines(out);
    // Column 1 at x 20, column 2 at 20 + 70 + 20 (the lines side by side share a baseline).
    std::size_t left = 0, right = 0;
    for (const auto& l : lines) {
        if (l.Page != 0) continue;
        for (const auto& item : l.Items) {
            EXPECT_EQ(item.Text, u"x");
            if (item.X == 20) ++left;
            if (item.X == 110) ++right;
        }
    }
    EXPECT_EQ(left, 16u);
    EXPECT_EQ(right, 4u);
    ASSERT_EQ(lines.size(), 18u);
    EXPECT_EQ(lines[16].Text, u"next section");
    EXPECT_EQ(lines[16].Page, 1u);
    EXPECT_DOUBLE_EQ(lines[16].Left, 20);
    EXPECT_EQ(lines[17].Text, u"5");  // the new section's footer, numbered from 5
}

}  // namespace
