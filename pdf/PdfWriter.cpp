#include "pdf/PdfWriter.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <numbers>
#include <set>
#include <span>
#include <unordered_map>
#include <utility>

#include "document/Limits.h"
#include "pdf/FontFace.h"
#include "pdf/HaruDocument.h"
#include "pdf/Images.h"
#include "pdf/LinkTarget.h"
#include "document/Document.h"
#include "layout/TrueTypeFont.h"
#include "layout/Unicode.h"
#include "platform/File.h"
#include "platform/FileSystem.h"

namespace pdf {
namespace {

constexpr double kItalicSkew = 0.2126;                      // tan 12 degrees, about the slant of designed italics
constexpr double kBoldStroke = 0.03;                        // outline width of synthetic bold, in ems
constexpr double kMaxFontSize = 600;                        // libharu's HPDF_MAX_FONTSIZE; larger text is scaled
constexpr double kMinCharSpace = -30, kMaxCharSpace = 300;  // libharu's limits for Tc
constexpr double kMinPageSize = 3;                          // the PDF limit libharu enforces; the largest is the model's
constexpr double kMaxPageSize = doc::limits::kMaxPageLength;
constexpr double kFrameGrey = 0.6, kFrameWidth = 0.5;       // a picture that cannot be shown

bool Finite(std::initializer_list<double> values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

double Unit(double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; }

// Alpha in thousandths: the key of a cached graphics state.
int AlphaKey(double a) { return static_cast<int>(std::lround(Unit(a) * 1000)); }

// A character of the Basic Multilingual Plane that is its own two-byte code (the codes are
// Unicode values): no control characters, no surrogates.
bool Drawable(char32_t c) { return c >= 0x20 && c < 0xFFFF && (c < 0xD800 || c > 0xDFFF); }

// Glyphs that are no character's own, and characters past the Basic Multilingual Plane, take
// codes among the surrogates, which are never characters and so never codes of their own.
constexpr char32_t kFirstPrivateCode = 0xD800, kLastPrivateCode = 0xDFFF;

// A character that should show something: missing from every face, it is reported.
bool Visible(char32_t c) {
    return c >= 0x20 && (c < 0x7F || c >= 0xA0) && (c < 0xD800 || c > 0xDFFF) && c != 0xFEFF &&
           (c < 0xFE00 || c > 0xFE0F) && (c < 0x200B || c > 0x200F) && (c < 0x2060 || c > 0x206F) &&
           (c < 0xE0000 || c > 0xE0FFF) && c <= 0x10FFFF;
}

// A two-byte code in a literal string: the bytes as they are, but for the delimiters, the escape
// and the line ends (a reader would read a bare CR as LF).
void AppendCode(std::string& s, char32_t c) {
    for (const auto byte : {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)}) {
        switch (byte) {
            case '(': case ')': case '\\': s += '\\'; s += byte; break;
            case '\r': s += "\\r"; break;
            case '\n': s += "\\n"; break;
            default: s += byte; break;
        }
    }
}

// One face in the document and the codes drawn with it.
struct TEmbeddedFont {
    HPDF_Font Font = nullptr;
    TFaceTables Tables;
    layout::TFontFile File;
    std::vector<double> Widths = std::vector<double>(0x10000, -1);  // thousandths of an em; -1 unused

    // Faces over one file measure alike: the first to draw a code gives its width.
    void Use(char16_t code, double width) {
        if (Widths[code] < 0) Widths[code] = std::max(0.0, width);
    }
    // The code that draws c past the Basic Multilingual Plane; 0 when the face has no glyph for it
    // or the private codes are used up.
    char16_t SupplementaryCode(char32_t c) {
        if (!FGlyphs) FGlyphs = layout::TTrueTypeFont::Open(File);
        const std::uint16_t glyph = FGlyphs->GlyphIndex(c);
        return glyph == 0 ? 0 : PrivateCode(glyph, std::u32string(1, c));
    }
    // The code that draws a glyph standing for `text` (a ligature's letters, a joined letter, or
    // nothing for the second glyph of one character); 0 when the private codes are used up.
    char16_t PrivateCode(std::uint16_t glyph, std::u32string text) {
        auto [at, added] = FPrivate.try_emplace({glyph, std::move(text)}, char16_t{0});
        if (added) {
            if (FPrivate.size() - 1 > kLastPrivateCode - kFirstPrivateCode) {
                FPrivate.erase(at);
                return 0;
            }
            at->second = static_cast<char16_t>(kFirstPrivateCode + FPrivate.size() - 1);
        }
        return at->second;
    }
    std::vector<TCodeWidth> Codes() const {
        std::vector<TCodeWidth> codes;
        for (std::size_t c = 0; c < Widths.size(); ++c)
            if (Widths[c] >= 0) {
                TCodeWidth code;
                code.Code = static_cast<std::uint16_t>(c);
                code.Width = Widths[c];
                codes.push_back(std::move(code));
            }
        for (const auto& [key, code] : FPrivate) {
            const auto at = std::lower_bound(codes.begin(), codes.end(), code,
                                             [](const TCodeWidth& w, std::uint16_t c) { return w.Code < c; });
            if (at != codes.end() && at->Code == code) {
                at->Private = true;
                at->Glyph = key.first;
                at->Characters = key.second;
            }
        }
        return codes;
    }

private:
    std::map<std::pair<std::uint16_t, std::u32string>, char16_t> FPrivate;  // glyph and text -> code
    std::unique_ptr<layout::TTrueTypeFont> FGlyphs;  // the face's character map, read when first needed
};

struct TRgb {
    double R = 0, G = 0, B = 0;
    friend bool operator==(const TRgb&, const TRgb&) = default;
};
TRgb Rgb(const doc::TColor& c) { return {Unit(c.R), Unit(c.G), Unit(c.B)}; }

std::wstring Points(double value) {
    const std::string s = THaruDocument::Number(value);
    return std::wstring(s.begin(), s.end());
}

std::wstring FileErrorText(const wchar_t* what, const std::wstring& fileName, platform::TErrorCode error) {
    platform::TErrorCode ignored = platform::kErrorSuccess;
    std::wstring text = std::wstring(what) + L" \"" + platform::FullPathName(fileName, ignored) + L"\".";
    if (error != platform::kErrorSuccess) text += L" " + platform::SystemErrorMessage(error);
    return text;
}

// A TJ being written: codes in literal strings, moves between them in thousandths of the font
// size (positive to the left), and the text rise changed between arrays where marks need it.
class TTjArray {
public:
    explicit TTjArray(std::string& out) : FOut(out) {}
    TTjArray(const TTjArray&) = delete;
    TTjArray& operator=(const TTjArray&) = delete;

