#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "document/Limits.h"
#include "layout/TrueTypeFont.h"
#include "layout/WordShaper.h"
#include "pdf/PdfWriter.h"
#include "support/PngWriter.h"
#include "support/TestSupport.h"

using testsupport::FileExists;
using testsupport::Png;
using testsupport::ReadFile;
using testsupport::TScratchFolder;
using testsupport::ToNative;
using testsupport::WriteFile;

namespace {

// A face with the metrics the test chooses over a real font file, as the layout's fonts are.
class TTestFont final : public layout::TFont {
public:
    explicit TTestFont(std::wstring path, int face = 0, double advance = 0.5, bool bold = false, bool italic = false)
        : FFile{std::move(path), face}, FAdvance(advance), FBold(bold), FItalic(italic) {}
    const layout::TFontFile& File() const override { return FFile; }
    std::wstring FamilyName() const override { return L"Test"; }
    double Ascent() const override { return 0.9; }
    double Descent() const override { return 0.2; }
    double LineGap() const override { return 0; }
    double UnderlinePosition() const override { return 0.1; }
    double UnderlineThickness() const override { return 0.05; }
    bool HasGlyph(char32_t c) const override { return Lacks.find(c) == std::u32string::npos; }
    double Advance(char32_t c) const override { return HasGlyph(c) ? FAdvance : 0; }
    bool SyntheticBold() const override { return FBold; }
    bool SyntheticItalic() const override { return FItalic; }
    const void* WidthsKey() const override { return WidthsOf; }

    const void* WidthsOf = nullptr;  // set: a stand-in measured with another family's widths
    std::u32string Lacks;            // characters the face has no glyph for

private:
    layout::TFontFile FFile;
    double FAdvance;
    bool FBold, FItalic;
};

// An installed font as an engine path; empty when the machine lacks it.
std::wstring SystemFont(const std::string& native) {
    std::wstring path(native.begin(), native.end());
    std::replace(path.begin(), path.end(), L'/', L'\\');
#ifdef _WIN32
    path = L"Z:" + path;  // Wine shows the Linux root as Z:
#endif
    return FileExists(path) ? path : std::wstring();
}

struct TFonts {
    std::wstring Sans = SystemFont("/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf");
    std::wstring Cjk = SystemFont("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc");
    std::wstring Symbols = SystemFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
};

#define REQUIRE_FONTS(fonts)                                                                           \
    if ((fonts).Sans.empty() || (fonts).Cjk.empty())                                                   \
    GTEST_SKIP() << "Liberation Sans 2 and WenQuanYi Micro Hei are not installed (fonts-liberation2, " \
                    "fonts-wqy-microhei)"

// What a command line printed (stderr too), or nothing when it failed. Poppler's tools check
// the files; they are not at hand under Wine.
std::optional<std::string> Run(const std::string& command) {
#ifdef _WIN32
    (void)command;
    return std::nullopt;
#else
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    return pclose(pipe) == 0 ? std::optional(out) : std::nullopt;
#endif
}

bool HavePoppler() {
    static const bool have = Run("pdftotext -v").has_value() && Run("pdftoppm -v").has_value();
    return have;
}

#define REQUIRE_POPPLER() \
    if (!HavePoppler()) GTEST_SKIP() << "poppler-utils (pdftotext, pdffonts, pdfinfo, pdftoppm) are not installed"

std::string Quoted(const std::wstring& enginePath) { return "'" + ToNative(enginePath).string() + "'"; }

std::string Tool(const std::string& command) {
    auto out = Run(command);
    EXPECT_TRUE(out) << command;
    return out.value_or("");
}

std::vector<std::string> NonEmptyLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        line.erase(std::remove(line.begin(), line.end(), '\f'), line.end());
        while (!line.empty() && line.back() == ' ') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

// "Key:   value" lines of pdfinfo.
std::map<std::string, std::string> Info(const std::wstring& pdf, const std::string& options = "") {
    std::map<std::string, std::string> info;
    for (const auto& line : NonEmptyLines(Tool("pdfinfo " + options + " " + Quoted(pdf)))) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        info[line.substr(0, colon)] = line.substr(line.find_first_not_of(' ', colon + 1));
    }
    return info;
}

layout::TTextItem Text(const layout::TFont& font, double x, double y, std::u16string text, double size = 12) {
    layout::TTextItem item;
    item.Font = &font;
    item.X = x;
    item.Y = y;
    item.Size = size;
    item.Text = std::move(text);
    return item;
}

layout::TLaidOutDocument OnePage(std::vector<layout::TPageItem> items, double width = 200, double height = 200) {
    layout::TLaidOutDocument document;
    document.Title = L"test";
    document.Pages.push_back({width, height, std::move(items)});
    return document;
}

// A grey rendering at 72 dpi: one pixel a point.
struct TGrey {
    int Width = 0, Height = 0;
    std::vector<std::uint8_t> Pixels;
    int At(int x, int y) const { return Pixels[std::size_t(y) * Width + x]; }
    int Darkest(int x, int y) const {  // of the pixel and its neighbours: thin lines snap to the grid
        int v = 255;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) v = std::min(v, At(x + dx, y + dy));
        return v;
    }
    int Ink(int x0, int y0, int x1, int y1) const {  // dark pixels in [x0, x1) x [y0, y1)
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += At(x, y) < 128;
        return n;
    }
};

TGrey Render(const TScratchFolder& dir, const std::wstring& pdf, int page = 1) {
    const std::wstring prefix = dir / (L"render" + std::to_wstring(page));
    Tool("pdftoppm -r 72 -gray -singlefile -f " + std::to_string(page) + " -l " + std::to_string(page) + " " +
         Quoted(pdf) + " " + Quoted(prefix));
    const auto bytes = ReadFile(prefix + L".pgm");
    TGrey grey;
    std::istringstream header(std::string(bytes.begin(), bytes.begin() + std::min<std::size_t>(bytes.size(), 64)));
    std::string magic;
    int maxValue = 0;
    header >> magic >> grey.Width >> grey.Height >> maxValue;
    EXPECT_EQ(magic, "P5");
    const auto start = static_cast<std::size_t>(header.tellg()) + 1;
    grey.Pixels.assign(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end());
    EXPECT_EQ(grey.Pixels.size(), std::size_t(grey.Width) * grey.Height);
    return grey;
}

