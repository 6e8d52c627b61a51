#include "zip/BytesStream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>


std::int32_t TBytesStream::Read(void* Buffer, std::int32_t Count) {
    const auto size = static_cast<std::int64_t>(FBytes.size());
    if (Count <= 0 || FPosition >= size) return 0;
    const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(Count, size - FPosition));
    std::memcpy(Buffer, FBytes.data() + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
    return n;
}

std::int32_t TBytesStream::Write(const void* Buffer, std::int32_t Count) {
    if (Count <= 0) return 0;
    const auto end = static_cast<std::size_t>(FPosition) + static_cast<std::size_t>(Count);
    if (end > FBytes.size()) FBytes.resize(end);
    std::memcpy(FBytes.data() + FPosition, Buffer, static_cast<std::size_t>(Count));
    FPosition += Count;
    return Count;
}

std::int64_t TBytesStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
    std::int64_t base = 0;
    if (Origin == TSeekOrigin::soCurrent) base = FPosition;
    if (Origin == TSeekOrigin::soEnd) base = static_cast<std::int64_t>(FBytes.size());
    if ((Offset > 0 && base > INT64_MAX - Offset) || base + Offset < 0) return -1;
    const auto target = base + Offset;
    FPosition = target;
    return FPosition;
}
