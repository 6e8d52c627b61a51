#include "pdf/FontFace.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "pdf/PdfError.h"
#include "platform/File.h"
#include "platform/FileSystem.h"

namespace pdf {
namespace {

constexpr std::uint32_t kTagTtcf = 0x74746366;      // 'ttcf'
constexpr std::uint32_t kTagOtto = 0x4F54544F;      // 'OTTO': PostScript (CFF) outlines
constexpr std::uint32_t kVersionTrue = 0x74727565;  // 'true': Apple TrueType
constexpr std::uint32_t kVersion1 = 0x00010000;
constexpr std::uint32_t kMaxTables = 256;

constexpr std::uint32_t Tag(const char (&s)[5]) {
    return std::uint32_t(std::uint8_t(s[0])) << 24 | std::uint32_t(std::uint8_t(s[1])) << 16 |
           std::uint32_t(std::uint8_t(s[2])) << 8 | std::uint32_t(std::uint8_t(s[3]));
}

// What the PDF library embeds; anything else in the file stays behind. 'post' is rebuilt.
constexpr std::array kKeptTags = {Tag("OS/2"), Tag("cmap"), Tag("cvt "), Tag("fpgm"), Tag("glyf"), Tag("head"),
                                  Tag("hhea"), Tag("hmtx"), Tag("loca"), Tag("maxp"), Tag("name"), Tag("prep")};
// The library refuses a face without these; minimum lengths of the fields it reads.
struct TRequired {
    std::uint32_t Tag;
    std::uint32_t MinLength;
};
constexpr std::array kRequired = {TRequired{Tag("head"), 54}, TRequired{Tag("hhea"), 36}, TRequired{Tag("maxp"), 6},
                                  TRequired{Tag("OS/2"), 78}, TRequired{Tag("cmap"), 4},  TRequired{Tag("name"), 6},
                                  TRequired{Tag("hmtx"), 4},  TRequired{Tag("loca"), 4},  TRequired{Tag("glyf"), 0}};

// fsType bits: restricted licence, no subsetting, bitmap embedding only.
constexpr std::uint16_t kFsTypeForbidden = 0x0002 | 0x0100 | 0x0200;

std::uint16_t Get16(const std::uint8_t* p) { return std::uint16_t(p[0] << 8 | p[1]); }
std::uint32_t Get32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v >> 8);
    p[1] = std::uint8_t(v);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    Put16(p, v >> 16);
    Put16(p + 2, v);
}

class TFontReader {
public:
    explicit TFontReader(const std::wstring& path) : FPath(path) {
        platform::TErrorCode error = platform::kErrorSuccess;
        FFile = platform::TFile::OpenReadShared(path, error);
        if (!FFile) Fail(L"cannot be opened. " + platform::SystemErrorMessage(error));
        const std::int64_t size = FFile.Seek(0, 2);
        if (size < 0) Fail(L"cannot be read");
        FSize = static_cast<std::uint64_t>(size);
    }

    std::vector<std::uint8_t> Read(std::uint64_t offset, std::uint64_t count) {
        if (offset > FSize || count > FSize - offset) Fail(L"is damaged: a table lies beyond its end");
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
        std::uint64_t done = 0;
        if (FFile.Seek(static_cast<std::int64_t>(offset), 0) < 0) Fail(L"cannot be read");
        while (done < count) {
            const auto chunk = static_cast<std::int32_t>(std::min<std::uint64_t>(count - done, 1 << 30));
            const std::int32_t n = FFile.Read(bytes.data() + done, chunk);
            if (n <= 0) Fail(L"cannot be read");
            done += static_cast<std::uint64_t>(n);
        }
        return bytes;
    }

    [[noreturn]] void Fail(const std::wstring& why) const {
        throw EPdfError(L"The font file \"" + FPath + L"\" " + why + L".");
    }

private:
    std::wstring FPath;
    platform::TFile FFile;
    std::uint64_t FSize = 0;
};

struct TTable {
    std::uint32_t Tag = 0;
    std::vector<std::uint8_t> Bytes;
};

// The 'post' table without glyph names: its header fields kept, memory hints cleared.
std::vector<std::uint8_t> SlimPost(const std::vector<std::uint8_t>& original) {
    std::vector<std::uint8_t> post(32, 0);
    if (original.size() >= 16) std::memcpy(post.data(), original.data(), 16);
    Put32(post.data(), 0x00030000);
    return post;
}

std::uint32_t Checksum(const std::uint8_t* padded, std::size_t size) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 4 <= size; i += 4) sum += Get32(padded + i);
    return sum;
}

using TTables = std::vector<TTable>;

const std::vector<std::uint8_t>* Find(const TTables& tables, std::uint32_t tag) {
    for (const auto& t : tables)
        if (t.Tag == tag) return &t.Bytes;
    return nullptr;
}

struct TDirectory {
    std::uint64_t Offset = 0;
    std::uint32_t NumTables = 0;
};

