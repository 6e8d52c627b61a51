#include "cli/Console.h"

#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/Exception.h"
#include "platform/Text.h"

namespace cli {
namespace {

int Descriptor(TOutput output) {
    return output == TOutput::toStdOut ? STDOUT_FILENO : STDERR_FILENO;
}

}  // namespace

void Write(TOutput output, const std::wstring& text) {
    const std::string bytes = platform::ToUtf8(text);
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(Descriptor(output), data, left);
        if (written < 0 && errno == EINTR) continue;
        // A closed pipe or a full disk: nothing sensible left to tell anyone.
        if (written <= 0) return;
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

bool IsTerminal(TOutput output) {
    return ::isatty(Descriptor(output)) == 1;
}

std::wstring EnginePathOf(const std::wstring& argument) {
    if (argument.find(L'\\') != std::wstring::npos) {
        throw EArgumentException(L"a path holding \"\\\" can't be used here: the converter reads \"\\\" as a folder "
                                 L"separator");
    }
    return platform::EnginePathFromSystem(argument);
}

std::wstring DisplayPath(const std::wstring& enginePath) {
    return platform::SystemPathFromEngine(enginePath);
}

// The engine's messages name engine paths; "\\" in them is always a separator here,
// since no argument holding one gets this far.
std::wstring DisplayMessage(const std::wstring& message) {
    std::wstring text = message;
    for (auto& c : text) {
        if (c == L'\\') c = L'/';
    }
    return text;
}

}  // namespace cli
