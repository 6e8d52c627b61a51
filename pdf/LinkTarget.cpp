#include "pdf/LinkTarget.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "platform/Text.h"

namespace pdf {

namespace {

// Well past any real address, well within a PDF string's limit.
constexpr std::size_t kMaxUri = 8192;

bool Space(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

std::string LinkUri(std::wstring_view target) {
    while (!target.empty() && Space(target.front())) target.remove_prefix(1);
    while (!target.empty() && Space(target.back())) target.remove_suffix(1);
    const std::string utf8 = platform::ToUtf8(target);
    if (utf8.empty() || utf8.size() > kMaxUri) return {};

    std::string uri;
    const auto colon = utf8.find(':');
    const std::string scheme = colon == std::string::npos ? std::string() : Lower(utf8.substr(0, colon));
    static constexpr std::array<std::string_view, 5> kAllowed{"http", "https", "mailto", "ftp", "tel"};
    if (std::find(kAllowed.begin(), kAllowed.end(), scheme) == kAllowed.end()) {
        // A bare web address, as typed.
        if (Lower(utf8.substr(0, 4)) != "www.") return {};
        uri = "http://";
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) return {};
        if (c >= 0x80 || c == ' ' || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' ||
            c == '{' || c == '|' || c == '}') {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        } else {
            uri += ch;
        }
    }
    return uri.size() > kMaxUri ? std::string() : uri;
}

}  // namespace pdf
