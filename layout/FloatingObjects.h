#pragma once
// The floating objects the body text makes way for: those a page lists, and those that move with
// a paragraph, placed from the line that holds their anchor. Each keeps room from the text as
// its wrap says.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "document/Document.h"
#include "layout/ParagraphLayout.h"

namespace layout {

// Room a floating object keeps from the body text on its page.
struct TExclusion {
    doc::TRect Rect;  // the object's frame grown by its wrap margin
    doc::TWrapKind Kind = doc::TWrapKind::wkAround;
};

// An object that moves with the text, where its anchor's line put it.
struct TAnchoredPlace {
    std::size_t Drawable = 0;
    doc::TRect Frame;
};

// Text keeps clear of what shows of the object: a cropped picture's visible part.
TExclusion ExclusionOf(const doc::TDrawable& drawable);

// The stretches of a column's band [top, top + height) that objects leave wide enough for text,
// from the column's left edge, into `free`, which the caller clears. Nothing when the band takes
// text (`free` empty: all of it); else where an object that blocks it ends, the next band to try.
std::optional<double> FreeStretches(const std::vector<TExclusion>& exclusions, double columnLeft, double columnWidth,
                                    double top, double height, std::vector<TInterval>& free);

class TFloatingObjects {
public:
    // pageHeight: the sane page set-up's, which an anchored object may not run past.
    TFloatingObjects(const doc::TDocument& document, double pageHeight);

    // The document's floating-object groups of one page.
    const std::vector<const doc::TPageDrawables*>& On(std::size_t page) const;
    // What the objects page `page` lists keep clear, whether they lie under the text or over it.
    void AppendExclusions(std::size_t page, std::vector<TExclusion>& out) const;

    // The objects anchored in [from, to) of a paragraph's text, for a line whose top is at lineTop
    // and whose baseline is this far below: whether they stay on the page, and their places and
    // the room they keep.
    bool AnchoredFit(std::size_t paragraph, std::uint32_t from, std::uint32_t to, double lineTop,
                     double baseline) const;
    void Anchor(std::size_t paragraph, std::uint32_t from, std::uint32_t to, double lineTop, double baseline,
                std::vector<TAnchoredPlace>& anchored, std::vector<TExclusion>& exclusions) const;

private:
    doc::TRect AnchoredFrame(const doc::TDrawable& drawable, double lineTop, double baseline) const;

    const doc::TDocument& FDocument;
    double FPageHeight;
    std::map<std::size_t, std::vector<std::size_t>> FAnchoredBy;               // paragraph -> its drawables
    std::map<std::size_t, std::vector<const doc::TPageDrawables*>> FFloating;  // page -> its groups
};

}  // namespace layout
