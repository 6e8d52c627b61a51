#pragma once
// The window's artwork, decoded from the program's resources.

#include <windows.h>

#include "app/WinOwners.h"

// A PNG or JPEG stored as RCDATA, decoded by the platform's imaging component into a
// 32-bit top-down DIB section. Empty when the resource is missing or can't be decoded.
TBitmapOwner LoadPicture(const wchar_t* resourceName);

// A BITMAP resource as a DIB section.
TBitmapOwner LoadButtonBitmap(const wchar_t* resourceName);

// A greyed copy of a button picture for the disabled state; the transparent colour stays.
TBitmapOwner MakeGreyed(HBITMAP source, COLORREF transparent);

SIZE BitmapSize(HBITMAP bitmap);
