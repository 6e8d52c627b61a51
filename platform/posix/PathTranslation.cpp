#include "platform/posix/PathTranslation.h"

#include "platform/Text.h"

namespace platform {

std::string ToNativePath(const std::wstring& enginePath) {
    std::string native = ToUtf8(enginePath);
    for (auto& c : native) {
        if (c == '\\') c = '/';
    }
    return native;
}

std::wstring FromNativePath(const std::string& native) {
    std::wstring engine = FromUtf8(native);
    for (auto& c : engine) {
        if (c == L'/') c = L'\\';
    }
    return engine;
}

std::wstring EnginePathFromSystem(const std::wstring& systemPath) {
    return FromNativePath(ToUtf8(systemPath));
}

std::wstring SystemPathFromEngine(const std::wstring& enginePath) {
    return FromUtf8(ToNativePath(enginePath));
}

}  // namespace platform
