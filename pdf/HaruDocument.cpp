#include "pdf/HaruDocument.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <new>

#include "pdf/PdfError.h"

// libharu's internal structures, which its installed headers declare: this file builds what
// its public functions cannot, on the objects it will write.
#include <hpdf_font.h>
#include <hpdf_fontdef.h>
#include <hpdf_objects.h>
#include <hpdf_pages.h>
#include <hpdf_streams.h>
#include <zlib.h>

namespace pdf {
namespace {

constexpr std::size_t kMaxArray = HPDF_LIMIT_MAX_ARRAY;
// Page content is text operators: zlib's fastest level packs it within a few per cent of its
// default, in a fraction of the time.
constexpr int kContentLevel = Z_BEST_SPEED;

std::wstring Hex(unsigned value) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring s;
    do {
        s.insert(s.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value);
    return s;
}

const wchar_t* Describe(HPDF_STATUS code) {
    switch (code) {
        case HPDF_FAILD_TO_ALLOC_MEM: return L"out of memory";
        case HPDF_PAGE_INVALID_SIZE: return L"a page size out of range";
        case HPDF_TTF_CANNOT_EMBEDDING_FONT: return L"a font whose licence forbids embedding";
        case HPDF_TTF_INVALID_CMAP:
        case HPDF_TTF_INVALID_FOMAT:
        case HPDF_TTF_MISSING_TABLE:
        case HPDF_INVALID_FONTDEF_DATA: return L"a font it cannot read";
        default: return nullptr;
    }
}

}  // namespace

std::string THaruDocument::Number(double value) {
    std::string s;
    AppendNumber(s, value);
    return s;
}

void THaruDocument::AppendNumber(std::string& out, double value) {
    // The common case, positions and sizes: whole thousandths, written as integers.
    if (std::abs(value) < 1e12) {
        long long thousandths = std::llround(value * 1000);
        if (thousandths < 0) {
            out += '-';
            thousandths = -thousandths;
        }
        char buffer[24];
        out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, thousandths / 1000).ptr);
        if (const int fraction = static_cast<int>(thousandths % 1000)) {
            const char digits[] = {'.', char('0' + fraction / 100), char('0' + fraction / 10 % 10),
                                   char('0' + fraction % 10)};
            std::size_t n = 4;
            while (digits[n - 1] == '0') --n;
            out.append(digits, n);
        }
        return;  // never "-0": the sign is written only for a value that rounds away from zero
    }
    char buffer[48];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 3);
    std::string s(buffer, result.ptr);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    out += s;
}

