#pragma once
// A picture button that never takes the keyboard focus: flat (transparent over the window's
// face, a frame only while the mouse is over it) or with a raised frame.

#include <windows.h>

#include <functional>
#include <string>

#include "app/WinOwners.h"

class TSpeedButton {
public:
    struct TOptions {
        std::wstring Caption;
        HBITMAP Glyph = nullptr;  // not owned; null for none
        HFONT Font = nullptr;     // not owned
        COLORREF TextColor = RGB(0, 0, 0);
        bool Flat = true;
    };
    // Paints the parent's face under the button: the DC's origin is the parent's client origin.
    using TPaintParent = std::function<void(HDC dc, const RECT& parentArea)>;

    TSpeedButton(HWND parent, const RECT& bounds, TOptions options, std::function<void()> onClick,
                 TPaintParent paintParent);
    TSpeedButton(const TSpeedButton&) = delete;
    TSpeedButton& operator=(const TSpeedButton&) = delete;
    ~TSpeedButton();

    HWND Handle() const noexcept { return FHandle; }
    const std::wstring& Caption() const noexcept { return FOptions.Caption; }
    bool Enabled() const noexcept { return ::IsWindowEnabled(FHandle) != FALSE; }
    void SetEnabled(bool enabled) { ::EnableWindow(FHandle, enabled ? TRUE : FALSE); }
    // What a click does, without the mouse.
    void Click() { if (FOnClick) FOnClick(); }
    // The pointer is over the button: it shows its frame.
    bool Hot() const noexcept { return FHot; }

private:
    template <typename TWindow>
    friend LRESULT CALLBACK RoutedWindowProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnPaint();
    void Draw(HDC dc, const RECT& client);
    void OnMouseDown();
    void OnMouseMove(POINT p);
    void OnMouseUp(POINT p);
    void OnCaptureLost();
    bool Inside(POINT p) const;
    void RefreshHot();

    HWND FHandle = nullptr;
    TOptions FOptions;
    std::function<void()> FOnClick;
    TPaintParent FPaintParent;
    TBitmapOwner FGreyGlyph;
    COLORREF FTransparent = RGB(255, 0, 255);
    bool FDown = false;      // pressed, mouse captured
    bool FPressed = false;   // pressed and the mouse is over the button
    bool FHot = false;       // mouse over the button
};
