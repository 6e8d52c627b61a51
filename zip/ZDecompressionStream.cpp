#include "zip/ZDecompressionStream.h"

#include <memory>

#include "platform/Exception.h"

namespace {

const wchar_t* ZErrorText(int code) {
    // zError's table, kept here so the texts do not depend on the zlib build.
    switch (code) {
        case Z_ERRNO: return L"file error";
        case Z_STREAM_ERROR: return L"stream error";
        case Z_DATA_ERROR: return L"data error";
        case Z_MEM_ERROR: return L"insufficient memory";
        case Z_BUF_ERROR: return L"buffer error";
        case Z_VERSION_ERROR: return L"incompatible version";
        default: return L"";
    }
}

[[noreturn]] void InvalidOperation() {
    throw EZDecompressionError(L"Invalid ZStream operation!");
}

}  // namespace

int ZDecompressCheck(int code) {
    if (code < 0) throw EZDecompressionError(ZErrorText(code));
    return code;
}

TInflateState::TInflateState(int WindowBits) {
    ZDecompressCheck(inflateInit2_(&FStream, WindowBits, ZLIB_VERSION, static_cast<int>(sizeof(z_stream))));
}

TInflateState::~TInflateState() {
    inflateEnd(&FStream);
}

TCustomZStream::TCustomZStream(TStream& Stream, int WindowBits)
    : FStream(Stream), FStreamStartPos(Stream.Position()), FStreamPos(FStreamStartPos), FZStream(WindowBits) {
    FZStream->next_in = FBuffer.data();
    FZStream->avail_in = 0;
}

TZDecompressionStream::TZDecompressionStream(TStream& Source, int WindowBits) : TCustomZStream(Source, WindowBits) {}

std::int32_t TZDecompressionStream::Read(void* Buffer, std::int32_t Count) {
    if (Count <= 0) return 0;
    auto& z = *FZStream.get();
    z.next_out = static_cast<Bytef*>(Buffer);
    z.avail_out = static_cast<uInt>(Count);
    // The package stream is shared with the reader: continue where this stream left it.
    if (FStream.Position() != FStreamPos) FStream.SetPosition(FStreamPos);
    int result = Z_OK;
    while (z.avail_out > 0 && result != Z_STREAM_END) {
        if (z.avail_in == 0) {
            const auto n = FStream.Read(FBuffer.data(), static_cast<std::int32_t>(FBuffer.size()));
            if (n <= 0) return Count - static_cast<std::int32_t>(z.avail_out);
            z.avail_in = static_cast<uInt>(n);
            z.next_in = FBuffer.data();
            FStreamPos = FStream.Position();
        }
        result = ZDecompressCheck(inflate(&z, Z_NO_FLUSH));
    }
    if (result == Z_STREAM_END) FEnded = true;
    if (result == Z_STREAM_END && z.avail_in > 0) {
        // Hand back what was read past the end of the deflate data.
        FStreamPos = FStream.Seek(-static_cast<std::int64_t>(z.avail_in), TSeekOrigin::soCurrent);
        z.avail_in = 0;
    }
    return Count - static_cast<std::int32_t>(z.avail_out);
}

std::int32_t TZDecompressionStream::Write(const void*, std::int32_t) {
    InvalidOperation();
}

std::int64_t TZDecompressionStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
    constexpr std::int32_t kScratchSize = 16384;
    auto& z = *FZStream.get();
    const auto current = static_cast<std::int64_t>(z.total_out);
    if (Offset == 0 && Origin == soFromBeginning) {
        ZDecompressCheck(inflateReset(&z));
        z.next_in = FBuffer.data();
        z.avail_in = 0;
        FStream.SetPosition(FStreamStartPos);
        FStreamPos = FStreamStartPos;
        FEnded = false;
    } else if ((Origin == soFromCurrent && Offset >= 0) || (Origin == soFromBeginning && Offset > current)) {
        std::int64_t distance = Origin == soFromCurrent ? Offset : Offset - current;
        if (distance > 0) {
            const auto scratch = std::make_unique_for_overwrite<std::uint8_t[]>(kScratchSize);
            while (distance > 0) {
                const auto n = static_cast<std::int32_t>(distance < kScratchSize ? distance : kScratchSize);
                ReadBuffer(scratch.get(), n);
                distance -= n;
            }
        }
    } else if (Offset == 0 && Origin == soFromEnd) {
        const auto scratch = std::make_unique_for_overwrite<std::uint8_t[]>(kScratchSize);
        while (Read(scratch.get(), kScratchSize) != 0) {
        }
    } else {
        InvalidOperation();
    }
    return static_cast<std::int64_t>(z.total_out);
}
