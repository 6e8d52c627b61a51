#include "layout/ParagraphLayout.h"

#include <algorithm>
#include <cmath>

#include "layout/Bidi.h"
#include "layout/Borders.h"
#include "layout/Drawables.h"
#include "layout/LineDecorations.h"
#include "layout/Unicode.h"

namespace layout {

namespace {

constexpr double kEpsilon = 1e-6;
constexpr double kLabelGap = 4;  // a label wider than its room pushes the text right by this much

bool IsBreakingSpace(char16_t c) { return c == u' ' || c == 0x3000 || c == 0x2002 || c == 0x2003 || c == 0x2009; }

bool EndsLine(TSpanKind kind) { return kind == TSpanKind::skLineBreak || kind == TSpanKind::skPageBreak; }

int CountSpaces(const std::u16string& text) { return int(std::count(text.begin(), text.end(), u' ')); }

// Pages spaces lines by its fonts' ascent, descent and line gap each rounded to whole points, as
// Cocoa's text system does: Helvetica Neue 11 pt lines are 12 pt apart in its page pictures (10 + 2
// + 0.3 -> 0, not 13.1), 12 pt lines at 1.1 spacing 15.4 pt (14 x 1.1). Text less than a point high
// keeps its fractions, so that it keeps some height.
double WholePoints(double v) { return std::floor(v + 0.5); }

// The characters of `text` in reverse order, surrogate pairs kept whole.
std::u16string Reversed(const std::u16string& text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size(); i += units) {
        DecodeAt(text, i, units);
        out.insert(0, text, i, units);
    }
    return out;
}

// The glyphs of units [start, end), their clusters moved to start at `at`.
void AppendGlyphs(const TShapedParagraph& shaped, std::uint32_t start, std::uint32_t end, std::uint32_t at,
                  std::vector<TGlyph>& out) {
    const auto byCluster = [](const TGlyph& g, std::uint32_t unit) { return g.Cluster < unit; };
    const auto from = std::lower_bound(shaped.Glyphs.begin(), shaped.Glyphs.end(), start, byCluster);
    const auto to = std::lower_bound(from, shaped.Glyphs.end(), end, byCluster);
    for (auto g = from; g != to; ++g) {
        out.push_back(*g);
        out.back().Cluster = g->Cluster - start + at;
    }
}

}  // namespace

struct TParagraphLayout::TFit {
    std::uint32_t End = 0;         // where the next line starts
    std::uint32_t VisibleEnd = 0;  // without the spaces and breaks that end the line
    bool Forced = false;           // a line or page break ends it
    bool PageBreak = false;
    bool Hyphenated = false;       // it ends inside a word, which shows a hyphen
};

TParagraphLayout::TParagraphLayout(const doc::TParagraph& paragraph, TTextContext& context,
                                   TParagraphOptions options)
    : FParagraph(paragraph),
      FContext(context),
      FOptions(std::move(options)),
      FShaped(Shape(paragraph, context)),
      FTabs(paragraph.Style) {
    switch (paragraph.Style->Alignment) {
    case doc::TAlignment::alNatural:
        FAlignment = FOptions.Natural ? *FOptions.Natural
                                      : (FShaped.RightToLeft ? doc::TAlignment::alRight : doc::TAlignment::alLeft);
        break;
    default: FAlignment = paragraph.Style->Alignment; break;
    }
    std::u16string label = FOptions.List ? FOptions.List->Label : FOptions.Label;
    if (!label.empty()) {
        FLabelParagraph.Text = std::move(label);
        doc::TRun run;
        run.End = std::uint32_t(FLabelParagraph.Text.size());
        doc::TCharacterStyle& style = run.Style.Edit();
        style = paragraph.Runs.empty() ? paragraph.Style->Character : *paragraph.Runs.front().Style;
        style.Underline = style.Strikethrough = false;
        style.Highlight.reset();
        style.Link = -1;
        if (!FOptions.List) style.Baseline = doc::TBaseline::blSuperscript;
        FLabelParagraph.Runs.push_back(run);
        TTextContext labelContext{context.Document, context.Fonts, context.Fields, nullptr, false};
        FLabel = Shape(FLabelParagraph, labelContext);
    }
    if (FParagraph.DropCap >= 0 && std::size_t(FParagraph.DropCap) < context.Document.DropCaps.size()) SetUpDropCap();
    if (context.Document.Hyphenation && paragraph.Style->Hyphenate) {
        FHyphenator.emplace(HyphenationLanguage(paragraph.Language, context.Document.Language));
        if (!FHyphenator->Available()) FHyphenator.reset();
    }
}

