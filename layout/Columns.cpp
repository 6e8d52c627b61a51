#include "layout/Columns.h"

#include <algorithm>

#include "layout/TextContext.h"

namespace layout {

namespace {

constexpr int kMaxColumns = 16;

double BodyWidth(const doc::TPageSetup& setup) {
    return setup.Width - setup.Left - setup.Right;
}

}  // namespace

double ColumnWidthOf(const doc::TSection& section, const doc::TPageSetup& setup) {
    const double body = BodyWidth(setup);
    const int columns = std::clamp(section.Columns, 1, kMaxColumns);
    const double gap = Sane(section.ColumnGap, 0, body, doc::kDefaultColumnGap);
    const double width = (body - gap * (columns - 1)) / columns;
    return width >= 12 ? width : body;
}

int ColumnCountOf(const doc::TSection& section, const doc::TPageSetup& setup) {
    return ColumnWidthOf(section, setup) >= BodyWidth(setup) ? 1 : std::clamp(section.Columns, 1, kMaxColumns);
}

double ColumnLeftOf(const doc::TSection& section, const doc::TPageSetup& setup, int column) {
    const double width = ColumnWidthOf(section, setup);
    const double body = BodyWidth(setup);
    if (width >= body) return setup.Left;
    const int columns = std::clamp(section.Columns, 1, kMaxColumns);
    const double gap = columns > 1 ? (body - width * columns) / (columns - 1) : 0;
    return setup.Left + column * (width + gap);
}

}  // namespace layout
