#pragma once
// Drawables -> TDocument::Drawables: pictures, shapes, text boxes, tables, groups, and the
// kinds the model leaves out (charts, equations, media). Internal to iwork/.

#include <cstdint>
#include <optional>

#include "iwork/ReadContext.h"

namespace iwork::detail {

struct TAttachedDrawable {
    std::optional<std::size_t> Index;  // into Drawables; none when nothing was added
    bool Inline = true;
    std::size_t First = 0;  // Drawables from here on were added with it (a caption, a group's members)
};

// The drawable of an attachment (2003, or a table of contents' 2241). With an anchor
// paragraph (body text only) a drawable that floats becomes anchored to it; without one
// every drawable is taken inline.
TAttachedDrawable ReadAttachedDrawable(TReadContext& context, const TObject& attachment,
                                       std::optional<std::size_t> anchorParagraph);

// Any drawable, floating: its frame on the page from its stored geometry.
std::optional<std::size_t> ReadFloatingDrawable(TReadContext& context, std::uint64_t id);

// Root field 3: the drawables placed on pages, by page (back to front).
void ReadFloatingDrawables(TReadContext& context, std::uint64_t floatingId, std::optional<std::uint64_t> zOrderId);

}  // namespace iwork::detail
