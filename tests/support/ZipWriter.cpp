#include "support/ZipWriter.h"

#include <zlib.h>

#include <stdexcept>

namespace testsupport {
namespace {

constexpr std::uint32_t kLocalSignature = 0x04034B50;
constexpr std::uint32_t kDescriptorSignature = 0x08074B50;
constexpr std::uint32_t kCentralSignature = 0x02014B50;
constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::uint16_t kRequiredVersion = 20;

void Add16(TBytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Add32(TBytes& out, std::uint32_t value) {
    Add16(out, value & 0xFFFF);
    Add16(out, value >> 16);
}

void AddText(TBytes& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

std::uint16_t Length16(const std::string& text) {
    if (text.size() > 0xFFFF) throw std::runtime_error("a ZIP name, extra field or comment longer than 65535 bytes");
    return static_cast<std::uint16_t>(text.size());
}

std::uint32_t Size32(std::size_t size) {
    if (size > 0xFFFFFFFFu) throw std::runtime_error("an entry that needs ZIP64, which this writer does not make");
    return static_cast<std::uint32_t>(size);
}

// windowBits as deflateInit2 takes them: negative for raw deflate, 16 + 15 for a gzip wrapper.
std::string Deflate(const std::string& data, int windowBits) {
    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
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

}  // namespace

std::string DeflateRaw(const std::string& data) { return Deflate(data, -15); }

std::string Gzip(const std::string& data) { return Deflate(data, 16 + 15); }

std::uint32_t Crc32(const std::string& data) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

TBytes ToBytes(const std::string& text) {
    return TBytes(text.begin(), text.end());
}

void PutLE16(TBytes& bytes, std::size_t offset, std::uint16_t value) {
    bytes.at(offset) = static_cast<std::uint8_t>(value);
    bytes.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
}

void PutLE32(TBytes& bytes, std::size_t offset, std::uint32_t value) {
    PutLE16(bytes, offset, static_cast<std::uint16_t>(value));
    PutLE16(bytes, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

TZipEntry MakeEntry(std::string name, std::string data, std::uint16_t method, std::uint16_t flag) {
    TZipEntry entry;
    entry.Name = std::move(name);
    entry.Data = std::move(data);
    entry.Method = method;
    entry.Flag = flag;
    return entry;
}

TZipWriter::TZipWriter(const std::filesystem::path& file)
    : FPath(file), FFile(file, std::ios::binary | std::ios::trunc), FToFile(true) {
    if (!FFile) throw std::runtime_error("cannot create " + file.string());
}

void TZipWriter::Write(const void* data, std::size_t size) {
    if (FToFile) {
        FFile.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!FFile) throw std::runtime_error("cannot write " + FPath.string());
    } else {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        FBytes.insert(FBytes.end(), bytes, bytes + size);
    }
    FOffset += size;
}

void TZipWriter::Write(const TBytes& bytes) {
    Write(bytes.data(), bytes.size());
}

void TZipWriter::Write(const std::string& bytes) {
    Write(bytes.data(), bytes.size());
}

std::uint32_t TZipWriter::Offset(std::size_t more) const {
    // Headers still to come need room too: a package this writer finishes never needs ZIP64.
    if (FOffset + more + 1024 > 0xFFFFFFFFu || FRecords.size() >= 0xFFFF) {
        throw std::runtime_error("a package that needs ZIP64, which this writer does not make");
    }
    return static_cast<std::uint32_t>(FOffset);
}

void TZipWriter::Raw(const std::string& bytes) {
    Write(bytes);
}

void TZipWriter::Add(const TZipEntry& entry) {
    const std::string deflated = !entry.Payload && entry.Method == kZipDeflated ? DeflateRaw(entry.Data) : "";
    const std::string& payload =
        entry.Payload ? *entry.Payload : (entry.Method == kZipDeflated ? deflated : entry.Data);
    TRecord record;
    record.Offset = Offset(payload.size());
    record.Crc = entry.Crc.value_or(Crc32(entry.Data));
    record.CompressedSize = entry.CompressedSize.value_or(Size32(payload.size()));
    record.UncompressedSize = entry.UncompressedSize.value_or(Size32(entry.Data.size()));
    const std::uint16_t flag = entry.LocalFlag.value_or(entry.Flag);
    // With a descriptor the local header leaves CRC and sizes zero, as streaming writers do.
    const bool descriptor = (flag & kZipFlagDescriptor) != 0;

    TBytes header;
    Add32(header, kLocalSignature);
    Add16(header, kRequiredVersion);
    Add16(header, flag);
    Add16(header, entry.Method);
    Add32(header, entry.ModifiedDateTime);
    Add32(header, descriptor ? 0 : record.Crc);
    Add32(header, descriptor ? 0 : record.CompressedSize);
    Add32(header, descriptor ? 0 : record.UncompressedSize);
    Add16(header, Length16(entry.Name));
    Add16(header, Length16(entry.Extra));
    AddText(header, entry.Name);
    AddText(header, entry.Extra);
    Write(header);
    Write(payload);
    if (descriptor) {
        TBytes trailer;
        Add32(trailer, kDescriptorSignature);
        Add32(trailer, record.Crc);
        Add32(trailer, record.CompressedSize);
        Add32(trailer, record.UncompressedSize);
        Write(trailer);
    }
    record.Entry = entry;
    record.Entry.Data.clear();
    record.Entry.Payload.reset();
    FRecords.push_back(std::move(record));
}

TZipLayout TZipWriter::Finish(const TZipEnd& end, const std::vector<std::size_t>& directoryOrder) {
    std::vector<std::size_t> order = directoryOrder;
    if (order.empty()) {
        for (std::size_t i = 0; i < FRecords.size(); ++i) order.push_back(i);
    }
    TZipLayout layout;
    layout.CentralOffset = Offset(0);
    for (const std::size_t i : order) {
        const TRecord& record = FRecords.at(i);
        const TZipEntry& entry = record.Entry;
        layout.LocalOffsets.push_back(record.Offset);
        TBytes header;
        Add32(header, kCentralSignature);
        Add16(header, entry.MadeByVersion);
        Add16(header, kRequiredVersion);
        Add16(header, entry.Flag);
        Add16(header, entry.CentralMethod.value_or(entry.Method));
        Add32(header, entry.ModifiedDateTime);
        Add32(header, record.Crc);
        Add32(header, record.CompressedSize);
        Add32(header, record.UncompressedSize);
        Add16(header, Length16(entry.Name));
        Add16(header, Length16(entry.Extra));
        Add16(header, Length16(entry.Comment));
        Add16(header, entry.DiskNumberStart);
        Add16(header, 0);  // internal attributes
        Add32(header, entry.ExternalAttributes);
        Add32(header, entry.LocalHeaderOffset.value_or(record.Offset));
        AddText(header, entry.Name);
        AddText(header, entry.Extra);
        AddText(header, entry.Comment);
        Write(header);
    }
    layout.EndOffset = Offset(0);
    const auto entries = end.CentralDirEntries.value_or(static_cast<std::uint16_t>(order.size()));
    TBytes record;
    Add32(record, kEndSignature);
    Add16(record, end.DiskNumber);  // this disk
    Add16(record, end.DiskNumber);  // the directory's disk
    Add16(record, entries);         // on this disk
    Add16(record, entries);         // in all
    Add32(record, layout.EndOffset - layout.CentralOffset);
    Add32(record, end.CentralDirOffset.value_or(layout.CentralOffset));
    Add16(record, end.CommentLength.value_or(Length16(end.Comment)));
    AddText(record, end.Comment);
    Write(record);
    layout.Size = FOffset;
    if (FToFile) {
        FFile.close();
        if (!FFile) throw std::runtime_error("cannot write " + FPath.string());
    }
    return layout;
}

TBuiltZip BuildZip(const TZipPackage& package) {
    TZipWriter writer;
    writer.Raw(package.Prefix);
    const std::size_t count = package.Entries.size();
    std::vector<std::size_t> order;
    for (std::size_t k = 0; k < count; ++k) {
        writer.Add(package.Entries[package.ReverseLocalOrder ? count - 1 - k : k]);
        order.push_back(package.ReverseLocalOrder ? count - 1 - k : k);
    }
    TBuiltZip built;
    static_cast<TZipLayout&>(built) = writer.Finish(package, order);
    built.Data = writer.Bytes();
    return built;
}

TBytes BuildPackage(const std::vector<TPackageEntry>& entries) {
    TZipWriter writer;
    for (const auto& [name, data] : entries) {
        TZipEntry entry = MakeEntry(name, data, kZipStored, kZipFlagUtf8);
        entry.MadeByVersion = 20;
        entry.ModifiedDateTime = 0x00210000;                                        // 1980-01-01 00:00
        entry.ExternalAttributes = !name.empty() && name.back() == '/' ? 0x10 : 0;  // FILE_ATTRIBUTE_DIRECTORY
        writer.Add(entry);
    }
    writer.Finish();
    return writer.Bytes();
}

}  // namespace testsupport
