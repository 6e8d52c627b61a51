#pragma once
// Tables: each row laid out as one block of cell fills, cell text and borders. A cell merged
// over several rows is drawn with its first row (a page break inside it does not cut it).

#include <vector>

#include "document/Document.h"
#include "layout/Lines.h"
#include "layout/TextContext.h"

namespace layout {

struct TTableLayout {
    std::vector<TLine> Rows;  // items from the row's top-left (the table's left edge)
    int HeaderRows = 0;       // the first rows, repeated where the table goes on on a new page
    double Width = 0;
};

TTableLayout LayOutTable(const doc::TTable& table, TTextContext& context);

// A table drawn whole from top-left (floating tables; no page breaks inside).
void DrawTable(const doc::TTable& table, TTextContext& context, double x, double y, std::vector<TPageItem>& out);

constexpr double kCellPadding = 4;

}  // namespace layout
