// libFuzzer target for the modern-document reader's lowest layer: arbitrary bytes read as an
// .iwa file and as the decompressed archives inside one, every object's fields walked.
// Every refusal must be an EDamagedDocument; anything else escaping is a finding.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "document/Errors.h"
#include "iwork/IwaArchive.h"
#include "iwork/ObjectStore.h"
#include "iwork/ProtoReader.h"

using namespace iwork;

namespace {

// Bytes fields are tried as messages, as a reader guided by field numbers would.
void Walk(const TMessage& message, int depth) {
    TProtoReader reader(message.Bytes());
    TProtoField field;
    try {
        while (reader.Next(field)) {
            if (field.Type == TWireType::wtBytes && depth < 6) Walk(TMessage(field.Bytes), depth + 1);
        }
    } catch (const doc::EDamagedDocument&) {
        return;
    }
    // The random-access getters over the numbers present; a packed run that is really a
    // string may be refused, never misread past its end.
    // Each getter scans the whole message: a few distinct numbers near the top keep an
    // input's cost a small multiple of its size.
    if (depth > 1) return;
    std::vector<std::uint32_t> numbers;
    reader = TProtoReader(message.Bytes());
    while (reader.Next(field) && numbers.size() < 4) {
        if (std::find(numbers.begin(), numbers.end(), field.Number) == numbers.end()) numbers.push_back(field.Number);
    }
    for (const std::uint32_t n : numbers) {
        try {
            (void)message.Has(n);
            (void)message.Varint(n);
            (void)message.SInt(n);
            (void)message.Bool(n);
            (void)message.Float(n);
            (void)message.Double(n);
            (void)message.String(n);
            (void)message.Messages(n);
            (void)message.Strings(n);
            (void)message.Reference(n);
            (void)message.References(n);
            (void)message.Varints(n);
            (void)message.Floats(n);
        } catch (const doc::EDamagedDocument&) {
        }
    }
}

void Load(std::vector<std::uint8_t> decompressed) {
    TObjectStore store;
    try {
        store.AddArchives(std::move(decompressed));
    } catch (const doc::EDamagedDocument&) {
        // The objects before the damage stay readable.
    }
    for (const auto& [id, object] : store.Objects()) {
        if (store.Find(id) != &object) __builtin_trap();
        Walk(object.Payload, 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    (void)ClassifyIwa(file);
    try {
        Load(DecompressIwa(file));
    } catch (const doc::EDamagedDocument&) {
    }
    Load(std::vector<std::uint8_t>(data, data + size));
    return 0;
}
