#include "layout/TextContext.h"

namespace layout {

const TFont& TFontCache::Match(const std::wstring& name, bool bold, bool italic) {
    auto key = std::make_tuple(name, bold, italic);
    auto found = FMatched.find(key);
    if (found != FMatched.end()) return *found->second;
    const TFont& font = FProvider.Match(name, bold, italic);
    FMatched.emplace(std::move(key), &font);
    return font;
}

const TFont& TFontCache::ForChar(char32_t c, const TFont& primary) {
    if (c < 128 ? Ascii(primary).Has[c] : primary.HasGlyph(c)) return primary;
    auto& known = FFallbacks[&primary];
    auto found = known.find(c);
    if (found != known.end()) return *found->second;
    const TFont* fallback = FProvider.Fallback(c, primary);
    known.emplace(c, fallback ? fallback : &primary);
    return fallback ? *fallback : primary;
}

}  // namespace layout
