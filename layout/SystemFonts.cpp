#include "layout/SystemFonts.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "layout/TrueTypeFont.h"
#include "platform/Exception.h"
#include "platform/FontLookup.h"

namespace layout {
namespace {

enum class TFontClass { fcSans, fcSerif, fcMono, fcCjkSans, fcCjkSerif };

// Line metrics in ems that Pages uses for a family, where they are known and differ from the
// stand-in's: Helvetica Neue's own hhea (952/213/28 per 1000), and Helvetica's (1577/471/0 per 2048)
// plus the 20% of ascent and descent AppKit adds as line spacing for Helvetica (WebKit's font code
// says so: "The AppKit adjustment of 20%"). The layout rounds each of the three to whole points:
// Helvetica 11 pt then spaces 13 pt, Helvetica Neue 11 pt 12 pt, as measured in Pages' page pictures
// (13.0 to 13.16, 12.0). Palatino's lines are about 1.33 em apart (Palatino Linotype's hhea is 2100 +
// 612 per 2048): 12 pt lines at 1.2 spacing measured 19.2 pt over a page (16 x 1.2), 14 pt bold ones
// 23.0 (19 x 1.2), far more than any stand-in's.
// Times, like Helvetica, is one em high (its hhea: 1536/512/0 per 2048, as Pages' PDFs embed it) plus
// AppKit's 20% (12 pt lines 14.0 pt apart, where Liberation Serif's metrics would give 15).
struct TVertical {
    double Ascent, Descent, LineGap;
    bool AppKitGap = false;  // the gap is AppKit's addition, the face's own tables have none
};
constexpr TVertical kHelvetica{1577.0 / 2048, 471.0 / 2048, 0.2, true};
constexpr TVertical kHelveticaNeue{0.952, 0.213, 0.028};
// Its light and bold faces are taller (their own hhea: 967/213/29 and 975/217/29): a 12 pt bold or
// light line is a point taller than a regular one.
constexpr TVertical kHelveticaNeueLight{0.967, 0.213, 0.029};
constexpr TVertical kHelveticaNeueBold{0.975, 0.217, 0.029};
constexpr TVertical kPalatino{1.0, 0.33, 0};
constexpr TVertical kTimes{0.75, 0.25, 0.2, true};
// The hhea tables of Apple's faces, as the PDFs Pages exports embed them (ascender, descender, line
// gap over units per em), where no stand-in shares them: Avenir and Avenir Next 1000/366/0 per 1000
// (every face), Trebuchet MS 1923/455/0 per 2048, Lucida Grande 1980/432/0 per 2048, Geneva
// 2048/512/171 per 2048, Didot 941/299/24 per 1000, Montserrat 968/251/0 per 1000, Songti SC
// 1060/340/0 per 1000. PingFang (SC, TC) embeds as CFF without hhea; its descriptor gives 1060 and
// 340, and lines of it measure as those with no gap: 10.5 pt lines 15 pt apart (11 + 4), 12 pt ones
// 17 (13 + 4), and 22.1 at 1.3 spacing.
constexpr TVertical kAvenir{1.0, 0.366, 0};
constexpr TVertical kTrebuchet{1923.0 / 2048, 455.0 / 2048, 0};
constexpr TVertical kLucidaGrande{1980.0 / 2048, 432.0 / 2048, 0};
constexpr TVertical kGeneva{1.0, 0.25, 171.0 / 2048};
constexpr TVertical kDidot{0.941, 0.299, 0.024};
constexpr TVertical kMontserrat{0.968, 0.251, 0};
constexpr TVertical kPingFang{1.06, 0.34, 0};

// Advance widths (per 1000 em) of a family that stand-ins draw but that sets wider or narrower than
// they do: text measured with the family's own widths wraps where Pages wraps it.
struct TWidths {
    std::wstring_view Key;                     // the family, folded: a face of it needs no correction
    std::array<std::uint16_t, 95> Ascii;       // U+0020 to U+007E
    std::vector<std::pair<char32_t, std::uint16_t>> Other;

