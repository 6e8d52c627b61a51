// TSpeedButton, the kind of SpeedButton1 to SpeedButton10: painting, hover, press and click.
#include "app/SpeedButton.h"

#include "app/Application.h"
#include "app/WindowRouting.h"
#include "app/Pictures.h"

namespace {

constexpr wchar_t kClassName[] = L"TSpeedButton";
constexpr int kGlyphTextGap = 4;

void RegisterClassOnce(WNDPROC proc) {
    static const bool registered = [proc] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return ::RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
}

COLORREF BottomLeftColour(HBITMAP glyph) {
    const SIZE size = BitmapSize(glyph);
    TMemDCOwner dc(::CreateCompatibleDC(nullptr));
    TSelectObject sel(dc.get(), glyph);
    return ::GetPixel(dc.get(), 0, size.cy - 1);
}

}  // namespace

TSpeedButton::TSpeedButton(HWND parent, const RECT& bounds, TOptions options, std::function<void()> onClick,
                           TPaintParent paintParent)
    : FOptions(std::move(options)), FOnClick(std::move(onClick)), FPaintParent(std::move(paintParent)) {
    RegisterClassOnce(&RoutedWindowProc<TSpeedButton>);
    if (FOptions.Glyph) {
        // The bottom-left pixel names the transparent colour of the picture.
        FTransparent = BottomLeftColour(FOptions.Glyph);
        FGreyGlyph = MakeGreyed(FOptions.Glyph, FTransparent);
    }
    FHandle = ::CreateWindowExW(0, kClassName, FOptions.Caption.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                                bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                                parent, nullptr, ::GetModuleHandleW(nullptr), this);
    if (!FHandle) throw Exception(L"Error creating window");
}

TSpeedButton::~TSpeedButton() {
    if (FHandle && ::IsWindow(FHandle)) {
        ::SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
        ::DestroyWindow(FHandle);
    }
}

LRESULT TSpeedButton::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    switch (msg) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN: OnMouseDown(); return 0;
    case WM_LBUTTONDBLCLK: OnMouseDown(); return 0;
    case WM_MOUSEMOVE: OnMouseMove(p); return 0;
    case WM_LBUTTONUP: OnMouseUp(p); return 0;
    case WM_MOUSELEAVE: FHot = false; ::InvalidateRect(FHandle, nullptr, FALSE); return 0;
    case WM_CAPTURECHANGED: OnCaptureLost(); return 0;
    case WM_CANCELMODE: if (FDown) ::ReleaseCapture(); return 0;
    case WM_ENABLE: ::InvalidateRect(FHandle, nullptr, FALSE); return 0;
    case WM_SETCURSOR: if (Screen.ApplyOverride(FHandle, lParam)) return TRUE; break;
    }
    return ::DefWindowProcW(FHandle, msg, wParam, lParam);
}

bool TSpeedButton::Inside(POINT p) const {
    RECT r;
    ::GetClientRect(FHandle, &r);
    return ::PtInRect(&r, p) != FALSE;
}

void TSpeedButton::OnMouseDown() {
    // The press never moves the keyboard focus.
    FDown = FPressed = true;
    ::SetCapture(FHandle);
    ::InvalidateRect(FHandle, nullptr, FALSE);
}

void TSpeedButton::OnMouseMove(POINT p) {
    const bool inside = Inside(p);
    if (!FHot && inside) {
        FHot = true;
        TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, FHandle, 0};
        ::TrackMouseEvent(&tme);
        ::InvalidateRect(FHandle, nullptr, FALSE);
    }
    if (FDown && FPressed != inside) {
        FPressed = inside;
        ::InvalidateRect(FHandle, nullptr, FALSE);
    }
}

void TSpeedButton::OnMouseUp(POINT p) {
    if (!FDown) return;
    const bool click = Inside(p);
    ::ReleaseCapture();
    OnCaptureLost();
    if (click) Click();
    // The capture cancelled the leave tracking, and the click may have moved things under the pointer.
    if (::IsWindow(FHandle)) RefreshHot();
}