namespace {

void AppendHex4(std::string& s, unsigned value, bool open = true, bool close = true) {
    static const char digits[] = "0123456789ABCDEF";
    if (open) s += '<';
    for (int shift = 12; shift >= 0; shift -= 4) s += digits[(value >> shift) & 0xF];
    if (close) s += '>';
}

// UTF-16, as ToUnicode maps give text: one hex string.
void AppendUtf16Hex(std::string& s, const std::u32string& text) {
    s += '<';
    for (char32_t c : text) {
        if (c >= 0x10000) {
            c -= 0x10000;
            AppendHex4(s, 0xD800 + (c >> 10), false, false);
            AppendHex4(s, 0xDC00 + (c & 0x3FF), false, false);
        } else {
            AppendHex4(s, c, false, false);
        }
    }
    s += '>';
}

// Codes map to themselves: the UTF-8 encoder writes each character's Unicode value; a private
// code is a range of its own, standing for its text. Ranges stay inside one low byte, as readers
// that increment only the last byte expect.
std::string ToUnicodeCMap(const std::vector<TCodeWidth>& codes) {
    struct TRange {
        unsigned First, Last;
        std::u32string Target;
    };
    std::vector<TRange> ranges;
    for (const auto& c : codes) {
        if (c.Private) {
            if (!c.Characters.empty()) ranges.push_back({c.Code, c.Code, c.Characters});
        } else if (!ranges.empty() && ranges.back().Last + 1 == c.Code && ranges.back().Target.size() == 1 &&
                   ranges.back().Target[0] == ranges.back().First && (c.Code & 0xFF) != 0) {
            ranges.back().Last = c.Code;
        } else {
            ranges.push_back({c.Code, c.Code, std::u32string(1, c.Code)});
        }
    }
    std::string s =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    for (std::size_t i = 0; i < ranges.size(); i += 100) {
        const std::size_t n = std::min<std::size_t>(100, ranges.size() - i);
        s += std::to_string(n) + " beginbfrange\n";
        for (std::size_t j = i; j < i + n; ++j) {
            AppendHex4(s, ranges[j].First);
            s += ' ';
            AppendHex4(s, ranges[j].Last);
            s += ' ';
            AppendUtf16Hex(s, ranges[j].Target);
            s += '\n';
        }
        s += "endbfrange\n";
    }
    s += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return s;
}

// With no filter libharu drops the /Filter key; pictures arrive compressed, so it goes back here.
HPDF_STATUS WriteFlateFilter(HPDF_Dict, HPDF_Stream stream) {
    return HPDF_Stream_WriteStr(stream, "/Filter /FlateDecode\012");
}

// Text is written as codes, not through HPDF_Page_ShowText: the glyphs to embed are marked
// here, as measuring them marks them. libharu adds the parts of composite glyphs only below
// glyph 32768 and one level deep: the face's own outlines say which parts each one needs.
// Returns the face's bytes in libharu when they are the whole face as rebuilt (null otherwise).
HPDF_BYTE* MarkGlyphs(HPDF_FontAttr attr, const TFaceTables& face, const std::vector<TCodeWidth>& codes) {
    auto tt = static_cast<HPDF_TTFontDefAttr>(attr->fontdef->attr);
    for (const auto& c : codes) {
        if (!c.Private)
            HPDF_TTFontDef_GetCharWidth(attr->fontdef, c.Code);
        else if (c.Glyph < tt->num_glyphs)
            tt->glyph_tbl.flgs[c.Glyph] = 1;
    }
    HPDF_UINT length = 0;
    HPDF_BYTE* data = tt->stream ? HPDF_MemStream_GetBufPtr(tt->stream, 0, &length) : nullptr;
    const bool wholeFace = data && length == face.Size && tt->num_glyphs == face.NumGlyphs;
    if (!wholeFace) return nullptr;
    AddComponentGlyphs(GlyphTables({data, length}, face), {tt->glyph_tbl.flgs, std::size_t{tt->num_glyphs}});
    return data;
}

// Widths: the layout's, for exactly the codes drawn. The commonest is the default (DW), so
// that a page of ideographs lists almost none; the array stays below libharu's limit.
void WriteWidths(HPDF_Doc pdf, HPDF_FontAttr attr, const std::vector<TCodeWidth>& codes) {
    std::map<double, std::size_t> counts = {{0.0, 0}};
    for (const auto& c : codes) ++counts[c.Width];
    // Poppler reads DW only as an integer: the commonest width that is one, else none listed by default.
    std::erase_if(counts, [](const auto& entry) { return entry.first != std::round(entry.first); });
    if (counts.empty()) counts[1000] = 0;
    const double common = std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
                              return a.second < b.second;
                          })->first;
    HPDF_Dict_AddNumber(attr->descendant_font, "DW", static_cast<HPDF_INT>(std::clamp(common, 0.0, 32000.0)));
    HPDF_Array widths = HPDF_Array_New(pdf->mmgr);
    HPDF_Array run = nullptr;
    std::size_t entries = 0;
    for (std::size_t i = 0; i < codes.size() && entries < kMaxArray - 2; ++i) {
        if (codes[i].Width == common) {
            run = nullptr;
            continue;
        }
        if (!run || codes[i].Code != codes[i - 1].Code + 1) {
            HPDF_Array_AddNumber(widths, codes[i].Code);
            run = HPDF_Array_New(pdf->mmgr);
            HPDF_Array_Add(widths, run);
            entries += 2;
        }
        HPDF_Array_AddReal(run, static_cast<HPDF_REAL>(std::clamp(codes[i].Width, 0.0, 32000.0)));
    }
    HPDF_Dict_Add(attr->descendant_font, "W", widths);
}