    void Move(double thousandths) { FShift += thousandths; }
    void Code(char16_t code) {
        if (FShift != 0) {
            if (FInString) FOut += ") ";
            THaruDocument::AppendNumber(FOut, FShift);
            FInString = false;
            FShift = 0;
        }
        if (!FInString) FOut += " (";
        FInString = true;
        AppendCode(FOut, code);
        ++FCodes;
    }
    // Text rise in unscaled text space units, from the next code on (a move pending stays so).
    void Rise(double rise) {
        if (rise == FRise) return;
        FOut += FInString ? ")] TJ\n" : "] TJ\n";
        THaruDocument::AppendNumber(FOut, rise);
        FOut += " Ts\n[";
        FInString = false;
        FRise = rise;
    }
    void Close() { FOut += FInString ? ")] TJ\n" : "] TJ\n"; }
    std::size_t Codes() const { return FCodes; }

private:
    std::string& FOut;
    double FShift = 0, FRise = 0;
    bool FInString = false;
    std::size_t FCodes = 0;
};

class TWriter;

// Draws one page's items, keeping track of the graphics state so that each operator is
// written only when its value changes.
class TPageWriter {
public:
    TPageWriter(TWriter& writer, HPDF_Page page, double height) : FWriter(writer), FPage(page), FHeight(height) {}
    void operator()(const layout::TTextItem& item);
    void operator()(const layout::TLineItem& item);
    void operator()(const layout::TPathItem& item);
    void operator()(const layout::TImageItem& item);
    void operator()(const layout::TLinkItem& item);
    void Finish() { EndText(); }
    // The path's segments as PDF path operators; false when nothing was drawn.
    bool AppendPath(const std::vector<doc::TPathSegment>& path);
    void FillGradient(const std::vector<doc::TPathSegment>& path, const doc::TGradient& gradient);

private:
    double Y(double y) const { return FHeight - y; }
    void AppendCharacters(const layout::TTextItem& item, TEmbeddedFont& font, TTjArray& tj);
    void AppendGlyphs(const layout::TTextItem& item, TEmbeddedFont& font, double charSpacePoints, double scale,
                      TTjArray& tj);
    char16_t OwnCode(char32_t c, double advance, TEmbeddedFont& font);
    void AppendOwnGlyphs(const layout::TTextItem& item, TEmbeddedFont& font, double charSpacePoints, TTjArray& tj);
    void BeginText();
    void EndText();
    void SetAlpha(int fill, int stroke);
    void SetFill(const TRgb& color);
    void SetStroke(const TRgb& color);
    void SetLineWidth(double width);
    void SetStroke(const doc::TStroke& stroke);
    // Font and size (scale: the text matrix's), colours, synthetic bold and tracking for the item.
    void SetTextState(const layout::TTextItem& item, HPDF_Font font, double scale);

    TWriter& FWriter;
    HPDF_Page FPage;
    double FHeight;
    // What the page's graphics state holds; PDF's initial values.
    bool FInText = false;
    HPDF_Font FFont = nullptr;
    double FFontSize = 0;
    TRgb FFill, FStrokeColor;
    double FLineWidth = 1;
    std::vector<double> FDash;
    double FCharSpace = 0;
    HPDF_TextRenderingMode FRenderMode = HPDF_FILL;
    int FFillAlpha = 1000, FStrokeAlpha = 1000;
    std::string FText;  // the TJ being built, its memory kept from item to item
};

class TWriter {
public:
    TWriter(const layout::TLaidOutDocument& document, platform::TExpansionBudget& budget)
        : FDocument(document), FBudget(budget) {}
    // The file's pieces, valid as long as the writer.
    std::vector<std::span<const std::uint8_t>> Write();