    double Of(char32_t c) const {
        if (c >= 0x20 && c < 0x7F) return Ascii[c - 0x20];
        for (const auto& [code, width] : Other)
            if (code == c) return width;
        return 0;
    }
};

// Helvetica Neue (roman), from its AFM metrics. Checked against 30 lines of 11 pt text in Pages' page
// pictures (ink extent plus the side bearings of the end glyphs): these widths miss by 0.64 pt a line on
// average, Arial's by 2.0 (1.7 too narrow). Sets about 1% wider than Arial, hyphen 17% wider.
const TWidths kHelveticaNeueWidths{
    L"helveticaneue",
    {278, 259, 426, 556, 556, 889, 630, 278, 259, 259, 370, 600, 278, 389, 278, 333,  // space to /
     556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 600, 600, 600, 556,  // 0 to ?
     800, 648, 685, 722, 704, 611, 574, 759, 722, 259, 519, 667, 556, 871, 722, 760,  // @ to O
     648, 760, 685, 648, 574, 722, 611, 926, 611, 648, 611, 259, 333, 259, 600, 500,  // P to _
     222, 537, 593, 537, 593, 537, 296, 574, 556, 222, 222, 519, 222, 853, 556, 574,  // ` to o
     593, 593, 333, 500, 315, 556, 500, 758, 518, 500, 480, 333, 222, 333, 600},      // p to ~
    {{0x2013, 500}, {0x2014, 1000}, {0x2018, 278}, {0x2019, 278}, {0x201C, 426}, {0x201D, 426},
     {0x201A, 278}, {0x201E, 426}, {0x2022, 500}, {0x2026, 1000}, {0x00A0, 278}, {0x00AD, 389}}};

struct TKnownFamily {
    std::wstring_view Key;  // folded as FoldName folds
    TFontClass Class;
    std::vector<const wchar_t*> Families;  // the family itself first, then stand-ins, best first
    const TVertical* Vertical = nullptr;
    const TWidths* Widths = nullptr;  // the family's advances, for stand-ins
    // Faces whose own metrics differ from the regular one's: light (below 400) and bold (600 up).
    const TVertical* LightVertical = nullptr;
    const TVertical* BoldVertical = nullptr;

