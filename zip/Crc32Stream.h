#pragma once
// A write-through stream that keeps the CRC-32 of the bytes its target took.

#include <zlib.h>

#include <cstdint>

#include "zip/Stream.h"

class TCrc32WriteStream : public TStream {
public:
    explicit TCrc32WriteStream(TStream& Target) : FTarget(Target) {}

    std::int32_t Read(void*, std::int32_t) override { return 0; }
    std::int32_t Write(const void* Buffer, std::int32_t Count) override {
        const auto n = FTarget.Write(Buffer, Count);
        if (n > 0) FCrc = crc32(FCrc, static_cast<const Bytef*>(Buffer), static_cast<uInt>(n));
        return n;
    }
    using TStream::Seek;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override { return FTarget.Seek(Offset, Origin); }

    std::uint32_t Crc() const { return static_cast<std::uint32_t>(FCrc); }

private:
    TStream& FTarget;  // not owned
    uLong FCrc = 0;
};