// Pages sets the cap so that its capitals reach from the first line's capitals down to the last
// line's baseline.
void TParagraphLayout::SetUpDropCap() {
    const doc::TDropCap& cap = FContext.Document.DropCaps[std::size_t(FParagraph.DropCap)];
    if (FOptions.List || !FOptions.Label.empty() || cap.Lines < 2) return;
    const std::u16string& text = FShaped.Text;
    std::uint32_t end = 0;
    for (int n = 0; n < cap.Characters && end < text.size(); ++n) {
        const char16_t c = text[end];
        if (c == doc::kObjectMark || c == u'\t' || c == doc::kLineBreak || c == doc::kPageBreak || IsBreakingSpace(c)) return;
        std::size_t units = 1;
        DecodeAt(text, end, units);
        end += std::uint32_t(units);
        // An accent goes with its letter.
        while (end < text.size() && IsCombining(DecodeAt(text, end, units))) end += std::uint32_t(units);
    }
    // A paragraph that is all cap is set as plain text.
    if (end == 0 || end >= text.size()) return;
    const TSpan& body = FShaped.Spans[FShaped.SpanAt(end)];
    if (body.Kind != TSpanKind::skText || !body.Font) return;

    FCap.emplace();
    TDropCapLayout& d = *FCap;
    d.Lines = cap.Lines;
    FStart = FPosition = end;
    TMetrics metrics;
    Measure(FShaped, end, end, metrics);
    TLine line;
    Space(metrics, line);
    d.Advance = line.Height;

    d.Paragraph.Style = FParagraph.Style;
    d.Paragraph.Text = FParagraph.Text.substr(0, end);
    doc::TCharacterStyle style = cap.Style;
    style.Baseline = doc::TBaseline::blNormal;
    style.BaselineShift = 0;
    style.Link = -1;
    style.FontSize = body.Size;
    doc::TRun run{0, end, std::move(style)};
    d.Paragraph.Runs.push_back(run);
    TTextContext capContext{FContext.Document, FContext.Fonts, FContext.Fields, nullptr, false};
    d.Shaped = Shape(d.Paragraph, capContext);
    const TFont* font = d.Shaped.Spans.front().Font;
    const double ratio = font ? Sane(font->CapHeight(), 0.2, 1.5, 0.7) : 0.7;
    const double reach = (d.Lines - 1) * d.Advance + Sane(body.Font->CapHeight(), 0.2, 1.5, 0.7) * body.Size;
    d.Paragraph.Runs.front().Style.Edit().FontSize = std::clamp(reach / ratio, body.Size, 2000.0);
    d.Shaped = Shape(d.Paragraph, capContext);
    // Set by its ink: the first bearing hangs out of the line, the last (taken as the first's
    // like, the file giving no other) is not room the text keeps clear.
    for (double a : d.Shaped.Advance) d.Width += a;
    const TSpan& first = d.Shaped.Spans.front();
    if (first.Font && first.Kind == TSpanKind::skText) {
        std::size_t units = 1;
        const double bearing = first.Font->LeftBearing(DecodeAt(d.Shaped.Text, 0, units)) * first.Size;
        if (bearing > 0 && 2 * bearing < d.Width / 2) {
            d.Shift = -bearing;
            d.Width -= 2 * bearing;
        }
    }
    d.Gap = 0.25 * body.Size;
}

void TParagraphLayout::EmitDropCap(TLine& line) const {
    const TDropCapLayout& d = *FCap;
    double x = Sane(FParagraph.Style->LeftIndent, -1e4, 1e4, 0) + d.Shift;
    const double y = line.Baseline + (d.Lines - 1) * d.Advance;
    for (const TSpan& span : d.Shaped.Spans) {
        if (span.Kind != TSpanKind::skText || !span.Font || span.End <= span.Start) continue;
        TTextItem item;
        item.X = x;
        item.Y = y;
        item.Font = span.Font;
        item.Size = span.Size;
        item.Text = d.Shaped.Text.substr(span.Start, span.End - span.Start);
        AppendGlyphs(d.Shaped, span.Start, span.End, 0, item.Glyphs);
        item.Color = span.Style->Color;
        item.CharSpacing = span.CharSpacing;
        for (std::uint32_t i = span.Start; i < span.End; ++i) x += d.Shaped.Advance[i];
        KeepOwnGlyphsAsKerning(item);
        line.Items.push_back(std::move(item));
    }
}

void TParagraphLayout::Rewind(std::uint32_t position) {
    FPosition = std::clamp<std::uint32_t>(position, FStart, std::uint32_t(FShaped.Text.size()));
    FFirst = FPosition == FStart;
    FLine = FFirst ? 0 : FCap ? FCap->Lines : 0;
    FHeightSoFar = 0;
    for (std::size_t i = 1; i < FCapLines.size(); ++i)
        if (FCapLines[i].first == FPosition) {
            FLine = int(i);
            FHeightSoFar = FCapLines[i].second;
        }
    FPendingLine = FFirst;
    if (FPosition > 0 && FPosition >= FShaped.Text.size()) {
        const TSpan& last = FShaped.Spans[FShaped.SpanAt(FPosition - 1)];
        FPendingLine = last.Kind == TSpanKind::skLineBreak;
    }
}