    const TVertical* VerticalOf(int weight) const {
        if (weight < 400 && LightVertical) return LightVertical;
        if (weight >= 600 && BoldVertical) return BoldVertical;
        return Vertical;
    }
};

// The fonts Pages documents name (Mac system fonts, Office fonts), with stand-ins: metric-compatible
// ones first (Liberation for Arial, Times New Roman and Courier New, Carlito for Calibri, Caladea
// for Cambria, DejaVu Sans Mono for Menlo, which is drawn from it), else a face of similar width
// (Charis SIL, drawn from Charter, sets text as wide as Palatino: within 1% for the roman, 6% bold).
// Families not listed fall to their class's generic faces.
const std::vector<TKnownFamily>& KnownFamilies() {
    static const std::vector<TKnownFamily> table = {
        {L"helveticaneue", TFontClass::fcSans, {L"Helvetica Neue", L"Arial", L"Liberation Sans", L"Arimo"},
         &kHelveticaNeue, &kHelveticaNeueWidths, &kHelveticaNeueLight, &kHelveticaNeueBold},
        {L"helvetica", TFontClass::fcSans, {L"Helvetica", L"Arial", L"Liberation Sans", L"Arimo"}, &kHelvetica},
        {L"arialnarrow", TFontClass::fcSans, {L"Arial Narrow", L"Liberation Sans Narrow"}},
        {L"arialunicode", TFontClass::fcSans, {L"Arial Unicode MS", L"Arial", L"Liberation Sans"}},
        {L"arial", TFontClass::fcSans, {L"Arial", L"Liberation Sans", L"Arimo"}},
        {L"timesnewroman", TFontClass::fcSerif, {L"Times New Roman", L"Liberation Serif", L"Tinos"}},
        {L"times", TFontClass::fcSerif, {L"Times", L"Times New Roman", L"Liberation Serif", L"Tinos"}, &kTimes},
        {L"couriernew", TFontClass::fcMono, {L"Courier New", L"Liberation Mono", L"Cousine"}},
        {L"courier", TFontClass::fcMono, {L"Courier", L"Courier New", L"Liberation Mono", L"Cousine"}},
        {L"menlo", TFontClass::fcMono, {L"Menlo", L"DejaVu Sans Mono", L"Consolas"}},
        {L"monaco", TFontClass::fcMono, {L"Monaco", L"DejaVu Sans Mono", L"Consolas"}},
        {L"sfmono", TFontClass::fcMono, {L"SF Mono", L"DejaVu Sans Mono", L"Consolas"}},
        {L"andalemono", TFontClass::fcMono, {L"Andale Mono", L"DejaVu Sans Mono", L"Consolas"}},
        {L"consolas", TFontClass::fcMono, {L"Consolas", L"DejaVu Sans Mono"}},
        {L"calibri", TFontClass::fcSans, {L"Calibri", L"Carlito"}},
        {L"cambria", TFontClass::fcSerif, {L"Cambria", L"Caladea"}},
        {L"palatino", TFontClass::fcSerif, {L"Palatino", L"Palatino Linotype", L"Book Antiqua", L"Charis SIL"},
         &kPalatino},
        {L"bookantiqua", TFontClass::fcSerif, {L"Book Antiqua", L"Palatino Linotype", L"Charis SIL"}, &kPalatino},
        {L"georgia", TFontClass::fcSerif, {L"Georgia", L"Gelasio"}},
        {L"verdana", TFontClass::fcSans, {L"Verdana", L"DejaVu Sans"}},
        {L"tahoma", TFontClass::fcSans, {L"Tahoma", L"DejaVu Sans"}},
        {L"lucidagrande", TFontClass::fcSans, {L"Lucida Grande", L"Lucida Sans Unicode", L"DejaVu Sans"},
         &kLucidaGrande},
        {L"gillsans", TFontClass::fcSans, {L"Gill Sans", L"Gill Sans MT", L"Calibri", L"Carlito"}},
        {L"avenirnext", TFontClass::fcSans, {L"Avenir Next", L"Avenir"}, &kAvenir},
        {L"avenir", TFontClass::fcSans, {L"Avenir", L"Avenir Next"}, &kAvenir},
        {L"futura", TFontClass::fcSans, {L"Futura"}},
        {L"optima", TFontClass::fcSans, {L"Optima"}},
        {L"trebuchet", TFontClass::fcSans, {L"Trebuchet MS"}, &kTrebuchet},
        {L"segoeui", TFontClass::fcSans, {L"Segoe UI"}},
        {L"sfpro", TFontClass::fcSans, {L"SF Pro Text", L"Segoe UI"}},
        {L"sfns", TFontClass::fcSans, {L"Segoe UI"}},
        {L"sanfrancisco", TFontClass::fcSans, {L"Segoe UI"}},
        {L"baskerville", TFontClass::fcSerif, {L"Baskerville", L"Baskerville Old Face", L"Libre Baskerville"}},
        {L"didot", TFontClass::fcSerif, {L"Didot", L"Bodoni MT"}, &kDidot},
        {L"bodoni", TFontClass::fcSerif, {L"Bodoni 72", L"Bodoni MT"}},
        {L"americantypewriter", TFontClass::fcSerif, {L"American Typewriter"}},
        {L"hoeflertext", TFontClass::fcSerif, {L"Hoefler Text", L"Garamond"}},
        {L"garamond", TFontClass::fcSerif, {L"Garamond", L"EB Garamond"}},
        {L"cochin", TFontClass::fcSerif, {L"Cochin"}},
        {L"charter", TFontClass::fcSerif, {L"Charter", L"Bitstream Charter", L"Charis SIL"}},
        {L"bigcaslon", TFontClass::fcSerif, {L"Big Caslon"}},
        {L"comicsans", TFontClass::fcSans, {L"Comic Sans MS"}},
        {L"geneva", TFontClass::fcSans, {L"Geneva", L"Verdana", L"DejaVu Sans"}, &kGeneva},
        {L"montserrat", TFontClass::fcSans, {L"Montserrat"}, &kMontserrat},
        {L"applecoloremoji", TFontClass::fcSans, {L"Segoe UI Emoji", L"Segoe UI Symbol", L"DejaVu Sans"}},
        {L"pingfang", TFontClass::fcCjkSans, {L"PingFang SC"}, &kPingFang},
        {L"hiraginosans", TFontClass::fcCjkSans, {L"Hiragino Sans"}},
        {L"hirakaku", TFontClass::fcCjkSans, {L"Hiragino Kaku Gothic ProN"}},
        {L"hiramin", TFontClass::fcCjkSerif, {L"Hiragino Mincho ProN"}},
        {L"stheiti", TFontClass::fcCjkSans, {L"Heiti SC"}},
        {L"heiti", TFontClass::fcCjkSans, {L"Heiti SC"}},
        {L"songti", TFontClass::fcCjkSerif, {L"Songti SC"}, &kPingFang},  // the same hhea
        {L"stsong", TFontClass::fcCjkSerif, {L"STSong"}, &kPingFang},
        {L"applesdgothic", TFontClass::fcCjkSans, {L"Apple SD Gothic Neo", L"Malgun Gothic"}},
    };
    return table;
}

const std::vector<const wchar_t*>& GenericFamilies(TFontClass c) {
    static const std::vector<const wchar_t*> sans = {L"Arial", L"Liberation Sans", L"Arimo", L"DejaVu Sans"};
    static const std::vector<const wchar_t*> serif = {L"Times New Roman", L"Liberation Serif", L"Tinos",
                                                      L"DejaVu Serif"};
    static const std::vector<const wchar_t*> mono = {L"Courier New", L"Liberation Mono", L"Cousine",
                                                     L"DejaVu Sans Mono"};
    static const std::vector<const wchar_t*> cjkSans = {L"Microsoft YaHei", L"WenQuanYi Micro Hei",
                                                        L"WenQuanYi Zen Hei", L"SimHei", L"Meiryo", L"MS Gothic",
                                                        L"Malgun Gothic", L"Droid Sans Fallback"};
    static const std::vector<const wchar_t*> cjkSerif = {L"SimSun", L"MS Mincho", L"Batang", L"AR PL UMing CN",
                                                         L"Microsoft YaHei", L"WenQuanYi Micro Hei",
                                                         L"WenQuanYi Zen Hei", L"Droid Sans Fallback"};
    switch (c) {
        case TFontClass::fcSerif: return serif;
        case TFontClass::fcMono: return mono;
        case TFontClass::fcCjkSans: return cjkSans;
        case TFontClass::fcCjkSerif: return cjkSerif;
        default: return sans;
    }
}

// Faces with wide coverage, for characters the document's font lacks.
const std::vector<const wchar_t*>& FallbackFamilies(TFontClass c) {
    static const std::vector<const wchar_t*> sans = {L"DejaVu Sans", L"Segoe UI", L"Arial Unicode MS",
                                                     L"Segoe UI Symbol", L"Lucida Sans Unicode"};
    static const std::vector<const wchar_t*> serif = {L"DejaVu Serif", L"Times New Roman", L"Cambria",
                                                      L"DejaVu Sans", L"Segoe UI", L"Arial Unicode MS",
                                                      L"Segoe UI Symbol"};
    static const std::vector<const wchar_t*> mono = {L"DejaVu Sans Mono", L"Consolas", L"Courier New",
                                                     L"DejaVu Sans", L"Segoe UI", L"Segoe UI Symbol"};
    switch (c) {
        case TFontClass::fcSerif: return serif;
        case TFontClass::fcMono: return mono;
        default: return sans;
    }
}

bool IsCjk(char32_t c) {
    return (c >= 0x1100 && c < 0x1200) || (c >= 0x2E80 && c < 0xA000) || (c >= 0xAC00 && c < 0xD7B0) ||
           (c >= 0xF900 && c < 0xFB00) || (c >= 0xFE30 && c < 0xFE50) || (c >= 0xFF00 && c < 0xFFF0) ||
           (c >= 0x20000 && c < 0x32000);
}

bool IsHangul(char32_t c) {
    return (c >= 0x1100 && c < 0x1200) || (c >= 0x3130 && c < 0x3190) || (c >= 0xA960 && c < 0xA980) ||
           (c >= 0xAC00 && c < 0xD800);
}

// Pages sets Chinese characters that the document's font lacks in PingFang and spaces their lines by
// its metrics, whatever face stands in for it here. Japanese text may go to Hiragino instead, whose
// lines are taller still (PingFang is the nearer of the two known heights); Hangul goes to a face
// whose line metrics are not known, and keeps the stand-in's.
const TVertical* FallbackVertical(char32_t c) { return IsCjk(c) && !IsHangul(c) ? &kPingFang : nullptr; }

// Lower-case ASCII letters and digits only: "Helvetica Neue", "HelveticaNeue" and "helvetica-neue"
// fold alike.
std::wstring FoldName(std::wstring_view name) {
    std::wstring folded;
    for (wchar_t ch : name) {
        if (ch >= L'A' && ch <= L'Z')
            folded.push_back(static_cast<wchar_t>(ch - L'A' + L'a'));
        else if ((ch >= L'a' && ch <= L'z') || (ch >= L'0' && ch <= L'9') || ch > 0x7F)
            folded.push_back(ch);
    }
    return folded;
}

bool Contains(std::wstring_view s, std::wstring_view part) { return s.find(part) != std::wstring_view::npos; }

// Style words of a PostScript name's style part ("BoldItalicMT", "Heavy", "W6", "LightOblique").
void ReadStyle(std::wstring_view style, bool& bold, bool& italic) {
    for (std::wstring_view word : {L"bold", L"black", L"heavy", L"demi", L"w6", L"w7", L"w8", L"w9"})
        bold = bold || Contains(style, word);
    for (std::wstring_view word : {L"italic", L"oblique", L"slant", L"inclined", L"kursiv"})
        italic = italic || Contains(style, word);
    italic = italic || style.ends_with(L"it") || Contains(style, L"ital");
}

// The weight a style part names, on OpenType's scale; 0 when it names none. Longer words first:
// "ultralight" holds "light", "semibold" holds "bold".
int ReadWeight(std::wstring_view style) {
    static const std::pair<std::wstring_view, int> words[] = {
        {L"hairline", 100}, {L"ultralight", 200}, {L"extralight", 200}, {L"semilight", 350},
        {L"demilight", 350}, {L"thin", 100},      {L"light", 300},      {L"medium", 500},
        {L"semibold", 600}, {L"demibold", 600},   {L"extrabold", 800},  {L"ultrabold", 800},
        {L"heavy", 800},    {L"black", 900},      {L"demi", 600},       {L"bold", 700},
    };
    for (const auto& [word, weight] : words)
        if (Contains(style, word)) return weight;
    return 0;
}

// Weights between regular and bold or below regular are worth another family: a light title set in
// a regular face looks heavy. Heavier ones take the family's bold, as they always have.
bool SeeksWeight(int weight) { return weight < 400 || (weight > 400 && weight < 600); }

// A face of the weight's kind: lighter than regular for a light one, between regular and bold for a
// medium one.
bool WeightFits(int got, int wanted) {
    return wanted < 400 ? got < 400 : wanted < 600 ? got > 400 && got < 600 : got >= 600;
}

// Families with many weights, for weights the document's family and its stand-ins lack: Roboto
// (fonts-roboto-unhinted) sets text as wide as Arial, its light faces a little narrower, as Helvetica
// Neue's are; Segoe UI's light and semilight faces come with Windows.
const std::vector<const wchar_t*>& WeightFamilies(TFontClass c) {
    static const std::vector<const wchar_t*> sans = {L"Roboto", L"Segoe UI", L"Open Sans", L"Noto Sans",
                                                     L"Source Sans Pro", L"Lato"};
    static const std::vector<const wchar_t*> none;
    return c == TFontClass::fcSans ? sans : none;
}

// How GDI names the families it files separate weights under ("Segoe UI Light", "Roboto Medium").
const std::vector<std::pair<const wchar_t*, int>>& WeightNames() {
    static const std::vector<std::pair<const wchar_t*, int>> names = {
        {L"Thin", 100},      {L"Hairline", 100},  {L"ExtraLight", 200}, {L"UltraLight", 200},
        {L"Light", 300},     {L"SemiLight", 350}, {L"Semilight", 350},  {L"Medium", 500},
    };
    return names;
}

TFontClass GuessClass(std::wstring_view family) {
    for (std::wstring_view word : {L"mono", L"courier", L"code", L"consol", L"typewriter", L"fixed", L"terminal"})
        if (Contains(family, word)) return TFontClass::fcMono;
    if (Contains(family, L"sans") || Contains(family, L"gothic") || Contains(family, L"grotesk"))
        return TFontClass::fcSans;
    for (std::wstring_view word :
         {L"serif", L"times", L"roman", L"garamond", L"book", L"caslon", L"baskerville", L"bodoni", L"didot",
          L"minion", L"antiqua", L"century", L"charter", L"clarendon", L"constantia", L"cochin", L"goudy",
          L"jenson", L"sabon", L"bembo", L"perpetua", L"rockwell", L"slab", L"oldstyle", L"merriweather",
          L"playfair", L"lora", L"crimson", L"cormorant", L"utopia", L"palatino", L"georgia",
          L"cambria", L"mincho", L"song", L"ming"})
        if (Contains(family, word)) return TFontClass::fcSerif;
    return TFontClass::fcSans;
}

// "MinionPro" -> "Minion Pro": GDI wants a family spelt with its blanks.
std::wstring SplitCamelCase(std::wstring_view name) {
    std::wstring out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const wchar_t ch = name[i];
        if (i > 0 && ch >= L'A' && ch <= L'Z' && name[i - 1] >= L'a' && name[i - 1] <= L'z') out.push_back(L' ');
        out.push_back(ch);
    }
    return out;
}

// What a document's font name asks for.
struct TRequest {
    const TKnownFamily* Known = nullptr;
    std::vector<std::wstring> OwnFamilies;  // the name's family as written (for fonts we don't list)
    TFontClass Class = TFontClass::fcSans;
    bool Bold = false;
    bool Italic = false;
    int Weight = 400;  // OpenType's scale
};

TRequest ParseName(const std::wstring& name, bool bold, bool italic) {
    TRequest request;
    request.Bold = bold;
    request.Italic = italic;
    const std::wstring folded = FoldName(name);
    std::size_t bestLength = 0;
    for (const auto& known : KnownFamilies()) {
        if (known.Key.size() > bestLength && folded.starts_with(known.Key)) {
            request.Known = &known;
            bestLength = known.Key.size();
        }
    }
    std::wstring_view family = name;
    std::wstring style;
    if (request.Known) {
        style = folded.substr(bestLength);
        request.Class = request.Known->Class;
    } else {
        // A PostScript name: family, hyphen, style. Else a family name, maybe with style words behind.
        const std::size_t hyphen = name.rfind(L'-');
        if (hyphen != std::wstring::npos && hyphen > 0) {
            family = std::wstring_view(name).substr(0, hyphen);
            style = FoldName(std::wstring_view(name).substr(hyphen + 1));
        } else {
            std::size_t end = name.size();
            while (end > 0) {
                const std::size_t space = name.rfind(L' ', end - 1);
                if (space == std::wstring::npos || space == 0) break;
                const std::wstring word = FoldName(std::wstring_view(name).substr(space + 1, end - space - 1));
                bool b = false, i = false;
                ReadStyle(word, b, i);
                if (!b && !i && ReadWeight(word) == 0 && word != L"regular" && word != L"roman" && word != L"book")
                    break;
                style += word;
                end = space;
            }
            family = std::wstring_view(name).substr(0, end);
        }
        const std::wstring own(family);
        if (!own.empty()) {
            request.OwnFamilies.push_back(own);
            const std::wstring spaced = SplitCamelCase(own);
            if (spaced != own) request.OwnFamilies.push_back(spaced);
        }
        request.Class = GuessClass(FoldName(family));
    }
    ReadStyle(style, request.Bold, request.Italic);
    const int named = ReadWeight(style);
    request.Weight = named ? named : 400;
    // The run's bold flag asks for the family's bold, whatever the name says.
    if (request.Bold && request.Weight < 600) request.Weight = 700;
    return request;
}

// A face as the layout gets it: the file's metrics, with what Pages would use instead where
// that differs, and what the writer must make up.
class TMatchedFont final : public TFont {
public:
    TMatchedFont(const TTrueTypeFont& face, bool syntheticBold, bool syntheticItalic, const TVertical* vertical,
                 TFontClass fontClass, bool bold, bool italic)
        : FFace(face), FSyntheticBold(syntheticBold), FSyntheticItalic(syntheticItalic), FVertical(vertical),
          FClass(fontClass), FBold(bold), FItalic(italic) {}

