#include "zip/FileStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "zip/ZDecompressionStream.h"

// Whole refills and their hand-backs stay within one read-ahead.
static_assert(TFileStream::kReadAheadSize >= 2 * TCustomZStream::kInputBufferSize);

namespace {

std::wstring FileErrorText(const wchar_t* what, const std::wstring& fileName, platform::TErrorCode error) {
    platform::TErrorCode ignored = platform::kErrorSuccess;
    return std::wstring(what) + L" \"" + platform::FullPathName(fileName, ignored) + L"\". " +
           platform::SystemErrorMessage(error);
}

// The read-ahead buffer of the last stream closed on this thread, handed to the next one: a
// batch opens one package after the other, and fresh memory costs a page fault per page touched.
thread_local std::unique_ptr<std::uint8_t[]> tSpareReadAhead;

}  // namespace

TFileStream::TFileStream(const std::wstring& FileName, std::uint16_t Mode) : FFileName(FileName) {
    platform::TErrorCode error = platform::kErrorSuccess;
    if (Mode == fmCreate) {
        FHandle = platform::TFile::Create(FileName, error);
        if (!FHandle) throw EFCreateError(FileErrorText(L"Cannot create file", FileName, error));
    } else {
        FHandle = (Mode & fmShareDenyWrite) != 0 ? platform::TFile::OpenReadShared(FileName, error)
                                                 : platform::TFile::OpenRead(FileName, error);
        if (!FHandle) throw EFOpenError(FileErrorText(L"Cannot open file", FileName, error));
        FReadAhead = std::move(tSpareReadAhead);
        if (!FReadAhead) FReadAhead = std::make_unique_for_overwrite<std::uint8_t[]>(kReadAheadSize);
    }
}

TFileStream::~TFileStream() {
    if (FReadAhead && !tSpareReadAhead) tSpareReadAhead = std::move(FReadAhead);
}

std::int32_t TFileStream::Read(void* Buffer, std::int32_t Count) {
    if (FReadAhead) return ReadBuffered(static_cast<std::uint8_t*>(Buffer), Count);
    const auto n = FHandle.Read(Buffer, Count);
    if (FPosition >= 0) FPosition += n;
    return n;
}

std::int32_t TFileStream::Write(const void* Buffer, std::int32_t Count) {
    if (FReadAhead) {
        // A file opened for reading takes nothing; kept on the system's side all the same.
        if (Count <= 0 || !SyncFilePointer()) return 0;
        const auto n = FHandle.Write(Buffer, Count);
        FReadAheadCount = 0;
        FFileSize = -1;
        FFilePointer += n;
        FPosition += n;
        return n;
    }
    const auto n = FHandle.Write(Buffer, Count);
    if (FPosition >= 0) FPosition += n;
    return n;
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
    if (FReadAhead) return SeekBuffered(Offset, Origin);
    if (FPosition >= 0) {
        if (Origin == TSeekOrigin::soCurrent && Offset == 0) return FPosition;
        if (Origin == TSeekOrigin::soBeginning && Offset == FPosition) return FPosition;
    }
    FPosition = FHandle.Seek(Offset, static_cast<int>(Origin));
    return FPosition;
}

bool TFileStream::SyncFilePointer() {
    if (FFilePointer == FPosition) return true;
    FFilePointer = FHandle.Seek(FPosition, 0);
    return FFilePointer == FPosition;
}

std::int64_t TFileStream::SeekBuffered(std::int64_t Offset, TSeekOrigin Origin) {
    std::int64_t base = 0;
    switch (Origin) {
        case TSeekOrigin::soBeginning: base = 0; break;
        case TSeekOrigin::soCurrent: base = FPosition; break;
        case TSeekOrigin::soEnd:
            if (FFileSize < 0) {
                FFileSize = FHandle.Seek(0, 2);
                FFilePointer = FFileSize;
                if (FFileSize < 0) return -1;
            }
            base = FFileSize;
            break;
        default: return -1;
    }
    // Like the system's seek: a target before the start (or past the range) fails and moves nothing.
    if (Offset > 0 ? base > std::numeric_limits<std::int64_t>::max() - Offset : base + Offset < 0) return -1;
    const std::int64_t target = base + Offset;
    // Moved back into the buffer: a decoder handing back its surplus. What follows is read
    // again soon, so the next large request refills the buffer rather than bypass it.
    if (target < FPosition && target >= FReadAheadStart) FHandBack = true;
    FPosition = target;
    return FPosition;
}

std::int32_t TFileStream::ReadBuffered(std::uint8_t* Buffer, std::int32_t Count) {
    std::int32_t done = 0;
    while (done < Count) {
        const std::int64_t offset = FPosition - FReadAheadStart;
        if (offset >= 0 && offset < FReadAheadCount) {
            const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(FReadAheadCount - offset, Count - done));
            std::memcpy(Buffer + done, FReadAhead.get() + offset, static_cast<std::size_t>(n));
            done += n;
            FPosition += n;
            continue;
        }
        if (!SyncFilePointer()) break;
        const std::int32_t left = Count - done;
        if (left >= kDirectReadSize || (Count >= kDirectReadSize && done > 0 && !FHandBack)) {
            const auto n = FHandle.Read(Buffer + done, left);
            FFilePointer += n;
            FPosition += n;
            done += n;
            break;  // the whole rest, or the end of the file
        }
        const auto n = FHandle.Read(FReadAhead.get(), kReadAheadSize);
        FFilePointer += n;
        FReadAheadStart = FPosition;
        FReadAheadCount = n;
        FHandBack = false;
        const auto take = std::min(n, left);
        if (take > 0) std::memcpy(Buffer + done, FReadAhead.get(), static_cast<std::size_t>(take));
        done += take;
        FPosition += take;
        // A short fill is the end of the file: asking again would only cost another call.
        if (n < kReadAheadSize) break;
    }
    return done;
}
