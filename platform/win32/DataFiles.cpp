#include "platform/DataFiles.h"

#include <windows.h>

namespace platform {

TCFile OpenCFileRead(const std::wstring& path) { return TCFile(_wfopen(path.c_str(), L"rb")); }

std::wstring ProgramFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
    const auto slash = buffer.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : buffer.substr(0, slash);
}

// Windows has no shared dictionaries: the build puts them beside the programs.
std::vector<std::wstring> HyphenationFolders() {
    std::vector<std::wstring> folders;
    if (std::wstring program = ProgramFolder(); !program.empty()) folders.push_back(program + L"\\hyphen");
    return folders;
}

}  // namespace platform