    TEmbeddedFont& Font(const layout::TFont& font);
    // A visible character that no face drawn with has: what the layout found no installed font for.
    void CountUndrawnCharacter() { ++FWritten.CharactersUndrawn; }
    // Whether one more link area may be made clickable; those past the bound are counted.
    bool TakeLinkArea() {
        if (FLinkAreas < doc::limits::kMaxLinkAreas) return ++FLinkAreas, true;
        ++FWritten.LinksPastLimit;
        return false;
    }
    HPDF_Image Image(const doc::TImage& image);
    HPDF_ExtGState Alpha(int fill, int stroke);
    // A picture that shows as an empty frame, counted by why.
    void CountUndrawn(const doc::TImage& image) {
        if (FOverBudget.contains(image.FilePath)) return;  // counted as that
        ++(image.FilePath.empty() && image.ThumbnailPath.empty() ? FWritten.PicturesMissing
                                                                 : FWritten.PicturesUnreadable);
    }
    const TPdfWritten& Written() const { return FWritten; }

private:
    HPDF_Image Picture(const std::wstring& path);

    TPdfWritten FWritten;
    const layout::TLaidOutDocument& FDocument;
    platform::TExpansionBudget& FBudget;
    THaruDocument FDoc;
    std::vector<std::pair<std::pair<layout::TFontFile, const void*>, std::unique_ptr<TEmbeddedFont>>> FFonts;
    std::unordered_map<const layout::TFont*, TEmbeddedFont*> FFontsByFace;
    std::map<std::wstring, HPDF_Image> FPictures;  // by file; nullptr: nothing readable
    std::set<std::wstring> FOverBudget;            // files whose decoding the budget refused
    std::size_t FLinkAreas = 0;
    std::map<std::pair<int, int>, HPDF_ExtGState> FAlphas;
};

TEmbeddedFont& TWriter::Font(const layout::TFont& font) {
    if (auto it = FFontsByFace.find(&font); it != FFontsByFace.end()) return *it->second;
    // A stand-in set to another family's widths gets a font of its own: its W array differs.
    const auto key = std::make_pair(font.File(), font.WidthsKey());
    const layout::TFontFile& file = key.first;
    auto same = std::find_if(FFonts.begin(), FFonts.end(), [&](const auto& f) { return f.first == key; });
    if (same == FFonts.end()) {
        auto embedded = std::make_unique<TEmbeddedFont>();
        TFontFace face = ReadFontFace(file.Path, file.FaceIndex);
        embedded->Font = FDoc.AddFont(face, file.Path);
        embedded->Tables = face.Tables;
        embedded->File = file;
        FFonts.emplace_back(key, std::move(embedded));
        same = std::prev(FFonts.end());
    }
    FFontsByFace[&font] = same->second.get();
    return *same->second;
}

HPDF_Image TWriter::Image(const doc::TImage& image) {
    HPDF_Image result = Picture(image.FilePath);
    if (FOverBudget.contains(image.FilePath)) ++FWritten.PicturesOverBudget;
    return result ? result : Picture(image.ThumbnailPath);
}

// By file, not by the picture that shows it: a document may show one large picture many
// times, each with a thumbnail of its own.
HPDF_Image TWriter::Picture(const std::wstring& path) {
    if (path.empty()) return nullptr;
    if (auto it = FPictures.find(path); it != FPictures.end()) return it->second;
    HPDF_Image result = nullptr;
    try {
        const std::optional<TRaster> raster = ReadPicture(path, FBudget);
        if (raster) result = FDoc.AddImage(*raster);
    } catch (const platform::EExpansionLimit&) {
        // One picture too many to decode is no reason to lose the document's text and the
        // pictures already paid for.
        FOverBudget.insert(path);
    }
    FPictures.emplace(path, result);
    return result;
}

HPDF_ExtGState TWriter::Alpha(int fill, int stroke) {
    auto& state = FAlphas[{fill, stroke}];
    if (!state) {
        state = HPDF_CreateExtGState(FDoc.Get());
        HPDF_ExtGState_SetAlphaFill(state, static_cast<HPDF_REAL>(fill / 1000.0));
        HPDF_ExtGState_SetAlphaStroke(state, static_cast<HPDF_REAL>(stroke / 1000.0));
        FDoc.Check(L"making a transparency");
    }
    return state;
}

std::vector<std::span<const std::uint8_t>> TWriter::Write() {
    if (!FDocument.Title.empty()) FDoc.SetTitle(FDocument.Title);
    const std::vector<layout::TPage> blank(FDocument.Pages.empty() ? 1 : 0, {doc::kA4Width, doc::kA4Height, {}});
    const auto& pages = FDocument.Pages.empty() ? blank : FDocument.Pages;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const layout::TPage& page = pages[i];
        const std::wstring what = L"writing page " + std::to_wstring(i + 1);
        if (!Finite({page.Width, page.Height}) || page.Width < kMinPageSize || page.Width > kMaxPageSize ||
            page.Height < kMinPageSize || page.Height > kMaxPageSize)
            throw EPdfError(L"Page " + std::to_wstring(i + 1) + L" measures " + Points(page.Width) + L" by " +
                            Points(page.Height) + L" points; a PDF page measures 3 to " +
                            std::to_wstring(static_cast<int>(kMaxPageSize)) + L" points.");
        HPDF_Page pdfPage = HPDF_AddPage(FDoc.Get());
        HPDF_Page_SetWidth(pdfPage, static_cast<HPDF_REAL>(page.Width));
        HPDF_Page_SetHeight(pdfPage, static_cast<HPDF_REAL>(page.Height));
        FDoc.Check(what);
        TPageWriter writer(*this, pdfPage, page.Height);
        for (const auto& item : page.Items) std::visit(writer, item);
        writer.Finish();
        FDoc.Check(what);
        FDoc.FinishPage(pdfPage);
    }
    for (const auto& [key, font] : FFonts) FDoc.FinishFont(font->Font, font->Tables, font->Codes());
    return FDoc.Save();
}

void TPageWriter::BeginText() {
    if (FInText) return;
    HPDF_Page_BeginText(FPage);
    FInText = true;
}

void TPageWriter::EndText() {
    if (!FInText) return;
    HPDF_Page_EndText(FPage);
    FInText = false;
}

void TPageWriter::SetAlpha(int fill, int stroke) {
    if (fill == FFillAlpha && stroke == FStrokeAlpha) return;
    EndText();  // a graphics state cannot be set inside a text object
    HPDF_Page_SetExtGState(FPage, FWriter.Alpha(fill, stroke));
    FFillAlpha = fill;
    FStrokeAlpha = stroke;
}

void TPageWriter::SetFill(const TRgb& color) {
    if (color == FFill) return;
    HPDF_Page_SetRGBFill(FPage, static_cast<HPDF_REAL>(color.R), static_cast<HPDF_REAL>(color.G),
                         static_cast<HPDF_REAL>(color.B));
    FFill = color;
}

void TPageWriter::SetStroke(const TRgb& color) {
    if (color == FStrokeColor) return;
    HPDF_Page_SetRGBStroke(FPage, static_cast<HPDF_REAL>(color.R), static_cast<HPDF_REAL>(color.G),
                           static_cast<HPDF_REAL>(color.B));
    FStrokeColor = color;
}

void TPageWriter::SetLineWidth(double width) {
    if (width == FLineWidth) return;
    HPDF_Page_SetLineWidth(FPage, static_cast<HPDF_REAL>(width));
    FLineWidth = width;
}

void TPageWriter::SetStroke(const doc::TStroke& stroke) {
    SetStroke(Rgb(stroke.Color));
    SetLineWidth(stroke.Width);
    std::vector<double> dash = stroke.Dash;
    const bool valid = std::all_of(dash.begin(), dash.end(), [](double d) { return std::isfinite(d) && d >= 0; });
    double total = 0;
    for (double d : dash) total += valid ? d : 0;
    if (!valid || total <= 0) dash.clear();
    if (dash == FDash) return;
    THaruDocument::SetDash(FPage, dash);
    FDash = std::move(dash);
}

void TPageWriter::SetTextState(const layout::TTextItem& item, HPDF_Font font, double scale) {
    const bool bold = item.Font->SyntheticBold();
    const int alpha = AlphaKey(item.Color.A);
    SetAlpha(alpha, bold ? alpha : FStrokeAlpha);
    BeginText();
    if (font != FFont || item.Size / scale != FFontSize) {
        HPDF_Page_SetFontAndSize(FPage, font, static_cast<HPDF_REAL>(item.Size / scale));
        FFont = font;
        FFontSize = item.Size / scale;
    }
    SetFill(Rgb(item.Color));
    if (bold) {
        SetStroke(Rgb(item.Color));
        SetLineWidth(item.Size * kBoldStroke);
    }
    const HPDF_TextRenderingMode mode = bold ? HPDF_FILL_THEN_STROKE : HPDF_FILL;
    if (mode != FRenderMode) {
        HPDF_Page_SetTextRenderingMode(FPage, mode);
        FRenderMode = mode;
    }
    const double charSpace = std::clamp(item.CharSpacing / scale, kMinCharSpace, kMaxCharSpace);
    if (charSpace != FCharSpace) {
        HPDF_Page_SetCharSpace(FPage, static_cast<HPDF_REAL>(charSpace));
        FCharSpace = charSpace;
    }
}

void TPageWriter::operator()(const layout::TTextItem& item) {
    if (!item.Font || item.Text.empty() || !(item.Size > 0) ||
        !Finite({item.X, item.Y, item.Size, item.CharSpacing, item.WordSpacing}))
        return;
    const layout::TFont& face = *item.Font;
    TEmbeddedFont& font = FWriter.Font(face);
    // Text above libharu's size limit is drawn smaller and scaled up by the text matrix.
    const double scale = item.Size > kMaxFontSize ? std::ceil(item.Size / kMaxFontSize) : 1;
    SetTextState(item, font.Font, scale);
    const double skew = face.SyntheticItalic() ? scale * kItalicSkew : 0;
    // The text matrix goes out with the TJ in one write (libharu's operator formats each number
    // through a cleared buffer of its own); nothing here reads libharu's copy of the matrix.
    FText.clear();
    for (const double v : {scale, 0.0, skew, scale, item.X, Y(item.Y)}) {
        THaruDocument::AppendNumber(FText, v);
        FText += ' ';
    }

    // One TJ: Tc spaces every glyph, but Tw only the single-byte code 32, which a two-byte font
    // never has. Word spacing, and the room of characters that cannot be drawn, are the TJ's
    // numbers, in thousandths of the font size, negative to move right.
    FText += "Tm\n[";
    TTjArray tj(FText);
    if (!item.Glyphs.empty())
        AppendGlyphs(item, font, FCharSpace * scale, scale, tj);
    else if (item.Shaped)
        AppendOwnGlyphs(item, font, FCharSpace * scale, tj);
    else
        AppendCharacters(item, font, tj);
    if (tj.Codes() == 0) return;  // nothing drawable
    tj.Close();
    THaruDocument::WriteText(FPage, FText);
}

// Text in its own order, each character its own glyph.
void TPageWriter::AppendCharacters(const layout::TTextItem& item, TEmbeddedFont& font, TTjArray& tj) {
    const layout::TFont& face = *item.Font;
    const std::u16string& text = item.Text;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        char16_t code = Drawable(c) ? static_cast<char16_t>(c) : 0;
        // A code the file has drawn before is drawable and measured: faces over one file measure alike.
        if (code == 0 || font.Widths[code] < 0) {
            const double advance = face.Advance(c);
            // A character no font has and that takes no room (a zero-width joiner, say) draws nothing.
            const bool missing = advance <= 0 && !face.HasGlyph(c);
            if (missing && Visible(c)) FWriter.CountUndrawnCharacter();
            if (!missing && c > 0xFFFF && c <= 0x10FFFF) code = font.SupplementaryCode(c);
            if (code == 0 || missing) {
                tj.Move(-(advance * item.Size + item.CharSpacing) * 1000 / item.Size);
                continue;
            }
            font.Use(code, advance * 1000);
        }
        tj.Code(code);
        if (c == U' ') tj.Move(-item.WordSpacing * 1000 / item.Size);
    }
}

