#pragma once
// Method 0: the package's own bytes, passed through unbounded. The caller decides how many to take.

#include "zip/Stream.h"

class TStoredStream : public TStream {
public:
    explicit TStoredStream(TStream& Stream) : FStream(Stream) {}

    std::int64_t GetSize() override { return FStream.Size(); }
    std::int32_t Read(void* Buffer, std::int32_t Count) override { return FStream.Read(Buffer, Count); }
    std::int32_t Write(const void* Buffer, std::int32_t Count) override { return FStream.Write(Buffer, Count); }
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override { return FStream.Seek(Offset, Origin); }

private:
    TStream& FStream;  // not owned
};