std::vector<std::uint8_t> FromHex(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(std::uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

// A 16 x 8 baseline JPEG, red to blue, as ImageMagick writes it.
const std::vector<std::uint8_t> kJpeg = FromHex(
    "ffd8ffe000104a46494600010100000100010000ffdb0043000d090a0b0a080d0b0a0b0e0e0d0f13201513121213271c1e17"
    "202e2931302e292d2c333a4a3e333646372c2d405741464c4e525352323e5a615a50604a51524fffdb0043010e0e0e131113"
    "261515264f352d354f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f4f"
    "4f4f4f4f4f4f4f4fffc00011080008001003012200021101031101ffc4001500010100000000000000000000000000000006"
    "ffc400161001010100000000000000000000000000001461ffc4001501010100000000000000000000000000000406ffc400"
    "17110003010000000000000000000000000000041552ffda000c03010002110311003f0091b34b3415b194c8cacd68ffd9");

layout::TImageItem Picture(std::wstring file, doc::TRect frame, std::wstring thumbnail = L"") {
    layout::TImageItem item;
    item.Image.FilePath = std::move(file);
    item.Image.ThumbnailPath = std::move(thumbnail);
    item.Frame = frame;
    item.Clip = frame;
    return item;
}

TEST(PdfWriterTest, TextOfEveryScriptIsEmbeddedAndExtractedInReadingOrder) {
    TFonts fonts;
    REQUIRE_FONTS(fonts);
    REQUIRE_POPPLER();
    // Two faces over one file are one font; two faces of a collection are two.
    const TTestFont sans(fonts.Sans), boldSans(fonts.Sans, 0, 0.5, true), cjk(fonts.Cjk), cjkMono(fonts.Cjk, 1);
    layout::TLaidOutDocument document;
    document.Title = L"Mé vznášedlo";
    document.Pages.push_back(
        {595.28,
         841.89,
         {Text(sans, 72, 100, u"Mé vznášedlo je plné úhořů."),
          Text(boldSans, 72, 130, u"Mój poduszkowiec jest pełen węgorzy."), Text(cjk, 72, 160, u"中文")}});
    document.Pages.push_back({612, 792, {Text(sans, 72, 100, u"Druhá strana"), Text(cjkMono, 72, 130, u"文字")}});
    TScratchFolder dir;
    const auto pdf = dir / L"out.pdf";
    pdf::WritePdf(document, pdf);

    // Warnings from poppler (an unreadable ToUnicode map, say) would show in the text.
    EXPECT_EQ(
        NonEmptyLines(Tool("pdftotext -f 1 -l 1 " + Quoted(pdf) + " -")),
        (std::vector<std::string>{"Mé vznášedlo je plné úhořů.", "Mój poduszkowiec jest pełen węgorzy.", "中文"}));
    EXPECT_EQ(NonEmptyLines(Tool("pdftotext -f 2 -l 2 " + Quoted(pdf) + " -")),
              (std::vector<std::string>{"Druhá strana", "文字"}));

    const auto info = Info(pdf, "-f 1 -l 2");
    EXPECT_EQ(info.at("Title"), "Mé vznášedlo");
    EXPECT_EQ(info.at("Creator"), "pages2pdf");
    EXPECT_EQ(info.at("Producer"), "pages2pdf");
    EXPECT_EQ(info.at("Pages"), "2");
    EXPECT_EQ(info.at("Page    1 size"), "595.28 x 841.89 pts (A4)");
    EXPECT_EQ(info.at("Page    2 size"), "612 x 792 pts (letter)");

    // One font a file, embedded as a subset with a map back to Unicode.
    const auto lines = NonEmptyLines(Tool("pdffonts " + Quoted(pdf)));
    ASSERT_EQ(lines.size(), 5u) << Tool("pdffonts " + Quoted(pdf));
    for (std::size_t i = 2; i < lines.size(); ++i) {
        EXPECT_TRUE(std::regex_search(lines[i], std::regex("^[A-Z]{6}\\+(LiberationSans|WenQuanYiMicroHei(Mono)?) ")))
            << lines[i];
        EXPECT_TRUE(std::regex_search(lines[i], std::regex(" yes +yes +yes +[0-9]+ +0$"))) << lines[i];
    }
}

TEST(PdfWriterTest, FontsAreSubsetsAndTheFileStaysSmall) {
    TFonts fonts;
    REQUIRE_FONTS(fonts);
    const TTestFont sans(fonts.Sans), cjk(fonts.Cjk);
    TScratchFolder dir;
    // The whole Liberation Sans is 400 KB and WenQuanYi Micro Hei 5 MB.
    struct TCase {
        const layout::TFont* Font;
        std::u16string Text;
        std::size_t MaxBytes;
    };
    for (const auto& c : {TCase{&sans, u"Mé vznášedlo je plné úhořů.", 20000}, TCase{&cjk, u"中文", 30000}}) {
        const auto pdf = dir / L"small.pdf";
        pdf::WritePdf(OnePage({Text(*c.Font, 20, 100, c.Text)}, 595, 842), pdf);
        EXPECT_LT(ReadFile(pdf).size(), c.MaxBytes);
    }
}

// WenQuanYi Micro Hei builds most ideographs from parts numbered past 32767: each character drawn
// alone must leave ink in its own square.
TEST(PdfWriterTest, IdeographsBuiltFromPartsAreDrawnWhole) {
    TFonts fonts;
    REQUIRE_FONTS(fonts);
    REQUIRE_POPPLER();
    const TTestFont cjk(fonts.Cjk, 0, 1.0);
    TScratchFolder dir;
    const std::u16string text = u"实验三背包问题美好的啊";
    std::vector<layout::TPageItem> items;
    for (std::size_t i = 0; i < text.size(); ++i) items.push_back(Text(cjk, 10 + 40.0 * i, 50, text.substr(i, 1), 30));
    const auto pdf = dir / L"cjk.pdf";
    pdf::WritePdf(OnePage(std::move(items), 40.0 * text.size() + 20, 80), pdf);
    const TGrey g = Render(dir, pdf);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int x = 10 + 40 * static_cast<int>(i);
        EXPECT_GT(g.Ink(x, 20, x + 30, 56), 40) << "character " << i << " is blank";
    }
}

// Mathematical letters and emoji lie past U+FFFF: drawn from the face's own glyphs, read back as
// themselves. A character the face lacks leaves its gap and is counted, unless it shows nothing.
TEST(PdfWriterTest, CharactersPastTheBasicPlaneAreDrawnAndMissingOnesCounted) {
    TFonts fonts;
    if (fonts.Symbols.empty()) GTEST_SKIP() << "DejaVu Sans is not installed (fonts-dejavu-core)";
    REQUIRE_POPPLER();
    TTestFont symbols(fonts.Symbols, 0, 0.8);
    symbols.Lacks = U"\uE000\u200D\U0001F0A1";
    const std::u16string shown[] = {u"\U0001D538", u"\U0001F600", u"\U0001D538\U0001F600"};
    std::vector<layout::TPageItem> items;
    for (std::size_t i = 0; i < std::size(shown); ++i) items.push_back(Text(symbols, 10 + 40.0 * i, 50, shown[i], 30));
    items.push_back(Text(symbols, 10, 90, u"x\uE000y\u200Dz\U0001F0A1", 12));
    TScratchFolder dir;
    const auto pdf = dir / L"supplementary.pdf";
    EXPECT_EQ(pdf::WritePdf(OnePage(std::move(items), 200, 100), pdf).CharactersUndrawn, 2);

    const TGrey g = Render(dir, pdf);
    EXPECT_GT(g.Ink(10, 20, 36, 56), 40) << "the mathematical A is blank";
    EXPECT_GT(g.Ink(50, 20, 76, 56), 40) << "the emoji is blank";
    const std::string text = Tool("pdftotext " + Quoted(pdf) + " -");
    EXPECT_NE(text.find("\U0001D538 \U0001F600 \U0001D538\U0001F600"), std::string::npos) << text;
}

// A glyph's positioned advance moves every glyph after it: the ink of "VVVV", kerned by 6 points
// (0.15 em at 40 pt) after each of its first three letters, ends 3 x 6 points further left.
TEST(PdfWriterTest, KerningMovesTheGlyphsThatFollow) {
    TFonts fonts;
    REQUIRE_FONTS(fonts);
    REQUIRE_POPPLER();
    const TTestFont sans(fonts.Sans, 0, 0.667);
    auto plain = Text(sans, 10, 60, u"VVVV", 40);
    auto kerned = plain;
    kerned.Y = 120;
    const std::uint16_t v = layout::TTrueTypeFont::Open(sans.File())->GlyphIndex(U'V');
    ASSERT_NE(v, 0);
    for (std::uint32_t i = 0; i < 4; ++i)
        kerned.Glyphs.push_back({i, v, U'V', i < 3 ? 0.667f - 0.15f : 0.667f, 0.667f, 0, 0});
    TScratchFolder dir;
    const auto pdf = dir / L"kerned.pdf";
    pdf::WritePdf(OnePage({plain, kerned}, 200, 140), pdf);
    const TGrey g = Render(dir, pdf);
    auto inkEnd = [&](int y0, int y1) {
        for (int x = g.Width - 1; x >= 0; --x)
            if (g.Ink(x, y0, x + 1, y1) > 0) return x;
        return -1;
    };
    EXPECT_NEAR(inkEnd(20, 65) - inkEnd(80, 125), 18, 1.5);
}

// Shaped text whose glyphs are all their characters' own is kept as its kerning alone, and drawn
// exactly as its glyph records would be: the same pixels, the same text read back. Glyphs that are
// no character's own, moved off the pen or in another order keep their records.
TEST(PdfWriterTest, GlyphsKeptAsKerningAreDrawnAsTheirRecordsWouldBe) {
    TFonts fonts;
    REQUIRE_FONTS(fonts);
    REQUIRE_POPPLER();
    const TTestFont sans(fonts.Sans, 0, 0.6);
    const auto face = layout::TTrueTypeFont::Open(sans.File());
    auto records = Text(sans, 10, 60, u"AVA To.AV", 30);
    records.CharSpacing = 1;
    records.WordSpacing = 4;
    for (std::uint32_t i = 0; i < records.Text.size(); ++i) {
        const char32_t c = records.Text[i];
        const bool kerned = c == U'A' || c == U'T';  // before V, o and the end
        records.Glyphs.push_back({i, face->GlyphIndex(c), c, kerned ? 0.6f - 0.2f : 0.6f, 0.6f, 0, 0});
    }
    auto kept = records;
    layout::KeepOwnGlyphsAsKerning(kept);
    EXPECT_TRUE(kept.Shaped);
    EXPECT_TRUE(kept.Glyphs.empty());
    ASSERT_EQ(kept.Kerning.size(), 4u);
    EXPECT_EQ(kept.Kerning[1].Unit, 2u);
    EXPECT_FLOAT_EQ(kept.Kerning[1].Advance, 0.4f);

    TScratchFolder dir;
    const auto fromRecords = dir / L"records.pdf", fromKerning = dir / L"kerning.pdf";
    pdf::WritePdf(OnePage({records}, 200, 100), fromRecords);
    pdf::WritePdf(OnePage({kept}, 200, 100), fromKerning);
    const TGrey a = Render(dir, fromRecords), b = Render(dir, fromKerning);
    EXPECT_GT(a.Ink(0, 0, a.Width, a.Height), 100);
    EXPECT_EQ(a.Pixels, b.Pixels);
    EXPECT_EQ(Tool("pdftotext " + Quoted(fromKerning) + " -"), Tool("pdftotext " + Quoted(fromRecords) + " -"));

    const std::vector<std::pair<const char*, void (*)(layout::TTextItem&)>> others = {
        {"a ligature", [](layout::TTextItem& item) { item.Glyphs[1].Character = 0; }},
        {"a mark off the pen", [](layout::TTextItem& item) { item.Glyphs[2].YOffset = 0.1f; }},
        {"right to left", [](layout::TTextItem& item) { std::reverse(item.Glyphs.begin(), item.Glyphs.end()); }},
        {"a missing glyph", [](layout::TTextItem& item) { item.Glyphs[0].Id = 0; }},
        {"two glyphs for one character", [](layout::TTextItem& item) { item.Glyphs.push_back(item.Glyphs.back()); }},
    };
    for (const auto& [what, change] : others) {
        auto item = records;
        change(item);
        const auto before = item.Glyphs.size();
        layout::KeepOwnGlyphsAsKerning(item);
        EXPECT_FALSE(item.Shaped) << what;
        EXPECT_EQ(item.Glyphs.size(), before) << what;
    }
}

// A word shaped right to left is drawn by its glyphs in visual order, its joined letters by codes
// of their own; the text read back is still the word's characters in their own order.
TEST(PdfWriterTest, ShapedGlyphsReadBackAsTheirCharacters) {
    TFonts fonts;
    if (fonts.Symbols.empty()) GTEST_SKIP() << "DejaVu Sans is not installed (fonts-dejavu-core)";
    REQUIRE_POPPLER();
    const auto font = layout::TTrueTypeFont::Open(layout::TFontFile{fonts.Symbols, 0});
    const layout::TFont& sans = *font;
    layout::TWordShaper shaper;
    const std::u16string word = u"\u0628\u064A\u062A \u0627\u0644";  // "beit al": joined, and alef lam
    auto item = Text(sans, 10, 60, word, 30);
    for (std::uint32_t at = 0; at < word.size();) {
        const std::uint32_t end = word[at] == u' ' ? at + 1 : std::uint32_t(std::min(word.find(u' ', at), word.size()));
        const auto glyphs = shaper.Shape(sans, std::u16string_view(word).substr(at, end - at), true);
        for (const auto& g : *glyphs)
            item.Glyphs.push_back({at + g.Cluster, g.Id, g.Character, g.Advance, g.Natural, g.XOffset, g.YOffset});
        at = end;
    }
    std::reverse(item.Glyphs.begin(), item.Glyphs.end());
    TScratchFolder dir;
    const auto pdf = dir / L"shaped.pdf";
    EXPECT_EQ(pdf::WritePdf(OnePage({item}, 200, 100), pdf).CharactersUndrawn, 0);
    const TGrey g = Render(dir, pdf);
    EXPECT_GT(g.Ink(10, 20, 100, 70), 40) << "the shaped word is blank";
    const std::string text = Tool("pdftotext " + Quoted(pdf) + " -");
    EXPECT_NE(text.find("\u0628\u064A\u062A"), std::string::npos) << text;
    EXPECT_NE(text.find("\u0627\u0644"), std::string::npos) << text;
}

TEST(PdfWriterTest, WordAndCharacterSpacingPutEveryWordWhereTheLayoutMeasuredIt) {
    TFonts fonts;
    REQUIRE_FONTS(fonts);
    REQUIRE_POPPLER();
    const TTestFont sans(fonts.Sans, 0, 0.5), italic(fonts.Sans, 0, 0.5, false, true);
    // 10 pt at half an em: 5 pt a character, 1 pt of tracking after each, 7 more after a space.
    // The emoji lies outside the Basic Multilingual Plane: not drawn, its room kept.
    auto justified = Text(sans, 30, 50, u"ab cd \U0001F600 ef", 10);
    justified.CharSpacing = 1;
    justified.WordSpacing = 7;
    auto slanted = Text(italic, 30, 100, u"ab cd ef", 10);
    slanted.CharSpacing = 1;
    slanted.WordSpacing = 7;
    TScratchFolder dir;
    const auto pdf = dir / L"spacing.pdf";
    pdf::WritePdf(OnePage({justified, slanted}), pdf);

    const std::string html = Tool("pdftotext -bbox " + Quoted(pdf) + " -");
    const std::regex word("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>");
    std::vector<std::pair<std::string, double>> found;  // "word@line", where it starts
    for (auto it = std::sregex_iterator(html.begin(), html.end(), word); it != std::sregex_iterator(); ++it) {
        const char* line = std::stod((*it)[2].str()) < 75 ? "@1" : "@2";
        found.emplace_back((*it)[3].str() + line, std::stod((*it)[1].str()));
    }
    // The gap the emoji leaves makes two columns of the first line: order by line, then x.
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return std::make_pair(a.first.back(), a.second) < std::make_pair(b.first.back(), b.second);
    });
    const std::vector<std::pair<std::string, double>> expected = {
        {"ab@1", 30}, {"cd@1", 30 + 3 * 6 + 7}, {"ef@1", 30 + 3 * 6 + 7 + 3 * 6 + 7 + 2 * 6 + 7},
        {"ab@2", 30}, {"cd@2", 30 + 3 * 6 + 7}, {"ef@2", 30 + 2 * (3 * 6 + 7)}};
    ASSERT_EQ(found.size(), expected.size()) << html;
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].first, expected[i].first);
        EXPECT_NEAR(found[i].second, expected[i].second, 0.05) << found[i].first;
    }
}

