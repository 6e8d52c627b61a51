#pragma once
// The one ZIP writer of the tests, the fuzzers' seed writers and the benchmark corpus: stored and
// raw-deflated entries, data descriptors, comments, and any header field overridden to build broken
// packages. It uses zlib for deflate and CRC-32, never the code under test.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

using TBytes = std::vector<std::uint8_t>;

constexpr std::uint16_t kZipStored = 0;
constexpr std::uint16_t kZipDeflated = 8;
constexpr std::uint16_t kZipFlagDescriptor = 0x0008;  // CRC and sizes follow the data, the local header has zeros
constexpr std::uint16_t kZipFlagUtf8 = 0x0800;        // the name is UTF-8

std::string DeflateRaw(const std::string& data);  // no zlib header, as ZIP entries carry it
std::string Gzip(const std::string& data);        // one gzip member: header, deflate data, trailer
std::uint32_t Crc32(const std::string& data);
TBytes ToBytes(const std::string& text);

// Little-endian values written over bytes already built (to break a package after the fact).
void PutLE16(TBytes& bytes, std::size_t offset, std::uint16_t value);
void PutLE32(TBytes& bytes, std::size_t offset, std::uint32_t value);

struct TZipEntry {
    std::string Name;                   // raw bytes; ending in "/" makes a folder entry
    std::string Data;                   // the uncompressed bytes
    std::uint16_t Method = kZipStored;  // kZipDeflated compresses Data; any other method stores Data as is
    std::uint16_t Flag = 0;             // kZipFlagDescriptor, kZipFlagUtf8
    std::string Extra;                  // the same extra field in the local and the central header
    std::string Comment;
    std::uint16_t MadeByVersion = 0x031E;         // Unix, 3.0, as macOS' archiver writes
    std::uint32_t ModifiedDateTime = 0x5A210000;  // DOS date in the high word, time in the low one
    std::uint32_t ExternalAttributes = 0;
    std::uint16_t DiskNumberStart = 0;
    // Overrides for broken packages: when set, written instead of the true value.
    std::optional<std::string> Payload;  // the bytes written as the entry's data
    std::optional<std::uint16_t> CentralMethod;
    std::optional<std::uint16_t> LocalFlag;  // a descriptor follows when the local flag has bit 3
    std::optional<std::uint32_t> Crc;
    std::optional<std::uint32_t> CompressedSize;
    std::optional<std::uint32_t> UncompressedSize;
    std::optional<std::uint32_t> LocalHeaderOffset;
};

TZipEntry MakeEntry(std::string name, std::string data, std::uint16_t method = kZipStored, std::uint16_t flag = 0);

// The end of central directory record; unset overrides take the true values.
struct TZipEnd {
    std::string Comment;
    std::optional<std::uint16_t> CentralDirEntries;  // both entry counts
    std::optional<std::uint32_t> CentralDirOffset;
    std::optional<std::uint16_t> CommentLength;
    std::uint16_t DiskNumber = 0;  // both this disk's and the directory's disk
};

// Where the parts of a written package begin.
struct TZipLayout {
    std::vector<std::uint32_t> LocalOffsets;  // per entry, in the directory's order
    std::uint32_t CentralOffset = 0;
    std::uint32_t EndOffset = 0;
    std::uint64_t Size = 0;
};

// Writes a package entry by entry, into memory or straight into a file (packages larger than
// memory should hold). Refuses what would need ZIP64: offsets and sizes stay below 4 GiB.
class TZipWriter {
public:
    TZipWriter() = default;
    explicit TZipWriter(const std::filesystem::path& file);
    TZipWriter(const TZipWriter&) = delete;
    TZipWriter& operator=(const TZipWriter&) = delete;

    // Bytes as they are, e.g. before the first local header; offsets stay counted from the start.
    void Raw(const std::string& bytes);
    // The local header, the data and any descriptor; the directory lists entries in this order.
    void Add(const TZipEntry& entry);
    std::size_t EntryCount() const { return FRecords.size(); }
    // The central directory (in directoryOrder when given: indices of the added entries) and the
    // end record. A file is closed afterwards.
    TZipLayout Finish(const TZipEnd& end = {}, const std::vector<std::size_t>& directoryOrder = {});
    // What was written into memory.
    const TBytes& Bytes() const { return FBytes; }

private:
    struct TRecord {
        TZipEntry Entry;  // without its data, which is written already
        std::uint32_t Crc = 0;
        std::uint32_t CompressedSize = 0;
        std::uint32_t UncompressedSize = 0;
        std::uint32_t Offset = 0;
    };
    void Write(const TBytes& bytes);
    void Write(const std::string& bytes);
    void Write(const void* data, std::size_t size);
    std::uint32_t Offset(std::size_t more) const;

    std::filesystem::path FPath;
    std::ofstream FFile;
    bool FToFile = false;
    TBytes FBytes;
    std::uint64_t FOffset = 0;
    std::vector<TRecord> FRecords;
};

// A whole package in memory.
struct TZipPackage : TZipEnd {
    std::string Prefix;  // bytes before the first local header
    std::vector<TZipEntry> Entries;
    bool ReverseLocalOrder = false;  // local headers in reverse order; the directory keeps Entries' order
};

struct TBuiltZip : TZipLayout {
    TBytes Data;
};

TBuiltZip BuildZip(const TZipPackage& package);
inline TBytes ZipBytes(const TZipPackage& package) {
    return BuildZip(package).Data;
}

// A plain package as the converter's tests need it: stored entries, UTF-8 names, correct CRCs.
struct TPackageEntry {
    std::string Name;  // UTF-8; a name ending in "/" is a folder
    std::string Data;
};
TBytes BuildPackage(const std::vector<TPackageEntry>& entries);

}  // namespace testsupport
