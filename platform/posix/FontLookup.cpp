#include "platform/FontLookup.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <tuple>
#include <unordered_map>

#include "platform/Text.h"
#include "platform/posix/PathTranslation.h"

namespace platform {
namespace {

struct TFontSetDeleter {
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};
struct TPatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
struct TObjectSetDeleter {
    void operator()(FcObjectSet* set) const { FcObjectSetDestroy(set); }
};

// fontconfig's own rule for family names: case and blanks don't count.
std::string FamilyKey(std::string_view name) {
    std::string key;
    key.reserve(name.size());
    for (char ch : name) {
        if (ch == ' ') continue;
        key.push_back(ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch);
    }
    return key;
}

// libharu reads sfnt files only: no WOFF, no Mac resource-fork suitcases.
bool SfntFileName(std::string_view file) {
    const std::size_t dot = file.rfind('.');
    if (dot == std::string_view::npos) return false;
    const std::string ext = FamilyKey(file.substr(dot + 1));
    return ext == "ttf" || ext == "ttc" || ext == "otf";
}

struct TEntry {
    std::string File;
    int Index = 0;
    int Weight = 400;  // OpenType's scale
    int Slant = FC_SLANT_ROMAN;
    int Width = FC_WIDTH_NORMAL;
    FcCharSet* Charset = nullptr;  // owned by the font set
    int Coverage = 0;
    std::string Family;  // the first family name: sorts ties the same way every run

    bool IsBold() const { return Weight >= 600; }
    bool IsItalic() const { return Slant != FC_SLANT_ROMAN; }
    TFontFace Face() const { return TFontFace{FromNativePath(File), Index, IsBold(), IsItalic(), Weight}; }
};

// Lower is closer. Slant outweighs weight (a slanted face looks right; a slant made by the writer
// less so), and a face of normal width beats condensed or expanded ones of the same family. Between
// two weights as far from the one asked for, the one on the side it leans to: lighter for light.
int StyleDistance(const TEntry& e, int weight, bool italic) {
    const bool wrongSide = weight < 400 ? e.Weight > weight : e.Weight < weight;
    return (e.IsItalic() != italic ? 100000000 : 0) + std::abs(e.Width - FC_WIDTH_NORMAL) * 10000 +
           std::abs(e.Weight - weight) * 2 + (wrongSide ? 1 : 0);
}

// For coverage, style counts only coarsely: a wide face beats a narrow one a few weights nearer.
int StyleClass(const TEntry& e, bool bold, bool italic) {
    return (e.IsItalic() != italic ? 4 : 0) + (e.IsBold() != bold ? 2 : 0) + (e.Width != FC_WIDTH_NORMAL ? 1 : 0) +
           (e.Weight < 380 ? 2 : 0);
}

struct TConfigDeleter {
    void operator()(FcConfig* config) const { FcConfigDestroy(config); }
};

// Every installed face, listed once per process: matching by our own rules on this index is exact
// and costs a look-up, where FcFontMatch always answers with something, asked or not. The index
// owns its configuration rather than fontconfig's global one, so that it is freed at exit.
struct TFontIndex {
    std::unique_ptr<FcConfig, TConfigDeleter> Config;
    std::unique_ptr<FcFontSet, TFontSetDeleter> Set;
    std::vector<TEntry> Entries;
    std::unordered_map<std::string, std::vector<std::size_t>> ByFamily;

    TFontIndex() : Config(FcInitLoadConfigAndFonts()) {
        if (!Config) return;
        std::unique_ptr<FcPattern, TPatternDeleter> all(FcPatternCreate());
        std::unique_ptr<FcObjectSet, TObjectSetDeleter> objects(
            FcObjectSetBuild(FC_FAMILY, FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, FC_WIDTH, FC_FONTFORMAT, FC_CHARSET,
                             FC_VARIABLE, static_cast<char*>(nullptr)));
        if (!all || !objects) return;
        Set.reset(FcFontList(Config.get(), all.get(), objects.get()));
        if (!Set) return;
        for (int i = 0; i < Set->nfont; ++i) {
            FcPattern* p = Set->fonts[i];
            FcChar8* format = nullptr;
            FcChar8* file = nullptr;
            if (FcPatternGetString(p, FC_FONTFORMAT, 0, &format) != FcResultMatch ||
                std::string_view(reinterpret_cast<char*>(format)) != "TrueType")
                continue;
            if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch) continue;
            TEntry e;
            e.File = reinterpret_cast<char*>(file);
            if (!SfntFileName(e.File)) continue;
            FcBool variable = FcFalse;
            // A variable font's named instances share the default outlines: not what they promise.
            if (FcPatternGetBool(p, FC_VARIABLE, 0, &variable) == FcResultMatch && variable) continue;
            FcPatternGetInteger(p, FC_INDEX, 0, &e.Index);
            if (e.Index < 0 || e.Index > 0xFFFF) continue;
            int weight = FC_WEIGHT_REGULAR;
            FcPatternGetInteger(p, FC_WEIGHT, 0, &weight);
            e.Weight = FcWeightToOpenType(weight);
            if (e.Weight <= 0) e.Weight = 400;
            FcPatternGetInteger(p, FC_SLANT, 0, &e.Slant);
            FcPatternGetInteger(p, FC_WIDTH, 0, &e.Width);
            if (FcPatternGetCharSet(p, FC_CHARSET, 0, &e.Charset) == FcResultMatch)
                e.Coverage = static_cast<int>(FcCharSetCount(e.Charset));
            const std::size_t index = Entries.size();
            FcChar8* family = nullptr;
            for (int k = 0; FcPatternGetString(p, FC_FAMILY, k, &family) == FcResultMatch; ++k) {
                if (k == 0) e.Family = reinterpret_cast<char*>(family);
                auto& list = ByFamily[FamilyKey(reinterpret_cast<char*>(family))];
                if (std::find(list.begin(), list.end(), index) == list.end()) list.push_back(index);
            }
            Entries.push_back(std::move(e));
        }
    }

