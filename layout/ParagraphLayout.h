#pragma once
// One paragraph broken into lines, one line at a time, so that each line can take the width its
// place on the page leaves (columns, objects the text wraps around).

#include <cstdint>
#include <optional>
#include <vector>

#include "document/Document.h"
#include "layout/Hyphenation.h"
#include "layout/LinePiece.h"
#include "layout/Lines.h"
#include "layout/Lists.h"
#include "layout/Tabs.h"
#include "layout/TextContext.h"
#include "layout/TextShaping.h"

namespace layout {

// A free stretch of a line, from the text column's left edge.
struct TInterval {
    double Left = 0, Right = 0;
};

struct TParagraphOptions {
    std::optional<TListItem> List;  // list item: label and indents
    // A label before the first line that is no list label (footnote numbers).
    std::u16string Label;
    // What natural alignment means here (header and footer parts); unset: left, or right for RTL text.
    std::optional<doc::TAlignment> Natural;
    // Room a border takes above the first line and below the last (from Borders.h).
    double RoomAbove = 0, RoomBelow = 0;
};

// A paragraph's drop cap, shaped and measured.
struct TDropCapLayout {
    doc::TParagraph Paragraph;
    TShapedParagraph Shaped;
    int Lines = 0;
    double Width = 0, Gap = 0;
    double Shift = 0;    // the pen's offset, so that the ink starts at the indent
    double Advance = 0;  // between the lines beside it
    double Bottom = 0;   // below the first line's top, where the paragraph may end
};

class TParagraphLayout {
public:
    TParagraphLayout(const doc::TParagraph& paragraph, TTextContext& context, TParagraphOptions options = {});
    TParagraphLayout(const TParagraphLayout&) = delete;
    TParagraphLayout& operator=(const TParagraphLayout&) = delete;

    bool Done() const { return FPosition >= FShaped.Text.size() && !FPendingLine; }
    std::uint32_t Position() const { return FPosition; }
    // Back to a line start handed out before (the start of the paragraph: 0).
    void Rewind(std::uint32_t position);

    // Left and right bounds of the next line in a column this wide (indents applied).
    TInterval Bounds(double columnWidth) const;
    // Height the next line will take if its tallest text is the text it starts with.
    double EstimatedHeight() const;
    // The next line, over free stretches of the column (inside Bounds, left to right; empty: all of it).
    TLine Next(double columnWidth, const std::vector<TInterval>& free = {});

private:
    using TPiece = TLinePiece;
    struct TFit;
    struct TMetrics {
        double Top = 0, Bottom = 0;
        double TableGap = 0;  // the largest line gap the fonts' own tables give, unrounded
    };

    TFit Fit(std::uint32_t start, double x, double right) const;
    double TabAdvance(std::uint32_t at, double x, double right, std::uint32_t limit) const;
    double Build(const TShapedParagraph& shaped, std::uint32_t start, std::uint32_t end, double x, double right,
                 bool fixed, std::vector<TPiece>& pieces) const;
    void AppendLeader(const TSpan& span, double x, double advance, std::vector<TPiece>& pieces) const;
    double PlaceLabel(double columnWidth, double x, double right, std::vector<TPiece>& pieces,
                      TMetrics& metrics) const;
    static std::vector<TInterval> Stretches(const TInterval& bounds, const std::vector<TInterval>& free);
    void AddRoom(TLine& line, bool firstLine, std::uint32_t lineStart);
    void Align(std::vector<TPiece>& pieces, std::size_t first, double right, bool justify) const;
    void SpreadCharacters(std::vector<TPiece>& pieces, std::size_t first, double free) const;
    void PlaceVisually(std::vector<TPiece>& pieces, std::size_t first) const;
    void Measure(const TShapedParagraph& shaped, std::uint32_t start, std::uint32_t end, TMetrics& metrics) const;
    // Turns the line's pieces into page items (the pieces' text moves into them).
    void Emit(std::vector<TPiece>& pieces, double columnWidth, TLine& line) const;
    void EmitGlyphRuns(std::vector<TPiece>& pieces, TLine& line) const;
    void EmitObject(const TPiece& piece, TLine& line) const;
    void AddSlots(const TSpan& span, TLine& line) const;
    void EmitLinks(const std::vector<TPiece>& pieces, TLine& line) const;
    void Space(const TMetrics& metrics, TLine& line) const;
    void SetUpDropCap();
    void EmitDropCap(TLine& line) const;

    const doc::TParagraph& FParagraph;
    TTextContext& FContext;
    TParagraphOptions FOptions;
    TShapedParagraph FShaped;
    TTabStops FTabs;
    std::optional<THyphenator> FHyphenator;  // when the document hyphenates this paragraph
    doc::TParagraph FLabelParagraph;  // the label as a paragraph of its own, shaped like text
    TShapedParagraph FLabel;
    doc::TAlignment FAlignment = doc::TAlignment::alLeft;
    // A drop cap: the paragraph's text [0, FStart) set large beside its first lines.
    std::optional<TDropCapLayout> FCap;
    std::uint32_t FStart = 0;
    int FLine = 0;               // lines since the paragraph's start
    double FHeightSoFar = 0;     // their height
    std::vector<std::pair<std::uint32_t, double>> FCapLines;  // start and height above of the lines beside the cap
    std::uint32_t FPosition = 0;
    bool FFirst = true;
    bool FPendingLine = true;  // the line after a line break that ends the paragraph, or an empty paragraph's
};

}  // namespace layout