// Fonts' widths are seldom whole thousandths of an em, and viewers take a default width (DW)
// only when it is a whole number: the words must still start where the layout put them.
TEST(PdfWriterTest, WidthsThatAreNotWholeNumbersPlaceWordsExactly) {
    TFonts fonts;
    REQUIRE_FONTS(fonts);
    REQUIRE_POPPLER();
    const TTestFont sans(fonts.Sans, 0, 0.55615234);
    TScratchFolder dir;
    const auto pdf = dir / L"widths.pdf";
    pdf::WritePdf(OnePage({Text(sans, 30, 50, u"hoho hoho hoho", 10)}), pdf);
    const std::string html = Tool("pdftotext -bbox " + Quoted(pdf) + " -");
    const std::regex word("<word xMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>");
    std::vector<double> starts;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), word); it != std::sregex_iterator(); ++it)
        starts.push_back(std::stod((*it)[1].str()));
    ASSERT_EQ(starts.size(), 3u) << html;
    for (std::size_t i = 0; i < starts.size(); ++i) EXPECT_NEAR(starts[i], 30 + i * 5 * 5.5615234, 0.05);
}

// One file drawn as itself and as a stand-in with another family's widths: each font's widths are
// its own, so both lines' words start where the layout put them, and the text still reads.
TEST(PdfWriterTest, AStandInWithAnotherFamilysWidthsGetsAFontOfItsOwn) {
    TFonts fonts;
    REQUIRE_FONTS(fonts);
    REQUIRE_POPPLER();
    const int family = 0;
    TTestFont own(fonts.Sans, 0, 0.5), standIn(fonts.Sans, 0, 0.6);
    standIn.WidthsOf = &family;
    TScratchFolder dir;
    const auto pdf = dir / L"stand-in.pdf";
    pdf::WritePdf(OnePage({Text(own, 30, 50, u"hoho hoho", 10), Text(standIn, 30, 100, u"hoho hoho", 10)}), pdf);
    const std::string html = Tool("pdftotext -bbox " + Quoted(pdf) + " -");
    const std::regex word("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>hoho</word>");
    std::vector<std::pair<double, double>> starts;  // line, x
    for (auto it = std::sregex_iterator(html.begin(), html.end(), word); it != std::sregex_iterator(); ++it)
        starts.emplace_back(std::stod((*it)[2].str()), std::stod((*it)[1].str()));
    std::sort(starts.begin(), starts.end());
    ASSERT_EQ(starts.size(), 4u) << html;
    EXPECT_NEAR(starts[1].second, 30 + 5 * 5, 0.05);
    EXPECT_NEAR(starts[3].second, 30 + 5 * 6, 0.05);
    EXPECT_EQ(NonEmptyLines(Tool("pdffonts " + Quoted(pdf))).size(), 4u);  // two header lines, two fonts
}

