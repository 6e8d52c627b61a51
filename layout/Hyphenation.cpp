#include "layout/Hyphenation.h"

#include <hyphen.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "layout/HyphenDictionary.h"
#include "layout/Unicode.h"
#include "platform/DataFiles.h"

namespace layout {

namespace {

// The file names a language's dictionary may have, best first: the region's own, the language's,
// then its home region's (Debian names most of them "de_DE", "fr_FR").
std::vector<std::string> DictionaryNames(const std::string& language) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : language.substr(0, language.find('@'))) {
        if (c == '-' || c == '_') {
            parts.push_back(std::move(part));
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(std::move(part));
    std::string code;
    for (char c : parts.front()) code += char(std::tolower(static_cast<unsigned char>(c)));
    if (code.size() < 2 || code.size() > 3) return {};
    std::vector<std::string> names;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        // A region: two letters or three digits ("Hans" and "Latn" are scripts).
        const std::string& p = parts[i];
        if (p.size() == 2 || (p.size() == 3 && std::isdigit(static_cast<unsigned char>(p[0])))) {
            std::string region;
            for (char c : p) region += char(std::toupper(static_cast<unsigned char>(c)));
            names.push_back(code + "_" + region);
            break;
        }
    }
    names.push_back(code);
    std::string home = code;
    for (char& c : home) c = char(std::toupper(static_cast<unsigned char>(c)));
    names.push_back(code + "_" + home);
    // English with no region: the American patterns, what Pages uses unless told otherwise.
    if (code == "en") names.push_back("en_US");
    return names;
}

// Dictionaries are read once per process and only read after that. Each language is looked up
// once too.
const HyphenDict* DictionaryFor(const std::string& language, const std::vector<std::wstring>& folders) {
    static std::mutex lock;
    static std::map<std::wstring, THyphenDict> files;
    static std::map<std::pair<std::string, std::vector<std::wstring>>, const HyphenDict*> languages;
    const std::lock_guard<std::mutex> guard(lock);
    auto key = std::make_pair(language, folders);
    if (auto known = languages.find(key); known != languages.end()) return known->second;
    const HyphenDict* found = nullptr;
    for (const std::string& name : DictionaryNames(language)) {
        for (const std::wstring& folder : folders) {
            const std::wstring path = folder + L"\\hyph_" + std::wstring(name.begin(), name.end()) + L".dic";
            auto file = files.find(path);
            if (file == files.end()) file = files.emplace(path, LoadHyphenDictionary(path)).first;
            found = file->second.get();
            if (found) break;
        }
        if (found) break;
    }
    languages.emplace(std::move(key), found);
    return found;
}

// Lower case for the letters ToUpper pairs: the patterns are written in lower case.
char32_t ToLower(char32_t c) {
    for (char32_t offset : {32u, 1u, 80u, 48u})
        if (ToUpper(c + offset) == c && c + offset != c) return c + offset;
    return c;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// The word in lower case as the dictionary spells its patterns: UTF-8, or one byte a letter in
// Latin-1 (Debian's German dictionaries); false when the dictionary cannot spell it.
bool Encode(const HyphenDict& dictionary, const std::vector<char32_t>& letters, std::string& out) {
    const std::string charset(dictionary.cset, strnlen(dictionary.cset, sizeof dictionary.cset));
    const bool latin1 = charset == "ISO8859-1" || charset == "ISO-8859-1";
    for (char32_t letter : letters) {
        const char32_t c = ToLower(letter);
        if (dictionary.utf8) AppendUtf8(out, c);
        else if (c < 0x80 || (latin1 && c < 0x100)) out += char(c);
        else return false;
    }
    return true;
}

// Frees what libhyphen allocates for a word's non-standard breaks.
struct TNonStandard {
    char** Replacements = nullptr;
    int* Positions = nullptr;
    int* Cuts = nullptr;
    int Size = 0;
    TNonStandard(const TNonStandard&) = delete;
    TNonStandard& operator=(const TNonStandard&) = delete;
    explicit TNonStandard(int size) : Size(size) {}
    ~TNonStandard() {
        if (Replacements)
            for (int i = 0; i < Size; ++i) std::free(Replacements[i]);
        std::free(Replacements);
        std::free(Positions);
        std::free(Cuts);
    }
};

constexpr std::size_t kLongestWord = 200;  // longer is no word (a line of symbols, a key)
constexpr double kEpsilon = 1e-6;

bool IsBreakingSpace(char16_t c) { return c == u' ' || c == 0x3000 || c == 0x2002 || c == 0x2003 || c == 0x2009; }

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// libhyphen's loader drops the earlier of two patterns for one string without freeing it (Debian's
// English and German dictionaries hold such pairs): a leak of the library's, once per dictionary.
extern "C" const char* __lsan_default_suppressions() { return "leak:libhyphen\n"; }
#endif

THyphenator::THyphenator(const std::string& language) : THyphenator(language, platform::HyphenationFolders()) {}

THyphenator::THyphenator(const std::string& language, const std::vector<std::wstring>& folders)
    : FDictionary(DictionaryFor(language, folders)) {}

std::vector<std::uint32_t> THyphenator::Points(std::u16string_view word) const {
    if (!FDictionary || word.empty() || word.size() > kLongestWord) return {};
    const std::u16string text(word);
    std::vector<char32_t> letters;
    std::vector<std::uint32_t> offsets;  // of each letter, and the end
    // Punctuation around the word ("(word", "word,") stays outside it; digits do not.
    auto outside = [](char32_t c) { return !IsLetter(c) && !IsDigit(c); };
    std::size_t first = 0, units = 0;
    while (first < text.size() && outside(DecodeAt(text, first, units))) first += units;
    std::size_t last = first;
    for (std::size_t i = first; i < text.size(); i += units)
        if (!outside(DecodeAt(text, i, units))) last = i + units;
    bool lower = false;
    for (std::size_t i = first; i < last; i += units) {
        const char32_t c = DecodeAt(text, i, units);
        // Digits, dots, slashes and the like inside: a number, an address, a name of code.
        if (!IsLetter(c) || IsCjk(c)) return {};
        lower = lower || IsLower(c);
        letters.push_back(c);
        offsets.push_back(std::uint32_t(i));
    }
    offsets.push_back(std::uint32_t(last));
    // Capitals only: an abbreviation.
    if (!lower || letters.size() < 2) return {};

    std::string encoded;
    if (!Encode(*FDictionary, letters, encoded)) return {};
    const int size = int(encoded.size());
    std::vector<char> hyphens(encoded.size() + 5, '0');
    TNonStandard nonStandard(size);
    // The dictionary's own LEFTHYPHENMIN and RIGHTHYPHENMIN apply (0 asks for nothing more).
    if (hnj_hyphen_hyphenate3(const_cast<HyphenDict*>(FDictionary), encoded.c_str(), size, hyphens.data(), nullptr,
                              &nonStandard.Replacements, &nonStandard.Positions, &nonStandard.Cuts, 0, 0, 0, 0) != 0)
        return {};
    std::vector<std::uint32_t> points;
    // The marks count characters (libhyphen folds a UTF-8 dictionary's back to them): an odd mark
    // after letter i allows a break after it. A break that changes the letters (old German "Schiff-fahrt") is left out.
    for (std::size_t i = 0; i + 1 < letters.size(); ++i) {
        if ((hyphens[i] - '0') % 2 == 0) continue;
        if (nonStandard.Replacements && nonStandard.Replacements[i]) continue;
        points.push_back(offsets[i + 1]);
    }
    return points;
}

std::string HyphenationLanguage(const std::string& paragraph, const std::string& document) {
    if (!paragraph.empty()) return paragraph;
    if (!document.empty()) return document;
    return "en";
}

std::uint32_t HyphenatedLineEnd(const THyphenator& hyphenator, const TShapedParagraph& shaped,
                                std::uint32_t wordStart, double x, double right) {
    const std::u16string& text = shaped.Text;
    const std::uint32_t n = std::uint32_t(text.size());
    // The word: plain text up to the next place a line may start, space or other kind of span.
    std::uint32_t end = wordStart;
    while (end < n && (end == wordStart || !shaped.BreakBefore[end]) && !IsBreakingSpace(text[end]) &&
           shaped.Spans[shaped.SpanAt(end)].Kind == TSpanKind::skText)
        ++end;
    if (end <= wordStart + 1) return 0;
    std::uint32_t best = 0;
    double width = 0;
    std::uint32_t measured = wordStart;
    for (std::uint32_t point : hyphenator.Points(std::u16string_view(text).substr(wordStart, end - wordStart))) {
        const std::uint32_t at = wordStart + point;
        for (; measured < at; ++measured) width += shaped.Advance[measured];
        const TSpan& span = shaped.Spans[shaped.SpanAt(at - 1)];
        const double hyphen = MeasureText(u"-", *span.Font, span.Size, span.CharSpacing);
        if (x + width + hyphen > right + kEpsilon) break;
        best = at;
    }
    return best;
}

}  // namespace layout
