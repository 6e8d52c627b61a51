#include "layout/TrueTypeFont.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string_view>

#include "platform/Exception.h"
#include "platform/File.h"

namespace layout {
namespace {

constexpr std::uint32_t Tag(const char (&s)[5]) {
    return (std::uint32_t(std::uint8_t(s[0])) << 24) | (std::uint32_t(std::uint8_t(s[1])) << 16) |
           (std::uint32_t(std::uint8_t(s[2])) << 8) | std::uint32_t(std::uint8_t(s[3]));
}

// No real table comes near this; a larger length is a damaged directory, not a reason to allocate.
constexpr std::uint32_t kMaxTableBytes = 64u << 20;
constexpr std::uint32_t kMaxCollectionFaces = 1024;

// Big-endian reads that report a read past the end instead of making it.
class TReader {
public:
    TReader(const std::uint8_t* data, std::size_t size) : FData(data), FSize(size) {}
    explicit TReader(const std::vector<std::uint8_t>& bytes) : TReader(bytes.data(), bytes.size()) {}
    std::size_t Size() const { return FSize; }
    bool Has(std::size_t offset, std::size_t count) const { return offset <= FSize && count <= FSize - offset; }
    std::optional<std::uint16_t> U16(std::size_t offset) const {
        if (!Has(offset, 2)) return std::nullopt;
        return static_cast<std::uint16_t>((FData[offset] << 8) | FData[offset + 1]);
    }
    std::optional<std::int16_t> S16(std::size_t offset) const {
        const auto v = U16(offset);
        if (!v) return std::nullopt;
        return static_cast<std::int16_t>(*v);
    }
    std::optional<std::uint32_t> U32(std::size_t offset) const {
        if (!Has(offset, 4)) return std::nullopt;
        return (std::uint32_t(FData[offset]) << 24) | (std::uint32_t(FData[offset + 1]) << 16) |
               (std::uint32_t(FData[offset + 2]) << 8) | std::uint32_t(FData[offset + 3]);
    }
    const std::uint8_t* At(std::size_t offset) const { return FData + offset; }

private:
    const std::uint8_t* FData;
    std::size_t FSize;
};

// Unchecked reads for offsets validated when the face was loaded.
std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }
std::uint32_t Get32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

void AppendCodePoint(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<wchar_t>(c));
}

std::wstring FromUtf16Be(const std::uint8_t* p, std::size_t bytes) {
    std::wstring out;
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        char32_t c = Get16(p + i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes) {
            const char32_t low = Get16(p + i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
        AppendCodePoint(out, c);
    }
    return out;
}

struct TTableEntry {
    std::uint32_t Offset = 0;
    std::uint32_t Length = 0;
};

}  // namespace

// Where the face's bytes come from: a file read piece by piece, or bytes in memory.
struct TTrueTypeFont::TSource {
    virtual ~TSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Exactly count bytes at offset (the caller checked the range), or false.
    virtual bool ReadAt(std::uint64_t offset, std::uint32_t count, std::uint8_t* out) = 0;
};

namespace {

class TFileSource final : public TTrueTypeFont::TSource {
public:
    explicit TFileSource(platform::TFile file) : FFile(std::move(file)) {
        const std::int64_t size = FFile.Seek(0, 2);
        FSize = size < 0 ? 0 : static_cast<std::uint64_t>(size);
    }
    std::uint64_t Size() const override { return FSize; }
    bool ReadAt(std::uint64_t offset, std::uint32_t count, std::uint8_t* out) override {
        if (FFile.Seek(static_cast<std::int64_t>(offset), 0) != static_cast<std::int64_t>(offset)) return false;
        return FFile.Read(out, static_cast<std::int32_t>(count)) == static_cast<std::int32_t>(count);
    }

private:
    platform::TFile FFile;
    std::uint64_t FSize = 0;
};

class TMemorySource final : public TTrueTypeFont::TSource {
public:
    explicit TMemorySource(const std::vector<std::uint8_t>& bytes) : FBytes(bytes) {}
    std::uint64_t Size() const override { return FBytes.size(); }
    bool ReadAt(std::uint64_t offset, std::uint32_t count, std::uint8_t* out) override {
        if (offset > FBytes.size() || count > FBytes.size() - offset) return false;
        if (count != 0) std::memcpy(out, FBytes.data() + offset, count);
        return true;
    }

private:
    const std::vector<std::uint8_t>& FBytes;
};

// The load of one face: every failure names the file and what is wrong with it.
class TLoader {
public:
    TLoader(TTrueTypeFont::TSource& source, const TFontFile& file) : FSource(source), FFile(file) {}