TEST(PdfWriterTest, SyntheticBoldThickensAndSyntheticItalicSlants) {
    TFonts fonts;
    REQUIRE_FONTS(fonts);
    REQUIRE_POPPLER();
    const TTestFont regular(fonts.Sans), bold(fonts.Sans, 0, 0.5, true), italic(fonts.Sans, 0, 0.5, false, true);
    // An "l" is one upright stem: the ink of its top and bottom rows lies in one column.
    layout::TLaidOutDocument document;
    for (const auto* font : {&regular, &bold, &italic})
        document.Pages.push_back({200, 200, {Text(*font, 80, 150, u"l", 100)}});
    TScratchFolder dir;
    const auto pdf = dir / L"styles.pdf";
    pdf::WritePdf(document, pdf);

    struct TStem {
        int Ink = 0;
        double Lean = 0;  // how far right the top rows' ink lies of the bottom rows'
    };
    auto measure = [&](int page) {
        const TGrey g = Render(dir, pdf, page);
        auto centre = [&](int y0, int y1) {
            double sum = 0, n = 0;
            for (int y = y0; y < y1; ++y)
                for (int x = 0; x < g.Width; ++x)
                    if (g.At(x, y) < 128) sum += x, ++n;
            return n ? sum / n : 0;
        };
        return TStem{g.Ink(0, 0, g.Width, g.Height), centre(85, 95) - centre(135, 145)};
    };
    const TStem upright = measure(1), thick = measure(2), slanted = measure(3);
    ASSERT_GT(upright.Ink, 500);
    EXPECT_GT(thick.Ink, upright.Ink * 1.2);
    EXPECT_NEAR(upright.Lean, 0, 1);
    EXPECT_NEAR(thick.Lean, 0, 1);
    EXPECT_NEAR(slanted.Lean, 50 * 0.2126, 2);  // 50 pt up at a slant of 12 degrees
}

