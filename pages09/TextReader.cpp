#include "pages09/TextReader.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document/Errors.h"
#include "pages09/IndexFile.h"
#include "platform/Text.h"

namespace pages09 {
namespace {

void AppendUtf8(std::u16string& text, std::string_view utf8) {
    const std::wstring wide = platform::FromUtf8(utf8);
    for (const wchar_t c : wide) {
        const auto u = static_cast<std::uint32_t>(c);
        if (u > 0xFFFF) {
            text += static_cast<char16_t>(0xD800 + ((u - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((u - 0x10000) & 0x3FF));
        } else {
            text += static_cast<char16_t>(u);
        }
    }
}

// Character data with its five entities and numeric references decoded.
void AppendText(std::u16string& text, std::string_view raw) {
    std::string plain;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            plain += raw[i];
            continue;
        }
        const std::size_t end = raw.find(';', i);
        if (end == std::string_view::npos || end - i > 10) {
            plain += '&';
            continue;
        }
        const std::string_view name = raw.substr(i + 1, end - i - 1);
        std::uint32_t code = 0;
        if (name == "amp") code = '&';
        else if (name == "lt") code = '<';
        else if (name == "gt") code = '>';
        else if (name == "quot") code = '"';
        else if (name == "apos") code = '\'';
        else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            for (const char c : name.substr(hex ? 2 : 1)) {
                const int digit = (c >= '0' && c <= '9') ? c - '0'
                                  : hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10
                                                                                  : -1;
                if (digit < 0 || code > 0x10FFFF) {
                    code = 0xFFFD;
                    break;
                }
                code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
            }
            if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
        }
        if (code == 0) {
            plain += '&';
            continue;
        }
        AppendUtf8(text, plain);
        plain.clear();
        if (code > 0xFFFF) {
            text += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            text += static_cast<char16_t>(code);
        }
        i = end;
    }
    AppendUtf8(text, plain);
}

}  // namespace

doc::TDocument ReadText(const std::wstring& indexXmlPath) {
    const std::string xml = ReadIndexXml(indexXmlPath);
    doc::TDocument document;
    const std::size_t bodyStart = xml.find("<sf:text-body");
    if (bodyStart == std::string::npos) return document;
    const std::size_t bodyEnd = std::min(xml.find("</sf:text-body>", bodyStart), xml.size());

    doc::TParagraph paragraph;
    bool inParagraph = false;
    std::size_t i = bodyStart;
    while (i < bodyEnd) {
        const std::size_t tag = xml.find('<', i);
        if (tag == std::string::npos || tag >= bodyEnd) break;
        if (inParagraph && tag > i) AppendText(paragraph.Text, std::string_view(xml).substr(i, tag - i));
        const std::size_t close = xml.find('>', tag);
        if (close == std::string::npos) throw doc::EDamagedDocument(L"index.xml ends inside a tag");
        const std::string_view name = std::string_view(xml).substr(tag + 1, close - tag - 1);
        auto is = [&](std::string_view element) {
            return name.substr(0, element.size()) == element &&
                   (name.size() == element.size() || name[element.size()] == ' ' || name[element.size()] == '/');
        };
        if (is("sf:p")) {
            inParagraph = true;
            paragraph = {};
            if (name.back() == '/') {
                document.Body.Paragraphs.push_back(paragraph);
                inParagraph = false;
            }
        } else if (is("/sf:p")) {
            if (inParagraph) document.Body.Paragraphs.push_back(paragraph);
            inParagraph = false;
        } else if (inParagraph && is("sf:tab")) {
            paragraph.Text += u'\t';
        } else if (inParagraph && is("sf:lnbr")) {
            paragraph.Text += doc::kLineBreak;
        }
        i = close + 1;
    }
    for (doc::TParagraph& p : document.Body.Paragraphs) p.Runs.push_back({0, static_cast<std::uint32_t>(p.Text.size()), {}});
    document.Sections.emplace_back();
    return document;
}

}  // namespace pages09
