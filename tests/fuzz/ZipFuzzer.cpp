// libFuzzer target: arbitrary bytes opened as a package and extracted into a scratch folder.
// Beyond the sanitizers it checks one rule itself: nothing is written outside the target.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Exception.h"
#include "platform/Text.h"
#include "zip/BytesStream.h"
#include "zip/ZipFile.h"

namespace fs = std::filesystem;

namespace {

// Declared sizes above this are skipped, so one input never writes more than this.
constexpr std::uint64_t kMaxDeclaredBytes = 8u << 20;

std::wstring EnginePath(const fs::path& native) {
    std::wstring w = platform::FromUtf8(native.string());
    for (auto& c : w) {
        if (c == L'/') c = L'\\';
    }
    return w;
}

struct TScratch {
    TScratch() {
        const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        Root = base / ("p2p-zip-fuzz-" + std::to_string(::getpid()));
        fs::remove_all(Root);
        Parent = Root / "parent";
        Target = Parent / "out";
        fs::create_directories(Target);
        TargetEngine = EnginePath(Target) + L"\\";
    }
    ~TScratch() {
        std::error_code ec;
        fs::remove_all(Root, ec);
    }
    // The target emptied; the folders above it must hold nothing else.
    void Reset() {
        for (const auto& dir : {Root, Parent}) {
            for (const auto& e : fs::directory_iterator(dir)) {
                if (e.path() != Parent && e.path() != Target) {
                    std::fprintf(stderr, "written outside the target: %s\n", e.path().c_str());
                    std::abort();
                }
            }
        }
        fs::remove_all(Target);
        fs::create_directory(Target);
    }
    fs::path Root, Parent, Target;
    std::wstring TargetEngine;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TScratch scratch;
    TBytesStream stream(std::vector<std::uint8_t>(data, data + size));
    TZipFile zip;
    try {
        zip.Open(stream, zmRead);
        std::uint64_t declared = 0;
        for (int i = 0; i < zip.FileCount(); ++i) declared += zip.FileInfo(i).UncompressedSize;
        if (declared <= kMaxDeclaredBytes) zip.ExtractAll(scratch.TargetEngine);
    } catch (const Exception&) {
        // Every refusal is an Exception with a message; anything else escapes and is a finding.
    }
    zip.Close();
    scratch.Reset();
    return 0;
}
