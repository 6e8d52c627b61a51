#pragma once
// A section's text columns on the page: how many, how wide, where each one starts.

#include "document/Document.h"

namespace layout {

// One column's width; a page too narrow for the section's columns takes one of the body's width.
double ColumnWidthOf(const doc::TSection& section, const doc::TPageSetup& setup);
// How many columns the section has on pages of this set-up (one when they would not fit).
int ColumnCountOf(const doc::TSection& section, const doc::TPageSetup& setup);
// Where column `column` starts, from the page's left edge.
double ColumnLeftOf(const doc::TSection& section, const doc::TPageSetup& setup, int column);

}  // namespace layout
