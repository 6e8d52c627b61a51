#pragma once
// One face of a TrueType file, made into a font of its own for embedding. The PDF library
// reads fonts only from a file name (no Unicode paths on Windows, no shared opens) and keeps
// tables a PDF does not need; this copy goes to it from memory instead.

#include <cstdint>
#include <string>
#include <vector>

namespace pdf {

// Where the glyph metrics lie in a rebuilt face.
struct TFaceTables {
    std::size_t Size = 0;          // of the whole face
    std::uint32_t HmtxOffset = 0;  // where 'hmtx' starts
    std::uint16_t NumberOfHMetrics = 0;
    std::uint16_t NumGlyphs = 0;
};

struct TFontFace {
    std::vector<std::uint8_t> Data;  // a complete single-face TrueType font
    TFaceTables Tables;
};

// Face faceIndex of a .ttf (index 0) or .ttc file, read through the platform layer and rebuilt
// with the tables a PDF subset needs; glyph names are dropped ('post' format 3), which halves
// what a large font costs. Throws EPdfError, naming the file, when it cannot be read, holds no
// TrueType outlines, or its licence forbids embedding.
TFontFace ReadFontFace(const std::wstring& path, int faceIndex);

}  // namespace pdf
