// TForm2: creation, layout, scaling, shape, painting and message dispatch.
#include "app/Unit1.h"

#include <windowsx.h>

#include "app/Application.h"
#include "app/WindowRouting.h"
#include "app/Pictures.h"
#include "platform/Exception.h"

TForm2* Form2 = nullptr;
TQueueDrag ListItem;

namespace {

constexpr wchar_t kClassName[] = L"TForm2";
constexpr int kDesignTextHeight = 13;
constexpr int kFontHeight = 11;

// Design layout: left, top, width, height at 96 dots per inch.
constexpr RECT kImage1{0, 0, 684, 135}, kImage2{0, 135, 684, 361}, kImage3{0, 496, 684, 29};
constexpr int kGroupLeft = 40, kGroupTop = 385;

HFONT MakeTahoma(int height, int weight) {
    return ::CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
}

int TextHeightOf(HFONT font) {
    TWindowDC screen(nullptr);
    TSelectObject sel(screen.get(), font);
    SIZE size{};
    ::GetTextExtentPoint32W(screen.get(), L"0", 1, &size);
    return size.cy;
}

void SetFont(HWND wnd, HFONT font) { ::SendMessageW(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE); }

}  // namespace

TForm2::TForm2() { Build(); }

TForm2::TForm2(std::wstring workingFolderParent) : TConversionEngine(std::move(workingFolderParent)) { Build(); }

TForm2::~TForm2() {
    if (Form2 == this) Form2 = nullptr;
    if (FDragImage) ::ImageList_Destroy(FDragImage);
    if (FHandle && ::IsWindow(FHandle)) {
        // The buttons go first, while their parent still exists.
        SpeedButton1.reset(); SpeedButton2.reset(); SpeedButton3.reset(); SpeedButton4.reset();
        SpeedButton5.reset(); SpeedButton7.reset(); SpeedButton6.reset(); SpeedButton10.reset();
        ::SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
        ::DestroyWindow(FHandle);
    }
}

void TForm2::Build() {
    try {
        ComputeScale();
        CreateFonts();
        LoadPictures();
        CreateMainWindow();
        CreateControls();
        CreateButtons();
        BuildFace();
    } catch (...) {
        // The destructor won't run for a half-made window.
        if (FHandle) ::DestroyWindow(FHandle);
        throw;
    }
    // The creation handler's own errors are shown and creation goes on.
    FormCreate(this);
}

// At 96 dots per inch nothing changes; elsewhere the font follows the display first, then
// every position and size follows the font's new text height.
void TForm2::ComputeScale() {
    TWindowDC screen(nullptr);
    const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
    if (dpi == 96 || dpi <= 0) return;
    TFontOwner probe(MakeTahoma(::MulDiv(kFontHeight, dpi, 96), FW_NORMAL));
    FScaleNum = TextHeightOf(probe.get());
    FScaleDen = kDesignTextHeight;
    if (FScaleNum <= 0) FScaleNum = FScaleDen = 1;
}

void TForm2::CreateFonts() {
    TWindowDC screen(nullptr);
    const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
    const int height = ::MulDiv(kFontHeight, dpi > 0 ? dpi : 96, 96);
    FFont.reset(MakeTahoma(height, FW_NORMAL));
    FBoldFont.reset(MakeTahoma(height, FW_BOLD));
    FWhiteBrush.reset(::CreateSolidBrush(RGB(255, 255, 255)));
}

RECT TForm2::ScaledRect(int left, int top, int width, int height) const {
    return RECT{Scale(left), Scale(top), Scale(left) + Scale(width), Scale(top) + Scale(height)};
}

void TForm2::LoadPictures() {
    Image1.Picture = LoadPicture(L"BANNER");
    Image1.Bounds = ScaledRect(kImage1.left, kImage1.top, kImage1.right, kImage1.bottom);
    Image2.Picture = LoadPicture(L"BACKGROUND");
    Image2.Bounds = ScaledRect(kImage2.left, kImage2.top, kImage2.right, kImage2.bottom);
    Image3.Picture = LoadPicture(L"FOOTER");
    Image3.Bounds = ScaledRect(kImage3.left, kImage3.top, kImage3.right, kImage3.bottom);
    const wchar_t* glyphs[] = {L"BTN_ADD", L"BTN_REMOVE", L"BTN_REMOVEALL", L"BTN_CONVERT", L"BTN_HELP", L"BTN_MIN", L"BTN_CLOSE"};
    for (int i = 0; i < 7; ++i) FGlyphs[i] = LoadButtonBitmap(glyphs[i]);
}

