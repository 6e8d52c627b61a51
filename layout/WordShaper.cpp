#include "layout/WordShaper.h"

#include <hb.h>

#include <algorithm>
#include <functional>

#include "layout/Unicode.h"
#include "platform/File.h"

namespace layout {
namespace {

struct THbDeleter {
    void operator()(hb_blob_t* p) const noexcept { hb_blob_destroy(p); }
    void operator()(hb_face_t* p) const noexcept { hb_face_destroy(p); }
    void operator()(hb_font_t* p) const noexcept { hb_font_destroy(p); }
    void operator()(hb_buffer_t* p) const noexcept { hb_buffer_destroy(p); }
};
template <class T>
using THb = std::unique_ptr<T, THbDeleter>;

// The whole file, read through the platform layer (HarfBuzz's own reader takes no Unicode paths
// on Windows); empty when it cannot be read.
std::vector<char> ReadWhole(const std::wstring& path) {
    platform::TErrorCode error = platform::kErrorSuccess;
    platform::TFile file = platform::TFile::OpenReadShared(path, error);
    if (!file) return {};
    const std::int64_t size = file.Seek(0, 2);
    if (size <= 0 || size > (std::int64_t{1} << 30) || file.Seek(0, 0) != 0) return {};
    std::vector<char> bytes(static_cast<std::size_t>(size));
    for (std::size_t done = 0; done < bytes.size();) {
        const std::int32_t n = file.Read(bytes.data() + done, static_cast<std::int32_t>(bytes.size() - done));
        if (n <= 0) return {};
        done += static_cast<std::size_t>(n);
    }
    return bytes;
}

}  // namespace

struct TWordShaper::TFace {
    std::vector<char> Bytes;
    THb<hb_font_t> Font;
    THb<hb_buffer_t> Buffer;
    float UnitsPerEm = 1000;

    // A word shaped before: its text lies in Keys, its glyphs in Blocks.
    struct TWord {
        std::uint64_t Hash = 0;  // 0: the slot is free
        std::uint32_t KeyStart = 0, KeyLength = 0;
        const TShapedGlyph* Glyphs = nullptr;
        std::uint32_t Count = 0;
        bool RightToLeft = false;
    };
    std::vector<TWord> Table = std::vector<TWord>(1024);  // a power of two long, at most three quarters full
    std::size_t Used = 0;
    std::u16string Keys;  // a document's text at most, which the read budget keeps far below 2^32 units
    // Glyphs never move once stored: callers keep the spans handed out.
    std::vector<std::unique_ptr<TShapedGlyph[]>> Blocks;
    std::size_t BlockFree = 0;  // glyphs left at the end of the last block
    std::vector<TShapedGlyph> Shaped;  // the word being shaped, before it is stored