    [[noreturn]] void Damaged(const std::wstring& what) const {
        throw EReadError(L"The font file \"" + FFile.Path + L"\" is damaged: " + what + L".");
    }

    std::vector<std::uint8_t> Read(std::uint64_t offset, std::uint32_t count, const wchar_t* what) {
        if (offset > FSource.Size() || count > FSource.Size() - offset)
            Damaged(std::wstring(what) + L" lies past the end of the file");
        std::vector<std::uint8_t> bytes(count);
        if (!FSource.ReadAt(offset, count, bytes.data()))
            throw EReadError(L"The font file \"" + FFile.Path + L"\" could not be read.");
        return bytes;
    }

    // The directory of the face: tables by tag.
    std::unordered_map<std::uint32_t, TTableEntry> Directory() {
        std::uint64_t faceOffset = 0;
        const auto header = Read(0, 12, L"the header");
        const TReader h(header);
        if (*h.U32(0) == Tag("ttcf")) {
            const std::uint32_t faces = *h.U32(8);
            if (faces == 0 || faces > kMaxCollectionFaces) Damaged(L"the collection's face count is impossible");
            if (FFile.FaceIndex < 0 || static_cast<std::uint32_t>(FFile.FaceIndex) >= faces)
                throw EReadError(L"The font collection \"" + FFile.Path + L"\" has no face " +
                                 std::to_wstring(FFile.FaceIndex) + L".");
            const auto offset = Read(12 + 4 * std::uint64_t(FFile.FaceIndex), 4, L"the collection's face list");
            faceOffset = *TReader(offset).U32(0);
        } else if (FFile.FaceIndex != 0) {
            throw EReadError(L"The font file \"" + FFile.Path + L"\" is no collection: it has no face " +
                             std::to_wstring(FFile.FaceIndex) + L".");
        }
        const auto offsetTable = Read(faceOffset, 12, L"the table directory");
        const std::uint32_t version = *TReader(offsetTable).U32(0);
        if (version == Tag("OTTO"))
            throw ENotSupportedException(L"The font \"" + FFile.Path +
                                         L"\" has PostScript (CFF) outlines; only TrueType outlines can be embedded.");
        if (version != 0x00010000 && version != Tag("true"))
            Damaged(L"it is no TrueType font");
        const std::uint16_t count = *TReader(offsetTable).U16(4);
        const auto records = Read(faceOffset + 12, 16u * count, L"the table directory");
        const TReader r(records);
        std::unordered_map<std::uint32_t, TTableEntry> tables;
        for (std::uint16_t i = 0; i < count; ++i)
            tables[*r.U32(16u * i)] = {*r.U32(16u * i + 8), *r.U32(16u * i + 12)};
        return tables;
    }

