#pragma once
// The installed fonts, found the system's way: fontconfig on POSIX, GDI on Windows. Only faces with
// TrueType outlines (a glyf table, in a .ttf/.otf file or a .ttc collection) are returned: the PDF
// writer can embed nothing else. One thread at a time.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct TFontFace {
    std::wstring Path;  // engine path of the file; a collection holds several faces
    int FaceIndex = 0;
    // What the face is (semibold and heavier count as bold, oblique as italic), not what was asked for.
    bool Bold = false;
    bool Italic = false;
    int Weight = 400;  // OpenType's scale: 100 thin, 300 light, 400 regular, 500 medium, 700 bold, 900 black
    friend bool operator==(const TFontFace&, const TFontFace&) = default;
};

enum class TGenericFamily { gfSans, gfSerif, gfMonospace };

class TFontLookup {
public:
    // scratchFolder: where faces the system hands over only in memory are written as files (GDI);
    // made when first needed, and it must outlive the use of the files.
    explicit TFontLookup(std::wstring scratchFolder);
    TFontLookup(const TFontLookup&) = delete;
    TFontLookup& operator=(const TFontLookup&) = delete;
    ~TFontLookup();

    // The installed face of the family (names compared without regard to case and blanks) closest
    // to the weight and slant asked for; nullopt when no face of the family has TrueType outlines.
    std::optional<TFontFace> Find(const std::wstring& family, bool bold, bool italic);
    // The same at a weight on OpenType's scale (400 regular, 700 bold): the family's face nearest
    // to it, lighter or heavier as the family has them. On Windows a weight GDI files as a family of
    // its own ("Segoe UI Light") is found under that name only.
    std::optional<TFontFace> Find(const std::wstring& family, int weight, bool italic);
    // The system's own choice for a generic family (fontconfig's "sans-serif"..., Windows' Arial...).
    std::optional<TFontFace> FindGeneric(TGenericFamily generic, bool bold, bool italic);
    // Faces that have c, best first (closest style, then widest coverage), at most limit. On Windows
    // they come from a list of wide-coverage families and only characters below U+10000 are
    // checked: the caller checks the face's own character map.
    std::vector<TFontFace> FindCovering(char32_t c, bool bold, bool italic, std::size_t limit);

    struct TImpl;

private:
    std::unique_ptr<TImpl> FImpl;
};

}  // namespace platform
