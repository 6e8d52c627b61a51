#include "layout/Bidi.h"

#include <fribidi.h>

#include <algorithm>
#include <numeric>

#include "layout/Unicode.h"

namespace layout {

TBidiLevels BidiLevels(std::u16string_view text) {
    TBidiLevels out;
    // Nothing below Hebrew runs right to left, nor reorders anything in a left-to-right paragraph.
    if (std::none_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x590; })) return out;
    std::vector<FriBidiChar> characters;
    std::vector<std::size_t> unitOf;  // where each character starts in text
    characters.reserve(text.size());
    unitOf.reserve(text.size());
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size(); i += units) {
        characters.push_back(DecodeAt(text, i, units));
        unitOf.push_back(i);
    }
    const auto n = static_cast<FriBidiStrIndex>(characters.size());
    std::vector<FriBidiCharType> types(characters.size());
    fribidi_get_bidi_types(characters.data(), n, types.data());
    if (std::none_of(types.begin(), types.end(), [](FriBidiCharType t) { return FRIBIDI_IS_RTL(t); })) return out;
    std::vector<FriBidiBracketType> brackets(characters.size());
    fribidi_get_bracket_types(characters.data(), n, types.data(), brackets.data());
    std::vector<FriBidiLevel> levels(characters.size());
    FriBidiParType direction = FRIBIDI_PAR_ON;  // from the first strong character
    if (fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), n, &direction, levels.data()) == 0)
        return out;
    out.RightToLeft = FRIBIDI_DIR_TO_LEVEL(direction) & 1;
    out.Levels.assign(text.size(), 0);
    for (std::size_t k = 0; k < characters.size(); ++k) {
        const std::size_t end = k + 1 < unitOf.size() ? unitOf[k + 1] : text.size();
        std::fill(out.Levels.begin() + static_cast<std::ptrdiff_t>(unitOf[k]),
                  out.Levels.begin() + static_cast<std::ptrdiff_t>(end), static_cast<std::uint8_t>(levels[k]));
    }
    return out;
}

std::vector<std::size_t> VisualOrder(const std::vector<std::uint8_t>& levels) {
    std::vector<std::size_t> order(levels.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (levels.empty()) return order;
    const std::uint8_t highest = *std::max_element(levels.begin(), levels.end());
    std::uint8_t lowestOdd = 255;
    for (const std::uint8_t level : levels)
        if (level & 1) lowestOdd = std::min(lowestOdd, level);
    for (int level = highest; level >= lowestOdd && level > 0; --level) {
        for (std::size_t i = 0; i < order.size();) {
            if (levels[order[i]] < level) {
                ++i;
                continue;
            }
            std::size_t end = i;
            while (end < order.size() && levels[order[end]] >= level) ++end;
            std::reverse(order.begin() + static_cast<std::ptrdiff_t>(i), order.begin() + static_cast<std::ptrdiff_t>(end));
            i = end;
        }
    }
    return order;
}

}  // namespace layout
