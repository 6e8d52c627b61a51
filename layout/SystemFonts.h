#pragma once
// The font provider over the fonts installed on this machine (fontconfig on Linux, GDI on
// Windows), with metric-compatible stand-ins for the fonts Pages uses.

#include <memory>
#include <string>

#include "layout/Fonts.h"

namespace layout {

// scratchFolder: where font data that exists only in memory (GDI) may be written as files; the
// files must stay there while the provider's fonts are in use (the PDF writer reads them).
//
// Match reads a PostScript or family name ("HelveticaNeue-Bold", "TimesNewRomanPS-ItalicMT",
// "Gill Sans"): its style words add to the bold and italic asked for. It tries the family itself,
// then stand-ins (Arial/Liberation Sans for Helvetica, Liberation Serif for Times, Carlito for
// Calibri, DejaVu Sans Mono for Menlo...), then a sans, serif or monospaced face as the name
// suggests. A face lacking the bold or italic asked for is returned flagged SyntheticBold or
// SyntheticItalic. For Helvetica and Helvetica Neue the line metrics are those Pages uses (Apple's
// faces, with AppKit's extra 20% line spacing for Helvetica), so lines are spaced as in Pages.
// Fallback looks in wide-coverage faces (CJK faces for CJK text, DejaVu and Segoe UI for the rest)
// and then anything installed; what it finds serves the rest of the character's block first.
// A provider and its fonts are used by one thread at a time.
std::unique_ptr<IFontProvider> MakeSystemFontProvider(const std::wstring& scratchFolder);

}  // namespace layout
