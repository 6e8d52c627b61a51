#pragma once
// Tab stops of a paragraph: its own, then the default ones at every interval.

#include <vector>

#include "document/Document.h"

namespace layout {

class TTabStops {
public:
    explicit TTabStops(const doc::TParagraphStyle& style);
    // The first stop right of x (both from the text column's left edge).
    doc::TTabStop After(double x) const;

private:
    std::vector<doc::TTabStop> FStops;  // sorted by position
    double FInterval = 36;
};

}  // namespace layout
