#include "layout/Borders.h"

#include <algorithm>
#include <cmath>

#include "layout/TextContext.h"

namespace layout {

namespace {

double Width(const doc::TParagraphBorder& border) { return Sane(border.Stroke.Width, 0, 100, 1); }

double Gap(const doc::TParagraphBorder& border) { return std::max(0.0, kBorderGap + Sane(border.Offset, -100, 100, 0)); }

void Line(std::vector<TPageItem>& out, const doc::TStroke& stroke, double x0, double y0, double x1, double y1) {
    TLineItem line;
    line.From = {x0, y0};
    line.To = {x1, y1};
    line.Stroke = stroke;
    out.emplace_back(std::move(line));
}

doc::TPathSegment Segment(doc::TPathSegment::TKind kind, doc::TPoint p, doc::TPoint c1 = {}, doc::TPoint c2 = {}) {
    doc::TPathSegment s;
    s.Kind = kind;
    s.P = p;
    s.C1 = c1;
    s.C2 = c2;
    return s;
}

// A box with quarter-circle corners, as Pages draws a rounded border whole on one page.
TPathItem RoundedBox(const doc::TStroke& stroke, double x0, double y0, double x1, double y1, double r) {
    constexpr double k = 0.5523;  // a cubic's control distance for a quarter circle, per radius
    using S = doc::TPathSegment;
    TPathItem box;
    box.Stroke = stroke;
    box.Path = {Segment(S::skMove, {x0 + r, y0}),
                Segment(S::skLine, {x1 - r, y0}),
                Segment(S::skCurve, {x1, y0 + r}, {x1 - r + k * r, y0}, {x1, y0 + r - k * r}),
                Segment(S::skLine, {x1, y1 - r}),
                Segment(S::skCurve, {x1 - r, y1}, {x1, y1 - r + k * r}, {x1 - r + k * r, y1}),
                Segment(S::skLine, {x0 + r, y1}),
                Segment(S::skCurve, {x0, y1 - r}, {x0 + r - k * r, y1}, {x0, y1 - r + k * r}),
                Segment(S::skLine, {x0, y0 + r}),
                Segment(S::skCurve, {x0 + r, y0}, {x0, y0 + r - k * r}, {x0 + r - k * r, y0}),
                Segment(S::skClose, {})};
    return box;
}

}  // namespace

TBorderRun BorderRunOf(const std::vector<doc::TParagraph>& paragraphs, std::size_t i) {
    return BorderRunOf(paragraphs, i, [&](std::size_t j) { return paragraphs[j].Style->Border.has_value(); });
}

double BorderRoomAbove(const doc::TParagraphStyle& style) {
    return style.Border && style.Border->Top ? Width(*style.Border) + Gap(*style.Border) : 0;
}

double BorderRoomBelow(const doc::TParagraphStyle& style) {
    return style.Border && style.Border->Bottom ? Width(*style.Border) + Gap(*style.Border) : 0;
}

double BorderGap(const doc::TParagraphBorder& border) { return Gap(border); }

double BorderLeft(const doc::TParagraphStyle& style, double columnWidth) {
    return Sane(style.LeftIndent, -columnWidth, columnWidth, 0);
}

double BorderRight(const doc::TParagraphStyle& style, double columnWidth) {
    const double right = columnWidth - Sane(style.RightIndent, -columnWidth, columnWidth, 0);
    return std::max(BorderLeft(style, columnWidth), right);
}

void AppendBorder(std::vector<TPageItem>& out, const doc::TParagraphBorder& border, const TBorderStretch& s) {
    const double w = Width(border);
    if (!(w > 0) || !(s.Bottom >= s.Top)) return;
    doc::TStroke stroke = border.Stroke;
    stroke.Width = w;
    // Bars stand outside the text by the gap; rules span the text, or reach the bars.
    const double gap = Gap(border);
    const double left = border.Left ? s.Left - gap - w / 2 : s.Left;
    const double right = border.Right ? s.Right + gap + w / 2 : s.Right;
    const double top = s.Top + w / 2, bottom = s.Bottom - w / 2;
    const double outerLeft = border.Left ? left - w / 2 : left, outerRight = border.Right ? right + w / 2 : right;
    // A rounded box whole on its page; a box the page cuts keeps square ends.
    if (border.Rounded && border.Top && border.Bottom && border.Left && border.Right && s.Opens && s.Closes &&
        right > left && bottom > top) {
        const double radius = std::min({kRoundedRadius, (right - left) / 2, (bottom - top) / 2});
        out.emplace_back(RoundedBox(stroke, left, top, right, bottom, radius));
        return;
    }
    if (border.Top && s.Opens) Line(out, stroke, outerLeft, top, outerRight, top);
    if (border.Bottom && s.Closes) Line(out, stroke, outerLeft, bottom, outerRight, bottom);
    // Bars meet the rules at their centres; where the run goes on elsewhere they run to the edge.
    const double barTop = border.Top && s.Opens ? top : s.Top;
    const double barBottom = border.Bottom && s.Closes ? bottom : s.Bottom;
    if (barBottom <= barTop) return;
    if (border.Left) Line(out, stroke, left, barTop, left, barBottom);
    if (border.Right) Line(out, stroke, right, barTop, right, barBottom);
}

}  // namespace layout
