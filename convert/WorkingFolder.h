#pragma once
// Each conversion's own working folder, so that any number of them (the window, several
// command-line runs, the jobs of one run) can unpack at once without touching each other.
// They live side by side below one root (<local application data>\Lumbrook\), each named by a
// number and guarded by a process lock held for as long as it is in use.

#include <string>

#include "platform/ProcessLock.h"

class TWorkingFolder final {
public:
    // Removes the folders below root that no live conversion holds (runs that were killed
    // leave theirs behind), then makes one of its own there and locks it. root ends with a
    // separator and exists. Raises EInOutError when no folder can be made.
    explicit TWorkingFolder(const std::wstring& root);
    // Removes the folder and everything in it, then lets go of the lock.
    ~TWorkingFolder();
    TWorkingFolder(const TWorkingFolder&) = delete;
    TWorkingFolder& operator=(const TWorkingFolder&) = delete;

    // Ends with a separator.
    const std::wstring& Path() const noexcept { return FPath; }

private:
    std::wstring FPath;
    platform::TProcessLock FLock;
};

// The folders (and lock files) below root whose lock can be taken: nobody uses them any more.
// Each is removed under its own lock, so a live conversion's folder is never touched.
void RemoveAbandonedWorkingFolders(const std::wstring& root);
