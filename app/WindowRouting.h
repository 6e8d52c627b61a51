#pragma once
// One window procedure for every window class of the program: the object is stored at
// WM_NCCREATE, every later message goes to its HandleMessage, and nothing a handler
// raises crosses into Windows.

#include <windows.h>

#include "app/Application.h"

template <typename TWindow>
LRESULT CALLBACK RoutedWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* created = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        created->FHandle = wnd;
        ::SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<TWindow*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(wnd, msg, wParam, lParam);
    try {
        return self->HandleMessage(msg, wParam, lParam);
    } catch (...) {
        Application.HandleException(self);
        return 0;
    }
}
