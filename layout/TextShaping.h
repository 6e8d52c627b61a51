#pragma once
// A paragraph's text made ready for line breaking: every character's face, size and advance,
// measured once, grouped into spans that share them.

#include <cstdint>
#include <string>
#include <vector>

#include "document/Document.h"
#include "layout/Fonts.h"
#include "layout/Page.h"
#include "layout/TextContext.h"

namespace layout {

enum class TSpanKind : std::uint8_t {
    skText,
    skTab,
    skLineBreak,  // U+2028 and stray newlines
    skPageBreak,  // U+0005 in the body
    skHidden,     // takes no room and shows nothing (format characters, anchors of floating objects)
    skField,      // one U+FFFC showing Text
    skFootnote,   // one U+FFFC showing a raised reference mark
    skObject,     // one U+FFFC holding an inline drawable
};

struct TSpan {
    std::uint32_t Start = 0, End = 0;
    TSpanKind Kind = TSpanKind::skText;
    const TFont* Font = nullptr;
    double Size = 12;
    double Rise = 0;         // baseline moved up by this many points
    double CharSpacing = 0;  // points after each character
    const doc::TCharacterStyle* Style = nullptr;
    std::u16string Text;          // skField, skFootnote
    std::size_t Attachment = 0;   // skField, skFootnote, skObject: index into the paragraph's attachments
    std::size_t Drawable = 0;     // skObject
    double Width = 0, Height = 0; // skObject
    bool Shaped = false;          // skText: its glyphs are in TShapedParagraph::Glyphs
};

struct TShapedParagraph {
    std::u16string Text;                     // as shown: capitalisation applied, as long as the source
    std::vector<double> Advance;             // per UTF-16 unit in points, tracking and kerning included
                                             // (a cluster's on its first unit)
    std::vector<TGlyph> Glyphs;              // of the shaped spans, Cluster ascending (units of Text)
    std::vector<std::uint8_t> Levels;        // bidirectional level per unit; empty: all left to right
    std::vector<std::uint8_t> BreakBefore;   // 1: a line may start at this unit
    std::vector<TSpan> Spans;                // cover Text in order; one empty span when Text is empty
    bool RightToLeft = false;                // the paragraph runs right to left (its first strong character)

    std::size_t SpanAt(std::uint32_t position) const;
};

TShapedParagraph Shape(const doc::TParagraph& paragraph, TTextContext& context);

// Size and rise of superscript and subscript text.
constexpr double kScriptScale = 0.6;
constexpr double kSuperscriptRise = 0.35;  // of the run's size
constexpr double kSubscriptDrop = 0.15;
constexpr double kSmallCapsScale = 0.8;

// Width of a string in one face, as the writer will draw it.
double MeasureText(const std::u16string& text, const TFont& font, double size, double charSpacing);

}  // namespace layout
