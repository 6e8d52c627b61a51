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

}  // namespace

TBorderRun BorderRunOf(const std::vector<doc::TParagraph>& paragraphs, std::size_t i) {
    return BorderRunOf(paragraphs, i, [&](std::size_t j) { return paragraphs[j].Style.Border.has_value(); });
}

double BorderRoomAbove(const doc::TParagraphStyle& style) {
    return style.Border && style.Border->Top ? Width(*style.Border) + Gap(*style.Border) : 0;
}

double BorderRoomBelow(const doc::TParagraphStyle& style) {
    return style.Border && style.Border->Bottom ? Width(*style.Border) + Gap(*style.Border) : 0;
}

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
