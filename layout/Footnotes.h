#pragma once
// Footnote marks and footnote text.

#include <string>
#include <vector>

#include "document/Document.h"
#include "layout/TextBlock.h"
#include "layout/TextContext.h"

namespace layout {

// The mark of every footnote, numbered in the order the body refers to them.
std::vector<std::u16string> FootnoteMarks(const doc::TDocument& document);

// Footnote i's text with its raised mark before the first line.
TBlock LayOutFootnote(std::size_t footnote, double width, TTextContext& context);

// Room the separator takes above a page's footnotes (the gap above it included).
double FootnoteSeparatorRoom(const doc::TDocument& document);
constexpr double kFootnoteSeparatorSpace = 6;  // between the rule and the first footnote
constexpr double kFootnoteSeparatorLength = 144;

}  // namespace layout
