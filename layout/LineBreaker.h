#pragma once
// Where a line may break: a small subset of the Unicode line-breaking rules (after spaces, after
// hyphens and dashes, between CJK characters except before closing marks, around objects).

#include <cstdint>
#include <string>
#include <vector>

namespace layout {

// result[i] = 1 when a line may start at unit i (never at 0, never inside a surrogate pair).
// U+FFFC counts as an object with breaks on both sides.
std::vector<std::uint8_t> BreakOpportunities(const std::u16string& text);

}  // namespace layout
