#include "iwork/Drawables.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <unordered_map>

#include "document/Limits.h"
#include "iwork/DocumentFields.h"
#include "iwork/DrawableFields.h"
#include "iwork/ObjectTypes.h"
#include "iwork/StorageFields.h"
#include "iwork/Stylesheet.h"
#include "iwork/Tables.h"
#include "iwork/TextStorageReader.h"

namespace iwork::detail {

namespace {

using namespace fields;

enum class TPlacement { plInline, plAnchored, plFloating };

// Where the common drawable record (geometry, parent, wrap...) sits: each kind
// wraps it in its own chain of "super" fields.
std::optional<TMessage> DrawableRecord(const TObject& object) {
    auto level = [](std::optional<TMessage> m, int depth) {
        for (int i = 0; i < depth && m; ++i)
            m = m->Message(super::kSuper);
        return m;
    };
    const std::optional<TMessage> payload(object.Payload);
    switch (object.Type) {
    case types::kShapeInfo:       // {1 shape {1 drawable}}
    case types::kConnectionLine:  // {1 shape {1 drawable}}
    case types::kWpTableInfo:     // {1 table {1 drawable}}
        return level(payload, 2);
    case types::kTocInfo:      // {1 text shape {1 shape {1 drawable}}}
    case types::kCaptionInfo:  // the same
        return level(payload, 3);
    default:  // images, shapes, groups, tables, charts, media: {1 drawable}
        return level(payload, 1);
    }
}

// The shape record (drawable, style, path source) of shapes and text shapes.
std::optional<TMessage> ShapeRecord(const TObject& object) {
    switch (object.Type) {
    case types::kShape: return object.Payload;
    case types::kShapeInfo: return object.Payload.Message(text_shape::kShape);
    case types::kConnectionLine: return object.Payload.Message(super::kSuper);
    case types::kTocInfo:
    case types::kCaptionInfo: {
        auto info = object.Payload.Message(super::kSuper);
        return info ? info->Message(text_shape::kShape) : std::nullopt;
    }
    default: return std::nullopt;
    }
}

// The text shape record (shape, storage, flow...).
std::optional<TMessage> TextShapeRecord(const TObject& object) {
    switch (object.Type) {
    case types::kShapeInfo: return object.Payload;
    case types::kTocInfo:
    case types::kCaptionInfo: return object.Payload.Message(super::kSuper);
    default: return std::nullopt;
    }
}

struct TGeometry {
    doc::TRect Frame;
    double Angle = 0;
};

TGeometry Geometry(const std::optional<TMessage>& drawable) {
    TGeometry g;
    auto stored = drawable ? drawable->Message(drawable::kGeometry) : std::nullopt;
    if (!stored)
        return g;
    if (auto p = Point(*stored, geometry::kPosition)) {
        g.Frame.X = p->X;
        g.Frame.Y = p->Y;
    }
    if (auto s = Point(*stored, geometry::kSize)) {
        g.Frame.Width = std::max(0.0, s->X);
        g.Frame.Height = std::max(0.0, s->Y);
    }
    g.Angle = Float(*stored, geometry::kAngle, 0);
    return g;
}

// Type 0 is inline; 2 lets text run above and below; 3 and 5 let text run over it; 4 leaves the
// side to the layout.
doc::TWrap Wrap(const std::optional<TMessage>& drawable, bool& inlineWrap) {
    doc::TWrap wrap;
    auto record = drawable ? drawable->Message(drawable::kWrap) : std::nullopt;
    inlineWrap = !record;
    if (!record)
        return wrap;
    const auto type = record->Varint(wrap::kType).value_or(0);
    inlineWrap = type == 0;
    wrap.Kind = type == 2                ? doc::TWrapKind::wkAboveAndBelow
                : type == 3 || type == 5 ? doc::TWrapKind::wkNone
                : type == 4              ? doc::TWrapKind::wkAutomatic
                                         : doc::TWrapKind::wkAround;
    wrap.Margin = std::max(0.0, Float(*record, wrap::kMargin, wrap.Margin));
    return wrap;
}

// --- Paths ---------------------------------------------------------------------------

class TPathBuilder {
public:
    TPathBuilder(double sx, double sy, double width, double height, bool hflip, bool vflip)
        : FSx(sx), FSy(sy), FWidth(width), FHeight(height), FHFlip(hflip), FVFlip(vflip) {}

