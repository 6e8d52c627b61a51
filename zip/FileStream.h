#pragma once
// The stream over an opened file: exclusively, or shared with other readers.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/File.h"
#include "zip/Stream.h"

inline constexpr std::uint16_t fmOpenRead = 0x0000;
inline constexpr std::uint16_t fmCreate = 0xFF00;
// With fmOpenRead: others may read the file at the same time, nobody may write it.
inline constexpr std::uint16_t fmShareDenyWrite = 0x0020;

class TFileStream : public TStream {
public:
    // Read-ahead of a stream opened for reading. Larger than the deflate decoder's refill
    // (checked in FileStream.cpp), so a small deflated entry's refill and the hand-back of its
    // surplus stay inside it.
    static constexpr std::int32_t kReadAheadSize = 256 * 1024;
    // A request of at least this many bytes gets what the buffer lacks straight into the caller's
    // memory: the exact-size copy's chunks.
    static constexpr std::int32_t kDirectReadSize = kCopyChunkSize;

    // fmOpenRead (| fmShareDenyWrite): EFOpenError "Cannot open file "%s". %s"; fmCreate (an existing file is
    // emptied): EFCreateError "Cannot create file "%s". %s". The first %s is the full path,
    // the second the system's text for the error.
    TFileStream(const std::wstring& FileName, std::uint16_t Mode);
    ~TFileStream() override;

    std::int32_t Read(void* Buffer, std::int32_t Count) override;
    std::int32_t Write(const void* Buffer, std::int32_t Count) override;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;

    const std::wstring& FileName() const { return FFileName; }

private:
    std::int32_t ReadBuffered(std::uint8_t* Buffer, std::int32_t Count);
    std::int64_t SeekBuffered(std::int64_t Offset, TSeekOrigin Origin);
    // Moves the file pointer to the logical position; false when the system refuses.
    bool SyncFilePointer();

    platform::TFile FHandle;
    std::wstring FFileName;
    // The file pointer as last set or moved by this object, -1 when unknown: position
    // queries and seeks to where the file already stands cost no system call.
    // With a read-ahead buffer: the logical position, always known.
    std::int64_t FPosition = 0;

    // Read mode only. The file is held exclusively, so bytes once read stay valid and its size,
    // asked once, stays true.
    std::unique_ptr<std::uint8_t[]> FReadAhead;
    std::int64_t FReadAheadStart = 0;  // file offset of FReadAhead[0]
    std::int32_t FReadAheadCount = 0;  // valid bytes in FReadAhead
    std::int64_t FFilePointer = 0;     // where the system's file pointer stands, -1 when unknown
    std::int64_t FFileSize = -1;       // -1 until first asked
    bool FHandBack = false;            // moved back into the buffer since the last fill
};
