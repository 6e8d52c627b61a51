#include "convert/ContentCheck.h"

#include <cwchar>
#include <cwctype>
#include <unordered_map>
#include <variant>

#include "convert/DocumentText.h"

namespace {

// Below this a document is too short for "most of its text" to mean much.
constexpr std::size_t kMinCharactersForVerdict = 20;

// Characters a reader sees: not spaces, controls, format marks (joiners, direction marks, the
// soft hyphen), the object replacement character or variation selectors.
bool Visible(char32_t c) {
    if (c <= 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0xAD) return false;
    if ((c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202F) || (c >= 0x2060 && c <= 0x206F)) return false;
    if (c == 0x3000 || c == 0xFEFF || c == 0xFFFC || (c >= 0xFE00 && c <= 0xFE0F)) return false;
    if (c >= 0xD800 && c <= 0xDFFF) return false;  // a pair's halves are counted as one character
    return true;
}

char32_t Folded(char32_t c) {
    // towlower takes wchar_t: on a 16-bit wchar_t, leave what lies beyond it as it is.
    if (c > static_cast<char32_t>(WCHAR_MAX)) return c;
    return static_cast<char32_t>(std::towlower(static_cast<wint_t>(c)));
}

template <typename TChar, typename TAdd>
void ForEachCharacter(const std::basic_string<TChar>& text, TAdd add) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char32_t>(text[i]);
        if constexpr (sizeof(TChar) == 2) {
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
                ++i;
            }
        }
        if (Visible(c)) add(Folded(c));
    }
}

}  // namespace

TTextCheck CheckText(const doc::TDocument& document, const layout::TLaidOutDocument& pages) {
    std::unordered_map<char32_t, long long> balance;
    TTextCheck check;
    ForEachCharacter(DocumentText(document, false), [&](char32_t c) {
        ++balance[c];
        ++check.Held;
    });
    for (const layout::TPage& page : pages.Pages)
        for (const layout::TPageItem& item : page.Items)
            if (const auto* text = std::get_if<layout::TTextItem>(&item))
                ForEachCharacter(text->Text, [&](char32_t c) {
                    if (auto it = balance.find(c); it != balance.end()) --it->second;
                });
    for (const auto& [c, count] : balance)
        if (count > 0) check.Missing += static_cast<std::size_t>(count);
    return check;
}

bool MostTextLost(const TTextCheck& check) {
    return check.Held >= kMinCharactersForVerdict && check.Missing * 2 > check.Held;
}
