// TForm2's message dispatch: painting, PopupMenu1's items, ListView1's notes, focus, Image1MouseDown (moving).
#include "app/Unit1.h"

#include <windowsx.h>

#include <algorithm>

#include "app/Application.h"

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
    case WM_MOUSEMOVE: if (FDragState != TDragState::drNone) OnDragMouseMove(); return 0;
    case WM_LBUTTONUP: if (FDragState != TDragState::drNone) OnDragMouseUp(); return 0;
    case WM_RBUTTONUP: if (FDragState != TDragState::drNone) OnDragMouseUp(); return 0;
    case WM_CAPTURECHANGED: if (reinterpret_cast<HWND>(lParam) != FHandle) CancelDrag(); return 0;
    case WM_CANCELMODE: CancelDrag(); break;
    case WM_SETCURSOR: if (Screen.ApplyOverride(FHandle, lParam)) return TRUE; break;
    case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_CLOSE: Close(); return 0;
    // Windows is ending the session with the window open: no WM_CLOSE comes, so save now.
    case WM_ENDSESSION:
        if (wParam) {
            try {
                SaveWindowSettings();
            } catch (...) {
            }
        }
        return 0;
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
    case LVN_GETINFOTIPW: {
        // The row's outcome in the last batch, in place of the list's own tip.
        auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(header);
        const std::wstring text = FQueue.Tip(tip->iItem);
        if (!text.empty() && tip->pszText && tip->cchTextMax > 0) {
            const std::size_t n = std::min(text.size(), static_cast<std::size_t>(tip->cchTextMax - 1));
            text.copy(tip->pszText, n);
            tip->pszText[n] = L'\0';
        }
        return 0;
    }
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