// Glyphs as the layout shaped them, in drawing order: each one's code is its character's own
// where it is that character's glyph, else a private code standing for its cluster's text. The
// TJ's numbers put each where the shaping did (Tc and the code's width give the rest); marks
// raised or lowered go up by the text rise.
void TPageWriter::AppendGlyphs(const layout::TTextItem& item, TEmbeddedFont& font, double charSpacePoints,
                               double scale, TTjArray& tj) {
    const layout::TFont& face = *item.Font;
    const std::u16string& text = item.Text;
    const auto& glyphs = item.Glyphs;
    std::vector<std::uint32_t> starts;
    starts.reserve(glyphs.size());
    for (const auto& g : glyphs) starts.push_back(g.Cluster);
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    std::vector<std::uint32_t> named;  // clusters whose text a private code already stands for
    const double toThousandths = 1000 / item.Size;
    for (std::size_t k = 0; k < glyphs.size(); ++k) {
        const layout::TGlyph& g = glyphs[k];
        if (g.Cluster >= text.size()) continue;
        const auto next = std::upper_bound(starts.begin(), starts.end(), g.Cluster);
        const std::size_t end = std::min<std::size_t>(next == starts.end() ? text.size() : *next, text.size());
        const bool lastOfCluster = k + 1 == glyphs.size() || glyphs[k + 1].Cluster != g.Cluster;
        std::size_t units = 0;
        const char32_t first = layout::DecodeAt(text, g.Cluster, units);
        double wanted = g.Advance * item.Size;
        if (lastOfCluster) wanted += item.CharSpacing + (first == U' ' ? item.WordSpacing : 0);
        char16_t code = 0;
        if (g.Id != 0 && g.Character != 0) {
            code = OwnCode(g.Character, face.Advance(g.Character), font);
        } else if (g.Id != 0) {
            std::u32string stands;
            if (std::find(named.begin(), named.end(), g.Cluster) == named.end()) {
                named.push_back(g.Cluster);
                for (std::size_t i = g.Cluster; i < end; i += units) {
                    const char32_t c = layout::DecodeAt(text, i, units);
                    const bool drawnOwn = std::any_of(glyphs.begin(), glyphs.end(), [&](const layout::TGlyph& o) {
                        return o.Cluster == g.Cluster && o.Character == c;
                    });
                    if (!drawnOwn) stands += c;
                }
            }
            code = font.PrivateCode(g.Id, std::move(stands));
            if (code != 0) font.Use(code, g.Width * 1000);
        }
        if (code == 0) {
            if (g.Id == 0 && Visible(first)) FWriter.CountUndrawnCharacter();
            tj.Move(-wanted * toThousandths);
            continue;
        }
        tj.Move(-g.XOffset * 1000);
        tj.Rise(g.YOffset * item.Size / scale);
        tj.Code(code);
        tj.Move(g.XOffset * 1000);
        const double drawn = font.Widths[code] / 1000 * item.Size + charSpacePoints;
        tj.Move((drawn - wanted) * toThousandths);
    }
    tj.Rise(0);
}