// Glyph map: libharu writes one for every character the font has.
void WriteGlyphMap(HPDF_FontAttr attr, const std::vector<TCodeWidth>& codes) {
    if (!attr->map_stream) return;
    std::vector<HPDF_BYTE> map(2 * (codes.empty() ? 1 : std::size_t{codes.back().Code} + 1), 0);
    for (const auto& c : codes) {
        const HPDF_UINT16 gid = !c.Private ? HPDF_TTFontDef_GetGlyphid(attr->fontdef, c.Code) : c.Glyph;
        map[2 * c.Code] = HPDF_BYTE(gid >> 8);
        map[2 * c.Code + 1] = HPDF_BYTE(gid);
    }
    HPDF_MemStream_FreeData(attr->map_stream->stream);
    HPDF_Stream_Write(attr->map_stream->stream, map.data(), static_cast<HPDF_UINT>(map.size()));
}

// ToUnicode: libharu 2.3.0 writes its encoder's CID map there, which readers reject.
void WriteToUnicode(HPDF_FontAttr attr, const std::vector<TCodeWidth>& codes) {
    if (!attr->cmap_stream) return;
    HPDF_Dict cmap = attr->cmap_stream;
    for (const char* key : {"Type", "CMapName", "CIDSystemInfo", "WMode"}) HPDF_Dict_RemoveElement(cmap, key);
    const std::string text = ToUnicodeCMap(codes);
    HPDF_MemStream_FreeData(cmap->stream);
    HPDF_Stream_Write(cmap->stream, reinterpret_cast<const HPDF_BYTE*>(text.data()),
                      static_cast<HPDF_UINT>(text.size()));
}

// Metrics of glyphs no text uses (their outlines are already left out). The last long metric
// keeps its advance: the glyphs after it share it.
void ClearUnusedMetrics(HPDF_FontAttr attr, const TFaceTables& face, HPDF_BYTE* data) {
    auto tt = static_cast<HPDF_TTFontDefAttr>(attr->fontdef->attr);
    HPDF_BYTE* hmtx = data + face.HmtxOffset;
    const unsigned longMetrics = face.NumberOfHMetrics;
    for (unsigned g = 0; g < face.NumGlyphs; ++g) {
        if (tt->glyph_tbl.flgs[g]) continue;
        if (g + 1 < longMetrics)
            std::memset(hmtx + 4 * g, 0, 4);
        else if (g + 1 == longMetrics)
            std::memset(hmtx + 4 * g + 2, 0, 2);
        else
            std::memset(hmtx + 4 * longMetrics + 2 * (g - longMetrics), 0, 2);
    }
}

}  // namespace

THaruDocument::THaruDocument() : FDoc(HPDF_New(nullptr, nullptr), &HPDF_Free) {
    if (!FDoc) throw EPdfError(L"The PDF library could not start: out of memory.");
    HPDF_SetCompressionMode(Get(), HPDF_COMP_ALL);
    HPDF_UseUTFEncodings(Get());
    HPDF_SetInfoAttr(Get(), HPDF_INFO_CREATOR, "pages2pdf");
    HPDF_SetInfoAttr(Get(), HPDF_INFO_PRODUCER, "pages2pdf");
    Check(L"starting the document");
}

THaruDocument::~THaruDocument() = default;

// libharu keeps the first error of the document and refuses further work until it is reset;
// errors are read from there, not through its error callback, which would have to unwind C code.
void THaruDocument::Check(const std::wstring& what) {
    if (HPDF_GetError(Get()) != HPDF_OK) Fail(what);
}

