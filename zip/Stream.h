#pragma once
// The byte-stream base every reader and decoder works through.

#include <cstdint>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// The origin codes of the system's seek, by their usual names.
inline constexpr TSeekOrigin soFromBeginning = TSeekOrigin::soBeginning;
inline constexpr TSeekOrigin soFromCurrent = TSeekOrigin::soCurrent;
inline constexpr TSeekOrigin soFromEnd = TSeekOrigin::soEnd;

class TStream {
public:
    // CopyFrom's largest chunk: the exact-size copy of an entry moves its bytes in pieces of this size.
    static constexpr std::int32_t kCopyChunkSize = 61440;

    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;
    virtual ~TStream() = default;

    // By default found by seeking to the end and back.
    virtual std::int64_t GetSize();
    // Bytes transferred; 0 at the end.
    virtual std::int32_t Read(void* Buffer, std::int32_t Count) = 0;
    virtual std::int32_t Write(const void* Buffer, std::int32_t Count) = 0;
    // The new position; -1 when the stream can't move there.
    virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;

    std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t Pos) { Seek(Pos, TSeekOrigin::soBeginning); }
    std::int64_t Size() { return GetSize(); }

    // Read until Count bytes are in; EReadError "Stream read error" when a Read yields nothing first.
    void ReadBuffer(void* Buffer, std::int32_t Count);
    // Write until Count bytes are out; EWriteError "Stream write error" when a Write takes nothing first.
    void WriteBuffer(const void* Buffer, std::int32_t Count);
    // Copies Count bytes from Source in chunks of at most kCopyChunkSize bytes through one buffer.
    // Returns the bytes copied (none for a Count of 0 or less).
    std::int64_t CopyFrom(TStream& Source, std::int64_t Count);
};
