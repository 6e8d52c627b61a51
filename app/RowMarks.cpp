// The row icons, drawn at start-up at the display's size: a disc in the mark's colour with a white sign.
#include "app/RowMarks.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "app/WinOwners.h"

namespace {

constexpr COLORREF kTransparent = RGB(255, 0, 255);

enum class TSign { sgArrow, sgCheck, sgPageCheck, sgDash, sgCross };

struct TMarkLook {
    TRowMark Mark;
    COLORREF Disc;
    TSign Sign;
};

// In the order of the image list. Blues as the window's header, green and amber and red as people read them.
constexpr TMarkLook kLooks[] = {
    {TRowMark::rmWorking, RGB(52, 120, 172), TSign::sgArrow},
    {TRowMark::rmWritten, RGB(46, 150, 80), TSign::sgCheck},
    {TRowMark::rmLaidOut, RGB(24, 132, 150), TSign::sgPageCheck},
    {TRowMark::rmNotWritten, RGB(226, 150, 20), TSign::sgDash},
    {TRowMark::rmError, RGB(200, 48, 40), TSign::sgCross},
};

void DrawSign(HDC dc, TSign sign, int s) {
    const auto at = [s](double f) { return static_cast<int>(std::lround(f * s)); };
    TOwner<HGDIOBJ, TGdiCloser> pen(::CreatePen(PS_SOLID, std::max(1, at(0.13)), RGB(255, 255, 255)));
    TOwner<HGDIOBJ, TGdiCloser> brush(::CreateSolidBrush(RGB(255, 255, 255)));
    const HGDIOBJ oldPen = ::SelectObject(dc, pen.get());
    const HGDIOBJ oldBrush = ::SelectObject(dc, brush.get());
    switch (sign) {
    case TSign::sgArrow: {
        const POINT p[] = {{at(0.38), at(0.27)}, {at(0.74), at(0.5)}, {at(0.38), at(0.73)}};
        ::Polygon(dc, p, 3);
        break;
    }
    case TSign::sgCheck: {
        const POINT p[] = {{at(0.27), at(0.52)}, {at(0.44), at(0.69)}, {at(0.74), at(0.34)}};
        ::Polyline(dc, p, 3);
        break;
    }
    case TSign::sgPageCheck: {
        // A page with its corner turned, under a check: a PDF made here.
        const POINT page[] = {{at(0.3), at(0.22)}, {at(0.58), at(0.22)}, {at(0.72), at(0.36)},
                              {at(0.72), at(0.78)}, {at(0.3), at(0.78)}};
        ::Polygon(dc, page, 5);
        TOwner<HGDIOBJ, TGdiCloser> ink(::CreatePen(PS_SOLID, std::max(1, at(0.1)), RGB(24, 132, 150)));
        const HGDIOBJ previous = ::SelectObject(dc, ink.get());
        const POINT check[] = {{at(0.38), at(0.53)}, {at(0.48), at(0.64)}, {at(0.64), at(0.43)}};
        ::Polyline(dc, check, 3);
        ::SelectObject(dc, previous);
        break;
    }
    case TSign::sgDash: ::Rectangle(dc, at(0.26), at(0.43), at(0.75), at(0.58)); break;
    case TSign::sgCross: {
        const POINT a[] = {{at(0.32), at(0.32)}, {at(0.68), at(0.68)}};
        const POINT b[] = {{at(0.68), at(0.32)}, {at(0.32), at(0.68)}};
        ::Polyline(dc, a, 2);
        ::Polyline(dc, b, 2);
        break;
    }
    }
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, oldPen);
}

}  // namespace

HIMAGELIST MakeMarkImages(int size) {
    const int s = std::max(8, size);
    HIMAGELIST list = ImageList_Create(s, s, ILC_COLOR24 | ILC_MASK, static_cast<int>(std::size(kLooks)), 0);
    if (!list) return nullptr;
    TWindowDC screen(nullptr);
    TMemDCOwner dc(::CreateCompatibleDC(screen.get()));
    for (const TMarkLook& look : kLooks) {
        TBitmapOwner picture(::CreateCompatibleBitmap(screen.get(), s, s));
        const HGDIOBJ old = ::SelectObject(dc.get(), picture.get());
        TBrushOwner background(::CreateSolidBrush(kTransparent));
        const RECT all{0, 0, s, s};
        ::FillRect(dc.get(), &all, background.get());
        TBrushOwner disc(::CreateSolidBrush(look.Disc));
        const HGDIOBJ oldBrush = ::SelectObject(dc.get(), disc.get());
        const HGDIOBJ oldPen = ::SelectObject(dc.get(), ::GetStockObject(NULL_PEN));
        ::Ellipse(dc.get(), 0, 0, s + 1, s + 1);
        ::SelectObject(dc.get(), oldPen);
        ::SelectObject(dc.get(), oldBrush);
        DrawSign(dc.get(), look.Sign, s);
        ::SelectObject(dc.get(), old);
        ImageList_AddMasked(list, picture.get(), kTransparent);
    }
    return list;
}

int MarkImageIndex(TRowMark mark) {
    for (std::size_t i = 0; i < std::size(kLooks); ++i)
        if (kLooks[i].Mark == mark) return static_cast<int>(i);
    return I_IMAGENONE;
}

TRowMark MarkOfImageIndex(int index) {
    return index >= 0 && index < static_cast<int>(std::size(kLooks)) ? kLooks[index].Mark : TRowMark::rmNone;
}
