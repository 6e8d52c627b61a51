#pragma once
// One face of a TrueType file, made into a font of its own for embedding. The PDF library
// reads fonts only from a file name (no Unicode paths on Windows, no shared opens) and keeps
// tables a PDF does not need; this copy goes to it from memory instead.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pdf {

// Where the glyph metrics lie in a rebuilt face.
struct TFaceTables {
    std::size_t Size = 0;          // of the whole face
    std::uint32_t HmtxOffset = 0;  // where 'hmtx' starts
    std::uint16_t NumberOfHMetrics = 0;
    std::uint16_t NumGlyphs = 0;
    std::uint32_t LocaOffset = 0, LocaSize = 0;  // where 'loca' lies
    std::uint32_t GlyfOffset = 0, GlyfSize = 0;  // where 'glyf' lies
    bool LongLoca = false;                       // 'loca' holds 32-bit offsets
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

// The outlines of a TrueType face: its 'loca' and 'glyf' tables.
struct TGlyphTables {
    std::span<const std::uint8_t> Loca, Glyf;
    bool LongLoca = false;
    std::size_t NumGlyphs = 0;
};
TGlyphTables GlyphTables(std::span<const std::uint8_t> face, const TFaceTables& tables);

// Marks (sets to 1) in `used`, one entry a glyph, every glyph that a marked composite glyph is
// built from, at any depth. A composite glyph drawn without its components draws nothing, and
// CJK faces build most ideographs from parts numbered past 32767. Damaged records are skipped.
void AddComponentGlyphs(const TGlyphTables& glyphs, std::span<std::uint8_t> used);

}  // namespace pdf
