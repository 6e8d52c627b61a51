#pragma once
// An open folder listing (opendir), closed by its owner.

#include <dirent.h>

#include "platform/Owner.h"

namespace platform::posix {

struct TFolderTraits {
    using Handle = DIR*;
    static constexpr Handle kInvalid = nullptr;
    static void Close(Handle dir) noexcept { ::closedir(dir); }
};

using TFolder = TOwner<TFolderTraits>;

}  // namespace platform::posix
