// Files from Explorer (WM_DROPFILES) and the command line, the footer's note Label1, the keyboard's shortcuts.
#include "app/Unit1.h"

#include "app/Application.h"
#include "convert/Drops.h"

namespace {

// Design layout of the note: the footer's left part, clear of the version text at its right.
constexpr int kNoteLeft = 16, kNoteTop = 502, kNoteWidth = 480, kNoteHeight = 17;
constexpr COLORREF kNoteColour = RGB(200, 214, 226);

bool KeyHeld(int key) { return (::GetKeyState(key) & 0x8000) != 0; }

}  // namespace

void TForm2::CreateNote() {
    const RECT r = ScaledRect(kNoteLeft, kNoteTop, kNoteWidth, kNoteHeight);
    Label1 = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, r.left, r.top,
                               r.right - r.left, r.bottom - r.top, FHandle, nullptr, ::GetModuleHandleW(nullptr),
                               nullptr);
    ::SendMessageW(Label1, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.get()), FALSE);
    ::SetWindowSubclass(Label1, &TForm2::NoteSubclassProc, 3, reinterpret_cast<DWORD_PTR>(this));
    FBatchFrontEnd.AttachNote(Label1);
    // Files dropped anywhere on the window, the list included, reach the window.
    ::DragAcceptFiles(FHandle, TRUE);
    ::DragAcceptFiles(ListView1, TRUE);
    ::SetWindowSubclass(Edit1, &TForm2::FieldSubclassProc, 4, reinterpret_cast<DWORD_PTR>(this));
    ::SetWindowSubclass(CheckBox1, &TForm2::FieldSubclassProc, 5, reinterpret_cast<DWORD_PTR>(this));
}

void TForm2::SetNote(const std::wstring& text) {
    ::SetWindowTextW(Label1, text.c_str());
    ::InvalidateRect(Label1, nullptr, FALSE);
}

// The note stands on the footer picture: the face under it first, then the text.
void TForm2::PaintNote(HWND wnd) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(wnd, &ps);
    RECT client;
    ::GetClientRect(wnd, &client);
    RECT onForm = client;
    ::MapWindowPoints(wnd, FHandle, reinterpret_cast<POINT*>(&onForm), 2);
    {
        TMemDCOwner src(::CreateCompatibleDC(dc));
        TSelectObject sel(src.get(), FFace.get());
        ::BitBlt(dc, 0, 0, client.right, client.bottom, src.get(), onForm.left, onForm.top, SRCCOPY);
    }
    const int length = ::GetWindowTextLengthW(wnd);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    ::GetWindowTextW(wnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    if (!text.empty()) {
        TSelectObject font(dc, FFont.get());
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, kNoteColour);
        ::DrawTextW(dc, text.c_str(), length, &client,
                    DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    ::EndPaint(wnd, &ps);
}

void TForm2::OpenItems(const std::vector<std::wstring>& items, TItemsSource source) {
    try {
        const TDroppedDocuments found = CollectDroppedDocuments(items);
        AddDocuments(FQueue, found.Documents);
        SetNote(DroppedItemsNote(found.Ignored, source));
    } catch (...) {
        Application.HandleException(this);
    }
}

void TForm2::OnDropFiles(HDROP drop) {
    std::vector<std::wstring> items;
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
        std::wstring name(length + 1, L'\0');
        ::DragQueryFileW(drop, i, name.data(), length + 1);
        name.resize(length);
        items.push_back(std::move(name));
    }
    ::DragFinish(drop);
    OpenItems(items);
}

bool TForm2::OnShortcutKey(WPARAM key) {
    const bool ctrl = KeyHeld(VK_CONTROL), shift = KeyHeld(VK_SHIFT), alt = KeyHeld(VK_MENU);
    if (shift || alt) return false;
    if (ctrl && key == 'O') { SpeedButton2Click(this); return true; }
    if (ctrl) return false;
    if (key == VK_F5) { SpeedButton5Click(this); return true; }
    if (key == VK_F1) { SpeedButton7Click(this); return true; }
    return false;
}

bool TForm2::OnListKey(WPARAM key) {
    const bool ctrl = KeyHeld(VK_CONTROL), shift = KeyHeld(VK_SHIFT), alt = KeyHeld(VK_MENU);
    if (shift || alt) return false;
    if (!ctrl && key == VK_DELETE) { SpeedButton3Click(this); return true; }
    if (ctrl && key == 'A') {
        ListView_SetItemState(ListView1, -1, LVIS_SELECTED, LVIS_SELECTED);
        return true;
    }
    return OnShortcutKey(key);
}

LRESULT CALLBACK TForm2::FieldSubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<TForm2*>(data);
    if (msg == WM_KEYDOWN) {
        try {
            if (self->OnShortcutKey(wParam)) return 0;
        } catch (...) {
            Application.HandleException(self);
            return 0;
        }
    }
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

LRESULT CALLBACK TForm2::NoteSubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<TForm2*>(data);
    switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: self->PaintNote(wnd); return 0;
    case WM_NCHITTEST: return HTTRANSPARENT;
    }
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}
