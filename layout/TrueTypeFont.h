#pragma once
// One face of a TrueType font file (.ttf, or a face of a .ttc collection): its metrics, character
// map and advances, read once. Only TrueType outlines: the PDF writer can embed nothing else.
//
// Vertical metrics are hhea's ascender, descender and lineGap, as Core Text (and so Pages) reads
// them; OS/2's typographic, then Windows values, then head's box stand in only when hhea's are
// zero. USE_TYPO_METRICS is not honoured: Core Text ignores it too.
// A face caches what it looked up: one thread at a time.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "layout/Fonts.h"

namespace layout {

class TTrueTypeFont final : public TFont {
public:
    // Reads the face's tables through the platform layer (a shared read: installed fonts are in
    // use elsewhere). Throws EFOpenError when the file can't be opened, EReadError when it is
    // damaged (a table past the end, a count that doesn't fit) and ENotSupportedException when the
    // face has no TrueType outlines (CFF, Type 1).
    static std::unique_ptr<TTrueTypeFont> Open(const TFontFile& file);
    // The same over the file's bytes in memory; file names it in messages and File().
    static std::unique_ptr<TTrueTypeFont> FromBytes(const std::vector<std::uint8_t>& bytes, const TFontFile& file);

    TTrueTypeFont(const TTrueTypeFont&) = delete;
    TTrueTypeFont& operator=(const TTrueTypeFont&) = delete;
    ~TTrueTypeFont() override;

    const TFontFile& File() const override { return FFile; }
    std::wstring FamilyName() const override { return FFamily; }
    double Ascent() const override { return FAscent; }
    double Descent() const override { return FDescent; }
    double LineGap() const override { return FLineGap; }
    // post's underlinePosition, negated.
    double UnderlinePosition() const override { return FUnderlinePosition; }
    double UnderlineThickness() const override { return FUnderlineThickness; }
    double CapHeight() const override { return FCapHeight; }
    bool HasGlyph(char32_t c) const override { return Entry(c) >= 0; }
    double Advance(char32_t c) const override;
    double LeftBearing(char32_t c) const override;

    // What the face is (OS/2 weight class and selection bits, else head's macStyle): a semibold
    // or heavier face counts as bold, an oblique one as italic.
    bool IsBold() const { return FBold; }
    bool IsItalic() const { return FItalic; }
    int UnitsPerEm() const { return FUnitsPerEm; }
    // 0 (.notdef) when the face has no glyph for c.
    std::uint16_t GlyphIndex(char32_t c) const;

    struct TSource;

private:
    TTrueTypeFont() = default;
    static std::unique_ptr<TTrueTypeFont> Load(TSource& source, const TFontFile& file);
    // The advance in font units, or -1 for a missing glyph; cached by pages of 256 code points.
    std::int32_t Entry(char32_t c) const;
    std::uint16_t LookUp(char32_t c) const;
    std::int32_t AdvanceUnits(std::uint16_t glyph) const;

    TFontFile FFile;
    std::wstring FFamily;
    int FUnitsPerEm = 1000;
    double FAscent = 0, FDescent = 0, FLineGap = 0;
    double FUnderlinePosition = 0, FUnderlineThickness = 0;
    double FCapHeight = 0.7;
    bool FBold = false, FItalic = false;

    std::uint16_t FGlyphCount = 0;
    std::vector<std::uint8_t> FHmtx;
    std::uint16_t FHMetricCount = 0;
    std::vector<std::uint8_t> FCmap;
    std::size_t FSubtable = 0;      // offset of the chosen subtable in FCmap
    std::uint16_t FCmapFormat = 0;  // 4 or 12
    bool FSymbol = false;           // a (3,0) map: code points sit at U+F000 + byte

    using TPage = std::array<std::int32_t, 256>;
    mutable std::unordered_map<std::uint32_t, std::unique_ptr<TPage>> FPages;
    mutable std::uint32_t FLastPageNumber = 0xFFFFFFFF;
    mutable const TPage* FLastPage = nullptr;
};

}  // namespace layout