    // Advances set to the family's widths: each glyph scaled by the family's width over the width of
    // the stand-in family's regular face (the reference), so a bold or light stand-in keeps its own
    // weight's extra width; glyphs the table lacks scale by the letters' mean ratio.
    void SetWidths(const TWidths& widths, const TTrueTypeFont& reference) {
        FWidths = &widths;
        FReference = &reference;
        double wanted = 0, got = 0;
        for (char32_t c = U'a'; c <= U'z'; ++c) {
            wanted += widths.Of(c) / 1000;
            got += reference.Advance(c);
        }
        FMeanRatio = got > 0 ? wanted / got : 1;
    }

    const TFontFile& File() const override { return FFace.File(); }
    std::wstring FamilyName() const override { return FFace.FamilyName(); }
    double Ascent() const override { return FVertical ? FVertical->Ascent : FFace.Ascent(); }
    double Descent() const override { return FVertical ? FVertical->Descent : FFace.Descent(); }
    double LineGap() const override { return FVertical ? FVertical->LineGap : FFace.LineGap(); }
    double TableLineGap() const override {
        return FVertical ? (FVertical->AppKitGap ? 0 : FVertical->LineGap) : FFace.LineGap();
    }
    double UnderlinePosition() const override { return FFace.UnderlinePosition(); }
    double UnderlineThickness() const override { return FFace.UnderlineThickness(); }
    double CapHeight() const override { return FFace.CapHeight(); }
    double LeftBearing(char32_t c) const override { return FFace.LeftBearing(c); }
    bool HasGlyph(char32_t c) const override { return FFace.HasGlyph(c); }
    double Advance(char32_t c) const override {
        const double own = FFace.Advance(c);
        if (!FWidths || own <= 0) return own;
        const double wanted = FWidths->Of(c) / 1000;
        const double reference = wanted > 0 ? FReference->Advance(c) : 0;
        return reference > 0 ? own * wanted / reference : own * FMeanRatio;
    }
    const void* WidthsKey() const override { return FWidths; }
    bool SyntheticBold() const override { return FSyntheticBold; }
    bool SyntheticItalic() const override { return FSyntheticItalic; }

