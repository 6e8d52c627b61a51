#include "zip/ZipHeaders.h"

#include "platform/Text.h"

namespace {

// End of central directory record, offsets after the signature.
constexpr std::size_t EOCD_DISK_NUMBER_OFS = 0;
constexpr std::size_t EOCD_CDIR_START_DISK_OFS = 2;
constexpr std::size_t EOCD_ENTRIES_THIS_DISK_OFS = 4;
constexpr std::size_t EOCD_CDIR_ENTRIES_OFS = 6;
constexpr std::size_t EOCD_CDIR_SIZE_OFS = 8;
constexpr std::size_t EOCD_CDIR_OFFSET_OFS = 12;
constexpr std::size_t EOCD_COMMENT_LENGTH_OFS = 16;

// Central directory file header, offsets after the signature.
constexpr std::size_t CDH_MADE_BY_OFS = 0;
constexpr std::size_t CDH_VERSION_NEEDED_OFS = 2;
constexpr std::size_t CDH_FLAG_OFS = 4;
constexpr std::size_t CDH_METHOD_OFS = 6;
constexpr std::size_t CDH_DATE_TIME_OFS = 8;
constexpr std::size_t CDH_CRC32_OFS = 12;
constexpr std::size_t CDH_COMPRESSED_SIZE_OFS = 16;
constexpr std::size_t CDH_UNCOMPRESSED_SIZE_OFS = 20;
constexpr std::size_t CDH_NAME_LENGTH_OFS = 24;
constexpr std::size_t CDH_EXTRA_LENGTH_OFS = 26;
constexpr std::size_t CDH_COMMENT_LENGTH_OFS = 28;
constexpr std::size_t CDH_DISK_START_OFS = 30;
constexpr std::size_t CDH_INTERNAL_ATTR_OFS = 32;
constexpr std::size_t CDH_EXTERNAL_ATTR_OFS = 34;
constexpr std::size_t CDH_LOCAL_HEADER_OFS = 38;

// Local file header, offsets after the signature.
constexpr std::size_t LDH_VERSION_NEEDED_OFS = 0;
constexpr std::size_t LDH_FLAG_OFS = 2;
constexpr std::size_t LDH_METHOD_OFS = 4;
constexpr std::size_t LDH_DATE_TIME_OFS = 6;
constexpr std::size_t LDH_CRC32_OFS = 10;
constexpr std::size_t LDH_COMPRESSED_SIZE_OFS = 14;
constexpr std::size_t LDH_UNCOMPRESSED_SIZE_OFS = 18;
constexpr std::size_t LDH_NAME_LENGTH_OFS = 22;
constexpr std::size_t LDH_EXTRA_LENGTH_OFS = 24;

}  // namespace

std::uint16_t GetLE16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t GetLE32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

TZipEndOfCentralHeader ParseEndOfCentralHeader(const std::uint8_t* p) {
    TZipEndOfCentralHeader h;
    h.DiskNumber = GetLE16(p + EOCD_DISK_NUMBER_OFS);
    h.CentralDirStartDisk = GetLE16(p + EOCD_CDIR_START_DISK_OFS);
    h.NumEntriesThisDisk = GetLE16(p + EOCD_ENTRIES_THIS_DISK_OFS);
    h.CentralDirEntries = GetLE16(p + EOCD_CDIR_ENTRIES_OFS);
    h.CentralDirSize = GetLE32(p + EOCD_CDIR_SIZE_OFS);
    h.CentralDirOffset = GetLE32(p + EOCD_CDIR_OFFSET_OFS);
    h.CommentLength = GetLE16(p + EOCD_COMMENT_LENGTH_OFS);
    return h;
}

void ParseCentralHeaderFixed(const std::uint8_t* p, TZipHeader& Header) {
    Header.MadeByVersion = GetLE16(p + CDH_MADE_BY_OFS);
    Header.RequiredVersion = GetLE16(p + CDH_VERSION_NEEDED_OFS);
    Header.Flag = GetLE16(p + CDH_FLAG_OFS);
    Header.CompressionMethod = GetLE16(p + CDH_METHOD_OFS);
    Header.ModifiedDateTime = GetLE32(p + CDH_DATE_TIME_OFS);
    Header.CRC32 = GetLE32(p + CDH_CRC32_OFS);
    Header.CompressedSize = GetLE32(p + CDH_COMPRESSED_SIZE_OFS);
    Header.UncompressedSize = GetLE32(p + CDH_UNCOMPRESSED_SIZE_OFS);
    Header.FileNameLength = GetLE16(p + CDH_NAME_LENGTH_OFS);
    Header.ExtraFieldLength = GetLE16(p + CDH_EXTRA_LENGTH_OFS);
    Header.FileCommentLength = GetLE16(p + CDH_COMMENT_LENGTH_OFS);
    Header.DiskNumberStart = GetLE16(p + CDH_DISK_START_OFS);
    Header.InternalAttributes = GetLE16(p + CDH_INTERNAL_ATTR_OFS);
    Header.ExternalAttributes = GetLE32(p + CDH_EXTERNAL_ATTR_OFS);
    Header.LocalHeaderOffset = GetLE32(p + CDH_LOCAL_HEADER_OFS);
}

void ParseLocalHeaderFixed(const std::uint8_t* p, TZipHeader& Header) {
    Header.RequiredVersion = GetLE16(p + LDH_VERSION_NEEDED_OFS);
    Header.Flag = GetLE16(p + LDH_FLAG_OFS);
    Header.CompressionMethod = GetLE16(p + LDH_METHOD_OFS);
    Header.ModifiedDateTime = GetLE32(p + LDH_DATE_TIME_OFS);
    Header.CRC32 = GetLE32(p + LDH_CRC32_OFS);
    Header.CompressedSize = GetLE32(p + LDH_COMPRESSED_SIZE_OFS);
    Header.UncompressedSize = GetLE32(p + LDH_UNCOMPRESSED_SIZE_OFS);
    Header.FileNameLength = GetLE16(p + LDH_NAME_LENGTH_OFS);
    Header.ExtraFieldLength = GetLE16(p + LDH_EXTRA_LENGTH_OFS);
}

std::wstring DecodedFileName(const TZipHeader& Header) {
    return platform::DecodeZipName(Header.FileName, (Header.Flag & kFlagUtf8) != 0);
}

std::wstring TZipCompressionToString(TZipCompression Compression) {
    switch (Compression) {
        case zcStored: return L"Stored";
        case zcShrunk: return L"Shrunk";
        case zcReduce1: return L"Reduced1";
        case zcReduce2: return L"Reduced2";
        case zcReduce3: return L"Reduced3";
        case zcReduce4: return L"Reduced4";
        case zcImplode: return L"Imploded";
        case zcTokenize: return L"Tokenized";
        case zcDeflate: return L"Deflated";
        case zcDeflate64: return L"Deflated64";
        case zcPKImplode: return L"Imploded(TERSE)";
        case zcBZIP2: return L"BZIP2";
        case zcLZMA: return L"LZMA";
        case zcTERSE: return L"TERSE";
        case zcLZ77: return L"LZ77";
        case zcWavePack: return L"WavPack";
        case zcPPMdI1: return L"PPMd version I, Rev 1";
    }
    return L"Unknown";
}
