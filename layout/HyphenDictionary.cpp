#include "layout/HyphenDictionary.h"

#include <hyphen.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/DataFiles.h"

namespace layout {

void THyphenDictFree::operator()(HyphenDict* dictionary) const noexcept { hnj_hyphen_free(dictionary); }

namespace {

// A dictionary file is a few megabytes at most; anything larger is no dictionary to read here.
constexpr long kLargestFile = 64L << 20;

std::optional<std::string> ReadAll(const std::wstring& path) {
    platform::TCFile file = platform::OpenCFileRead(path);
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) return std::nullopt;
    const long size = std::ftell(file.get());
    if (size < 0 || size > kLargestFile || std::fseek(file.get(), 0, SEEK_SET) != 0) return std::nullopt;
    std::string text(static_cast<std::size_t>(size), '\0');
    if (std::fread(text.data(), 1, text.size(), file.get()) != text.size()) return std::nullopt;
    return text;
}

// One level of patterns as libhyphen holds it: a state for every prefix of every pattern's
// letters, reached from the prefix one letter shorter (a trie); a pattern's weights on the state
// of its letters (the last of two patterns with the same letters wins); and from every state,
// where the search goes on when no transition takes the next letter: the longest proper suffix
// of its letters that is a state.
class TLevel {
public:
    TLevel() { NewState(); }

    // A line as libhyphen reads it (with its line end): a setting by name, else a pattern.
    void Line(std::string_view line) {
        auto setting = [&](std::string_view name, char& value) {
            if (!line.starts_with(name)) return false;
            value = static_cast<char>(std::atoi(std::string(line.substr(name.size())).c_str()));
            return true;
        };
        if (setting("LEFTHYPHENMIN", FLeft) || setting("RIGHTHYPHENMIN", FRight) ||
            setting("COMPOUNDLEFTHYPHENMIN", FCompoundLeft) || setting("COMPOUNDRIGHTHYPHENMIN", FCompoundRight))
            return;
        if (line.starts_with("NOHYPHEN")) return NoHyphen(line.substr(8));
        Pattern(line);
    }

    // The fallbacks, breadth first: the longest proper suffix of a state's letters that is a
    // state is found from its parent's, as in the Aho-Corasick automaton.
    void Settle() {
        FFallbacks.assign(FTransitions.size(), -1);
        std::vector<int> queue = {0};
        for (std::size_t next = 0; next < queue.size(); ++next) {
            const int parent = queue[next];
            for (const auto& [letter, child] : FTransitions[static_cast<std::size_t>(parent)]) {
                int fallback = FFallbacks[static_cast<std::size_t>(parent)];
                while (fallback >= 0 && Step(fallback, letter) < 0) fallback = FFallbacks[static_cast<std::size_t>(fallback)];
                FFallbacks[static_cast<std::size_t>(child)] = fallback < 0 ? 0 : Step(fallback, letter);
                queue.push_back(child);
            }
        }
    }

    // libhyphen's structure (freed by hnj_hyphen_free), for a dictionary in charset.
    THyphenDict Make(const char (&charset)[MAX_NAME], int utf8) const {
        THyphenDict made(static_cast<HyphenDict*>(std::calloc(1, sizeof(HyphenDict))));
        if (!made) throw std::bad_alloc();
        HyphenDict& d = *made;
        std::memcpy(d.cset, charset, MAX_NAME);
        d.utf8 = utf8;
        d.lhmin = FLeft;
        d.rhmin = FRight;
        d.clhmin = FCompoundLeft;
        d.crhmin = FCompoundRight;
        if (FNoHyphen) {
            d.nohyphen = Copy(*FNoHyphen);
            d.nohyphenl = FNoHyphenCount;
        }
        const std::size_t states = FTransitions.size();
        d.states = static_cast<HyphenState*>(std::calloc(states, sizeof(HyphenState)));
        if (!d.states) throw std::bad_alloc();
        d.num_states = static_cast<int>(states);
        for (std::size_t i = 0; i < states; ++i) {
            HyphenState& s = d.states[i];
            s.fallback_state = FFallbacks[i];
            if (const auto& match = FMatches[i]) {
                s.match = Copy(match->Weights);
                if (match->Replacement) s.repl = Copy(*match->Replacement);
                s.replindex = match->Index;
                s.replcut = match->Cut;
            }
            const auto& out = FTransitions[i];
            if (out.empty()) continue;
            s.trans = static_cast<HyphenTrans*>(std::malloc(out.size() * sizeof(HyphenTrans)));
            if (!s.trans) throw std::bad_alloc();
            s.num_trans = static_cast<int>(out.size());
            for (std::size_t t = 0; t < out.size(); ++t) s.trans[t] = HyphenTrans{out[t].first, out[t].second};
        }
        return made;
    }