    std::span<const TShapedGlyph> Find(std::u16string_view word, bool rightToLeft);
    void Shape(std::u16string_view word, bool rightToLeft);
    char32_t OwnCharacter(std::u16string_view cluster, hb_codepoint_t glyph) const;

private:
    const TShapedGlyph* Store(std::span<const TShapedGlyph> glyphs);
    void Grow();
};

// The character of the cluster whose own glyph (by the character map) this is; 0: none.
char32_t TWordShaper::TFace::OwnCharacter(std::u16string_view cluster, hb_codepoint_t glyph) const {
    std::size_t units = 0;
    for (std::size_t i = 0; i < cluster.size(); i += units) {
        const char32_t c = DecodeAt(cluster, i, units);
        hb_codepoint_t own = 0;
        if (hb_font_get_nominal_glyph(Font.get(), c, &own) && own == glyph) return c;
    }
    return 0;
}

void TWordShaper::TFace::Shape(std::u16string_view word, bool rightToLeft) {
    hb_buffer_t* buffer = Buffer.get();
    hb_buffer_clear_contents(buffer);
    hb_buffer_add_utf16(buffer, reinterpret_cast<const std::uint16_t*>(word.data()), static_cast<int>(word.size()),
                        0, static_cast<int>(word.size()));
    hb_buffer_guess_segment_properties(buffer);
    hb_buffer_set_direction(buffer, rightToLeft ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
    hb_shape(Font.get(), buffer, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* position = hb_buffer_get_glyph_positions(buffer, &count);
    std::vector<TShapedGlyph>& glyphs = Shaped;
    glyphs.assign(count, TShapedGlyph{});
    for (unsigned g = 0; g < count; ++g) {
        TShapedGlyph& out = glyphs[rightToLeft ? count - 1 - g : g];
        out.Cluster = info[g].cluster;
        out.Id = static_cast<std::uint16_t>(info[g].codepoint);
        out.Advance = static_cast<float>(position[g].x_advance) / UnitsPerEm;
        out.Natural = static_cast<float>(hb_font_get_glyph_h_advance(Font.get(), info[g].codepoint)) / UnitsPerEm;
        out.XOffset = static_cast<float>(position[g].x_offset) / UnitsPerEm;
        out.YOffset = static_cast<float>(position[g].y_offset) / UnitsPerEm;
    }
    // A cluster runs to where the next one starts.
    for (std::size_t g = 0; g < glyphs.size(); ++g) {
        std::size_t end = word.size();
        for (std::size_t k = g + 1; k < glyphs.size(); ++k)
            if (glyphs[k].Cluster > glyphs[g].Cluster) {
                end = glyphs[k].Cluster;
                break;
            }
        if (glyphs[g].Id != 0 && glyphs[g].Cluster < end)
            glyphs[g].Character = OwnCharacter(word.substr(glyphs[g].Cluster, end - glyphs[g].Cluster), glyphs[g].Id);
    }
}

const TShapedGlyph* TWordShaper::TFace::Store(std::span<const TShapedGlyph> glyphs) {
    constexpr std::size_t kBlockGlyphs = 16384;
    if (glyphs.empty()) return nullptr;
    TShapedGlyph* at = nullptr;
    if (glyphs.size() > kBlockGlyphs) {
        // A word longer than a block gets one of its own, put before the block being filled.
        auto own = std::make_unique<TShapedGlyph[]>(glyphs.size());
        at = own.get();
        Blocks.insert(Blocks.empty() ? Blocks.end() : Blocks.end() - 1, std::move(own));
    } else {
        if (glyphs.size() > BlockFree) {
            Blocks.push_back(std::make_unique<TShapedGlyph[]>(kBlockGlyphs));
            BlockFree = kBlockGlyphs;
        }
        at = Blocks.back().get() + (kBlockGlyphs - BlockFree);
        BlockFree -= glyphs.size();
    }
    std::copy(glyphs.begin(), glyphs.end(), at);
    return at;
}

void TWordShaper::TFace::Grow() {
    std::vector<TWord> table(Table.size() * 2);
    const std::size_t mask = table.size() - 1;
    for (const TWord& word : Table)
        if (word.Hash != 0) {
            std::size_t i = word.Hash & mask;
            while (table[i].Hash != 0) i = (i + 1) & mask;
            table[i] = word;
        }
    Table = std::move(table);
}

std::span<const TShapedGlyph> TWordShaper::TFace::Find(std::u16string_view word, bool rightToLeft) {
    std::uint64_t hash = std::hash<std::u16string_view>{}(word) ^ (rightToLeft ? 0x9E3779B97F4A7C15u : 0);
    if (hash == 0) hash = 1;
    const std::size_t mask = Table.size() - 1;
    std::size_t i = hash & mask;
    for (; Table[i].Hash != 0; i = (i + 1) & mask) {
        const TWord& known = Table[i];
        if (known.Hash == hash && known.RightToLeft == rightToLeft &&
            std::u16string_view(Keys).substr(known.KeyStart, known.KeyLength) == word)
            return {known.Glyphs, known.Count};
    }
    Shape(word, rightToLeft);
    TWord added;
    added.Hash = hash;
    added.KeyStart = static_cast<std::uint32_t>(Keys.size());
    added.KeyLength = static_cast<std::uint32_t>(word.size());
    added.Glyphs = Store(Shaped);
    added.Count = static_cast<std::uint32_t>(Shaped.size());
    added.RightToLeft = rightToLeft;
    Keys += word;
    Table[i] = added;
    if (++Used * 4 > Table.size() * 3) Grow();
    return {added.Glyphs, added.Count};
}

TWordShaper::TWordShaper() = default;
TWordShaper::~TWordShaper() = default;

TWordShaper::TFace* TWordShaper::Face(const TFont& font) {
    if (const auto known = FByFont.find(&font); known != FByFont.end()) return known->second;
    const TFontFile& file = font.File();
    auto& slot = FFaces[{file.Path, file.FaceIndex}];
    if (!slot) {
        slot = std::make_unique<TFace>();
        if (!file.Path.empty()) slot->Bytes = ReadWhole(file.Path);
        if (!slot->Bytes.empty() && file.FaceIndex >= 0) {
            THb<hb_blob_t> blob(hb_blob_create(slot->Bytes.data(), static_cast<unsigned>(slot->Bytes.size()),
                                               HB_MEMORY_MODE_READONLY, nullptr, nullptr));
            THb<hb_face_t> face(hb_face_create(blob.get(), static_cast<unsigned>(file.FaceIndex)));
            const unsigned upem = hb_face_get_upem(face.get());
            if (hb_face_get_glyph_count(face.get()) > 0 && upem > 0) {
                slot->Font.reset(hb_font_create(face.get()));
                slot->Buffer.reset(hb_buffer_create());
                slot->UnitsPerEm = static_cast<float>(upem);
            }
        }
        if (!slot->Font) slot->Bytes.clear();
    }
    FByFont.emplace(&font, slot.get());
    return slot.get();
}

std::optional<std::span<const TShapedGlyph>> TWordShaper::Shape(const TFont& font, std::u16string_view word,
                                                                bool rightToLeft) {
    TFace* face = Face(font);
    if (!face->Font) return std::nullopt;
    return face->Find(word, rightToLeft);
}

}  // namespace layout
