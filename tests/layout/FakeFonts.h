#pragma once
// Fonts with simple fixed metrics, so that positions in the tests can be worked out by hand:
// every Latin character is half an em wide, every CJK character a full em; a line is one em
// (ascent 0.8, descent 0.2, no gap). The Latin face has no CJK glyphs: those fall back.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "layout/Fonts.h"

namespace testsupport {

class TFakeFont : public layout::TFont {
public:
    TFakeFont(std::wstring family, bool cjk, double lineGap = 0)
        : FFamily(std::move(family)), FCjk(cjk), FGap(lineGap) {
        FFile.Path = FFamily;
    }
    const layout::TFontFile& File() const override { return FFile; }
    std::wstring FamilyName() const override { return FFamily; }
    double Ascent() const override { return 0.8; }
    double Descent() const override { return 0.2; }
    double LineGap() const override { return FGap; }
    double UnderlinePosition() const override { return 0.1; }
    double UnderlineThickness() const override { return 0.05; }
    bool HasGlyph(char32_t c) const override { return FCjk || c < 0x2E80; }
    double Advance(char32_t c) const override {
        if (!HasGlyph(c)) return 0;
        return c >= 0x2E80 ? 1.0 : 0.5;
    }

private:
    layout::TFontFile FFile;
    std::wstring FFamily;
    bool FCjk;
    double FGap;
};

class TFakeFonts : public layout::IFontProvider {
public:
    const layout::TFont& Match(const std::wstring& name, bool bold, bool italic) override {
        std::wstring key = name + (bold ? L"-Bold" : L"") + (italic ? L"-Italic" : L"");
        auto& font = FFonts[key];
        if (!font) font = std::make_unique<TFakeFont>(key, false, name == L"Gappy" ? 0.5 : 0);
        ++Matches;
        return *font;
    }
    const layout::TFont* Fallback(char32_t c, const layout::TFont&) override {
        ++Fallbacks;
        return c >= 0x2E80 ? &FCjkFont : nullptr;
    }
    const layout::TFont& Cjk() const { return FCjkFont; }

    int Matches = 0, Fallbacks = 0;

private:
    std::map<std::wstring, std::unique_ptr<TFakeFont>> FFonts;
    TFakeFont FCjkFont{L"FakeCJK", true};
};

}  // namespace testsupport
