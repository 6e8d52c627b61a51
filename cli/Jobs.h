#pragma once
// Documents converted on several threads at once, each thread with an engine (and so a
// working folder) of its own, their outcomes handed back in the order the documents came.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/Inputs.h"
#include "convert/Conversion.h"

namespace cli {

// What became of one document.
struct TOutcome {
    TDocumentResult Result;  // unless Failed
    bool Failed = false;     // an error ended the document; Error holds its message
    std::wstring Error;      // for people: paths in it written the platform's way
    double Seconds = 0;
};

struct TJobEvents {
    // On the caller's thread, once per document, in the documents' order.
    std::function<void(std::size_t index, const TOutcome& outcome)> Finished;
    // On the caller's thread, now and then: how many are done and the document last started.
    std::function<void(std::size_t done, const std::wstring& current)> Progress;
};

// Converts every input with one thread per engine. Inputs whose PDFs would have the same name
// go to one thread, in their order, so which of them is written does not depend on timing.
void RunJobs(std::vector<std::unique_ptr<TConversionEngine>>& engines, const std::vector<TInput>& inputs,
             const TJobEvents& events);

}  // namespace cli
