#pragma once
// Modern (IWA) documents built inside the tests: a protobuf encoder, literal-only Snappy
// blocks, .iwa files from a list of objects, and whole packages as folders or ZIPs.
// Nothing here uses the code under test or the Snappy library's compressor.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/ZipWriter.h"

namespace testsupport {

void AppendVarint(TBytes& out, std::uint64_t value);

// Fields are written in the order of the calls.
class TProtoWriter {
public:
    TProtoWriter& Varint(std::uint32_t field, std::uint64_t value);
    TProtoWriter& SInt(std::uint32_t field, std::int64_t value);  // zigzag
    TProtoWriter& Bool(std::uint32_t field, bool value) { return Varint(field, value ? 1 : 0); }
    TProtoWriter& Float(std::uint32_t field, float value);    // wire type 5
    TProtoWriter& Double(std::uint32_t field, double value);  // wire type 1
    TProtoWriter& Fixed32(std::uint32_t field, std::uint32_t value);
    TProtoWriter& Fixed64(std::uint32_t field, std::uint64_t value);
    TProtoWriter& Bytes(std::uint32_t field, std::span<const std::uint8_t> value);
    TProtoWriter& String(std::uint32_t field, std::string_view value);
    TProtoWriter& Message(std::uint32_t field, const TProtoWriter& message);
    TProtoWriter& Reference(std::uint32_t field, std::uint64_t id);  // {1 id}
    TProtoWriter& PackedVarints(std::uint32_t field, const std::vector<std::uint64_t>& values);
    TProtoWriter& PackedFloats(std::uint32_t field, const std::vector<float>& values);
    // Bytes as they are, for broken messages.
    TProtoWriter& Raw(std::initializer_list<std::uint8_t> bytes);
    TProtoWriter& Raw(std::span<const std::uint8_t> bytes);

    const TBytes& Data() const { return FData; }
    operator const TBytes&() const { return FData; }

private:
    void Key(std::uint32_t field, int wireType);
    TBytes FData;
};

// One raw Snappy block of literal elements only (length varint, then literals of at most
// 64 KiB each): what Snappy's decoder must accept, written without its compressor.
TBytes SnappyLiteralBlock(std::span<const std::uint8_t> data);
// The .iwa chunk stream: 0x00, a 3-byte little-endian length, a literal block, for every
// chunkSize bytes of data.
TBytes IwaChunks(std::span<const std::uint8_t> data, std::size_t chunkSize = 65536);

// A later message info of the same archive (a merge patch).
struct TIwaPart {
    std::uint32_t Type = 0;
    TBytes Payload;
};

struct TIwaObject {
    std::uint64_t Id = 0;
    std::uint32_t Type = 0;
    TBytes Payload;
    std::vector<std::uint64_t> References;  // the message info's field 5
    bool UnpackedReferences = false;        // written as separate varints instead of packed
    std::vector<TIwaPart> Patches;

    TIwaObject() = default;
    TIwaObject(std::uint64_t id, std::uint32_t type, TBytes payload, std::vector<std::uint64_t> references = {})
        : Id(id), Type(type), Payload(std::move(payload)), References(std::move(references)) {}
};

// The decompressed archive stream of the objects, and the same as a whole .iwa file.
TBytes IwaArchives(const std::vector<TIwaObject>& objects);
TBytes IwaFile(const std::vector<TIwaObject>& objects, std::size_t chunkSize = 65536);

// A modern package's parts; the paths are relative to the package, with "/".
struct TModernPackageFiles {
    std::vector<TIwaObject> Document;  // Index/Document.iwa
    // Index/Metadata.iwa; when empty, a package metadata object (2, type 11006) without data.
    std::vector<TIwaObject> Metadata;
    std::vector<std::pair<std::string, std::vector<TIwaObject>>> OtherIwa;  // e.g. {"Index/Tables/DataList.iwa", ...}
    std::vector<std::pair<std::string, TBytes>> OtherFiles;                 // e.g. {"Data/pic-12.png", ...}
};

// Every file of the package, path and bytes, in a fixed order.
std::vector<std::pair<std::string, TBytes>> ModernPackageEntries(const TModernPackageFiles& files);
// Written below folder (an engine path), as an unpacked package or a folder bundle; in
// IwaPackageWriter.cpp, with the test helpers that need GoogleTest.
void WriteModernPackage(const std::wstring& folder, const TModernPackageFiles& files);
// A Pages 5.5+ single-file package: a ZIP of stored entries.
TBytes ModernPackageZip(const TModernPackageFiles& files);

}  // namespace testsupport