    const TTrueTypeFont& Face() const { return FFace; }
    TFontClass Class() const { return FClass; }
    // The style the document asked for.
    bool Bold() const { return FBold; }
    bool Italic() const { return FItalic; }

private:
    const TTrueTypeFont& FFace;
    bool FSyntheticBold, FSyntheticItalic;
    const TVertical* FVertical;
    TFontClass FClass;
    bool FBold, FItalic;
    const TWidths* FWidths = nullptr;
    const TTrueTypeFont* FReference = nullptr;
    double FMeanRatio = 1;
};

class TSystemFontProvider final : public IFontProvider {
public:
    explicit TSystemFontProvider(const std::wstring& scratchFolder) : FLookup(scratchFolder) {}

    const TFont& Match(const std::wstring& name, bool bold, bool italic) override {
        std::wstring key = name;
        key += bold ? L"|b" : L"|-";
        key += italic ? L'i' : L'-';
        if (auto it = FMatches.find(key); it != FMatches.end()) return *it->second;
        const TFont& font = Resolve(ParseName(name, bold, italic));
        FMatches.emplace(std::move(key), &font);
        return font;
    }

    const TFont* Fallback(char32_t c, const TFont& like) override {
        if (like.HasGlyph(c)) return &like;
        const auto* matched = dynamic_cast<const TMatchedFont*>(&like);
        TFontClass fontClass = matched ? matched->Class() : TFontClass::fcSans;
        const bool bold = matched ? matched->Bold() : like.SyntheticBold();
        const bool italic = matched ? matched->Italic() : like.SyntheticItalic();
        if (IsCjk(c))
            fontClass = fontClass == TFontClass::fcSerif || fontClass == TFontClass::fcCjkSerif
                            ? TFontClass::fcCjkSerif
                            : TFontClass::fcCjkSans;
        else if (fontClass == TFontClass::fcCjkSans || fontClass == TFontClass::fcCjkSerif)
            fontClass = TFontClass::fcSans;
        const TVertical* vertical = FallbackVertical(c);

        // Faces found for a block of 128 code points serve its other characters first: scripts
        // come in blocks, and most of a document's fallbacks hit the same few faces.
        const auto blockKey = std::make_tuple(static_cast<std::uint32_t>(c >> 7), fontClass, bold, italic);
        auto& block = FBlocks[blockKey];
        for (const TTrueTypeFont* face : block)
            if (face->HasGlyph(c)) return &Wrap(*face, vertical, fontClass, bold, italic);
        if (FMissing.contains(c)) return nullptr;

        std::vector<std::wstring> families;
        if (fontClass == TFontClass::fcCjkSans || fontClass == TFontClass::fcCjkSerif) {
            for (const wchar_t* f : GenericFamilies(fontClass)) families.emplace_back(f);
        } else {
            for (const wchar_t* f : FallbackFamilies(fontClass)) families.emplace_back(f);
        }
        for (const auto& family : families) {
            const TTrueTypeFont* face = Load(FLookup.Find(family, bold, italic));
            if (face && face->HasGlyph(c)) return &Remember(block, *face, vertical, fontClass, bold, italic);
        }
        for (const auto& found : FLookup.FindCovering(c, bold, italic, 4)) {
            const TTrueTypeFont* face = Load(found);
            if (face && face->HasGlyph(c)) return &Remember(block, *face, vertical, fontClass, bold, italic);
        }
        FMissing.insert(c);
        return nullptr;
    }

private:
    const TFont& Remember(std::vector<const TTrueTypeFont*>& block, const TTrueTypeFont& face,
                          const TVertical* vertical, TFontClass fontClass, bool bold, bool italic) {
        if (std::find(block.begin(), block.end(), &face) == block.end()) block.push_back(&face);
        return Wrap(face, vertical, fontClass, bold, italic);
    }

