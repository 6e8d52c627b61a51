#include "layout/KeepRules.h"

#include <algorithm>

namespace layout {

std::optional<std::uint32_t> KeepRuleBreak(const doc::TParagraphStyle& style, const std::vector<TPlacedLine>& lines,
                                           bool startedFresh, std::size_t capLines) {
    if (lines.empty()) return std::nullopt;
    const std::size_t firstRegion = lines.front().Region, lastRegion = lines.back().Region;
    std::size_t firstCount = 0;
    while (firstCount < lines.size() && lines[firstCount].Region == firstRegion) ++firstCount;
    std::size_t lastCount = 0;
    while (lastCount < lines.size() && lines[lines.size() - 1 - lastCount].Region == lastRegion) ++lastCount;
    if (style.KeepLinesTogether && !startedFresh) return 0;
    if (style.WidowControl && !startedFresh && firstCount == 1)
        return 0;  // an orphan: the first line alone at the foot
    if (!startedFresh && firstCount < std::min(lines.size(), capLines))
        return 0;  // a drop cap would hang below the foot
    if (style.WidowControl && lastCount == 1 && lines.size() >= 3) {
        // A widow: the last line alone at the top. Its neighbour goes along, unless that leaves an
        // orphan behind.
        const std::size_t before = lines.size() - 2;
        std::size_t previousCount = 0;
        for (const TPlacedLine& l : lines)
            if (l.Region == lines[before].Region) ++previousCount;
        if (previousCount >= 3 || (previousCount == 2 && lines[before].Region != firstRegion))
            return lines[before].Start;
        if (!startedFresh) return 0;
    }
    return std::nullopt;
}

}  // namespace layout
