#pragma once
// The POSIX backend's boundary: engine paths ("\" separates, wide text) to native
// paths ("/" separates, UTF-8) and back.

#include <string>

namespace platform {

std::string ToNativePath(const std::wstring& enginePath);
std::wstring FromNativePath(const std::string& native);

}  // namespace platform
