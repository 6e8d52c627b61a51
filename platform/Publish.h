#pragma once
// Publishing a file: it appears under its final name whole or not at all, and never over
// anything already there.
//
// The bytes go to a temporary in the same folder, ".~<name>.p2p-tmp-<process id>-<n>" (the leading
// ".~" and the marker keep it apart from a user's files), are flushed to the disk, and the
// temporary then takes the final name only if that name is still free. A run killed in between
// leaves only its temporary, which a later run writing into that folder removes once it is stale.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/File.h"
#include "platform/FileSystem.h"

namespace platform {

// Fills the new file; false, with error set, when it could not.
using TFileFiller = std::function<bool(TFile& file, TErrorCode& error)>;

// A new file at path, filled by fill. False with error set when path was taken before or during
// the filling (kErrorFileExists or kErrorAlreadyExists; the file there is never touched), when
// the filling failed, or when the temporary could not be made, flushed or renamed; the temporary
// is gone then. Stale temporaries in the folder are removed first, once per folder and process.
bool PublishNewFile(const std::wstring& path, const TFileFiller& fill, TErrorCode& error);

// The temporary's name for a final name: ".~<up to 64 characters of name>.p2p-tmp-<pid>-<n>".
std::wstring PublishTemporaryName(const std::wstring& finalName, std::uint32_t processId, std::uint32_t n);
// Whether name is one of those temporaries; processId receives its writer's id.
bool IsPublishTemporaryName(const std::wstring& name, std::uint32_t& processId);

// Removes the temporaries in folder (ending in "\") that no run will finish: nobody holds them open, and
// their process is gone or they were not written for an hour (a process id may be reused). A
// temporary a running process is still writing stays. Anything else in the folder is never touched.
void RemoveStaleTemporaries(const std::wstring& folder);

// What each backend supplies to the publishing; not for other callers.
namespace backend {
// MoveFileExW without MOVEFILE_REPLACE_EXISTING; renameat2(RENAME_NOREPLACE) or link + unlink on
// Linux. Fails with kErrorFileExists or kErrorAlreadyExists when to is taken.
bool RenameNoReplace(const std::wstring& from, const std::wstring& to, TErrorCode& error);
bool RemoveFile(const std::wstring& path);
// Removes path unless some TFile holds it open (share mode 0 on Windows; its lock on POSIX).
bool RemoveUnusedFile(const std::wstring& path);
std::uint32_t CurrentProcessId();
bool ProcessRuns(std::uint32_t processId);
// Seconds since the file was last written; -1 when it can't be told.
std::int64_t SecondsSinceWritten(const std::wstring& path);
}  // namespace backend

}  // namespace platform
