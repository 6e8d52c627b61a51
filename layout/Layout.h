#pragma once
// The document model -> pages.

#include "document/Document.h"
#include "layout/Fonts.h"
#include "layout/Page.h"

namespace layout {

TLaidOutDocument LayOut(const doc::TDocument& document, IFontProvider& fonts);

}  // namespace layout
