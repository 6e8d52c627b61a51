#include "layout/Tables.h"

#include <algorithm>

#include "layout/TextBlock.h"

namespace layout {

namespace {

constexpr std::size_t MaxColumns = 1000;
constexpr std::size_t MaxRows = 100000;

doc::TPathSegment At(doc::TPathSegment::TKind kind, double x, double y) {
    doc::TPathSegment s;
    s.Kind = kind;
    s.P = {x, y};
    return s;
}

void Rule(std::vector<TPageItem>& out, const doc::TBorder& border, double x1, double y1, double x2, double y2) {
    const double width = Sane(border.Width, 0, 100, 0);
    if (width <= 0) return;
    TLineItem line;
    line.From = {x1, y1};
    line.To = {x2, y2};
    line.Stroke.Width = width;
    line.Stroke.Color = border.Color;
    out.emplace_back(line);
}

}  // namespace

TTableLayout LayOutTable(const doc::TTable& table, TTextContext& context) {
    TTableLayout result;
    const std::size_t rows = std::min(table.Cells.size(), MaxRows);
    std::size_t columns = std::min(table.ColumnWidths.size(), MaxColumns);
    for (std::size_t r = 0; r < rows; ++r) columns = std::max(columns, std::min(table.Cells[r].size(), MaxColumns));
    std::vector<double> widths(columns, 72);
    std::vector<double> lefts(columns + 1, 0);
    for (std::size_t c = 0; c < columns; ++c) {
        if (c < table.ColumnWidths.size()) widths[c] = Sane(table.ColumnWidths[c], 1, 10000, 72);
        lefts[c + 1] = lefts[c] + widths[c];
    }
    result.Width = lefts[columns];
    result.HeaderRows = std::clamp(table.HeaderRows, 0, int(rows));
    TTextContext cellContext{context.Document, context.Fonts, context.Fields, context.FootnoteMarks, false};

    for (std::size_t r = 0; r < rows; ++r) {
        const auto& cells = table.Cells[r];
        struct TCellBlock {
            std::size_t Column, Span;
            TBlock Block;
        };
        std::vector<TCellBlock> blocks;
        double height = r < table.RowHeights.size() ? Sane(table.RowHeights[r], 0, 10000, 0) : 0;
        for (std::size_t c = 0; c < cells.size() && c < columns; ++c) {
            const doc::TCell& cell = cells[c];
            if (cell.ColumnSpan <= 0 || cell.RowSpan <= 0) continue;  // covered by a merged neighbour
            const std::size_t span = std::min<std::size_t>(std::size_t(cell.ColumnSpan), columns - c);
            const double width = std::max(1.0, lefts[c + span] - lefts[c] - 2 * CellPadding);
            TBlock block = LayOutBlock(cell.Text, width, cellContext);
            height = std::max(height, block.Height + 2 * CellPadding);
            blocks.push_back({c, span, std::move(block)});
        }
        // Fills first, then text, then borders over both.
        TLine row;
        row.Height = height;
        for (const TCellBlock& b : blocks) {
            const doc::TCell& cell = cells[b.Column];
            if (!cell.Fill) continue;
            const double x = lefts[b.Column], w = lefts[b.Column + b.Span] - x;
            TPathItem fill;
            fill.Path = {At(doc::TPathSegment::skMove, x, 0), At(doc::TPathSegment::skLine, x + w, 0),
                         At(doc::TPathSegment::skLine, x + w, height), At(doc::TPathSegment::skLine, x, height),
                         At(doc::TPathSegment::skClose, x, 0)};
            fill.Fill = cell.Fill;
            row.Items.emplace_back(std::move(fill));
        }
        for (TCellBlock& b : blocks) {
            const std::size_t base = row.Items.size();
            for (TFieldSlot slot : b.Block.Fields) {
                slot.Item += base;
                row.Fields.push_back(slot);
            }
            AppendTranslated(row.Items, std::move(b.Block.Items), lefts[b.Column] + CellPadding, CellPadding);
        }
        for (const TCellBlock& b : blocks) {
            const doc::TCell& cell = cells[b.Column];
            const double x1 = lefts[b.Column], x2 = lefts[b.Column + b.Span];
            Rule(row.Items, cell.Top, x1, 0, x2, 0);
            Rule(row.Items, cell.Bottom, x1, height, x2, height);
            Rule(row.Items, cell.Left, x1, 0, x1, height);
            Rule(row.Items, cell.Right, x2, 0, x2, height);
        }
        result.Rows.push_back(std::move(row));
    }
    return result;
}

void DrawTable(const doc::TTable& table, TTextContext& context, double x, double y, std::vector<TPageItem>& out) {
    TTableLayout laid = LayOutTable(table, context);
    for (TLine& row : laid.Rows) {
        AppendTranslated(out, std::move(row.Items), x, y);
        y += row.Height;
    }
}

}  // namespace layout
