#include "zip/Stream.h"

#include <algorithm>
#include <limits>
#include <memory>

#include "platform/Exception.h"

std::int64_t TStream::GetSize() {
    const auto pos = Seek(std::int64_t{0}, TSeekOrigin::soCurrent);
    const auto size = Seek(std::int64_t{0}, TSeekOrigin::soEnd);
    Seek(pos, TSeekOrigin::soBeginning);
    return size;
}

void TStream::SetSize(std::int32_t) {}

void TStream::SetSize(std::int64_t NewSize) {
    if (NewSize < std::numeric_limits<std::int32_t>::min() || NewSize > std::numeric_limits<std::int32_t>::max()) {
        throw EStreamError(L"Range check error");
    }
    SetSize(static_cast<std::int32_t>(NewSize));
}

std::int32_t TStream::Seek(std::int32_t Offset, int Origin) {
    return static_cast<std::int32_t>(Seek(std::int64_t{Offset}, static_cast<TSeekOrigin>(Origin)));
}

std::int64_t TStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
    if (Offset < std::numeric_limits<std::int32_t>::min() || Offset > std::numeric_limits<std::int32_t>::max()) {
        throw EStreamError(L"Range check error");
    }
    return Seek(static_cast<std::int32_t>(Offset), static_cast<int>(Origin));
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
    constexpr std::int64_t kMaxBufSize = 61440;
    if (Count == 0) {
        Source.SetPosition(0);
        Count = Source.Size();
    }
    if (Count <= 0) return 0;
    const auto bufSize = static_cast<std::int32_t>(std::min(Count, kMaxBufSize));
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
