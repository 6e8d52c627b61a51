#include "platform/Text.h"

#include <windows.h>

namespace platform {
namespace {

std::wstring Decode(UINT codePage, std::string_view bytes) {
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(codePage, 0, bytes.data(), size, out.data(), n);
    return out;
}

}  // namespace

std::string ToUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(std::string_view bytes) { return Decode(CP_UTF8, bytes); }

std::wstring DecodeZipName(std::string_view bytes, bool utf8) { return Decode(utf8 ? CP_UTF8 : 437, bytes); }

std::wstring EnginePathFromSystem(const std::wstring& systemPath) { return systemPath; }

std::wstring SystemPathFromEngine(const std::wstring& enginePath) { return enginePath; }

}  // namespace platform