void THaruDocument::Fail(const std::wstring& what) {
    const HPDF_STATUS code = HPDF_GetError(Get());
    const HPDF_STATUS detail = HPDF_GetErrorDetail(Get());
    HPDF_ResetError(Get());
    std::wstring message = L"The PDF could not be made while " + what;
    if (code == HPDF_OK) throw EPdfError(message + L".");
    message += L": libharu error 0x" + Hex(code);
    if (detail) message += L", detail " + std::to_wstring(detail);
    if (const wchar_t* text = Describe(code)) message += std::wstring(L" (") + text + L")";
    throw EPdfError(message + L".");
}

HPDF_Font THaruDocument::AddFont(const TFontFace& face, const std::wstring& fileName) {
    HPDF_Doc pdf = Get();
    const std::wstring what = L"embedding the font \"" + fileName + L"\"";
    const auto size = static_cast<HPDF_UINT>(face.Data.size());
    // One block, so that FinishFont finds the whole face at one address.
    HPDF_Stream stream = HPDF_MemStream_New(pdf->mmgr, size);
    if (!stream) Fail(what);
    if (HPDF_Stream_Write(stream, face.Data.data(), size) != HPDF_OK) {
        HPDF_Stream_Free(stream);
        Fail(what);
    }
    HPDF_FontDef def = HPDF_TTFontDef_Load(pdf->mmgr, stream, HPDF_TRUE);  // owns the stream now
    if (!def) Fail(what);
    // libharu finds fonts by PostScript name; two files may share one.
    const std::string name = def->base_font;
    for (int n = 2; HPDF_Doc_FindFontDef(pdf, def->base_font); ++n) {
        const std::string unique = name.substr(0, HPDF_LIMIT_MAX_NAME_LEN - 16) + "-" + std::to_string(n);
        std::memcpy(def->base_font, unique.c_str(), unique.size() + 1);
    }
    if (HPDF_Doc_RegisterFontDef(pdf, def) != HPDF_OK) Fail(what);  // frees def on failure
    // The subset tag ("AAAAAB+"), one per font of the document.
    char tag[HPDF_TTF_FONT_TAG_LEN + 1] = {};
    for (int i = HPDF_TTF_FONT_TAG_LEN - 1, n = FFontCount++; i >= 0; --i, n /= 26) tag[i] = char('A' + n % 26);
    HPDF_TTFontDef_SetTagName(def, tag);
    HPDF_Font font = HPDF_GetFont(pdf, def->base_font, "UTF-8");
    if (!font) Fail(what);
    return font;
}

void THaruDocument::FinishFont(HPDF_Font font, const TFaceTables& face, const std::vector<TCodeWidth>& codes) {
    auto attr = static_cast<HPDF_FontAttr>(font->attr);
    HPDF_BYTE* wholeFace = MarkGlyphs(attr, face, codes);
    WriteWidths(Get(), attr, codes);
    WriteGlyphMap(attr, codes);
    WriteToUnicode(attr, codes);
    if (wholeFace) ClearUnusedMetrics(attr, face, wholeFace);
    const std::string name = attr->fontdef->base_font;
    Check(L"finishing the font " + std::wstring(name.begin(), name.end()));
}

