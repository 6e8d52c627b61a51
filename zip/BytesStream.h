#pragma once
// A stream over bytes held in memory: packages built by tests and fuzz inputs.

#include <cstdint>
#include <vector>

#include "zip/Stream.h"

class TBytesStream : public TStream {
public:
    TBytesStream() = default;
    explicit TBytesStream(std::vector<std::uint8_t> Bytes) : FBytes(std::move(Bytes)) {}

    std::int64_t GetSize() override { return static_cast<std::int64_t>(FBytes.size()); }
    std::int32_t Read(void* Buffer, std::int32_t Count) override;
    std::int32_t Write(const void* Buffer, std::int32_t Count) override;
    // Any position at or beyond 0 is allowed; reading beyond the end yields nothing.
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;

    const std::vector<std::uint8_t>& Bytes() const { return FBytes; }

private:
    std::vector<std::uint8_t> FBytes;
    std::int64_t FPosition = 0;
};