    char Left() const { return FLeft; }
    char Right() const { return FRight; }
    char CompoundLeft() const { return FCompoundLeft; }
    char CompoundRight() const { return FCompoundRight; }
    void SetMinima(char left, char right, char compoundLeft, char compoundRight) {
        FLeft = left;
        FRight = right;
        FCompoundLeft = compoundLeft;
        FCompoundRight = compoundRight;
    }

private:
    // Weights and letters interleaved ("a1b2c"), up to the first space or control character;
    // a letter without a weight before it weighs 0. Leading zeros are dropped from the weights,
    // unless a non-standard break follows the pattern ("/replacement,index,cut").
    void Pattern(std::string_view line) {
        std::optional<std::string> replacement;
        signed char index = 0, cut = 0;
        if (const std::size_t slash = line.find('/'); slash != std::string_view::npos) {
            std::string_view rest = line.substr(slash + 1);
            line = line.substr(0, slash);
            if (const std::size_t comma = rest.find(','); comma != std::string_view::npos) {
                const std::string_view numbers = rest.substr(comma + 1);
                rest = rest.substr(0, comma);
                if (const std::size_t second = numbers.find(','); second != std::string_view::npos) {
                    index = static_cast<signed char>(std::atoi(std::string(numbers.substr(0, second)).c_str()) - 1);
                    cut = static_cast<signed char>(std::atoi(std::string(numbers.substr(second + 1)).c_str()));
                }
            } else {
                // The line end goes as libhyphen takes it off: the last character when it ends
                // the line, and a carriage return before it; the cut is all before the slash.
                std::string chomped(rest);
                const std::size_t k = chomped.size();
                if (k > 0 && (chomped[k - 1] == '\r' || chomped[k - 1] == '\n')) chomped[k - 1] = '\0';
                if (k > 1 && chomped[k - 2] == '\r') chomped[k - 2] = '\0';
                rest = rest.substr(0, std::min(chomped.find('\0'), rest.size()));
                cut = static_cast<signed char>(line.size());
            }
            replacement = std::string(rest);
        }
        std::string letters, weights = "0";
        for (std::size_t i = 0; i < line.size() && static_cast<unsigned char>(line[i]) > ' ' &&
                            letters.size() < MAX_CHARS - 2;
             ++i) {
            if (line[i] >= '0' && line[i] <= '9') {
                weights.back() = line[i];
            } else {
                letters += line[i];
                weights += '0';
            }
        }
        std::size_t skip = 0;
        if (!replacement) skip = std::min(weights.find_first_not_of('0'), weights.size());
        else if (letters.starts_with('.')) skip = 1;
        // Each prefix not yet a state becomes one.
        int state = 0;
        for (const char letter : letters) {
            int to = Step(state, letter);
            if (to < 0) {
                to = NewState();
                FTransitions[static_cast<std::size_t>(state)].emplace_back(letter, to);
            }
            state = to;
        }
        FMatches[static_cast<std::size_t>(state)] = TMatch{weights.substr(skip), std::move(replacement), index,
                                                           cut ? cut : static_cast<signed char>(letters.size())};
    }

    // The characters after which no break is made, comma-separated ("',-"): kept as libhyphen
    // keeps them, the commas made terminators, the line's last character dropped.
    void NoHyphen(std::string_view rest) {
        const std::size_t start = std::min(rest.find_first_not_of(" \t"), rest.size());
        std::string list(rest.substr(start));
        list = list.substr(0, list.find('\0'));
        FNoHyphen.reset();
        FNoHyphenCount = 0;
        if (list.empty()) return;
        list.back() = '\0';
        for (std::size_t i = list.size() - 1; i-- > 1;) {
            if (list[i] == ',') {
                ++FNoHyphenCount;
                list[i] = '\0';
            }
        }
        FNoHyphen = std::move(list);
    }

    int NewState() {
        FMatches.emplace_back();
        FTransitions.emplace_back();
        return static_cast<int>(FTransitions.size() - 1);
    }

    // Where the transition for letter from state leads; -1 when it has none.
    int Step(int state, char letter) const {
        for (const auto& [c, to] : FTransitions[static_cast<std::size_t>(state)])
            if (c == letter) return to;
        return -1;
    }

    // A copy in memory libhyphen frees; the string's own terminators kept.
    static char* Copy(const std::string& text) {
        auto* copy = static_cast<char*>(std::malloc(text.size() + 1));
        if (!copy) throw std::bad_alloc();
        std::memcpy(copy, text.c_str(), text.size() + 1);
        return copy;
    }

