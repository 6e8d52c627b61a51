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

#include "pdf/PdfWriter.h"
#include "support/TestSupport.h"

using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::ScratchFolder;
using testing_support::ToNative;
using testing_support::WriteFile;

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
    bool HasGlyph(char32_t) const override { return true; }
    double Advance(char32_t) const override { return FAdvance; }
    bool SyntheticBold() const override { return FBold; }
    bool SyntheticItalic() const override { return FItalic; }

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
};

#define REQUIRE_FONTS(fonts)                                                                               \
    if ((fonts).Sans.empty() || (fonts).Cjk.empty())                                                      \
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
    int Ink(int x0, int y0, int x1, int y1) const {  // dark pixels in [x0, x1) x [y0, y1)
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += At(x, y) < 128;
        return n;
    }
};

TGrey Render(const ScratchFolder& dir, const std::wstring& pdf, int page = 1) {
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

// A PNG of 8-bit RGBA or RGB pixels, each row unfiltered.
std::vector<std::uint8_t> Png(int width, int height, int channels, const std::vector<std::uint8_t>& pixels) {
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&](const char* type, const std::vector<std::uint8_t>& data) {
        const auto n = static_cast<std::uint32_t>(data.size());
        png.insert(png.end(), {std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)});
        std::vector<std::uint8_t> body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        png.insert(png.end(), body.begin(), body.end());
        const uLong crc = crc32(0, body.data(), static_cast<uInt>(body.size()));
        png.insert(png.end(), {std::uint8_t(crc >> 24), std::uint8_t(crc >> 16), std::uint8_t(crc >> 8), std::uint8_t(crc)});
    };
    chunk("IHDR", {0, 0, 0, std::uint8_t(width), 0, 0, 0, std::uint8_t(height),
                   8,                                 // bit depth
                   std::uint8_t(channels == 4 ? 6 : 2),  // colour type: RGBA or RGB
                   0, 0, 0});                         // compression, filter, interlace
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        const auto row = pixels.begin() + std::ptrdiff_t(y) * width * channels;
        raw.insert(raw.end(), row, row + width * channels);
    }
    std::vector<std::uint8_t> packed(compressBound(static_cast<uLong>(raw.size())));
    uLongf packedSize = static_cast<uLongf>(packed.size());
    compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()));
    packed.resize(packedSize);
    chunk("IDAT", packed);
    chunk("IEND", {});
    return png;
}

std::vector<std::uint8_t> FromHex(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(std::uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
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
    const TTestFont sans(fonts.Sans), boldSans(fonts.Sans, 0, 0.5, true), cjk(fonts.Cjk);
    layout::TLaidOutDocument document;
    document.Title = L"Mé vznášedlo";
    document.Pages.push_back({595.28, 841.89,
                              {Text(sans, 72, 100, u"Mé vznášedlo je plné úhořů."),
                               Text(boldSans, 72, 130, u"Mój poduszkowiec jest pełen węgorzy."),
                               Text(cjk, 72, 160, u"中文")}});
    document.Pages.push_back({612, 792, {Text(sans, 72, 100, u"Druhá strana")}});
    ScratchFolder dir;
    const auto pdf = dir / L"out.pdf";
    pdf::WritePdf(document, pdf);

    // Warnings from poppler (an unreadable ToUnicode map, say) would show in the text.
    EXPECT_EQ(NonEmptyLines(Tool("pdftotext -f 1 -l 1 " + Quoted(pdf) + " -")),
              (std::vector<std::string>{"Mé vznášedlo je plné úhořů.", "Mój poduszkowiec jest pełen węgorzy.", "中文"}));
    EXPECT_EQ(NonEmptyLines(Tool("pdftotext -f 2 -l 2 " + Quoted(pdf) + " -")), std::vector<std::string>{"Druhá strana"});

    const auto info = Info(pdf, "-f 1 -l 2");
    EXPECT_EQ(info.at("Title"), "Mé vznášedlo");
    EXPECT_EQ(info.at("Creator"), "pages2pdf");
    EXPECT_EQ(info.at("Producer"), "pages2pdf");
    EXPECT_EQ(info.at("Pages"), "2");
    EXPECT_EQ(info.at("Page    1 size"), "595.28 x 841.89 pts (A4)");
    EXPECT_EQ(info.at("Page    2 size"), "612 x 792 pts (letter)");

    // One font a file, embedded as a subset with a map back to Unicode.
    const auto lines = NonEmptyLines(Tool("pdffonts " + Quoted(pdf)));
    ASSERT_EQ(lines.size(), 4u) << Tool("pdffonts " + Quoted(pdf));
    for (std::size_t i = 2; i < lines.size(); ++i) {
        EXPECT_TRUE(std::regex_search(lines[i], std::regex("^[A-Z]{6}\\+(LiberationSans|WenQuanYiMicroHei) ")))
            << lines[i];
        EXPECT_TRUE(std::regex_search(lines[i], std::regex(" yes +yes +yes +[0-9]+ +0$"))) << lines[i];
    }
}

TEST(PdfWriterTest, FontsAreSubsetsAndTheFileStaysSmall) {
    TFonts fonts;
    REQUIRE_FONTS(fonts);
    const TTestFont sans(fonts.Sans), cjk(fonts.Cjk);
    ScratchFolder dir;
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
    ScratchFolder dir;
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
}  // namespace