    std::vector<std::uint8_t> Table(const std::unordered_map<std::uint32_t, TTableEntry>& tables,
                                    const char (&tag)[5], bool required, std::uint32_t minimum) {
        const std::wstring name = std::wstring(L"the ") + std::wstring(tag, tag + 4) + L" table";
        const auto it = tables.find(Tag(tag));
        if (it == tables.end()) {
            if (required) Damaged(name + L" is missing");
            return {};
        }
        if (it->second.Length > kMaxTableBytes) Damaged(name + L" is impossibly long");
        if (it->second.Length < minimum) Damaged(name + L" is too short");
        return Read(it->second.Offset, it->second.Length, name.c_str());
    }

private:
    TTrueTypeFont::TSource& FSource;
    const TFontFile& FFile;
};

std::wstring FamilyFromNames(const std::vector<std::uint8_t>& name) {
    const TReader r(name);
    const auto count = r.U16(2);
    const auto storage = r.U16(4);
    if (!count || !storage) return {};
    // Best first: typographic family over legacy family, Windows English over other Windows
    // languages over Unicode over Mac Roman.
    int bestScore = -1;
    std::wstring best;
    for (std::uint16_t i = 0; i < *count; ++i) {
        const std::size_t rec = 6 + 12u * i;
        if (!r.Has(rec, 12)) break;
        const std::uint16_t platform = *r.U16(rec), encoding = *r.U16(rec + 2), language = *r.U16(rec + 4);
        const std::uint16_t id = *r.U16(rec + 6), length = *r.U16(rec + 8), offset = *r.U16(rec + 10);
        if (id != 1 && id != 16) continue;
        int score;
        if (platform == 3 && (encoding == 1 || encoding == 10 || encoding == 0))
            score = language == 0x409 ? 6 : 4;
        else if (platform == 0)
            score = 3;
        else if (platform == 1 && encoding == 0)
            score = language == 0 ? 2 : 1;
        else
            continue;
        if (id == 16) score += 10;
        const std::size_t start = std::size_t(*storage) + offset;
        if (score <= bestScore || !r.Has(start, length) || length == 0) continue;
        std::wstring text;
        if (platform == 1) {
            // Mac Roman: only its ASCII half is taken as it is.
            for (std::uint16_t k = 0; k < length; ++k) {
                const std::uint8_t b = *r.At(start + k);
                text.push_back(b < 0x80 ? static_cast<wchar_t>(b) : L'?');
            }
        } else {
            text = FromUtf16Be(r.At(start), length);
        }
        bestScore = score;
        best = std::move(text);
    }
    return best;
}

struct TCmapChoice {
    std::size_t Offset = 0;
    std::uint16_t Format = 0;
    bool Symbol = false;
};

// Structure checks of a subtable, so that look-ups need check only what a code point picks.
bool ValidSubtable(const std::vector<std::uint8_t>& cmap, const TCmapChoice& choice) {
    const TReader r(cmap);
    if (choice.Format == 4) {
        // The length field is unreliable in real fonts (16 bits for large maps): the table's end bounds it.
        const auto segX2 = r.U16(choice.Offset + 6);
        return segX2 && *segX2 != 0 && *segX2 % 2 == 0 && r.Has(choice.Offset + 16, 4u * *segX2);
    }
    const auto groups = r.U32(choice.Offset + 12);
    return groups && *groups <= (r.Size() / 12) && r.Has(choice.Offset + 16, 12ull * *groups);
}

// The best sound Unicode subtable: full-range (format 12) over BMP (format 4) over a symbol map.
std::optional<TCmapChoice> ChooseSubtable(const std::vector<std::uint8_t>& cmap) {
    const TReader r(cmap);
    const auto count = r.U16(2);
    if (!count) return std::nullopt;
    std::optional<TCmapChoice> best;
    int bestScore = 0;
    for (std::uint16_t i = 0; i < *count; ++i) {
        const std::size_t rec = 4 + 8u * i;
        if (!r.Has(rec, 8)) break;
        const std::uint16_t platform = *r.U16(rec), encoding = *r.U16(rec + 2);
        const std::uint32_t offset = *r.U32(rec + 4);
        const auto format = r.U16(offset);
        if (!format) continue;
        const bool unicode = platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10));
        const bool symbol = platform == 3 && encoding == 0;
        int score = 0;
        if (*format == 12 && unicode)
            score = 3;
        else if (*format == 4 && unicode)
            score = 2;
        else if (*format == 4 && symbol)
            score = 1;
        // A damaged subtable is passed over: another may serve.
        const TCmapChoice choice{offset, *format, symbol};
        if (score > bestScore && ValidSubtable(cmap, choice)) {
            bestScore = score;
            best = choice;
        }
    }
    return best;
}

}  // namespace

TTrueTypeFont::~TTrueTypeFont() = default;

std::unique_ptr<TTrueTypeFont> TTrueTypeFont::Open(const TFontFile& file) {
    platform::TErrorCode error = platform::kErrorSuccess;
    platform::TFile handle = platform::TFile::OpenReadShared(file.Path, error);
    if (!handle)
        throw EFOpenError(L"Cannot open the font file \"" + file.Path + L"\": " +
                          platform::SystemErrorMessage(error) + L".");
    TFileSource source(std::move(handle));
    return Load(source, file);
}

std::unique_ptr<TTrueTypeFont> TTrueTypeFont::FromBytes(const std::vector<std::uint8_t>& bytes,
                                                        const TFontFile& file) {
    TMemorySource source(bytes);
    return Load(source, file);
}

