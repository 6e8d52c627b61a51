#include "cli/Pages2Pdf.h"

#include <chrono>
#include <exception>
#include <optional>

#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "convert/Conversion.h"
#include "convert/DocumentText.h"
#include "convert/Escape.h"
#include "document/Document.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Text.h"

using namespace cli;

namespace {

constexpr int kExitAllWritten = 0;
constexpr int kExitNotAllWritten = 1;
constexpr int kExitUsage = 2;

// "done of total" on a terminal's standard error, once the batch has taken longer than
// a moment; kept as the terminal's last line and redrawn a few times a second at most.
class TProgress {
public:
    explicit TProgress(std::size_t total)
        : FTotal(total), FEnabled(total > 1 && IsTerminal(TOutput::toStdErr)),
          FStdOutOnTerminal(IsTerminal(TOutput::toStdOut)), FStart(std::chrono::steady_clock::now()) {}
    TProgress(const TProgress&) = delete;
    TProgress& operator=(const TProgress&) = delete;
    ~TProgress() { Clear(); }

    // Before a line goes to output: the progress line makes room when they share the screen.
    void BeforeLine(TOutput output) {
        if (output == TOutput::toStdErr || FStdOutOnTerminal) Clear();
    }
    void Show(std::size_t done) {
        if (!FEnabled || done >= FTotal) return;
        const auto now = std::chrono::steady_clock::now();
        if (now - FStart < std::chrono::milliseconds(500)) return;
        if (FShownWidth != 0 && now - FLastDrawn < std::chrono::milliseconds(100)) return;
        const std::wstring text =
            L"pages2pdf: " + std::to_wstring(done) + L" of " + std::to_wstring(FTotal) + L" documents done";
        Write(TOutput::toStdErr, L"\r" + text);
        FShownWidth = text.size();
        FLastDrawn = now;
    }

private:
    void Clear() {
        if (FShownWidth == 0) return;
        Write(TOutput::toStdErr, L"\r" + std::wstring(FShownWidth, L' ') + L"\r");
        FShownWidth = 0;
    }

    std::size_t FTotal;
    bool FEnabled;
    bool FStdOutOnTerminal;
    std::chrono::steady_clock::time_point FStart;
    std::chrono::steady_clock::time_point FLastDrawn;
    std::size_t FShownWidth = 0;
};

std::wstring MessageOf(const std::exception& e) {
    if (const auto* ours = dynamic_cast<const Exception*>(&e)) return ours->Message();
    return platform::FromUtf8(e.what());
}

// Absolute against the current folder, the way GetFullPathNameW makes it.
std::wstring AbsoluteEnginePath(const std::wstring& argument) {
    const std::wstring engine = EnginePathOf(argument);
    platform::TErrorCode error = platform::kErrorSuccess;
    std::wstring full = platform::FullPathName(engine, error);
    if (full.empty()) {
        throw EInOutError(L"Cannot make \"" + argument + L"\" absolute: " + platform::SystemErrorMessage(error),
                          static_cast<int>(error));
    }
    return full;
}

// A trailing separator would be doubled in the output paths; a root keeps its own.
std::wstring WithoutTrailingSeparator(std::wstring folder) {
    while (folder.size() > 1 && folder.back() == L'\\' && folder[folder.size() - 2] != L':') folder.pop_back();
    return folder;
}

// Names come from the file system and messages from documents: neither may forge a line.
void WriteLine(TOutput output, const std::wstring& line) {
    Write(output, EscapeControls(line) + L"\n");
}

int UsageError(const std::wstring& message) {
    Write(TOutput::toStdErr, L"pages2pdf: " + EscapeControls(message) + L"\n" + kUsageText);
    return kExitUsage;
}

// --text: each document's words on standard output, a blank line between documents.
int WriteTexts(TConversionEngine& engine, const std::vector<std::wstring>& files) {
    bool allRead = true;
    bool first = true;
    for (const std::wstring& file : files) {
        try {
            const std::wstring source = AbsoluteEnginePath(file);
            doc::TDocument document;
            TDocumentResult result;
            result.Status = engine.ReadDocument(source, document, result.Detail);
            if (result.Status != TDocumentStatus::dsWritten) {
                allRead = false;
                WriteLine(TOutput::toStdErr, L"not read: " + file + L": " + DisplayMessage(DescribeReason(result)));
                continue;
            }
            Write(TOutput::toStdOut, (first ? L"" : L"\n") + DocumentText(document));
            first = false;
        } catch (const std::exception& e) {
            allRead = false;
            WriteLine(TOutput::toStdErr, L"error: " + file + L": " + DisplayMessage(MessageOf(e)));
        }
    }
    return allRead ? kExitAllWritten : kExitNotAllWritten;
}

}  // namespace

