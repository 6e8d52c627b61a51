#include "layout/Tabs.h"

#include <algorithm>
#include <cmath>

#include "layout/TextContext.h"

namespace layout {

namespace {
constexpr double kEpsilon = 1e-6;
}

TTabStops::TTabStops(const doc::TParagraphStyle& style) {
    FStops.reserve(style.TabStops.size());
    for (const doc::TTabStop& stop : style.TabStops) {
        if (std::isnan(stop.Position)) continue;
        FStops.push_back(stop);
        FStops.back().Position = Sane(stop.Position, -20000, 20000, 0);
    }
    std::stable_sort(FStops.begin(), FStops.end(),
                     [](const doc::TTabStop& a, const doc::TTabStop& b) { return a.Position < b.Position; });
    FInterval = Sane(style.DefaultTabInterval, 1, 20000, 36);
    if (FInterval < 1) FInterval = 36;
}

doc::TTabStop TTabStops::After(double x) const {
    auto it = std::upper_bound(FStops.begin(), FStops.end(), x + kEpsilon,
                               [](double p, const doc::TTabStop& s) { return p < s.Position; });
    if (it != FStops.end()) return *it;
    // Past the paragraph's own stops, the default ones go on.
    doc::TTabStop stop;
    stop.Position = (std::floor((x + kEpsilon) / FInterval) + 1) * FInterval;
    return stop;
}

}  // namespace layout
