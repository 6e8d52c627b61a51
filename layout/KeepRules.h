#pragma once
// The keep rules of a paragraph that a column or page end split: keep lines together, widows and
// orphans, and a drop cap's lines. They decide from where the lines fell; the body flow places the
// paragraph again with the break they ask for.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "document/Document.h"

namespace layout {

// A placed line: where its text starts and the region (column or page) it went to.
struct TPlacedLine {
    std::uint32_t Start = 0;
    std::size_t Region = 0;
};

// Where the paragraph must break to the next region instead (0: it moves whole), or nothing when
// the lines may stay where they are. startedFresh: the paragraph began at a region's top, so moving
// it whole gains nothing; capLines: the lines its drop cap spans.
std::optional<std::uint32_t> KeepRuleBreak(const doc::TParagraphStyle& style, const std::vector<TPlacedLine>& lines,
                                           bool startedFresh, std::size_t capLines);

}  // namespace layout
