#include "layout/TextShaping.h"

#include <algorithm>

#include "layout/Bidi.h"
#include "layout/Drawables.h"
#include "layout/LineBreaker.h"
#include "layout/Unicode.h"

namespace layout {

namespace {

bool IsHiddenChar(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xAD || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF || c == doc::kObjectMark ||
           (c >= 0xFE00 && c <= 0xFE0F);
}

double FontSizeOf(const doc::TCharacterStyle& style) { return Sane(style.FontSize, 1, 1638, 12); }

// What every character of one run shares before fallback and small capitals.
struct TRunLook {
    const doc::TCharacterStyle* Style = nullptr;
    const TFont* Font = nullptr;
    double Size = 12, Rise = 0, CharSpacing = 0;
};

TRunLook LookOf(const doc::TCharacterStyle& style, TTextContext& context) {
    TRunLook look;
    look.Style = &style;
    look.Font = &context.Fonts.Match(style.FontName, style.Bold, style.Italic);
    const double size = FontSizeOf(style);
    look.Size = size;
    if (style.Baseline == doc::TBaseline::blSuperscript) {
        look.Size = size * kScriptScale;
        look.Rise = size * kSuperscriptRise;
    } else if (style.Baseline == doc::TBaseline::blSubscript) {
        look.Size = size * kScriptScale;
        look.Rise = -size * kSubscriptDrop;
    }
    look.Rise += Sane(style.BaselineShift, -1000, 1000, 0);
    look.CharSpacing = Sane(style.Tracking, -1, 10, 0) * size;
    return look;
}

std::u16string DigitsOf(std::size_t n) {
    std::u16string out;
    for (char c : std::to_string(n)) out += char16_t(c);
    return out;
}

class TShaper {
public:
    TShaper(const doc::TParagraph& paragraph, TTextContext& context) : FParagraph(paragraph), FContext(context) {}

    TShapedParagraph Run() {
        const std::u16string& source = FParagraph.Text;
        FOut.Text.reserve(source.size());
        FOut.Advance.assign(source.size(), 0.0);
        FOut.Spans.reserve(FParagraph.Runs.size() + FParagraph.Attachments.size() + 4);
        std::u16string breakText;
        breakText.reserve(source.size());
        std::size_t runIndex = 0, attachmentIndex = 0;
        const doc::TCharacterStyle* lookStyle = nullptr;
        TRunLook look;
        bool wordStart = true;
        std::size_t units = 0;
        for (std::size_t i = 0; i < source.size(); i += units) {
            const char32_t c = DecodeAt(source, i, units);
            const doc::TCharacterStyle& style = StyleAt(std::uint32_t(i), runIndex);
            if (&style != lookStyle) {
                lookStyle = &style;
                look = LookOf(style, FContext);
            }
            while (attachmentIndex < FParagraph.Attachments.size() &&
                   FParagraph.Attachments[attachmentIndex].Position < i)
                ++attachmentIndex;
            const doc::TAttachment* attachment =
                (c == doc::kObjectMark && attachmentIndex < FParagraph.Attachments.size() &&
                 FParagraph.Attachments[attachmentIndex].Position == i)
                    ? &FParagraph.Attachments[attachmentIndex]
                    : nullptr;
            char16_t breakChar = source[i];
            if (c == u'\t') {
                Push(i, 1, TSpanKind::skTab, look);
            } else if (c == doc::kLineBreak || c == u'\n' || c == u'\r' || c == 0x0B || c == 0x2029) {
                Push(i, 1, TSpanKind::skLineBreak, look);
                breakChar = doc::kLineBreak;
            } else if (c == doc::kPageBreak) {
                Push(i, 1, FContext.Body ? TSpanKind::skPageBreak : TSpanKind::skLineBreak, look);
            } else if (attachment) {
                if (PushAttachment(i, *attachment, look)) breakChar = u'x';
            } else if (IsHiddenChar(c)) {
                Push(i, units, TSpanKind::skHidden, look);
            } else {
                PushChar(i, units, c, look, wordStart);
            }
            if (FOut.Spans.back().Kind == TSpanKind::skText && (units == 1) == (FShown < 0x10000))
                AppendUtf16(FOut.Text, FShown);
            else
                FOut.Text.append(source, i, units);
            breakText += breakChar;
            if (units == 2) breakText += source[i + 1];
            wordStart = !IsLetter(c) && c != u'\'' && c != 0x2019;
        }
        if (FOut.Spans.empty()) {
            const doc::TCharacterStyle& style =
                FParagraph.Runs.empty() ? FParagraph.Style->Character : *FParagraph.Runs.front().Style;
            const TRunLook empty = LookOf(style, FContext);
            Push(0, 0, TSpanKind::skText, empty);
        }
        FOut.BreakBefore = BreakOpportunities(breakText);
        TBidiLevels bidi = BidiLevels(FOut.Text);
        FOut.Levels = std::move(bidi.Levels);
        FOut.RightToLeft = bidi.RightToLeft;
        for (TSpan& span : FOut.Spans)
            if (span.Kind == TSpanKind::skText && span.Font && span.Start < span.End && span.End <= FOut.Text.size())
                ShapeSpan(span);
        return std::move(FOut);
    }

private:
    const doc::TCharacterStyle& StyleAt(std::uint32_t position, std::size_t& runIndex) const {
        const auto& runs = FParagraph.Runs;
        while (runIndex < runs.size() && runs[runIndex].End <= position) ++runIndex;
        if (runIndex < runs.size() && runs[runIndex].Start <= position) return runs[runIndex].Style;
        return FParagraph.Style->Character;
    }