// Shaped text whose glyphs are all their characters' own, in its own order: drawn as the same
// glyphs would be, each at the advance shaping gave it.
void TPageWriter::AppendOwnGlyphs(const layout::TTextItem& item, TEmbeddedFont& font, double charSpacePoints,
                                  TTjArray& tj) {
    const layout::TFont& face = *item.Font;
    const std::u16string& text = item.Text;
    const double toThousandths = 1000 / item.Size;
    auto kern = item.Kerning.begin();
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size(); i += units) {
        const char32_t c = layout::DecodeAt(text, i, units);
        const double own = face.Advance(c);
        float advance = static_cast<float>(own);
        for (; kern != item.Kerning.end() && kern->Unit <= i; ++kern)
            if (kern->Unit == i) advance = kern->Advance;
        double wanted = advance * item.Size;
        wanted += item.CharSpacing + (c == U' ' ? item.WordSpacing : 0);
        const char16_t code = OwnCode(c, own, font);
        if (code == 0) {
            tj.Move(-wanted * toThousandths);
            continue;
        }
        tj.Code(code);
        const double drawn = font.Widths[code] / 1000 * item.Size + charSpacePoints;
        tj.Move((drawn - wanted) * toThousandths);
    }
}

// The code of c's own glyph, its width (`advance`, in ems) noted; 0 when c has no code of its own
// and the private codes are used up.
char16_t TPageWriter::OwnCode(char32_t c, double advance, TEmbeddedFont& font) {
    const char16_t code = Drawable(c)                        ? static_cast<char16_t>(c)
                          : c > 0xFFFF && c <= 0x10FFFF ? font.SupplementaryCode(c)
                                                          : 0;
    if (code != 0) font.Use(code, advance * 1000);
    return code;
}

