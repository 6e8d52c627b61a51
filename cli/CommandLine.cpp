#include "cli/CommandLine.h"

const wchar_t* const kUsageText =
    L"usage: pages2pdf [-o DIR | --output DIR] [--exact-only] [--] FILE...\n"
    L"       pages2pdf --text [--] FILE...\n"
    L"\n"
    L"Converts each Pages document FILE to a PDF, in the order given. A document\n"
    L"saved by Pages '09 carries Apple's own PDF, which is copied unchanged;\n"
    L"documents saved by Pages 5 and later store none, so pages2pdf lays their\n"
    L"pages out itself. A FILE may also be a document folder (a .pages bundle).\n"
    L"\n"
    L"  -o DIR, --output DIR  write the PDFs into DIR (made when missing);\n"
    L"                        without it each PDF goes beside its document\n"
    L"  --exact-only          only copy the PDFs that documents store; never lay\n"
    L"                        a document out\n"
    L"  --text                write each document's text to standard output\n"
    L"                        (UTF-8, a line per paragraph, table cells separated\n"
    L"                        by tabs, a blank line between documents) instead\n"
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
        } else if (arg == L"--text") {
            result.Text = true;
        } else if (arg == L"--exact-only") {
            result.ExactOnly = true;
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
    if (result.Text && result.OutputFolder) return fail(L"--text writes to standard output: -o has no use with it");
    if (result.Text && result.ExactOnly) return fail(L"--text and --exact-only can't be used together");
    return result;
}
