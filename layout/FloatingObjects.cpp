#include "layout/FloatingObjects.h"

#include <algorithm>
#include <cmath>

#include "layout/Drawables.h"

namespace layout {

namespace {

constexpr double kEpsilon = 1e-6;
constexpr double kMinStretch = 36;  // narrower gaps beside an object take no text
// An automatically wrapped object whose two sides differ by less than this share of the column
// stands in its middle: text goes above and below it rather than beside it.
constexpr double kCentredShare = 0.1;

// Where an automatically wrapped object keeps text away in a column: from the column's edge on
// its narrower side (the text takes the wider one), or the whole band when it stands centred.
std::optional<TInterval> AutomaticBlock(double left, double right, double columnWidth) {
    const double roomLeft = std::max(0.0, left), roomRight = std::max(0.0, columnWidth - right);
    if (std::abs(roomLeft - roomRight) < kCentredShare * columnWidth) return std::nullopt;
    return roomLeft < roomRight ? TInterval{std::min(0.0, left), right} : TInterval{left, std::max(columnWidth, right)};
}

}  // namespace

TExclusion ExclusionOf(const doc::TDrawable& drawable) {
    const double margin = Sane(drawable.Wrap.Margin, 0, 1000, doc::kDefaultWrapMargin);
    const doc::TRect box = VisibleBox(drawable);
    doc::TRect r{Sane(box.X, -1e5, 1e5, 0), Sane(box.Y, -1e5, 1e5, 0), Sane(box.Width, 0, 1e5, 0),
                 Sane(box.Height, 0, 1e5, 0)};
    return {{r.X - margin, r.Y - margin, r.Width + 2 * margin, r.Height + 2 * margin}, drawable.Wrap.Kind};
}

std::optional<double> FreeStretches(const std::vector<TExclusion>& exclusions, double columnLeft, double columnWidth,
                                    double top, double height, std::vector<TInterval>& free) {
    const double bottom = top + height;
    double below = 1e300;  // the first place further down where something ends
    bool whole = false;
    std::vector<TInterval> blocked;
    for (const TExclusion& e : exclusions) {
        if (e.Kind == doc::TWrapKind::wkNone || e.Rect.Y >= bottom || e.Rect.Y + e.Rect.Height <= top) continue;
        const double l = e.Rect.X - columnLeft, r = l + e.Rect.Width;
        if (r <= 0 || l >= columnWidth) continue;
        if (e.Kind == doc::TWrapKind::wkAboveAndBelow) {
            whole = true;
        } else if (e.Kind == doc::TWrapKind::wkAutomatic) {
            const auto block = AutomaticBlock(l, r, columnWidth);
            if (block)
                blocked.push_back(*block);
            else
                whole = true;
        } else {
            blocked.push_back({l, r});
        }
        below = std::min(below, e.Rect.Y + e.Rect.Height);
    }
    if (blocked.empty() && !whole) return std::nullopt;
    if (!whole) {
        std::sort(blocked.begin(), blocked.end(),
                  [](const TInterval& a, const TInterval& b) { return a.Left < b.Left; });
        double x = 0;
        for (const TInterval& b : blocked) {
            if (b.Left - x >= kMinStretch) free.push_back({x, b.Left});
            x = std::max(x, b.Right);
        }
        if (columnWidth - x >= kMinStretch) free.push_back({x, columnWidth});
        if (!free.empty()) return std::nullopt;
    }
    return below;
}

// Objects that move with a paragraph, unless a page already lists them.
TFloatingObjects::TFloatingObjects(const doc::TDocument& document, double pageHeight)
    : FDocument(document), FPageHeight(pageHeight) {
    for (const doc::TPageDrawables& group : document.FloatingByPage) FFloating[group.Page].push_back(&group);
    std::vector<bool> listed(document.Drawables.size(), false);
    for (const doc::TPageDrawables& group : document.FloatingByPage)
        for (const auto* layer : {&group.Background, &group.Foreground})
            for (std::size_t d : *layer)
                if (d < listed.size()) listed[d] = true;
    for (const doc::TDrawable& d : document.Drawables)
        for (std::size_t child : d.Children)
            if (child < listed.size()) listed[child] = true;
    const std::size_t paragraphs = document.Body.Paragraphs.size();
    for (std::size_t d = 0; d < document.Drawables.size(); ++d) {
        const doc::TDrawable& drawable = document.Drawables[d];
        if (!listed[d] && !drawable.Inline && drawable.AnchorParagraph && *drawable.AnchorParagraph < paragraphs)
            FAnchoredBy[*drawable.AnchorParagraph].push_back(d);
    }
}

const std::vector<const doc::TPageDrawables*>& TFloatingObjects::On(std::size_t page) const {
    static const std::vector<const doc::TPageDrawables*> none;
    auto found = FFloating.find(page);
    return found == FFloating.end() ? none : found->second;
}

void TFloatingObjects::AppendExclusions(std::size_t page, std::vector<TExclusion>& out) const {
    for (const doc::TPageDrawables* group : On(page)) {
        for (const auto* layer : {&group->Background, &group->Foreground})
            for (std::size_t d : *layer)
                if (d < FDocument.Drawables.size() && FDocument.Drawables[d].Wrap.Kind != doc::TWrapKind::wkNone)
                    out.push_back(ExclusionOf(FDocument.Drawables[d]));
    }
}

doc::TRect TFloatingObjects::AnchoredFrame(const doc::TDrawable& drawable, double lineTop, double baseline) const {
    doc::TRect frame = drawable.Frame;
    if (drawable.AnchorOffset) {
        const double shown = Sane(VisibleBox(drawable).Y - drawable.Frame.Y, -FPageHeight, FPageHeight, 0);
        frame.Y = lineTop + baseline + Sane(*drawable.AnchorOffset, -FPageHeight, FPageHeight, 0) - shown;
    }
    return frame;
}

void TFloatingObjects::Anchor(std::size_t paragraph, std::uint32_t from, std::uint32_t to, double lineTop,
                              double baseline, std::vector<TAnchoredPlace>& anchored,
                              std::vector<TExclusion>& exclusions) const {
    auto found = FAnchoredBy.find(paragraph);
    if (found == FAnchoredBy.end()) return;
    for (std::size_t d : found->second) {
        const doc::TDrawable& drawable = FDocument.Drawables[d];
        if (drawable.AnchorPosition < from || drawable.AnchorPosition >= to) continue;
        const doc::TRect frame = AnchoredFrame(drawable, lineTop, baseline);
        anchored.push_back({d, frame});
        if (drawable.Wrap.Kind == doc::TWrapKind::wkNone) continue;
        TExclusion exclusion = ExclusionOf(drawable);
        exclusion.Rect.Y += frame.Y - drawable.Frame.Y;
        exclusions.push_back(exclusion);
    }
}

// Objects placed from their anchor's line stay on its page: the line moves on when they would run
// off the foot of this one.
bool TFloatingObjects::AnchoredFit(std::size_t paragraph, std::uint32_t from, std::uint32_t to, double lineTop,
                                   double baseline) const {
    auto found = FAnchoredBy.find(paragraph);
    if (found == FAnchoredBy.end()) return true;
    for (std::size_t d : found->second) {
        const doc::TDrawable& drawable = FDocument.Drawables[d];
        if (!drawable.AnchorOffset || drawable.AnchorPosition < from || drawable.AnchorPosition >= to) continue;
        const doc::TRect frame = AnchoredFrame(drawable, lineTop, baseline);
        if (frame.Y + Sane(frame.Height, 0, FPageHeight, 0) > FPageHeight + kEpsilon) return false;
    }
    return true;
}

}  // namespace layout
