#include "cli/CommandLine.h"

const wchar_t* const kUsageText =
    L"usage: pages2pdf [-o DIR | --output DIR] [--] FILE...\n"
    L"\n"
    L"Converts each Pages document FILE to a PDF, in the order given.\n"
    L"\n"
    L"  -o DIR, --output DIR  write the PDFs into DIR (made when missing);\n"
    L"                        without it each PDF goes beside its document\n"
    L"  --                    every argument after it is a FILE\n"
    L"  --help                show this text\n"
    L"  --version             show the version\n"
    L"\n"
    L"An existing PDF is never replaced. Exit status: 0 when every document was\n"
    L"written, 1 when any was not, 2 for a usage error.\n";

const wchar_t* const kVersionText = L"pages2pdf 1.0.0\n";

TCommandLine ParseCommandLine(const std::vector<std::wstring>& args) {
    TCommandLine result;
    auto fail = [&result](std::wstring message) {
        result.Error = std::move(message);
        return result;
    };
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != L'-' || arg == L"-") {
            result.Files.push_back(arg);
            continue;
        }
        std::optional<std::wstring> folder;
        if (arg == L"--") {
            optionsEnded = true;
        } else if (arg == L"--help" || arg == L"-h") {
            result.Help = true;
        } else if (arg == L"--version") {
            result.Version = true;
        } else if (arg == L"-o" || arg == L"--output") {
            if (i + 1 >= args.size()) return fail(L"option " + arg + L" needs a folder");
            folder = args[++i];
        } else if (arg.rfind(L"--output=", 0) == 0) {
            folder = arg.substr(9);
        } else if (arg.rfind(L"-o", 0) == 0 && arg.rfind(L"--", 0) != 0) {
            folder = arg.substr(2);
        } else {
            return fail(L"unknown option " + arg);
        }
        if (folder) {
            if (result.OutputFolder) return fail(L"the output folder is given twice");
            if (folder->empty()) return fail(L"the output folder is empty");
            result.OutputFolder = std::move(*folder);
        }
    }
    if (!result.Help && !result.Version && result.Files.empty()) return fail(L"no document given");
    return result;
}
