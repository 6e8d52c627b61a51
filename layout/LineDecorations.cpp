#include "layout/LineDecorations.h"

#include <algorithm>

#include "layout/Borders.h"
#include "layout/Fonts.h"

namespace layout {

namespace {

doc::TPathSegment Segment(doc::TPathSegment::TKind kind, double x, double y) {
    doc::TPathSegment s;
    s.Kind = kind;
    s.P = {x, y};
    return s;
}

TPathItem FilledRect(double x, double y, double w, double h, const doc::TColor& color) {
    TPathItem rect;
    rect.Path = {Segment(doc::TPathSegment::skMove, x, y), Segment(doc::TPathSegment::skLine, x + w, y),
                 Segment(doc::TPathSegment::skLine, x + w, y + h), Segment(doc::TPathSegment::skLine, x, y + h),
                 Segment(doc::TPathSegment::skClose, x, y)};
    rect.Fill = color;
    return rect;
}

}  // namespace

void AppendParagraphFill(const doc::TParagraphStyle& style, double columnWidth, TLine& line) {
    if (!style.Fill) return;
    double left = Sane(style.LeftIndent, -columnWidth, columnWidth, 0);
    double right = columnWidth - Sane(style.RightIndent, -columnWidth, columnWidth, 0);
    // Inside a box the fill reaches the bars beside the text.
    if (style.Border && style.Border->Left) left -= BorderGap(*style.Border);
    if (style.Border && style.Border->Right) right += BorderGap(*style.Border);
    line.Items.emplace_back(FilledRect(left, 0, right - left, line.Height, *style.Fill));
}

void AppendHighlights(const std::vector<TLinePiece>& pieces, TLine& line) {
    for (const TLinePiece& p : pieces) {
        const doc::TCharacterStyle& cs = *p.Span->Style;
        if (!cs.Highlight || p.Object || p.Width <= 0) continue;
        const TFont& font = *p.Span->Font;
        const double y = line.Baseline - p.Span->Rise - font.Ascent() * p.Span->Size;
        line.Items.emplace_back(
            FilledRect(p.X, y, p.Width, (font.Ascent() + font.Descent()) * p.Span->Size, *cs.Highlight));
    }
}

void AppendRules(const std::vector<TLinePiece>& pieces, TLine& line) {
    for (const TLinePiece& p : pieces) {
        const doc::TCharacterStyle& cs = *p.Span->Style;
        if (p.Object || p.Width <= 0 || (!cs.Underline && !cs.Strikethrough)) continue;
        const TFont& font = *p.Span->Font;
        const double size = p.Span->Size;
        const double y = line.Baseline - p.Span->Rise;
        TLineItem rule;
        rule.Stroke.Color = cs.Color;
        rule.Stroke.Width = std::max(font.UnderlineThickness() * size, 0.25);
        if (cs.Underline) {
            rule.From = {p.X, y + font.UnderlinePosition() * size};
            rule.To = {p.X + p.Width, rule.From.Y};
            line.Items.emplace_back(rule);
        }
        if (cs.Strikethrough) {
            rule.From = {p.X, y - font.Ascent() * size * 0.33};
            rule.To = {p.X + p.Width, rule.From.Y};
            line.Items.emplace_back(rule);
        }
    }
}

}  // namespace layout