    std::optional<TFontFace> Find(const std::string& family, int weight, bool italic) const {
        const auto it = ByFamily.find(FamilyKey(family));
        if (it == ByFamily.end()) return std::nullopt;
        const TEntry* best = nullptr;
        int bestDistance = 0;
        for (std::size_t index : it->second) {
            const TEntry& e = Entries[index];
            const int distance = StyleDistance(e, weight, italic);
            if (!best || distance < bestDistance ||
                (distance == bestDistance && std::tie(e.File, e.Index) < std::tie(best->File, best->Index))) {
                best = &e;
                bestDistance = distance;
            }
        }
        return best->Face();
    }
};

// Built on first use, read-only after: fontconfig's scan happens once however many documents a run converts.
const TFontIndex& SharedIndex() {
    static const TFontIndex index;
    return index;
}

}  // namespace

struct TFontLookup::TImpl {
    const TFontIndex& Index = SharedIndex();
};

TFontLookup::TFontLookup(std::wstring) : FImpl(std::make_unique<TImpl>()) {}

TFontLookup::~TFontLookup() = default;

std::optional<TFontFace> TFontLookup::Find(const std::wstring& family, bool bold, bool italic) {
    return Find(family, bold ? 700 : 400, italic);
}

std::optional<TFontFace> TFontLookup::Find(const std::wstring& family, int weight, bool italic) {
    return FImpl->Index.Find(ToUtf8(family), std::clamp(weight, 1, 1000), italic);
}

std::optional<TFontFace> TFontLookup::FindGeneric(TGenericFamily generic, bool bold, bool italic) {
    const TFontIndex& index = FImpl->Index;
    if (!index.Config) return std::nullopt;
    const char* name = generic == TGenericFamily::gfSerif       ? "serif"
                       : generic == TGenericFamily::gfMonospace ? "monospace"
                                                                : "sans-serif";
    std::unique_ptr<FcPattern, TPatternDeleter> pattern(FcPatternCreate());
    if (!pattern) return std::nullopt;
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name));
    FcConfigSubstitute(index.Config.get(), pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    std::unique_ptr<FcFontSet, TFontSetDeleter> sorted(
        FcFontSort(index.Config.get(), pattern.get(), FcFalse, nullptr, &result));
    if (!sorted) return std::nullopt;
    // The first family in the system's order that we can use, at the style asked for.
    for (int i = 0; i < sorted->nfont; ++i) {
        FcChar8* family = nullptr;
        if (FcPatternGetString(sorted->fonts[i], FC_FAMILY, 0, &family) != FcResultMatch) continue;
        if (auto face = index.Find(reinterpret_cast<char*>(family), bold ? 700 : 400, italic)) return face;
    }
    return std::nullopt;
}

std::vector<TFontFace> TFontLookup::FindCovering(char32_t c, bool bold, bool italic, std::size_t limit) {
    std::vector<const TEntry*> covering;
    for (const TEntry& e : FImpl->Index.Entries)
        if (e.Charset && FcCharSetHasChar(e.Charset, static_cast<FcChar32>(c))) covering.push_back(&e);
    // Ties go by name, file and face, so the answer is the same however fontconfig listed them.
    const auto key = [&](const TEntry* e) {
        return std::make_tuple(StyleClass(*e, bold, italic), -e->Coverage, std::string_view(e->Family),
                               StyleDistance(*e, bold ? 700 : 400, italic), std::string_view(e->File), e->Index);
    };
    std::sort(covering.begin(), covering.end(), [&](const TEntry* a, const TEntry* b) { return key(a) < key(b); });
    std::vector<TFontFace> faces;
    for (const TEntry* e : covering) {
        if (faces.size() >= limit) break;
        faces.push_back(e->Face());
    }
    return faces;
}

}  // namespace platform
