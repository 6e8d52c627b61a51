#pragma once
// Raw inflate (deflate method 8) as a read-only stream over the package stream.

#include <zlib.h>

#include <array>
#include <cstdint>

#include "zip/Stream.h"

// Raises EZDecompressionError with zlib's fixed text for a negative code; returns other codes.
int ZDecompressCheck(int code);

// Owns zlib's inflate state: inflateEnd runs on every path. Neither copyable nor movable,
// because zlib's state keeps the address of its z_stream.
class TInflateState {
public:
    explicit TInflateState(int WindowBits);
    TInflateState(const TInflateState&) = delete;
    TInflateState& operator=(const TInflateState&) = delete;
    ~TInflateState();
    z_stream* operator->() noexcept { return &FStream; }
    z_stream* get() noexcept { return &FStream; }

private:
    z_stream FStream{};
};

// The part of a zlib stream over another stream; only decoding is built, since nothing writes packages.
class TCustomZStream : public TStream {
public:
    // The compressed input read from the source in one refill.
    static constexpr std::int32_t kInputBufferSize = 65536;

protected:
    explicit TCustomZStream(TStream& Stream, int WindowBits);

    TStream& FStream;  // not owned
    std::int64_t FStreamStartPos;
    std::int64_t FStreamPos;
    TInflateState FZStream;
    std::array<std::uint8_t, kInputBufferSize> FBuffer;
};

class TZDecompressionStream : public TCustomZStream {
public:
    // Decodes from Source's current position on.
    TZDecompressionStream(TStream& Source, int WindowBits = -15);

    // Fewer than Count bytes only when the deflate data has ended or Source has no more bytes.
    std::int32_t Read(void* Buffer, std::int32_t Count) override;
    // The compressed data reached its own end (a gzip member: its trailer checked too), as
    // opposed to Source running out: what tells a whole stream from a truncated one.
    bool Ended() const noexcept { return FEnded; }
    // Always EZDecompressionError "Invalid ZStream operation!".
    std::int32_t Write(const void* Buffer, std::int32_t Count) override;
    // Rewind (0 from the beginning), skip forward, or run to the end (0 from the end);
    // anything else is refused. Returns the decoded position.
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;

private:
    bool FEnded = false;
};
