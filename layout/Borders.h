#pragma once
// Paragraph borders: which paragraphs share one, the room it takes above and below them, and the
// lines that draw it.

#include <cstddef>
#include <vector>

#include "document/Document.h"
#include "layout/Page.h"

namespace layout {

// Between the text and the line when the document's offset is 0, as Pages' page pictures show.
inline constexpr double kBorderGap = 6;
// A rounded box's corners.
inline constexpr double kRoundedRadius = 6;

// Where a paragraph stands in the run of paragraphs that share its border.
struct TBorderRun {
    bool First = true, Last = true;
};

// bordered(i): paragraph i's border counts (a paragraph that holds tables draws none).
template <typename TBordered>
TBorderRun BorderRunOf(const std::vector<doc::TParagraph>& paragraphs, std::size_t i, TBordered&& bordered) {
    const auto& border = paragraphs[i].Style->Border;
    auto same = [&](std::size_t j) { return bordered(j) && paragraphs[j].Style->Border == border; };
    return {i == 0 || !same(i - 1), i + 1 >= paragraphs.size() || !same(i + 1)};
}
TBorderRun BorderRunOf(const std::vector<doc::TParagraph>& paragraphs, std::size_t i);

// Room above the run's first line and below its last: the line and its gap; 0 without a border.
double BorderRoomAbove(const doc::TParagraphStyle& style);
double BorderRoomBelow(const doc::TParagraphStyle& style);

// The part of a run's border on one page or column. Coordinates are the column's: Left and Right
// the text's edges (indents applied), Top and Bottom the room the run's lines take there.
struct TBorderStretch {
    double Left = 0, Right = 0, Top = 0, Bottom = 0;
    bool Opens = true;   // it holds the run's first line: the line above is drawn
    bool Closes = true;  // it holds the run's last line: the line below is drawn
};
void AppendBorder(std::vector<TPageItem>& out, const doc::TParagraphBorder& border, const TBorderStretch& stretch);

// Between the text and the line beside it: a paragraph's fill reaches that far out.
double BorderGap(const doc::TParagraphBorder& border);

// The text's edges in a column this wide.
double BorderLeft(const doc::TParagraphStyle& style, double columnWidth);
double BorderRight(const doc::TParagraphStyle& style, double columnWidth);

}  // namespace layout
