#include "layout/Lists.h"

#include <algorithm>

#include "layout/TextContext.h"

namespace layout {

namespace {

std::u16string Ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::u16string Roman(long long n, bool upper) {
    static const struct { int Value; const char* Upper; const char* Lower; } digits[] = {
        {1000, "M", "m"}, {900, "CM", "cm"}, {500, "D", "d"}, {400, "CD", "cd"}, {100, "C", "c"},
        {90, "XC", "xc"}, {50, "L", "l"}, {40, "XL", "xl"}, {10, "X", "x"}, {9, "IX", "ix"},
        {5, "V", "v"}, {4, "IV", "iv"}, {1, "I", "i"}};
    std::string out;
    for (const auto& d : digits)
        while (n >= d.Value) {
            out += upper ? d.Upper : d.Lower;
            n -= d.Value;
        }
    return Ascii(out);
}

// a..z, aa..zz, aaa...: each letter repeated, as word processors count.
std::u16string Alpha(long long n, bool upper) {
    const char16_t base = upper ? u'A' : u'a';
    const long long repeat = (n - 1) / 26 + 1;
    return std::u16string(std::size_t(std::min<long long>(repeat, 100)), char16_t(base + (n - 1) % 26));
}

}  // namespace

std::u16string FormatNumber(long long n, doc::TNumberFormat format) {
    switch (format) {
    case doc::TNumberFormat::nfUpperRoman:
    case doc::TNumberFormat::nfLowerRoman:
        if (n >= 1 && n < 4000) return Roman(n, format == doc::TNumberFormat::nfUpperRoman);
        break;
    case doc::TNumberFormat::nfUpperAlpha:
    case doc::TNumberFormat::nfLowerAlpha:
        if (n >= 1) return Alpha(n, format == doc::TNumberFormat::nfUpperAlpha);
        break;
    case doc::TNumberFormat::nfDecimal: break;
    }
    return Ascii(std::to_string(n));
}

std::optional<TListItem> TListNumbering::Next(const doc::TParagraph& paragraph) {
    if (paragraph.ListStyle < 0 || std::size_t(paragraph.ListStyle) >= FStyles.size()) return std::nullopt;
    const doc::TListStyle& style = FStyles[std::size_t(paragraph.ListStyle)];
    if (style.Levels.empty()) return std::nullopt;
    const std::size_t level = std::size_t(std::clamp(paragraph.ListLevel, 0, int(style.Levels.size()) - 1));
    const doc::TListLevel& format = style.Levels[level];

    std::vector<long long>& counters = FCounters[paragraph.ListStyle];
    // A shallower item ends the deeper lists below the one before it.
    counters.resize(level + 1, 0);
    if (paragraph.ListStartAt) counters[level] = *paragraph.ListStartAt;
    else if (counters[level] < (1LL << 40)) ++counters[level];

    TListItem item;
    item.Indent = Sane(format.Indent, -2000, 2000, 0);
    item.TextIndent = Sane(format.TextIndent, -2000, 2000, 18);
    switch (format.Label) {
    case doc::TListLabel::llNone: break;
    case doc::TListLabel::llImage: item.Label = u"\u2022"; break;  // the picture is not in the model
    case doc::TListLabel::llString: item.Label = format.Bullet; break;
    case doc::TListLabel::llNumber: {
        std::u16string number;
        if (format.Tiered) {
            for (std::size_t l = 0; l <= level; ++l) {
                if (l) number += u'.';
                number += FormatNumber(std::max(counters[l], 1LL), style.Levels[l].Format);
            }
        } else {
            number = FormatNumber(counters[level], format.Format);
        }
        item.Label = format.Prefix + number + format.Suffix;
        break;
    }
    }
    return item;
}

}  // namespace layout