doc::TPathSegment Segment(doc::TPathSegment::TKind kind, doc::TPoint p, doc::TPoint c1 = {}, doc::TPoint c2 = {}) {
    doc::TPathSegment s;
    s.Kind = kind;
    s.P = p;
    s.C1 = c1;
    s.C2 = c2;
    return s;
}

TEST(PdfWriterTest, LinesAndPathsAreDrawnWithTheirDashFillAndTransparency) {
    REQUIRE_POPPLER();
    layout::TLineItem dashed;
    dashed.From = {20, 20};
    dashed.To = {180, 20};
    dashed.Stroke.Width = 4;
    dashed.Stroke.Dash = {10, 10};
    layout::TPathItem square;  // half-transparent black over white: mid grey
    square.Path = {Segment(doc::TPathSegment::skMove, {20, 50}), Segment(doc::TPathSegment::skLine, {80, 50}),
                   Segment(doc::TPathSegment::skLine, {80, 110}), Segment(doc::TPathSegment::skLine, {20, 110}),
                   Segment(doc::TPathSegment::skClose, {})};
    square.Fill = doc::TColor{0, 0, 0, 0.5};
    layout::TPathItem outline;  // a curve, stroked only, no segment before its first point
    outline.Path = {Segment(doc::TPathSegment::skLine, {120, 60}),
                    Segment(doc::TPathSegment::skCurve, {180, 60}, {130, 40}, {170, 40})};
    outline.Stroke = doc::TStroke{3, {0, 0, 0, 1}, {}};
    layout::TLineItem solid;  // after the dashed line: the dash must not stay
    solid.From = {20, 150};
    solid.To = {180, 150};
    solid.Stroke.Width = 2;
    TScratchFolder dir;
    const auto pdf = dir / L"shapes.pdf";
    pdf::WritePdf(OnePage({dashed, square, outline, solid}), pdf);

    const TGrey g = Render(dir, pdf);
    struct TProbe {
        int X, Y, Min, Max;
    };
    for (const auto& p : {TProbe{25, 20, 0, 60}, TProbe{35, 20, 200, 255}, TProbe{45, 20, 0, 60},  // dashes
                          TProbe{50, 80, 100, 155}, TProbe{100, 80, 200, 255},                     // the square
                          TProbe{150, 45, 0, 100}, TProbe{150, 60, 200, 255},                      // the curve
                          TProbe{35, 150, 0, 60}, TProbe{95, 150, 0, 60}})                         // solid
        EXPECT_TRUE(g.At(p.X, p.Y) >= p.Min && g.At(p.X, p.Y) <= p.Max) << p.X << "," << p.Y << ": " << g.At(p.X, p.Y);
}