std::unique_ptr<TTrueTypeFont> TTrueTypeFont::Load(TSource& source, const TFontFile& file) {
    TLoader loader(source, file);
    const auto tables = loader.Directory();
    if (!tables.contains(Tag("glyf")) || !tables.contains(Tag("loca"))) {
        if (tables.contains(Tag("CFF ")) || tables.contains(Tag("CFF2")))
            throw ENotSupportedException(L"The font \"" + file.Path +
                                         L"\" has PostScript (CFF) outlines; only TrueType outlines can be embedded.");
        loader.Damaged(L"it has no glyph outlines");
    }

    std::unique_ptr<TTrueTypeFont> font(new TTrueTypeFont());
    font->FFile = file;

    const auto head = loader.Table(tables, "head", true, 54);
    const TReader rh(head);
    if (*rh.U32(12) != 0x5F0F3CF5) loader.Damaged(L"the head table is not one");
    font->FUnitsPerEm = *rh.U16(18);
    if (font->FUnitsPerEm < 16 || font->FUnitsPerEm > 16384) loader.Damaged(L"its units per em are impossible");
    const double em = font->FUnitsPerEm;
    const std::uint16_t macStyle = *rh.U16(44);

    const auto maxp = loader.Table(tables, "maxp", true, 6);
    font->FGlyphCount = *TReader(maxp).U16(4);

    const auto hhea = loader.Table(tables, "hhea", true, 36);
    const TReader rhh(hhea);
    double ascent = *rhh.S16(4), descent = *rhh.S16(6), lineGap = *rhh.S16(8);
    font->FHMetricCount = *rhh.U16(34);
    if (font->FHMetricCount == 0) loader.Damaged(L"it has no horizontal metrics");

    const auto hmtx = loader.Table(tables, "hmtx", true, 0);
    if (hmtx.size() / 4 < font->FHMetricCount) loader.Damaged(L"the hmtx table is shorter than hhea says");
    font->FHmtx.assign(hmtx.begin(), hmtx.begin() + 4 * std::size_t(font->FHMetricCount));

    // OS/2 version 0 is 78 bytes; a shorter one is ignored rather than trusted.
    const auto os2 = loader.Table(tables, "OS/2", false, 0);
    const TReader ro(os2);
    const bool hasOs2 = os2.size() >= 78;
    if (hasOs2) {
        const std::uint16_t weight = *ro.U16(4), selection = *ro.U16(62);
        font->FBold = (selection & 0x20) != 0 || weight >= 600;
        font->FItalic = (selection & 0x201) != 0;
        // sCapHeight came with OS/2 version 2.
        if (*ro.U16(0) >= 2 && os2.size() >= 90) {
            const double cap = *ro.S16(88) / em;
            if (cap > 0.2 && cap < 1.5) font->FCapHeight = cap;
        }
    } else {
        font->FBold = (macStyle & 1) != 0;
        font->FItalic = (macStyle & 2) != 0;
    }
    if (ascent == 0 && descent == 0) {
        if (hasOs2 && (*ro.S16(68) != 0 || *ro.S16(70) != 0)) {
            ascent = *ro.S16(68), descent = *ro.S16(70), lineGap = *ro.S16(72);
        } else if (hasOs2 && (*ro.U16(74) != 0 || *ro.U16(76) != 0)) {
            ascent = *ro.U16(74), descent = -double(*ro.U16(76)), lineGap = 0;
        } else {
            ascent = *rh.S16(42), descent = *rh.S16(38), lineGap = 0;
        }
    }
    // Some fonts give the descender as a positive number; Core Text reads it as the same distance below.
    font->FAscent = ascent / em;
    font->FDescent = std::abs(descent) / em;
    font->FLineGap = std::max(0.0, lineGap) / em;

    const auto post = loader.Table(tables, "post", false, 0);
    const TReader rp(post);
    if (post.size() >= 12 && *rp.S16(10) > 0) {
        font->FUnderlinePosition = -*rp.S16(8) / em;
        font->FUnderlineThickness = *rp.S16(10) / em;
    } else {
        font->FUnderlinePosition = 0.1;
        font->FUnderlineThickness = 0.05;
    }

    font->FFamily = FamilyFromNames(loader.Table(tables, "name", false, 0));

    font->FCmap = loader.Table(tables, "cmap", true, 4);
    const auto choice = ChooseSubtable(font->FCmap);
    if (!choice) loader.Damaged(L"it has no usable Unicode character map");
    font->FSubtable = choice->Offset;
    font->FCmapFormat = choice->Format;
    font->FSymbol = choice->Symbol;
    return font;
}