// The frame follows where the pointer really is, not the last message seen.
void TSpeedButton::RefreshHot() {
    POINT screen{};
    ::GetCursorPos(&screen);
    POINT p = screen;
    ::ScreenToClient(FHandle, &p);
    const bool inside = Inside(p) && ::IsWindowVisible(FHandle) && ::WindowFromPoint(screen) == FHandle;
    if (inside) {
        TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, FHandle, 0};
        ::TrackMouseEvent(&tme);
    }
    if (FHot != inside) {
        FHot = inside;
        ::InvalidateRect(FHandle, nullptr, FALSE);
    }
}

void TSpeedButton::OnCaptureLost() {
    if (!FDown) return;
    FDown = FPressed = false;
    ::InvalidateRect(FHandle, nullptr, FALSE);
}

void TSpeedButton::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(FHandle, &ps);
    RECT client;
    ::GetClientRect(FHandle, &client);
    // Drawn off screen first, so the face and the picture never flicker.
    TMemDCOwner mem(::CreateCompatibleDC(dc));
    TBitmapOwner buffer(::CreateCompatibleBitmap(dc, client.right, client.bottom));
    {
        TSelectObject sel(mem.get(), buffer.get());
        Draw(mem.get(), client);
        ::BitBlt(dc, 0, 0, client.right, client.bottom, mem.get(), 0, 0, SRCCOPY);
    }
    ::EndPaint(FHandle, &ps);
}

void TSpeedButton::Draw(HDC dc, const RECT& client) {
    const bool enabled = Enabled();
    if (FOptions.Flat && FPaintParent) {
        RECT area;
        ::GetWindowRect(FHandle, &area);
        ::MapWindowPoints(nullptr, ::GetParent(FHandle), reinterpret_cast<POINT*>(&area), 2);
        POINT old;
        ::SetViewportOrgEx(dc, -area.left, -area.top, &old);
        FPaintParent(dc, area);
        ::SetViewportOrgEx(dc, old.x, old.y, nullptr);
    } else {
        ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    }
    RECT frame = client;
    if (!FOptions.Flat) ::DrawEdge(dc, &frame, FPressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    else if (enabled && FPressed) ::DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT);
    else if (enabled && (FHot || FDown)) ::DrawEdge(dc, &frame, BDR_RAISEDINNER, BF_RECT);

    const int shift = FPressed ? 1 : 0;
    const SIZE glyph = BitmapSize(FOptions.Glyph);
    TSelectObject font(dc, FOptions.Font ? static_cast<HGDIOBJ>(FOptions.Font) : ::GetStockObject(DEFAULT_GUI_FONT));
    SIZE text{0, 0};
    if (!FOptions.Caption.empty())
        ::GetTextExtentPoint32W(dc, FOptions.Caption.c_str(), static_cast<int>(FOptions.Caption.size()), &text);
    const int gap = (glyph.cy && text.cy) ? kGlyphTextGap : 0;
    // Picture above caption, the pair centred in the button.
    const int top = (client.bottom - (glyph.cy + gap + text.cy)) / 2 + shift;
    if (glyph.cx) {
        TMemDCOwner src(::CreateCompatibleDC(dc));
        TSelectObject sel(src.get(), enabled || !FGreyGlyph ? FOptions.Glyph : FGreyGlyph.get());
        ::TransparentBlt(dc, (client.right - glyph.cx) / 2 + shift, top, glyph.cx, glyph.cy, src.get(), 0, 0,
                         glyph.cx, glyph.cy, FTransparent);
    }
    if (text.cx) {
        ::SetBkMode(dc, TRANSPARENT);
        RECT tr{client.left + shift, top + glyph.cy + gap, client.right + shift, top + glyph.cy + gap + text.cy};
        if (!enabled && !FOptions.Flat) {
            // The embossed look of a disabled caption on a raised button.
            RECT hi = tr;
            ::OffsetRect(&hi, 1, 1);
            ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
            ::DrawTextW(dc, FOptions.Caption.c_str(), -1, &hi, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
            ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
        } else {
            ::SetTextColor(dc, enabled ? FOptions.TextColor : RGB(170, 170, 170));
        }
        ::DrawTextW(dc, FOptions.Caption.c_str(), -1, &tr, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}