    // Starts a new span unless the last one looks the same.
    TSpan& Push(std::size_t at, std::size_t units, TSpanKind kind, const TRunLook& look, const TFont* font = nullptr,
                double size = -1) {
        const TFont* f = font ? font : look.Font;
        const double s = size > 0 ? size : look.Size;
        const bool single = kind == TSpanKind::skField || kind == TSpanKind::skFootnote || kind == TSpanKind::skObject;
        if (!single && !FOut.Spans.empty()) {
            TSpan& last = FOut.Spans.back();
            if (last.Kind == kind && last.Font == f && last.Size == s && last.Style == look.Style &&
                last.End == at) {
                last.End = std::uint32_t(at + units);
                return last;
            }
        }
        TSpan span;
        span.Start = std::uint32_t(at);
        span.End = std::uint32_t(at + units);
        span.Kind = kind;
        span.Font = f;
        span.Size = s;
        span.Rise = look.Rise;
        span.CharSpacing = look.CharSpacing;
        span.Style = look.Style;
        FOut.Spans.push_back(std::move(span));
        return FOut.Spans.back();
    }

    void PushChar(std::size_t at, std::size_t units, char32_t c, const TRunLook& look, bool wordStart) {
        double size = look.Size;
        char32_t shown = c;
        switch (look.Style->Capitalization) {
        case doc::TCapitalization::caAllCaps: shown = ToUpper(c); break;
        case doc::TCapitalization::caSmallCaps:
            if (IsLower(c)) {
                shown = ToUpper(c);
                size *= kSmallCapsScale;
            }
            break;
        case doc::TCapitalization::caTitle:
            if (wordStart) shown = ToUpper(c);
            break;
        case doc::TCapitalization::caNone: break;
        }
        const TFont& font = FContext.Fonts.ForChar(shown, *look.Font);
        TSpan& span = Push(at, units, TSpanKind::skText, look, &font, size);
        FOut.Advance[at] = FContext.Fonts.Advance(font, shown) * size + span.CharSpacing;
        FShown = shown;
    }

    // A text span's glyphs as its font shapes them, word by word in the direction of each word's
    // characters; its advances become the glyphs'. Left measured character by character when the
    // font cannot be shaped.
    void ShapeSpan(TSpan& span) {
        const std::u16string_view text = FOut.Text;
        const auto levelAt = [&](std::uint32_t i) { return FOut.Levels.empty() ? 0 : FOut.Levels[i]; };
        const std::size_t firstGlyph = FOut.Glyphs.size();
        for (std::uint32_t at = span.Start; at < span.End;) {
            const bool space = text[at] == u' ';
            const std::uint8_t level = levelAt(at);
            std::uint32_t end = at + 1;
            while (end < span.End && (text[end] == u' ') == space && levelAt(end) == level) ++end;
            const auto word = FContext.Fonts.Shaper.Shape(*span.Font, text.substr(at, end - at), level & 1);
            if (!word) {
                FOut.Glyphs.resize(firstGlyph);
                return;
            }
            for (const TShapedGlyph& g : *word) {
                // A character's own glyph keeps the width the layout measures it by (a stand-in face
                // may set another family's); the font's positioning is added to it.
                const double own = g.Character ? FContext.Fonts.Advance(*span.Font, g.Character) : g.Natural;
                FOut.Glyphs.push_back({at + g.Cluster, g.Id, g.Character, static_cast<float>(own + g.Advance - g.Natural),
                                       g.Natural, g.XOffset, g.YOffset});
            }
            at = end;
        }
        span.Shaped = true;
        std::fill(FOut.Advance.begin() + span.Start, FOut.Advance.begin() + span.End, 0.0);
        std::uint32_t lastCluster = span.End;
        for (std::size_t k = firstGlyph; k < FOut.Glyphs.size(); ++k) {
            const TGlyph& g = FOut.Glyphs[k];
            FOut.Advance[g.Cluster] += g.Advance * span.Size;
            if (g.Cluster != lastCluster) FOut.Advance[g.Cluster] += span.CharSpacing;
            lastCluster = g.Cluster;
        }
    }