// A gradient blends from stop to stop along its angle, inside the shape only; what is drawn
// after it keeps its own colour and transparency.
TEST(PdfWriterTest, AGradientBlendsInsideItsShapeAlongItsAngle) {
    REQUIRE_POPPLER();
    using S = doc::TPathSegment;
    layout::TPathItem band;  // black at the top, white at the bottom (drawn at half opacity)
    band.Path = {Segment(S::skMove, {20, 20}), Segment(S::skLine, {180, 20}), Segment(S::skLine, {180, 100}),
                 Segment(S::skLine, {20, 100}), Segment(S::skClose, {})};
    band.Gradient = doc::TGradient{{{0, {0, 0, 0, 1}}, {0.5, {0.5, 0.5, 0.5, 1}}, {1, {1, 1, 1, 0.5}}}, 270};
    band.Fill = doc::TColor{1, 0, 0, 1};  // the solid stand-in, not drawn
    layout::TPathItem triangle;  // left to right, black to black: a black triangle
    triangle.Path = {Segment(S::skMove, {20, 120}), Segment(S::skLine, {180, 120}), Segment(S::skLine, {20, 180}),
                     Segment(S::skClose, {})};
    triangle.Gradient = doc::TGradient{{{0, {0, 0, 0, 1}}, {1, {0, 0, 0, 0.2}}}, 0};
    layout::TPathItem square;  // opaque black after them
    square.Path = {Segment(S::skMove, {150, 150}), Segment(S::skLine, {180, 150}), Segment(S::skLine, {180, 180}),
                   Segment(S::skLine, {150, 180}), Segment(S::skClose, {})};
    square.Fill = doc::TColor{0, 0, 0, 1};
    TScratchFolder dir;
    const auto pdf = dir / L"gradient.pdf";
    pdf::WritePdf(OnePage({band, triangle, square}), pdf);

    const TGrey g = Render(dir, pdf);
    EXPECT_LT(g.At(100, 22), 30) << "the first stop at the top";
    EXPECT_NEAR(g.At(100, 60), 128, 25) << "the middle stop";
    EXPECT_GT(g.At(100, 97), 225) << "the last stop at the foot";
    EXPECT_LT(g.At(30, 125), 40) << "inside the triangle";
    EXPECT_EQ(g.At(150, 140), 255) << "outside the triangle, inside its bounds";
    EXPECT_LT(g.At(165, 165), 10) << "the square after it";
}

// Links open what they name where the layout put them, with no box drawn; targets a PDF should
// not open are left out, not the page.
TEST(PdfWriterTest, LinksBecomeAnnotationsOverTheirAreas) {
    REQUIRE_POPPLER();
    auto link = [](doc::TRect area, std::wstring target) { return layout::TLinkItem{area, std::move(target)}; };
    TScratchFolder dir;
    const auto pdf = dir / L"links.pdf";
    pdf::WritePdf(OnePage({link({20, 30, 60, 12}, L"https://example.com/a b"), link({20, 60, 40, 10}, L"www.example.org"),
                           link({20, 90, 40, 10}, L"javascript:alert(1)"), link({20, 120, 40, 10}, L"file:///etc/passwd"),
                           link({20, 150, 0, 10}, L"https://empty.example.com")}),
                  pdf);
    const auto rows = NonEmptyLines(Tool("pdfinfo -url " + Quoted(pdf)));
    ASSERT_EQ(rows.size(), 3u);  // the header and two links
    EXPECT_NE(rows[1].find("https://example.com/a%20b"), std::string::npos) << rows[1];
    EXPECT_NE(rows[2].find("http://www.example.org"), std::string::npos) << rows[2];
    const auto bytes = ReadFile(pdf);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(/Rect \[ ?20 158 80 170 ?\])"))) << "the first link's area";
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(/Border \[ ?0 0 0 ?\])")));
}

// Link areas past the document's bound are not made (their text is drawn like any other) and
// are counted; those within it are all written.
TEST(PdfWriterTest, LinkAreasPastTheBoundAreCountedNotWritten) {
    std::vector<layout::TPageItem> items;
    for (std::size_t i = 0; i < doc::limits::kMaxLinkAreas + 3; ++i)
        items.emplace_back(layout::TLinkItem{{double(i % 100) * 2, double(i / 100) * 0.5, 1, 0.5}, L"https://example.com/"});
    TScratchFolder dir;
    const auto pdf = dir / L"links.pdf";
    EXPECT_EQ(pdf::WritePdf(OnePage(std::move(items)), pdf).LinksPastLimit, 3);
    const auto bytes = ReadFile(pdf);
    const std::string text(bytes.begin(), bytes.end());
    std::size_t links = 0;
    for (auto at = text.find("/Subtype /Link"); at != std::string::npos; at = text.find("/Subtype /Link", at + 1)) ++links;
    EXPECT_EQ(links, doc::limits::kMaxLinkAreas);
}

// pdfimages -list rows after its header: type, width, height, colour, encoding.
std::vector<std::string> ImageList(const std::wstring& pdf) {
    std::vector<std::string> rows;
    const auto lines = NonEmptyLines(Tool("pdfimages -list " + Quoted(pdf)));
    for (std::size_t i = 2; i < lines.size(); ++i) {
        std::istringstream in(lines[i]);
        std::string page, num, type, width, height, color, comp, bpc, enc;
        in >> page >> num >> type >> width >> height >> color >> comp >> bpc >> enc;
        rows.push_back(type + " " + width + "x" + height + " " + color + " " + enc);
    }
    return rows;
}

TEST(PdfWriterTest, PngKeepsEveryPixelAndItsAlphaAndJpegGoesInUnchanged) {
    REQUIRE_POPPLER();
    TScratchFolder dir;
    // 5 x 3 pixels, every one different, alpha from clear to opaque.
    std::vector<std::uint8_t> rgba;
    for (int i = 0; i < 15; ++i)
        rgba.insert(rgba.end(),
                    {std::uint8_t(i * 17), std::uint8_t(255 - i * 9), std::uint8_t(i * i), std::uint8_t(i * 18)});
    WriteFile(dir / L"alpha.png", Png(5, 3, 4, rgba));
    WriteFile(dir / L"photo.jpg", kJpeg);
    const auto pdf = dir / L"pictures.pdf";
    pdf::WritePdf(
        OnePage({Picture(dir / L"alpha.png", {10, 10, 50, 30}), Picture(dir / L"photo.jpg", {10, 100, 160, 80}),
                 Picture(dir / L"alpha.png", {100, 10, 50, 30})}),  // the same file: one image
        pdf);

    EXPECT_EQ(ImageList(pdf),
              (std::vector<std::string>{"image 5x3 rgb image", "smask 5x3 gray image", "image 16x8 rgb jpeg",
                                        "image 5x3 rgb image", "smask 5x3 gray image"}));
    const auto bytes = ReadFile(pdf);
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), kJpeg.begin(), kJpeg.end()), bytes.end());
    EXPECT_EQ(Info(pdf).at("PDF version"), "1.4");  // soft masks

    // Lossless: the colours and the alpha come back exactly (pdfimages writes both as PPM).
    Tool("pdfimages -f 1 -l 1 " + Quoted(pdf) + " " + Quoted(dir / L"out"));
    auto samples = [&](const std::wstring& file, std::size_t count) {
        const auto data = ReadFile(file);
        return std::vector<std::uint8_t>(data.end() - static_cast<std::ptrdiff_t>(std::min(count, data.size())),
                                         data.end());
    };
    std::vector<std::uint8_t> rgb, alpha;
    for (int i = 0; i < 15; ++i) {
        rgb.insert(rgb.end(), rgba.begin() + 4 * i, rgba.begin() + 4 * i + 3);
        alpha.insert(alpha.end(), 3, rgba[4 * i + 3]);
    }
    EXPECT_EQ(samples(dir / L"out-000.ppm", rgb.size()), rgb);
    EXPECT_EQ(samples(dir / L"out-001.ppm", alpha.size()), alpha);
}

