#pragma once
// Writes small ZIP packages for the tests: stored and raw-deflated entries, data
// descriptors, comments, and any field overridden to build broken packages.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zip_test {

using Bytes = std::vector<std::uint8_t>;

std::string DeflateRaw(const std::string& data);
std::uint32_t Crc32(const std::string& data);
Bytes ToBytes(const std::string& s);

struct Entry {
    std::string Name;  // raw bytes; ending in "/" makes a folder entry
    std::string Data;  // the uncompressed bytes
    std::uint16_t Method = 0;  // 0 stored, 8 deflated with zlib; anything else stores Data as is
    std::uint16_t Flag = 0;    // bit 3 writes zero sizes locally and a data descriptor after the data
    std::string Extra;
    std::string Comment;
    // Overrides for broken packages.
    std::optional<std::string> Payload;  // the bytes written as the entry's data
    std::optional<std::uint16_t> CentralMethod;
    std::optional<std::uint16_t> LocalFlag;
    std::optional<std::uint32_t> Crc;
    std::optional<std::uint32_t> CompressedSize;
    std::optional<std::uint32_t> UncompressedSize;
    std::optional<std::uint32_t> LocalHeaderOffset;
};

inline Entry MakeEntry(std::string name, std::string data, std::uint16_t method = 0, std::uint16_t flag = 0) {
    Entry e;
    e.Name = std::move(name);
    e.Data = std::move(data);
    e.Method = method;
    e.Flag = flag;
    return e;
}

struct Package {
    std::string Prefix;  // bytes before the first local header; offsets stay counted from the file's start
    std::vector<Entry> Entries;
    std::string Comment;
    std::optional<std::uint16_t> CentralDirEntries;
    std::optional<std::uint32_t> CentralDirOffset;
    std::optional<std::uint16_t> CommentLength;
    std::uint16_t DiskNumber = 0;
    // Write local headers in reverse order (the directory keeps Entries' order).
    bool ReverseLocalOrder = false;
};

struct Built {
    Bytes Data;
    std::vector<std::uint32_t> LocalOffsets;  // per entry, in Entries' order
    std::uint32_t CentralOffset = 0;
    std::uint32_t EndOffset = 0;
};

Built Build(const Package& package);
inline Bytes BuildBytes(const Package& package) { return Build(package).Data; }

void PutLE16(Bytes& bytes, std::size_t offset, std::uint16_t value);
void PutLE32(Bytes& bytes, std::size_t offset, std::uint32_t value);

}  // namespace zip_test
