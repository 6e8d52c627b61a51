// Removing a folder and everything below it without following links.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/posix/Folder.h"
#include "platform/posix/PathTranslation.h"

namespace platform {
namespace {

// A folder being emptied, with its name in its parent.
struct TOpenFolder {
    posix::TFolder Dir;
    std::string Name;

    int Fd() const noexcept { return ::dirfd(Dir.Get()); }
};

// Opens name below parentFd (or the path itself when parentFd is AT_FDCWD) as a folder, never
// through a link; null when it can't.
DIR* OpenFolderNoFollow(int parentFd, const char* name) {
    const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return nullptr;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) ::close(fd);
    return dir;
}

// Deeper trees, like every other trouble, go the slow way, so the descriptors held stay few.
constexpr std::size_t kMaxFastDepth = 64;

// Removes the folder native and everything in it with one call per entry: the type comes from
// the listing and nothing is followed (a link is removed, not entered). False, with part of
// the tree perhaps gone, at the first thing it can't do.
bool RemoveTreeFast(const std::string& native) {
    std::vector<TOpenFolder> stack;
    DIR* root = OpenFolderNoFollow(AT_FDCWD, native.c_str());
    if (root == nullptr) return false;
    stack.push_back({posix::TFolder(root), std::string()});
    while (!stack.empty()) {
        errno = 0;
        const dirent* d = ::readdir(stack.back().Dir.Get());
        if (d == nullptr) {
            if (errno != 0) return false;
            const std::string name = stack.back().Name;
            stack.pop_back();
            if (stack.empty()) break;
            if (::unlinkat(stack.back().Fd(), name.c_str(), AT_REMOVEDIR) != 0) return false;
            continue;
        }
        const char* name = d->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
        const int parentFd = stack.back().Fd();
        bool folder = d->d_type == DT_DIR;
        if (d->d_type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(parentFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno == ENOENT) continue;
                return false;
            }
            folder = S_ISDIR(st.st_mode);
        }
        if (!folder) {
            if (::unlinkat(parentFd, name, 0) != 0 && errno != ENOENT) return false;
            continue;
        }
        if (stack.size() >= kMaxFastDepth) return false;
        DIR* sub = OpenFolderNoFollow(parentFd, name);
        if (sub == nullptr) return false;
        stack.push_back({posix::TFolder(sub), std::string(name)});
    }
    return ::rmdir(native.c_str()) == 0;
}

// Removes the separators at the end, but never the root itself.
std::string WithoutTrailingSlashes(std::string native) {
    while (native.size() > 1 && native.back() == '/') native.pop_back();
    return native;
}

}  // namespace

bool DeleteTree(const std::wstring& folder) {
    namespace fs = std::filesystem;
    const std::string native = WithoutTrailingSlashes(ToNativePath(folder));
    // The file-system root is never a working folder: refuse it outright.
    if (native.empty() || native == "/") return false;
    if (RemoveTreeFast(native)) return true;
    const fs::path target(native);
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(target, ec))) return false;
    // remove_all never follows links; it only needs every folder below to be writable.
    if (fs::remove_all(target, ec) != static_cast<std::uintmax_t>(-1) && !ec) return true;
    if (fs::is_directory(fs::symlink_status(target, ec))) {
        fs::permissions(target, fs::perms::owner_all, fs::perm_options::add, ec);
        for (auto it = fs::recursive_directory_iterator(target, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec)) {
            if (it->is_directory() && !it->is_symlink()) {
                std::error_code ignored;
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
            }
        }
    }
    ec.clear();
    fs::remove_all(target, ec);
    return !ec && !fs::exists(fs::symlink_status(target, ec));
}

}  // namespace platform
