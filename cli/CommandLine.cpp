#include "cli/CommandLine.h"

const wchar_t* const kUsageText =
    L"usage: pages2pdf [-o DIR | --output DIR] [-r] [-j N] [--json] [--exact-only] [--] FILE...\n"
    L"       pages2pdf --text [--] FILE...\n"
    L"\n"
    L"Converts each Pages document FILE to a PDF, reporting them in the order given.\n"
    L"A document saved by Pages '09 carries Apple's own PDF, which is copied\n"
    L"unchanged; documents saved by Pages 5 and later store none, so pages2pdf lays\n"
    L"their pages out itself. A FILE may also be a document folder (a .pages bundle).\n"
    L"\n"
    L"  -o DIR, --output DIR  write the PDFs into DIR (made when missing);\n"
    L"                        without it each PDF goes beside its document\n"
    L"  -r, --recursive       a FILE that is a folder is searched for documents\n"
    L"                        (.pages files and bundles); with -o its tree is\n"
    L"                        repeated in DIR under the folder's own name\n"
    L"  -j N, --jobs N        convert N documents at once (default: one per core)\n"
    L"  --json                one JSON object per document on standard output; the\n"
    L"                        lines for people go to standard error\n"
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

namespace {

// A whole positive number of jobs, within reason; 0 when the text is not one.
int JobCount(const std::wstring& text) {
    constexpr int kMaxJobs = 1024;
    if (text.empty() || text.size() > 4) return 0;
    int n = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return 0;
        n = n * 10 + (c - L'0');
    }
    return n <= kMaxJobs ? n : 0;
}

}  // namespace

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
        std::optional<std::wstring> jobs;
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
        } else if (arg == L"-r" || arg == L"--recursive") {
            result.Recursive = true;
        } else if (arg == L"--json") {
            result.Json = true;
        } else if (arg == L"-j" || arg == L"--jobs") {
            if (i + 1 >= args.size()) return fail(L"option " + arg + L" needs a number");
            jobs = args[++i];
        } else if (arg.rfind(L"--jobs=", 0) == 0) {
            jobs = arg.substr(7);
        } else if (arg.rfind(L"-j", 0) == 0) {
            jobs = arg.substr(2);
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
        if (jobs) {
            result.Jobs = JobCount(*jobs);
            if (result.Jobs == 0) return fail(L"-j wants a number of jobs from 1 to 1024, not \"" + *jobs + L"\"");
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
    if (result.Text && result.Json) return fail(L"--text and --json can't be used together");
    return result;
}
