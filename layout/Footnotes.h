#pragma once
// Footnote marks and footnote text.

#include <string>
#include <vector>

#include "document/Document.h"
#include "layout/Lines.h"
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

// The notes the body's paragraphs [from, to) refer to, in order, once each.
std::vector<std::size_t> NotesReferred(const doc::TDocument& document, std::size_t from, std::size_t to);
// The rule above endnotes placed in a column this wide, as a line of its own.
TLine EndnoteSeparator(const doc::TDocument& document, double columnWidth);

}  // namespace layout
