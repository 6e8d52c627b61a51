#include "layout/Drawables.h"

#include <cmath>

#include "layout/Tables.h"
#include "layout/TextBlock.h"

namespace layout {

namespace {

constexpr int kMaxGroupDepth = 16;

// Rotates p counter-clockwise (as seen on the page, y down) by `degrees` about c.
doc::TPoint Rotate(doc::TPoint p, doc::TPoint c, double cosA, double sinA) {
    const double dx = p.X - c.X, dy = p.Y - c.Y;
    return {c.X + dx * cosA + dy * sinA, c.Y - dx * sinA + dy * cosA};
}

bool Finite(const doc::TRect& r) {
    return std::isfinite(r.X) && std::isfinite(r.Y) && std::isfinite(r.Width) && std::isfinite(r.Height);
}

// A path in a drawable's own coordinates on the page: moved to its frame, turned about the
// frame's centre.
std::vector<doc::TPathSegment> Placed(std::vector<doc::TPathSegment> path, const doc::TRect& frame, double degrees) {
    const double rotation = Sane(degrees, -1e6, 1e6, 0);
    const double angle = rotation * 3.14159265358979323846 / 180;
    const double cosA = std::cos(angle), sinA = std::sin(angle);
    const doc::TPoint centre{frame.X + frame.Width / 2, frame.Y + frame.Height / 2};
    for (doc::TPathSegment& s : path) {
        for (doc::TPoint* p : {&s.P, &s.C1, &s.C2}) {
            p->X = Sane(p->X, -1e6, 1e6, 0) + frame.X;
            p->Y = Sane(p->Y, -1e6, 1e6, 0) + frame.Y;
            if (rotation != 0) *p = Rotate(*p, centre, cosA, sinA);
        }
    }
    return path;
}

TPathItem ShapePath(const doc::TDrawable& drawable, const doc::TRect& frame) {
    TPathItem path;
    path.Stroke = drawable.Stroke;
    path.Fill = drawable.Fill;
    path.Gradient = drawable.Gradient;
    if (path.Gradient) path.Gradient->Angle += Sane(drawable.Rotation, -1e6, 1e6, 0);
    path.Path = Placed(drawable.Path, frame, drawable.Rotation);
    return path;
}

TPathItem FramePath(const doc::TStroke& stroke, const doc::TRect& box, const doc::TRect& frame, double degrees) {
    TPathItem path;
    const double width = Sane(stroke.Width, 0, 100, 1);
    const double rotation = Sane(degrees, -1e6, 1e6, 0);
    const double angle = rotation * 3.14159265358979323846 / 180;
    const double cosA = std::cos(angle), sinA = std::sin(angle);
    const doc::TPoint centre{frame.X + frame.Width / 2, frame.Y + frame.Height / 2};
    using S = doc::TPathSegment;
    // Corners clockwise, or the other way round (a hole in a fill).
    auto rectangle = [&](double inset, bool reversed) {
        const doc::TRect r{box.X + inset, box.Y + inset, box.Width - 2 * inset, box.Height - 2 * inset};
        doc::TPoint corners[] = {{r.X, r.Y}, {r.X + r.Width, r.Y}, {r.X + r.Width, r.Y + r.Height}, {r.X, r.Y + r.Height}};
        if (reversed) std::swap(corners[1], corners[3]);
        bool first = true;
        for (const doc::TPoint& corner : corners) {
            S segment;
            segment.Kind = first ? S::skMove : S::skLine;
            segment.P = rotation != 0 ? Rotate(corner, centre, cosA, sinA) : corner;
            path.Path.push_back(segment);
            first = false;
        }
        path.Path.push_back(S{S::skClose, {}, {}, {}});
    };
    // A hairline frame is a thin filled ring: viewers draw a stroke at least a pixel wide and
    // dark, where Pages shows a quarter-point frame as the faint line it is.
    if (width < 1 && stroke.Dash.empty() && box.Width > width && box.Height > width) {
        rectangle(-width / 2, false);
        rectangle(width / 2, true);
        path.Fill = stroke.Color;
        return path;
    }
    path.Stroke = stroke;
    path.Stroke->Width = width;
    rectangle(0, false);
    return path;
}

void DrawImage(const doc::TDrawable& drawable, const doc::TRect& frame, std::vector<TPageItem>& out) {
    TImageItem image;
    image.Image = drawable.Image;
    image.Frame = frame;
    image.Clip = frame;
    if (drawable.Image.Crop && Finite(*drawable.Image.Crop)) {
        const doc::TRect& crop = *drawable.Image.Crop;
        image.Clip = {frame.X + crop.X, frame.Y + crop.Y, crop.Width, crop.Height};
    }
    image.Rotation = Sane(drawable.Rotation, -1e6, 1e6, 0);
    // The writer turns the picture and its clip together.
    image.ClipPath = Placed(drawable.Image.MaskPath, frame, 0);
    const doc::TRect visible = image.Clip;
    out.emplace_back(std::move(image));
    // The media style's frame runs round the part that shows (a mask's own outline), and
    // turns with the picture.
    if (drawable.Stroke && drawable.Stroke->Width > 0 && drawable.Stroke->Color.A > 0) {
        if (drawable.Image.MaskPath.empty()) {
            out.emplace_back(FramePath(*drawable.Stroke, visible, frame, drawable.Rotation));
        } else {
            TPathItem path;
            path.Path = Placed(drawable.Image.MaskPath, frame, drawable.Rotation);
            path.Stroke = *drawable.Stroke;
            path.Stroke->Width = Sane(path.Stroke->Width, 0, 100, 1);
            out.emplace_back(std::move(path));
        }
    }
}

// A shape or text box: its outline, then its text inside the inset.
void DrawShape(TTextContext& context, const doc::TDrawable& drawable, const doc::TRect& frame,
               std::vector<TPageItem>& out) {
    if (!drawable.Path.empty() && (drawable.Stroke || drawable.Fill || drawable.Gradient))
        out.emplace_back(ShapePath(drawable, frame));
    if (!drawable.Text.Empty()) {
        const double inset = Sane(drawable.TextInset, 0, 1000, doc::kDefaultTextInset);
        const double width = std::max(1.0, frame.Width - 2 * inset);
        TTextContext boxContext{context.Document, context.Fonts, context.Fields, context.FootnoteMarks, false};
        const TBlock block = LayOutBlock(drawable.Text, width, boxContext);
        AppendTranslated(out, block.Items, frame.X + inset, frame.Y + inset);
    }
}

void Draw(TTextContext& context, std::size_t index, const doc::TRect& frame, std::vector<TPageItem>& out,
          int depth) {
    const doc::TDocument& document = context.Document;
    if (index >= document.Drawables.size() || depth > kMaxGroupDepth || !Finite(frame)) return;
    const doc::TDrawable& drawable = document.Drawables[index];
    switch (drawable.Kind) {
    case doc::TDrawableKind::dkImage: DrawImage(drawable, frame, out); break;
    case doc::TDrawableKind::dkShape:
    case doc::TDrawableKind::dkTextBox: DrawShape(context, drawable, frame, out); break;
    case doc::TDrawableKind::dkGroup:
        // Children keep their place relative to the group's frame.
        for (std::size_t child : drawable.Children) {
            if (child >= document.Drawables.size() || child == index) continue;
            doc::TRect childFrame = document.Drawables[child].Frame;
            childFrame.X += frame.X - drawable.Frame.X;
            childFrame.Y += frame.Y - drawable.Frame.Y;
            Draw(context, child, childFrame, out, depth + 1);
        }
        break;
    case doc::TDrawableKind::dkTable:
        // Tables inline in the body are laid out by the body flow, row by row.
        if (drawable.Table < document.Tables.size())
            DrawTable(document.Tables[drawable.Table], context, frame.X, frame.Y, out);
        break;
    case doc::TDrawableKind::dkUnsupported: break;
    }
}

}  // namespace

doc::TRect VisibleBox(const doc::TDrawable& drawable) {
    if (drawable.Kind != doc::TDrawableKind::dkImage || !drawable.Image.Crop || !Finite(*drawable.Image.Crop) ||
        drawable.Image.Crop->Width <= 0 || drawable.Image.Crop->Height <= 0)
        return drawable.Frame;
    const doc::TRect& crop = *drawable.Image.Crop;
    return {drawable.Frame.X + crop.X, drawable.Frame.Y + crop.Y, crop.Width, crop.Height};
}

void DrawDrawable(TTextContext& context, std::size_t index, const doc::TRect& frame, std::vector<TPageItem>& out) {
    Draw(context, index, frame, out, 0);
}

}  // namespace layout
