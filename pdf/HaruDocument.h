#pragma once
// The libharu document: its owner, its errors as exceptions, and what libharu 2.3.0 offers only
// through its internal structures (fonts from memory, exact widths and a true ToUnicode map,
// pre-compressed pictures, a Unicode title, dashes in fractions of a point). Every use of those
// internals is in HaruDocument.cpp.

#include <hpdf.h>
#include <zlib.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "pdf/FontFace.h"
#include "pdf/Images.h"

namespace pdf {

// A character code of a font: its Unicode value (the UTF-8 encoder keeps the Basic
// Multilingual Plane) and the width the layout measured it with, in thousandths of an em.
// Glyphs that are no character's own (characters past the Basic Multilingual Plane, ligatures,
// the joined forms of letters) take private codes among the surrogates, which are no characters:
// Glyph is then what the code draws and Characters the text it stands for (none for the second
// glyph of one character).
struct TCodeWidth {
    std::uint16_t Code = 0;
    double Width = 0;
    bool Private = false;
    std::uint16_t Glyph = 0;
    std::u32string Characters;
};

class THaruDocument {
public:
    THaruDocument();  // compression on, the UTF-8 encoder ready; throws EPdfError
    THaruDocument(const THaruDocument&) = delete;
    THaruDocument& operator=(const THaruDocument&) = delete;
    ~THaruDocument();

    HPDF_Doc Get() const noexcept { return FDoc.get(); }
    // Throws EPdfError when libharu reported a failure since the last call; `what` names the
    // step ("writing page 3").
    void Check(const std::wstring& what);

    // A face made by ReadFontFace, embedded as a subset, drawn with UTF-8 text.
    HPDF_Font AddFont(const TFontFace& face, const std::wstring& fileName);
    // Before saving: the font's widths become exactly the layout's (codes sorted, unique), its
    // ToUnicode map and glyph map cover just those codes, and glyphs no text uses lose their
    // metrics, which then cost almost nothing in the file.
    void FinishFont(HPDF_Font font, const TFaceTables& face, const std::vector<TCodeWidth>& codes);

    // Once the page is drawn: its content compressed now (libharu would keep it whole until the
    // file is saved, and compress it there more slowly). Nothing may be drawn on it afterwards.
    void FinishPage(HPDF_Page page);

    // An image XObject of a raster, with its alpha as a soft mask.
    HPDF_Image AddImage(const TRaster& raster);

    void SetTitle(const std::wstring& title);
    // Dash lengths in points (none negative, a positive total); empty for a solid line.
    static void SetDash(HPDF_Page page, const std::vector<double>& dash);
    // Content written as it is, inside a text object begun with HPDF_Page_BeginText after the
    // font was set with HPDF_Page_SetFontAndSize: a text matrix (Tm) and a TJ of the font's
    // two-byte codes, in literal strings (half the bytes of hex ones to write and compress). The
    // TJ positions each word in one operator where HPDF_Page_ShowText would need one per word.
    static void WriteText(HPDF_Page page, const std::string& op);
    // A number as content streams take it: fixed point, no exponent, whatever the locale; at most
    // three decimals, trailing zeros left out.
    static std::string Number(double value);
    static void AppendNumber(std::string& out, double value);

    // The finished file, assembled in memory: its pieces in order, valid as long as the document
    // (not copied into one block: a document of a thousand pages makes megabytes).
    std::vector<std::span<const std::uint8_t>> Save();

private:
    [[noreturn]] void Fail(const std::wstring& what);

    std::unique_ptr<HPDF_Doc_Rec, decltype(&HPDF_Free)> FDoc;
    int FFontCount = 0;
    struct TDeflateEnd {
        void operator()(z_stream* z) const noexcept { deflateEnd(z); }
    };
    z_stream FZip{};                               // compresses the pages' content, reset for each
    std::unique_ptr<z_stream, TDeflateEnd> FDeflate;  // set while FZip is initialised
    std::vector<std::uint8_t> FPacked;             // a page's compressed content, kept from page to page
};

}  // namespace pdf
