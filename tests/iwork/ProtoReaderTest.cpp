// The protobuf wire reader: every scalar kind, repeated fields packed and unpacked, and the
// refusal of malformed bytes.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "document/Errors.h"
#include "iwork/ProtoReader.h"
#include "support/IwaWriter.h"

using namespace iwork;
using testsupport::TBytes;
using testsupport::TProtoWriter;

TEST(ProtoReader, ReadsEveryScalarKind) {
    const TProtoWriter w = TProtoWriter()
                               .Varint(1, 150)
                               .Varint(2, std::numeric_limits<std::uint64_t>::max())  // ten bytes
                               .SInt(3, -3)
                               .SInt(4, std::numeric_limits<std::int64_t>::min())
                               .Bool(5, true)
                               .Float(6, 56.69f)
                               .Double(7, -0.125)
                               .String(8, "M\xC3\xA9 vzn\xC3\xA1\xC5\xA1\x65\x64lo")
                               .Message(9, TProtoWriter().Varint(1, 7).String(2, "inner"))
                               .Reference(10, 1234567890123ull)
                               .Message(11, TProtoWriter());  // present and empty
    const TMessage m(w.Data());
    EXPECT_EQ(m.Varint(1), 150u);
    EXPECT_EQ(m.Varint(2), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(m.SInt(3), -3);
    EXPECT_EQ(m.SInt(4), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(m.Bool(5), true);
    EXPECT_EQ(m.Float(6), 56.69f);
    EXPECT_EQ(m.Double(7), -0.125);
    EXPECT_EQ(m.String(8), "M\xC3\xA9 vzn\xC3\xA1\xC5\xA1\x65\x64lo");
    ASSERT_TRUE(m.Message(9).has_value());
    EXPECT_EQ(m.Message(9)->Varint(1), 7u);
    EXPECT_EQ(m.Message(9)->String(2), "inner");
    EXPECT_EQ(m.Reference(10), 1234567890123ull);
    ASSERT_TRUE(m.Message(11).has_value());
    EXPECT_TRUE(m.Message(11)->Empty());
    EXPECT_TRUE(m.Has(11));
    EXPECT_FALSE(m.Has(12));
    EXPECT_FALSE(m.Varint(12).has_value());
    EXPECT_FALSE(m.Reference(11).has_value());  // a reference without its identifier
}

TEST(ProtoReader, LastScalarWinsAndOtherWireTypesAreNotMistakenForIt) {
    const TProtoWriter w = TProtoWriter()
                               .Varint(1, 1)
                               .Varint(1, 2)
                               .String(2, "first")
                               .String(2, "second")
                               .Float(3, 1.5f)
                               .String(3, "not a float")  // a field of another kind under the same number
                               .Varint(4, 9);
    const TMessage m(w.Data());
    EXPECT_EQ(m.Varint(1), 2u);
    EXPECT_EQ(m.String(2), "second");
    EXPECT_EQ(m.Strings(2), (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(m.Float(3), 1.5f);
    EXPECT_FALSE(m.Float(4).has_value());
    EXPECT_FALSE(m.String(4).has_value());
}

TEST(ProtoReader, RepeatedScalarsPackedAndUnpackedAlike) {
    const TProtoWriter w = TProtoWriter()
                               .PackedVarints(1, {3, 300, 0, 1ull << 40})
                               .Varint(1, 5)  // a writer may mix both forms; the values keep their order
                               .PackedVarints(1, {6})
                               .Varint(2, 7)
                               .Varint(2, 8)
                               .PackedFloats(3, {0.5f, -2.0f})
                               .Float(3, 4.25f)
                               .Reference(4, 11)
                               .Message(4, TProtoWriter().Varint(2, 99))  // no identifier: left out
                               .Reference(4, 12)
                               .Message(5, TProtoWriter().Varint(1, 1))
                               .Message(5, TProtoWriter().Varint(1, 2))
                               .PackedVarints(6, {});
    const TMessage m(w.Data());
    EXPECT_EQ(m.Varints(1), (std::vector<std::uint64_t>{3, 300, 0, 1ull << 40, 5, 6}));
    EXPECT_EQ(m.Varints(2), (std::vector<std::uint64_t>{7, 8}));
    EXPECT_EQ(m.Floats(3), (std::vector<float>{0.5f, -2.0f, 4.25f}));
    EXPECT_EQ(m.References(4), (std::vector<std::uint64_t>{11, 12}));
    const auto messages = m.Messages(5);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].Varint(1), 2u);
    EXPECT_TRUE(m.Varints(6).empty());
    EXPECT_TRUE(m.Varints(7).empty());
}

TEST(ProtoReader, WalksFieldsInOrderWithTheirPlaces) {
    const TProtoWriter w = TProtoWriter().Varint(3, 1).Fixed64(1, 0x0102030405060708ull).String(2000000, "x");
    TProtoReader reader(w.Data());
    TProtoField f;
    ASSERT_TRUE(reader.Next(f));
    EXPECT_EQ(f.Number, 3u);
    EXPECT_EQ(f.Type, TWireType::wtVarint);
    EXPECT_EQ(reader.Position(), 2u);
    ASSERT_TRUE(reader.Next(f));
    EXPECT_EQ(f.Type, TWireType::wtFixed64);
    EXPECT_EQ(f.Value, 0x0102030405060708ull);
    ASSERT_TRUE(reader.Next(f));
    EXPECT_EQ(f.Number, 2000000u);
    ASSERT_EQ(f.Bytes.size(), 1u);
    EXPECT_EQ(f.Bytes[0], 'x');
    EXPECT_FALSE(reader.Next(f));
    EXPECT_EQ(reader.Position(), w.Data().size());
}

TEST(ProtoReader, MalformedBytesAreDamage) {
    struct TCase {
        const char* What;
        TBytes Bytes;
    };
    const TCase cases[] = {
        {"a varint value cut short", {0x08, 0x96}},
        {"a key cut short", {0x08, 0x01, 0x80}},
        {"a varint of eleven bytes", {0x08, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x01}},
        {"a length past the end", {0x12, 0x05, 'a', 'b'}},
        {"a length near 2^64", {0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}},
        {"a fixed32 cut short", {0x0D, 0x01, 0x02, 0x03}},
        {"a fixed64 cut short", {0x09, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07}},
        {"a group start", {0x0B, 0x08, 0x01, 0x0C}},
        {"a group end", {0x0C}},
        {"wire type 6", {0x0E, 0x00}},
        {"wire type 7", {0x0F, 0x00}},
        {"field number 0", {0x00, 0x01}},
        {"a damaged field after good ones", {0x08, 0x01, 0x12, 0x01, 'a', 0x1A, 0x02, 'b'}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        const TMessage m(c.Bytes);
        // Any look-up walks the whole message, the sought field or not.
        EXPECT_THROW(m.Has(99), doc::EDamagedDocument);
        EXPECT_THROW(m.Varint(1), doc::EDamagedDocument);
        EXPECT_THROW(m.Varints(1), doc::EDamagedDocument);
    }
}

TEST(ProtoReader, MalformedPackedValuesAreDamage) {
    const TBytes cutVarint = {0x80};
    const TBytes threeBytes = {0x00, 0x00, 0x80};
    EXPECT_THROW(TMessage(TProtoWriter().Bytes(1, cutVarint).Data()).Varints(1), doc::EDamagedDocument);
    EXPECT_THROW(TMessage(TProtoWriter().Bytes(1, threeBytes).Data()).Floats(1), doc::EDamagedDocument);
}
