// How long reading a hyphenation dictionary takes, the engine's loader against libhyphen's:
//   bench_hyphen_load FILE...    prints per file the CPU seconds of each
// A document that hyphenates in a language pays this once per process.

#include <cstdio>
#include <ctime>
#include <functional>
#include <string>

#include "layout/HyphenDictionary.h"
#include "platform/Text.h"

namespace {

double CpuSeconds(const std::function<void()>& work) {
    const std::clock_t start = std::clock();
    work();
    return double(std::clock() - start) / CLOCKS_PER_SEC;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_hyphen_load FILE...\n");
        return 2;
    }
    std::printf("%-40s %10s %10s\n", "dictionary", "engine", "libhyphen");
    for (int i = 1; i < argc; ++i) {
        const std::wstring path = platform::EnginePathFromSystem(platform::FromUtf8(argv[i]));
        bool read = true;
        const double ours = CpuSeconds([&] { read = read && layout::LoadHyphenDictionary(path) != nullptr; });
        const double library = CpuSeconds([&] { read = read && layout::LoadHyphenDictionaryByLibrary(path) != nullptr; });
        std::printf("%-40s %9.3fs %9.3fs%s\n", argv[i], ours, library, read ? "" : "  (not read)");
    }
    return 0;
}
