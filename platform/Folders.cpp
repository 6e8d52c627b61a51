#include "platform/Folders.h"

#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

namespace platform {

bool DirectoryExists(const std::wstring& path) {
    TErrorCode error = kErrorSuccess;
    const auto attributes = FileAttributes(path, error);
    if (attributes == kInvalidAttributes) {
        return !(error == kErrorFileNotFound || error == kErrorPathNotFound ||
                 error == kErrorInvalidName || error == kErrorBadNetPath);
    }
    if ((attributes & kAttrReparsePoint) != 0 && !CanOpenFolder(path)) return false;
    return (attributes & kAttrDirectory) != 0;
}

bool ForceDirectories(const std::wstring& path) {
    if (path.empty()) throw EInOutError(L"Unable to create directory", 3);
    std::wstring dir = path;
    if (dir.back() == L'\\') dir.pop_back();
    if (dir.size() < 3 || DirectoryExists(dir) || ExtractFilePath(dir) == dir) return true;
    if (!ForceDirectories(ExtractFilePath(dir))) return false;
    TErrorCode error = kErrorSuccess;
    return CreateFolder(dir, error);
}

}  // namespace platform
