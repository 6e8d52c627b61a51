// Hyphenation dictionaries read by the engine's own loader hold what libhyphen's loader makes of
// the same file, state for state, so every word breaks where it did.

#include <gtest/gtest.h>
#include <hyphen.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "layout/HyphenDictionary.h"
#include "platform/DataFiles.h"
#include "platform/Text.h"
#include "support/TestSupport.h"

namespace {

using namespace testsupport;

std::string Text(const char* text) { return text ? "\"" + std::string(text) + "\"" : "none"; }

// A level as what hyphenates with it: its settings, and every state by the letters that reach
// it, with its weights, its non-standard break, the letters of where it falls back and which
// letters lead on. State numbers, and the order of transitions, play no part.
std::string Describe(const HyphenDict& d) {
    std::ostringstream out;
    out << "charset " << std::string(d.cset, MAX_NAME).c_str() << " utf8 " << d.utf8 << " min " << int(d.lhmin) << ' '
        << int(d.rhmin) << ' ' << int(d.clhmin) << ' ' << int(d.crhmin) << " states " << d.num_states << " nohyphen";
    const char* item = d.nohyphen;
    for (int i = 0; item && i <= d.nohyphenl; ++i, item += std::strlen(item) + 1) out << ' ' << Text(item);
    out << '\n';
    std::vector<std::string> keys(std::size_t(d.num_states));
    std::vector<bool> reached(std::size_t(d.num_states));
    std::vector<int> queue = {0};
    reached[0] = true;
    for (std::size_t next = 0; next < queue.size(); ++next) {
        const HyphenState& s = d.states[queue[next]];
        for (int t = 0; t < s.num_trans; ++t) {
            const int to = s.trans[t].new_state;
            EXPECT_FALSE(reached[std::size_t(to)]) << "one way into every state";
            reached[std::size_t(to)] = true;
            keys[std::size_t(to)] = keys[std::size_t(queue[next])] + s.trans[t].ch;
            queue.push_back(to);
        }
    }
    EXPECT_EQ(queue.size(), std::size_t(d.num_states)) << "every state reached from the first";
    std::map<std::string, std::string> states;
    for (int i = 0; i < d.num_states; ++i) {
        const HyphenState& s = d.states[i];
        std::string leads;
        for (int t = 0; t < s.num_trans; ++t) leads += s.trans[t].ch;
        std::sort(leads.begin(), leads.end());
        std::ostringstream state;
        state << "match " << Text(s.match) << " fallback "
              << (s.fallback_state < 0 ? std::string("none") : Text(keys[std::size_t(s.fallback_state)].c_str()))
              << " leads " << Text(leads.c_str());
        if (s.match) state << " repl " << Text(s.repl) << ' ' << int(s.replindex) << ' ' << int(s.replcut);
        states[keys[std::size_t(i)]] = state.str();
    }
    for (const auto& [key, state] : states) out << Text(key.c_str()) << ' ' << state << '\n';
    return out.str();
}

std::string DescribeAll(const HyphenDict* d) {
    std::string all;
    for (int level = 0; d; d = d->nextlevel, ++level) all += "level " + std::to_string(level) + "\n" + Describe(*d);
    return all;
}

void ExpectSameAsLibrary(const std::wstring& path) {
    const layout::THyphenDict ours = layout::LoadHyphenDictionary(path);
    const layout::THyphenDict library = layout::LoadHyphenDictionaryByLibrary(path);
    ASSERT_TRUE(ours);
    ASSERT_TRUE(library);
    const std::string expected = DescribeAll(library.get());
    const std::string found = DescribeAll(ours.get());
    // Not EXPECT_EQ: a mismatch of a large dictionary would print megabytes.
    if (found == expected) return;
    std::size_t at = 0;
    while (at < found.size() && at < expected.size() && found[at] == expected[at]) ++at;
    const std::size_t from = expected.rfind('\n', at) == std::string::npos ? 0 : expected.rfind('\n', at) + 1;
    ADD_FAILURE() << "first difference, libhyphen has:\n"
                  << expected.substr(from, 300) << "\nthe engine's loader:\n"
                  << found.substr(std::min(from, found.size()), 300);
}

// Files written here, each with what a dictionary may hold: settings, comments, one or two
// levels, non-standard breaks, patterns given twice, lines that libhyphen reads in its own way.
TEST(HyphenDictionary, WrittenDictionariesReadAsLibhyphenReadsThem) {
    TScratchFolder folder;
    const std::string settings =
        "LEFTHYPHENMIN 2\nRIGHTHYPHENMIN 3\nCOMPOUNDLEFTHYPHENMIN 4\nNOHYPHEN \t-,',x\n% a comment 1a\n";
    const std::string patterns =
        "1ba\n.ab3\nab1c\nb2c\n4c.\nab1c\n\n  leading space\n# a note with a/slash in it\n"
        "1ck/k=k,2,1\nschif1fahrt/ff=f,5,2\n.x2y/z\nq1q/zz\r\n1a\xe9\n2\xe9\xe9\r\nlast3";
    const struct {
        const char* What;
        std::string Text;
    } cases[] = {
        {"one level", "ISO8859-1\n" + settings + patterns},
        {"two levels", "ISO8859-1\n" + settings + "ab1c\n1-1\nNEXTLEVEL\n" + patterns + "\nNEXTLEVEL\nzz1z\n"},
        {"UTF-8", "UTF-8\r\nLEFTHYPHENMIN 1\n1\xc3\xa4\n\xc3\xa4" "1b\n1\xe2\x80\x93\n"},
        {"UTF-8 non-standard breaks", "UTF-8\n1ck/k=k,2,1\n\xc3\xa4" "1b\n"},
        {"no settings", "ISO8859-1\n1a\n"},
        {"character set only", "ISO8859-1"},
        {"empty", ""},
        {"long lines", "ISO8859-1\n1a\n" + std::string(120, 'b') + "1\n% " + std::string(150, 'c') + "\nb1c\n"},
        {"long character set", std::string(30, 'C') + "\n1a\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const std::wstring path = folder / L"hyph_xx.dic";
        WriteFile(path, c.Text);
        ExpectSameAsLibrary(path);
    }
}

// The dictionaries the engine ships and looks for, large ones above all.
TEST(HyphenDictionary, InstalledDictionariesReadAsLibhyphenReadsThem) {
    int found = 0;
    for (const std::wstring& folder : platform::HyphenationFolders()) {
        for (const wchar_t* name : {L"hyph_de_DE.dic", L"hyph_en_US.dic", L"hyph_fr.dic", L"hyph_nl_NL.dic"}) {
            const std::wstring path = folder + L"\\" + name;
            if (!FileExists(path)) continue;
            SCOPED_TRACE(platform::ToUtf8(path));
            ++found;
            ExpectSameAsLibrary(path);
        }
    }
    EXPECT_GT(found, 0) << "scripts/setup.sh installs the dictionaries";
}

}  // namespace
