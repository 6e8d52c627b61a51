#pragma once
// A text storage laid out in a box of fixed width with no page breaks: headers and footers, text
// boxes, table cells, footnotes.

#include <limits>
#include <optional>
#include <vector>

#include "document/Document.h"
#include "layout/Lines.h"
#include "layout/TextContext.h"

namespace layout {

struct TBlockOptions {
    std::optional<doc::TAlignment> Natural;  // what natural alignment means in this box
    std::u16string FirstLabel;               // a raised label before the first line (footnote numbers)
    // Lines that would start below this are not laid out (a header taller than its page).
    double MaxHeight = std::numeric_limits<double>::infinity();
};

struct TBlock {
    std::vector<TPageItem> Items;  // from the box's top-left
    std::vector<TFieldSlot> Fields;
    double Height = 0;
};

TBlock LayOutBlock(const doc::TTextStorage& storage, double width, TTextContext& context,
                   const TBlockOptions& options = {});

// Space the paragraph's style puts between paragraphs, made sane.
double SpaceBefore(const doc::TParagraphStyle& style);
double SpaceAfter(const doc::TParagraphStyle& style);

}  // namespace layout
