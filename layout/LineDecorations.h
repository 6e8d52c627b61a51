#pragma once
// What a line draws besides its glyphs: the paragraph's fill and the highlights beneath the text,
// underlines and strike-throughs over it.

#include <vector>

#include "document/Document.h"
#include "layout/LinePiece.h"
#include "layout/Lines.h"

namespace layout {

// The paragraph's fill behind the whole line, between its indents (out to its border's bars).
void AppendParagraphFill(const doc::TParagraphStyle& style, double columnWidth, TLine& line);
// A highlight behind each piece of highlighted text, over its font's height.
void AppendHighlights(const std::vector<TLinePiece>& pieces, TLine& line);
// Underlines and strike-throughs, in each piece's text colour, at its font's own position.
void AppendRules(const std::vector<TLinePiece>& pieces, TLine& line);

}  // namespace layout