TInterval TParagraphLayout::Bounds(double columnWidth) const {
    const doc::TParagraphStyle& style = FParagraph.Style;
    const double leftIndent = Sane(style.LeftIndent, -columnWidth, columnWidth, 0);
    double left = leftIndent;
    if (FOptions.List) left += FOptions.List->Indent + FOptions.List->TextIndent;
    else if (FCap && FLine < FCap->Lines) left += FCap->Width + FCap->Gap;
    else if (FFirst) left = Sane(style.FirstLineIndent, -columnWidth, columnWidth, 0);
    const double right = columnWidth - Sane(style.RightIndent, -columnWidth, columnWidth, 0);
    left = std::max(left, std::min(0.0, leftIndent));
    return {left, std::max(right, left + 1)};
}

// Greedy: as much as fits, broken at the last opportunity; a word longer than the line breaks anywhere.
TParagraphLayout::TFit TParagraphLayout::Fit(std::uint32_t start, double x, double right) const {
    const std::u16string& text = FShaped.Text;
    const std::uint32_t n = std::uint32_t(text.size());
    std::size_t span = FShaped.SpanAt(start);
    std::uint32_t candidate = 0, candidateVisible = 0;
    const double startX = x;
    double candidateX = x;
    std::uint32_t visibleEnd = start;
    for (std::uint32_t i = start; i < n;) {
        while (span + 1 < FShaped.Spans.size() && FShaped.Spans[span].End <= i) ++span;
        const TSpan& s = FShaped.Spans[span];
        if (i > start && FShaped.BreakBefore[i]) {
            candidate = i;
            candidateVisible = visibleEnd;
            candidateX = x;
        }
        if (EndsLine(s.Kind)) return {i + 1, visibleEnd, true, s.Kind == TSpanKind::skPageBreak};
        std::uint32_t units = (i + 1 < n && IsLowSurrogate(text[i + 1])) ? 2 : 1;
        if (s.Kind == TSpanKind::skTab) {
            x += TabAdvance(i, x, right, n);
            visibleEnd = i + 1;
            ++i;
            continue;
        }
        const double advance = FShaped.Advance[i];
        if (s.Kind == TSpanKind::skText && IsBreakingSpace(text[i])) {
            x += advance;
            ++i;
            continue;
        }
        if (advance > 0 && x + advance > right + kEpsilon) {
            // A word that does not fit is hyphenated where its start and a hyphen still do.
            if (FHyphenator) {
                const bool first = candidate <= start;
                if (const std::uint32_t end = HyphenatedLineEnd(*FHyphenator, FShaped, first ? start : candidate,
                                                                first ? startX : candidateX, right))
                    return {end, end, false, false, true};
            }
            if (candidate > start) return {candidate, candidateVisible, false, false};
            if (visibleEnd > start) {
                std::uint32_t at = i;
                while (at > start + 1 && IsCombining(text[at])) --at;
                return {at, at, false, false};
            }
            // Nothing fits: one character goes on the line anyway.
        }
        x += advance;
        i += units;
        while (i < n && IsCombining(text[i]) && !EndsLine(FShaped.Spans[FShaped.SpanAt(i)].Kind)) {
            x += FShaped.Advance[i];
            ++i;
        }
        if (s.Kind != TSpanKind::skHidden) visibleEnd = i;
    }
    return {n, visibleEnd, false, false};
}

// How far a tab at `at` moves the pen standing at x; right, centre and decimal stops measure the
// text after the tab, up to the next tab, break or `limit`.
double TParagraphLayout::TabAdvance(std::uint32_t at, double x, double right, std::uint32_t limit) const {
    const doc::TTabStop stop = FTabs.After(x);
    double advance = stop.Position - x;
    if (stop.Alignment != doc::TTabAlignment::taLeft) {
        double following = 0, beforeDecimal = -1;
        std::size_t span = FShaped.SpanAt(at);
        for (std::uint32_t i = at + 1; i < limit && i < FShaped.Text.size(); ++i) {
            while (span + 1 < FShaped.Spans.size() && FShaped.Spans[span].End <= i) ++span;
            const TSpanKind kind = FShaped.Spans[span].Kind;
            if (kind == TSpanKind::skTab || EndsLine(kind)) break;
            if (beforeDecimal < 0 && FShaped.Text[i] == u'.') beforeDecimal = following;
            following += FShaped.Advance[i];
        }
        // Trailing spaces do not count: right-aligned text ends at the stop.
        switch (stop.Alignment) {
        case doc::TTabAlignment::taRight: advance -= following; break;
        case doc::TTabAlignment::taCenter: advance -= following / 2; break;
        case doc::TTabAlignment::taDecimal: advance -= beforeDecimal >= 0 ? beforeDecimal : following; break;
        case doc::TTabAlignment::taLeft: break;
        }
    }
    if (x + advance > right) advance = right - x;
    return std::max(0.0, advance);
}