// Face faceIndex's table directory, its header checked to be a TrueType face's.
TDirectory FaceDirectory(TFontReader& reader, int faceIndex) {
    std::uint64_t directory = 0;
    auto header = reader.Read(0, 12);
    if (Get32(header.data()) == kTagTtcf) {
        const std::uint32_t count = Get32(header.data() + 8);
        if (faceIndex < 0 || static_cast<std::uint32_t>(faceIndex) >= count)
            reader.Fail(L"has no face " + std::to_wstring(faceIndex));
        directory = Get32(reader.Read(12 + 4 * static_cast<std::uint64_t>(faceIndex), 4).data());
        header = reader.Read(directory, 12);
    } else if (faceIndex != 0) {
        reader.Fail(L"has no face " + std::to_wstring(faceIndex));
    }
    const std::uint32_t version = Get32(header.data());
    if (version == kTagOtto) reader.Fail(L"has PostScript outlines, which cannot be embedded");
    if (version != kVersion1 && version != kVersionTrue) reader.Fail(L"is no TrueType font");
    return {directory, Get16(header.data() + 4)};
}

// The kept tables, the first of each tag, and 'post' apart.
TTables ReadTables(TFontReader& reader, const TDirectory& directory, std::vector<std::uint8_t>& post) {
    const std::uint32_t numTables = directory.NumTables;
    if (numTables == 0 || numTables > kMaxTables) reader.Fail(L"is damaged");
    const auto records = reader.Read(directory.Offset + 12, 16 * std::uint64_t{numTables});
    TTables tables;
    for (std::uint32_t i = 0; i < numTables; ++i) {
        const std::uint8_t* r = records.data() + 16 * i;
        const std::uint32_t tag = Get32(r);
        const bool kept = std::find(kKeptTags.begin(), kKeptTags.end(), tag) != kKeptTags.end();
        if (!kept && tag != Tag("post")) continue;
        if (std::any_of(tables.begin(), tables.end(), [&](const TTable& t) { return t.Tag == tag; })) continue;
        auto bytes = reader.Read(Get32(r + 8), Get32(r + 12));
        if (tag == Tag("post"))
            post = std::move(bytes);
        else
            tables.push_back({tag, std::move(bytes)});
    }
    return tables;
}

// The tables the library needs are there, long enough, and let the face be embedded.
void CheckRequired(const TFontReader& reader, const TTables& tables) {
    for (const auto& required : kRequired) {
        const auto* table = Find(tables, required.Tag);
        if (!table) {
            if (required.Tag == Tag("glyf")) reader.Fail(L"has no TrueType outlines, which cannot be embedded");
            reader.Fail(L"is damaged: a table it needs is missing");
        }
        if (table->size() < required.MinLength) reader.Fail(L"is damaged: a table is too short");
    }
    if (Get16(Find(tables, Tag("OS/2"))->data() + 8) & kFsTypeForbidden)
        reader.Fail(L"may not be embedded in a document: its licence forbids it");
}

// The glyph counts and 'loca' format, checked against the tables they describe.
void ReadGlyphCounts(const TFontReader& reader, const TTables& tables, TFaceTables& out) {
    out.NumGlyphs = Get16(Find(tables, Tag("maxp"))->data() + 4);
    out.NumberOfHMetrics = Get16(Find(tables, Tag("hhea"))->data() + 34);
    const bool longLoca = Get16(Find(tables, Tag("head"))->data() + 50) != 0;
    out.LongLoca = longLoca;
    const auto& loca = *Find(tables, Tag("loca"));
    const std::size_t glyfSize = Find(tables, Tag("glyf"))->size();
    const std::size_t numGlyphs = out.NumGlyphs;
    if (numGlyphs == 0 || out.NumberOfHMetrics == 0 || out.NumberOfHMetrics > numGlyphs ||
        Find(tables, Tag("hmtx"))->size() <
            4 * std::size_t{out.NumberOfHMetrics} + 2 * (numGlyphs - out.NumberOfHMetrics) ||
        loca.size() < (numGlyphs + 1) * (longLoca ? 4 : 2))
        reader.Fail(L"is damaged: its glyph tables disagree");
    // The library follows these offsets unchecked.
    std::uint64_t previous = 0;
    for (std::size_t g = 0; g <= numGlyphs; ++g) {
        const std::uint64_t offset =
            longLoca ? Get32(loca.data() + 4 * g) : 2 * std::uint64_t{Get16(loca.data() + 2 * g)};
        if (offset < previous || offset > glyfSize) reader.Fail(L"is damaged: its glyph offsets are wrong");
        previous = offset;
    }
}