TEST(PdfWriterTest, APictureThatCannotBeReadBecomesItsThumbnailOrAGreyFrame) {
    REQUIRE_POPPLER();
    TScratchFolder dir;
    std::vector<std::uint8_t> red;
    for (int i = 0; i < 4; ++i) red.insert(red.end(), {255, 0, 0});
    WriteFile(dir / L"thumb.png", Png(2, 2, 3, red));
    WriteFile(dir / L"scan.tiff", std::string("II*\0 not really a TIFF", 22));
    auto png = Png(2, 2, 3, red);
    png.resize(png.size() - 20);  // damaged
    WriteFile(dir / L"cut.png", png);
    struct TCase {
        std::wstring File, Thumbnail;
        bool Shown;  // else the frame, counted as missing (no file named) or unreadable
    };
    for (const auto& c :
         {TCase{L"missing.png", L"", false}, TCase{L"scan.tiff", L"thumb.png", true}, TCase{L"scan.tiff", L"", false},
          TCase{L"cut.png", L"missing.png", false}, TCase{L"", L"thumb.png", true}, TCase{L"", L"", false}}) {
        const auto pdf = dir / L"out.pdf";
        const auto file = c.File.empty() ? std::wstring() : dir / c.File;
        const pdf::TPdfWritten written =
            pdf::WritePdf(OnePage({Picture(file, {50, 50, 100, 60}, c.Thumbnail.empty() ? L"" : dir / c.Thumbnail)}), pdf);
        const bool named = !c.File.empty() || !c.Thumbnail.empty();
        EXPECT_EQ(written.PicturesMissing, !c.Shown && !named ? 1 : 0);
        EXPECT_EQ(written.PicturesUnreadable, !c.Shown && named ? 1 : 0);
        const TGrey g = Render(dir, pdf);
        if (c.Shown) {
            EXPECT_EQ(ImageList(pdf).size(), 1u);
            EXPECT_LT(g.At(100, 80), 128) << "inside the picture";
        } else {
            EXPECT_TRUE(ImageList(pdf).empty());
            EXPECT_EQ(g.At(100, 80), 255) << "an empty frame";
            EXPECT_LT(g.Darkest(50, 80), 230) << "its grey edge";
            EXPECT_LT(g.Darkest(100, 109), 230) << "its grey edge";
        }
    }
}

