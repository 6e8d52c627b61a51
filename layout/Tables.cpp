#include "layout/Tables.h"

#include <algorithm>

#include "layout/TextBlock.h"

namespace layout {

namespace {

constexpr std::size_t kMaxColumns = 1000;
constexpr std::size_t kMaxRows = 100000;

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
    line.Stroke.Dash = border.Dash;
    out.emplace_back(line);
}

}  // namespace

TTableLayout LayOutTable(const doc::TTable& table, TTextContext& context) {
    TTableLayout result;
    const std::size_t rows = std::min(table.Cells.size(), kMaxRows);
    std::size_t columns = std::min(table.ColumnWidths.size(), kMaxColumns);
    for (std::size_t r = 0; r < rows; ++r) columns = std::max(columns, std::min(table.Cells[r].size(), kMaxColumns));
    std::vector<double> widths(columns, 72);
    std::vector<double> lefts(columns + 1, 0);
    for (std::size_t c = 0; c < columns; ++c) {
        if (c < table.ColumnWidths.size()) widths[c] = Sane(table.ColumnWidths[c], 1, 10000, 72);
        lefts[c + 1] = lefts[c] + widths[c];
    }
    result.Width = lefts[columns];
    result.HeaderRows = std::clamp(table.HeaderRows, 0, int(rows));
    TTextContext cellContext{context.Document, context.Fonts, context.Fields, context.FootnoteMarks, false};

    // Every cell's text first: rows grow to fit the cells that start in them, and the last row a
    // merged cell covers grows when the cell needs more than its rows give.
    struct TCellBlock {
        std::size_t Row, Column, Span, Rows;
        TBlock Block;
    };
    std::vector<TCellBlock> blocks;
    std::vector<double> heights(rows, 0);
    for (std::size_t r = 0; r < rows; ++r) {
        heights[r] = r < table.RowHeights.size() ? Sane(table.RowHeights[r], 0, 10000, 0) : 0;
        const auto& cells = table.Cells[r];
        for (std::size_t c = 0; c < cells.size() && c < columns; ++c) {
            const doc::TCell& cell = cells[c];
            if (cell.ColumnSpan <= 0 || cell.RowSpan <= 0) continue;  // covered by a merged neighbour
            const std::size_t span = std::min<std::size_t>(std::size_t(cell.ColumnSpan), columns - c);
            const std::size_t down = std::min<std::size_t>(std::size_t(cell.RowSpan), rows - r);
            const double width = std::max(1.0, lefts[c + span] - lefts[c] - 2 * kCellPadding);
            blocks.push_back({r, c, span, down, LayOutBlock(cell.Text, width, cellContext)});
            if (down == 1) heights[r] = std::max(heights[r], blocks.back().Block.Height + 2 * kCellPadding);
        }
    }
    for (const TCellBlock& b : blocks) {
        if (b.Rows == 1) continue;
        double have = 0;
        for (std::size_t k = 0; k < b.Rows; ++k) have += heights[b.Row + k];
        const double need = b.Block.Height + 2 * kCellPadding;
        if (need > have) heights[b.Row + b.Rows - 1] += need - have;
    }

    // Each row: fills, then text, then borders over both; a merged cell draws from its first row down.
    result.Rows.resize(rows);
    for (std::size_t r = 0; r < rows; ++r) result.Rows[r].Height = heights[r];
    auto tall = [&](const TCellBlock& b) {
        double h = 0;
        for (std::size_t k = 0; k < b.Rows; ++k) h += heights[b.Row + k];
        return h;
    };
    for (const TCellBlock& b : blocks) {
        const doc::TCell& cell = table.Cells[b.Row][b.Column];
        if (!cell.Fill) continue;
        const double x = lefts[b.Column], w = lefts[b.Column + b.Span] - x, h = tall(b);
        TPathItem fill;
        fill.Path = {At(doc::TPathSegment::skMove, x, 0), At(doc::TPathSegment::skLine, x + w, 0),
                     At(doc::TPathSegment::skLine, x + w, h), At(doc::TPathSegment::skLine, x, h),
                     At(doc::TPathSegment::skClose, x, 0)};
        fill.Fill = cell.Fill;
        result.Rows[b.Row].Items.emplace_back(std::move(fill));
    }
    for (TCellBlock& b : blocks) {
        TLine& row = result.Rows[b.Row];
        const std::size_t base = row.Items.size();
        for (TFieldSlot slot : b.Block.Fields) {
            slot.Item += base;
            row.Fields.push_back(slot);
        }
        AppendTranslated(row.Items, std::move(b.Block.Items), lefts[b.Column] + kCellPadding, kCellPadding);
    }
    // A merged cell's edges are those of the cells along them: its right edge is its last column's,
    // its foot its last row's; the lines between the cells it covers are not drawn.
    auto cellAt = [&](std::size_t r, std::size_t c) -> const doc::TCell& {
        static const doc::TCell none;
        return r < table.Cells.size() && c < table.Cells[r].size() ? table.Cells[r][c] : none;
    };
    for (const TCellBlock& b : blocks) {
        const double x1 = lefts[b.Column], x2 = lefts[b.Column + b.Span], h = tall(b);
        std::vector<TPageItem>& items = result.Rows[b.Row].Items;
        const std::size_t lastRow = b.Row + b.Rows - 1, lastColumn = b.Column + b.Span - 1;
        for (std::size_t c = b.Column; c <= lastColumn; ++c) {
            Rule(items, cellAt(b.Row, c).Top, lefts[c], 0, lefts[c + 1], 0);
            Rule(items, cellAt(lastRow, c).Bottom, lefts[c], h, lefts[c + 1], h);
        }
        double y = 0;
        for (std::size_t r = b.Row; r <= lastRow; ++r) {
            Rule(items, cellAt(r, b.Column).Left, x1, y, x1, y + heights[r]);
            Rule(items, cellAt(r, lastColumn).Right, x2, y, x2, y + heights[r]);
            y += heights[r];
        }
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
