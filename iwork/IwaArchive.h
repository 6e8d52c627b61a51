#pragma once
// The .iwa container: chunks of raw Snappy blocks around a stream of archives.

#include <cstdint>
#include <span>
#include <vector>

namespace iwork {

enum class TIwaCompression {
    icSnappy,     // begins with a 0x00 chunk header
    icForeign,    // another compressor (LZVN "bvxn" from iCloud edits): skip the file
    icEncrypted,  // anything else: the document is password-protected
};

TIwaCompression ClassifyIwa(std::span<const std::uint8_t> file);

// The whole file decompressed (objects cross chunk boundaries). Raises EDamagedDocument
// for a truncated chunk or a block Snappy refuses.
std::vector<std::uint8_t> DecompressIwa(std::span<const std::uint8_t> file);

}  // namespace iwork
