#include "cli/Pages2Pdf.h"

#include <exception>
#include <memory>
#include <thread>

#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "cli/Inputs.h"
#include "cli/Jobs.h"
#include "cli/JsonReport.h"
#include "cli/Progress.h"
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

// A trailing separator would be doubled in the output paths; a root keeps its own.
std::wstring WithoutTrailingSeparator(std::wstring folder) {
    while (folder.size() > 1 && folder.back() == L'\\' && folder[folder.size() - 2] != L':') folder.pop_back();
    return folder;
}

// "converted: A.pages -> OUT/A.pdf", "not converted: A.pages: <reason>" or "error: A.pages: <message>".
std::wstring HumanLine(const std::wstring& file, const TOutcome& outcome) {
    if (outcome.Failed) return L"error: " + file + L": " + outcome.Error;
    const TDocumentResult& result = outcome.Result;
    if (!IsWritten(result)) return L"not converted: " + file + L": " + DisplayMessage(DescribeReason(result));
    std::wstring line = L"converted: " + file + L" -> " + DisplayPath(result.OutputPath);
    if (result.Status == TDocumentStatus::dsLaidOut) {
        line += L" (laid out by pages2pdf; Pages 5 and later store no PDF)";
        const std::wstring leftOut = DescribeLeftOut(result.LeftOut);
        if (!leftOut.empty()) line += L" (some content left out: " + leftOut + L")";
    }
    return line;
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
int WriteTexts(TConversionEngine& engine, const std::vector<TInput>& inputs) {
    bool allRead = true;
    bool first = true;
    for (const TInput& input : inputs) {
        const std::wstring& file = input.Shown;
        try {
            if (input.Source.empty()) throw EInOutError(input.Error);
            const std::wstring& source = input.Source;
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

    std::vector<TInput> inputs;
    try {
        inputs = CollectInputs(commandLine.Files, commandLine.Recursive, outputFolder);
    } catch (const EArgumentException& e) {
        return UsageError(e.Message());
    }

    // One engine, and so one working folder, per job; no more jobs than documents.
    std::size_t jobs = commandLine.Jobs > 0 ? static_cast<std::size_t>(commandLine.Jobs)
                                            : std::max(1u, std::thread::hardware_concurrency());
    if (commandLine.Text) jobs = 1;
    jobs = std::max<std::size_t>(1, std::min(jobs, inputs.size()));
    std::vector<std::unique_ptr<TConversionEngine>> engines;
    try {
        for (std::size_t i = 0; i < jobs; ++i) {
            engines.push_back(std::make_unique<TConversionEngine>());
            engines.back()->ExactOnly = commandLine.ExactOnly;
            engines.back()->SetUpWorkingFolder();
        }
        // As the window's batch makes its output folder: a folder that can't be made
        // shows in each document's copy error.
        if (!sameFolder && !platform::DirectoryExists(outputFolder)) platform::ForceDirectories(outputFolder);
    } catch (const std::exception& e) {
        WriteLine(TOutput::toStdErr, L"pages2pdf: " + DisplayMessage(MessageOf(e)));
        return kExitNotAllWritten;
    }
    if (commandLine.Text) return WriteTexts(*engines.front(), inputs);

    // A script converting a folder wants every document tried: an error ends only its own.
    bool allWritten = true;
    TProgress progress(inputs.size());
    TJobEvents events;
    events.Finished = [&](std::size_t index, const TOutcome& outcome) {
        const std::wstring line = HumanLine(inputs[index].Shown, outcome);
        const bool written = !outcome.Failed && IsWritten(outcome.Result);
        if (!written) allWritten = false;
        // With --json, standard output is the scripts' alone.
        const TOutput output = written && !commandLine.Json ? TOutput::toStdOut : TOutput::toStdErr;
        progress.BeforeLine(output);
        WriteLine(output, line);
        if (commandLine.Json) {
            progress.BeforeLine(TOutput::toStdOut);
            Write(TOutput::toStdOut, JsonLine(inputs[index].Shown, outcome) + L"\n");
        }
    };
    events.Progress = [&](std::size_t done, const std::wstring& current) { progress.Show(done, current); };
    RunJobs(engines, inputs, events);
    return allWritten ? kExitAllWritten : kExitNotAllWritten;
}
