#pragma once
// Words shaped by HarfBuzz with each font's own features: its kerning, its ligatures, the joined
// forms of Arabic letters, marks placed on their bases. Each distinct word is shaped once per
// face and direction and kept, so a long document costs little more than its vocabulary: the
// glyphs in blocks shared by many words, found through one open-addressed table per face.

#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "layout/Fonts.h"

namespace layout {

// A glyph as the font's shaping gives it, in ems.
struct TShapedGlyph {
    std::uint32_t Cluster = 0;   // first UTF-16 unit of the characters it stands for, in the word
    std::uint16_t Id = 0;        // 0: the face lacks the character
    char32_t Character = 0;      // the character whose own glyph this is (the font's character map); 0: none
    float Advance = 0;           // as positioned (kerning included)
    float Natural = 0;           // the glyph's own advance
    float XOffset = 0, YOffset = 0;  // from the pen; y up
};

class TWordShaper {
public:
    TWordShaper();
    TWordShaper(const TWordShaper&) = delete;
    TWordShaper& operator=(const TWordShaper&) = delete;
    ~TWordShaper();

    // The glyphs of `word` in `font`, set left to right or right to left. They come in the order
    // of their clusters (a right-to-left word's reversed from how they are drawn; within a
    // cluster too, so reversing all of them gives the drawing order). Nothing when the font file
    // cannot be read or shaped: the caller measures character by character. `font` must outlive
    // this object; the glyphs stay where they are as long as it does.
    std::optional<std::span<const TShapedGlyph>> Shape(const TFont& font, std::u16string_view word, bool rightToLeft);

private:
    struct TFace;
    TFace* Face(const TFont& font);

    std::map<std::pair<std::wstring, int>, std::unique_ptr<TFace>> FFaces;
    std::unordered_map<const TFont*, TFace*> FByFont;
};

}  // namespace layout
