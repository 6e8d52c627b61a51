#include "layout/KeepRules.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using layout::KeepRuleBreak;
using layout::TPlacedLine;

// Lines starting every 10 units, in the regions given.
std::vector<TPlacedLine> Placed(const std::vector<std::size_t>& regions) {
    std::vector<TPlacedLine> lines;
    for (std::size_t i = 0; i < regions.size(); ++i) lines.push_back({std::uint32_t(10 * i), regions[i]});
    return lines;
}

TEST(KeepRulesTest, BreakFollowsTheRuleThatHolds) {
    constexpr std::optional<std::uint32_t> none;
    const struct {
        const char* What;
        bool Together, Widows;
        bool Fresh;       // the paragraph began at a region's top
        std::size_t Cap;  // lines of its drop cap
        std::vector<std::size_t> Regions;
        std::optional<std::uint32_t> Break;
    } cases[] = {
        {"no rule", false, false, false, 0, {0, 0, 1}, none},
        {"together: moves whole", true, false, false, 0, {0, 0, 0, 1}, 0},
        {"together at a region's top: stays", true, false, true, 0, {0, 0, 0, 1}, none},
        {"orphan: moves whole", false, true, false, 0, {0, 1, 1, 1}, 0},
        {"orphan at a region's top: stays", false, true, true, 0, {0, 1, 1, 1}, none},
        {"widow: its neighbour goes along", false, true, false, 0, {0, 0, 0, 1}, 20},
        {"widow of three lines: the two left would be an orphan, so all move", false, true, false, 0, {0, 0, 1}, 0},
        {"widow of three lines at a region's top: stays", false, true, true, 0, {0, 0, 1}, none},
        {"widow whose neighbour's region began with it", false, true, false, 0, {0, 0, 1, 1, 2}, 30},
        {"two lines, widow control: not a widow", false, true, false, 0, {0, 0, 1, 1}, none},
        {"drop cap cut: moves whole", false, false, false, 3, {0, 0, 1, 1}, 0},
        {"drop cap beside its lines: stays", false, false, false, 2, {0, 0, 1, 1}, none},
    };
    for (const auto& c : cases) {
        doc::TParagraphStyle style;
        style.KeepLinesTogether = c.Together;
        style.WidowControl = c.Widows;
        EXPECT_EQ(KeepRuleBreak(style, Placed(c.Regions), c.Fresh, c.Cap), c.Break) << c.What;
    }
}

}  // namespace
