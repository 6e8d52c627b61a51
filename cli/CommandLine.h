#pragma once
// The arguments of pages2pdf: [-o DIR] [-r] [-j N] [--json] [--exact-only] [--] FILE..., or --text FILE...

#include <optional>
#include <string>
#include <vector>

struct TCommandLine {
    bool Help = false;
    bool Version = false;
    bool Text = false;       // --text: the documents' text on standard output
    bool ExactOnly = false;  // --exact-only: stored PDFs only
    bool Recursive = false;  // -r: folders are walked for documents
    bool Json = false;       // --json: a JSON object per document on standard output
    int Jobs = 0;            // -j N: documents converted at once; 0 for one per core
    std::optional<std::wstring> OutputFolder;
    std::vector<std::wstring> Files;
    // Set when the arguments can't be used; the rest is then meaningless.
    std::wstring Error;
};

// args without the program name.
TCommandLine ParseCommandLine(const std::vector<std::wstring>& args);

extern const wchar_t* const kUsageText;
extern const wchar_t* const kVersionText;
