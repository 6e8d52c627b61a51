#include "platform/FontLookup.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <map>
#include <optional>
#include <string_view>
#include <tuple>
#include <unordered_map>

#include "platform/Exception.h"
#include "platform/File.h"
#include "platform/FileSystem.h"

namespace platform {
namespace {

// GetFontData wants a table's tag as the bytes appear in the file, read as a little-endian DWORD.
constexpr DWORD TableTag(const char (&s)[5]) {
    return DWORD(std::uint8_t(s[0])) | (DWORD(std::uint8_t(s[1])) << 8) | (DWORD(std::uint8_t(s[2])) << 16) |
           (DWORD(std::uint8_t(s[3])) << 24);
}
constexpr DWORD kWholeFile = 0;
// How much of a font's start identifies it, beside its size: the table directory and then some.
constexpr DWORD kSignatureBytes = 4096;

std::uint16_t Be16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }
std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

std::wstring FamilyKey(const std::wstring& name) {
    std::wstring key;
    for (wchar_t ch : name) {
        if (ch == L' ') continue;
        key.push_back(ch >= L'A' && ch <= L'Z' ? static_cast<wchar_t>(ch - L'A' + L'a') : ch);
    }
    return key;
}

class TDeviceContext {
public:
    TDeviceContext() : FDc(CreateCompatibleDC(nullptr)) {}
    TDeviceContext(const TDeviceContext&) = delete;
    TDeviceContext& operator=(const TDeviceContext&) = delete;
    ~TDeviceContext() {
        if (FDc) DeleteDC(FDc);
    }
    HDC Get() const { return FDc; }

private:
    HDC FDc;
};

// A font made and selected into the context for as long as this lives.
class TSelectedFont {
public:
    TSelectedFont(HDC dc, const LOGFONTW& lf) : FDc(dc), FFont(CreateFontIndirectW(&lf)) {
        if (FFont) FOld = SelectObject(FDc, FFont);
    }
    TSelectedFont(const TSelectedFont&) = delete;
    TSelectedFont& operator=(const TSelectedFont&) = delete;
    ~TSelectedFont() {
        if (FOld) SelectObject(FDc, FOld);
        if (FFont) DeleteObject(FFont);
    }
    explicit operator bool() const { return FOld != nullptr && FOld != HGDI_ERROR; }

private:
    HDC FDc;
    HFONT FFont;
    HGDIOBJ FOld = nullptr;
};

class TRegistryKey {
public:
    TRegistryKey(HKEY root, const wchar_t* path) {
        if (RegOpenKeyExW(root, path, 0, KEY_READ, &FKey) != ERROR_SUCCESS) FKey = nullptr;
    }
    TRegistryKey(const TRegistryKey&) = delete;
    TRegistryKey& operator=(const TRegistryKey&) = delete;
    ~TRegistryKey() {
        if (FKey) RegCloseKey(FKey);
    }
    HKEY Get() const { return FKey; }

private:
    HKEY FKey = nullptr;
};

// Bytes of the selected font; empty when GDI has no such table or part.
std::vector<std::uint8_t> FontData(HDC dc, DWORD table, DWORD offset, DWORD count) {
    if (count == 0) return {};
    std::vector<std::uint8_t> bytes(count);
    const DWORD got = GetFontData(dc, table, offset, bytes.data(), count);
    if (got == GDI_ERROR) return {};
    bytes.resize(std::min(got, count));
    return bytes;
}

DWORD FontDataSize(HDC dc, DWORD table) { return GetFontData(dc, table, 0, nullptr, 0); }

std::uint64_t Fnv1a(const std::vector<std::uint8_t>& bytes, std::uint64_t seed) {
    std::uint64_t h = 1469598103934665603ull ^ seed;
    for (std::uint8_t b : bytes) {
        h ^= b;
        h *= 1099511628211ull;
    }
    return h;
}

std::wstring Hex(std::uint64_t v) {
    wchar_t text[17];
    for (int i = 15; i >= 0; --i, v >>= 4) text[i] = L"0123456789abcdef"[v & 0xF];
    text[16] = 0;
    return text;
}

struct TFamilySearch {
    std::vector<std::wstring> Names;  // TrueType face names GDI enumerated for a family
};

int CALLBACK CollectFamily(const LOGFONTW* lf, const TEXTMETRICW*, DWORD type, LPARAM param) {
    auto* search = reinterpret_cast<TFamilySearch*>(param);
    if (type & TRUETYPE_FONTTYPE) search->Names.push_back(lf->lfFaceName);
    return 1;
}

// Where a family's characters run: wide-coverage faces Windows ships (and the Linux ones Wine
// shows), tried in this order.
const std::vector<std::wstring>& CoveringFamilies(char32_t c) {
    static const std::vector<std::wstring> cjkExtension = {L"SimSun-ExtB", L"MingLiU-ExtB", L"Microsoft YaHei",
                                                           L"WenQuanYi Micro Hei"};
    static const std::vector<std::wstring> emoji = {L"Segoe UI Emoji", L"Segoe UI Symbol", L"DejaVu Sans"};
    static const std::vector<std::wstring> supplementary = {L"Segoe UI Historic", L"Segoe UI Symbol",
                                                            L"Cambria Math", L"Segoe UI Emoji", L"DejaVu Sans"};
    static const std::vector<std::wstring> cjk = {L"Microsoft YaHei", L"Microsoft JhengHei", L"Meiryo",
                                                  L"Yu Gothic", L"MS Gothic", L"Malgun Gothic", L"SimSun",
                                                  L"MingLiU", L"Arial Unicode MS", L"WenQuanYi Micro Hei"};
    static const std::vector<std::wstring> general = {
        L"Segoe UI",         L"Arial",          L"Times New Roman",  L"Arial Unicode MS", L"Segoe UI Symbol",
        L"Nirmala UI",       L"Leelawadee UI",  L"Ebrima",           L"Gadugi",           L"Sylfaen",
        L"Microsoft Himalaya", L"Mongolian Baiti", L"Cambria Math",  L"Lucida Sans Unicode",
        L"Microsoft YaHei",  L"Malgun Gothic",  L"MS Gothic",        L"SimSun",           L"DejaVu Sans",
        L"WenQuanYi Micro Hei"};
    if (c >= 0x20000) return cjkExtension;
    if (c >= 0x1F000 && c < 0x1FB00) return emoji;
    if (c >= 0x10000) return supplementary;
    const bool han = (c >= 0x2E80 && c < 0xA000) || (c >= 0xF900 && c < 0xFB00) || (c >= 0xFE30 && c < 0xFE50) ||
                     (c >= 0xFF00 && c < 0xFFF0) || (c >= 0xAC00 && c < 0xD7B0) || (c >= 0x1100 && c < 0x1200);
    return han ? cjk : general;
}

}  // namespace

