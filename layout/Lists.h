#pragma once
// List labels: bullets and numbers, counted across the paragraphs of one list style.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "document/Document.h"

namespace layout {

std::u16string FormatNumber(long long n, doc::TNumberFormat format);

struct TListItem {
    std::u16string Label;   // empty: no label shows
    double Indent = 0;      // label start, from the paragraph's left indent
    double TextIndent = 18; // text start, from the label start
};

// Feed it the paragraphs of one storage in order.
class TListNumbering {
public:
    explicit TListNumbering(const std::vector<doc::TListStyle>& styles) : FStyles(styles) {}
    std::optional<TListItem> Next(const doc::TParagraph& paragraph);

private:
    const std::vector<doc::TListStyle>& FStyles;
    std::map<int, std::vector<long long>> FCounters;  // list style -> counter per level
};

}  // namespace layout
