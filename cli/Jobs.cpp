#include "cli/Jobs.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "cli/Console.h"
#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace cli {
namespace {

// How often the caller hears of progress while nothing finishes.
constexpr auto kProgressInterval = std::chrono::milliseconds(200);

// Groups of input indexes, in the order of their first input; one group per PDF name.
std::vector<std::vector<std::size_t>> GroupByOutput(const std::vector<TInput>& inputs) {
    std::vector<std::vector<std::size_t>> groups;
    std::map<std::wstring, std::size_t> groupOf;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const TInput& input = inputs[i];
        if (input.Source.empty()) {
            groups.push_back({i});
            continue;
        }
        // Case folded: what is one name on Windows stays in one group everywhere.
        const std::wstring key =
            platform::LowerCase(OutputPathFor(input.Source, input.OutputFolder.empty(), input.OutputFolder));
        const auto [it, fresh] = groupOf.emplace(key, groups.size());
        if (fresh) {
            groups.push_back({i});
        } else {
            groups[it->second].push_back(i);
        }
    }
    return groups;
}

// Another job or another run may make one of the folders between our look and our making it,
// which ends that try: each try gets at least one level further, so a try per level is enough.
void MakeFolder(const std::wstring& folder) {
    const auto levels = std::count(folder.begin(), folder.end(), L'\\') + 1;
    for (std::ptrdiff_t i = 0; i < levels && !platform::DirectoryExists(folder); ++i) {
        platform::ForceDirectories(folder);
    }
}

TOutcome Convert(TConversionEngine& engine, const TInput& input) {
    TOutcome outcome;
    const auto start = std::chrono::steady_clock::now();
    if (input.Source.empty()) {
        outcome.Failed = true;
        outcome.Error = input.Error;
        return outcome;
    }
    try {
        // As the window's batch makes its output folder: a folder that can't be made shows in
        // the document's copy error.
        if (!input.OutputFolder.empty()) MakeFolder(input.OutputFolder);
        outcome.Result = engine.ConvertDocument(input.Source, input.OutputFolder.empty(), input.OutputFolder);
    } catch (const std::exception& e) {
        outcome.Failed = true;
        outcome.Error = DisplayMessage(MessageOf(e));
    }
    outcome.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return outcome;
}

// What the threads share with the caller.
struct TShared {
    std::mutex Mutex;
    std::condition_variable Changed;
    std::vector<std::optional<TOutcome>> Outcomes;
    std::size_t NextGroup = 0;
    std::size_t Done = 0;
    std::wstring Current;
};

void Work(TConversionEngine& engine, const std::vector<TInput>& inputs,
          const std::vector<std::vector<std::size_t>>& groups, TShared& shared) {
    for (;;) {
        std::size_t group = 0;
        {
            const std::lock_guard<std::mutex> lock(shared.Mutex);
            if (shared.NextGroup == groups.size()) return;
            group = shared.NextGroup++;
        }
        for (std::size_t index : groups[group]) {
            {
                const std::lock_guard<std::mutex> lock(shared.Mutex);
                shared.Current = inputs[index].Shown;
            }
            TOutcome outcome = Convert(engine, inputs[index]);
            {
                const std::lock_guard<std::mutex> lock(shared.Mutex);
                shared.Outcomes[index] = std::move(outcome);
                ++shared.Done;
            }
            shared.Changed.notify_one();
        }
    }
}

}  // namespace

void RunJobs(std::vector<std::unique_ptr<TConversionEngine>>& engines, const std::vector<TInput>& inputs,
             const TJobEvents& events) {
    const auto groups = GroupByOutput(inputs);
    TShared shared;
    shared.Outcomes.resize(inputs.size());
    std::vector<std::jthread> threads;
    const std::size_t count = std::min(engines.size(), groups.size());
    for (std::size_t i = 0; i < count; ++i) {
        threads.emplace_back([&, i] { Work(*engines[i], inputs, groups, shared); });
    }
    for (std::size_t reported = 0; reported < inputs.size();) {
        std::vector<TOutcome> ready;
        std::size_t done = 0;
        std::wstring current;
        {
            std::unique_lock<std::mutex> lock(shared.Mutex);
            shared.Changed.wait_for(lock, kProgressInterval, [&] { return shared.Outcomes[reported].has_value(); });
            for (std::size_t i = reported; i < inputs.size() && shared.Outcomes[i]; ++i) {
                ready.push_back(std::move(*shared.Outcomes[i]));
                shared.Outcomes[i].reset();
            }
            done = shared.Done;
            current = shared.Current;
        }
        for (const TOutcome& outcome : ready) events.Finished(reported++, outcome);
        if (events.Progress) events.Progress(done, current);
    }
}

}  // namespace cli
