#include "platform/posix/Errors.h"

#include <sys/stat.h>

#include <string>
#include <system_error>

#include "platform/Text.h"

namespace platform {
namespace posix {

// Codes with no Windows equivalent keep their errno under the customer bit, so the
// message can still name the real cause.
constexpr TErrorCode kErrnoFlag = 0x20000000;

namespace {

constexpr TErrorCode kErrorTooManyOpenFiles = 4;
constexpr TErrorCode kErrorNotEnoughMemory = 8;
constexpr TErrorCode kErrorInvalidParameter = 87;
constexpr TErrorCode kErrorIoDevice = 1117;
constexpr TErrorCode kErrorCantResolveFilename = 1921;

bool ParentMissing(const std::string& nativePath) {
    std::string path = nativePath;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const auto slash = path.rfind('/');
    const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct stat st {};
    return ::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode);
}

}  // namespace

TErrorCode ErrorFromErrno(int err, const std::string& nativePath) {
    switch (err) {
        case 0: return kErrorSuccess;
        case ENOENT: return !nativePath.empty() && ParentMissing(nativePath) ? kErrorPathNotFound : kErrorFileNotFound;
        case ENOTDIR: return kErrorPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return kErrorAccessDenied;
        case EWOULDBLOCK:
        case EBUSY:
        case ETXTBSY: return kErrorSharingViolation;
        case EEXIST: return kErrorAlreadyExists;
        case ENOSPC:
        case EDQUOT: return kErrorDiskFull;
        case ENAMETOOLONG:
        case EINVAL:
        case EILSEQ: return kErrorInvalidName;
        case ENOTEMPTY: return kErrorDirNotEmpty;
        case EMFILE:
        case ENFILE: return kErrorTooManyOpenFiles;
        case ENOMEM: return kErrorNotEnoughMemory;
        case EIO: return kErrorIoDevice;
        case ELOOP: return kErrorCantResolveFilename;
        case EBADF: return kErrorInvalidParameter;
        default: return kErrnoFlag | static_cast<TErrorCode>(err);
    }
}

}  // namespace posix

namespace {

const wchar_t* WindowsMessage(TErrorCode code) {
    switch (code) {
        case 0: return L"The operation completed successfully.";
        case 2: return L"The system cannot find the file specified.";
        case 3: return L"The system cannot find the path specified.";
        case 4: return L"The system cannot open the file.";
        case 5: return L"Access is denied.";
        case 8: return L"Not enough memory resources are available to process this command.";
        case 32: return L"The process cannot access the file because it is being used by another process.";
        case 53: return L"The network path was not found.";
        case 80: return L"The file exists.";
        case 87: return L"The parameter is incorrect.";
        case 112: return L"There is not enough space on the disk.";
        case 123: return L"The filename, directory name, or volume label syntax is incorrect.";
        case 145: return L"The directory is not empty.";
        case 183: return L"Cannot create a file when that file already exists.";
        case 1117: return L"The request could not be performed because of an I/O device error.";
        case 1921: return L"The name of the file cannot be resolved by the system.";
        default: return nullptr;
    }
}

std::wstring TrimMessage(std::wstring text) {
    while (!text.empty() && (text.back() <= L' ' || text.back() == L'.')) text.pop_back();
    return text;
}

}  // namespace

std::wstring SystemErrorMessage(TErrorCode code) {
    if (const wchar_t* text = WindowsMessage(code)) return TrimMessage(text);
    if ((code & posix::kErrnoFlag) != 0) {
        const int err = static_cast<int>(code & ~posix::kErrnoFlag);
        return TrimMessage(FromUtf8(std::generic_category().message(err)));
    }
    return L"Unknown error " + std::to_wstring(code);
}

}  // namespace platform
