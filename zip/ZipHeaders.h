#pragma once
// The records of a ZIP package and the names of its methods and modes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr std::uint32_t SIGNATURE_ZIPENDOFHEADER = 0x06054B50;
inline constexpr std::uint32_t SIGNATURE_CENTRALHEADER = 0x02014B50;
inline constexpr std::uint32_t SIGNATURE_LOCALHEADER = 0x04034B50;

// Fixed bytes after each record's 4-byte signature.
inline constexpr std::size_t kEndOfCentralFixedSize = 18;
inline constexpr std::size_t kCentralFixedSize = 42;
inline constexpr std::size_t kLocalFixedSize = 26;
// Whole fixed records, signature included.
inline constexpr std::size_t kEndOfCentralRecordSize = 4 + kEndOfCentralFixedSize;
inline constexpr std::size_t kLocalRecordSize = 4 + kLocalFixedSize;

inline constexpr std::uint16_t kFlagEncrypted = 0x0001;
inline constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
inline constexpr std::uint16_t kFlagUtf8 = 0x0800;

// zmReadWrite and zmWrite belong to writing packages, which this program does not do: Open refuses them.
enum TZipMode : std::uint8_t { zmClosed = 0, zmRead = 1, zmReadWrite = 2, zmWrite = 3 };

enum TZipCompression : std::uint8_t {
    zcStored = 0,
    zcShrunk = 1,
    zcReduce1 = 2,
    zcReduce2 = 3,
    zcReduce3 = 4,
    zcReduce4 = 5,
    zcImplode = 6,
    zcTokenize = 7,
    zcDeflate = 8,
    zcDeflate64 = 9,
    zcPKImplode = 10,
    zcBZIP2 = 12,
    zcLZMA = 14,
    zcTERSE = 18,
    zcLZ77 = 19,
    zcWavePack = 97,
    zcPPMdI1 = 98,
};

// "Stored", "Deflated"...; "Unknown" for a number without a member. Nothing shows them (the names
// belong to a writer's error for a method it can't encode); kept as the methods' table.
std::wstring TZipCompressionToString(TZipCompression Compression);

// One entry of the central directory, or one local header (whose central-only fields stay zero).
struct TZipHeader {
    std::uint16_t MadeByVersion = 0;
    std::uint16_t RequiredVersion = 0;
    std::uint16_t Flag = 0;
    std::uint16_t CompressionMethod = 0;
    std::uint32_t ModifiedDateTime = 0;
    std::uint32_t CRC32 = 0;
    std::uint32_t CompressedSize = 0;
    std::uint32_t UncompressedSize = 0;
    std::uint16_t FileNameLength = 0;
    std::uint16_t ExtraFieldLength = 0;
    std::uint16_t FileCommentLength = 0;
    std::uint16_t DiskNumberStart = 0;
    std::uint16_t InternalAttributes = 0;
    std::uint32_t ExternalAttributes = 0;
    std::uint32_t LocalHeaderOffset = 0;
    std::string FileName;  // raw bytes
    std::vector<std::uint8_t> ExtraField;
    std::string FileComment;  // raw bytes
};

struct TZipEndOfCentralHeader {
    std::uint16_t DiskNumber = 0;
    std::uint16_t CentralDirStartDisk = 0;
    std::uint16_t NumEntriesThisDisk = 0;
    std::uint16_t CentralDirEntries = 0;
    std::uint32_t CentralDirSize = 0;
    std::uint32_t CentralDirOffset = 0;
    std::uint16_t CommentLength = 0;
};

std::uint16_t GetLE16(const std::uint8_t* p);
std::uint32_t GetLE32(const std::uint8_t* p);

// Parse the fixed bytes that follow a record's signature (18, 42 and 26 bytes).
TZipEndOfCentralHeader ParseEndOfCentralHeader(const std::uint8_t* p);
void ParseCentralHeaderFixed(const std::uint8_t* p, TZipHeader& Header);
void ParseLocalHeaderFixed(const std::uint8_t* p, TZipHeader& Header);

// The name as text: UTF-8 when the record's bit 11 is set, code page 437 otherwise.
std::wstring DecodedFileName(const TZipHeader& Header);
