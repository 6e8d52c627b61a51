#pragma once
// A piece of one span on one line, as the paragraph's line builder hands it to the phases that
// draw the line: text of one face, a tab leader or an inline object.

#include <cstdint>
#include <string>
#include <vector>

#include "layout/TextShaping.h"

namespace layout {

struct TLinePiece {
    double X = 0, Width = 0;
    const TSpan* Span = nullptr;
    std::u16string Text;
    std::vector<TGlyph> Glyphs;  // its span's shaped glyphs, Cluster in units of Text; drawing order once placed
    std::uint8_t Level = 0;      // bidirectional level: odd runs right to left
    bool Object = false;
    bool Fixed = false;    // labels: alignment leaves them where they are
    bool Stretch = false;  // its spaces take the justification (none before a tab)
    double WordSpacing = 0;
    double ExtraSpacing = 0;  // added to the span's tracking (justified CJK)
};

}  // namespace layout
