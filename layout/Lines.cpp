#include "layout/Lines.h"

namespace layout {

namespace {

void Move(doc::TPoint& p, double dx, double dy) {
    p.X += dx;
    p.Y += dy;
}

void Move(std::vector<doc::TPathSegment>& path, double dx, double dy) {
    for (doc::TPathSegment& s : path) {
        Move(s.P, dx, dy);
        Move(s.C1, dx, dy);
        Move(s.C2, dx, dy);
    }
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
        Move(path->Path, dx, dy);
    } else if (auto* image = std::get_if<TImageItem>(&item)) {
        image->Frame.X += dx;
        image->Frame.Y += dy;
        image->Clip.X += dx;
        image->Clip.Y += dy;
        Move(image->ClipPath, dx, dy);
    } else if (auto* link = std::get_if<TLinkItem>(&item)) {
        link->Area.X += dx;
        link->Area.Y += dy;
    }
}

void AppendTranslated(std::vector<TPageItem>& out, const std::vector<TPageItem>& items, double dx, double dy) {
    for (const TPageItem& item : items) {
        out.push_back(item);
        Translate(out.back(), dx, dy);
    }
}

void AppendTranslated(std::vector<TPageItem>& out, std::vector<TPageItem>&& items, double dx, double dy) {
    for (TPageItem& item : items) {
        out.push_back(std::move(item));
        Translate(out.back(), dx, dy);
    }
    std::vector<TPageItem>().swap(items);  // its memory serves the next lines
}

}  // namespace layout