int RunPages2Pdf(const std::vector<std::wstring>& args) {
    const TCommandLine commandLine = ParseCommandLine(args);
    if (!commandLine.Error.empty()) return UsageError(commandLine.Error);
    if (commandLine.Help) {
        Write(TOutput::toStdOut, kUsageText);
        return kExitAllWritten;
    }
    if (commandLine.Version) {
        Write(TOutput::toStdOut, kVersionText);
        return kExitAllWritten;
    }

    std::wstring outputFolder;
    if (commandLine.OutputFolder) {
        try {
            outputFolder = WithoutTrailingSeparator(AbsoluteEnginePath(*commandLine.OutputFolder));
        } catch (const std::exception& e) {
            return UsageError(L"-o " + *commandLine.OutputFolder + L": " + MessageOf(e));
        }
    }
    const bool sameFolder = !commandLine.OutputFolder;

    TConversionEngine engine;
    engine.ExactOnly = commandLine.ExactOnly;
    std::optional<platform::TProcessLock> lock;
    try {
        engine.SetUpWorkingFolder();
        lock.emplace(engine.LockWorkingFolder());
        // As the window's batch makes its output folder: a folder that can't be made
        // shows in each document's copy error.
        if (!sameFolder && !platform::DirectoryExists(outputFolder)) platform::ForceDirectories(outputFolder);
    } catch (const std::exception& e) {
        WriteLine(TOutput::toStdErr, L"pages2pdf: " + DisplayMessage(MessageOf(e)));
        return kExitNotAllWritten;
    }

    // Emptied while the lock is still held, however the run ends.
    const TWorkingFolderCleanup cleanup(engine);
    if (commandLine.Text) return WriteTexts(engine, commandLine.Files);

    // A script converting a folder wants every document tried: an error ends only its own.
    bool allWritten = true;
    TProgress progress(commandLine.Files.size());
    std::size_t done = 0;
    for (const std::wstring& file : commandLine.Files) {
        std::wstring line;
        TOutput output = TOutput::toStdErr;
        try {
            const std::wstring source = AbsoluteEnginePath(file);
            try {
                const TDocumentResult result = engine.ConvertDocument(source, sameFolder, outputFolder);
                if (IsWritten(result)) {
                    line = L"converted: " + file + L" -> " + DisplayPath(result.OutputPath);
                    if (result.Status == TDocumentStatus::dsLaidOut) {
                        line += L" (laid out by pages2pdf; Pages 5 and later store no PDF)";
                        const std::wstring leftOut = DescribeLeftOut(result.LeftOut);
                        if (!leftOut.empty()) line += L" (some content left out: " + leftOut + L")";
                    }
                    output = TOutput::toStdOut;
                } else {
                    line = L"not converted: " + file + L": " + DisplayMessage(DescribeReason(result));
                }
            } catch (const std::exception& e) {
                line = L"error: " + file + L": " + DisplayMessage(MessageOf(e));
            }
        } catch (const std::exception& e) {
            line = L"error: " + file + L": " + MessageOf(e);
        }
        if (output != TOutput::toStdOut) allWritten = false;
        progress.BeforeLine(output);
        WriteLine(output, line);
        progress.Show(++done);
    }
    return allWritten ? kExitAllWritten : kExitNotAllWritten;
}