void TPageWriter::operator()(const layout::TLineItem& item) {
    if (!(item.Stroke.Width > 0) || !Finite({item.From.X, item.From.Y, item.To.X, item.To.Y, item.Stroke.Width}))
        return;
    EndText();
    SetAlpha(FFillAlpha, AlphaKey(item.Stroke.Color.A));
    SetStroke(item.Stroke);
    HPDF_Page_MoveTo(FPage, static_cast<HPDF_REAL>(item.From.X), static_cast<HPDF_REAL>(Y(item.From.Y)));
    HPDF_Page_LineTo(FPage, static_cast<HPDF_REAL>(item.To.X), static_cast<HPDF_REAL>(Y(item.To.Y)));
    HPDF_Page_Stroke(FPage);
}

void TPageWriter::operator()(const layout::TPathItem& item) {
    const bool stroke = item.Stroke && item.Stroke->Width > 0 && std::isfinite(item.Stroke->Width);
    const bool gradient = item.Gradient && item.Gradient->Stops.size() >= 2 && std::isfinite(item.Gradient->Angle);
    const bool fill = !gradient && item.Fill.has_value();
    if ((!stroke && !fill && !gradient) || item.Path.empty()) return;
    for (const auto& s : item.Path)
        if (!Finite({s.P.X, s.P.Y, s.C1.X, s.C1.Y, s.C2.X, s.C2.Y})) return;
    EndText();
    if (gradient) {
        FillGradient(item.Path, *item.Gradient);
        if (!stroke) return;
    }
    SetAlpha(fill ? AlphaKey(item.Fill->A) : FFillAlpha, stroke ? AlphaKey(item.Stroke->Color.A) : FStrokeAlpha);
    if (fill) SetFill(Rgb(*item.Fill));
    if (stroke) SetStroke(*item.Stroke);
    if (!AppendPath(item.Path)) return;
    if (fill && stroke)
        HPDF_Page_FillStroke(FPage);
    else if (fill)
        HPDF_Page_Fill(FPage);
    else
        HPDF_Page_Stroke(FPage);
}

