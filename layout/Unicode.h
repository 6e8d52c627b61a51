#pragma once
// The few character properties the layout needs, kept small: no tables of the whole of Unicode.

#include <cstdint>
#include <string>
#include <string_view>

namespace layout {

// The code point at i and how many UTF-16 units it takes; a lone surrogate stands for itself.
inline char32_t DecodeAt(std::u16string_view text, std::size_t i, std::size_t& units) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
        const char16_t low = text[i + 1];
        if (low >= 0xDC00 && low < 0xE000) {
            units = 2;
            return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(low) - 0xDC00);
        }
    }
    units = 1;
    return c;
}

inline void AppendUtf16(std::u16string& out, char32_t c) {
    if (c >= 0x10000) {
        c -= 0x10000;
        out += char16_t(0xD800 + (c >> 10));
        out += char16_t(0xDC00 + (c & 0x3FF));
    } else {
        out += char16_t(c);
    }
}

inline bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c < 0xE000; }

// Ideographs, kana, Hangul and their full-width forms: a line may break between any two.
inline bool IsCjk(char32_t c) {
    return (c >= 0x2E80 && c <= 0x2FFF) || (c >= 0x3040 && c <= 0x30FF) || (c >= 0x3100 && c <= 0x31FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA960 && c <= 0xA97F) ||
           (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF) ||
           (c >= 0x3000 && c <= 0x303F) || (c >= 0x20000 && c <= 0x3FFFF);
}

// Characters a line must not start with (closing marks, small kana, Latin closing punctuation).
inline bool IsNoStart(char32_t c) {
    switch (c) {
    case u')': case u']': case u'}': case u',': case u'.': case u';': case u':': case u'!': case u'?':
    case u'%': case 0x2019: case 0x201D: case 0x3001: case 0x3002: case 0x3009: case 0x300B: case 0x300D:
    case 0x300F: case 0x3011: case 0x3015: case 0x3017: case 0x3019: case 0x301B: case 0x30FC: case 0x30FB:
    case 0x3005: case 0x309D: case 0x309E: case 0x30FD: case 0x30FE: case 0xFF09: case 0xFF0C: case 0xFF0E:
    case 0xFF1A: case 0xFF1B: case 0xFF01: case 0xFF1F: case 0xFF3D: case 0xFF5D: case 0x2026: case 0x203C:
        return true;
    case 0x3041: case 0x3043: case 0x3045: case 0x3047: case 0x3049: case 0x3063: case 0x3083: case 0x3085:
    case 0x3087: case 0x308E: case 0x30A1: case 0x30A3: case 0x30A5: case 0x30A7: case 0x30A9: case 0x30C3:
    case 0x30E3: case 0x30E5: case 0x30E7: case 0x30EE: case 0x30F5: case 0x30F6:
        return true;  // small kana
    default:
        return false;
    }
}

// Characters a line must not end with (opening marks).
inline bool IsNoEnd(char32_t c) {
    switch (c) {
    case u'(': case u'[': case u'{': case 0x2018: case 0x201C: case 0x3008: case 0x300A: case 0x300C:
    case 0x300E: case 0x3010: case 0x3014: case 0x3016: case 0x3018: case 0x301A: case 0xFF08: case 0xFF3B:
    case 0xFF5B:
        return true;
    default:
        return false;
    }
}

// Combining marks stay with the character before them.
inline bool IsCombining(char32_t c) {
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
           (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE20 && c <= 0xFE2F) || c == 0x200D || c == 0xFE0F ||
           c == 0x3099 || c == 0x309A;
}

inline bool IsDigit(char32_t c) { return c >= u'0' && c <= u'9'; }

// Right-to-left scripts (Hebrew, Arabic, Syriac, Thaana, N'Ko and their presentation forms).
inline bool IsRtl(char32_t c) {
    return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF) ||
           (c >= 0x10800 && c <= 0x10FFF) || (c >= 0x1E800 && c <= 0x1EFFF);
}

inline bool IsLetter(char32_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
           (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) || (c >= 0x370 && c <= 0x52F) || IsRtl(c) || IsCjk(c);
}

// Upper case for the scripts with simple one-to-one case pairs (Latin, Greek, Cyrillic, Armenian);
// others pass unchanged, and the text keeps its length.
inline char32_t ToUpper(char32_t c) {
    if (c >= u'a' && c <= u'z') return c - 32;
    if (c < 0xB5) return c;
    if (c == 0xB5) return 0x39C;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x131) return u'I';
        if (c == 0x17F) return u'S';
        const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddPairs) return (c % 2 == 0) ? c - 1 : c;
        if (c == 0x138 || c == 0x149) return c;
        return (c % 2 == 1) ? c - 1 : c;
    }
    if (c >= 0x3B1 && c <= 0x3C9) return c == 0x3C2 ? 0x3A3 : c - 32;
    if (c >= 0x3AC && c <= 0x3AF) {
        static const char16_t tonos[] = {0x386, 0x388, 0x389, 0x38A};
        return tonos[c - 0x3AC];
    }
    if (c >= 0x430 && c <= 0x44F) return c - 32;
    if (c >= 0x450 && c <= 0x45F) return c - 80;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x4FF))
        return (c % 2 == 1) ? c - 1 : c;
    if (c >= 0x561 && c <= 0x586) return c - 48;
    return c;
}

inline bool IsLower(char32_t c) { return ToUpper(c) != c; }

}  // namespace layout
