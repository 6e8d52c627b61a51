#include "platform/Publish.h"

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <memory>
#include <mutex>
#include <set>

#include "platform/Paths.h"

namespace platform {
namespace {

const wchar_t* const kTemporaryPrefix = L".~";
const wchar_t* const kTemporaryMarker = L".p2p-tmp-";
// Enough of the final name to tell the temporaries apart by eye, short enough that the
// temporary's name is never too long where the final one is not.
constexpr std::size_t kNameKept = 64;
constexpr std::uint32_t kMaxNameTries = 100;

// Untouched this long a temporary is stale whatever runs under its process id now.
constexpr std::int64_t kAbandonedSeconds = 60 * 60;

bool AllDigits(const std::wstring& text, std::size_t from, std::size_t to) {
    if (from >= to) return false;
    for (std::size_t i = from; i < to; ++i) {
        if (text[i] < L'0' || text[i] > L'9') return false;
    }
    return true;
}

// The system's error for the call that just failed, or fallback when it left none.
TErrorCode FailureOr(TErrorCode fallback) {
    const TErrorCode error = TFile::LastError();
    return error == kErrorSuccess ? fallback : error;
}

bool Exists(const std::wstring& path) {
    TErrorCode ignored = kErrorSuccess;
    return FileAttributes(path, ignored) != kInvalidAttributes;
}

// Every folder is swept once per process: a batch writes many PDFs into one folder.
void RemoveStaleTemporariesOnce(const std::wstring& folder) {
    static std::mutex mutex;
    static std::set<std::wstring> swept;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!swept.insert(folder).second) return;
    }
    RemoveStaleTemporaries(folder);
}

}  // namespace

std::wstring PublishTemporaryName(const std::wstring& finalName, std::uint32_t processId, std::uint32_t n) {
    return kTemporaryPrefix + finalName.substr(0, kNameKept) + kTemporaryMarker + std::to_wstring(processId) + L"-" +
           std::to_wstring(n);
}

bool IsPublishTemporaryName(const std::wstring& name, std::uint32_t& processId) {
    if (name.rfind(kTemporaryPrefix, 0) != 0) return false;
    const auto marker = name.rfind(kTemporaryMarker);
    if (marker == std::wstring::npos || marker <= 2) return false;
    const auto idStart = marker + std::wcslen(kTemporaryMarker);
    const auto dash = name.find(L'-', idStart);
    if (dash == std::wstring::npos || !AllDigits(name, idStart, dash) || !AllDigits(name, dash + 1, name.size())) {
        return false;
    }
    if (dash - idStart > 10) return false;
    const unsigned long long id = std::stoull(name.substr(idStart, dash - idStart));
    if (id > 0xFFFFFFFFull) return false;
    processId = static_cast<std::uint32_t>(id);
    return true;
}

void RemoveStaleTemporaries(const std::wstring& folder) {
    const std::uint32_t self = backend::CurrentProcessId();
    TFindListing listing = TFindListing::Start(folder + L"*.*");
    TFindEntry entry;
    while (listing.Next(entry)) {
        std::uint32_t writer = 0;
        if ((entry.Attributes & kAttrDirectory) != 0 || !IsPublishTemporaryName(entry.Name, writer)) continue;
        const std::wstring path = folder + entry.Name;
        // Another run, in this process or a second one, may be about to give it its final name.
        const bool writerRuns = writer == self || backend::ProcessRuns(writer);
        if (writerRuns && backend::SecondsSinceWritten(path) < kAbandonedSeconds) continue;
        // One still being written, by a run on another machine say, is held open and stays.
        backend::RemoveUnusedFile(path);
    }
}

bool PublishNewFile(const std::wstring& path, const TFileFiller& fill, TErrorCode& error) {
    static std::atomic<std::uint32_t> counter{0};
    const std::wstring folder = ExtractFilePath(path);
    const std::wstring name = ExtractFileName(path);
    RemoveStaleTemporariesOnce(folder);
    // Checked first, as CopyFileW does: nothing is written for a name that is taken.
    if (Exists(path)) {
        error = kErrorFileExists;
        return false;
    }
    const std::uint32_t self = backend::CurrentProcessId();
    std::wstring temporary;
    TFile file;
    for (std::uint32_t tries = 0; !file && tries < kMaxNameTries; ++tries) {
        temporary = folder + PublishTemporaryName(name, self, counter++);
        file = TFile::CreateNew(temporary, error);
        if (!file && error != kErrorFileExists && error != kErrorAlreadyExists) return false;
    }
    if (!file) return false;
    bool done = fill(file, error) && file.Flush(error);
    // Closed before the rename: Windows renames no file that is open unshared.
    file.Close();
    if (done) done = backend::RenameNoReplace(temporary, path, error);
    if (!done) backend::RemoveFile(temporary);
    return done;
}

bool CopyFileNew(const std::wstring& from, const std::wstring& to, TErrorCode& error) {
    // The source first: a missing one leaves nothing behind in the target folder.
    TFile source = TFile::OpenReadShared(from, error);
    if (!source) return false;
    // Read gives 0 both at the end and on failure: the size tells them apart.
    const std::int64_t size = source.Seek(0, 2);
    if (size < 0 || source.Seek(0, 0) != 0) {
        error = TFile::LastError();
        return false;
    }
    return PublishNewFile(
        to,
        [&source, size](TFile& target, TErrorCode& fillError) {
            constexpr std::int32_t kBufferSize = 256 * 1024;
            const auto buffer = std::make_unique_for_overwrite<char[]>(kBufferSize);
            for (std::int64_t left = size; left > 0;) {
                const auto want = static_cast<std::int32_t>(std::min<std::int64_t>(left, kBufferSize));
                const std::int32_t n = source.Read(buffer.get(), want);
                if (n <= 0) {
                    fillError = FailureOr(kErrorReadFault);
                    return false;
                }
                // Every count is examined: a full disk must never pass for a shorter PDF.
                if (target.Write(buffer.get(), n) != n) {
                    fillError = FailureOr(kErrorDiskFull);
                    return false;
                }
                left -= n;
            }
            return true;
        },
        error);
}

}  // namespace platform