void THaruDocument::FinishPage(HPDF_Page page) {
    auto attr = static_cast<HPDF_PageAttr>(page->attr);
    HPDF_Dict contents = attr->contents;
    // libharu closes an open text object or saved state into the stream when it saves: such a
    // page is left to it.
    if (!contents || contents->stream != attr->stream || !attr->stream || attr->gmode != HPDF_GMODE_PAGE_DESCRIPTION ||
        attr->gstate->prev || contents->filter != HPDF_STREAM_FILTER_FLATE_DECODE)
        return;
    HPDF_Stream plain = attr->stream;
    // One deflate stream for every page: its tables are allocated once.
    if (!FDeflate) {
        FZip = z_stream{};
        if (deflateInit(&FZip, kContentLevel) != Z_OK) throw std::bad_alloc();
        FDeflate.reset(&FZip);
    } else if (deflateReset(&FZip) != Z_OK) {
        Fail(L"compressing a page");
    }
    z_stream& z = *FDeflate;
    FPacked.resize(deflateBound(&z, plain->size));
    z.next_out = FPacked.data();
    z.avail_out = static_cast<uInt>(FPacked.size());
    const HPDF_UINT count = HPDF_MemStream_GetBufCount(plain);
    for (HPDF_UINT i = 0; i < count; ++i) {
        HPDF_UINT length = 0;
        HPDF_BYTE* chunk = HPDF_MemStream_GetBufPtr(plain, i, &length);
        if (!chunk || length == 0) continue;
        z.next_in = chunk;
        z.avail_in = length;
        if (deflate(&z, Z_NO_FLUSH) != Z_OK) Fail(L"compressing a page");
    }
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) Fail(L"compressing a page");
    const auto size = static_cast<HPDF_UINT>(z.total_out);
    HPDF_Stream packed = HPDF_MemStream_New(Get()->mmgr, std::max<HPDF_UINT>(size, 1));
    if (!packed || HPDF_Stream_Write(packed, FPacked.data(), size) != HPDF_OK) {
        if (packed) HPDF_Stream_Free(packed);
        Fail(L"compressing a page");
    }
    HPDF_Stream_Free(plain);
    contents->stream = attr->stream = packed;
    contents->filter = HPDF_STREAM_FILTER_NONE;
    contents->write_fn = WriteFlateFilter;
}

HPDF_Image THaruDocument::AddImage(const TRaster& raster) {
    HPDF_Doc pdf = Get();
    auto make = [&](const std::vector<std::uint8_t>& data, TColorSpace space) {
        HPDF_Dict image = HPDF_DictStream_New(pdf->mmgr, pdf->xref);
        if (!image) Fail(L"adding a picture");
        image->header.obj_class |= HPDF_OSUBCLASS_XOBJECT;  // what HPDF_Page_DrawImage accepts
        static const char* const spaces[] = {"DeviceGray", "DeviceRGB", "DeviceCMYK"};
        const int colors[] = {1, 3, 4};
        const auto index = static_cast<int>(space);
        HPDF_Dict_AddName(image, "Type", "XObject");
        HPDF_Dict_AddName(image, "Subtype", "Image");
        HPDF_Dict_AddNumber(image, "Width", raster.Width);
        HPDF_Dict_AddNumber(image, "Height", raster.Height);
        HPDF_Dict_AddName(image, "ColorSpace", spaces[index]);
        HPDF_Dict_AddNumber(image, "BitsPerComponent", 8);
        if (raster.Jpeg && &data == &raster.Data) {
            image->filter = HPDF_STREAM_FILTER_DCT_DECODE;
            if (raster.InvertedCmyk) {
                HPDF_Array decode = HPDF_Array_New(pdf->mmgr);
                HPDF_Dict_Add(image, "Decode", decode);
                for (int i = 0; i < 4; ++i) {
                    HPDF_Array_AddNumber(decode, 1);
                    HPDF_Array_AddNumber(decode, 0);
                }
            }
        } else {
            image->filter = HPDF_STREAM_FILTER_NONE;
            image->write_fn = WriteFlateFilter;
            HPDF_Dict parms = HPDF_Dict_New(pdf->mmgr);
            HPDF_Dict_Add(image, "DecodeParms", parms);
            HPDF_Dict_AddNumber(parms, "Predictor", 15);
            HPDF_Dict_AddNumber(parms, "Colors", colors[index]);
            HPDF_Dict_AddNumber(parms, "BitsPerComponent", 8);
            HPDF_Dict_AddNumber(parms, "Columns", raster.Width);
        }
        // One block instead of libharu's 4 KB pieces.
        const auto size = static_cast<HPDF_UINT>(data.size());
        HPDF_Stream stream = HPDF_MemStream_New(pdf->mmgr, std::max<HPDF_UINT>(size, 1));
        if (!stream) Fail(L"adding a picture");
        HPDF_Stream_Free(image->stream);
        image->stream = stream;
        HPDF_Stream_Write(stream, data.data(), size);
        return image;
    };
    HPDF_Dict image = make(raster.Data, raster.ColorSpace);
    if (!raster.Alpha.empty()) {
        HPDF_Dict_Add(image, "SMask", make(raster.Alpha, TColorSpace::csGray));
        pdf->pdf_version = std::max(pdf->pdf_version, HPDF_VER_14);  // soft masks came with 1.4
    }
    Check(L"adding a picture");
    return image;
}