// The tables, sorted by tag, as one font file with its directory and checksums; where the glyph
// tables went is noted in face.Tables.
void Assemble(TTables& tables, TFontFace& face) {
    std::sort(tables.begin(), tables.end(), [](const TTable& a, const TTable& b) { return a.Tag < b.Tag; });
    const auto count = static_cast<std::uint32_t>(tables.size());
    std::uint32_t entrySelector = 0;
    while ((2u << entrySelector) <= count) ++entrySelector;
    const std::uint32_t searchRange = 16u << entrySelector;
    std::size_t total = 12 + 16 * std::size_t{count};
    for (const auto& t : tables) total += (t.Bytes.size() + 3) & ~std::size_t{3};
    face.Data.assign(total, 0);
    face.Tables.Size = total;
    std::uint8_t* out = face.Data.data();
    Put32(out, kVersion1);
    Put16(out + 4, count);
    Put16(out + 6, searchRange);
    Put16(out + 8, entrySelector);
    Put16(out + 10, count * 16 - searchRange);
    std::size_t offset = 12 + 16 * std::size_t{count};
    for (std::uint32_t i = 0; i < count; ++i) {
        auto& t = tables[i];
        if (t.Tag == Tag("head")) Put32(t.Bytes.data() + 8, 0);  // checkSumAdjustment: the library recomputes it
        const auto at = static_cast<std::uint32_t>(offset), length = static_cast<std::uint32_t>(t.Bytes.size());
        if (t.Tag == Tag("hmtx")) face.Tables.HmtxOffset = at;
        if (t.Tag == Tag("loca")) face.Tables.LocaOffset = at, face.Tables.LocaSize = length;
        if (t.Tag == Tag("glyf")) face.Tables.GlyfOffset = at, face.Tables.GlyfSize = length;
        std::memcpy(out + offset, t.Bytes.data(), t.Bytes.size());
        const std::size_t padded = (t.Bytes.size() + 3) & ~std::size_t{3};
        std::uint8_t* record = out + 12 + 16 * i;
        Put32(record, t.Tag);
        Put32(record + 4, Checksum(out + offset, padded));
        Put32(record + 8, static_cast<std::uint32_t>(offset));
        Put32(record + 12, static_cast<std::uint32_t>(t.Bytes.size()));
        offset += padded;
    }
}

}  // namespace

TFontFace ReadFontFace(const std::wstring& path, int faceIndex) {
    TFontReader reader(path);
    const TDirectory directory = FaceDirectory(reader, faceIndex);
    std::vector<std::uint8_t> post;
    TTables tables = ReadTables(reader, directory, post);
    CheckRequired(reader, tables);
    TFontFace face;
    ReadGlyphCounts(reader, tables, face.Tables);
    tables.push_back({Tag("post"), SlimPost(post)});
    Assemble(tables, face);
    return face;
}

TGlyphTables GlyphTables(std::span<const std::uint8_t> face, const TFaceTables& tables) {
    const auto within = [&](std::uint32_t offset, std::uint32_t size) {
        return offset <= face.size() && size <= face.size() - offset ? face.subspan(offset, size)
                                                                     : std::span<const std::uint8_t>{};
    };
    return {within(tables.LocaOffset, tables.LocaSize), within(tables.GlyfOffset, tables.GlyfSize), tables.LongLoca,
            tables.NumGlyphs};
}

void AddComponentGlyphs(const TGlyphTables& glyphs, std::span<std::uint8_t> used) {
    constexpr std::uint16_t kArgsAreWords = 0x0001, kScale = 0x0008, kMoreComponents = 0x0020, kXYScale = 0x0040,
                            kTwoByTwo = 0x0080;
    const std::size_t entry = glyphs.LongLoca ? 4 : 2;
    if (glyphs.Loca.size() < 2 * entry) return;
    const std::size_t count = std::min({glyphs.NumGlyphs, used.size(), glyphs.Loca.size() / entry - 1});
    const auto offset = [&](std::size_t g) -> std::size_t {
        return glyphs.LongLoca ? Get32(glyphs.Loca.data() + 4 * g) : 2 * std::size_t{Get16(glyphs.Loca.data() + 2 * g)};
    };
    std::vector<std::uint32_t> pending;
    for (std::size_t g = 0; g < count; ++g)
        if (used[g]) pending.push_back(static_cast<std::uint32_t>(g));
    while (!pending.empty()) {
        const std::uint32_t g = pending.back();
        pending.pop_back();
        const std::size_t start = offset(g), end = std::min(offset(g + 1), glyphs.Glyf.size());
        // A composite glyph: a negative contour count, then the bounding box, then its components.
        if (start + 10 > end || static_cast<std::int16_t>(Get16(glyphs.Glyf.data() + start)) >= 0) continue;
        std::uint16_t flags = kMoreComponents;
        for (std::size_t at = start + 10; (flags & kMoreComponents) && at + 4 <= end;) {
            flags = Get16(glyphs.Glyf.data() + at);
            const std::uint16_t component = Get16(glyphs.Glyf.data() + at + 2);
            at += 4 + ((flags & kArgsAreWords) ? 4 : 2) +
                  ((flags & kScale) ? 2 : (flags & kXYScale) ? 4 : (flags & kTwoByTwo) ? 8 : 0);
            if (component < count && !used[component]) {
                used[component] = 1;
                pending.push_back(component);
            }
        }
    }
}

}  // namespace pdf
