#pragma once
// The font provider over the fonts installed on this machine (fontconfig on Linux, GDI on
// Windows), with metric-compatible stand-ins for the fonts Pages uses.

#include <memory>
#include <string>

#include "layout/Fonts.h"

namespace layout {

// scratchFolder: where font data that exists only in memory (GDI) may be written as files.
std::unique_ptr<IFontProvider> MakeSystemFontProvider(const std::wstring& scratchFolder);

}  // namespace layout
