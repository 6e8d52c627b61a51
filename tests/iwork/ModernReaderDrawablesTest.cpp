// The modern reader: pictures, masks, shapes, fills and text boxes, inline, anchored and floating.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "ModernDocumentBuilder.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"
#include "support/ZipWriter.h"
#include "zip/ZipFile.h"

using namespace iwork;
using namespace testsupport;

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

TEST(ModernReader, WrapTypesReadAsPagesOffersThem) {
    const std::pair<std::uint64_t, doc::TWrapKind> cases[] = {
        {1, doc::TWrapKind::wkAround},    {2, doc::TWrapKind::wkAboveAndBelow}, {3, doc::TWrapKind::wkNone},
        {4, doc::TWrapKind::wkAutomatic}, {5, doc::TWrapKind::wkNone},
    };
    for (const auto& [type, kind] : cases) {
        SCOPED_TRACE(type);
        TDocumentBuilder b;
        const auto textBox = b.Add(kTextBox, TextBox(DrawableRecord(72, 300, 200, 60, type), b.Add(kStorage, Storage("In"))));
        const auto attachment = b.Add(kDrawableAttachment, TProtoWriter().Reference(1, textBox));
        b.Body(Storage("Anchor \xEF\xBF\xBC").Message(9, ObjectTable({{7, attachment}})));
        const doc::TDocument d = b.Read();
        ASSERT_EQ(d.Drawables.size(), 1u);
        EXPECT_FALSE(d.Drawables[0].Inline);
        EXPECT_EQ(d.Drawables[0].Wrap.Kind, kind);
    }
}

TEST(ModernReader, ATableOfContentsSetsItsEntriesInTheBodyWhereItStands) {
    // A table of contents stores a nominal frame (100 x 100); Pages sets its entries across the
    // column, as body paragraphs, keeping the page break its paragraph holds. Sections and
    // anchors after it move with the paragraphs.
    for (const bool alone : {true, false}) {
        SCOPED_TRACE(alone);
        TDocumentBuilder b;
        const auto entries = b.Add(kStorage, Storage("Intro\t1\nMethod\t2\nResults\t3"));
        const auto toc = b.Add(iwork::types::kTocInfo,
                               TProtoWriter().Message(1, TextBox(DrawableRecord(0, 0, 100, 100, 0), entries)));
        const auto attachment = b.Add(iwork::types::kTocAttachment,
                                      TProtoWriter().Message(1, TProtoWriter().Reference(1, toc)));
        const auto floating = b.Add(kTextBox, TextBox(DrawableRecord(72, 300, 100, 40, 2), b.Add(kStorage, Storage("Box"))));
        const auto anchored = b.Add(kDrawableAttachment, TProtoWriter().Reference(1, floating));
        const auto section = b.Add(kSection, TProtoWriter().Bool(17, true));
        // "Contents\n" 0..8, the host paragraph from 9 (a page break ends a paragraph too, so an
        // empty one follows), "After" from 12 (or 16).
        const std::string host = alone ? "\xEF\xBF\xBC\x05\n" : "See \xEF\xBF\xBC\x05\n";
        const std::uint32_t after = alone ? 12 : 16;
        b.Body(Storage("Contents\n" + host + "After \xEF\xBF\xBC")
                   .Message(9, ObjectTable({{alone ? 9u : 13u, attachment}, {after + 6, anchored}}))
                   .Message(17, ObjectTable({{0, section}, {after, section}})));
        const doc::TDocument d = b.Read();
        const auto texts = Texts(d.Body);
        if (!alone) {  // beside other text it stays an object of the paragraph
            EXPECT_EQ(texts.size(), 4u);
            continue;
        }
        ASSERT_EQ(texts, (std::vector<std::u16string>{u"Contents", u"Intro\t1", u"Method\t2", u"Results\t3\u0005",
                                                      u"", u"After \uFFFC"}));
        ASSERT_EQ(d.Sections.size(), 2u);
        EXPECT_EQ(d.Sections[1].FirstParagraph, 5u);
        EXPECT_EQ(d.Body.Paragraphs[2].Section, 0u);
        EXPECT_EQ(d.Body.Paragraphs[5].Section, 1u);
        const auto box = std::find_if(d.Drawables.begin(), d.Drawables.end(),
                                      [](const doc::TDrawable& x) { return x.AnchorParagraph.has_value(); });
        ASSERT_NE(box, d.Drawables.end());
        EXPECT_EQ(box->AnchorParagraph, 5u);
        EXPECT_EQ(d.Body.Paragraphs[3].Runs.back().End, 10u);
    }
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
