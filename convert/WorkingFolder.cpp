#include "convert/WorkingFolder.h"

#include <atomic>
#include <set>

#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"

using namespace platform;

namespace {

const wchar_t* const kLockSuffix = L".lock";
// Names taken by live conversions are skipped; this many tries means something else is
// wrong (a folder that refuses new entries, say).
constexpr int kMaxNameTries = 1000;

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// What each entry below root belongs to: a folder names itself, a lock file the folder it guards.
std::set<std::wstring> ItemsBelow(const std::wstring& root) {
    std::set<std::wstring> items;
    TFindListing listing = TFindListing::Start(root + L"*.*");
    TFindEntry entry;
    while (listing.Next(entry)) {
        if (entry.Name == L"." || entry.Name == L"..") continue;
        const bool lockFile = (entry.Attributes & kAttrDirectory) == 0 && EndsWith(entry.Name, kLockSuffix);
        items.insert(lockFile ? entry.Name.substr(0, entry.Name.size() - std::wstring(kLockSuffix).size())
                              : entry.Name);
    }
    return items;
}

// Only folders: a lock file goes with its lock, and anything else was not put there by a conversion.
void RemoveFolder(const std::wstring& path) {
    if (DirectoryExists(path)) DeleteTree(path);
}

}  // namespace

void RemoveAbandonedWorkingFolders(const std::wstring& root) {
    for (const std::wstring& item : ItemsBelow(root)) {
        const std::wstring path = root + item;
        TProcessLock lock = TProcessLock::TryAcquire(path);
        if (!lock) continue;  // in use
        RemoveFolder(path);
        lock.Retire();
    }
}

TWorkingFolder::TWorkingFolder(const std::wstring& root) {
    // The lock decides who has a name, so plain numbers do: one held by a live conversion is
    // skipped, one left by a dead run is taken over.
    static std::atomic<unsigned> counter{0};
    RemoveAbandonedWorkingFolders(root);
    for (int tries = 0; tries < kMaxNameTries; ++tries) {
        const std::wstring folder = root + std::to_wstring(++counter % kMaxNameTries);
        // Locked before it exists: a sweep by another run never sees it unlocked.
        TProcessLock lock = TProcessLock::TryAcquire(folder);
        if (!lock) continue;
        // Left by an earlier process that had the same id, or kept by a removal that failed.
        RemoveFolder(folder);
        TErrorCode error = kErrorSuccess;
        if (!CreateFolder(folder, error)) {
            lock.Retire();
            continue;
        }
        FPath = folder + L"\\";
        FLock = std::move(lock);
        return;
    }
    throw EInOutError(L"Cannot make a working folder in \"" + root + L"\"");
}

TWorkingFolder::~TWorkingFolder() {
    DeleteTree(FPath);
    FLock.Retire();
}
