#include "support/IwaWriter.h"

#include <algorithm>
#include <bit>

namespace testsupport {
namespace {

constexpr std::size_t kMaxLiteral = 65536;

void AppendLittleEndian(TBytes& out, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

void AppendVarint(TBytes& out, std::uint64_t value) {
    while (value >= 0x80) {
        out.push_back(static_cast<std::uint8_t>(value | 0x80));
        value >>= 7;
    }
    out.push_back(static_cast<std::uint8_t>(value));
}

void TProtoWriter::Key(std::uint32_t field, int wireType) {
    AppendVarint(FData, (std::uint64_t{field} << 3) | static_cast<std::uint64_t>(wireType));
}

TProtoWriter& TProtoWriter::Varint(std::uint32_t field, std::uint64_t value) {
    Key(field, 0);
    AppendVarint(FData, value);
    return *this;
}

TProtoWriter& TProtoWriter::SInt(std::uint32_t field, std::int64_t value) {
    const auto zigzag = (static_cast<std::uint64_t>(value) << 1) ^ static_cast<std::uint64_t>(value >> 63);
    return Varint(field, zigzag);
}

TProtoWriter& TProtoWriter::Float(std::uint32_t field, float value) {
    return Fixed32(field, std::bit_cast<std::uint32_t>(value));
}

TProtoWriter& TProtoWriter::Double(std::uint32_t field, double value) {
    return Fixed64(field, std::bit_cast<std::uint64_t>(value));
}

TProtoWriter& TProtoWriter::Fixed32(std::uint32_t field, std::uint32_t value) {
    Key(field, 5);
    AppendLittleEndian(FData, value, 4);
    return *this;
}

TProtoWriter& TProtoWriter::Fixed64(std::uint32_t field, std::uint64_t value) {
    Key(field, 1);
    AppendLittleEndian(FData, value, 8);
    return *this;
}

TProtoWriter& TProtoWriter::Bytes(std::uint32_t field, std::span<const std::uint8_t> value) {
    Key(field, 2);
    AppendVarint(FData, value.size());
    FData.insert(FData.end(), value.begin(), value.end());
    return *this;
}

TProtoWriter& TProtoWriter::String(std::uint32_t field, std::string_view value) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(value.data());
    return Bytes(field, std::span<const std::uint8_t>(p, value.size()));
}

TProtoWriter& TProtoWriter::Message(std::uint32_t field, const TProtoWriter& message) {
    return Bytes(field, message.Data());
}

TProtoWriter& TProtoWriter::Reference(std::uint32_t field, std::uint64_t id) {
    return Message(field, TProtoWriter().Varint(1, id));
}

TProtoWriter& TProtoWriter::PackedVarints(std::uint32_t field, const std::vector<std::uint64_t>& values) {
    TBytes packed;
    for (const auto v : values) AppendVarint(packed, v);
    return Bytes(field, packed);
}

TProtoWriter& TProtoWriter::PackedFloats(std::uint32_t field, const std::vector<float>& values) {
    TBytes packed;
    for (const float v : values) AppendLittleEndian(packed, std::bit_cast<std::uint32_t>(v), 4);
    return Bytes(field, packed);
}

TProtoWriter& TProtoWriter::Raw(std::initializer_list<std::uint8_t> bytes) {
    FData.insert(FData.end(), bytes.begin(), bytes.end());
    return *this;
}

TProtoWriter& TProtoWriter::Raw(std::span<const std::uint8_t> bytes) {
    FData.insert(FData.end(), bytes.begin(), bytes.end());
    return *this;
}

TBytes SnappyLiteralBlock(std::span<const std::uint8_t> data) {
    TBytes out;
    AppendVarint(out, data.size());
    for (std::size_t pos = 0; pos < data.size();) {
        const std::size_t n = std::min(kMaxLiteral, data.size() - pos);
        // A literal's tag: length - 1 in the upper six bits when below 60, else 60 + the
        // number of little-endian length bytes that follow (literal tag type 00).
        const std::size_t m = n - 1;
        if (m < 60) {
            out.push_back(static_cast<std::uint8_t>(m << 2));
        } else if (m < 0x100) {
            out.push_back(60 << 2);
            AppendLittleEndian(out, m, 1);
        } else {
            out.push_back(61 << 2);
            AppendLittleEndian(out, m, 2);
        }
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(pos),
                   data.begin() + static_cast<std::ptrdiff_t>(pos + n));
        pos += n;
    }
    return out;
}

TBytes IwaChunks(std::span<const std::uint8_t> data, std::size_t chunkSize) {
    TBytes out;
    for (std::size_t pos = 0; pos < data.size(); pos += chunkSize) {
        const TBytes block = SnappyLiteralBlock(data.subspan(pos, std::min(chunkSize, data.size() - pos)));
        out.push_back(0x00);
        AppendLittleEndian(out, block.size(), 3);
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

TBytes IwaArchives(const std::vector<TIwaObject>& objects) {
    TBytes out;
    for (const TIwaObject& object : objects) {
        TProtoWriter info;
        info.Varint(1, object.Type).Varint(3, object.Payload.size());
        if (object.UnpackedReferences) {
            for (const auto ref : object.References) info.Varint(5, ref);
        } else if (!object.References.empty()) {
            info.PackedVarints(5, object.References);
        }
        TProtoWriter archive;
        archive.Varint(1, object.Id).Message(2, info);
        for (const TIwaPart& patch : object.Patches) {
            archive.Message(2, TProtoWriter().Varint(1, patch.Type).Varint(3, patch.Payload.size()));
        }
        AppendVarint(out, archive.Data().size());
        out.insert(out.end(), archive.Data().begin(), archive.Data().end());
        out.insert(out.end(), object.Payload.begin(), object.Payload.end());
        for (const TIwaPart& patch : object.Patches) out.insert(out.end(), patch.Payload.begin(), patch.Payload.end());
    }
    return out;
}

TBytes IwaFile(const std::vector<TIwaObject>& objects, std::size_t chunkSize) {
    return IwaChunks(IwaArchives(objects), chunkSize);
}

std::vector<std::pair<std::string, TBytes>> ModernPackageEntries(const TModernPackageFiles& files) {
    std::vector<std::pair<std::string, TBytes>> entries;
    entries.emplace_back("Index/Document.iwa", IwaFile(files.Document));
    const std::vector<TIwaObject> defaultMetadata = {TIwaObject(2, 11006, {})};
    entries.emplace_back("Index/Metadata.iwa", IwaFile(files.Metadata.empty() ? defaultMetadata : files.Metadata));
    for (const auto& [path, objects] : files.OtherIwa) entries.emplace_back(path, IwaFile(objects));
    for (const auto& entry : files.OtherFiles) entries.push_back(entry);
    return entries;
}

TBytes ModernPackageZip(const TModernPackageFiles& files) {
    std::vector<TPackageEntry> entries;
    for (const auto& [path, bytes] : ModernPackageEntries(files)) {
        entries.push_back({path, std::string(bytes.begin(), bytes.end())});
    }
    return BuildPackage(entries);
}

}  // namespace testsupport