    // False when the attachment shows nothing.
    bool PushAttachment(std::size_t at, const doc::TAttachment& attachment, const TRunLook& look) {
        const doc::TDocument& document = FContext.Document;
        switch (attachment.Kind) {
        case doc::TAttachmentKind::akField: {
            TSpan& span = Push(at, 1, TSpanKind::skField, look);
            span.Attachment = std::size_t(&attachment - FParagraph.Attachments.data());
            switch (attachment.Field) {
            case doc::TFieldKind::fkPageNumber: span.Text = FContext.Fields.PageNumber; break;
            case doc::TFieldKind::fkPageCount: span.Text = FContext.Fields.PageCount; break;
            default: span.Text = attachment.FieldText; break;
            }
            FOut.Advance[at] = MeasureText(span.Text, *span.Font, span.Size, span.CharSpacing);
            return true;
        }
        case doc::TAttachmentKind::akFootnote: {
            TRunLook mark = look;
            const double size = FontSizeOf(*look.Style);
            mark.Size = size * kScriptScale;
            mark.Rise = size * kSuperscriptRise;
            TSpan& span = Push(at, 1, TSpanKind::skFootnote, mark);
            span.Attachment = std::size_t(&attachment - FParagraph.Attachments.data());
            const bool known = attachment.Index < document.Footnotes.size();
            if (known && !document.Footnotes[attachment.Index].CustomMark.empty())
                span.Text = document.Footnotes[attachment.Index].CustomMark;
            else if (FContext.FootnoteMarks && attachment.Index < FContext.FootnoteMarks->size())
                span.Text = (*FContext.FootnoteMarks)[attachment.Index];
            else
                span.Text = DigitsOf(attachment.Index + 1);
            FOut.Advance[at] = MeasureText(span.Text, *span.Font, span.Size, span.CharSpacing);
            return true;
        }
        case doc::TAttachmentKind::akDrawable:
            if (attachment.Index < document.Drawables.size()) {
                const doc::TDrawable& drawable = document.Drawables[attachment.Index];
                if (drawable.Inline && drawable.Kind != doc::TDrawableKind::dkTable) {
                    TSpan& span = Push(at, 1, TSpanKind::skObject, look);
                    span.Attachment = std::size_t(&attachment - FParagraph.Attachments.data());
                    span.Drawable = attachment.Index;
                    // A cropped picture takes the room of the part that shows.
                    const doc::TRect box = VisibleBox(drawable);
                    span.Width = Sane(box.Width, 0, 20000, 0);
                    span.Height = Sane(box.Height, 0, 20000, 0);
                    FOut.Advance[at] = span.Width;
                    return false;
                }
            }
            Push(at, 1, TSpanKind::skHidden, look);
            return true;
        case doc::TAttachmentKind::akUnknown: break;
        }
        Push(at, 1, TSpanKind::skHidden, look);
        return true;
    }

    const doc::TParagraph& FParagraph;
    TTextContext& FContext;
    TShapedParagraph FOut;
    char32_t FShown = 0;
};

}  // namespace

std::size_t TShapedParagraph::SpanAt(std::uint32_t position) const {
    auto it = std::upper_bound(Spans.begin(), Spans.end(), position,
                               [](std::uint32_t p, const TSpan& s) { return p < s.End; });
    if (it == Spans.end()) return Spans.empty() ? 0 : Spans.size() - 1;
    return std::size_t(it - Spans.begin());
}

TShapedParagraph Shape(const doc::TParagraph& paragraph, TTextContext& context) {
    return TShaper(paragraph, context).Run();
}

double MeasureText(const std::u16string& text, const TFont& font, double size, double charSpacing) {
    double width = 0;
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size(); i += units) {
        const char32_t c = DecodeAt(text, i, units);
        width += font.Advance(c) * size + charSpacing;
    }
    return width;
}

}  // namespace layout