    void Move(double x, double y) { Add(doc::TPathSegment::skMove, x, y); }
    void Line(double x, double y) { Add(doc::TPathSegment::skLine, x, y); }
    void Curve(double x1, double y1, double x2, double y2, double x, double y) {
        doc::TPathSegment s;
        s.Kind = doc::TPathSegment::skCurve;
        s.C1 = Map(x1, y1);
        s.C2 = Map(x2, y2);
        s.P = Map(x, y);
        FPath.push_back(s);
        FCurrent = {x, y};
    }
    void Quad(double cx, double cy, double x, double y) {
        Curve(FCurrent.X + 2.0 / 3 * (cx - FCurrent.X), FCurrent.Y + 2.0 / 3 * (cy - FCurrent.Y),
              x + 2.0 / 3 * (cx - x), y + 2.0 / 3 * (cy - y), x, y);
    }
    void Close() {
        doc::TPathSegment s;
        s.Kind = doc::TPathSegment::skClose;
        FPath.push_back(s);
    }
    std::vector<doc::TPathSegment> Take() { return std::move(FPath); }

private:
    doc::TPoint Map(double x, double y) const {
        double px = x * FSx, py = y * FSy;
        if (FHFlip)
            px = FWidth - px;
        if (FVFlip)
            py = FHeight - py;
        return {std::isfinite(px) ? px : 0, std::isfinite(py) ? py : 0};
    }
    void Add(doc::TPathSegment::TKind kind, double x, double y) {
        doc::TPathSegment s;
        s.Kind = kind;
        s.P = Map(x, y);
        FPath.push_back(s);
        FCurrent = {x, y};
    }