// Bands across the shape, each of the colour the gradient has at its middle, inside the
// shape's outline: as many as keep each band within a point or two, which the eye cannot
// tell from a smooth blend.
void TPageWriter::FillGradient(const std::vector<doc::TPathSegment>& path, const doc::TGradient& gradient) {
    const double angle = gradient.Angle * std::numbers::pi / 180;
    // Along the gradient and across it, on the page (y down: counter-clockwise is -sin).
    const doc::TPoint along{std::cos(angle), -std::sin(angle)}, across{std::sin(angle), std::cos(angle)};
    double t0 = INFINITY, t1 = -INFINITY, s0 = INFINITY, s1 = -INFINITY;
    for (const auto& segment : path) {
        if (segment.Kind == doc::TPathSegment::skClose) continue;
        // A curve stays inside its control points; other segments have none.
        const bool curve = segment.Kind == doc::TPathSegment::skCurve;
        for (const doc::TPoint& p : {segment.P, curve ? segment.C1 : segment.P, curve ? segment.C2 : segment.P}) {
            const double t = p.X * along.X + p.Y * along.Y, s = p.X * across.X + p.Y * across.Y;
            t0 = std::min(t0, t);
            t1 = std::max(t1, t);
            s0 = std::min(s0, s);
            s1 = std::max(s1, s);
        }
    }
    if (!(t1 > t0) || !(s1 > s0)) return;
    HPDF_Page_GSave(FPage);  // nothing set before Q is tracked
    if (!AppendPath(path)) {
        HPDF_Page_GRestore(FPage);
        return;
    }
    HPDF_Page_Clip(FPage);
    HPDF_Page_EndPath(FPage);
    const int bands = static_cast<int>(std::clamp(std::ceil((t1 - t0) / 1.5), 2.0, 256.0));
    const auto& stops = gradient.Stops;
    for (int i = 0; i < bands; ++i) {
        const double f = (i + 0.5) / bands;
        std::size_t k = 1;
        while (k + 1 < stops.size() && stops[k].Fraction < f) ++k;
        const auto& a = stops[k - 1];
        const auto& b = stops[k];
        const double w = b.Fraction > a.Fraction ? std::clamp((f - a.Fraction) / (b.Fraction - a.Fraction), 0.0, 1.0)
                                                 : (f < a.Fraction ? 0.0 : 1.0);
        auto mix = [w](double x, double y) { return x + (y - x) * w; };
        const doc::TColor color{mix(a.Color.R, b.Color.R), mix(a.Color.G, b.Color.G), mix(a.Color.B, b.Color.B),
                                mix(a.Color.A, b.Color.A)};
        const TRgb rgb = Rgb(color);
        HPDF_Page_SetExtGState(FPage, FWriter.Alpha(AlphaKey(color.A), FStrokeAlpha));
        HPDF_Page_SetRGBFill(FPage, static_cast<HPDF_REAL>(rgb.R), static_cast<HPDF_REAL>(rgb.G),
                             static_cast<HPDF_REAL>(rgb.B));
        const double ta = t0 + (t1 - t0) * i / bands, tb = t0 + (t1 - t0) * (i + 1) / bands;
        auto corner = [&](double t, double s) {
            return doc::TPoint{t * along.X + s * across.X, t * along.Y + s * across.Y};
        };
        const doc::TPoint corners[] = {corner(ta, s0), corner(tb, s0), corner(tb, s1), corner(ta, s1)};
        HPDF_Page_MoveTo(FPage, static_cast<HPDF_REAL>(corners[0].X), static_cast<HPDF_REAL>(Y(corners[0].Y)));
        for (int c = 1; c < 4; ++c)
            HPDF_Page_LineTo(FPage, static_cast<HPDF_REAL>(corners[c].X), static_cast<HPDF_REAL>(Y(corners[c].Y)));
        HPDF_Page_ClosePath(FPage);
        HPDF_Page_Fill(FPage);
    }
    HPDF_Page_GRestore(FPage);
}

bool TPageWriter::AppendPath(const std::vector<doc::TPathSegment>& path) {
    auto x = [](const doc::TPoint& p) { return static_cast<HPDF_REAL>(p.X); };
    auto y = [this](const doc::TPoint& p) { return static_cast<HPDF_REAL>(Y(p.Y)); };
    bool open = false;  // a segment before any move starts the path where it ends
    for (const auto& s : path) {
        switch (s.Kind) {
            case doc::TPathSegment::skMove: HPDF_Page_MoveTo(FPage, x(s.P), y(s.P)); break;
            case doc::TPathSegment::skLine:
                if (open)
                    HPDF_Page_LineTo(FPage, x(s.P), y(s.P));
                else
                    HPDF_Page_MoveTo(FPage, x(s.P), y(s.P));
                break;
            case doc::TPathSegment::skCurve:
                if (open)
                    HPDF_Page_CurveTo(FPage, x(s.C1), y(s.C1), x(s.C2), y(s.C2), x(s.P), y(s.P));
                else
                    HPDF_Page_MoveTo(FPage, x(s.P), y(s.P));
                break;
            case doc::TPathSegment::skClose:
                if (open) HPDF_Page_ClosePath(FPage);
                continue;
        }
        open = true;
    }
    return open;
}

void TPageWriter::operator()(const layout::TLinkItem& item) {
    const doc::TRect& a = item.Area;
    if (!(a.Width > 0 && a.Height > 0) || !Finite({a.X, a.Y, a.Width, a.Height})) return;
    const std::string uri = LinkUri(item.Target);
    if (uri.empty() || !FWriter.TakeLinkArea()) return;
    const HPDF_Rect rect{static_cast<HPDF_REAL>(a.X), static_cast<HPDF_REAL>(Y(a.Y + a.Height)),
                         static_cast<HPDF_REAL>(a.X + a.Width), static_cast<HPDF_REAL>(Y(a.Y))};
    HPDF_Annotation link = HPDF_Page_CreateURILinkAnnot(FPage, rect, uri.c_str());
    // Pages shows no box round a link.
    if (link) HPDF_LinkAnnot_SetBorderStyle(link, 0, 0, 0);
}

