#pragma once
// Headers and footers: which master a page takes, and its three parts laid out side by side.

#include <limits>

#include "document/Document.h"
#include "layout/TextBlock.h"
#include "layout/TextContext.h"

namespace layout {

enum class TMasterKind { mkFirst, mkOdd, mkEven };

TMasterKind MasterFor(const doc::TSection& section, bool firstPageOfSection, long long pageNumber);
const doc::TPageMaster& MasterOf(const doc::TSection& section, TMasterKind kind);

// Left, centre and right parts over the whole width, each aligned to its side unless its
// paragraphs say otherwise; the block is as tall as the tallest part. Lines that would start
// below maxHeight (the page's height) are left out: they could not show.
TBlock LayOutHeaderFooter(const doc::THeaderFooter& parts, double width, TTextContext& context,
                          double maxHeight = std::numeric_limits<double>::infinity());

}  // namespace layout
