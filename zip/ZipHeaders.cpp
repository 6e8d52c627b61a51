#include "zip/ZipHeaders.h"

#include "platform/Text.h"

namespace {

// End of central directory record, offsets after the signature.
constexpr std::size_t kEocdDiskNumberOfs = 0;
constexpr std::size_t kEocdCdirStartDiskOfs = 2;
constexpr std::size_t kEocdEntriesThisDiskOfs = 4;
constexpr std::size_t kEocdCdirEntriesOfs = 6;
constexpr std::size_t kEocdCdirSizeOfs = 8;
constexpr std::size_t kEocdCdirOffsetOfs = 12;
constexpr std::size_t kEocdCommentLengthOfs = 16;

// Central directory file header, offsets after the signature.
constexpr std::size_t kCdhMadeByOfs = 0;
constexpr std::size_t kCdhVersionNeededOfs = 2;
constexpr std::size_t kCdhFlagOfs = 4;
constexpr std::size_t kCdhMethodOfs = 6;
constexpr std::size_t kCdhDateTimeOfs = 8;
constexpr std::size_t kCdhCrc32Ofs = 12;
constexpr std::size_t kCdhCompressedSizeOfs = 16;
constexpr std::size_t kCdhUncompressedSizeOfs = 20;
constexpr std::size_t kCdhNameLengthOfs = 24;
constexpr std::size_t kCdhExtraLengthOfs = 26;
constexpr std::size_t kCdhCommentLengthOfs = 28;
constexpr std::size_t kCdhDiskStartOfs = 30;
constexpr std::size_t kCdhInternalAttrOfs = 32;
constexpr std::size_t kCdhExternalAttrOfs = 34;
constexpr std::size_t kCdhLocalHeaderOfs = 38;

// Local file header, offsets after the signature.
constexpr std::size_t kLdhVersionNeededOfs = 0;
constexpr std::size_t kLdhFlagOfs = 2;
constexpr std::size_t kLdhMethodOfs = 4;
constexpr std::size_t kLdhDateTimeOfs = 6;
constexpr std::size_t kLdhCrc32Ofs = 10;
constexpr std::size_t kLdhCompressedSizeOfs = 14;
constexpr std::size_t kLdhUncompressedSizeOfs = 18;
constexpr std::size_t kLdhNameLengthOfs = 22;
constexpr std::size_t kLdhExtraLengthOfs = 24;

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
    h.DiskNumber = GetLE16(p + kEocdDiskNumberOfs);
    h.CentralDirStartDisk = GetLE16(p + kEocdCdirStartDiskOfs);
    h.NumEntriesThisDisk = GetLE16(p + kEocdEntriesThisDiskOfs);
    h.CentralDirEntries = GetLE16(p + kEocdCdirEntriesOfs);
    h.CentralDirSize = GetLE32(p + kEocdCdirSizeOfs);
    h.CentralDirOffset = GetLE32(p + kEocdCdirOffsetOfs);
    h.CommentLength = GetLE16(p + kEocdCommentLengthOfs);
    return h;
}

void ParseCentralHeaderFixed(const std::uint8_t* p, TZipHeader& Header) {
    Header.MadeByVersion = GetLE16(p + kCdhMadeByOfs);
    Header.RequiredVersion = GetLE16(p + kCdhVersionNeededOfs);
    Header.Flag = GetLE16(p + kCdhFlagOfs);
    Header.CompressionMethod = GetLE16(p + kCdhMethodOfs);
    Header.ModifiedDateTime = GetLE32(p + kCdhDateTimeOfs);
    Header.CRC32 = GetLE32(p + kCdhCrc32Ofs);
    Header.CompressedSize = GetLE32(p + kCdhCompressedSizeOfs);
    Header.UncompressedSize = GetLE32(p + kCdhUncompressedSizeOfs);
    Header.FileNameLength = GetLE16(p + kCdhNameLengthOfs);
    Header.ExtraFieldLength = GetLE16(p + kCdhExtraLengthOfs);
    Header.FileCommentLength = GetLE16(p + kCdhCommentLengthOfs);
    Header.DiskNumberStart = GetLE16(p + kCdhDiskStartOfs);
    Header.InternalAttributes = GetLE16(p + kCdhInternalAttrOfs);
    Header.ExternalAttributes = GetLE32(p + kCdhExternalAttrOfs);
    Header.LocalHeaderOffset = GetLE32(p + kCdhLocalHeaderOfs);
}

void ParseLocalHeaderFixed(const std::uint8_t* p, TZipHeader& Header) {
    Header.RequiredVersion = GetLE16(p + kLdhVersionNeededOfs);
    Header.Flag = GetLE16(p + kLdhFlagOfs);
    Header.CompressionMethod = GetLE16(p + kLdhMethodOfs);
    Header.ModifiedDateTime = GetLE32(p + kLdhDateTimeOfs);
    Header.CRC32 = GetLE32(p + kLdhCrc32Ofs);
    Header.CompressedSize = GetLE32(p + kLdhCompressedSizeOfs);
    Header.UncompressedSize = GetLE32(p + kLdhUncompressedSizeOfs);
    Header.FileNameLength = GetLE16(p + kLdhNameLengthOfs);
    Header.ExtraFieldLength = GetLE16(p + kLdhExtraLengthOfs);
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
