#include "zip/Stream.h"

#include <algorithm>
#include <memory>

#include "platform/Exception.h"

std::int64_t TStream::GetSize() {
    const auto pos = Seek(0, TSeekOrigin::soCurrent);
    const auto size = Seek(0, TSeekOrigin::soEnd);
    Seek(pos, TSeekOrigin::soBeginning);
    return size;
}

void TStream::ReadBuffer(void* Buffer, std::int32_t Count) {
    auto* p = static_cast<std::uint8_t*>(Buffer);
    while (Count > 0) {
        const auto n = Read(p, Count);
        if (n <= 0) throw EReadError(L"Stream read error");
        p += n;
        Count -= n;
    }
}

void TStream::WriteBuffer(const void* Buffer, std::int32_t Count) {
    const auto* p = static_cast<const std::uint8_t*>(Buffer);
    while (Count > 0) {
        const auto n = Write(p, Count);
        if (n <= 0) throw EWriteError(L"Stream write error");
        p += n;
        Count -= n;
    }
}

std::int64_t TStream::CopyFrom(TStream& Source, std::int64_t Count) {
    if (Count <= 0) return 0;
    const auto bufSize = static_cast<std::int32_t>(std::min<std::int64_t>(Count, kCopyChunkSize));
    const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(bufSize));
    const auto total = Count;
    while (Count > 0) {
        const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(Count, bufSize));
        Source.ReadBuffer(buffer.get(), n);
        WriteBuffer(buffer.get(), n);
        Count -= n;
    }
    return total;
}
