#pragma once
// A one-line progress display on standard error when it is a terminal: documents done of the
// total, the document being converted, the rate and the time left. Nothing otherwise.

#include <chrono>
#include <cstddef>
#include <string>

#include "cli/Console.h"

namespace cli {

class TProgress {
public:
    explicit TProgress(std::size_t total);
    TProgress(const TProgress&) = delete;
    TProgress& operator=(const TProgress&) = delete;
    ~TProgress();

    // Before a line goes to output: the progress line makes room when they share the screen.
    void BeforeLine(TOutput output);
    // Redrawn a few times a second at most, once the run has taken longer than a moment.
    void Show(std::size_t done, const std::wstring& current);

private:
    void Clear();

    std::size_t FTotal;
    bool FEnabled;
    bool FStdOutOnTerminal;
    std::chrono::steady_clock::time_point FStart;
    std::chrono::steady_clock::time_point FLastDrawn;
    std::size_t FShownWidth = 0;
};

// "12/340 Name.pages, 3.1 documents/s, 1:40 left": the text of the line, without the prefix.
// The name is cut to its last maxName characters.
std::wstring ProgressText(std::size_t done, std::size_t total, const std::wstring& current, double seconds,
                          std::size_t maxName);

}  // namespace cli
