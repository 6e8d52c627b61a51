#pragma once
// Laid-out pages: positioned text, lines, paths and pictures. Knows no PDF.
// Coordinates are points from the page's top-left corner, y down.

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "document/Document.h"
#include "layout/Fonts.h"

namespace layout {

// A glyph of a text item as the font's shaping set it, in ems of the item's size.
struct TGlyph {
    std::uint32_t Cluster = 0;  // the first UTF-16 unit of Text it stands for
    std::uint16_t Id = 0;       // 0: the face lacks the character (nothing is drawn)
    char32_t Character = 0;     // the character whose own glyph it is; 0: a form of its own (ligature, joined letter)
    float Advance = 0;          // how far the pen moves after it, tracking and word spacing not included
    float Width = 0;            // the glyph's own advance
    float XOffset = 0, YOffset = 0;  // from the pen; y up
};

// A glyph that is its character's own and sits on the pen but for its advance, which shaping set
// apart from the character's (kerning): the advance it takes instead, in ems of the item's size.
struct TKern {
    std::uint32_t Unit = 0;  // the character's first UTF-16 unit in Text
    float Advance = 0;
};

// A run of text in one face on one baseline.
struct TTextItem {
    double X = 0, Y = 0;  // start of the baseline
    const TFont* Font = nullptr;
    double Size = 12;
    std::u16string Text;
    doc::TColor Color;
    double CharSpacing = 0;  // points added after each character (tracking)
    double WordSpacing = 0;  // points added to each U+0020 (justification)
    // The glyphs in the order they are drawn, left to right, the logical order of Text kept in
    // their clusters; empty: Text is drawn character by character in its own order, each
    // character its own glyph.
    std::vector<TGlyph> Glyphs;
    // Glyphs empty and the text shaped: each character's advance is the one shaping gave it,
    // static_cast<float>(Font->Advance(c)) but where Kerning (ascending units) says otherwise.
    // Most shaped text is kept so: a few bytes where whole glyph records would take 28 a character.
    bool Shaped = false;
    std::vector<TKern> Kerning;
};

// Shaped glyphs that are all their characters' own, left to right, one for each character and
// on the pen, kept as the item's Kerning (Shaped set) instead of Glyphs; others are left as they are.
void KeepOwnGlyphsAsKerning(TTextItem& item);

struct TLineItem {
    doc::TPoint From, To;
    doc::TStroke Stroke;
};

struct TPathItem {
    std::vector<doc::TPathSegment> Path;  // page coordinates
    std::optional<doc::TStroke> Stroke;
    std::optional<doc::TColor> Fill;
    std::optional<doc::TGradient> Gradient;  // fills instead of Fill; its angle already turned with the shape
};

struct TImageItem {
    doc::TImage Image;
    doc::TRect Frame;  // where the whole picture goes on the page
    doc::TRect Clip;   // what of it shows, in page coordinates
    std::vector<doc::TPathSegment> ClipPath;  // a mask's outline inside Clip, in page coordinates; empty: Clip alone
    double Rotation = 0;
};

// Where a click opens a hyperlink; nothing is drawn.
struct TLinkItem {
    doc::TRect Area;
    std::wstring Target;  // as the document gives it
};

using TPageItem = std::variant<TTextItem, TLineItem, TPathItem, TImageItem, TLinkItem>;

struct TPage {
    double Width = 0, Height = 0;
    std::vector<TPageItem> Items;  // painted in order
};

struct TLaidOutDocument {
    std::wstring Title;
    std::vector<TPage> Pages;  // at least one
    // What could not be shown: "chart" -> 2 (from the model, and anything the layout dropped).
    std::map<std::wstring, int> LeftOut;
};

}  // namespace layout
