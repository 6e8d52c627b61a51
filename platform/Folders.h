#pragma once
// Folder tests and creation with the exact rules the engine relies on.

#include <string>

namespace platform {

// Links followed. An attribute read that fails answers False only for "not found",
// "path not found", "invalid name" and "bad network path"; other errors (access
// denied, device not ready) answer True.
bool DirectoryExists(const std::wstring& path);

// Makes path and every missing folder above it, outermost first. An empty path raises
// EInOutError "Unable to create directory" (code 3). A parent that can't be made ends
// the chain with false and no error.
bool ForceDirectories(const std::wstring& path);

}  // namespace platform
