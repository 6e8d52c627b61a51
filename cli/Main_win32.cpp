#include <string>
#include <vector>

#include "cli/Pages2Pdf.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return RunPages2Pdf(args);
}
