#include "platform/DataFiles.h"

#include <unistd.h>

#include "platform/posix/PathTranslation.h"

namespace platform {

TCFile OpenCFileRead(const std::wstring& path) { return TCFile(std::fopen(ToNativePath(path).c_str(), "rb")); }

std::wstring ProgramFolder() {
    std::string buffer(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return {};
    buffer.resize(static_cast<std::size_t>(n));
    const std::wstring program = FromNativePath(buffer);
    const auto slash = program.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : program.substr(0, slash);
}

std::vector<std::wstring> HyphenationFolders() {
    std::vector<std::wstring> folders;
    if (std::wstring program = ProgramFolder(); !program.empty()) folders.push_back(program + L"\\hyphen");
    // Debian's hyphen-* packages (the set-up installs them).
    folders.push_back(L"\\usr\\share\\hyphen");
    return folders;
}

}  // namespace platform
