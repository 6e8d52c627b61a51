#include "layout/LineBreaker.h"

#include "document/Document.h"
#include "layout/Unicode.h"

namespace layout {

namespace {

bool IsSpace(char32_t c) {
    return c == u' ' || c == u'\t' || c == 0x200B || c == 0x3000 || c == 0x2002 || c == 0x2003 || c == 0x2009;
}

bool IsHyphen(char32_t c) { return c == u'-' || c == 0x2010 || c == 0x2012 || c == 0x2013 || c == 0x00AD; }

bool IsHard(char32_t c) { return c == doc::kLineBreak || c == u'\n' || c == u'\r' || c == doc::kPageBreak; }

}  // namespace

std::vector<std::uint8_t> BreakOpportunities(const std::u16string& text) {
    std::vector<std::uint8_t> breaks(text.size(), 0);
    char32_t before = 0;  // the character before prev
    char32_t prev = 0;
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size(); i += units) {
        const char32_t c = DecodeAt(text, i, units);
        if (i > 0 && c < 0x80 && prev < 0x80) {
            // Most text: between ASCII characters only spaces, line ends and hyphens matter (no
            // combining marks, joiners, objects, dashes or CJK); the rules below, narrowed to them.
            bool allow = false;
            if (IsSpace(c) || IsHard(c))
                allow = false;
            else if (IsSpace(prev) || IsHard(prev))
                allow = true;
            else if (IsHyphen(prev))
                allow = !IsDigit(c) && before != 0 && !IsSpace(before) && !IsNoStart(c);
            breaks[i] = allow ? 1 : 0;
        } else if (i > 0) {
            bool allow = false;
            const bool joined = c == 0x2060 || c == 0xFEFF || prev == 0x2060 || prev == 0xFEFF;  // word joiners
            if (IsSpace(c) || IsCombining(c) || IsHard(c) || joined) {
                allow = false;
            } else if (IsSpace(prev) || IsHard(prev)) {
                allow = true;
            } else if (c == doc::kObjectMark || prev == doc::kObjectMark) {
                allow = !IsNoStart(c) && !IsNoEnd(prev);
            } else if (prev == 0x2014 || c == 0x2014) {
                allow = true;
            } else if (IsHyphen(prev)) {
                // "-5" and a hyphen that starts a word do not break.
                allow = !IsDigit(c) && before != 0 && !IsSpace(before) && !IsNoStart(c);
            } else if (IsCjk(c) || IsCjk(prev)) {
                allow = !IsNoStart(c) && !IsNoEnd(prev);
            }
            breaks[i] = allow ? 1 : 0;
        }
        before = prev;
        prev = c;
    }
    return breaks;
}

}  // namespace layout