void TForm2::CreateMainWindow() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &RoutedWindowProc<TForm2>;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hIcon = Application.Icon();
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = kClassName;
        return ::RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
    const int w = Scale(kWidth), h = Scale(kHeight);
    // Centred on the (primary) screen when first shown.
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    // No frame and no caption; the system menu and minimise box let the taskbar button work.
    ::CreateWindowExW(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, kClassName, L"Form2",
                      WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX, x, y, w, h, nullptr, nullptr,
                      ::GetModuleHandleW(nullptr), this);
    if (!FHandle) throw Exception(L"Error creating window");
}

void TForm2::CreateControls() {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    // Creation order is the tab order: the list, the folder field, the option.
    RECT r = ScaledRect(40, 141, 601, 228);
    ListView1 = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT | LVS_EDITLABELS,
                                  r.left, r.top, r.right - r.left, r.bottom - r.top, FHandle, nullptr, instance, nullptr);
    FQueue.Handle = ListView1;
    SetFont(ListView1, FFont.get());
    ListView_SetExtendedListViewStyle(ListView1, LVS_EX_FULLROWSELECT);
    const std::pair<const wchar_t*, int> columns[] = {{L"No.", 50}, {L"Path", 500}};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = const_cast<wchar_t*>(columns[i].first);
        col.cx = Scale(columns[i].second);
        col.iSubItem = i;
        ListView_InsertColumn(ListView1, i, &col);
    }
    ::SetWindowSubclass(ListView1, &TForm2::ListSubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));

    // The box and its controls are siblings on the window, so their notifications reach it.
    r = ScaledRect(kGroupLeft, kGroupTop, 601, 105);
    GroupBox1 = ::CreateWindowExW(0, L"BUTTON", L"Save PDF to", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_GROUPBOX,
                                  r.left, r.top, r.right - r.left, r.bottom - r.top, FHandle, nullptr, instance, nullptr);
    SetFont(GroupBox1, FFont.get());
    ::SetWindowSubclass(GroupBox1, &TForm2::GroupSubclassProc, 2, reinterpret_cast<DWORD_PTR>(this));

    r = ScaledRect(kGroupLeft + 72, kGroupTop + 24, 385, 21);
    Edit1 = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"D:\\output",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, r.left, r.top, r.right - r.left,
                              r.bottom - r.top, FHandle, nullptr, instance, nullptr);
    SetFont(Edit1, FFont.get());

    r = ScaledRect(kGroupLeft + 72, kGroupTop + 64, 265, 17);
    CheckBox1 = ::CreateWindowExW(0, L"BUTTON", L"Same path as the Pages files",
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, r.left, r.top,
                                  r.right - r.left, r.bottom - r.top, FHandle, nullptr, instance, nullptr);
    SetFont(CheckBox1, FFont.get());

    PopupMenu1.reset(::CreatePopupMenu());
    ::AppendMenuW(PopupMenu1.get(), MF_STRING, Add1, L"Add");
    ::AppendMenuW(PopupMenu1.get(), MF_STRING, Remove1, L"Remove");
    ::AppendMenuW(PopupMenu1.get(), MF_STRING, RemoveAll1, L"Remove All");
}

