#pragma once
// Fonts as the layout sees them: metrics of real font files, found by a provider. The
// layout measures with these; the PDF writer embeds the same files.

#include <cstdint>
#include <string>

namespace layout {

// A font file on disk and the face in it (TrueType collections hold several).
struct TFontFile {
    std::wstring Path;  // engine path
    int FaceIndex = 0;
    friend bool operator==(const TFontFile&, const TFontFile&) = default;
};

// One face's metrics, in ems (multiply by the font size for points).
class TFont {
public:
    virtual ~TFont() = default;
    virtual const TFontFile& File() const = 0;
    virtual std::wstring FamilyName() const = 0;
    virtual double Ascent() const = 0;   // above the baseline, positive
    virtual double Descent() const = 0;  // below the baseline, positive
    virtual double LineGap() const = 0;
    // The line gap the face's own tables give; differs from LineGap where the system adds room of its
    // own (AppKit's 20% for Helvetica and Times), which is no gap of the font's.
    virtual double TableLineGap() const { return LineGap(); }
    virtual double UnderlinePosition() const = 0;   // below the baseline, positive
    virtual double UnderlineThickness() const = 0;
    // Height of capital letters; what most fonts have when the file does not say.
    virtual double CapHeight() const { return 0.7; }
    // From the pen to the glyph's ink, where the file says; a large letter is set by its ink.
    virtual double LeftBearing(char32_t) const { return 0; }
    virtual bool HasGlyph(char32_t c) const = 0;
    virtual double Advance(char32_t c) const = 0;   // 0 for a missing glyph
    // Faces over one file measure alike unless they set another family's widths: those tell which
    // (nullptr: the file's own).
    virtual const void* WidthsKey() const { return nullptr; }
    // The face is a stand-in for a bold or italic the family lacks: the writer emboldens or slants.
    virtual bool SyntheticBold() const { return false; }
    virtual bool SyntheticItalic() const { return false; }
};

// Finds faces for the names documents use. Fonts live as long as the provider.
class IFontProvider {
public:
    virtual ~IFontProvider() = default;
    // Always a face: a metric-compatible stand-in, else the closest sans or serif.
    virtual const TFont& Match(const std::wstring& postScriptOrFamilyName, bool bold, bool italic) = 0;
    // A face that has c, as close to `like` as can be found; nullptr when none on the system does.
    virtual const TFont* Fallback(char32_t c, const TFont& like) = 0;
};

}  // namespace layout
