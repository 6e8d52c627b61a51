// The modern-document benchmark: writes a long Pages 5-style document, and times reading it
// into the document model.
//   bench_modern generate FILE.pages [PAGES]   a package of about PAGES pages of styled text, with
//                                              pictures and tables every tenth page
//   bench_modern read INDEX_FOLDER [ROUNDS]    load + model, first round and best of ROUNDS; peak memory
#include <snappy.h>
// The pictures are made here with stb's encoders (libstb-dev): the benchmark ships no files.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "convert/PackageBuilder.h"
#include "iwork/IwaArchive.h"
#include "iwork/ModernReader.h"
#include "iwork/ObjectStore.h"
#include "platform/Text.h"
#include "support/IwaWriter.h"

using namespace testsupport;

namespace {

// Bump when the generated document changes: bench/run.sh generates it again then.
constexpr const char* kVersion = "modern-4";

// Message types, as Pages writes them.
constexpr std::uint32_t kDocumentType = 10000, kSettingsType = 10012, kSectionType = 10011,
                        kPageMasterType = 10143, kStylesheetType = 401, kStorageType = 2001,
                        kCharacterStyleType = 2021, kParagraphStyleType = 2022, kListStyleType = 2023,
                        kColumnStyleType = 2024, kNumberAttachmentType = 2043, kMetadataType = 11006,
                        kDrawableAttachmentType = 2003, kImageType = 3005, kMediaStyleType = 3016,
                        kTableInfoType = 6000, kTableModelType = 6001, kTileType = 6002, kTableStyleType = 6003,
                        kCellStyleType = 6004, kDataListType = 6005, kHeaderBucketType = 6006,
                        kRichTextType = 6218;

// Object identifiers.
enum : std::uint64_t {
    kRoot = 1, kMetadata = 2, kStylesheet = 3, kSettings = 4, kSection = 5, kPageMaster = 6, kColumns = 7,
    kBody = 10, kHeaderLeft = 11, kHeaderCenter = 12, kHeaderRight = 13, kFooterLeft = 14, kFooterCenter = 15,
    kFooterRight = 16, kPageNumber = 17,
    // paragraph styles
    kBodyStyle = 20, kHeading1, kHeading2, kQuoteStyle, kBulletStyle, kNumberedStyle, kHeaderStyle,
    // character styles
    kEmphasis = 30, kStrong, kCode, kLink,
    // list styles
    kNoList = 40, kBullets, kNumbers,
    // figures and tables: the figure paragraph, the picture frame, the cells' text, the table's look
    kFigureStyle = 50, kPictureStyle, kCellBody, kCellHeader, kCellLabel, kTableStyle, kHeaderCells,
    // the first of the objects made for each figure and table
    kFirstFigureObject = 1000,
};

// The pictures' data identifiers, as the package metadata lists them.
constexpr std::uint64_t kPhotoData = 101, kBadgeData = 102;
constexpr int kPhotoWidth = 800, kPhotoHeight = 500, kBadgeWidth = 360, kBadgeHeight = 270;

// {1 name, 2 identifier}: the style record every style starts with.
TProtoWriter Record(const char* name, std::uint64_t id) {
    TProtoWriter record;
    record.String(1, name).String(2, "bench-" + std::to_string(id));
    return record;
}

TProtoWriter Reference(std::uint64_t id) { return TProtoWriter().Varint(1, id); }

// {1 model (1 RGB), 3 r, 4 g, 5 b, 6 a}
TProtoWriter Color(float r, float g, float b) {
    return TProtoWriter().Varint(1, 1).Float(3, r).Float(4, g).Float(5, b).Float(6, 1);
}

// Character properties {1 bold, 2 italic, 3 size, 5 font name, 7 colour}, as Pages writes
// them on base styles: every property present.
TProtoWriter Characters(float size, const char* font, bool bold, bool italic, float grey = 0) {
    return TProtoWriter().Bool(1, bold).Bool(2, italic).Float(3, size).String(5, font).Message(7, Color(grey, grey, grey))
        .Varint(10, 0).Bool(11, false).Bool(12, false).Float(14, 0).Float(27, 0);
}

// Paragraph properties {1 alignment, 7 first-line indent, 10 keep with next, 11 left indent,
// 13 spacing, 19 right indent, 20 after, 21 before, 26 widow control, 27 outline level, 40 list}.
TProtoWriter Paragraphs(std::uint64_t alignment, float before, float after, float left = 0, float right = 0,
                        std::uint64_t outline = 0xFFFFFFFF, bool keepWithNext = false, std::uint64_t list = kNoList) {
    TProtoWriter p;
    p.Varint(1, alignment).Float(4, 36).Float(7, 0).Bool(9, false).Bool(10, keepWithNext).Float(11, left);
    p.Message(13, TProtoWriter().Varint(1, 0).Float(2, 1)).Bool(14, false).Float(19, right).Float(20, after);
    p.Float(21, before).Bool(26, true).Varint(27, outline).Reference(40, list);
    return p;
}

TIwaObject ParagraphStyle(std::uint64_t id, const char* name, const TProtoWriter& characters,
                          const TProtoWriter& paragraph) {
    return {id, kParagraphStyleType,
            TProtoWriter().Message(1, Record(name, id)).Message(11, characters).Message(12, paragraph)};
}

// A variation: only the properties it changes, over no parent (the reader takes them over
// the paragraph's own).
TIwaObject CharacterStyle(std::uint64_t id, const char* name, const TProtoWriter& characters) {
    return {id, kCharacterStyleType, TProtoWriter().Message(1, Record(name, id)).Message(11, characters)};
}

// {11 label types, 12 text indents (ems), 13 label indents, 15 number types, 16 bullets, 25 tiered}, 9 levels.
TIwaObject ListStyle(std::uint64_t id, const char* name, std::uint64_t label) {
    TProtoWriter list;
    list.Message(1, Record(name, id));
    list.PackedVarints(11, std::vector<std::uint64_t>(9, label));
    list.PackedFloats(12, std::vector<float>(9, 1.5f));
    std::vector<float> indents;
    for (int level = 0; level < 9; ++level) indents.push_back(18.0f * static_cast<float>(level));
    list.PackedFloats(13, indents);
    list.PackedVarints(15, std::vector<std::uint64_t>(9, 0));
    for (const char* bullet : {"\xE2\x80\xA2", "\xE2\x80\x93", "\xE2\x80\xA2", "\xE2\x80\x93", "\xE2\x80\xA2",
                               "\xE2\x80\x93", "\xE2\x80\xA2", "\xE2\x80\x93", "\xE2\x80\xA2"})
        list.String(16, label == 2 ? bullet : "");
    list.PackedVarints(25, std::vector<std::uint64_t>(9, 0));
    return {id, kListStyleType, list};
}

// Text and the UTF-16 length the tables count in.
struct TText {
    std::string Utf8;
    std::uint32_t Units = 0;
    void Add(const std::string& s) {
        Utf8 += s;
        for (const char c : s)
            if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++Units;  // every character here is in the BMP
    }
};

// {1 entries {1 character index, 2 object}}; an entry without an object keeps (paragraph
// tables) or ends (character styles) the one before.
struct TTable {
    TProtoWriter Writer;
    void Add(std::uint32_t at, std::uint64_t object) {
        TProtoWriter entry;
        entry.Varint(1, at);
        if (object != 0) entry.Message(2, Reference(object));
        Writer.Message(1, entry);
    }
    void AddData(std::uint32_t at, std::uint64_t first, std::uint64_t second) {
        Writer.Message(1, TProtoWriter().Varint(1, at).Varint(2, first).Varint(3, second));
    }
};

// Words of a made-up language with the punctuation of real prose (curly quotes, dashes),
// so that line breaking, measuring and the UTF-8 decoder all do real work.
class TWords {
public:
    explicit TWords(std::mt19937& random) : FRandom(random) {}
    std::string Word() {
        static const char* const syllables[] = {"lo", "rem", "ip", "sum", "do", "lor", "sit", "a", "met", "con",
                                                "sec", "te", "tur", "ad", "pi", "sc", "ing", "e", "lit", "sed"};
        std::string word;
        const int n = 1 + static_cast<int>(FRandom() % 4);
        for (int s = 0; s < n; ++s) word += syllables[FRandom() % 20];
        return word;
    }
    // count words, the first capitalised, ending in a full stop.
    std::string Sentence(int count) {
        std::string text;
        for (int w = 0; w < count; ++w) {
            if (w > 0) {
                const auto r = FRandom() % 60;
                text += r < 4 ? ", " : r == 4 ? " \xE2\x80\x94 " : " ";  // em dash
            }
            std::string word = Word();
            if (w == 0) word[0] = static_cast<char>(word[0] - 'a' + 'A');
            const auto r = FRandom() % 80;
            if (r == 0) word += "\xE2\x80\x99s";                                  // it's
            else if (r == 1) word = "\xE2\x80\x9C" + word + "\xE2\x80\x9D";       // "quoted"
            text += word;
        }
        return text + ".";
    }
    std::string Prose(int words) {
        std::string text;
        while (words > 0) {
            const int n = std::min(words, 8 + static_cast<int>(FRandom() % 14));
            if (!text.empty()) text += " ";
            text += Sentence(n);
            words -= n;
        }
        return text;
    }

private:
    std::mt19937& FRandom;
};

// --- Pictures and tables -----------------------------------------------------------------

void AppendBytes(void* context, void* data, int size) {
    auto& out = *static_cast<std::string*>(context);
    out.append(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

// A photograph-like JPEG: a sky, two ranges of hills and a grain that keeps it from compressing
// to nothing (about 100 KB).
std::string PhotoJpeg() {
    std::vector<std::uint8_t> pixels(std::size_t(kPhotoWidth) * kPhotoHeight * 3);
    std::mt19937 grain(7);
    for (int y = 0; y < kPhotoHeight; ++y)
        for (int x = 0; x < kPhotoWidth; ++x) {
            const double far = 230 + 40 * std::sin(x * 0.011) + 18 * std::sin(x * 0.047 + 1);
            const double near = 330 + 50 * std::sin(x * 0.007 + 2) + 12 * std::sin(x * 0.09);
            double r, g, b;
            if (y < far) {  // sky, lighter towards the horizon
                const double t = y / far;
                r = 70 + 120 * t, g = 130 + 90 * t, b = 210 + 35 * t;
            } else if (y < near) {
                r = 60, g = 110 - 0.1 * (y - far), b = 90;
            } else {
                r = 90 + 0.2 * (y - near), g = 140 - 0.15 * (y - near), b = 50;
            }
            const double n = static_cast<double>(grain() % 25) - 12;
            std::uint8_t* p = &pixels[(std::size_t(y) * kPhotoWidth + x) * 3];
            p[0] = static_cast<std::uint8_t>(std::clamp(r + n, 0.0, 255.0));
            p[1] = static_cast<std::uint8_t>(std::clamp(g + n, 0.0, 255.0));
            p[2] = static_cast<std::uint8_t>(std::clamp(b + n, 0.0, 255.0));
        }
    std::string jpeg;
    stbi_write_jpg_to_func(AppendBytes, &jpeg, kPhotoWidth, kPhotoHeight, 3, pixels.data(), 85);
    return jpeg;
}

// A PNG with transparency: a shaded disc with a ring, its edge fading out, on nothing.
std::string BadgePng() {
    std::vector<std::uint8_t> pixels(std::size_t(kBadgeWidth) * kBadgeHeight * 4);
    const double cx = kBadgeWidth / 2.0, cy = kBadgeHeight / 2.0, radius = 120;
    for (int y = 0; y < kBadgeHeight; ++y)
        for (int x = 0; x < kBadgeWidth; ++x) {
            const double d = std::hypot(x - cx, y - cy);
            const double shade = 1 - 0.5 * d / radius;
            const bool ring = d > radius - 18 && d < radius - 10;
            std::uint8_t* p = &pixels[(std::size_t(y) * kBadgeWidth + x) * 4];
            p[0] = static_cast<std::uint8_t>(ring ? 250 : 230 * shade);
            p[1] = static_cast<std::uint8_t>(ring ? 250 : 120 * shade + 40 * std::sin(x * 0.05));
            p[2] = static_cast<std::uint8_t>(ring ? 250 : 40 + 30 * std::sin(y * 0.07));
            p[3] = static_cast<std::uint8_t>(std::clamp((radius - d) * 32, 0.0, 255.0));
        }
    std::string png;
    stbi_write_png_to_func(AppendBytes, &png, kBadgeWidth, kBadgeHeight, 4, pixels.data(), kBadgeWidth * 4);
    return png;
}

// {1 position {1 x, 2 y}, 2 size {1 width, 2 height}}
TProtoWriter Geometry(float x, float y, float w, float h) {
    return TProtoWriter().Message(1, TProtoWriter().Float(1, x).Float(2, y))
        .Message(2, TProtoWriter().Float(1, w).Float(2, h));
}

// The drawable record {1 geometry, 3 wrap {1 type, 4 margin}}: type 0 inline, 4 text around.
TProtoWriter DrawableRecord(float x, float y, float w, float h, std::uint64_t wrap) {
    return TProtoWriter().Message(1, Geometry(x, y, w, h)).Message(3, TProtoWriter().Varint(1, wrap).Float(4, 12));
}

// A tile record of the current storage: version 5, the type, the flags at 8, then the fields
// the flags name in ascending bit order.
std::string CellRecord(std::uint8_t type, std::uint32_t flags, const std::string& fields) {
    std::string r = {5, static_cast<char>(type), 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) r += static_cast<char>(flags >> (8 * i));
    return r + fields;
}

std::string U32(std::uint32_t v) {
    std::string r;
    for (int i = 0; i < 4; ++i) r += static_cast<char>(v >> (8 * i));
    return r;
}

// decimal128 with a binary significand: the tiles' numbers (0x1820 is 10^0).
std::string Decimal(std::uint64_t significand, int exponent) {
    std::string b(16, '\0');
    for (int i = 0; i < 8; ++i) b[i] = static_cast<char>(significand >> (8 * i));
    const unsigned biased = static_cast<unsigned>(exponent + 0x1820);
    b[14] = static_cast<char>((biased & 0x7F) << 1);
    b[15] = static_cast<char>(biased >> 7);
    return b;
}

class TBodyWriter {
public:
    TBodyWriter(std::mt19937& random, std::vector<TIwaObject>& objects)
        : FRandom(random), FWords(random), FObjects(objects) {
        FLists.Add(0, kNoList);
        FLevels.AddData(0, 0, 0);
    }

    void Heading(std::uint64_t style, const std::string& text) { Paragraph(style, text); }

    // Body text with a few styled words: emphasis, strong, code, a link.
    void Body(int words) {
        const std::uint32_t start = FText.Units;
        std::string text = FWords.Prose(words);
        Paragraph(kBodyStyle, text);
        const int spans = static_cast<int>(FRandom() % 4);
        std::uint32_t from = start;
        for (int s = 0; s < spans; ++s) {
            // A few words somewhere after the previous span, before the paragraph's end.
            const std::uint32_t length = static_cast<std::uint32_t>(text.size());  // units <= bytes: stays inside
            const std::uint32_t at = from + 1 + static_cast<std::uint32_t>(FRandom() % (length / 4 + 1));
            const std::uint32_t end = at + 4 + static_cast<std::uint32_t>(FRandom() % 20);
            if (end >= FText.Units - 1) break;
            static const std::uint64_t kinds[] = {kEmphasis, kStrong, kCode, kLink};
            FCharacters.Add(at, kinds[FRandom() % 4]);
            FCharacters.Add(end, 0);
            from = end;
        }
    }

    void Quote(int words) { Paragraph(kQuoteStyle, FWords.Prose(words)); }

    // The photograph inline, in a centred paragraph of its own, as Pages places a picture "in
    // line with text". Every figure shows the same data file.
    void InlinePicture() {
        TProtoWriter image;
        image.Message(1, DrawableRecord(0, 0, 360, 225, 0))
            .Reference(3, kPictureStyle)
            .Message(9, TProtoWriter().Float(1, kPhotoWidth).Float(2, kPhotoHeight))
            .Message(11, TProtoWriter().Varint(1, kPhotoData));
        const std::uint64_t picture = Add(kImageType, image, {kPictureStyle});
        const std::uint64_t attachment = Add(kDrawableAttachmentType, TProtoWriter().Reference(1, picture), {picture});
        FAttachments.Add(FText.Units, attachment);
        Paragraph(kFigureStyle, "\xEF\xBF\xBC");
    }

    // A body paragraph with the badge anchored to it, at the right edge of the text a third of
    // the way down its page (where Pages drew it), the text wrapping round it.
    void AnchoredPicture(int words) {
        constexpr float x = 595.28f - 72 - 144, y = 300;
        TProtoWriter image;
        image.Message(1, DrawableRecord(x, y, 144, 108, 4))
            .Message(9, TProtoWriter().Float(1, kBadgeWidth).Float(2, kBadgeHeight))
            .Message(11, TProtoWriter().Varint(1, kBadgeData));
        const std::uint64_t picture = Add(kImageType, image);
        // {1 drawable, 2 horizontal from (0 the column), 3 x, 4 vertical from (1 the page), 5 y}
        const std::uint64_t attachment = Add(
            kDrawableAttachmentType,
            TProtoWriter().Reference(1, picture).Varint(2, 0).Float(3, x - 72).Varint(4, 1).Float(5, y), {picture});
        FAttachments.Add(FText.Units, attachment);
        Paragraph(kBodyStyle, "\xEF\xBF\xBC" + FWords.Prose(words));
    }

    // A table in a paragraph of its own: a header row on a dark fill, then rows of a label (its
    // own text style), a description in rich text with an emphasised word, a count and an amount.
    void Table(int number) {
        constexpr int kRows = 6, kColumns = 4;
        static const char* const headings[kColumns] = {"Item", "Description", "Units", "Amount"};
        static const float widths[kColumns] = {110, 180, 60, 100};
        TProtoWriter strings, rich, styles, formats;
        strings.Varint(1, 1);
        rich.Varint(1, 8);
        styles.Varint(1, 4);
        formats.Varint(1, 2);
        std::uint32_t nextString = 1, nextRich = 1;
        auto string = [&](const std::string& text) {
            strings.Message(3, TProtoWriter().Varint(1, nextString).Varint(2, 1).String(3, text));
            return nextString++;
        };
        // Key 1: the labels' text style.
        styles.Message(3, TProtoWriter().Varint(1, 1).Varint(2, kRows - 1).Reference(4, kCellLabel));
        // Key 1: euros, two decimals, thousands grouped.
        formats.Message(3, TProtoWriter().Varint(1, 1).Varint(2, kRows - 1)
                               .Message(6, TProtoWriter().Varint(1, 257).Varint(2, 2).String(3, "EUR").Bool(5, true)));
        std::vector<std::uint64_t> references = {kTableStyle, kHeaderCells, kCellBody, kCellHeader, kCellLabel};
        TProtoWriter tile;
        for (int row = 0; row < kRows; ++row) {
            std::string buffer, offsets;
            for (int column = 0; column < kColumns; ++column) {
                offsets += static_cast<char>(buffer.size() & 0xFF);
                offsets += static_cast<char>(buffer.size() >> 8);
                if (row == 0) {
                    buffer += CellRecord(3, 0x8, U32(string(headings[column])));
                } else if (column == 0) {
                    std::string label = "T";  // appended piece by piece: GCC 12 warns of a false -Wrestrict
                    label += std::to_string(number);
                    label += '.';
                    label += std::to_string(row);
                    buffer += CellRecord(3, 0x8 | 0x40, U32(string(label)) + U32(1));
                } else if (column == 1) {
                    // Rich text: a storage of its own with a character style on one word.
                    const std::string first = FWords.Word(), second = FWords.Word();
                    TProtoWriter storage;
                    storage.Varint(1, 3).String(3, first + " " + second + " " + FWords.Word());
                    TTable paragraphs, characters;
                    paragraphs.Add(0, kCellBody);
                    const auto at = static_cast<std::uint32_t>(first.size() + 1);
                    characters.Add(at, kEmphasis);
                    characters.Add(at + static_cast<std::uint32_t>(second.size()), 0);
                    storage.Message(5, paragraphs.Writer).Message(8, characters.Writer);
                    const std::uint64_t text = Add(kStorageType, storage, {kCellBody, kEmphasis});
                    const std::uint64_t payload = Add(kRichTextType, TProtoWriter().Reference(1, text), {text});
                    rich.Message(3, TProtoWriter().Varint(1, nextRich).Varint(2, 1).Reference(9, payload));
                    references.push_back(payload);
                    buffer += CellRecord(9, 0x10, U32(nextRich++));
                } else if (column == 2) {
                    buffer += CellRecord(2, 0x1, Decimal(1 + FRandom() % 500, 0));
                } else {
                    buffer += CellRecord(10, 0x1 | 0x4000, Decimal(100 + FRandom() % 9999900, -2) + U32(1));
                }
            }
            tile.Message(5, TProtoWriter().Varint(1, row).Varint(2, kColumns).Varint(5, 5)
                                .Bytes(6, std::span(reinterpret_cast<const std::uint8_t*>(buffer.data()), buffer.size()))
                                .Bytes(7, std::span(reinterpret_cast<const std::uint8_t*>(offsets.data()), offsets.size())));
        }
        strings.Varint(2, nextString);
        rich.Varint(2, nextRich);
        const std::uint64_t tileId = Add(kTileType, tile);
        TProtoWriter columns;
        for (int column = 0; column < kColumns; ++column)
            columns.Message(2, TProtoWriter().Varint(1, static_cast<std::uint64_t>(column)).Float(2, widths[column]));
        const std::uint64_t columnBucket = Add(kHeaderBucketType, columns);
        const std::uint64_t stringList = Add(kDataListType, strings), richList = Add(kDataListType, rich),
                            styleList = Add(kDataListType, styles, {kCellLabel}), formatList = Add(kDataListType, formats);
        TProtoWriter store;
        store.Reference(2, columnBucket)
            .Message(3, TProtoWriter().Varint(2, 256).Message(1, TProtoWriter().Varint(1, 0).Reference(2, tileId)))
            .Reference(4, stringList).Reference(5, styleList).Reference(17, richList).Reference(22, formatList);
        references.insert(references.end(), {columnBucket, tileId, stringList, richList, styleList, formatList});
        TProtoWriter model;
        model.String(1, "table-" + std::to_string(number)).Reference(3, kTableStyle).Message(4, store);
        model.Varint(6, kRows).Varint(7, kColumns).String(8, "Table " + std::to_string(number)).Varint(9, 1);
        model.Double(16, 20).Double(17, 100).Reference(19, kHeaderCells).Reference(24, kCellBody).Reference(25, kCellHeader);
        const std::uint64_t modelId = Add(kTableModelType, model, references);
        const std::uint64_t table = Add(kTableInfoType,
                                        TProtoWriter().Message(1, DrawableRecord(0, 0, 450, kRows * 20, 0)).Reference(2, modelId),
                                        {modelId});
        const std::uint64_t attachment = Add(kDrawableAttachmentType, TProtoWriter().Reference(1, table), {table});
        FAttachments.Add(FText.Units, attachment);
        Paragraph(kBodyStyle, "\xEF\xBF\xBC");
    }

    // A bulleted list with some second-level items, or a numbered one that starts at 1.
    void List(bool numbered, int items) {
        FLists.Add(FText.Units, numbered ? kNumbers : kBullets);
        if (numbered) FStarts.AddData(FText.Units, 1, 0);
        int level = 0;
        for (int i = 0; i < items; ++i) {
            const int next = (!numbered && i > 0 && FRandom() % 3 == 0) ? 1 : 0;
            if (next != level) FLevels.AddData(FText.Units, static_cast<std::uint64_t>(next), 0);
            level = next;
            Paragraph(numbered ? kNumberedStyle : kBulletStyle, FWords.Prose(8 + static_cast<int>(FRandom() % 25)));
        }
        if (level != 0) FLevels.AddData(FText.Units, 0, 0);
        FLists.Add(FText.Units, kNoList);
    }

    TProtoWriter Storage() {
        TProtoWriter body;
        body.Varint(1, 0).String(3, FText.Utf8);
        body.Message(5, FParagraphs.Writer).Message(6, FLevels.Writer).Message(7, FLists.Writer);
        body.Message(8, FCharacters.Writer).Message(9, FAttachments.Writer);
        TTable columns, sections;
        columns.Add(0, kColumns);
        sections.Add(0, kSection);
        body.Message(12, columns.Writer).Message(14, FStarts.Writer).Message(17, sections.Writer);
        return body;
    }
    const TText& Text() const { return FText; }

    // The objects the body's attachments name.
    std::vector<std::uint64_t> AttachmentObjects() const { return FAttached; }

private:
    std::uint64_t Add(std::uint32_t type, const TProtoWriter& payload, std::vector<std::uint64_t> references = {}) {
        FObjects.emplace_back(FNext, type, payload.Data(), std::move(references));
        if (type == kDrawableAttachmentType) FAttached.push_back(FNext);
        return FNext++;
    }

    // Pages writes one paragraph-style entry per paragraph, naming the style only where it changes.
    void Paragraph(std::uint64_t style, const std::string& text) {
        FParagraphs.Add(FText.Units, style == FStyle ? 0 : style);
        FStyle = style;
        FText.Add(text);
        FText.Add("\n");
    }

    std::mt19937& FRandom;
    TWords FWords;
    std::vector<TIwaObject>& FObjects;
    std::uint64_t FNext = kFirstFigureObject;
    std::vector<std::uint64_t> FAttached;
    TText FText;
    std::uint64_t FStyle = 0;
    TTable FParagraphs, FLevels, FLists, FCharacters, FStarts, FAttachments;
};

// A header or footer storage (kind 1) in the header style.
TIwaObject HeaderStorage(std::uint64_t id, const std::string& text, std::vector<std::pair<std::uint32_t, std::uint64_t>> attachments = {}) {
    TProtoWriter storage;
    storage.Varint(1, 1).String(3, text);
    TTable styles, table;
    styles.Add(0, kHeaderStyle);
    storage.Message(5, styles.Writer);
    std::vector<std::uint64_t> references = {kHeaderStyle};
    if (!attachments.empty()) {
        for (const auto& [at, object] : attachments) {
            table.Add(at, object);
            references.push_back(object);
        }
        storage.Message(9, table.Writer);
    }
    return {id, kStorageType, storage, references};
}

// One .iwa file as Pages writes it: chunks of at most 64 KiB, each a Snappy block.
TBytes CompressedIwa(const std::vector<TIwaObject>& objects) {
    const TBytes stream = IwaArchives(objects);
    TBytes file;
    std::string block;
    for (std::size_t at = 0; at < stream.size(); at += 65536) {
        const std::size_t n = std::min<std::size_t>(65536, stream.size() - at);
        block.resize(snappy::MaxCompressedLength(n));
        std::size_t size = 0;
        snappy::RawCompress(reinterpret_cast<const char*>(stream.data() + at), n, block.data(), &size);
        file.push_back(0);
        for (int i = 0; i < 3; ++i) file.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
        file.insert(file.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(size));
    }
    return file;
}

int Generate(const std::string& path, int pages) {
    std::mt19937 random(20131022);
    std::vector<TIwaObject> objects;
    TBodyWriter body(random, objects);
    // About 540 words a page of 11 pt text (a page of Helvetica Neue 11 pt on 12 pt lines holds
    // six to seven such paragraphs): chapters every ten pages, sections every third,
    // a list every fourth page, a quote every fifth; every tenth page a photograph after the
    // chapter's first paragraph, a badge the text wraps round and a table.
    for (int page = 0; page < pages; ++page) {
        int paragraphs = page % 5 < 3 ? 7 : 6;
        if (page % 10 == 0) {
            body.Heading(kHeading1, "Chapter " + std::to_string(page / 10 + 1));
            body.Body(64 + static_cast<int>(random() % 40));
            body.InlinePicture();
            paragraphs -= 3;
        }
        if (page % 3 == 1) body.Heading(kHeading2, "Section " + std::to_string(page / 3 + 1));
        if (page % 4 == 2) body.List(page % 8 == 6, 3 + static_cast<int>(random() % 4));
        if (page % 5 == 3) body.Quote(40 + static_cast<int>(random() % 30));
        if (page % 10 == 5) {
            body.AnchoredPicture(90 + static_cast<int>(random() % 30));
            --paragraphs;
        }
        if (page % 10 == 7) {
            body.Table(page / 10 + 1);
            paragraphs -= 2;
        }
        for (int p = 0; p < paragraphs; ++p) body.Body(64 + static_cast<int>(random() % 40));
    }

    TProtoWriter root;
    root.Reference(2, kStylesheet).Reference(4, kBody).Reference(7, kSettings);
    root.Float(30, 595.28f).Float(31, 841.89f).Float(32, 72).Float(33, 72).Float(34, 72).Float(35, 72);
    root.Float(36, 36).Float(37, 36);
    objects.emplace_back(kRoot, kDocumentType, root, std::vector<std::uint64_t>{kStylesheet, kBody, kSettings});
    objects.emplace_back(kSettings, kSettingsType, TProtoWriter().Bool(1, true).Bool(2, true).Bool(3, true));

    // The body, then its section, page master and header with a page number.
    std::vector<std::uint64_t> bodyReferences = {kBodyStyle, kHeading1, kHeading2, kQuoteStyle, kBulletStyle,
                                                 kNumberedStyle, kFigureStyle, kEmphasis, kStrong, kCode, kLink,
                                                 kNoList, kBullets, kNumbers, kSection, kColumns};
    for (const std::uint64_t id : body.AttachmentObjects()) bodyReferences.push_back(id);
    objects.emplace_back(kBody, kStorageType, body.Storage(), bodyReferences);
    objects.emplace_back(kSection, kSectionType,
                         TProtoWriter().Bool(17, false).Bool(18, false).Bool(19, false).Reference(23, kPageMaster)
                             .Reference(24, kPageMaster).Reference(25, kPageMaster),
                         std::vector<std::uint64_t>{kPageMaster});
    TProtoWriter master;
    for (const std::uint64_t id : {kHeaderLeft, kHeaderCenter, kHeaderRight}) master.Reference(1, id);
    for (const std::uint64_t id : {kFooterLeft, kFooterCenter, kFooterRight}) master.Reference(2, id);
    objects.emplace_back(kPageMaster, kPageMasterType, master,
                         std::vector<std::uint64_t>{kHeaderLeft, kHeaderCenter, kHeaderRight, kFooterLeft,
                                                    kFooterCenter, kFooterRight});
    objects.push_back(HeaderStorage(kHeaderLeft, "The Benchmark Report"));
    objects.push_back(HeaderStorage(kHeaderCenter, ""));
    objects.push_back(HeaderStorage(kHeaderRight, "Page \xEF\xBF\xBC", {{5, kPageNumber}}));
    objects.push_back(HeaderStorage(kFooterLeft, ""));
    objects.push_back(HeaderStorage(kFooterCenter, ""));
    objects.push_back(HeaderStorage(kFooterRight, ""));
    // A number attachment {1 textual {2 kind: 0 page number}, 3 what Pages last showed}.
    objects.emplace_back(kPageNumber, kNumberAttachmentType, TProtoWriter().Message(1, TProtoWriter().Varint(2, 0)).String(3, "1"));
    objects.emplace_back(kColumns, kColumnStyleType,
                         TProtoWriter().Message(1, Record("Columns", kColumns))
                             .Message(11, TProtoWriter().Message(7, TProtoWriter().Message(1, TProtoWriter().Varint(1, 1).Float(2, 18)))));

    // Styles.
    const char* const font = "HelveticaNeue";
    objects.push_back(ParagraphStyle(kBodyStyle, "Body", Characters(11, font, false, false), Paragraphs(4, 0, 6)));
    objects.push_back(ParagraphStyle(kHeading1, "Heading", Characters(20, "HelveticaNeue-Bold", true, false),
                                     Paragraphs(0, 18, 8, 0, 0, 0, true)));
    objects.push_back(ParagraphStyle(kHeading2, "Heading 2", Characters(14, "HelveticaNeue-Medium", true, false, 0.2f),
                                     Paragraphs(0, 12, 6, 0, 0, 1, true)));
    objects.push_back(ParagraphStyle(kQuoteStyle, "Quote", Characters(11, "HelveticaNeue-Italic", false, true, 0.35f),
                                     Paragraphs(4, 6, 12, 36, 36)));
    objects.push_back(ParagraphStyle(kBulletStyle, "Bullet", Characters(11, font, false, false),
                                     Paragraphs(4, 0, 4, 0, 0, 0xFFFFFFFF, false, kBullets)));
    objects.push_back(ParagraphStyle(kNumberedStyle, "Numbered", Characters(11, font, false, false),
                                     Paragraphs(4, 0, 4, 0, 0, 0xFFFFFFFF, false, kNumbers)));
    objects.push_back(ParagraphStyle(kHeaderStyle, "Header & Footer", Characters(9, font, false, false, 0.4f),
                                     Paragraphs(4, 0, 0)));
    objects.push_back(ParagraphStyle(kFigureStyle, "Figure", Characters(11, font, false, false),
                                     Paragraphs(2, 6, 12)));
    objects.push_back(ParagraphStyle(kCellBody, "Table Style 2 - Body", Characters(10, font, false, false),
                                     Paragraphs(0, 0, 0)));
    objects.push_back(ParagraphStyle(kCellHeader, "Table Style 2 - Header",
                                     Characters(10, "HelveticaNeue-Bold", true, false, 1.0f), Paragraphs(0, 0, 0)));
    objects.push_back(ParagraphStyle(kCellLabel, "Table Label", Characters(10, "HelveticaNeue-Medium", true, false, 0.15f),
                                     Paragraphs(0, 0, 0)));
    // {1 record, 11 properties {1 stroke {1 colour, 2 width}}}: a thin frame round the photograph.
    objects.emplace_back(kPictureStyle, kMediaStyleType,
                         TProtoWriter().Message(1, Record("Picture", kPictureStyle))
                             .Message(11, TProtoWriter().Message(1, TProtoWriter().Message(1, Color(0.3f, 0.3f, 0.3f)).Float(2, 1))));
    // The table's lines: its border (58, 59), the header row's separator (46), thin body rules (60).
    auto stroke = [](float grey, float width) { return TProtoWriter().Message(1, Color(grey, grey, grey)).Float(2, width); };
    objects.emplace_back(kTableStyle, kTableStyleType,
                         TProtoWriter().Message(1, Record("Table Style 2", kTableStyle))
                             .Message(11, TProtoWriter().Bool(33, false).Bool(34, true).Bool(38, true)
                                              .Message(46, stroke(0.1f, 1)).Message(58, stroke(0.1f, 1))
                                              .Message(59, stroke(0.1f, 1)).Message(60, stroke(0.6f, 0.5f))));
    // The header row's cells: a dark blue fill {11 {1 fill {1 colour}}}.
    objects.emplace_back(kHeaderCells, kCellStyleType,
                         TProtoWriter().Message(1, Record("Header cells", kHeaderCells))
                             .Message(11, TProtoWriter().Message(1, TProtoWriter().Message(1, Color(0.12f, 0.25f, 0.45f)))));
    objects.push_back(CharacterStyle(kEmphasis, "Emphasis", TProtoWriter().Bool(2, true)));
    objects.push_back(CharacterStyle(kStrong, "Strong", TProtoWriter().Bool(1, true)));
    objects.push_back(CharacterStyle(kCode, "Code", TProtoWriter().Float(3, 10).String(5, "Menlo-Regular")));
    objects.push_back(CharacterStyle(kLink, "Link", TProtoWriter().Bool(11, true).Message(7, Color(0.0f, 0.33f, 0.8f))));
    objects.push_back(ListStyle(kNoList, "None", 0));
    objects.push_back(ListStyle(kBullets, "Bullet", 2));
    objects.push_back(ListStyle(kNumbers, "Numbered", 3));
    TProtoWriter stylesheet;
    std::vector<std::uint64_t> styles;
    for (const std::uint64_t id : {kBodyStyle, kHeading1, kHeading2, kQuoteStyle, kBulletStyle, kNumberedStyle,
                                   kHeaderStyle, kFigureStyle, kCellBody, kCellHeader, kCellLabel, kPictureStyle,
                                   kTableStyle, kHeaderCells, kEmphasis, kStrong, kCode, kLink, kNoList, kBullets,
                                   kNumbers}) {
        stylesheet.Reference(1, id);
        styles.push_back(id);
    }
    objects.emplace_back(kStylesheet, kStylesheetType, stylesheet, styles);

    std::vector<TPackageEntry> entries;
    const TBytes document = CompressedIwa(objects);
    // The package's data list {4 {1 identifier, 3 preferred name, 4 file name}}.
    TProtoWriter data;
    data.Message(4, TProtoWriter().Varint(1, kPhotoData).String(3, "hills.jpg").String(4, "hills-101.jpg"));
    data.Message(4, TProtoWriter().Varint(1, kBadgeData).String(3, "badge.png").String(4, "badge-102.png"));
    const TBytes metadata = CompressedIwa({TIwaObject(kMetadata, kMetadataType, data.Data())});
    const std::string photo = PhotoJpeg(), badge = BadgePng();
    // Pages stores its entries.
    entries.push_back({"Index/Document.iwa", std::string(document.begin(), document.end())});
    entries.push_back({"Index/Metadata.iwa", std::string(metadata.begin(), metadata.end())});
    entries.push_back({"Data/hills-101.jpg", photo});
    entries.push_back({"Data/badge-102.png", badge});
    const TBytes zip = BuildPackage(entries);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(zip.data()), static_cast<std::streamsize>(zip.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("%s: about %d pages, %u characters of text, Document.iwa %zu bytes (%zu decompressed), JPEG %zu "
                "bytes, PNG %zu bytes, package %zu bytes\n",
                path.c_str(), pages, body.Text().Units, document.size(), IwaArchives(objects).size(), photo.size(),
                badge.size(), zip.size());
    return 0;
}

// The engine path of a native one.
std::wstring EnginePath(const std::string& native) {
    std::wstring path = platform::FromUtf8(native);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

struct TUsage {
    double PeakMiB = 0;   // largest resident set so far
    long Faults = 0;      // pages first touched (minor faults)
    double CpuMs = 0;     // user + system
};

TUsage Usage() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0; };
    return {static_cast<double>(usage.ru_maxrss) / 1024.0, usage.ru_minflt + usage.ru_majflt,
            ms(usage.ru_utime) + ms(usage.ru_stime)};
}

std::size_t DecompressedSize(const std::string& iwa) {
    std::ifstream in(iwa, std::ios::binary | std::ios::ate);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes.empty() ? 0 : iwork::DecompressIwa(bytes).size();
}

int Read(const std::string& indexFolder, int rounds) {
    const TUsage before = Usage();
    iwork::TModernPackage package;
    package.IndexFolder = EnginePath(indexFolder);
    package.Title = L"bench";
    std::size_t paragraphs = 0;
    double best = 1e9, bestLoad = 1e9, first = 0, firstLoad = 0;
    TUsage afterFirst;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const iwork::TObjectStore store = iwork::LoadObjectStore(package.IndexFolder);
        const auto loaded = std::chrono::steady_clock::now();
        const doc::TDocument document = iwork::ReadModernDocument(store, package);
        const auto end = std::chrono::steady_clock::now();
        const double ms = std::chrono::duration<double, std::milli>(end - start).count();
        const double loadMs = std::chrono::duration<double, std::milli>(loaded - start).count();
        if (i == 0) {
            first = ms;
            firstLoad = loadMs;
            afterFirst = Usage();
        }
        best = std::min(best, ms);
        bestLoad = std::min(bestLoad, loadMs);
        paragraphs = document.Body.Paragraphs.size();
    }
    const TUsage after = Usage();
    // Measured after the peak is taken: it holds the whole stream too.
    const std::size_t decompressed =
        DecompressedSize(indexFolder + "/Document.iwa") + DecompressedSize(indexFolder + "/Metadata.iwa");
    const double mib = static_cast<double>(decompressed) / (1024.0 * 1024.0);
    std::printf("read %zu paragraphs: first round %.1f ms (loading the objects %.1f ms; %.1f ms of CPU, %ld pages "
                "touched), best %.1f ms of %d (loading %.1f ms)\n",
                paragraphs, first, firstLoad, afterFirst.CpuMs - before.CpuMs, afterFirst.Faults - before.Faults,
                best, rounds, bestLoad);
    std::printf("decompressed IWA %.2f MiB; peak memory %.1f MiB, %.2f MiB above the %.1f MiB before reading "
                "(%.2f times the IWA)\n",
                mib, after.PeakMiB, after.PeakMiB - before.PeakMiB, before.PeakMiB,
                (after.PeakMiB - before.PeakMiB) / mib);
    // The same for scripts (bench/run.sh).
    std::printf("figures first_ms=%.1f first_cpu_ms=%.1f first_pages=%ld best_ms=%.1f iwa_mib=%.2f "
                "peak_above_mib=%.2f ratio=%.2f paragraphs=%zu\n",
                first, afterFirst.CpuMs - before.CpuMs, afterFirst.Faults - before.Faults, best, mib,
                after.PeakMiB - before.PeakMiB, (after.PeakMiB - before.PeakMiB) / mib, paragraphs);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--version") {
        std::printf("%s\n", kVersion);
        return 0;
    }
    if (mode == "generate" && argc >= 3) return Generate(argv[2], argc > 3 ? std::atoi(argv[3]) : 1000);
    if (mode == "read" && argc >= 3) return Read(argv[2], argc > 3 ? std::atoi(argv[3]) : 10);
    std::fprintf(stderr, "usage: bench_modern generate FILE.pages [PAGES] | read INDEX_FOLDER [ROUNDS]\n");
    return 2;
}
