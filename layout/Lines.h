#pragma once
// A laid-out line (or any block the body flow places as one piece: a table row, a footnote):
// page items relative to its own top-left, and what the page must still fill in.

#include <cstddef>
#include <vector>

#include "layout/Page.h"

namespace layout {

enum class TSlotKind { skPageNumber, skPageCount, skFootnoteMark };

// A text item whose text is known only once pages are made: a page number or count, or the mark
// of a footnote numbered by page.
struct TFieldSlot {
    std::size_t Item = 0;
    TSlotKind Kind = TSlotKind::skPageNumber;
    std::size_t Footnote = 0;  // skFootnoteMark
};

struct TLine {
    std::vector<TPageItem> Items;  // x from the text column's left edge, y from the line's top
    double Height = 0;
    double Baseline = 0;  // from the line's top
    // Room its spacing adds below the text, within Height: it need not fit at a column's foot.
    double SpacingBelow = 0;
    std::vector<TFieldSlot> Fields;
    std::vector<std::size_t> Footnotes;  // referred to from this line, in order
    bool PageBreakAfter = false;
};

void Translate(TPageItem& item, double dx, double dy);

// Appends copies of items moved by (dx, dy).
void AppendTranslated(std::vector<TPageItem>& out, const std::vector<TPageItem>& items, double dx, double dy);
// The same, moving the items out of `items`.
void AppendTranslated(std::vector<TPageItem>& out, std::vector<TPageItem>&& items, double dx, double dy);

}  // namespace layout
