#include "cli/Console.h"

#include <windows.h>

#include <string>

#include "platform/Text.h"

namespace cli {
namespace {

HANDLE Handle(TOutput output) {
    return ::GetStdHandle(output == TOutput::toStdOut ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

}  // namespace

void Write(TOutput output, const std::wstring& text) {
    const HANDLE handle = Handle(output);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) return;
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
        // The console takes UTF-16 as it is, whatever its code page.
        const wchar_t* data = text.data();
        DWORD left = static_cast<DWORD>(text.size());
        while (left > 0) {
            DWORD written = 0;
            if (!::WriteConsoleW(handle, data, left, &written, nullptr) || written == 0) return;
            data += written;
            left -= written;
        }
        return;
    }
    // Files and pipes get UTF-8 with the CRLF line ends of Windows text.
    std::wstring crlf;
    crlf.reserve(text.size() + 8);
    for (wchar_t c : text) {
        if (c == L'\n') crlf.push_back(L'\r');
        crlf.push_back(c);
    }
    const std::string bytes = platform::ToUtf8(crlf);
    const char* data = bytes.data();
    DWORD left = static_cast<DWORD>(bytes.size());
    while (left > 0) {
        DWORD written = 0;
        if (!::WriteFile(handle, data, left, &written, nullptr) || written == 0) return;
        data += written;
        left -= written;
    }
}

bool IsTerminal(TOutput output) {
    DWORD mode = 0;
    return ::GetConsoleMode(Handle(output), &mode) != 0;
}

std::wstring EnginePathOf(const std::wstring& argument) {
    return argument;
}

std::wstring DisplayPath(const std::wstring& enginePath) {
    return enginePath;
}

std::wstring DisplayMessage(const std::wstring& message) {
    return message;
}

}  // namespace cli
