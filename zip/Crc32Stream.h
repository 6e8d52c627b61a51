#pragma once
// A write-through stream that keeps the CRC-32 of the bytes its target took.

#include <cstdint>

#include "zip/Crc32.h"
#include "zip/Stream.h"

class TCrc32WriteStream : public TStream {
public:
    explicit TCrc32WriteStream(TStream& Target) : FTarget(Target) {}

    std::int32_t Read(void*, std::int32_t) override { return 0; }
    std::int32_t Write(const void* Buffer, std::int32_t Count) override {
        const auto n = FTarget.Write(Buffer, Count);
        if (n > 0) FCrc = Crc32(FCrc, Buffer, static_cast<std::size_t>(n));
        return n;
    }
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override { return FTarget.Seek(Offset, Origin); }

    std::uint32_t Crc() const { return FCrc; }

private:
    TStream& FTarget;  // not owned
    std::uint32_t FCrc = 0;
};
