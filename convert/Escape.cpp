#include "convert/Escape.h"

namespace {

constexpr wchar_t kDigits[] = L"0123456789abcdef";

bool BreaksOrReorders(wchar_t c) {
    return c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

std::wstring EscapeControls(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (const wchar_t c : text) {
        if (c == L'\n') {
            out += L"\\n";
        } else if (c == L'\r') {
            out += L"\\r";
        } else if (c == L'\t') {
            out += L"\\t";
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            out += {L'\\', L'x', kDigits[(c >> 4) & 0xF], kDigits[c & 0xF]};
        } else if (BreaksOrReorders(c)) {
            out += {L'\\', L'u', kDigits[(c >> 12) & 0xF], kDigits[(c >> 8) & 0xF], kDigits[(c >> 4) & 0xF],
                    kDigits[c & 0xF]};
        } else {
            out += c;
        }
    }
    return out;
}