struct TFontLookup::TImpl {
    std::wstring Scratch;
    TDeviceContext Dc;
    // Files by what identifies their content: GDI's size and a hash of the first bytes.
    std::unordered_map<std::wstring, std::wstring> Files;
    bool RegistryRead = false;
    std::multimap<std::uint64_t, std::wstring> InstalledBySize;
    std::map<std::tuple<std::wstring, int, bool>, std::optional<TFontFace>> Faces;
    std::unordered_map<std::wstring, std::vector<std::pair<std::uint32_t, std::uint32_t>>> Ranges;

    explicit TImpl(std::wstring scratch) : Scratch(std::move(scratch)) {}

    // The installed font files the registry names, by size: most faces are found this way
    // without writing a byte.
    void ReadRegistry() {
        if (RegistryRead) return;
        RegistryRead = true;
        wchar_t windows[MAX_PATH];
        const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
        const std::wstring fontsFolder =
            length > 0 && length < MAX_PATH ? std::wstring(windows, length) + L"\\Fonts\\" : std::wstring();
        const wchar_t* const key = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            TRegistryKey fonts(root, key);
            if (!fonts.Get()) continue;
            for (DWORD i = 0;; ++i) {
                wchar_t name[512];
                DWORD nameLength = 512;
                wchar_t value[MAX_PATH];
                DWORD valueBytes = sizeof value - sizeof(wchar_t);
                DWORD type = 0;
                const LONG status = RegEnumValueW(fonts.Get(), i, name, &nameLength, nullptr, &type,
                                                  reinterpret_cast<BYTE*>(value), &valueBytes);
                if (status == ERROR_NO_MORE_ITEMS) break;
                if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) continue;
                value[valueBytes / sizeof(wchar_t)] = 0;
                std::wstring path = value;
                if (path.empty()) continue;
                // A bare file name lives in the Windows fonts folder; per-user fonts are full paths.
                if (path.find(L'\\') == std::wstring::npos) path = fontsFolder + path;
                WIN32_FILE_ATTRIBUTE_DATA data;
                if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) continue;
                const std::uint64_t size = (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
                InstalledBySize.emplace(size, path);
            }
        }
    }

    std::wstring InstalledFile(DWORD size, const std::vector<std::uint8_t>& start) {
        ReadRegistry();
        const auto [first, last] = InstalledBySize.equal_range(size);
        for (auto it = first; it != last; ++it) {
            TErrorCode error = kErrorSuccess;
            TFile file = TFile::OpenReadShared(it->second, error);
            if (!file) continue;
            std::vector<std::uint8_t> bytes(start.size());
            if (file.Read(bytes.data(), static_cast<std::int32_t>(bytes.size())) ==
                    static_cast<std::int32_t>(bytes.size()) &&
                bytes == start)
                return it->second;
        }
        return {};
    }

    // The font file behind the selected face: the installed one, else GDI's bytes written once into
    // the scratch folder (a collection as a whole, so its faces share one file).
    std::wstring FileOf(HDC dc, DWORD table, DWORD size) {
        const auto start = FontData(dc, table, 0, std::min(size, kSignatureBytes));
        if (start.empty()) return {};
        const std::wstring id = Hex(Fnv1a(start, size));
        if (auto it = Files.find(id); it != Files.end()) return it->second;
        std::wstring path = InstalledFile(size, start);
        if (path.empty()) {
            // The folder may be given with its final separator, as the engine's folders are.
            const bool separated = !Scratch.empty() && Scratch.back() == L'\\';
            path = Scratch + (separated ? L"font-" : L"\\font-") + id + (table == kWholeFile ? L".ttf" : L".ttc");
            TErrorCode error = kErrorSuccess;
            WIN32_FILE_ATTRIBUTE_DATA data;
            const bool present = GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
                                 data.nFileSizeHigh == 0 && data.nFileSizeLow == size;
            if (!present) {
                const auto bytes = FontData(dc, table, 0, size);
                if (bytes.size() != size) return {};
                CreateFolder(Scratch, error);
                TFile out = TFile::Create(path, error);
                if (!out)
                    throw EFCreateError(L"Cannot create the font file \"" + path + L"\": " + SystemErrorMessage(error) +
                                        L".");
                if (out.Write(bytes.data(), static_cast<std::int32_t>(size)) != static_cast<std::int32_t>(size))
                    throw EWriteError(L"Cannot write the font file \"" + path + L"\".");
            }
        }
        Files.emplace(id, path);
        return path;
    }

    // Which face of the collection is selected: the one whose name table is GDI's.
    std::optional<int> CollectionIndex(HDC dc) {
        const DWORD nameSize = FontDataSize(dc, TableTag("name"));
        if (nameSize == GDI_ERROR || nameSize == 0) return std::nullopt;
        const auto name = FontData(dc, TableTag("name"), 0, nameSize);
        const DWORD ttcf = TableTag("ttcf");
        const auto header = FontData(dc, ttcf, 0, 12);
        if (header.size() != 12) return std::nullopt;
        const std::uint32_t faces = Be32(header.data() + 8);
        if (faces > 1024) return std::nullopt;
        const auto offsets = FontData(dc, ttcf, 12, 4 * faces);
        if (offsets.size() != 4 * faces) return std::nullopt;
        for (std::uint32_t i = 0; i < faces; ++i) {
            const std::uint32_t face = Be32(offsets.data() + 4 * i);
            const auto top = FontData(dc, ttcf, face, 12);
            if (top.size() != 12) continue;
            const std::uint16_t tables = Be16(top.data() + 4);
            const auto records = FontData(dc, ttcf, face + 12, 16u * tables);
            if (records.size() != 16u * tables) continue;
            for (std::uint16_t t = 0; t < tables; ++t) {
                const std::uint8_t* r = records.data() + 16 * t;
                if (std::string_view(reinterpret_cast<const char*>(r), 4) != "name") continue;
                if (Be32(r + 12) == nameSize && FontData(dc, ttcf, Be32(r + 8), nameSize) == name)
                    return static_cast<int>(i);
            }
        }
        return std::nullopt;
    }

    // The selected face as a file, with what it really is: GDI makes up a bold or italic it lacks.
    std::optional<TFontFace> Describe(HDC dc) {
        if (FontDataSize(dc, TableTag("glyf")) == GDI_ERROR) return std::nullopt;
        TFontFace face;
        const auto os2 = FontData(dc, TableTag("OS/2"), 0, 78);
        if (os2.size() == 78) {
            const std::uint16_t weight = Be16(os2.data() + 4), selection = Be16(os2.data() + 62);
            face.Bold = (selection & 0x20) != 0 || weight >= 600;
            face.Italic = (selection & 0x201) != 0;
            // A few old fonts count weights 1 to 9.
            face.Weight = weight >= 1 && weight <= 9 ? weight * 100 : weight >= 1 && weight <= 1000 ? weight : 400;
            if (face.Bold && face.Weight < 600) face.Weight = 700;
        } else {
            const auto head = FontData(dc, TableTag("head"), 0, 54);
            if (head.size() != 54) return std::nullopt;
            face.Bold = (head[45] & 1) != 0;
            face.Italic = (head[45] & 2) != 0;
            face.Weight = face.Bold ? 700 : 400;
        }
        // Some GDIs answer "ttcf" for a single font with the whole file: only a collection header counts.
        const DWORD collectionSize = FontDataSize(dc, TableTag("ttcf"));
        const auto tag = collectionSize != GDI_ERROR && collectionSize >= 12 ? FontData(dc, TableTag("ttcf"), 0, 4)
                                                                               : std::vector<std::uint8_t>();
        if (tag.size() == 4 && std::string_view(reinterpret_cast<const char*>(tag.data()), 4) == "ttcf") {
            const auto index = CollectionIndex(dc);
            if (!index) return std::nullopt;
            face.FaceIndex = *index;
            face.Path = FileOf(dc, TableTag("ttcf"), collectionSize);
        } else {
            const DWORD size = FontDataSize(dc, kWholeFile);
            if (size == GDI_ERROR || size == 0) return std::nullopt;
            face.Path = FileOf(dc, kWholeFile, size);
        }
        if (face.Path.empty()) return std::nullopt;
        return face;
    }

    static LOGFONTW Request(const std::wstring& family, int weight, bool italic) {
        LOGFONTW lf{};
        lf.lfHeight = -1000;
        lf.lfWeight = weight;
        lf.lfItalic = italic ? TRUE : FALSE;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
        lf.lfQuality = DEFAULT_QUALITY;
        family.copy(lf.lfFaceName, LF_FACESIZE - 1);
        return lf;
    }

    std::optional<TFontFace> Find(const std::wstring& family, int weight, bool italic) {
        if (family.empty() || family.size() >= LF_FACESIZE) return std::nullopt;
        const auto key = std::make_tuple(FamilyKey(family), weight, italic);
        if (auto it = Faces.find(key); it != Faces.end()) return it->second;
        std::optional<TFontFace> face;
        // GDI answers every request with some font: ask only for families it lists as TrueType,
        // and keep the answer only when the selected face is one of them.
        const std::wstring wanted = FamilyKey(family);
        TFamilySearch search;
        LOGFONTW probe = Request(family, FW_NORMAL, false);
        EnumFontFamiliesExW(Dc.Get(), &probe, CollectFamily, reinterpret_cast<LPARAM>(&search), 0);
        if (!search.Names.empty()) {
            const LOGFONTW lf = Request(family, weight, italic);
            TSelectedFont selected(Dc.Get(), lf);
            wchar_t faceName[LF_FACESIZE] = {};
            if (selected && GetTextFaceW(Dc.Get(), LF_FACESIZE, faceName) > 0) {
                const std::wstring got = FamilyKey(faceName);
                bool same = got == wanted;
                for (const auto& name : search.Names) same = same || FamilyKey(name) == got;
                if (same) face = Describe(Dc.Get());
            }
        }
        Faces.emplace(key, face);
        return face;
    }

    // Whether the family's face has c, by GDI's own glyph set (characters below U+10000 only).
    bool Covers(const std::wstring& family, char32_t c) {
        auto it = Ranges.find(family);
        if (it == Ranges.end()) {
            std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges;
            TSelectedFont selected(Dc.Get(), Request(family, FW_NORMAL, false));
            const DWORD size = selected ? GetFontUnicodeRanges(Dc.Get(), nullptr) : 0;
            if (size >= sizeof(GLYPHSET)) {
                std::vector<std::uint8_t> buffer(size);
                auto* set = reinterpret_cast<GLYPHSET*>(buffer.data());
                if (GetFontUnicodeRanges(Dc.Get(), set) == size) {
                    for (DWORD i = 0; i < set->cRanges; ++i)
                        ranges.emplace_back(set->ranges[i].wcLow, set->ranges[i].wcLow + set->ranges[i].cGlyphs);
                }
            }
            it = Ranges.emplace(family, std::move(ranges)).first;
        }
        if (c >= 0x10000) return true;
        return std::any_of(it->second.begin(), it->second.end(),
                           [&](const auto& r) { return c >= r.first && c < r.second; });
    }
};

