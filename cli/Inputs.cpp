#include "cli/Inputs.h"

#include <map>

#include "cli/Console.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Paths.h"
#include "platform/Text.h"

using namespace platform;

namespace cli {
namespace {

const wchar_t* const kDocumentExtension = L".pages";

bool HasDocumentName(const std::wstring& name) {
    const std::wstring lower = LowerCase(name);
    const std::size_t n = std::wstring(kDocumentExtension).size();
    return lower.size() > n && lower.compare(lower.size() - n, n, kDocumentExtension) == 0;
}

std::wstring WithoutFinalSeparators(std::wstring path) {
    while (path.size() > 1 && path.back() == L'\\' && path[path.size() - 2] != L':') path.pop_back();
    return path;
}

// A walk of one folder typed on the command line.
struct TWalk {
    std::wstring Shown;         // the folder as typed, ending in the platform's separator
    std::wstring OutputFolder;  // where its own documents' PDFs go; empty: beside them
    std::vector<TInput>& Found;
};

void Walk(const TWalk& walk, const std::wstring& folder, const std::wstring& below) {
    TFindListing listing = TFindListing::Start(folder + L"\\*.*");
    TFindEntry entry;
    while (listing.Next(entry)) {
        if (entry.Name == L"." || entry.Name == L"..") continue;
        const bool isFolder = (entry.Attributes & kAttrDirectory) != 0;
        const std::wstring path = folder + L"\\" + entry.Name;
        if (HasDocumentName(entry.Name)) {
            walk.Found.push_back({walk.Shown + DisplayPath(below + entry.Name), path,
                                  walk.OutputFolder.empty() ? L"" : WithoutFinalSeparators(walk.OutputFolder + L"\\" + below),
                                  {}});
        } else if (isFolder && (entry.Attributes & kAttrReparsePoint) == 0) {
            Walk(walk, path, below + entry.Name + L"\\");
        }
    }
}

}  // namespace

std::wstring MessageOf(const std::exception& e) {
    if (const auto* ours = dynamic_cast<const Exception*>(&e)) return ours->Message();
    return FromUtf8(e.what());
}

std::wstring AbsoluteEnginePath(const std::wstring& argument) {
    const std::wstring engine = EnginePathOf(argument);
    TErrorCode error = kErrorSuccess;
    std::wstring full = FullPathName(engine, error);
    if (full.empty()) {
        throw EInOutError(L"Cannot make \"" + argument + L"\" absolute: " + SystemErrorMessage(error),
                          static_cast<int>(error));
    }
    return full;
}

std::vector<TInput> CollectInputs(const std::vector<std::wstring>& arguments, bool recursive,
                                  const std::wstring& outputFolder) {
    std::vector<TInput> inputs;
    // Case folded: on Windows "Docs" and "docs" are one folder.
    std::map<std::wstring, std::wstring> treesByName;
    for (const std::wstring& argument : arguments) {
        TInput input{argument, {}, outputFolder, {}};
        try {
            input.Source = AbsoluteEnginePath(argument);
        } catch (const std::exception& e) {
            input.Error = MessageOf(e);
            inputs.push_back(std::move(input));
            continue;
        }
        const std::wstring folder = WithoutFinalSeparators(input.Source);
        if (!recursive || HasDocumentName(folder) || !DirectoryExists(folder)) {
            inputs.push_back(std::move(input));
            continue;
        }
        std::wstring treeOutput;
        if (!outputFolder.empty()) {
            const std::wstring name = ExtractFileName(folder);
            const auto [it, fresh] = treesByName.emplace(LowerCase(name), argument);
            if (!fresh) {
                throw EArgumentException(L"-r: the folders " + it->second + L" and " + argument +
                                         L" have the same name, so their PDFs would meet in one folder");
            }
            treeOutput = name.empty() ? outputFolder : outputFolder + L"\\" + name;
        }
        std::wstring shown = argument;
        const std::wstring separator = DisplayPath(L"\\");
        if (shown.size() < separator.size() ||
            shown.compare(shown.size() - separator.size(), separator.size(), separator) != 0) {
            shown += separator;
        }
        Walk({shown, treeOutput, inputs}, folder, L"");
    }
    return inputs;
}

}  // namespace cli
