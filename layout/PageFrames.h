#pragma once
// A new page's frame: its number as shown, the master it takes, and the body's room between the
// header and the footer that master shows.

#include <cstddef>
#include <map>
#include <utility>
#include <vector>

#include "document/Document.h"
#include "layout/FloatingObjects.h"
#include "layout/HeadersFooters.h"
#include "layout/Lines.h"
#include "layout/TextContext.h"

namespace layout {

struct TPageFrame {
    std::size_t Section = 0;
    long long Number = 1;  // as shown
    TMasterKind Master = TMasterKind::mkOdd;
    double BodyTop = 0, BodyBottom = 0;
    std::vector<std::size_t> Footnotes;  // referred to from this page, in order
    double FootnoteRoom = 0;             // taken from the bottom of the body, separator included
    // The body's items on this page, in page coordinates, made once and never copied; fields whose
    // value is known only at the end (the page count) are listed.
    std::vector<TPageItem> Items;
    std::vector<TFieldSlot> Fields;
    std::vector<TExclusion> Exclusions;
    std::vector<TAnchoredPlace> Anchored;  // drawables whose anchor's line is on this page
};

class TPageFrames {
public:
    // setup: the sane page set-up the body flows on.
    TPageFrames(TTextContext& context, const doc::TPageSetup& setup) : FContext(context), FSetup(setup) {}

    // The frame of a page of section `index` after `previous` (none: the document's first page);
    // startsSection: the section begins on it.
    TPageFrame Next(const doc::TSection& section, std::size_t index, bool startsSection, const TPageFrame* previous);

private:
    // The header's and footer's heights under a master, laid out once each.
    std::pair<double, double> HeaderFooterHeights(const doc::TSection& section, std::size_t index, TMasterKind master);

    TTextContext& FContext;
    doc::TPageSetup FSetup;
    std::map<std::pair<std::size_t, int>, std::pair<double, double>> FHeights;
};

}  // namespace layout
