// TForm2 made: Image1-3, ListView1, PopupMenu1, GroupBox1, Edit1, CheckBox1, SpeedButton1-10, its shape; FormCreate.
#include "app/Unit1.h"

#include "app/Application.h"
#include "app/Pictures.h"
#include "app/WindowRouting.h"
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

TForm2::TForm2(std::wstring workingFolderParent) : FEngine(std::move(workingFolderParent)) { Build(); }

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
        CreateNote();
        BuildFace();
        RestoreSettings();
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
    ListView_SetExtendedListViewStyle(ListView1, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    FQueue.ShowMarks(Scale(16));
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
    FBatchFrontEnd.Attach(FHandle, FQueue, Edit1, CheckBox1);

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
        FEngine.SetUpWorkingFolder();
    } catch (...) {
        Application.HandleException(this);
    }
}

