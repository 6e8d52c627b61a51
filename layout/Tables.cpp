#include "layout/Tables.h"

#include <algorithm>

#include "document/Limits.h"
#include "layout/TextBlock.h"

namespace layout {

namespace {

constexpr std::size_t kMaxColumns = doc::limits::kMaxTableColumns;
constexpr std::size_t kMaxRows = doc::limits::kMaxTableRows;

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

// Every cell's text first: rows grow to fit the cells that start in them, and the last row a
// merged cell covers grows when the cell needs more than its rows give. Then each row: fills, then
// text, then borders over both; a merged cell draws from its first row down.
class TTableMaker {
public:
    TTableMaker(const doc::TTable& table, TTextContext& context)
        : FTable(table),
          FContext{context.Document, context.Fonts, context.Fields, context.FootnoteMarks, false} {}

    TTableLayout Make() {
        MeasureColumns();
        LayOutCells();
        GrowForMergedCells();
        FResult.Rows.resize(FRows);
        for (std::size_t r = 0; r < FRows; ++r) FResult.Rows[r].Height = FHeights[r];
        AppendFills();
        AppendText();
        AppendBorders();
        return std::move(FResult);
    }

private:
    struct TCellBlock {
        std::size_t Row, Column, Span, Rows;
        TBlock Block;
    };

    void MeasureColumns() {
        FRows = std::min(FTable.Cells.size(), kMaxRows);
        std::size_t columns = std::min(FTable.ColumnWidths.size(), kMaxColumns);
        for (std::size_t r = 0; r < FRows; ++r)
            columns = std::max(columns, std::min(FTable.Cells[r].size(), kMaxColumns));
        FLefts.assign(columns + 1, 0);
        for (std::size_t c = 0; c < columns; ++c) {
            const double width = c < FTable.ColumnWidths.size() ? Sane(FTable.ColumnWidths[c], 1, 10000, 72) : 72;
            FLefts[c + 1] = FLefts[c] + width;
        }
        FColumns = columns;
        FResult.Width = FLefts[columns];
        FResult.HeaderRows = std::clamp(FTable.HeaderRows, 0, int(FRows));
    }

    void LayOutCells() {
        FHeights.assign(FRows, 0);
        for (std::size_t r = 0; r < FRows; ++r) {
            FHeights[r] = r < FTable.RowHeights.size() ? Sane(FTable.RowHeights[r], 0, 10000, 0) : 0;
            const auto& cells = FTable.Cells[r];
            for (std::size_t c = 0; c < cells.size() && c < FColumns; ++c) {
                const doc::TCell& cell = cells[c];
                if (cell.ColumnSpan <= 0 || cell.RowSpan <= 0) continue;  // covered by a merged neighbour
                const std::size_t span = std::min<std::size_t>(std::size_t(cell.ColumnSpan), FColumns - c);
                const std::size_t down = std::min<std::size_t>(std::size_t(cell.RowSpan), FRows - r);
                const double width = std::max(1.0, FLefts[c + span] - FLefts[c] - 2 * kCellPadding);
                FBlocks.push_back({r, c, span, down, LayOutBlock(cell.Text, width, FContext)});
                if (down == 1) FHeights[r] = std::max(FHeights[r], FBlocks.back().Block.Height + 2 * kCellPadding);
            }
        }
    }

    void GrowForMergedCells() {
        for (const TCellBlock& b : FBlocks) {
            if (b.Rows == 1) continue;
            const double need = b.Block.Height + 2 * kCellPadding, have = Tall(b);
            if (need > have) FHeights[b.Row + b.Rows - 1] += need - have;
        }
    }

    double Tall(const TCellBlock& b) const {
        double h = 0;
        for (std::size_t k = 0; k < b.Rows; ++k) h += FHeights[b.Row + k];
        return h;
    }

    void AppendFills() {
        for (const TCellBlock& b : FBlocks) {
            const doc::TCell& cell = FTable.Cells[b.Row][b.Column];
            if (!cell.Fill) continue;
            const double x = FLefts[b.Column], w = FLefts[b.Column + b.Span] - x, h = Tall(b);
            TPathItem fill;
            fill.Path = {At(doc::TPathSegment::skMove, x, 0), At(doc::TPathSegment::skLine, x + w, 0),
                         At(doc::TPathSegment::skLine, x + w, h), At(doc::TPathSegment::skLine, x, h),
                         At(doc::TPathSegment::skClose, x, 0)};
            fill.Fill = cell.Fill;
            FResult.Rows[b.Row].Items.emplace_back(std::move(fill));
        }
    }

    void AppendText() {
        for (TCellBlock& b : FBlocks) {
            TLine& row = FResult.Rows[b.Row];
            const std::size_t base = row.Items.size();
            for (TFieldSlot slot : b.Block.Fields) {
                slot.Item += base;
                row.Fields.push_back(slot);
            }
            AppendTranslated(row.Items, std::move(b.Block.Items), FLefts[b.Column] + kCellPadding, kCellPadding);
        }
    }

    const doc::TCell& CellAt(std::size_t r, std::size_t c) const {
        static const doc::TCell none;
        return r < FTable.Cells.size() && c < FTable.Cells[r].size() ? FTable.Cells[r][c] : none;
    }

    // A merged cell's edges are those of the cells along them: its right edge is its last column's,
    // its foot its last row's; the lines between the cells it covers are not drawn.
    void AppendBorders() {
        for (const TCellBlock& b : FBlocks) {
            const double x1 = FLefts[b.Column], x2 = FLefts[b.Column + b.Span], h = Tall(b);
            std::vector<TPageItem>& items = FResult.Rows[b.Row].Items;
            const std::size_t lastRow = b.Row + b.Rows - 1, lastColumn = b.Column + b.Span - 1;
            for (std::size_t c = b.Column; c <= lastColumn; ++c) {
                Rule(items, CellAt(b.Row, c).Top, FLefts[c], 0, FLefts[c + 1], 0);
                Rule(items, CellAt(lastRow, c).Bottom, FLefts[c], h, FLefts[c + 1], h);
            }
            double y = 0;
            for (std::size_t r = b.Row; r <= lastRow; ++r) {
                Rule(items, CellAt(r, b.Column).Left, x1, y, x1, y + FHeights[r]);
                Rule(items, CellAt(r, lastColumn).Right, x2, y, x2, y + FHeights[r]);
                y += FHeights[r];
            }
        }
    }

    const doc::TTable& FTable;
    TTextContext FContext;
    std::size_t FRows = 0, FColumns = 0;
    std::vector<double> FLefts;    // each column's left edge, and the table's right edge last
    std::vector<double> FHeights;  // each row's
    std::vector<TCellBlock> FBlocks;
    TTableLayout FResult;
};

}  // namespace

TTableLayout LayOutTable(const doc::TTable& table, TTextContext& context) { return TTableMaker(table, context).Make(); }

void DrawTable(const doc::TTable& table, TTextContext& context, double x, double y, std::vector<TPageItem>& out) {
    TTableLayout laid = LayOutTable(table, context);
    for (TLine& row : laid.Rows) {
        AppendTranslated(out, std::move(row.Items), x, y);
        y += row.Height;
    }
}

}  // namespace layout