    // The face of the family nearest the weight, also under the names GDI gives single weights.
    const TTrueTypeFont* FindWeight(const std::wstring& family, int weight, bool italic, bool mustFit) {
        const auto found = FLookup.Find(family, weight, italic);
        if (found && (!mustFit || WeightFits(found->Weight, weight)))
            if (const TTrueTypeFont* face = Load(found)) return face;
        if (!SeeksWeight(weight)) return nullptr;
        std::vector<std::pair<const wchar_t*, int>> names;
        for (const auto& name : WeightNames())
            if (WeightFits(name.second, weight)) names.push_back(name);
        std::stable_sort(names.begin(), names.end(), [&](const auto& a, const auto& b) {
            return std::abs(a.second - weight) < std::abs(b.second - weight);
        });
        for (const auto& [name, nameWeight] : names) {
            const auto named = FLookup.Find(family + L" " + name, weight, italic);
            if (named && WeightFits(named->Weight, weight))
                if (const TTrueTypeFont* face = Load(named)) return face;
        }
        return nullptr;
    }

    const TFont& Resolve(const TRequest& request) {
        const TVertical* vertical = request.Known ? request.Known->VerticalOf(request.Weight) : nullptr;
        const TWidths* widths = request.Known ? request.Known->Widths : nullptr;
        const int weight = request.Weight;
        std::vector<std::wstring> families = request.OwnFamilies;
        if (request.Known)
            for (const wchar_t* f : request.Known->Families) families.emplace_back(f);
        // A light or medium weight: the family or a stand-in that has it, else a family with many
        // weights, else the regular face of the first family found.
        if (SeeksWeight(weight)) {
            std::vector<std::wstring> seek = families;
            for (const wchar_t* f : WeightFamilies(request.Class)) seek.emplace_back(f);
            for (const auto& family : seek)
                if (const TTrueTypeFont* face = FindWeight(family, weight, request.Italic, true))
                    return Wrap(*face, vertical, request.Class, request.Bold, request.Italic, widths);
        }
        for (const wchar_t* f : GenericFamilies(request.Class)) families.emplace_back(f);
        for (const auto& family : families)
            if (const TTrueTypeFont* face = Load(FLookup.Find(family, weight, request.Italic)))
                return Wrap(*face, vertical, request.Class, request.Bold, request.Italic, widths);
        // Nothing we know of: whatever the system calls sans-serif (or serif, monospace) will do.
        const platform::TGenericFamily generic =
            request.Class == TFontClass::fcSerif || request.Class == TFontClass::fcCjkSerif
                ? platform::TGenericFamily::gfSerif
            : request.Class == TFontClass::fcMono ? platform::TGenericFamily::gfMonospace
                                                  : platform::TGenericFamily::gfSans;
        for (auto g : {generic, platform::TGenericFamily::gfSans, platform::TGenericFamily::gfSerif})
            if (const TTrueTypeFont* face = Load(FLookup.FindGeneric(g, request.Bold, request.Italic)))
                return Wrap(*face, vertical, request.Class, request.Bold, request.Italic, widths);
        for (const auto& found : FLookup.FindCovering(U'a', request.Bold, request.Italic, 8))
            if (const TTrueTypeFont* face = Load(found))
                return Wrap(*face, vertical, request.Class, request.Bold, request.Italic, widths);
        throw Exception(L"No TrueType font is installed on this system: the document's text can't be laid out.");
    }

