#pragma once
// Drawables as page items: pictures, shapes, text boxes, groups.

#include <cstddef>
#include <vector>

#include "document/Document.h"
#include "layout/Page.h"
#include "layout/TextContext.h"

namespace layout {

// The part of the drawable that shows, where its frame is: a picture's crop, else the frame.
doc::TRect VisibleBox(const doc::TDrawable& drawable);

// Draws Drawables[index] into frame (page coordinates; inline ones get their place on the line).
// Unsupported kinds draw nothing (the layout counts them once, in LeftOut).
void DrawDrawable(TTextContext& context, std::size_t index, const doc::TRect& frame, std::vector<TPageItem>& out);

}  // namespace layout
