#pragma once
// The program's own check of a laid-out document: what the document holds against what its
// pages draw, so that nothing goes missing without a word.

#include <cstddef>

#include "document/Document.h"
#include "layout/Page.h"

struct TTextCheck {
    std::size_t Held = 0;     // visible characters of the document's text (as DocumentText gives it, fields aside)
    std::size_t Missing = 0;  // of those, how many no page draws
};

// Characters are compared as a count of each, without regard to case, spaces, controls and
// marks that only steer the layout; so a character drawn elsewhere, or twice, never counts as
// lost, and a label, a page number or a hyphen the layout adds never hides a loss.
TTextCheck CheckText(const doc::TDocument& document, const layout::TLaidOutDocument& pages);

// True when most of a document's text is lost: a PDF without it is no conversion.
bool MostTextLost(const TTextCheck& check);