TFontLookup::TFontLookup(std::wstring scratchFolder) : FImpl(std::make_unique<TImpl>(std::move(scratchFolder))) {}

TFontLookup::~TFontLookup() = default;

std::optional<TFontFace> TFontLookup::Find(const std::wstring& family, bool bold, bool italic) {
    return Find(family, bold ? FW_BOLD : FW_NORMAL, italic);
}

std::optional<TFontFace> TFontLookup::Find(const std::wstring& family, int weight, bool italic) {
    if (!FImpl->Dc.Get()) return std::nullopt;
    return FImpl->Find(family, std::clamp(weight, 1, 1000), italic);
}

std::optional<TFontFace> TFontLookup::FindGeneric(TGenericFamily generic, bool bold, bool italic) {
    static const std::vector<std::wstring> sans = {L"Arial", L"Segoe UI", L"Tahoma", L"Liberation Sans",
                                                   L"DejaVu Sans"};
    static const std::vector<std::wstring> serif = {L"Times New Roman", L"Cambria", L"Georgia", L"Liberation Serif",
                                                    L"DejaVu Serif"};
    static const std::vector<std::wstring> mono = {L"Courier New", L"Consolas", L"Lucida Console",
                                                   L"Liberation Mono", L"DejaVu Sans Mono"};
    const auto& names = generic == TGenericFamily::gfSerif       ? serif
                        : generic == TGenericFamily::gfMonospace ? mono
                                                                 : sans;
    for (const auto& name : names)
        if (auto face = Find(name, bold, italic)) return face;
    return std::nullopt;
}

std::vector<TFontFace> TFontLookup::FindCovering(char32_t c, bool bold, bool italic, std::size_t limit) {
    std::vector<TFontFace> faces;
    if (!FImpl->Dc.Get()) return faces;
    for (const auto& family : CoveringFamilies(c)) {
        if (faces.size() >= limit) break;
        // Coverage first: it is cheap, where finding the face may write its file.
        if (!FImpl->Covers(family, c)) continue;
        auto face = Find(family, bold, italic);
        if (!face) continue;
        if (std::find(faces.begin(), faces.end(), *face) == faces.end()) faces.push_back(std::move(*face));
    }
    return faces;
}

}  // namespace platform