// A file is decoded once however many pictures show it (each with a thumbnail of its own); a
// JPEG claiming more pixels than a decoded picture may hold shows its thumbnail; what decoding
// makes is paid from the document's budget.
TEST(PdfWriterTest, PicturesAreDecodedOnceWithinTheLimits) {
    REQUIRE_POPPLER();
    TScratchFolder dir;
    std::vector<std::uint8_t> red;
    for (int i = 0; i < 4; ++i) red.insert(red.end(), {255, 0, 0});
    WriteFile(dir / L"red.png", Png(2, 2, 3, red));
    WriteFile(dir / L"thumb-a.png", Png(2, 2, 3, red));
    WriteFile(dir / L"thumb-b.png", Png(2, 2, 3, red));
    auto huge = kJpeg;
    const std::vector<std::uint8_t> frame = {0xFF, 0xC0, 0x00, 0x11, 0x08};
    const auto sof = std::search(huge.begin(), huge.end(), frame.begin(), frame.end()) - huge.begin();
    for (int i = 5; i < 9; ++i) huge[static_cast<std::size_t>(sof + i)] = 0xFF;  // 65535 x 65535
    WriteFile(dir / L"huge.jpg", huge);
    const auto pdf = dir / L"pictures.pdf";
    pdf::WritePdf(OnePage({Picture(dir / L"red.png", {10, 10, 50, 30}, dir / L"thumb-a.png"),
                           Picture(dir / L"red.png", {100, 10, 50, 30}, dir / L"thumb-b.png"),
                           Picture(dir / L"huge.jpg", {10, 100, 50, 30}, dir / L"thumb-a.png")}),
                  pdf);
    EXPECT_EQ(ImageList(pdf), (std::vector<std::string>{"image 2x2 rgb image", "image 2x2 rgb image",
                                                        "image 2x2 rgb image"}));
    const std::string bytes = [&] {
        const auto data = ReadFile(pdf);
        return std::string(data.begin(), data.end());
    }();
    std::size_t images = 0;
    for (auto at = bytes.find("/Subtype /Image"); at != std::string::npos; at = bytes.find("/Subtype /Image", at + 1))
        ++images;
    EXPECT_EQ(images, 2u) << "red.png once, thumb-a.png once";

    // What decoding makes is paid first: a picture the budget cannot pay is left out, counted
    // once per placement, and shows its thumbnail or its frame; the rest is still written.
    std::vector<std::uint8_t> grey(200 * 200 * 3, 0x80);
    WriteFile(dir / L"grey.png", Png(200, 200, 3, grey));
    platform::TExpansionBudget budget(60'000);
    const auto over = dir / L"over.pdf";
    const pdf::TPdfWritten written = pdf::WritePdf(OnePage({Picture(dir / L"grey.png", {10, 10, 50, 30}),
                                                           Picture(dir / L"grey.png", {10, 100, 50, 30},
                                                                   dir / L"thumb-a.png"),
                                                           Picture(dir / L"red.png", {100, 100, 50, 30})}),
                                                  over, budget);
    EXPECT_EQ(written.PicturesOverBudget, 2);
    EXPECT_EQ(written.PicturesUnreadable, 0);
    EXPECT_EQ(ImageList(over), (std::vector<std::string>{"image 2x2 rgb image", "image 2x2 rgb image"}))
        << "the thumbnail and the picture within the budget";
}

TEST(PdfWriterTest, ClipCutsThePictureAndRotationTurnsItAboutTheFrameCentre) {
    REQUIRE_POPPLER();
    TScratchFolder dir;
    std::vector<std::uint8_t> black(4 * 3, 0);
    WriteFile(dir / L"black.png", Png(2, 2, 3, black));
    struct TCase {
        doc::TRect Frame, Clip;
        double Rotation;
        int InkLeft, InkTop, InkRight, InkBottom;  // the inked box, to a point
    };
    for (const auto& c : {TCase{{40, 80, 120, 40}, {40, 80, 120, 40}, 0, 40, 80, 160, 120},
                          TCase{{40, 80, 120, 40}, {40, 80, 60, 40}, 0, 40, 80, 100, 120},
                          TCase{{40, 80, 120, 40}, {}, 90, 80, 40, 120, 160},
                          // counter-clockwise: the left half turns down
                          TCase{{40, 80, 120, 40}, {40, 80, 60, 40}, 90, 80, 100, 120, 160}}) {
        auto item = Picture(dir / L"black.png", c.Frame);
        item.Clip = c.Clip;
        item.Rotation = c.Rotation;
        const auto pdf = dir / L"out.pdf";
        pdf::WritePdf(OnePage({item}), pdf);
        const TGrey g = Render(dir, pdf);
        int left = g.Width, top = g.Height, right = 0, bottom = 0;
        for (int y = 0; y < g.Height; ++y)
            for (int x = 0; x < g.Width; ++x)
                if (g.At(x, y) < 128)
                    left = std::min(left, x), top = std::min(top, y), right = std::max(right, x + 1),
                    bottom = std::max(bottom, y + 1);
        EXPECT_NEAR(left, c.InkLeft, 1) << c.Rotation;
        EXPECT_NEAR(top, c.InkTop, 1) << c.Rotation;
        EXPECT_NEAR(right, c.InkRight, 1) << c.Rotation;
        EXPECT_NEAR(bottom, c.InkBottom, 1) << c.Rotation;
    }
}

// A mask's outline cuts the picture to its shape: a triangle shows the picture inside it only.
TEST(PdfWriterTest, AMaskOutlineCutsThePictureToItsShape) {
    REQUIRE_POPPLER();
    TScratchFolder dir;
    std::vector<std::uint8_t> black(4 * 3, 0);
    WriteFile(dir / L"black.png", Png(2, 2, 3, black));
    auto item = Picture(dir / L"black.png", {40, 40, 120, 120});
    item.ClipPath = {Segment(doc::TPathSegment::skMove, {40, 40}), Segment(doc::TPathSegment::skLine, {160, 40}),
                     Segment(doc::TPathSegment::skLine, {100, 160}), Segment(doc::TPathSegment::skClose, {})};
    const auto pdf = dir / L"mask.pdf";
    pdf::WritePdf(OnePage({item}), pdf);
    const TGrey g = Render(dir, pdf);
    EXPECT_LT(g.At(100, 60), 60);    // inside the triangle
    EXPECT_GT(g.At(50, 150), 200);   // in the frame, outside the triangle
    EXPECT_GT(g.At(150, 150), 200);
}

TEST(PdfWriterTest, AFileThatCannotBeCreatedRaisesAndLeavesNothing) {
    TScratchFolder dir;
    const auto pdf = dir / L"no such folder\\out.pdf";
    EXPECT_THROW(pdf::WritePdf(OnePage({}), pdf), EFCreateError);
    EXPECT_FALSE(FileExists(pdf));
    EXPECT_FALSE(FileExists(dir / L"no such folder"));

    // An existing file is replaced.
    WriteFile(dir / L"old.pdf", std::string(100000, 'x'));
    pdf::WritePdf(OnePage({}), dir / L"old.pdf");
    const auto bytes = ReadFile(dir / L"old.pdf");
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 5), "%PDF-");
    EXPECT_LT(bytes.size(), 100000u);
}

TEST(PdfWriterTest, AFontThatCannotBeEmbeddedRaisesAnErrorNamingItAndWhy) {
    TFonts fonts;
    TScratchFolder dir;
    WriteFile(dir / L"junk.ttf", std::string(4000, '\x01'));
    WriteFile(dir / L"cff.otf", std::string("OTTO\0\x0A\0\x80\0\x03\0\x20", 12));
    struct TCase {
        std::wstring Path;
        int Face;
        std::wstring Why;
    };
    std::vector<TCase> cases = {{dir / L"missing.ttf", 0, L"cannot be opened"},
                                {dir / L"junk.ttf", 0, L"is no TrueType font"},
                                {dir / L"cff.otf", 0, L"PostScript outlines"}};
    if (!fonts.Sans.empty()) {
        // The same font with fsType 2, "restricted licence embedding".
        auto bytes = ReadFile(fonts.Sans);
        for (std::size_t i = 0, n = bytes[4] << 8 | bytes[5]; i < n; ++i) {
            const std::uint8_t* record = &bytes[12 + 16 * i];
            if (std::string(record, record + 4) != "OS/2") continue;
            const std::size_t offset = std::size_t(record[8]) << 24 | record[9] << 16 | record[10] << 8 | record[11];
            bytes[offset + 8] = 0;
            bytes[offset + 9] = 2;
        }
        WriteFile(dir / L"restricted.ttf", bytes);
        cases.push_back({dir / L"restricted.ttf", 0, L"licence forbids"});
        cases.push_back({fonts.Sans, 3, L"has no face 3"});
    }
    for (const auto& c : cases) {
        const TTestFont font(c.Path, c.Face);
        const auto pdf = dir / L"out.pdf";
        try {
            pdf::WritePdf(OnePage({Text(font, 20, 50, u"x")}), pdf);
            ADD_FAILURE() << "no error for " << ToNative(c.Path);
        } catch (const pdf::EPdfError& e) {
            EXPECT_NE(e.Message().find(c.Path), std::wstring::npos) << e.what();
            EXPECT_NE(e.Message().find(c.Why), std::wstring::npos) << e.what();
        }
        EXPECT_FALSE(FileExists(pdf));
    }
}

}  // namespace
