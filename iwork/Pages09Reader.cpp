#include "iwork/Pages09Reader.h"

#include <zlib.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document/Limits.h"
#include "iwork/Errors.h"
#include "platform/File.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace iwork {
namespace {

// Unzipped index.xml is bounded by the same limit as it inflates.
constexpr std::size_t kMaxXmlSize = doc::limits::kMaxXmlBytes;

std::string ReadWhole(const std::wstring& path) {
    platform::TErrorCode error = platform::kErrorSuccess;
    // Shared: a document folder is read in place, perhaps by several conversions at once.
    platform::TFile file = platform::TFile::OpenReadShared(path, error);
    if (!file) throw EDamagedDocument(L"cannot open " + platform::ExtractFileName(path));
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const std::int32_t n = file.Read(buffer, sizeof buffer);
        if (n <= 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > kMaxXmlSize) throw EDamagedDocument(L"index.xml is too large");
    }
    return bytes;
}

std::string Gunzip(const std::string& packed) {
    z_stream z{};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) throw EDamagedDocument(L"index.xml.gz cannot be read");
    std::string out;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    char buffer[65536];
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) break;
        out.append(buffer, sizeof buffer - z.avail_out);
        if (out.size() > kMaxXmlSize || (rc == Z_OK && z.avail_in == 0 && z.avail_out != 0)) break;
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END) throw EDamagedDocument(L"index.xml.gz is truncated or corrupt");
    return out;
}

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

doc::TDocument ReadPages09Text(const std::wstring& indexXmlPath) {
    std::string xml = ReadWhole(indexXmlPath);
    if (xml.size() >= 2 && static_cast<unsigned char>(xml[0]) == 0x1F && static_cast<unsigned char>(xml[1]) == 0x8B) {
        xml = Gunzip(xml);
    }
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
        if (close == std::string::npos) throw EDamagedDocument(L"index.xml ends inside a tag");
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

}  // namespace iwork
