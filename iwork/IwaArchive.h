#pragma once
// The .iwa container: chunks of raw Snappy blocks around a stream of archives.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace iwork {

enum class TIwaCompression {
    icSnappy,     // begins with a 0x00 chunk header
    icForeign,    // another compressor (LZVN "bvxn" from iCloud edits): skip the file
    icUnreadable,  // anything else: damaged (a protected document says so by its markers, not here)
};

TIwaCompression ClassifyIwa(std::span<const std::uint8_t> file);
// "0x3C": a byte as the reader's messages name it.
std::wstring Hex(std::uint8_t b);

// The whole file decompressed (objects cross chunk boundaries). Raises EDamagedDocument
// for a truncated chunk or a block Snappy refuses.
std::vector<std::uint8_t> DecompressIwa(std::span<const std::uint8_t> file);

// Where a file's bytes come from: count bytes at offset (both inside the file), as a view
// that stays valid until the next call.
using TIwaBytesAt = std::function<std::span<const std::uint8_t>(std::size_t offset, std::size_t count)>;
// Told the decompressed size once every chunk header is checked, before anything is
// allocated; raises to refuse it.
using TIwaPay = std::function<void(std::size_t decompressedBytes)>;
// The same over a file read a chunk at a time, so that its compressed bytes are never all in
// memory beside the decompressed ones.
std::vector<std::uint8_t> DecompressIwa(std::size_t fileSize, const TIwaBytesAt& bytesAt, const TIwaPay& pay = {});

}  // namespace iwork