// A tab's leader, as many whole copies as fill its advance from x, flush with the stop.
void TParagraphLayout::AppendLeader(const TSpan& span, double x, double advance, std::vector<TPiece>& pieces) const {
    const doc::TTabStop tab = FTabs.After(x);
    if (tab.Leader.empty() || advance <= 0) return;
    const double each = MeasureText(tab.Leader, *span.Font, span.Size, span.CharSpacing);
    if (each <= 0) return;
    const double count = std::floor(advance / each);
    if (count < 1) return;
    TPiece leader;
    leader.Span = &span;
    leader.X = x + advance - count * each;
    leader.Width = count * each;
    for (int k = 0; k < int(std::min(count, 2000.0)); ++k) leader.Text += tab.Leader;
    pieces.push_back(std::move(leader));
}

// Pieces for [start, end) from x; returns where the pen ends.
double TParagraphLayout::Build(const TShapedParagraph& shaped, std::uint32_t start, std::uint32_t end, double x,
                               double right, bool fixed, std::vector<TPiece>& pieces) const {
    if (start >= end) return x;
    std::size_t spanIndex = shaped.SpanAt(start);
    TPiece* open = nullptr;
    for (std::uint32_t i = start; i < end;) {
        while (spanIndex + 1 < shaped.Spans.size() && shaped.Spans[spanIndex].End <= i) ++spanIndex;
        const TSpan& span = shaped.Spans[spanIndex];
        std::uint32_t stop = std::min(span.End, end);
        const std::uint8_t level = shaped.Levels.empty() ? 0 : shaped.Levels[i];
        switch (span.Kind) {
        case TSpanKind::skText: {
            // A piece runs one way: it ends where the direction changes.
            if (!shaped.Levels.empty())
                stop = std::uint32_t(std::find_if(shaped.Levels.begin() + i, shaped.Levels.begin() + stop,
                                                  [&](std::uint8_t l) { return l != level; }) -
                                     shaped.Levels.begin());
            if (!open || open->Span != &span || open->Level != level) {
                pieces.push_back({});
                open = &pieces.back();
                open->X = x;
                open->Span = &span;
                open->Level = level;
                open->Fixed = fixed;
                open->Stretch = !fixed;
            }
            double width = 0;
            for (std::uint32_t k = i; k < stop; ++k) width += shaped.Advance[k];
            if (span.Shaped) AppendGlyphs(shaped, i, stop, std::uint32_t(open->Text.size()), open->Glyphs);
            open->Text.append(shaped.Text, i, stop - i);
            open->Width += width;
            x += width;
            i = stop;
            continue;
        }
        case TSpanKind::skTab: {
            const double advance = TabAdvance(i, x, right, end);
            AppendLeader(span, x, advance, pieces);
            x += advance;
            // Justification stretches only what follows the last tab.
            for (TPiece& p : pieces) p.Stretch = false;
            open = nullptr;
            break;
        }
        case TSpanKind::skField:
        case TSpanKind::skFootnote:
        case TSpanKind::skObject: {
            TPiece piece;
            piece.X = x;
            piece.Width = shaped.Advance[i];
            piece.Span = &span;
            piece.Text = span.Text;
            piece.Object = span.Kind == TSpanKind::skObject;
            piece.Level = level;
            piece.Fixed = fixed;
            piece.Stretch = !fixed;
            pieces.push_back(std::move(piece));
            x += shaped.Advance[i];
            break;
        }
        default: break;
        }
        open = nullptr;
        i = stop;
    }
    return x;
}

void TParagraphLayout::Align(std::vector<TPiece>& pieces, std::size_t first, double right, bool justify) const {
    double end = -1e300;
    for (std::size_t k = first; k < pieces.size(); ++k) end = std::max(end, pieces[k].X + pieces[k].Width);
    if (first >= pieces.size()) return;
    const double free = right - end;
    if (free <= kEpsilon) return;
    double shift = 0;
    switch (FAlignment) {
    case doc::TAlignment::alRight: shift = free; break;
    case doc::TAlignment::alCenter: shift = free / 2; break;
    case doc::TAlignment::alJustified:
        if (justify) {
            int spaces = 0;
            for (std::size_t k = first; k < pieces.size(); ++k)
                if (pieces[k].Stretch && !pieces[k].Object) spaces += CountSpaces(pieces[k].Text);
            if (spaces == 0) {
                SpreadCharacters(pieces, first, free);
                return;
            }
            const double each = free / spaces;
            double moved = 0;
            for (std::size_t k = first; k < pieces.size(); ++k) {
                TPiece& p = pieces[k];
                p.X += moved;
                if (!p.Stretch || p.Object) continue;
                const int own = CountSpaces(p.Text);
                p.WordSpacing = each;
                p.Width += own * each;
                moved += own * each;
            }
        }
        return;
    default: return;
    }
    for (std::size_t k = first; k < pieces.size(); ++k)
        if (!pieces[k].Fixed) pieces[k].X += shift;
}

