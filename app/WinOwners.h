#pragma once
// Small non-copyable owners for the Windows handles the window code holds.

#include <windows.h>
#include <objbase.h>

#include <utility>

// One shape for every handle: the closer is a stateless functor, the empty value a constant.
template <typename T, typename Closer, T Empty = T{}>
class TOwner {
public:
    TOwner() noexcept = default;
    explicit TOwner(T value) noexcept : FValue(value) {}
    TOwner(const TOwner&) = delete;
    TOwner& operator=(const TOwner&) = delete;
    TOwner(TOwner&& other) noexcept : FValue(other.release()) {}
    TOwner& operator=(TOwner&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~TOwner() { reset(); }

    T get() const noexcept { return FValue; }
    explicit operator bool() const noexcept { return FValue != Empty; }
    // For a hand-off to Windows that succeeded: the owner forgets the handle.
    T release() noexcept { return std::exchange(FValue, Empty); }
    void reset(T value = Empty) noexcept {
        T old = std::exchange(FValue, value);
        if (old != Empty) Closer{}(old);
    }

private:
    T FValue = Empty;
};

struct TGdiCloser { void operator()(HGDIOBJ h) const noexcept { ::DeleteObject(h); } };
struct TDCCloser { void operator()(HDC h) const noexcept { ::DeleteDC(h); } };
struct TMenuCloser { void operator()(HMENU h) const noexcept { ::DestroyMenu(h); } };
struct TIconCloser { void operator()(HICON h) const noexcept { ::DestroyIcon(h); } };
struct TCursorCloser { void operator()(HCURSOR h) const noexcept { ::DestroyCursor(h); } };
struct TTaskMemCloser { void operator()(void* p) const noexcept { ::CoTaskMemFree(p); } };

using TBitmapOwner = TOwner<HBITMAP, TGdiCloser>;
using TFontOwner = TOwner<HFONT, TGdiCloser>;
using TBrushOwner = TOwner<HBRUSH, TGdiCloser>;
using TRegionOwner = TOwner<HRGN, TGdiCloser>;
using TMemDCOwner = TOwner<HDC, TDCCloser>;
using TMenuOwner = TOwner<HMENU, TMenuCloser>;
using TCursorOwner = TOwner<HCURSOR, TCursorCloser>;
template <typename T>
using TTaskMemOwner = TOwner<T*, TTaskMemCloser>;

// A DC from GetDC, given back to its window.
class TWindowDC {
public:
    explicit TWindowDC(HWND wnd) noexcept : FWnd(wnd), FDC(::GetDC(wnd)) {}
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    ~TWindowDC() { if (FDC) ::ReleaseDC(FWnd, FDC); }
    HDC get() const noexcept { return FDC; }

private:
    HWND FWnd;
    HDC FDC;
};

// Puts an object into a DC and the old one back at scope end.
class TSelectObject {
public:
    TSelectObject(HDC dc, HGDIOBJ obj) noexcept : FDC(dc), FOld(::SelectObject(dc, obj)) {}
    TSelectObject(const TSelectObject&) = delete;
    TSelectObject& operator=(const TSelectObject&) = delete;
    ~TSelectObject() { ::SelectObject(FDC, FOld); }

private:
    HDC FDC;
    HGDIOBJ FOld;
};

// A COM interface pointer: Release on destruction.
template <typename I>
class TComPtr {
public:
    TComPtr() noexcept = default;
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;
    TComPtr(TComPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
    TComPtr& operator=(TComPtr&& other) noexcept {
        if (this != &other) { reset(); FPtr = std::exchange(other.FPtr, nullptr); }
        return *this;
    }
    ~TComPtr() { reset(); }

    I* get() const noexcept { return FPtr; }
    I* operator->() const noexcept { return FPtr; }
    explicit operator bool() const noexcept { return FPtr != nullptr; }
    // For out-parameters: releases what was held first.
    I** put() noexcept { reset(); return &FPtr; }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
    void reset() noexcept { if (FPtr) { FPtr->Release(); FPtr = nullptr; } }

private:
    I* FPtr = nullptr;
};
