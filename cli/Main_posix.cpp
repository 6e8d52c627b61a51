#include <string>
#include <vector>

#include "cli/Pages2Pdf.h"
#include "platform/Text.h"

int main(int argc, char** argv) {
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.push_back(platform::FromUtf8(argv[i]));
    return RunPages2Pdf(args);
}
