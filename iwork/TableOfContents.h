#pragma once
// A table of contents in the body: Pages sets its entries as paragraphs of the text where it
// stands. Internal to iwork/.

#include "document/Document.h"

namespace iwork::detail {

// Puts each table of contents that fills a body paragraph of its own in that paragraph's place,
// its entries becoming body paragraphs (laid out, paginated and given as text like the rest);
// section starts and anchors after it move with the paragraphs. Run once the body, its sections
// and its floating objects are read.
void FlowTablesOfContents(doc::TDocument& document);

}  // namespace iwork::detail