    double FSx, FSy, FWidth, FHeight;
    bool FHFlip, FVFlip;
    doc::TPoint FCurrent;
    std::vector<doc::TPathSegment> FPath;
};

double Scale(double frame, double natural) { return natural > 1e-6 ? frame / natural : 1.0; }

void RoundedRect(TPathBuilder& b, double w, double h, double r) {
    r = std::clamp(r, 0.0, std::min(w, h) / 2);
    if (r <= 0) {
        b.Move(0, 0);
        b.Line(w, 0);
        b.Line(w, h);
        b.Line(0, h);
        b.Close();
        return;
    }
    const double k = r * 0.5523;  // cubic approximation of a quarter circle
    b.Move(r, 0);
    b.Line(w - r, 0);
    b.Curve(w - r + k, 0, w, r - k, w, r);
    b.Line(w, h - r);
    b.Curve(w, h - r + k, w - r + k, h, w - r, h);
    b.Line(r, h);
    b.Curve(r - k, h, 0, h - r + k, 0, h - r);
    b.Line(0, r);
    b.Curve(0, r - k, r - k, 0, r, 0);
    b.Close();
}

// fit: the path's own bounds are stretched over this box (a bezier path source's natural size).
void BezierPath(TPathBuilder& b, const TMessage& path, std::optional<TPointValue> fit = std::nullopt) {
    double minX = 0, minY = 0, kx = 1, ky = 1;
    if (fit) {
        double maxX = -1e300, maxY = -1e300;
        minX = minY = 1e300;
        for (const auto& element : path.Messages(bezier_path::kElements))
            for (const auto& stored : element.Messages(path_element::kPoints)) {
                const double x = Float(stored, point::kX, 0), y = Float(stored, point::kY, 0);
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
        // An axis without extent (a straight line) stays as it is.
        if (maxX - minX > 1e-6) kx = fit->X / (maxX - minX); else minX = 0;
        if (maxY - minY > 1e-6) ky = fit->Y / (maxY - minY); else minY = 0;
        if (!std::isfinite(kx) || !std::isfinite(ky) || !std::isfinite(minX) || !std::isfinite(minY))
            minX = minY = 0, kx = ky = 1;
    }
    for (const auto& element : path.Messages(bezier_path::kElements)) {
        const auto points = element.Messages(path_element::kPoints);
        auto pt = [&](std::size_t i) {
            if (i >= points.size())
                return TPointValue{};
            return TPointValue{(Float(points[i], point::kX, 0) - minX) * kx,
                               (Float(points[i], point::kY, 0) - minY) * ky};
        };
        switch (element.Varint(path_element::kType).value_or(0)) {
        case 1: b.Move(pt(0).X, pt(0).Y); break;
        case 2: b.Line(pt(0).X, pt(0).Y); break;
        case 3: b.Quad(pt(0).X, pt(0).Y, pt(1).X, pt(1).Y); break;
        case 4: b.Curve(pt(0).X, pt(0).Y, pt(1).X, pt(1).Y, pt(2).X, pt(2).Y); break;
        case 5: b.Close(); break;
        default: break;
        }
    }
}

void EditableBezierPath(TPathBuilder& b, const TMessage& source) {
    for (const auto& subpath : source.Messages(editable_bezier::kSubpaths)) {
        const auto nodes = subpath.Messages(editable_subpath::kNodes);
        if (nodes.empty())
            continue;
        auto at = [&](std::size_t i, std::uint32_t field) {
            auto p = Point(nodes[i], field);
            return p ? *p : TPointValue{};
        };
        using namespace editable_node;
        b.Move(at(0, kPoint).X, at(0, kPoint).Y);
        const bool closed = subpath.Bool(editable_subpath::kClosed).value_or(false);
        const std::size_t n = nodes.size();
        for (std::size_t i = 1; i < n + (closed ? 1 : 0); ++i) {
            const std::size_t from = i - 1, to = i % n;
            b.Curve(at(from, kControlOut).X, at(from, kControlOut).Y, at(to, kControlIn).X, at(to, kControlIn).Y,
                    at(to, kPoint).X, at(to, kPoint).Y);
        }
        if (closed)
            b.Close();
    }
}

// The path is the box (0, 0)-(w, h) itself (straight lines between its corners), or empty.
bool IsBox(const std::vector<doc::TPathSegment>& path, double w, double h) {
    auto near = [](double a, double b) { return std::abs(a - b) < 0.5; };
    for (const doc::TPathSegment& s : path) {
        if (s.Kind == doc::TPathSegment::skClose) continue;
        if (s.Kind == doc::TPathSegment::skCurve) return false;
        if (!(near(s.P.X, 0) || near(s.P.X, w)) || !(near(s.P.Y, 0) || near(s.P.Y, h))) return false;
    }
    return true;
}

std::vector<doc::TPathSegment> ShapePath(const std::optional<TMessage>& source, double w, double h) {
    if (!source) {
        TPathBuilder b(1, 1, w, h, false, false);
        RoundedRect(b, w, h, 0);
        return b.Take();
    }
    const bool hflip = source->Bool(path_source::kHorizontalFlip).value_or(false);
    const bool vflip = source->Bool(path_source::kVerticalFlip).value_or(false);
    if (auto scalar = source->Message(path_source::kScalar)) {
        auto natural = Point(*scalar, scalar_path::kNaturalSize).value_or(TPointValue{w, h});
        TPathBuilder b(Scale(w, natural.X), Scale(h, natural.Y), w, h, hflip, vflip);
        const double value = Float(*scalar, scalar_path::kScalar, 0);
        if (scalar->Varint(scalar_path::kType).value_or(0) == 1 && value >= 3 && value <= 100) {
            // A regular polygon inscribed in the natural box, first corner at the top.
            const int sides = static_cast<int>(value);
            for (int i = 0; i < sides; ++i) {
                const double a = -std::numbers::pi / 2 + 2 * std::numbers::pi * i / sides;
                const double x = natural.X / 2 * (1 + std::cos(a)), y = natural.Y / 2 * (1 + std::sin(a));
                i == 0 ? b.Move(x, y) : b.Line(x, y);
            }
            b.Close();
        } else {
            RoundedRect(b, natural.X, natural.Y, scalar->Varint(scalar_path::kType).value_or(0) == 0 ? value : 0);
        }
        return b.Take();
    }
    if (auto bezier = source->Message(path_source::kBezier)) {
        auto natural = Point(*bezier, bezier_path_source::kNaturalSize).value_or(TPointValue{w, h});
        TPathBuilder b(Scale(w, natural.X), Scale(h, natural.Y), w, h, hflip, vflip);
        if (auto path = bezier->Message(bezier_path_source::kPath))
            BezierPath(b, *path, natural);
        return b.Take();
    }
    if (auto line = source->Message(path_source::kConnectionLine)) {  // a bezier path inside
        auto bezier = line->Message(connection_line_path::kBezier);
        auto natural =
            bezier ? Point(*bezier, bezier_path_source::kNaturalSize).value_or(TPointValue{w, h}) : TPointValue{w, h};
        TPathBuilder b(Scale(w, natural.X), Scale(h, natural.Y), w, h, hflip, vflip);
        if (bezier)
            if (auto path = bezier->Message(bezier_path_source::kPath))
                BezierPath(b, *path);
        return b.Take();
    }
    if (auto editable = source->Message(path_source::kEditableBezier)) {
        auto natural = Point(*editable, editable_bezier::kNaturalSize).value_or(TPointValue{w, h});
        TPathBuilder b(Scale(w, natural.X), Scale(h, natural.Y), w, h, hflip, vflip);
        EditableBezierPath(b, *editable);
        return b.Take();
    }
    if (auto callout = source->Message(path_source::kCallout)) {
        TPathBuilder b(1, 1, w, h, hflip, vflip);
        RoundedRect(b, w, h, Float(*callout, callout_path::kCornerRadius, 0));
        return b.Take();
    }
    // Arrows, stars and the like: their box.
    TPathBuilder b(1, 1, w, h, false, false);
    RoundedRect(b, w, h, 0);
    return b.Take();
}

// --- Drawables -----------------------------------------------------------------------

class TDrawableReader {
public:
    explicit TDrawableReader(TReadContext& context) : FContext(context) {}

    // Reads the drawable and adds it (with what it holds) to Drawables.
    std::optional<std::size_t> Read(std::uint64_t id, TPlacement placement,
                                     std::optional<std::size_t> anchor = std::nullopt, bool* inlineWrap = nullptr);

private:
    std::size_t Add(doc::TDrawable drawable) {
        FContext.Doc.Drawables.push_back(std::move(drawable));
        return FContext.Doc.Drawables.size() - 1;
    }
    // What the drawable is, by its kind; false for what adds no drawable (a comment).
    bool ReadKind(const TObject& object, doc::TDrawable& d);
    void ReadImage(const TObject& object, doc::TDrawable& d);
    void ReadShape(const TObject& object, doc::TDrawable& d);
    void ReadGroup(const TObject& object, doc::TDrawable& d);
    void AddCaption(const std::optional<TMessage>& record, std::size_t owner);
    bool ShownText(const std::optional<TMessage>& record, std::uint32_t field, std::uint32_t hidden) const;

    TReadContext& FContext;
};

std::optional<std::size_t> TDrawableReader::Read(std::uint64_t id, TPlacement placement,
                                                 std::optional<std::size_t> anchor, bool* inlineWrap) {
    const TObject* object = FContext.Store.Find(id);
    if (!object)
        Damaged(L"a drawable, " + ObjectName(id) + L", is missing");
    TReadBudget::TNesting nesting(FContext.Budget, id);

    const auto record = DrawableRecord(*object);
    const TGeometry geometry = Geometry(record);
    bool wrapInline = true;
    doc::TDrawable d;
    d.Wrap = Wrap(record, wrapInline);
    if (inlineWrap)
        *inlineWrap = wrapInline;
    if (placement == TPlacement::plAnchored && wrapInline)
        placement = TPlacement::plInline;
    d.Frame = geometry.Frame;
    d.Rotation = geometry.Angle;
    d.Inline = placement == TPlacement::plInline;
    if (d.Inline) {
        d.Frame.X = d.Frame.Y = 0;
    } else if (placement == TPlacement::plAnchored) {
        d.AnchorParagraph = anchor;
    }
    if (record && record->Reference(drawable::kComment))
        FContext.Doc.CountLeftOut(L"comment");
    if (!ReadKind(*object, d))
        return std::nullopt;

    const std::size_t index = Add(std::move(d));
    if (object->Type == types::kImage && placement != TPlacement::plInline)
        AddCaption(record, index);
    else if (ShownText(record, drawable::kCaption, drawable::kCaptionHidden))
        FContext.Doc.CountLeftOut(L"caption");  // an inline picture has no room for one
    if (ShownText(record, drawable::kTitle, drawable::kTitleHidden))
        FContext.Doc.CountLeftOut(L"title");
    return index;
}

bool TDrawableReader::ReadKind(const TObject& object, doc::TDrawable& d) {
    switch (object.Type) {
    case types::kImage:
        if (object.Payload.Has(image::kEquationSource) || object.Payload.Has(image::kEquationSourceAlt)) {
            d.Kind = doc::TDrawableKind::dkUnsupported;
            d.What = L"equation";
        } else {
            ReadImage(object, d);
        }
        break;
    case types::kShape:
    case types::kConnectionLine:
    case types::kShapeInfo:
    case types::kTocInfo:
    case types::kCaptionInfo:
        ReadShape(object, d);
        d.TableOfContents = object.Type == types::kTocInfo;
        break;
    case types::kGroup:
        ReadGroup(object, d);
        break;
    case types::kTableInfo:
    case types::kWpTableInfo:
        d.Kind = doc::TDrawableKind::dkTable;
        d.Table = ReadTable(FContext, object);
        break;
    case types::kChartDrawable:
    case types::kChartInfoPreUff:
        d.Kind = doc::TDrawableKind::dkUnsupported;
        d.What = L"chart";
        break;
    case types::kMovie:
        d.Kind = doc::TDrawableKind::dkUnsupported;
        d.What = object.Payload.Bool(movie::kAudioOnly).value_or(false) ? L"audio" : L"video";
        break;
    case types::kEquationInfo:
        d.Kind = doc::TDrawableKind::dkUnsupported;
        d.What = L"equation";
        break;
    case types::kCommentInfo:
        FContext.Doc.CountLeftOut(L"comment");
        return false;
    default:
        d.Kind = doc::TDrawableKind::dkUnsupported;
        d.What = L"unsupported object";
        break;
    }
    if (d.Kind == doc::TDrawableKind::dkUnsupported)
        FContext.Doc.CountLeftOut(d.What);
    return true;
}

bool TDrawableReader::ShownText(const std::optional<TMessage>& record, std::uint32_t field,
                                std::uint32_t hidden) const {
    if (!record || record->Bool(hidden).value_or(false))
        return false;
    auto id = record->Reference(field);
    const TObject* text = id ? FContext.Store.Find(*id) : nullptr;
    return text && text->Type == types::kCaptionInfo;
}

void TDrawableReader::ReadImage(const TObject& object, doc::TDrawable& d) {
    const TMessage& p = object.Payload;
    d.Kind = doc::TDrawableKind::dkImage;
    auto path = [&](std::uint32_t field) {
        auto data = p.Message(field);
        auto id = data ? data->Varint(data_reference::kIdentifier) : std::nullopt;
        return id ? FContext.Data().Path(*id) : std::wstring();
    };
    d.Image.FilePath = path(image::kData);
    if (d.Image.FilePath.empty())
        d.Image.FilePath = path(image::kOriginalData);
    d.Image.ThumbnailPath = path(image::kThumbnailData);
    auto natural = Point(p, image::kNaturalSize);
    if (!natural)
        natural = Point(p, image::kOriginalSize);
    if (natural) {
        d.Image.NaturalWidth = std::max(0.0, natural->X);
        d.Image.NaturalHeight = std::max(0.0, natural->Y);
    }
    if (auto style = p.Reference(image::kStyle))
        d.Stroke = FContext.Styles().MediaStroke(*style);
    if (auto maskId = p.Reference(image::kMask)) {
        const TObject& mask = FContext.Expect(*maskId, {types::kMask}, L"picture mask");
        // The mask's geometry is the visible part, in the picture's own coordinates.
        const TGeometry crop = Geometry(mask.Payload.Message(mask::kDrawable));
        const doc::TRect& f = d.Frame;
        const bool whole = std::abs(crop.Frame.X) < 0.5 && std::abs(crop.Frame.Y) < 0.5 &&
                           std::abs(crop.Frame.Width - f.Width) < 0.5 && std::abs(crop.Frame.Height - f.Height) < 0.5;
        if (!whole && crop.Frame.Width > 0 && crop.Frame.Height > 0)
            d.Image.Crop = crop.Frame;
        // An oval or other shape clips as itself, a rectangle is the crop alone.
        if (crop.Frame.Width > 0 && crop.Frame.Height > 0) {
            auto outline = ShapePath(mask.Payload.Message(mask::kPathSource), crop.Frame.Width, crop.Frame.Height);
            FContext.Budget.Charge(doc::limits::price::kPathSegment * outline.size());
            if (!IsBox(outline, crop.Frame.Width, crop.Frame.Height)) {
                for (doc::TPathSegment& s : outline)
                    for (doc::TPoint* pt : {&s.P, &s.C1, &s.C2}) {
                        pt->X += crop.Frame.X;
                        pt->Y += crop.Frame.Y;
                    }
                d.Image.MaskPath = std::move(outline);
            }
        }
    }
}

void TDrawableReader::ReadShape(const TObject& object, doc::TDrawable& d) {
    const auto shape = ShapeRecord(object);
    d.Kind = doc::TDrawableKind::dkShape;
    TShapeLook look;
    if (shape)
        if (auto style = shape->Reference(shape::kStyle))
            look = FContext.Styles().Shape(*style);
    d.Fill = look.Fill;
    d.Gradient = look.Gradient;
    d.Stroke = look.Stroke;
    if (look.Inset)
        d.TextInset = *look.Inset;
    d.Path = ShapePath(shape ? shape->Message(shape::kPathSource) : std::nullopt, d.Frame.Width, d.Frame.Height);
    FContext.Budget.Charge(doc::limits::price::kPathSegment * d.Path.size());

    const auto text = TextShapeRecord(object);
    if (!text)
        return;
    if (text->Bool(text_shape::kIsTextBox).value_or(false) || object.Type != types::kShapeInfo)
        d.Kind = doc::TDrawableKind::dkTextBox;
    std::optional<std::uint64_t> storage = text->Reference(text_shape::kStorage);
    if (!storage)
        storage = text->Reference(text_shape::kOldStorage);
    if (!storage) {
        if (auto flow = text->Reference(text_shape::kFlow)) {
            // Linked text boxes share one storage; the model has no flow between boxes.
            FContext.Doc.CountLeftOut(L"linked text box");
            if (const TObject* info = FContext.Store.Find(*flow))
                storage = info->Payload.Reference(text_flow::kStorage);
        }
    }
    if (storage)
        d.Text = ReadTextStorage(FContext, *storage, TStorageRole::srTextBox, look.ParagraphStyle);
}

void TDrawableReader::ReadGroup(const TObject& object, doc::TDrawable& d) {
    d.Kind = doc::TDrawableKind::dkGroup;
    // Children are placed in the group's coordinates; the model keeps them in the
    // group's frame coordinates too.
    for (std::uint64_t child : object.Payload.References(group::kChildren)) {
        auto index = Read(child, TPlacement::plFloating);
        if (!index)
            continue;
        auto& c = FContext.Doc.Drawables[*index];
        c.Frame.X += d.Frame.X;
        c.Frame.Y += d.Frame.Y;
        d.Children.push_back(*index);
    }
}

void TDrawableReader::AddCaption(const std::optional<TMessage>& record, std::size_t owner) {
    // A caption is a text shape placed under the visible part of the picture.
    if (!ShownText(record, drawable::kCaption, drawable::kCaptionHidden))
        return;
    const std::uint64_t captionId = *record->Reference(drawable::kCaption);
    // Copies: reading the caption adds to Drawables, which moves the owner.
    const doc::TDrawable& o = FContext.Doc.Drawables[owner];
    doc::TRect visible = o.Frame;
    if (o.Image.Crop) {
        visible.X += o.Image.Crop->X;
        visible.Y += o.Image.Crop->Y;
        visible.Width = o.Image.Crop->Width;
        visible.Height = o.Image.Crop->Height;
    }
    const auto anchor = o.AnchorParagraph;
    const doc::TWrap wrap = o.Wrap;
    auto index = Read(captionId, TPlacement::plFloating);
    if (!index)
        return;
    auto& d = FContext.Doc.Drawables[*index];
    d.Inline = false;
    d.AnchorParagraph = anchor;
    d.Wrap = wrap;
    // Captions store no height of their own: about one line per paragraph.
    double height = 2 * d.TextInset;
    for (const auto& paragraph : d.Text.Paragraphs)
        height += paragraph.Style->Character.FontSize * 1.2 + paragraph.Style->SpaceBefore + paragraph.Style->SpaceAfter;
    d.Frame = {visible.X, visible.Y + visible.Height, visible.Width, std::max(d.Frame.Height, height)};
    d.Path = ShapePath(std::nullopt, d.Frame.Width, d.Frame.Height);
}

}  // namespace

TAttachedDrawable ReadAttachedDrawable(TReadContext& context, const TObject& attachment,
                                       std::optional<std::size_t> anchorParagraph) {
    TAttachedDrawable result;
    // A table of contents' attachment wraps the drawable attachment.
    std::optional<TMessage> record(attachment.Payload);
    if (attachment.Type == types::kTocAttachment)
        record = attachment.Payload.Message(toc_attachment::kAttachment);
    auto drawableId = record ? record->Reference(drawable_attachment::kDrawable) : std::nullopt;
    if (!drawableId)
        return result;
    TDrawableReader reader(context);
    bool inlineWrap = true;
    result.First = context.Doc.Drawables.size();
    result.Index = reader.Read(*drawableId, anchorParagraph ? TPlacement::plAnchored : TPlacement::plInline,
                               anchorParagraph, &inlineWrap);
    result.Inline = !anchorParagraph || inlineWrap;
    // Only an offset from the anchor's line moves it with its anchor.
    if (result.Index && !result.Inline && record->Varint(drawable_attachment::kVerticalOrigin).value_or(0) == 0)
        if (auto offset = record->Float(drawable_attachment::kVerticalOffset); offset && std::isfinite(*offset)) {
            auto& drawables = context.Doc.Drawables;
            // The offset is that of what shows: a cropped picture's visible part.
            auto shownTop = [&](std::size_t d) {
                const auto& crop = drawables[d].Image.Crop;
                return drawables[d].Frame.Y + (drawables[d].Kind == doc::TDrawableKind::dkImage && crop ? crop->Y : 0);
            };
            drawables[*result.Index].AnchorOffset = *offset;
            // What came with it (its caption) keeps its place beside it.
            for (std::size_t d = result.First; d < drawables.size(); ++d)
                if (d != *result.Index && !drawables[d].AnchorOffset && drawables[d].AnchorParagraph == anchorParagraph)
                    drawables[d].AnchorOffset = *offset + (shownTop(d) - shownTop(*result.Index));
        }
    return result;
}

std::optional<std::size_t> ReadFloatingDrawable(TReadContext& context, std::uint64_t id) {
    return TDrawableReader(context).Read(id, TPlacement::plFloating);
}

void ReadFloatingDrawables(TReadContext& context, std::uint64_t floatingId, std::optional<std::uint64_t> zOrderId) {
    const TObject& floating = context.Expect(floatingId, {types::kFloatingDrawables}, L"list of floating drawables");
    // The document's z-order, where there is one, orders each page back to front.
    std::unordered_map<std::uint64_t, std::size_t> depth;
    if (zOrderId)
        if (const TObject* z = context.Store.Find(*zOrderId); z && z->Type == types::kDrawablesZOrder) {
            const auto ids = z->Payload.References(drawables_z_order::kDrawables);
            for (std::size_t i = 0; i < ids.size(); ++i)
                depth.emplace(ids[i], i);
        }
    auto ordered = [&](const TMessage& group, std::initializer_list<std::uint32_t> fields) {
        std::vector<std::uint64_t> ids;
        for (std::uint32_t field : fields)
            for (const auto& entry : group.Messages(field))
                if (auto id = entry.Reference(drawable_entry::kDrawable))
                    ids.push_back(*id);
        std::stable_sort(ids.begin(), ids.end(), [&](std::uint64_t a, std::uint64_t b) {
            auto da = depth.find(a), db = depth.find(b);
            const std::size_t ka = da == depth.end() ? depth.size() : da->second;
            const std::size_t kb = db == depth.end() ? depth.size() : db->second;
            return ka < kb;
        });
        return ids;
    };
    // One entry per page, whatever the groups: a later group of the same page goes on top.
    std::map<std::size_t, doc::TPageDrawables> pages;
    for (const auto& group : floating.Payload.Messages(floating_drawables::kPageGroups)) {
        // Page indices beyond any real document are damage, not pages to make.
        const auto pageIndex = group.Varint(page_group::kPageIndex).value_or(0);
        if (pageIndex > doc::limits::kMaxPages)
            Damaged(L"floating drawables stand on page " + std::to_wstring(pageIndex + 1) +
                    L", past any document's end");
        doc::TPageDrawables& page = pages[static_cast<std::size_t>(pageIndex)];
        page.Page = static_cast<std::size_t>(pageIndex);
        // The page's own drawables lie under the body text with its background, as Pages draws
        // them: a filled box never hides the text laid over it.
        for (std::uint64_t id : ordered(group, {page_group::kBackground, page_group::kDrawables}))
            if (auto index = ReadFloatingDrawable(context, id))
                page.Background.push_back(*index);
        for (std::uint64_t id : ordered(group, {page_group::kForeground}))
            if (auto index = ReadFloatingDrawable(context, id))
                page.Foreground.push_back(*index);
    }
    for (auto& [index, page] : pages)
        if (!page.Background.empty() || !page.Foreground.empty())
            context.Doc.FloatingByPage.push_back(std::move(page));
}

}  // namespace iwork::detail