void TPageWriter::operator()(const layout::TImageItem& item) {
    const doc::TRect& frame = item.Frame;
    const doc::TRect& clip = item.Clip;
    if (!(frame.Width > 0 && frame.Height > 0) ||
        !Finite({frame.X, frame.Y, frame.Width, frame.Height, clip.X, clip.Y, clip.Width, clip.Height}))
        return;
    HPDF_Image image = FWriter.Image(item.Image);
    EndText();
    SetAlpha(1000, 1000);
    // Nothing set between q and Q is tracked: Q brings the tracked state back.
    HPDF_Page_GSave(FPage);
    if (item.Rotation != 0 && std::isfinite(item.Rotation)) {
        const double angle = item.Rotation * std::numbers::pi / 180, c = std::cos(angle), s = std::sin(angle);
        const double cx = frame.X + frame.Width / 2, cy = Y(frame.Y + frame.Height / 2);
        HPDF_Page_Concat(FPage, static_cast<HPDF_REAL>(c), static_cast<HPDF_REAL>(s), static_cast<HPDF_REAL>(-s),
                         static_cast<HPDF_REAL>(c), static_cast<HPDF_REAL>(cx - c * cx + s * cy),
                         static_cast<HPDF_REAL>(cy - s * cx - c * cy));
    }
    const bool clipped = clip.Width > 0 && clip.Height > 0;
    if (image) {
        if (clipped) {
            HPDF_Page_Rectangle(FPage, static_cast<HPDF_REAL>(clip.X), static_cast<HPDF_REAL>(Y(clip.Y + clip.Height)),
                                static_cast<HPDF_REAL>(clip.Width), static_cast<HPDF_REAL>(clip.Height));
            HPDF_Page_Clip(FPage);
            HPDF_Page_EndPath(FPage);
        }
        // A mask's outline clips inside that.
        if (!item.ClipPath.empty() && std::all_of(item.ClipPath.begin(), item.ClipPath.end(), [](const auto& s) {
                return Finite({s.P.X, s.P.Y, s.C1.X, s.C1.Y, s.C2.X, s.C2.Y});
            }) && AppendPath(item.ClipPath)) {
            HPDF_Page_Clip(FPage);
            HPDF_Page_EndPath(FPage);
        }
        HPDF_Page_DrawImage(FPage, image, static_cast<HPDF_REAL>(frame.X),
                            static_cast<HPDF_REAL>(Y(frame.Y + frame.Height)), static_cast<HPDF_REAL>(frame.Width),
                            static_cast<HPDF_REAL>(frame.Height));
    } else {
        FWriter.CountUndrawn(item.Image);
        // Where the picture would show, the line inside that area.
        const doc::TRect& box = clipped ? clip : frame;
        const double inset = std::min({kFrameWidth / 2, box.Width / 2, box.Height / 2});
        HPDF_Page_SetGrayStroke(FPage, static_cast<HPDF_REAL>(kFrameGrey));
        HPDF_Page_SetLineWidth(FPage, static_cast<HPDF_REAL>(kFrameWidth));
        HPDF_Page_SetDash(FPage, nullptr, 0, 0);
        HPDF_Page_Rectangle(
            FPage, static_cast<HPDF_REAL>(box.X + inset), static_cast<HPDF_REAL>(Y(box.Y + box.Height) + inset),
            static_cast<HPDF_REAL>(box.Width - 2 * inset), static_cast<HPDF_REAL>(box.Height - 2 * inset));
        HPDF_Page_Stroke(FPage);
    }
    HPDF_Page_GRestore(FPage);
}

void WriteFile(const std::wstring& path, const std::vector<std::span<const std::uint8_t>>& pieces) {
    platform::TErrorCode error = platform::kErrorSuccess;
    platform::TFile file = platform::TFile::Create(path, error);
    if (!file) throw EFCreateError(FileErrorText(L"Cannot create file", path, error));
    for (const auto& piece : pieces) {
        std::size_t done = 0;
        while (done < piece.size()) {
            const auto chunk = static_cast<std::int32_t>(std::min<std::size_t>(piece.size() - done, 1 << 20));
            const std::int32_t written = file.Write(piece.data() + done, chunk);
            if (written <= 0) throw EWriteError(FileErrorText(L"Cannot write file", path, platform::kErrorSuccess));
            done += static_cast<std::size_t>(written);
        }
    }
}

}  // namespace

TPdfWritten WritePdf(const layout::TLaidOutDocument& document, const std::wstring& path) {
    platform::TExpansionBudget budget(doc::limits::kMaxDecodedPictureBytes);
    return WritePdf(document, path, budget);
}

TPdfWritten WritePdf(const layout::TLaidOutDocument& document, const std::wstring& path,
                     platform::TExpansionBudget& budget) {
    // The whole file is made before the target is touched: a failure leaves nothing behind.
    TWriter writer(document, budget);
    WriteFile(path, writer.Write());
    return writer.Written();
}

}  // namespace pdf