void TForm2::CreateButtons() {
    auto paint = [this](HDC dc, const RECT& area) { PaintFace(dc, area); };
    auto flat = [&](int glyph, const wchar_t* caption, HFONT font, COLORREF colour) {
        TSpeedButton::TOptions o;
        o.Caption = caption;
        o.Glyph = FGlyphs[glyph].get();
        o.Font = font;
        o.TextColor = colour;
        return o;
    };
    const COLORREF white = RGB(255, 255, 255);
    HFONT font = FFont.get();
    SpeedButton2 = std::make_unique<TSpeedButton>(FHandle, ScaledRect(16, 40, 65, 57), flat(0, L"Add", font, white),
                                                  [this] { SpeedButton2Click(SpeedButton2.get()); }, paint);
    SpeedButton3 = std::make_unique<TSpeedButton>(FHandle, ScaledRect(87, 40, 66, 57), flat(1, L"Remove", font, white),
                                                  [this] { SpeedButton3Click(SpeedButton3.get()); }, paint);
    SpeedButton4 = std::make_unique<TSpeedButton>(FHandle, ScaledRect(159, 40, 65, 57),
                                                  flat(2, L"Remove All", font, white),
                                                  [this] { SpeedButton4Click(SpeedButton4.get()); }, paint);
    SpeedButton5 = std::make_unique<TSpeedButton>(FHandle, ScaledRect(238, 40, 59, 57),
                                                  flat(3, L"Convert", FBoldFont.get(), RGB(255, 255, 0)),
                                                  [this] { SpeedButton5Click(SpeedButton5.get()); }, paint);
    SpeedButton7 = std::make_unique<TSpeedButton>(FHandle, ScaledRect(303, 40, 57, 57), flat(4, L"Help", font, white),
                                                  [this] { SpeedButton7Click(SpeedButton7.get()); }, paint);
    SpeedButton6 = std::make_unique<TSpeedButton>(FHandle, ScaledRect(616, 8, 18, 17), flat(5, L"", font, white),
                                                  [this] { SpeedButton6Click(SpeedButton6.get()); }, paint);
    SpeedButton10 = std::make_unique<TSpeedButton>(FHandle, ScaledRect(640, 8, 17, 17), flat(6, L"", font, white),
                                                   [this] { SpeedButton10Click(SpeedButton10.get()); }, paint);
    TSpeedButton::TOptions dots;
    dots.Caption = L"...";
    dots.Font = font;
    dots.Flat = false;
    SpeedButton1 = std::make_unique<TSpeedButton>(FHandle, ScaledRect(kGroupLeft + 472, kGroupTop + 24, 25, 22), dots,
                                                  [this] { SpeedButton1Click(SpeedButton1.get()); }, paint);
    // The box lies under the controls it holds.
    ::SetWindowPos(GroupBox1, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// The window's face, drawn once: the three pictures stretched to their places and the box's
// white ground. Painting then copies from it, so nothing flickers.
void TForm2::BuildFace() {
    RECT client;
    ::GetClientRect(FHandle, &client);
    TWindowDC screen(FHandle);
    FFace.reset(::CreateCompatibleBitmap(screen.get(), client.right, client.bottom));
    TMemDCOwner dc(::CreateCompatibleDC(screen.get()));
    TSelectObject sel(dc.get(), FFace.get());
    ::FillRect(dc.get(), &client, ::GetSysColorBrush(COLOR_BTNFACE));
    ::SetStretchBltMode(dc.get(), HALFTONE);
    ::SetBrushOrgEx(dc.get(), 0, 0, nullptr);
    TMemDCOwner src(::CreateCompatibleDC(screen.get()));
    for (const TImage* image : {&Image1, &Image2, &Image3}) {
        const SIZE size = BitmapSize(image->Picture.get());
        if (!size.cx) continue;
        TSelectObject pic(src.get(), image->Picture.get());
        const RECT& b = image->Bounds;
        ::StretchBlt(dc.get(), b.left, b.top, b.right - b.left, b.bottom - b.top, src.get(), 0, 0, size.cx, size.cy,
                     SRCCOPY);
    }
    RECT group;
    ::GetWindowRect(GroupBox1, &group);
    ::MapWindowPoints(nullptr, FHandle, reinterpret_cast<POINT*>(&group), 2);
    ::FillRect(dc.get(), &group, FWhiteBrush.get());
}

void TForm2::PaintFace(HDC dc, const RECT& area) const {
    TMemDCOwner src(::CreateCompatibleDC(dc));
    TSelectObject sel(src.get(), FFace.get());
    ::BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, src.get(), area.left, area.top,
             SRCCOPY);
}

void TForm2::ShapeWindow() {
    RECT r;
    ::GetWindowRect(FHandle, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    TRegionOwner region(::CreateRoundRectRgn(0, 0, w + 1, h + 1, 10, 10));
    // The system owns the region once it has taken it.
    if (region && ::SetWindowRgn(FHandle, region.get(), TRUE)) region.release();
}

void TForm2::FormCreate(void*) {
    ShapeWindow();
    try {
        SetUpWorkingFolder();
    } catch (...) {
        Application.HandleException(this);
    }
}

// Focus goes back to the control that had it when the window was last deactivated,
// else to the first control of the tab order.
void TForm2::RememberFocus() {
    HWND focus = ::GetFocus();
    if (focus && ::IsChild(FHandle, focus)) FLastFocus = focus;
}

void TForm2::RestoreFocus() {
    HWND target = (FLastFocus && ::IsWindow(FLastFocus) && ::IsWindowEnabled(FLastFocus)) ? FLastFocus : ListView1;
    if (target) ::SetFocus(target);
}

void TForm2::Close() {
    ::ShowWindow(FHandle, SW_HIDE);
    Application.Terminate();
}

LRESULT TForm2::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    switch (msg) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PRINTCLIENT: OnPrintClient(reinterpret_cast<HDC>(wParam)); return 0;
    case WM_CTLCOLORSTATIC: return OnCtlColor(msg, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLORBTN: return OnCtlColor(msg, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_COMMAND: return OnCommand(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_NOTIFY: return reinterpret_cast<NMHDR*>(lParam)->hwndFrom == ListView1 ? OnNotifyList(reinterpret_cast<NMHDR*>(lParam)) : 0;
    case WM_CONTEXTMENU: OnContextMenu(reinterpret_cast<HWND>(wParam), x, y); return 0;
    case WM_LBUTTONDOWN: OnMouseDown(mbLeft, wParam, x, y); return 0;
    case WM_RBUTTONDOWN: OnMouseDown(mbRight, wParam, x, y); return 0;
    case WM_MBUTTONDOWN: OnMouseDown(mbMiddle, wParam, x, y); return 0;
    case WM_MOUSEMOVE: if (FDragState != TDragState::None) OnDragMouseMove(); return 0;
    case WM_LBUTTONUP: if (FDragState != TDragState::None) OnDragMouseUp(); return 0;
    case WM_RBUTTONUP: if (FDragState != TDragState::None) OnDragMouseUp(); return 0;
    case WM_CAPTURECHANGED: if (reinterpret_cast<HWND>(lParam) != FHandle) CancelDrag(); return 0;
    case WM_CANCELMODE: CancelDrag(); break;
    case WM_SETCURSOR: if (Screen.ApplyOverride(FHandle, lParam)) return TRUE; break;
    case WM_CLOSE: Close(); return 0;
    case WM_ACTIVATE: if (LOWORD(wParam) == WA_INACTIVE) RememberFocus(); break;
    case WM_SETFOCUS: RestoreFocus(); return 0;
    }
    return ::DefWindowProcW(FHandle, msg, wParam, lParam);
}

LRESULT TForm2::OnCommand(WORD code, WORD id, HWND control) {
    if (!control) {
        switch (id) {
        case Add1: SpeedButton2Click(this); return 0;
        case Remove1: SpeedButton3Click(this); return 0;
        case RemoveAll1: SpeedButton4Click(this); return 0;
        case IDCANCEL: CancelDrag(); return 0;  // Escape, as the dialog manager reports it
        }
        return 0;
    }
    if (control == CheckBox1 && code == BN_CLICKED) CheckBox1Click(CheckBox1);
    else if (control == Edit1 && code == EN_SETFOCUS) Edit1Enter();
    else if (control == Edit1 && code == EN_KILLFOCUS) Edit1Exit();
    return 0;
}

LRESULT TForm2::OnNotifyList(NMHDR* header) {
    switch (header->code) {
    case LVN_BEGINDRAG: OnListBeginDrag(*reinterpret_cast<NMLISTVIEW*>(header)); return 0;
    case LVN_ENDLABELEDITW: return reinterpret_cast<NMLVDISPINFOW*>(header)->item.pszText != nullptr;
    }
    // Header clicks (LVN_COLUMNCLICK) and everything else: nothing to do.
    return 0;
}

// The box and the option stand on the box's white ground.
LRESULT TForm2::OnCtlColor(UINT msg, HDC dc, HWND control) {
    if (control == GroupBox1 || control == CheckBox1) {
        ::SetBkColor(dc, RGB(255, 255, 255));
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(FWhiteBrush.get());
    }
    return ::DefWindowProcW(FHandle, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
}

// Themed controls draw their parent's face behind them through this message.
void TForm2::OnPrintClient(HDC dc) {
    RECT r;
    ::GetClientRect(FHandle, &r);
    PaintFace(dc, r);
}

void TForm2::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(FHandle, &ps);
    PaintFace(dc, ps.rcPaint);
    ::EndPaint(FHandle, &ps);
}

void TForm2::OnMouseDown(TMouseButton button, WPARAM keys, int x, int y) {
    const POINT p{x, y};
    if (::PtInRect(&Image1.Bounds, p)) Image1MouseDown(this, button, static_cast<UINT>(keys), x, y);
}

void TForm2::OnContextMenu(HWND wnd, int x, int y) {
    if (wnd != ListView1) return;
    if (x == -1 && y == -1) {
        // From the keyboard: at the list's top-left corner.
        RECT r;
        ::GetWindowRect(ListView1, &r);
        x = r.left;
        y = r.top;
    }
    ::TrackPopupMenu(PopupMenu1.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, FHandle, nullptr);
}

void TForm2::Image1MouseDown(void*, TMouseButton Button, UINT, int, int) {
    if (Button != mbLeft) return;
    // The system's own move loop follows the pointer until the button is released.
    ::ReleaseCapture();
    ::SendMessageW(FHandle, WM_SYSCOMMAND, 0xF012, 0);
}

LRESULT CALLBACK TForm2::GroupSubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    // The box's own white ground: the group-box control paints only its frame and caption.
    if (msg == WM_ERASEBKGND) {
        RECT r;
        ::GetClientRect(wnd, &r);
        ::FillRect(reinterpret_cast<HDC>(wParam), &r, reinterpret_cast<TForm2*>(data)->FWhiteBrush.get());
        return 1;
    }
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

LRESULT CALLBACK TForm2::ListSubclassProc(HWND, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<TForm2*>(data);
    try {
        return self->HandleListMessage(msg, wParam, lParam);
    } catch (...) {
        Application.HandleException(self);
        return 0;
    }
}
