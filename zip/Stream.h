#pragma once
// The byte-stream base every reader and decoder works through.

#include <cstdint>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// Origin codes of the 32-bit Seek.
inline constexpr int soFromBeginning = 0;
inline constexpr int soFromCurrent = 1;
inline constexpr int soFromEnd = 2;

class TStream {
public:
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;
    virtual ~TStream() = default;

    virtual std::int64_t GetSize();
    virtual void SetSize(std::int32_t NewSize);
    virtual void SetSize(std::int64_t NewSize);
    // Bytes transferred; 0 at the end.
    virtual std::int32_t Read(void* Buffer, std::int32_t Count) = 0;
    virtual std::int32_t Write(const void* Buffer, std::int32_t Count) = 0;
    // The two Seeks forward to each other: every concrete stream overrides one of them.
    virtual std::int32_t Seek(std::int32_t Offset, int Origin);
    virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin);

    std::int64_t Position() { return Seek(std::int64_t{0}, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t Pos) { Seek(Pos, TSeekOrigin::soBeginning); }
    std::int64_t Size() { return GetSize(); }

    // Read until Count bytes are in; EReadError "Stream read error" when a Read yields nothing first.
    void ReadBuffer(void* Buffer, std::int32_t Count);
    // Write until Count bytes are out; EWriteError "Stream write error" when a Write takes nothing first.
    void WriteBuffer(const void* Buffer, std::int32_t Count);
    // Copies Count bytes from Source in chunks of at most 61440 bytes through one buffer.
    // Count 0 copies the whole of Source from its start. Returns the bytes copied.
    std::int64_t CopyFrom(TStream& Source, std::int64_t Count);
};
