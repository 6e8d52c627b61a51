#include "cli/JsonReport.h"

#include <cstdio>

#include "cli/Console.h"

namespace cli {
namespace {

std::wstring Escaped(wchar_t c) {
    wchar_t hex[8];
    std::swprintf(hex, 8, L"\\u%04x", static_cast<unsigned>(c) & 0xFFFF);
    return hex;
}

bool IsHighSurrogate(unsigned c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(unsigned c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Seconds to the millisecond, with a point whatever the locale says.
std::wstring Seconds(double value) {
    const auto ms = static_cast<long long>(value * 1000 + 0.5);
    const std::wstring fraction = std::to_wstring(1000 + ms % 1000).substr(1);
    return std::to_wstring(ms / 1000) + L"." + fraction;
}

}  // namespace

std::wstring JsonString(const std::wstring& text) {
    std::wstring json = L"\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        const auto code = static_cast<unsigned>(c);
        if (c == L'"') {
            json += L"\\\"";
        } else if (c == L'\\') {
            json += L"\\\\";
        } else if (code < 0x20 || code == 0x7F) {
            json += Escaped(c);
        } else if (IsHighSurrogate(code) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            json += c;  // a pair (UTF-16) stays a pair
            json += text[++i];
        } else if (IsHighSurrogate(code) || IsLowSurrogate(code)) {
            // Half a pair is no character: written as its code unit so it still parses.
            json += Escaped(c);
        } else {
            json += c;
        }
    }
    return json + L"\"";
}

std::wstring JsonLine(const std::wstring& shown, const TOutcome& outcome) {
    const TDocumentResult& result = outcome.Result;
    const bool written = !outcome.Failed && IsWritten(result);
    const wchar_t* what = outcome.Failed ? L"error" : written ? L"converted" : L"not converted";
    std::wstring reason = L"null";
    if (outcome.Failed) {
        reason = JsonString(outcome.Error);
    } else if (!written) {
        reason = JsonString(DisplayMessage(DescribeReason(result)));
    }
    const bool laidOut = written && result.Status == TDocumentStatus::dsLaidOut;
    std::wstring leftOut;
    for (const auto& [kind, count] : result.LeftOut) {
        if (count <= 0) continue;
        leftOut += (leftOut.empty() ? L"" : L",") + JsonString(kind) + L":" + std::to_wstring(count);
    }
    return L"{\"path\":" + JsonString(shown) + L",\"outcome\":\"" + what + L"\",\"reason\":" + reason +
           L",\"output\":" + (written ? JsonString(DisplayPath(result.OutputPath)) : L"null") +
           L",\"pages\":" + (result.Pages > 0 && written ? std::to_wstring(result.Pages) : L"null") +
           L",\"method\":" + (written ? (laidOut ? L"\"laid out\"" : L"\"stored\"") : L"null") +
           L",\"left_out\":{" + leftOut + L"},\"seconds\":" + Seconds(outcome.Seconds) + L"}";
}

}  // namespace cli
