#pragma once
// Laid-out pages: positioned text, lines, paths and pictures. Knows no PDF.
// Coordinates are points from the page's top-left corner, y down.

#include <map>
#include <string>
#include <variant>
#include <vector>

#include "document/Document.h"
#include "layout/Fonts.h"

namespace layout {

// A run of text in one face on one baseline.
struct TTextItem {
    double X = 0, Y = 0;  // start of the baseline
    const TFont* Font = nullptr;
    double Size = 12;
    std::u16string Text;
    doc::TColor Color;
    double CharSpacing = 0;  // points added after each character (tracking)
    double WordSpacing = 0;  // points added to each U+0020 (justification)
};

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
