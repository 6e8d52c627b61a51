// ListView1's row drag: LVN_BEGINDRAG, the 5-pixel threshold, the pointers, ListView1DragOver, ListView1DragDrop.
#include <windowsx.h>

#include <cstdlib>
#include <iterator>
#include <vector>

#include "app/Application.h"
#include "app/Unit1.h"

namespace {

// The drag pointer: the arrow with a dotted box at its foot. 'X' black, 'o' white, '.' clear;
// rows not drawn are clear. The hot spot is the arrow's tip.
constexpr const char* kDragCursorArt[] = {
    "X",
    "XX",
    "XoX",
    "XooX",
    "XoooX",
    "XooooX",
    "XoooooX",
    "XooooooX",
    "XoooooooX",
    "XooooooooX",
    "XoooooooooX",
    "XooooooXXXXX",
    "XoooXooX",
    "XooX.XooX",
    "XoX..XooX",
    "XX....XooX",
    "X.....XooX",
    ".......XooX",
    ".......XooX",
    "........XX",
    "",
    "..........XoXoXoXoXoX",
    "..........o.........o",
    "..........X.........X",
    "..........o.........o",
    "..........X.........X",
    "..........o.........o",
    "..........XoXoXoXoXoX",
};

HCURSOR MakeDragCursor() {
    const int width = ::GetSystemMetrics(SM_CXCURSOR), height = ::GetSystemMetrics(SM_CYCURSOR);
    const int stride = (width + 15) / 16 * 2;  // bytes per row, word-aligned
    std::vector<BYTE> andMask(static_cast<std::size_t>(stride * height), 0xFF);
    std::vector<BYTE> xorMask(andMask.size(), 0x00);
    for (int y = 0; y < static_cast<int>(std::size(kDragCursorArt)) && y < height; ++y) {
        for (int x = 0; kDragCursorArt[y][x] && x < width; ++x) {
            const char c = kDragCursorArt[y][x];
            if (c == '.') continue;
            const std::size_t at = static_cast<std::size_t>(y * stride + x / 8);
            const BYTE bit = static_cast<BYTE>(0x80 >> (x % 8));
            andMask[at] &= static_cast<BYTE>(~bit);
            if (c == 'o') xorMask[at] |= bit;
        }
    }
    return ::CreateCursor(::GetModuleHandleW(nullptr), 0, 0, width, height, andMask.data(), xorMask.data());
}

}  // namespace

HCURSOR TForm2::DragCursor() {
    if (!FDragCursor) FDragCursor.reset(MakeDragCursor());
    return FDragCursor.get();
}

LRESULT TForm2::HandleListMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_LBUTTONDOWN:
        // What LVN_BEGINDRAG needs about the press: the keys held and where it was.
        FPressKeys = wParam;
        FPressPoint = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        break;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE && FDragState != TDragState::drNone) { CancelDrag(); return 0; }
        if (FDragState == TDragState::drNone && OnListKey(wParam)) return 0;
        break;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    }
    return ::DefSubclassProc(ListView1, msg, wParam, lParam);
}

// The list reports that a press left its drag-detection area; the window then holds the mouse and plays
// the drag itself.
void TForm2::OnListBeginDrag(const NMLISTVIEW& info) {
    if (FPressKeys & (MK_SHIFT | MK_CONTROL)) return;
    LVHITTESTINFO hit{};
    hit.pt = FPressPoint;
    const int pressed = ListView_HitTest(ListView1, &hit);
    const int row = pressed >= 0 ? pressed : info.iItem;
    if (row < 0 || !FQueue.Selected(row)) return;
    FDragRow = row;
    FDragState = TDragState::drReady;
    ::GetCursorPos(&FReadyPoint);
    ::SetCapture(FHandle);
}

bool TForm2::PointOverList(POINT screen) const {
    RECT r;
    ::GetWindowRect(ListView1, &r);
    if (!::PtInRect(&r, screen)) return false;
    HWND under = ::WindowFromPoint(screen);
    return under == ListView1 || ::IsChild(ListView1, under);
}

void TForm2::OnDragMouseMove() {
    POINT p;
    ::GetCursorPos(&p);
    if (FDragState == TDragState::drReady) {
        if (std::abs(p.x - FReadyPoint.x) < 5 && std::abs(p.y - FReadyPoint.y) < 5) return;
        FDragState = TDragState::drDragging;
        StartDragImage();
    }
    bool accept = false;
    POINT client = p;
    if (PointOverList(p)) {
        ::ScreenToClient(ListView1, &client);
        ListView1DragOver(ListView1, ListView1, client.x, client.y, accept);
    }
    SetDropHighlight(accept ? FQueue.ItemAt(client.x, client.y) : -1);
    ::SetCursor(accept ? DragCursor() : ::LoadCursorW(nullptr, IDC_NO));
    if (FDragImageShown) {
        RECT w;
        ::GetWindowRect(FHandle, &w);
        ::ImageList_DragMove(p.x - w.left, p.y - w.top);
    }
}

void TForm2::StartDragImage() {
    // A picture of the grabbed row follows the pointer only when it is the one selected row.
    if (ListView_GetSelectedCount(ListView1) != 1) return;
    POINT origin{};
    FDragImage = ListView_CreateDragImage(ListView1, FDragRow, &origin);
    if (!FDragImage) return;
    ::ImageList_BeginDrag(FDragImage, 0, FPressPoint.x - origin.x, FPressPoint.y - origin.y);
    POINT p;
    ::GetCursorPos(&p);
    RECT w;
    ::GetWindowRect(FHandle, &w);
    FDragImageShown = ::ImageList_DragEnter(FHandle, p.x - w.left, p.y - w.top) != FALSE;
}

void TForm2::SetDropHighlight(int row) {
    if (row == FDropRow) return;
    // The list repaints under the drag image; hide it meanwhile so no trace is left.
    if (FDragImageShown) ::ImageList_DragShowNolock(FALSE);
    if (FDropRow >= 0) ListView_SetItemState(ListView1, FDropRow, 0, LVIS_DROPHILITED);
    if (row >= 0) ListView_SetItemState(ListView1, row, LVIS_DROPHILITED, LVIS_DROPHILITED);
    FDropRow = row;
    ::UpdateWindow(ListView1);
    if (FDragImageShown) ::ImageList_DragShowNolock(TRUE);
}

void TForm2::OnDragMouseUp() { EndDrag(FDragState == TDragState::drDragging); }

void TForm2::CancelDrag() { EndDrag(false); }

void TForm2::EndDrag(bool drop) {
    if (FDragState == TDragState::drNone) return;
    FDragState = TDragState::drNone;
    SetDropHighlight(-1);
    if (FDragImage) {
        if (FDragImageShown) ::ImageList_DragLeave(FHandle);
        ::ImageList_EndDrag();
        ::ImageList_Destroy(FDragImage);
        FDragImage = nullptr;
        FDragImageShown = false;
    }
    if (::GetCapture() == FHandle) ::ReleaseCapture();
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    POINT p;
    ::GetCursorPos(&p);
    if (!drop || !PointOverList(p)) {
        ListItem.Clear();
        return;
    }
    ::ScreenToClient(ListView1, &p);
    ListView1DragDrop(ListView1, ListView1, p.x, p.y);
}

void TForm2::ListView1DragOver(void*, void*, int, int, bool& Accept) { Accept = NoteDraggedRow(FQueue, ListItem); }

void TForm2::ListView1DragDrop(void*, void* Source, int X, int Y) {
    MoveByDrop(FQueue, ListItem, Source == ListView1, X, Y);
}