// Justified CJK text has no spaces to stretch: the room goes between the characters.
void TParagraphLayout::SpreadCharacters(std::vector<TPiece>& pieces, std::size_t first, double free) const {
    int count = 0;
    bool cjk = false;
    for (std::size_t k = first; k < pieces.size(); ++k) {
        if (!pieces[k].Stretch || pieces[k].Object) continue;
        const std::u16string& text = pieces[k].Text;
        std::size_t units = 0;
        for (std::size_t i = 0; i < text.size(); i += units) {
            cjk = IsCjk(DecodeAt(text, i, units)) || cjk;
            ++count;
        }
    }
    if (!cjk || count < 2) return;
    const double each = free / (count - 1);
    double moved = 0;
    for (std::size_t k = first; k < pieces.size(); ++k) {
        TPiece& p = pieces[k];
        p.X += moved;
        if (!p.Stretch || p.Object) continue;
        int own = 0;
        std::size_t units = 0;
        for (std::size_t i = 0; i < p.Text.size(); i += units, ++own) DecodeAt(p.Text, i, units);
        p.ExtraSpacing = each;
        p.Width += own * each;
        moved += own * each;
    }
}

// Runs at odd levels are seen right to left, and runs inside them in reverse: each stretch of
// touching pieces is laid out again from its left edge in the order the levels give, and is kept
// in that order, so that the pieces go left to right.
void TParagraphLayout::PlaceVisually(std::vector<TPiece>& pieces, std::size_t first) const {
    if (FShaped.Levels.empty()) return;
    for (std::size_t k = first; k < pieces.size();) {
        std::size_t end = k + 1;
        while (end < pieces.size() && std::abs(pieces[end - 1].X + pieces[end - 1].Width - pieces[end].X) < kEpsilon)
            ++end;
        std::vector<std::uint8_t> levels;
        for (std::size_t j = k; j < end; ++j) levels.push_back(pieces[j].Level);
        std::vector<TPiece> seen;
        seen.reserve(end - k);
        double x = pieces[k].X;
        for (const std::size_t j : VisualOrder(levels)) {
            TPiece& p = pieces[k + j];
            p.X = x;
            x += p.Width;
            if (p.Level & 1) {
                std::reverse(p.Glyphs.begin(), p.Glyphs.end());
                // Text no font shaped is drawn in its own order: reversed here, by characters.
                if (p.Glyphs.empty() && !p.Object && p.Span->Kind == TSpanKind::skText) p.Text = Reversed(p.Text);
            }
            seen.push_back(std::move(p));
        }
        std::move(seen.begin(), seen.end(), pieces.begin() + std::ptrdiff_t(k));
        k = end;
    }
}

void TParagraphLayout::Measure(const TShapedParagraph& shaped, std::uint32_t start, std::uint32_t end,
                               TMetrics& metrics) const {
    std::size_t first = shaped.SpanAt(start);
    std::size_t last = end > start ? shaped.SpanAt(end - 1) : first;
    for (std::size_t k = first; k <= last && k < shaped.Spans.size(); ++k) {
        const TSpan& s = shaped.Spans[k];
        double top, bottom;
        if (s.Kind == TSpanKind::skObject) {
            top = s.Height + s.Rise;
            bottom = -s.Rise;
        } else {
            // The font's line gap goes above the text, as Pages' page pictures show (a title's
            // baseline sits the gap lower than the margin plus the ascent).
            const double scale = s.Kind == TSpanKind::skFootnote ? s.Size / kScriptScale : s.Size;
            double ascent = s.Font->Ascent() * scale, descent = s.Font->Descent() * scale;
            double gap = std::max(s.Font->LineGap() * scale, 0.0);
            metrics.TableGap = std::max(metrics.TableGap, s.Font->TableLineGap() * scale);
            if (ascent + descent >= 1) {
                ascent = WholePoints(ascent);
                descent = WholePoints(descent);
                gap = WholePoints(gap);
            }
            top = ascent + gap;
            bottom = descent;
            // A reference mark is raised inside its line's own height.
            if (s.Kind != TSpanKind::skFootnote) {
                top += s.Rise;
                bottom -= s.Rise;
            }
        }
        metrics.Top = std::max(metrics.Top, top);
        metrics.Bottom = std::max(metrics.Bottom, bottom);
    }
}

