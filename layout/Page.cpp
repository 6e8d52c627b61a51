#include "layout/Page.h"

#include "layout/Unicode.h"

namespace layout {

void KeepOwnGlyphsAsKerning(TTextItem& item) {
    if (item.Glyphs.empty() || !item.Font) return;
    const std::u16string_view text = item.Text;
    std::vector<TKern> kerning;
    std::size_t unit = 0, units = 0;
    for (const TGlyph& g : item.Glyphs) {
        if (unit >= text.size()) return;
        const char32_t c = DecodeAt(text, unit, units);
        if (g.Cluster != unit || g.Id == 0 || g.Character != c || g.XOffset != 0 || g.YOffset != 0) return;
        if (g.Advance != static_cast<float>(item.Font->Advance(c))) kerning.push_back({g.Cluster, g.Advance});
        unit += units;
    }
    if (unit != text.size()) return;
    item.Kerning = std::move(kerning);
    std::vector<TGlyph>().swap(item.Glyphs);  // `= {}` would keep the room
    item.Shaped = true;
}

}  // namespace layout
