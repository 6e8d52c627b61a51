#include "cli/Progress.h"

#include <algorithm>
#include <cmath>

namespace cli {
namespace {

// Long names are cut so that the line stays one line on an ordinary terminal.
constexpr std::size_t kMaxName = 40;

std::wstring Duration(double seconds) {
    const auto total = static_cast<long long>(std::llround(seconds));
    const long long hours = total / 3600, minutes = total / 60 % 60, rest = total % 60;
    const auto two = [](long long n) { return (n < 10 ? L"0" : L"") + std::to_wstring(n); };
    return hours > 0 ? std::to_wstring(hours) + L":" + two(minutes) + L":" + two(rest)
                     : std::to_wstring(minutes) + L":" + two(rest);
}

std::wstring Rate(double perSecond) {
    const auto tenths = static_cast<long long>(std::llround(perSecond * 10));
    return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10);
}

}  // namespace

std::wstring ProgressText(std::size_t done, std::size_t total, const std::wstring& current, double seconds,
                          std::size_t maxName) {
    std::wstring text = std::to_wstring(done) + L"/" + std::to_wstring(total);
    if (!current.empty()) {
        text += L" " + (current.size() > maxName ? L"..." + current.substr(current.size() - maxName) : current);
    }
    if (done > 0 && seconds > 0) {
        const double rate = static_cast<double>(done) / seconds;
        text += L", " + Rate(rate) + L" documents/s, " +
                Duration(static_cast<double>(total - done) / rate) + L" left";
    }
    return text;
}

TProgress::TProgress(std::size_t total)
    : FTotal(total), FEnabled(total > 1 && IsTerminal(TOutput::toStdErr)),
      FStdOutOnTerminal(IsTerminal(TOutput::toStdOut)), FStart(std::chrono::steady_clock::now()) {}

TProgress::~TProgress() {
    Clear();
}

void TProgress::BeforeLine(TOutput output) {
    if (output == TOutput::toStdErr || FStdOutOnTerminal) Clear();
}

void TProgress::Show(std::size_t done, const std::wstring& current) {
    if (!FEnabled || done >= FTotal) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - FStart < std::chrono::milliseconds(500)) return;
    if (FShownWidth != 0 && now - FLastDrawn < std::chrono::milliseconds(100)) return;
    const std::wstring text =
        L"pages2pdf: " +
        ProgressText(done, FTotal, current, std::chrono::duration<double>(now - FStart).count(), kMaxName);
    // Padded over what a longer line before it left.
    const std::size_t width = text.size();
    Write(TOutput::toStdErr,
          L"\r" + text + (FShownWidth > width ? std::wstring(FShownWidth - width, L' ') : std::wstring()));
    FShownWidth = std::max(FShownWidth, width);
    FLastDrawn = now;
}

void TProgress::Clear() {
    if (FShownWidth == 0) return;
    Write(TOutput::toStdErr, L"\r" + std::wstring(FShownWidth, L' ') + L"\r");
    FShownWidth = 0;
}

}  // namespace cli
