#pragma once
// errno to the Windows system error code a Win32 call would have left.

#include <string>

#include "platform/FileSystem.h"

namespace platform::posix {

// nativePath is the path the failed call was given: a missing file whose parent is
// missing too reports "path not found", as Windows does.
TErrorCode ErrorFromErrno(int err, const std::string& nativePath = {});

}  // namespace platform::posix
