#pragma once
// Words broken at a line's end with a hyphen, as Pages does when a document turns hyphenation on:
// where a word may break comes from libhyphen and the dictionary of the text's language.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "layout/TextShaping.h"

typedef struct _HyphenDict HyphenDict;

namespace layout {

class THyphenator {
public:
    // language: a tag as documents store it ("en", "en_US", "de-CH", "zh-Hans"). Without a
    // dictionary for it the hyphenator finds no points.
    explicit THyphenator(const std::string& language);
    // The same, with the dictionaries of these folders only.
    THyphenator(const std::string& language, const std::vector<std::wstring>& folders);

    bool Available() const { return FDictionary != nullptr; }
    // Where word may break, in UTF-16 units from its start, ascending; a hyphen is shown before each.
    // None in what is no plain word: digits, capitals only, addresses and other symbols inside.
    std::vector<std::uint32_t> Points(std::u16string_view word) const;

private:
    const HyphenDict* FDictionary = nullptr;
};

// The language a paragraph is hyphenated in: its own, else the document's, else English.
std::string HyphenationLanguage(const std::string& paragraph, const std::string& document);

// Where a line that overflows inside the word starting at wordStart (the pen at x there) ends
// when the word is hyphenated: the last point at which the part before it and a hyphen fit
// before right; 0 when none does.
std::uint32_t HyphenatedLineEnd(const THyphenator& hyphenator, const TShapedParagraph& shaped,
                                std::uint32_t wordStart, double x, double right);

}  // namespace layout
