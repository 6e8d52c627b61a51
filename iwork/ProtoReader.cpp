#include "iwork/ProtoReader.h"

#include <bit>
#include <string>

#include "iwork/CommonFields.h"
#include "document/Errors.h"

namespace iwork {
namespace {

// Protobuf allows field numbers up to 2^29 - 1; 0 is never written.
constexpr std::uint64_t kMaxFieldNumber = (std::uint64_t{1} << 29) - 1;

[[noreturn]] void Damaged(const wchar_t* what, std::size_t offset) {
    throw doc::EDamagedDocument(std::wstring(what) + L" at byte " + std::to_wstring(offset) + L" of a message");
}

// A varint of at most 10 bytes; bits beyond the 64th are dropped, as protobuf does.
std::uint64_t ReadVarint(std::span<const std::uint8_t> bytes, std::size_t& pos) {
    const std::size_t start = pos;
    std::uint64_t value = 0;
    for (int shift = 0; shift < 70; shift += 7) {
        if (pos >= bytes.size()) Damaged(L"A varint runs past the end", start);
        const std::uint8_t b = bytes[pos++];
        value |= std::uint64_t{b & 0x7Fu} << shift;
        if ((b & 0x80) == 0) return value;
    }
    Damaged(L"A varint longer than 10 bytes", start);
}

std::uint64_t ReadLittleEndian(std::span<const std::uint8_t> bytes, std::size_t& pos, int size) {
    if (bytes.size() - pos < static_cast<std::size_t>(size)) Damaged(L"A fixed-size value runs past the end", pos);
    std::uint64_t value = 0;
    for (int i = 0; i < size; ++i) value |= std::uint64_t{bytes[pos + i]} << (8 * i);
    pos += size;
    return value;
}

float FloatOf(std::uint64_t bits) { return std::bit_cast<float>(static_cast<std::uint32_t>(bits)); }

std::int64_t ZigZag(std::uint64_t v) { return static_cast<std::int64_t>(v >> 1) ^ -static_cast<std::int64_t>(v & 1); }

// The last field of this number and wire type; other wire types under the same number are
// left alone, as a schema change would leave them.
std::optional<TProtoField> Last(std::span<const std::uint8_t> bytes, std::uint32_t number, TWireType type) {
    std::optional<TProtoField> found;
    TProtoReader reader(bytes);
    TProtoField field;
    while (reader.Next(field)) {
        if (field.Number == number && field.Type == type) found = field;
    }
    return found;
}

}  // namespace

bool TProtoReader::Next(TProtoField& field) {
    if (FPos >= FBytes.size()) return false;
    const std::size_t start = FPos;
    const std::uint64_t key = ReadVarint(FBytes, FPos);
    const std::uint64_t number = key >> 3;
    if (number == 0 || number > kMaxFieldNumber) Damaged(L"A field number out of range", start);
    field.Number = static_cast<std::uint32_t>(number);
    field.Value = 0;
    field.Bytes = {};
    switch (key & 7) {
    case 0:
        field.Type = TWireType::wtVarint;
        field.Value = ReadVarint(FBytes, FPos);
        break;
    case 1:
        field.Type = TWireType::wtFixed64;
        field.Value = ReadLittleEndian(FBytes, FPos, 8);
        break;
    case 2: {
        field.Type = TWireType::wtBytes;
        const std::uint64_t length = ReadVarint(FBytes, FPos);
        if (length > FBytes.size() - FPos) Damaged(L"A length runs past the end", start);
        field.Bytes = FBytes.subspan(FPos, static_cast<std::size_t>(length));
        FPos += static_cast<std::size_t>(length);
        break;
    }
    case 5:
        field.Type = TWireType::wtFixed32;
        field.Value = ReadLittleEndian(FBytes, FPos, 4);
        break;
    case 3:
    case 4:
        Damaged(L"A group (a wire type the format never uses)", start);
    default:
        Damaged(L"An unknown wire type", start);
    }
    return true;
}

bool TMessage::Has(std::uint32_t field) const {
    TProtoReader reader(FBytes);
    TProtoField f;
    while (reader.Next(f)) {
        if (f.Number == field) return true;
    }
    return false;
}

std::optional<std::uint64_t> TMessage::Varint(std::uint32_t field) const {
    const auto f = Last(FBytes, field, TWireType::wtVarint);
    if (!f) return std::nullopt;
    return f->Value;
}

std::optional<std::int64_t> TMessage::SInt(std::uint32_t field) const {
    const auto v = Varint(field);
    if (!v) return std::nullopt;
    return ZigZag(*v);
}

std::optional<bool> TMessage::Bool(std::uint32_t field) const {
    const auto v = Varint(field);
    if (!v) return std::nullopt;
    return *v != 0;
}

std::optional<float> TMessage::Float(std::uint32_t field) const {
    const auto f = Last(FBytes, field, TWireType::wtFixed32);
    if (!f) return std::nullopt;
    return FloatOf(f->Value);
}

std::optional<double> TMessage::Double(std::uint32_t field) const {
    const auto f = Last(FBytes, field, TWireType::wtFixed64);
    if (!f) return std::nullopt;
    return std::bit_cast<double>(f->Value);
}

std::optional<std::string> TMessage::String(std::uint32_t field) const {
    const auto f = Last(FBytes, field, TWireType::wtBytes);
    if (!f) return std::nullopt;
    return std::string(f->Bytes.begin(), f->Bytes.end());
}

// The last occurrence, not a merge of all of them: the format writes each message field once.
std::optional<TMessage> TMessage::Message(std::uint32_t field) const {
    const auto f = Last(FBytes, field, TWireType::wtBytes);
    if (!f) return std::nullopt;
    return TMessage(f->Bytes);
}

std::vector<TMessage> TMessage::Messages(std::uint32_t field) const {
    std::vector<TMessage> result;
    TProtoReader reader(FBytes);
    TProtoField f;
    while (reader.Next(f)) {
        if (f.Number == field && f.Type == TWireType::wtBytes) result.emplace_back(f.Bytes);
    }
    return result;
}

std::vector<std::string> TMessage::Strings(std::uint32_t field) const {
    std::vector<std::string> result;
    TProtoReader reader(FBytes);
    TProtoField f;
    while (reader.Next(f)) {
        if (f.Number == field && f.Type == TWireType::wtBytes) result.emplace_back(f.Bytes.begin(), f.Bytes.end());
    }
    return result;
}

std::vector<std::uint64_t> TMessage::Varints(std::uint32_t field) const {
    std::vector<std::uint64_t> result;
    TProtoReader reader(FBytes);
    TProtoField f;
    while (reader.Next(f)) {
        if (f.Number != field) continue;
        if (f.Type == TWireType::wtVarint) {
            result.push_back(f.Value);
        } else if (f.Type == TWireType::wtBytes) {
            for (std::size_t pos = 0; pos < f.Bytes.size();) result.push_back(ReadVarint(f.Bytes, pos));
        }
    }
    return result;
}

std::vector<float> TMessage::Floats(std::uint32_t field) const {
    std::vector<float> result;
    TProtoReader reader(FBytes);
    TProtoField f;
    while (reader.Next(f)) {
        if (f.Number != field) continue;
        if (f.Type == TWireType::wtFixed32) {
            result.push_back(FloatOf(f.Value));
        } else if (f.Type == TWireType::wtBytes) {
            if (f.Bytes.size() % 4 != 0) Damaged(L"Packed floats of a length not a multiple of 4", reader.Position());
            for (std::size_t pos = 0; pos < f.Bytes.size();) {
                result.push_back(FloatOf(ReadLittleEndian(f.Bytes, pos, 4)));
            }
        }
    }
    return result;
}

std::optional<std::uint64_t> TMessage::Reference(std::uint32_t field) const {
    const auto m = Message(field);
    if (!m) return std::nullopt;
    return m->Varint(fields::reference::kIdentifier);
}

std::vector<std::uint64_t> TMessage::References(std::uint32_t field) const {
    std::vector<std::uint64_t> result;
    for (const TMessage& m : Messages(field)) {
        if (const auto id = m.Varint(fields::reference::kIdentifier)) result.push_back(*id);
    }
    return result;
}

}  // namespace iwork