std::uint16_t TTrueTypeFont::LookUp(char32_t c) const {
    const std::uint8_t* base = FCmap.data() + FSubtable;
    const std::size_t room = FCmap.size() - FSubtable;
    std::uint32_t glyph = 0;
    if (FCmapFormat == 4) {
        if (c > 0xFFFF) return 0;
        const std::uint16_t segX2 = Get16(base + 6);
        const std::uint32_t segments = segX2 / 2u;
        const std::uint8_t* ends = base + 14;
        const std::uint8_t* starts = base + 16 + segX2;
        const std::uint8_t* deltas = starts + segX2;
        const std::uint8_t* rangeOffsets = deltas + segX2;
        // The first segment whose end is at or past c.
        std::uint32_t lo = 0, hi = segments;
        while (lo < hi) {
            const std::uint32_t mid = (lo + hi) / 2;
            if (Get16(ends + 2 * mid) < c)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (lo == segments) return 0;
        const std::uint16_t start = Get16(starts + 2 * lo);
        if (c < start) return 0;
        const std::uint16_t delta = Get16(deltas + 2 * lo);
        const std::uint16_t rangeOffset = Get16(rangeOffsets + 2 * lo);
        if (rangeOffset == 0) {
            glyph = (c + delta) & 0xFFFF;
        } else {
            // The offset counts from the idRangeOffset entry itself into glyphIdArray.
            const std::size_t at = std::size_t(rangeOffsets + 2 * lo - base) + rangeOffset + 2 * (c - start);
            if (at + 2 > room) return 0;
            glyph = Get16(base + at);
            if (glyph != 0) glyph = (glyph + delta) & 0xFFFF;
        }
    } else {
        const std::uint32_t groups = Get32(base + 12);
        const std::uint8_t* g = base + 16;
        std::uint32_t lo = 0, hi = groups;
        while (lo < hi) {
            const std::uint32_t mid = lo + (hi - lo) / 2;
            if (Get32(g + 12 * std::size_t(mid) + 4) < c)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (lo == groups) return 0;
        const std::uint8_t* group = g + 12 * std::size_t(lo);
        const std::uint32_t start = Get32(group);
        if (c < start) return 0;
        const std::uint64_t id = std::uint64_t(Get32(group + 8)) + (c - start);
        glyph = id > 0xFFFF ? 0 : static_cast<std::uint32_t>(id);
    }
    return glyph < FGlyphCount ? static_cast<std::uint16_t>(glyph) : 0;
}

std::uint16_t TTrueTypeFont::GlyphIndex(char32_t c) const {
    std::uint16_t glyph = LookUp(c);
    // Symbol fonts put their characters at U+F020-U+F0FF; documents name them by the byte.
    if (glyph == 0 && FSymbol && c >= 0x20 && c <= 0xFF) glyph = LookUp(0xF000 + c);
    return glyph;
}

std::int32_t TTrueTypeFont::AdvanceUnits(std::uint16_t glyph) const {
    const std::size_t index = glyph < FHMetricCount ? glyph : FHMetricCount - 1u;
    return Get16(FHmtx.data() + 4 * index);
}

std::int32_t TTrueTypeFont::Entry(char32_t c) const {
    if (c > 0x10FFFF) return -1;
    const std::uint32_t number = static_cast<std::uint32_t>(c) >> 8;
    if (number != FLastPageNumber) {
        auto& page = FPages[number];
        if (!page) {
            page = std::make_unique<TPage>();
            for (std::uint32_t i = 0; i < 256; ++i) {
                const std::uint16_t glyph = GlyphIndex(static_cast<char32_t>((number << 8) | i));
                (*page)[i] = glyph == 0 ? -1 : AdvanceUnits(glyph);
            }
        }
        FLastPageNumber = number;
        FLastPage = page.get();
    }
    return (*FLastPage)[c & 0xFF];
}

double TTrueTypeFont::LeftBearing(char32_t c) const {
    const std::uint16_t glyph = Entry(c) < 0 ? 0 : LookUp(c);
    // Glyphs past the metrics' count keep their bearings in a table not kept here.
    if (glyph == 0 || glyph >= FHMetricCount) return 0;
    return static_cast<std::int16_t>(Get16(FHmtx.data() + 4 * std::size_t(glyph) + 2)) / double(FUnitsPerEm);
}

double TTrueTypeFont::Advance(char32_t c) const {
    const std::int32_t units = Entry(c);
    return units < 0 ? 0.0 : units / double(FUnitsPerEm);
}

}  // namespace layout