// Lines spaced by a multiple grow by that multiple of their height without the font's own line gap,
// unrounded: Helvetica Neue 12 pt lines (14 pt) double spaced are 27.66 pt apart in Pages' PDFs, 11 pt
// ones (12 pt) 23.69, at 1.1 13.17 (12 + 0.1 x 11.69). Faces with no gap of their own (Helvetica,
// Avenir, Montserrat) space at the plain multiple.
void TParagraphLayout::Space(const TMetrics& metrics, TLine& line) const {
    const doc::TParagraphStyle& style = FParagraph.Style;
    const double natural = metrics.Top + metrics.Bottom;
    double height = natural;
    double baseline = metrics.Top;
    switch (style.LineSpacingMode) {
    case doc::TLineSpacingMode::lsRelative:
        height = natural + (Sane(style.LineSpacing, 0.1, 10, 1) - 1) * std::max(natural - metrics.TableGap, 0.0);
        break;
    case doc::TLineSpacingMode::lsAtLeast: height = std::max(natural, Sane(style.LineSpacing, 0, 2000, 0)); break;
    case doc::TLineSpacingMode::lsExactly: height = Sane(style.LineSpacing, 0.1, 2000, natural); break;
    case doc::TLineSpacingMode::lsBetween: height = natural + Sane(style.LineSpacing, -natural, 2000, 0); break;
    }
    // Extra room goes below the text (a title at 1.5 lines sits where it would at 1, in Pages' page
    // pictures); a line squeezed below its natural height loses from both ends alike.
    if (height < natural && natural > 0) baseline = metrics.Top * height / natural;
    // A baseline rule puts it that far down the line instead: the room goes above as well.
    if (height > natural && style.BaselineRule > 0 && style.BaselineRule <= 1)
        baseline = std::max(baseline, std::min(style.BaselineRule * height, height - metrics.Bottom));
    line.Height = height;
    line.Baseline = baseline;
    if (style.LineSpacingMode == doc::TLineSpacingMode::lsRelative)
        line.SpacingBelow = std::max(0.0, height - baseline - metrics.Bottom);
}

double TParagraphLayout::EstimatedHeight() const {
    TMetrics metrics;
    Measure(FShaped, FPosition, FPosition, metrics);
    TLine line;
    Space(metrics, line);
    return line.Height + (FFirst ? Sane(FOptions.RoomAbove, 0, 1000, 0) : 0);
}

TLine TParagraphLayout::Next(double columnWidth, const std::vector<TInterval>& free) {
    const std::vector<TInterval> stretches = Stretches(Bounds(columnWidth), free);

    std::vector<TPiece> pieces;
    TMetrics metrics;
    const std::uint32_t lineStart = FPosition;
    bool pageBreak = false, empty = true;
    for (std::size_t k = 0; k < stretches.size(); ++k) {
        double x = stretches[k].Left;
        const double right = stretches[k].Right;
        if (FFirst && k == 0 && !FLabel.Text.empty()) x = PlaceLabel(columnWidth, x, right, pieces, metrics);
        const TFit fit = Fit(FPosition, x, right);
        // A word that would be cut goes whole to the next stretch beside an object.
        if (k + 1 < stretches.size() && !fit.Forced && fit.End < FShaped.Text.size() && !FShaped.BreakBefore[fit.End])
            continue;
        const std::size_t first = pieces.size();
        const double end = Build(FShaped, FPosition, fit.VisibleEnd, x, right, false, pieces);
        // A line broken at a soft hyphen, or hyphenated, shows a hyphen.
        if (!fit.Forced && fit.End > FPosition && fit.End < FShaped.Text.size() &&
            (fit.Hyphenated || FShaped.Text[fit.End - 1] == 0xAD)) {
            const TSpan& span = FShaped.Spans[FShaped.SpanAt(fit.End - 1)];
            TPiece hyphen;
            hyphen.X = end;
            hyphen.Span = &span;
            hyphen.Text = u"-";
            hyphen.Width = MeasureText(hyphen.Text, *span.Font, span.Size, span.CharSpacing);
            pieces.push_back(std::move(hyphen));
        }
        Measure(FShaped, FPosition, std::max(fit.End, FPosition), metrics);
        const bool lastLine = fit.End >= FShaped.Text.size() || fit.Forced;
        empty = empty && fit.VisibleEnd == FPosition;
        FPosition = std::max(fit.End, FPosition);
        if (fit.PageBreak) pageBreak = true;
        // Justified text: every line but the paragraph's last and those a break ends.
        Align(pieces, first, right, !lastLine);
        PlaceVisually(pieces, first);
        if (lastLine) break;
    }

    TLine line;
    Space(metrics, line);
    line.PageBreakAfter = pageBreak;
    if (pageBreak && empty) line.Height = 0;  // a page break alone takes no room
    const bool firstLine = FFirst;
    FFirst = false;
    FPendingLine = false;
    if (FPosition >= FShaped.Text.size() && FPosition > lineStart) {
        const TSpan& last = FShaped.Spans[FShaped.SpanAt(FPosition - 1)];
        FPendingLine = last.Kind == TSpanKind::skLineBreak;
    }
    AddRoom(line, firstLine, lineStart);
    Emit(pieces, columnWidth, line);
    if (FCap && FLine == 0) EmitDropCap(line);
    FHeightSoFar += line.Height;
    ++FLine;
    return line;
}

