#pragma once
// Right-to-left and mixed text by the Unicode Bidirectional Algorithm, as FriBidi implements it:
// which direction each character runs in, and in what order a line's runs are seen.

#include <cstdint>
#include <string_view>
#include <vector>

namespace layout {

struct TBidiLevels {
    // Per UTF-16 unit: its embedding level (odd: right to left). Empty when the whole paragraph
    // runs left to right, as text without a right-to-left character does.
    std::vector<std::uint8_t> Levels;
    bool RightToLeft = false;  // the paragraph's direction, from its first strong character
};

TBidiLevels BidiLevels(std::u16string_view text);

// The order in which runs at these levels (given in logical order) are seen from left to right:
// each sequence at a level or higher reversed, from the highest level down to the lowest odd one.
std::vector<std::size_t> VisualOrder(const std::vector<std::uint8_t>& levels);

}  // namespace layout