    // One face per file and index for the provider's lifetime; a file that can't be read is
    // remembered as such and passed over.
    const TTrueTypeFont* Load(const std::optional<platform::TFontFace>& found) {
        if (!found) return nullptr;
        const TFontFile file{found->Path, found->FaceIndex};
        const auto key = std::make_pair(file.Path, file.FaceIndex);
        if (auto it = FFaces.find(key); it != FFaces.end()) return it->second.get();
        std::unique_ptr<TTrueTypeFont> face;
        try {
            face = TTrueTypeFont::Open(file);
        } catch (const Exception&) {
            // A damaged or CFF-only installed font is the system's, not the document's: use another.
        }
        return FFaces.emplace(key, std::move(face)).first->second.get();
    }

    const TFont& Wrap(const TTrueTypeFont& face, const TVertical* vertical, TFontClass fontClass, bool bold,
                      bool italic, const TWidths* widths = nullptr) {
        // The family itself installed measures as it is.
        if (widths && FoldName(face.FamilyName()).starts_with(widths->Key)) widths = nullptr;
        const bool syntheticBold = bold && !face.IsBold();
        const bool syntheticItalic = italic && !face.IsItalic();
        const auto key = std::make_tuple(&face, vertical, fontClass, bold, italic, widths);
        auto& slot = FWrapped[key];
        if (!slot) {
            slot = std::make_unique<TMatchedFont>(face, syntheticBold, syntheticItalic, vertical, fontClass, bold,
                                                  italic);
            if (widths) {
                const TTrueTypeFont* regular = Load(FLookup.Find(face.FamilyName(), 400, face.IsItalic()));
                slot->SetWidths(*widths, regular && !regular->IsBold() ? *regular : face);
            }
        }
        return *slot;
    }

    platform::TFontLookup FLookup;
    std::map<std::pair<std::wstring, int>, std::unique_ptr<TTrueTypeFont>> FFaces;
    std::map<std::tuple<const TTrueTypeFont*, const TVertical*, TFontClass, bool, bool, const TWidths*>,
             std::unique_ptr<TMatchedFont>>
        FWrapped;
    std::unordered_map<std::wstring, const TFont*> FMatches;
    std::map<std::tuple<std::uint32_t, TFontClass, bool, bool>, std::vector<const TTrueTypeFont*>> FBlocks;
    std::set<char32_t> FMissing;
};

}  // namespace

std::unique_ptr<IFontProvider> MakeSystemFontProvider(const std::wstring& scratchFolder) {
    return std::make_unique<TSystemFontProvider>(scratchFolder);
}

}  // namespace layout
