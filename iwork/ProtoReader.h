#pragma once
// A reader of the protobuf wire format, without schemas: the format's messages are known by
// field numbers only. Views point into bytes the caller keeps alive.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace iwork {

enum class TWireType : std::uint8_t { wtVarint = 0, wtFixed64 = 1, wtBytes = 2, wtFixed32 = 5 };

// One field as it stands in the bytes.
struct TProtoField {
    std::uint32_t Number = 0;
    TWireType Type = TWireType::wtVarint;
    std::uint64_t Value = 0;               // varint, fixed32 or fixed64 bits
    std::span<const std::uint8_t> Bytes;   // wtBytes
};

// Walks the fields of one message in order. Raises EDamagedDocument on malformed bytes
// (a truncated varint or length, a group or unknown wire type).
class TProtoReader {
public:
    explicit TProtoReader(std::span<const std::uint8_t> bytes) : FBytes(bytes) {}
    bool Next(TProtoField& field);
    std::size_t Position() const { return FPos; }

private:
    std::span<const std::uint8_t> FBytes;
    std::size_t FPos = 0;
};

// Random access by field number over one message; the last occurrence of a scalar wins,
// as protobuf says. Each call scans the message: keep messages small or walk them once
// with TProtoReader.
class TMessage {
public:
    TMessage() = default;
    explicit TMessage(std::span<const std::uint8_t> bytes) : FBytes(bytes) {}
    std::span<const std::uint8_t> Bytes() const { return FBytes; }
    bool Empty() const { return FBytes.empty(); }

    bool Has(std::uint32_t field) const;
    std::optional<std::uint64_t> Varint(std::uint32_t field) const;
    std::optional<std::int64_t> SInt(std::uint32_t field) const;  // zigzag
    std::optional<bool> Bool(std::uint32_t field) const;
    std::optional<float> Float(std::uint32_t field) const;        // fixed32
    std::optional<double> Double(std::uint32_t field) const;      // fixed64
    std::optional<std::string> String(std::uint32_t field) const; // UTF-8 as stored
    std::optional<TMessage> Message(std::uint32_t field) const;
    std::vector<TMessage> Messages(std::uint32_t field) const;
    std::vector<std::string> Strings(std::uint32_t field) const;
    // Repeated scalars, packed and unpacked alike.
    std::vector<std::uint64_t> Varints(std::uint32_t field) const;
    std::vector<float> Floats(std::uint32_t field) const;
    // A reference message {1 identifier}; absent when the field or its identifier is.
    std::optional<std::uint64_t> Reference(std::uint32_t field) const;
    std::vector<std::uint64_t> References(std::uint32_t field) const;

private:
    std::span<const std::uint8_t> FBytes;
};

}  // namespace iwork