    struct TMatch {
        std::string Weights;
        std::optional<std::string> Replacement;
        signed char Index, Cut;
    };
    std::vector<std::optional<TMatch>> FMatches;
    std::vector<std::vector<std::pair<char, int>>> FTransitions;
    std::vector<int> FFallbacks;
    char FLeft = 0, FRight = 0, FCompoundLeft = 0, FCompoundRight = 0;
    std::optional<std::string> FNoHyphen;
    int FNoHyphenCount = 0;
};

// The file's lines, each with its line end; nothing when one is of a kind this reader leaves to
// libhyphen: longer than libhyphen's line buffer, or a character set name longer than its field.
std::optional<std::vector<std::string_view>> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size() - 1) + 1;
        lines.push_back(text.substr(at, end - at));
        at = end;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.find('\0') != std::string_view::npos || line.size() >= (i == 0 ? MAX_NAME : MAX_CHARS - 1))
            return std::nullopt;
    }
    return lines;
}

// Whether the level's lines hold a non-standard break in a UTF-8 dictionary, whose positions
// libhyphen counts in characters: left to libhyphen.
bool HasUtf8Replacements(std::span<const std::string_view> lines, bool utf8) {
    if (!utf8) return false;
    for (const std::string_view line : lines)
        if (!line.starts_with('%') && !line.starts_with("NOHYPHEN") && line.find('/') != std::string_view::npos)
            return true;
    return false;
}

TLevel ReadLevel(std::span<const std::string_view> lines) {
    TLevel level;
    for (const std::string_view line : lines)
        if (!line.starts_with('%')) level.Line(line);
    level.Settle();
    return level;
}

std::optional<THyphenDict> Read(std::string_view text) {
    const auto lines = Lines(text);
    if (!lines) return std::nullopt;
    char charset[MAX_NAME] = {};
    if (!lines->empty()) {
        const std::string_view first = lines->front();
        std::memcpy(charset, first.data(), first.size());
        for (char& c : charset)
            if (c == '\r' || c == '\n') c = '\0';
    }
    const int utf8 = std::strcmp(charset, "UTF-8") == 0;

    // Up to two levels, the second after NEXTLEVEL; a further NEXTLEVEL ends the file.
    const std::span<const std::string_view> all(*lines);
    auto next = [&](std::size_t from) {
        std::size_t at = from;
        while (at < all.size() && !all[at].starts_with("NEXTLEVEL")) ++at;
        return at;
    };
    const std::size_t firstEnd = next(std::min<std::size_t>(1, all.size()));
    const auto firstLines = all.subspan(std::min<std::size_t>(1, all.size()), firstEnd - std::min<std::size_t>(1, all.size()));
    const bool twoLevels = firstEnd < all.size();
    const auto secondLines = twoLevels ? all.subspan(firstEnd + 1, next(firstEnd + 1) - firstEnd - 1)
                                       : std::span<const std::string_view>{};
    if (HasUtf8Replacements(firstLines, utf8) || HasUtf8Replacements(secondLines, utf8)) return std::nullopt;

    TLevel first = ReadLevel(firstLines);
    if (twoLevels) {
        THyphenDict made = first.Make(charset, utf8);
        made->nextlevel = ReadLevel(secondLines).Make(charset, utf8).release();
        return made;
    }
    // The level libhyphen puts before a single one: no break after a hyphen or an apostrophe,
    // a break beside each.
    TLevel compound;
    compound.Line(utf8 ? "NOHYPHEN ',\xe2\x80\x93,\xe2\x80\x99,-\n" : "NOHYPHEN ',-\n");
    compound.Line("1-1\n");
    compound.Line("1'1\n");
    if (utf8) {
        compound.Line("1\xe2\x80\x93" "1\n");
        compound.Line("1\xe2\x80\x99" "1\n");
    }
    compound.Settle();
    auto orDefault = [](char value, char otherwise) { return value ? value : otherwise ? otherwise : char(3); };
    compound.SetMinima(first.Left(), first.Right(), orDefault(first.CompoundLeft(), first.Left()),
                       orDefault(first.CompoundRight(), first.Right()));
    THyphenDict made = compound.Make(charset, utf8);
    made->nextlevel = first.Make(charset, utf8).release();
    return made;
}

}  // namespace

THyphenDict LoadHyphenDictionaryByLibrary(const std::wstring& path) {
    platform::TCFile file = platform::OpenCFileRead(path);
    return THyphenDict(file ? hnj_hyphen_load_file(file.get()) : nullptr);
}

THyphenDict LoadHyphenDictionary(const std::wstring& path) {
    const auto text = ReadAll(path);
    if (!text) return nullptr;
    if (auto read = Read(*text)) return std::move(*read);
    return LoadHyphenDictionaryByLibrary(path);
}

}  // namespace layout