// The label before the first line: a list's at its indent, the text after it; a raised mark
// where the text would start, the text after it. Returns where the text starts.
double TParagraphLayout::PlaceLabel(double columnWidth, double x, double right, std::vector<TPiece>& pieces,
                                    TMetrics& metrics) const {
    const double leftIndent = Sane(FParagraph.Style->LeftIndent, -columnWidth, columnWidth, 0);
    double labelX = FOptions.List ? leftIndent + FOptions.List->Indent : x;
    const double labelEnd = Build(FLabel, 0, std::uint32_t(FLabel.Text.size()), labelX, right, true, pieces);
    if (!FOptions.List) return labelEnd;  // a raised mark: inside the line's height
    Measure(FLabel, 0, std::uint32_t(FLabel.Text.size()), metrics);
    return std::max(x, labelEnd + (labelEnd > x ? kLabelGap : 0));
}

// The free stretches cut to the line's bounds; none left: the bounds.
std::vector<TInterval> TParagraphLayout::Stretches(const TInterval& bounds, const std::vector<TInterval>& free) {
    std::vector<TInterval> stretches;
    for (const TInterval& f : free) {
        const TInterval cut{std::max(f.Left, bounds.Left), std::min(f.Right, bounds.Right)};
        if (cut.Right > cut.Left) stretches.push_back(cut);
    }
    if (stretches.empty()) stretches.push_back(bounds);
    return stretches;
}

// A border's room belongs to the line beside it, so that the two move on together; the lines
// beside a drop cap reach below it at the paragraph's end.
void TParagraphLayout::AddRoom(TLine& line, bool firstLine, std::uint32_t lineStart) {
    if (firstLine) {
        const double above = Sane(FOptions.RoomAbove, 0, 1000, 0);
        line.Height += above;
        line.Baseline += above;
    }
    if (FCap && FLine < FCap->Lines) {
        if (FLine == 0) FCap->Bottom = line.Baseline + (FCap->Lines - 1) * FCap->Advance + (line.Height - line.Baseline);
        // A paragraph shorter than its cap ends below it.
        if (Done()) line.Height = std::max(line.Height, FCap->Bottom - FHeightSoFar);
        if (FCapLines.size() == std::size_t(FLine)) FCapLines.emplace_back(lineStart, FHeightSoFar);
    }
    if (Done()) line.Height += Sane(FOptions.RoomBelow, 0, 1000, 0);
}

// The line's phases in drawing order: what lies beneath the text, the text and inline objects,
// the link areas, then the rules over the text.
void TParagraphLayout::Emit(std::vector<TPiece>& pieces, double columnWidth, TLine& line) const {
    line.Items.reserve(pieces.size() + 1);
    AppendParagraphFill(FParagraph.Style, columnWidth, line);
    AppendHighlights(pieces, line);
    EmitGlyphRuns(pieces, line);
    EmitLinks(pieces, line);
    AppendRules(pieces, line);
}

void TParagraphLayout::EmitGlyphRuns(std::vector<TPiece>& pieces, TLine& line) const {
    const double baseline = line.Baseline;
    const std::size_t firstItem = line.Items.size();
    double lastEnd = 0;
    bool lastJoinable = false;
    for (TPiece& p : pieces) {
        const TSpan& span = *p.Span;
        if (p.Object) {
            lastJoinable = false;
            EmitObject(p, line);
            continue;
        }
        if (p.Text.empty()) continue;
        // One item per face, size and colour: pieces of neighbouring runs that look alike join.
        if (lastJoinable && span.Kind == TSpanKind::skText && !line.Items.empty()) {
            auto* last = std::get_if<TTextItem>(&line.Items.back());
            if (last && last->Font == span.Font && last->Size == span.Size && last->Color == span.Style->Color &&
                last->CharSpacing == span.CharSpacing + p.ExtraSpacing && last->WordSpacing == p.WordSpacing &&
                last->Y == baseline - span.Rise && std::abs(lastEnd - p.X) < kEpsilon &&
                last->Glyphs.empty() == p.Glyphs.empty()) {
                for (TGlyph& g : p.Glyphs) g.Cluster += std::uint32_t(last->Text.size());
                last->Glyphs.insert(last->Glyphs.end(), p.Glyphs.begin(), p.Glyphs.end());
                last->Text += p.Text;
                lastEnd = p.X + p.Width;
                continue;
            }
        }
        TTextItem item;
        item.X = p.X;
        item.Y = baseline - span.Rise;
        item.Font = span.Font;
        item.Size = span.Size;
        item.Text = std::move(p.Text);
        item.Glyphs = std::move(p.Glyphs);
        item.Color = span.Style->Color;
        item.CharSpacing = span.CharSpacing + p.ExtraSpacing;
        item.WordSpacing = p.WordSpacing;
        AddSlots(span, line);
        line.Items.emplace_back(std::move(item));
        lastEnd = p.X + p.Width;
        lastJoinable = span.Kind == TSpanKind::skText;
    }
    // Only once the pieces have joined: a joined item is kept so only when all of it can be.
    for (std::size_t k = firstItem; k < line.Items.size(); ++k)
        if (auto* text = std::get_if<TTextItem>(&line.Items[k])) KeepOwnGlyphsAsKerning(*text);
}

