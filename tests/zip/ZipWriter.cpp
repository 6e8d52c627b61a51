#include "ZipWriter.h"

#include <zlib.h>

#include <stdexcept>

namespace zip_test {
namespace {

void Add16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Add32(Bytes& out, std::uint32_t v) {
    Add16(out, v & 0xFFFF);
    Add16(out, v >> 16);
}

void AddText(Bytes& out, const std::string& s) {
    out.insert(out.end(), s.begin(), s.end());
}

}  // namespace

std::string DeflateRaw(const std::string& data) {
    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2");
    }
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
    return out;
}

std::uint32_t Crc32(const std::string& data) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

Bytes ToBytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

void PutLE16(Bytes& bytes, std::size_t offset, std::uint16_t value) {
    bytes.at(offset) = static_cast<std::uint8_t>(value);
    bytes.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
}

void PutLE32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    PutLE16(bytes, offset, static_cast<std::uint16_t>(value));
    PutLE16(bytes, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

Built Build(const Package& package) {
    Built built;
    Bytes& out = built.Data;
    AddText(out, package.Prefix);
    const auto n = package.Entries.size();
    std::vector<std::string> payloads(n);
    built.LocalOffsets.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t i = package.ReverseLocalOrder ? n - 1 - k : k;
        const Entry& e = package.Entries[i];
        payloads[i] = e.Payload ? *e.Payload : (e.Method == 8 ? DeflateRaw(e.Data) : e.Data);
        const std::string& payload = payloads[i];
        const std::uint32_t crc = e.Crc.value_or(Crc32(e.Data));
        const auto csize = e.CompressedSize.value_or(static_cast<std::uint32_t>(payload.size()));
        const auto usize = e.UncompressedSize.value_or(static_cast<std::uint32_t>(e.Data.size()));
        const std::uint16_t flag = e.LocalFlag.value_or(e.Flag);
        const bool descriptor = (flag & 0x0008) != 0;
        built.LocalOffsets[i] = static_cast<std::uint32_t>(out.size());
        Add32(out, 0x04034B50);                 // signature
        Add16(out, 20);                         // version needed
        Add16(out, flag);                       // flag
        Add16(out, e.Method);                   // method
        Add32(out, 0x5A210000);                 // time and date
        Add32(out, descriptor ? 0 : crc);       // CRC-32
        Add32(out, descriptor ? 0 : csize);     // compressed size
        Add32(out, descriptor ? 0 : usize);     // uncompressed size
        Add16(out, static_cast<std::uint32_t>(e.Name.size()));   // name length
        Add16(out, static_cast<std::uint32_t>(e.Extra.size()));  // extra length
        AddText(out, e.Name);
        AddText(out, e.Extra);
        AddText(out, payload);
        if (descriptor) {
            Add32(out, 0x08074B50);  // descriptor signature
            Add32(out, crc);
            Add32(out, csize);
            Add32(out, usize);
        }
    }
    built.CentralOffset = static_cast<std::uint32_t>(out.size());
    for (std::size_t i = 0; i < n; ++i) {
        const Entry& e = package.Entries[i];
        Add32(out, 0x02014B50);                                                      // signature
        Add16(out, 0x031E);                                                          // made by
        Add16(out, 20);                                                              // version needed
        Add16(out, e.Flag);                                                          // flag
        Add16(out, e.CentralMethod.value_or(e.Method));                              // method
        Add32(out, 0x5A210000);                                                      // time and date
        Add32(out, e.Crc.value_or(Crc32(e.Data)));                                   // CRC-32
        Add32(out, e.CompressedSize.value_or(static_cast<std::uint32_t>(payloads[i].size())));
        Add32(out, e.UncompressedSize.value_or(static_cast<std::uint32_t>(e.Data.size())));
        Add16(out, static_cast<std::uint32_t>(e.Name.size()));                       // name length
        Add16(out, static_cast<std::uint32_t>(e.Extra.size()));                      // extra length
        Add16(out, static_cast<std::uint32_t>(e.Comment.size()));                    // comment length
        Add16(out, 0);                                                               // disk start
        Add16(out, 0);                                                               // internal attributes
        Add32(out, 0);                                                               // external attributes
        Add32(out, e.LocalHeaderOffset.value_or(built.LocalOffsets[i]));             // local header offset
        AddText(out, e.Name);
        AddText(out, e.Extra);
        AddText(out, e.Comment);
    }
    const auto centralSize = static_cast<std::uint32_t>(out.size()) - built.CentralOffset;
    built.EndOffset = static_cast<std::uint32_t>(out.size());
    const auto entries = package.CentralDirEntries.value_or(static_cast<std::uint16_t>(n));
    Add32(out, 0x06054B50);                                            // signature
    Add16(out, package.DiskNumber);                                    // this disk
    Add16(out, package.DiskNumber);                                    // directory's disk
    Add16(out, entries);                                               // entries on this disk
    Add16(out, entries);                                               // entries in all
    Add32(out, centralSize);                                           // directory size
    Add32(out, package.CentralDirOffset.value_or(built.CentralOffset));  // directory offset
    Add16(out, package.CommentLength.value_or(static_cast<std::uint16_t>(package.Comment.size())));
    AddText(out, package.Comment);
    return built;
}

}  // namespace zip_test
