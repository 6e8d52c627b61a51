#pragma once
// What laying out text needs besides the text: the document, the fonts and the values of fields.

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "document/Document.h"
#include "layout/Fonts.h"
#include "layout/WordShaper.h"

namespace layout {

// The provider's answers, asked once per name and once per missing character.
class TFontCache {
public:
    explicit TFontCache(IFontProvider& provider) : FProvider(provider) {}
    TFontCache(const TFontCache&) = delete;
    TFontCache& operator=(const TFontCache&) = delete;

    const TFont& Match(const std::wstring& name, bool bold, bool italic);
    TWordShaper Shaper;  // of the faces matched here
    // primary when it has c, else the provider's fallback, else primary (it shows its missing-glyph box).
    const TFont& ForChar(char32_t c, const TFont& primary);
    // font.Advance(c), kept for Basic Latin (most text), where each character costs the font two
    // virtual calls and a table look-up.
    double Advance(const TFont& font, char32_t c) {
        if (c >= 128) return font.Advance(c);
        return Ascii(font).Advance[c];
    }

private:
    struct TAscii {
        double Advance[128];
        bool Has[128];
    };
    TAscii& Ascii(const TFont& font) {
        if (&font == FLastFont) return *FLastAscii;
        auto& slot = FAscii[&font];
        if (!slot) {
            slot = std::make_unique<TAscii>();
            for (char32_t c = 0; c < 128; ++c) {
                slot->Advance[c] = font.Advance(c);
                slot->Has[c] = font.HasGlyph(c);
            }
        }
        FLastFont = &font;
        FLastAscii = slot.get();
        return *slot;
    }

    IFontProvider& FProvider;
    std::unordered_map<const TFont*, std::unique_ptr<TAscii>> FAscii;
    const TFont* FLastFont = nullptr;
    TAscii* FLastAscii = nullptr;
    std::map<std::tuple<std::wstring, bool, bool>, const TFont*> FMatched;
    std::unordered_map<const TFont*, std::unordered_map<char32_t, const TFont*>> FFallbacks;
};

// Text shown for fields; headers and footers get the page's own values.
struct TFieldValues {
    std::u16string PageNumber = u"1";
    std::u16string PageCount = u"1";
};

struct TTextContext {
    const doc::TDocument& Document;
    TFontCache& Fonts;
    TFieldValues Fields;
    // Reference marks by footnote index; missing entries show the footnote's number.
    const std::vector<std::u16string>* FootnoteMarks = nullptr;
    bool Body = false;  // U+0005 breaks the page only in the body
};

// The model's numbers come from files: keep them finite and within sane bounds.
inline double Sane(double v, double lo, double hi, double fallback) {
    if (std::isnan(v)) return fallback;
    return std::clamp(v, lo, hi);
}

}  // namespace layout