// The room on the line holds the visible part; the whole picture goes round it.
void TParagraphLayout::EmitObject(const TPiece& piece, TLine& line) const {
    const TSpan& span = *piece.Span;
    const doc::TDrawable& drawable = FContext.Document.Drawables[span.Drawable];
    const doc::TRect visible = VisibleBox(drawable);
    const double x = piece.X - (visible.X - drawable.Frame.X), y = line.Baseline - span.Rise - span.Height;
    const doc::TRect frame{x, y - (visible.Y - drawable.Frame.Y), drawable.Frame.Width, drawable.Frame.Height};
    DrawDrawable(FContext, span.Drawable, frame, line.Items);
}

// A field's or footnote's text item, about to be added, whose text the page fills in (page number
// and count, a mark numbered by page); a footnote's reference is noted on the line.
void TParagraphLayout::AddSlots(const TSpan& span, TLine& line) const {
    if (span.Kind == TSpanKind::skField) {
        const doc::TAttachment& a = FParagraph.Attachments[span.Attachment];
        if (a.Field == doc::TFieldKind::fkPageNumber)
            line.Fields.push_back({line.Items.size(), TSlotKind::skPageNumber, 0});
        if (a.Field == doc::TFieldKind::fkPageCount)
            line.Fields.push_back({line.Items.size(), TSlotKind::skPageCount, 0});
    }
    if (span.Kind == TSpanKind::skFootnote) {
        const std::size_t note = FParagraph.Attachments[span.Attachment].Index;
        line.Footnotes.push_back(note);
        const doc::TDocument& document = FContext.Document;
        if (document.FootnoteSettings.Numbering == doc::TFootnoteNumbering::fnPage &&
            note < document.Footnotes.size() && document.Footnotes[note].CustomMark.empty())
            line.Fields.push_back({line.Items.size(), TSlotKind::skFootnoteMark, note});
    }
}

// One area per stretch of a link on the line, over its text's height.
void TParagraphLayout::EmitLinks(const std::vector<TPiece>& pieces, TLine& line) const {
    const double baseline = line.Baseline;
    std::optional<std::size_t> lastLinkAt;
    const auto& links = FContext.Document.Links;
    for (const TPiece& p : pieces) {
        const doc::TCharacterStyle& cs = *p.Span->Style;
        if (cs.Link < 0 || std::size_t(cs.Link) >= links.size() || p.Width <= 0) {
            lastLinkAt.reset();
            continue;
        }
        TLinkItem* lastLink = lastLinkAt ? &std::get<TLinkItem>(line.Items[*lastLinkAt]) : nullptr;
        // Text by its font's height; a picture in a link by its own.
        const TSpan& span = *p.Span;
        double top = baseline - span.Rise - span.Height, bottom = baseline - span.Rise;
        if (!p.Object && span.Font) {
            top = baseline - span.Rise - span.Font->Ascent() * span.Size;
            bottom = top + (span.Font->Ascent() + span.Font->Descent()) * span.Size;
        }
        const std::wstring& target = links[std::size_t(cs.Link)];
        if (lastLink && lastLink->Target == target && std::abs(lastLink->Area.X + lastLink->Area.Width - p.X) < 1) {
            const double y0 = std::min(lastLink->Area.Y, top);
            const double y1 = std::max(lastLink->Area.Y + lastLink->Area.Height, bottom);
            lastLink->Area = {lastLink->Area.X, y0, p.X + p.Width - lastLink->Area.X, y1 - y0};
            continue;
        }
        lastLinkAt = line.Items.size();
        line.Items.emplace_back(TLinkItem{{p.X, top, p.Width, bottom - top}, target});
    }
}

}  // namespace layout
