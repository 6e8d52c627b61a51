#include "layout/Lines.h"

namespace layout {

namespace {

void Move(doc::TPoint& p, double dx, double dy) {
    p.X += dx;
    p.Y += dy;
}

}  // namespace

void Translate(TPageItem& item, double dx, double dy) {
    if (auto* text = std::get_if<TTextItem>(&item)) {
        text->X += dx;
        text->Y += dy;
    } else if (auto* line = std::get_if<TLineItem>(&item)) {
        Move(line->From, dx, dy);
        Move(line->To, dx, dy);
    } else if (auto* path = std::get_if<TPathItem>(&item)) {
        for (doc::TPathSegment& s : path->Path) {
            Move(s.P, dx, dy);
            Move(s.C1, dx, dy);
            Move(s.C2, dx, dy);
        }
    } else if (auto* image = std::get_if<TImageItem>(&item)) {
        image->Frame.X += dx;
        image->Frame.Y += dy;
        image->Clip.X += dx;
        image->Clip.Y += dy;
    }
}

void AppendTranslated(std::vector<TPageItem>& out, const std::vector<TPageItem>& items, double dx, double dy) {
    // No exact reserve: a page or block gets its lines one by one, and reserving each line's
    // room would copy all that was there before for every line.
    for (const TPageItem& item : items) {
        out.push_back(item);
        Translate(out.back(), dx, dy);
    }
}

}  // namespace layout
