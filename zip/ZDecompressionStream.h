#pragma once
// Raw inflate (deflate method 8) as a read-only stream over the package stream.

#include <zlib.h>

#include <array>
#include <cstdint>
#include <functional>

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

class TCustomZStream : public TStream {
protected:
    explicit TCustomZStream(TStream& Stream, int WindowBits);

    TStream& FStream;  // not owned
    std::int64_t FStreamStartPos;
    std::int64_t FStreamPos;
    std::function<void(TCustomZStream&)> FOnProgress;
    TInflateState FZStream;
    std::array<std::uint8_t, 65536> FBuffer;
};

class TZDecompressionStream : public TCustomZStream {
public:
    // Decodes from Source's current position on.
    TZDecompressionStream(TStream& Source, int WindowBits = -15);

    // Fewer than Count bytes only when the deflate data has ended or Source has no more bytes.
    std::int32_t Read(void* Buffer, std::int32_t Count) override;
    // Always EZDecompressionError "Invalid ZStream operation!".
    std::int32_t Write(const void* Buffer, std::int32_t Count) override;
    using TStream::Seek;
    // Rewind (0 from the beginning), skip forward, or run to the end (0 from the end);
    // anything else is refused. Returns the decoded position.
    std::int32_t Seek(std::int32_t Offset, int Origin) override;
};
