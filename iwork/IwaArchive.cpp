#include "iwork/IwaArchive.h"

#include <snappy.h>

#include <algorithm>
#include <string>

#include "document/Limits.h"
#include "document/Errors.h"

namespace iwork {
namespace {

constexpr std::size_t kChunkHeaderSize = 4;
using doc::limits::kMaxChunkUncompressed;

[[noreturn]] void DamagedChunk(std::size_t offset, const std::wstring& what) {
    throw doc::EDamagedDocument(L"The .iwa chunk at offset " + std::to_wstring(offset) + L" " + what);
}

}  // namespace

std::wstring Hex(std::uint8_t b) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    return {L'0', L'x', kDigits[b >> 4], kDigits[b & 0xF]};
}

namespace {

struct TChunk {
    std::size_t Offset;        // of its header
    std::size_t Size;          // of its Snappy block
    std::size_t Uncompressed;
};

// Every chunk's place and size, checked before anything is decompressed, so the output is
// allocated once. Only the headers and the first bytes of each block are read.
std::vector<TChunk> ScanChunks(std::size_t fileSize, const TIwaBytesAt& bytesAt, std::size_t& total) {
    std::vector<TChunk> chunks;
    total = 0;
    for (std::size_t pos = 0; pos < fileSize;) {
        if (fileSize - pos < kChunkHeaderSize) DamagedChunk(pos, L"is truncated (its header is cut short)");
        // The header and the block's length varint (at most 5 bytes) in one read.
        const std::span<const std::uint8_t> head =
            bytesAt(pos, std::min<std::size_t>(fileSize - pos, kChunkHeaderSize + 5));
        if (head[0] != 0x00) DamagedChunk(pos, L"begins with " + Hex(head[0]) + L" instead of 0x00");
        const std::size_t size = head[1] | (std::size_t{head[2]} << 8) | (std::size_t{head[3]} << 16);
        if (size > fileSize - pos - kChunkHeaderSize) {
            DamagedChunk(pos, L"is truncated (" + std::to_wstring(size) + L" bytes declared, " +
                                  std::to_wstring(fileSize - pos - kChunkHeaderSize) + L" present)");
        }
        const char* block = reinterpret_cast<const char*>(head.data() + kChunkHeaderSize);
        std::size_t uncompressed = 0;
        if (!snappy::GetUncompressedLength(block, std::min(size, head.size() - kChunkHeaderSize), &uncompressed)) {
            DamagedChunk(pos, L"holds no Snappy block");
        }
        if (uncompressed > kMaxChunkUncompressed) {
            DamagedChunk(pos, L"claims " + std::to_wstring(uncompressed) + L" bytes, more than a chunk holds");
        }
        chunks.push_back({pos, size, uncompressed});
        total += uncompressed;
        pos += kChunkHeaderSize + size;
    }
    return chunks;
}

// The LZFSE family's block magics ("bvxn" is LZVN, seen from iCloud edits).
bool IsLzfseFamily(std::span<const std::uint8_t> file) {
    if (file.size() < 4 || file[0] != 'b' || file[1] != 'v' || file[2] != 'x') return false;
    return file[3] == 'n' || file[3] == '-' || file[3] == '1' || file[3] == '2';
}

}  // namespace

// An empty file counts as Snappy so that decompressing it reports the damage.
TIwaCompression ClassifyIwa(std::span<const std::uint8_t> file) {
    if (file.empty() || file[0] == 0x00) return TIwaCompression::icSnappy;
    if (IsLzfseFamily(file)) return TIwaCompression::icForeign;
    return TIwaCompression::icUnreadable;
}

std::vector<std::uint8_t> DecompressIwa(std::span<const std::uint8_t> file) {
    return DecompressIwa(file.size(), [file](std::size_t offset, std::size_t count) {
        return file.subspan(offset, count);
    });
}

std::vector<std::uint8_t> DecompressIwa(std::size_t fileSize, const TIwaBytesAt& bytesAt, const TIwaPay& pay) {
    if (fileSize == 0) throw doc::EDamagedDocument(L"An .iwa file is empty");
    std::size_t total = 0;
    const std::vector<TChunk> chunks = ScanChunks(fileSize, bytesAt, total);
    if (pay) pay(total);
    std::vector<std::uint8_t> out(total);
    std::size_t written = 0;
    char none = 0;  // where an empty block "writes" when the whole output is empty
    for (const TChunk& chunk : chunks) {
        // RawUncompress checks the block as it goes (a separate IsValidCompressedBuffer pass
        // would decode everything twice) and never writes past the length checked above.
        const std::span<const std::uint8_t> bytes = bytesAt(chunk.Offset + kChunkHeaderSize, chunk.Size);
        const char* block = reinterpret_cast<const char*>(bytes.data());
        char* target = out.empty() ? &none : reinterpret_cast<char*>(out.data() + written);
        if (!snappy::RawUncompress(block, chunk.Size, target)) {
            DamagedChunk(chunk.Offset, L"holds a Snappy block that cannot be decompressed");
        }
        written += chunk.Uncompressed;
    }
    return out;
}

}  // namespace iwork