void THaruDocument::SetTitle(const std::wstring& title) {
    HPDF_Doc pdf = Get();
    const bool ascii = std::all_of(title.begin(), title.end(), [](wchar_t c) { return c >= 0x20 && c < 0x7F; });
    if (ascii) {
        HPDF_SetInfoAttr(pdf, HPDF_INFO_TITLE, std::string(title.begin(), title.end()).c_str());
    } else {
        // A text string outside PDFDocEncoding: UTF-16BE after a byte order mark.
        std::vector<HPDF_BYTE> bytes = {0xFE, 0xFF};
        for (wchar_t c : title.substr(0, 4000)) {
            std::uint32_t u = static_cast<std::uint32_t>(c);
            if (u > 0xFFFF) {  // UTF-32 wchar_t (POSIX): a surrogate pair
                u -= 0x10000;
                const std::uint32_t high = 0xD800 + (u >> 10), low = 0xDC00 + (u & 0x3FF);
                bytes.insert(bytes.end(), {HPDF_BYTE(high >> 8), HPDF_BYTE(high), HPDF_BYTE(low >> 8), HPDF_BYTE(low)});
            } else {
                bytes.insert(bytes.end(), {HPDF_BYTE(u >> 8), HPDF_BYTE(u)});
            }
        }
        HPDF_Dict_Add(pdf->info, "Title",
                      HPDF_Binary_New(pdf->mmgr, bytes.data(), static_cast<HPDF_UINT>(bytes.size())));
    }
    Check(L"setting the title");
}

void THaruDocument::SetDash(HPDF_Page page, const std::vector<double>& dash) {
    // HPDF_Page_SetDash takes whole points from 1 to 100 only.
    std::string op = "[";
    for (double d : dash) op += Number(d) + " ";
    op += "] 0 d\n";
    HPDF_Stream_WriteStr(static_cast<HPDF_PageAttr>(page->attr)->stream, op.c_str());
}

void THaruDocument::WriteText(HPDF_Page page, const std::string& op) {
    HPDF_Stream_Write(static_cast<HPDF_PageAttr>(page->attr)->stream, reinterpret_cast<const HPDF_BYTE*>(op.data()),
                      static_cast<HPDF_UINT>(op.size()));
}

std::vector<std::span<const std::uint8_t>> THaruDocument::Save() {
    HPDF_Doc pdf = Get();
    HPDF_SaveToStream(pdf);
    Check(L"assembling the file");
    std::vector<std::span<const std::uint8_t>> pieces;
    const HPDF_UINT count = HPDF_MemStream_GetBufCount(pdf->stream);
    for (HPDF_UINT i = 0; i < count; ++i) {
        HPDF_UINT length = 0;
        const HPDF_BYTE* chunk = HPDF_MemStream_GetBufPtr(pdf->stream, i, &length);
        if (chunk && length > 0) pieces.emplace_back(chunk, length);
    }
    Check(L"assembling the file");
    return pieces;
}

}  // namespace pdf
