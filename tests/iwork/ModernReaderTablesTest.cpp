// The modern reader: tables, their cell storages old and new, and cell values as Pages shows them.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "ModernDocumentBuilder.h"
#include "iwork/ObjectTypes.h"
#include "iwork/Tables.h"
#include "support/TestSupport.h"

using namespace iwork;
using namespace testsupport;

namespace {

// A tile record of the current storage: version 5, the type, flags, then the fields.
TBytes CellRecord(std::uint8_t type, std::uint32_t flags, std::initializer_list<std::uint32_t> ids) {
    TBytes r = {5, type, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) r.push_back(static_cast<std::uint8_t>(flags >> (8 * i)));
    for (std::uint32_t id : ids)
        for (int i = 0; i < 4; ++i) r.push_back(static_cast<std::uint8_t>(id >> (8 * i)));
    return r;
}

// decimal128: a 113-bit significand and a biased exponent (0x1820 is 10^0).
TBytes Decimal(std::uint64_t significand, int exponent) {
    TBytes b(16, 0);
    for (int i = 0; i < 8; ++i) b[i] = static_cast<std::uint8_t>(significand >> (8 * i));
    const unsigned biased = static_cast<unsigned>(exponent + 0x1820);
    b[14] = static_cast<std::uint8_t>((biased & 0x7F) << 1);
    b[15] = static_cast<std::uint8_t>(biased >> 7);
    return b;
}

}  // namespace

TEST(ModernReader, TableCellsSizesHeadersAndMerges) {
    TDocumentBuilder b;
    auto list = [&](std::uint32_t type, std::initializer_list<std::pair<std::uint32_t, std::string>> strings) {
        TProtoWriter l;
        l.Varint(1, type).Varint(2, 10);
        for (const auto& [key, s] : strings) l.Message(3, TProtoWriter().Varint(1, key).Varint(2, 1).String(3, s));
        return b.Add(kDataList, l);
    };
    const auto strings = list(1, {{1, "Name"}, {2, "Price"}, {3, "Both columns"}});
    TProtoWriter formats;
    // Format 1: currency (257), two decimals, euros, thousands separated.
    const TProtoWriter euros = TProtoWriter().Varint(1, 257).Varint(2, 2).String(3, "EUR").Bool(5, true);
    formats.Varint(1, 2).Varint(2, 2).Message(3, TProtoWriter().Varint(1, 1).Varint(2, 1).Message(6, euros));
    const auto formatList = b.Add(kDataList, formats);
    // Row 0: two text cells; row 1: a currency cell; row 2: one text cell merged over both columns.
    TBytes row0, row1, row2;
    TBytes a = CellRecord(3, 0x8, {1}), c = CellRecord(3, 0x8, {2});
    row0 = a;
    row0.insert(row0.end(), c.begin(), c.end());
    TBytes price = CellRecord(10, 0x1 | 0x4000, {});
    const TBytes value = Decimal(123456, -2);  // 1234.56
    price.insert(price.begin() + 12, value.begin(), value.end());
    const TBytes formatId = {1, 0, 0, 0};
    price.insert(price.end(), formatId.begin(), formatId.end());
    row1 = price;
    row2 = CellRecord(3, 0x8, {3});
    auto rowInfo = [](std::uint64_t row, const TBytes& buffer, std::initializer_list<std::uint16_t> offsets) {
        TBytes o;
        for (std::uint16_t v : offsets) { o.push_back(v & 0xFF); o.push_back(v >> 8); }
        return TProtoWriter().Varint(1, row).Varint(2, offsets.size()).Varint(5, 5).Bytes(6, buffer).Bytes(7, o);
    };
    TProtoWriter tile;
    tile.Message(5, rowInfo(0, row0, {0, static_cast<std::uint16_t>(a.size())}))
        .Message(5, rowInfo(1, row1, {0xFFFF, 0}))
        .Message(5, rowInfo(2, row2, {0, 0xFFFF}));
    const auto tileId = b.Add(kTile, tile);
    const auto columns = b.Add(6006, TProtoWriter().Message(2, TProtoWriter().Varint(1, 1).Float(2, 150)));
    TProtoWriter store;
    store.Message(3, TProtoWriter().Message(1, TProtoWriter().Varint(1, 0).Reference(2, tileId)))
        .Reference(2, columns)
        .Reference(4, strings)
        .Reference(22, formatList);
    // The merge: a colon tract over columns 0-1 of row 2, kept as a formula.
    TProtoWriter tract;
    tract.Message(3, TProtoWriter().Varint(1, 0).Varint(2, 1)).Message(4, TProtoWriter().Varint(1, 2));
    TProtoWriter merges;
    TProtoWriter node;
    node.Varint(1, 67).Message(40, tract);
    TProtoWriter formula;  // {1 AST node array {1 nodes}}
    formula.Message(1, TProtoWriter().Message(1, node));
    merges.Message(2, TProtoWriter().Message(3, TProtoWriter().Varint(1, 1).Message(2, formula)));
    // A table style: 0.5-point inner row lines (60), no border round the table (38 off).
    const auto tableStyle =
        b.Add(6003, Style("Plain", 0, TProtoWriter().Bool(38, false).Message(60, TProtoWriter().Float(2, 0.5f))));
    TProtoWriter model;
    model.String(1, "id").Reference(3, tableStyle).Message(4, store);
    model.Varint(6, 3).Varint(7, 2).String(8, "Prices").Varint(9, 1).Double(16, 20).Double(17, 100).Message(47, merges);
    const auto modelId = b.Add(kTableModel, model);
    const auto table =
        b.Add(kTableInfo, TProtoWriter().Message(1, DrawableRecord(0, 0, 250, 60, 0)).Reference(2, modelId));
    const auto attachment = b.Add(kDrawableAttachment, TProtoWriter().Reference(1, table));
    b.Body(Storage("\xEF\xBF\xBC").Message(9, ObjectTable({{0, attachment}})));
    const doc::TDocument d = b.Read();

    ASSERT_EQ(d.Tables.size(), 1u);
    const doc::TTable& t = d.Tables[0];
    EXPECT_EQ(t.Name, L"Prices");
    EXPECT_EQ(t.HeaderRows, 1);
    EXPECT_EQ(t.ColumnWidths, (std::vector<double>{100, 150}));
    EXPECT_EQ(t.RowHeights, (std::vector<double>{20, 20, 20}));
    ASSERT_EQ(t.Cells.size(), 3u);
    EXPECT_EQ(Texts(t.Cells[0][0].Text), (std::vector<std::u16string>{u"Name"}));
    EXPECT_EQ(Texts(t.Cells[0][1].Text), (std::vector<std::u16string>{u"Price"}));
    EXPECT_TRUE(t.Cells[1][0].Text.Empty());
    EXPECT_EQ(Texts(t.Cells[1][1].Text), (std::vector<std::u16string>{u"€1,234.56"}));
    EXPECT_EQ(Texts(t.Cells[2][0].Text), (std::vector<std::u16string>{u"Both columns"}));
    EXPECT_EQ(t.Cells[2][0].ColumnSpan, 2);
    EXPECT_EQ(t.Cells[2][1].ColumnSpan, 0);
    EXPECT_EQ(t.Cells[1][1].Bottom.Width, 0.5);
    EXPECT_EQ(t.Cells[2][1].Top.Width, 0.5);
    EXPECT_EQ(t.Cells[2][1].Bottom.Width, 0);  // the table's edge
    EXPECT_EQ(t.Cells[0][0].Left.Width, 0);
    EXPECT_EQ(d.Drawables.at(d.Body.Paragraphs[0].Attachments.at(0).Index).Kind, doc::TDrawableKind::dkTable);
}

// Older tiles (Pages 5.0 to 7) keep their records in fields 3 and 4 in storage versions 1 to 4:
// the type at byte 2 up to version 3 and at byte 1 in version 4, a header of 8 bytes in
// version 1 and 12 after it, fields placed by the flags; a number takes eight bytes. Rich text
// may be named by the list entry's general reference.
TEST(ModernReader, OlderCellStorageVersionsKeepTheirText) {
    auto u32 = [](std::uint32_t v) {
        return TBytes{std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
    };
    auto f64 = [](double v) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        TBytes b;
        for (int i = 0; i < 8; ++i) b.push_back(std::uint8_t(bits >> (8 * i)));
        return b;
    };
    auto join = [](std::initializer_list<TBytes> parts) {
        TBytes all;
        for (const TBytes& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    struct TCase {
        const char* What;
        TBytes Record;
        std::u16string Expected;
    };
    const TCase cases[] = {
        {"version 1 text", join({{1, 0, 3, 0}, u32(0x10), u32(1)}), u"Plain"},
        {"version 3 text after a style", join({{3, 0, 3, 0xFF}, u32(0x14), {0, 0, 0, 0}, u32(7), u32(1)}), u"Plain"},
        {"version 4 text", join({{4, 3, 0, 0}, u32(0x94), {0, 0, 0, 0}, u32(7), u32(9), u32(1)}), u"Plain"},
        {"version 4 number", join({{4, 2, 0, 0}, u32(0xA4), {0, 0, 0, 0}, u32(7), u32(9), f64(0.5)}), u"0.5"},
        {"version 3 date after a number",
         join({{3, 0, 5, 0}, u32(0x60), {0, 0, 0, 0}, f64(1), f64(86400 * 31)}), u"1 Feb 2001"},
        {"version 3 rich text", join({{3, 0, 9, 0}, u32(0x200), {0, 0, 0, 0}, u32(4)}), u"Rich"},
    };
    for (const TCase& c : cases) {
        TDocumentBuilder b;
        const auto strings = b.Add(
            kDataList,
            TProtoWriter().Varint(1, 1).Varint(2, 2).Message(3, TProtoWriter().Varint(1, 1).Varint(2, 1).String(3, "Plain")));
        const auto richStorage = b.Add(kStorage, Storage("Rich"));
        const auto rich = b.Add(
            kDataList,
            TProtoWriter().Varint(1, 8).Varint(2, 5).Message(3, TProtoWriter().Varint(1, 4).Varint(2, 1).Reference(4, richStorage)));
        const TBytes offsets = {0, 0};
        const auto tile = b.Add(kTile, TProtoWriter().Message(
                                           5, TProtoWriter().Varint(1, 0).Varint(2, 1).Bytes(3, c.Record).Bytes(4, offsets)));
        TProtoWriter store;
        store.Message(3, TProtoWriter().Message(1, TProtoWriter().Varint(1, 0).Reference(2, tile)))
            .Reference(4, strings)
            .Reference(17, rich);
        const auto model = b.Add(kTableModel, TProtoWriter().Message(4, store).Varint(6, 1).Varint(7, 1));
        const auto table =
            b.Add(kTableInfo, TProtoWriter().Message(1, DrawableRecord(0, 0, 100, 20, 0)).Reference(2, model));
        const auto attachment = b.Add(kDrawableAttachment, TProtoWriter().Reference(1, table));
        b.Body(Storage("\xEF\xBF\xBC").Message(9, ObjectTable({{0, attachment}})));
        const doc::TDocument d = b.Read();
        ASSERT_EQ(d.Tables.size(), 1u) << c.What;
        EXPECT_EQ(Texts(d.Tables[0].Cells.at(0).at(0).Text), (std::vector<std::u16string>{c.Expected})) << c.What;
    }
}

TEST(ModernReader, CellValuesAsPagesShowsThem) {
    using iwork::detail::FormatDate;
    using iwork::detail::FormatNumber;
    struct TNumber {
        double Value;
        int Decimals;
        bool Thousands;
        const char16_t* Prefix;
        const char16_t* Expected;
    };
    const TNumber numbers[] = {
        {55, -1, false, u"", u"55"},
        {0.1 + 0.2, -1, false, u"", u"0.3"},
        {1234567.5, 2, true, u"", u"1,234,567.50"},
        {-5500, 0, true, u"$", u"-$5,500"},
        {-0.001, 0, false, u"", u"0"},  // no minus sign on a value shown as zero
        {999, 0, true, u"", u"999"},
    };
    for (const auto& n : numbers)
        EXPECT_EQ(FormatNumber(n.Value, n.Decimals, n.Thousands, n.Prefix), n.Expected) << n.Value;
    struct TDate {
        double Seconds;  // since 2001-01-01 00:00 UTC
        const char* Pattern;
        const char16_t* Expected;
    };
    const TDate dates[] = {
        {0, "d MMM yyyy", u"1 Jan 2001"},
        {86400 * 59 + 3600 * 13 + 60 * 5, "yyyy-MM-dd HH:mm", u"2001-03-01 13:05"},
        {-86400, "EEEE d MMMM yy", u"Sunday 31 December 00"},
        {60 * 60 * 21, "h:mm a, 'o''clock' ''", u"9:00 PM, o'clock '"},
    };
    for (const auto& d : dates) EXPECT_EQ(FormatDate(d.Seconds, d.Pattern), d.Expected) << d.Pattern;
}

namespace {

// A table of rows x columns with no cell content; more adds the model's own fields.
void EmptyTable(TDocumentBuilder& b, std::uint64_t rows, std::uint64_t columns,
                const std::function<void(TProtoWriter&)>& more = {}) {
    TProtoWriter model;
    model.String(1, "id").Message(4, TProtoWriter()).Varint(6, rows).Varint(7, columns);
    if (more) more(model);
    const auto modelId = b.Add(kTableModel, model);
    const auto table = b.Add(kTableInfo, TProtoWriter().Message(1, DrawableRecord(0, 0, 250, 60, 0)).Reference(2, modelId));
    const auto attachment = b.Add(kDrawableAttachment, TProtoWriter().Reference(1, table));
    b.Body(Storage("\xEF\xBF\xBC").Message(9, ObjectTable({{0, attachment}})));
}

// A stroke layer: the left edge of column line, a 2-point line down the first length rows.
TProtoWriter StrokeLayer(std::uint64_t line, std::uint64_t length) {
    return TProtoWriter().Varint(1, line).Message(
        2, TProtoWriter().Varint(1, 0).Varint(2, length).Message(3, TProtoWriter().Float(2, 2)));
}

}  // namespace

// Tables ask for work out of proportion to their bytes: every cell, every merge's cells and
// every border run's cells are paid from the read budget. Each case reads with a few and is
// refused with many, at once and before the cells are allocated.
TEST(ModernReader, TableWorkIsPaidFromTheBudget) {
    struct TCase {
        const char* Name;
        std::function<void(TDocumentBuilder&, int)> Build;
        int Few, Many;
    };
    const TCase cases[] = {
        {"empty cells, as many rows as Pages allows",
         [](TDocumentBuilder& b, int rows) { EmptyTable(b, static_cast<std::uint64_t>(rows), 30); }, 1000, 65535},
        {"merges over the whole table, again and again",
         [](TDocumentBuilder& b, int count) {
             EmptyTable(b, 1000, 30, [&](TProtoWriter& model) {
                 TProtoWriter tract;
                 tract.Message(3, TProtoWriter().Varint(1, 0).Varint(2, 29))
                     .Message(4, TProtoWriter().Varint(1, 0).Varint(2, 999));
                 const TProtoWriter node = TProtoWriter().Varint(1, 67).Message(40, tract);
                 TProtoWriter formulas;
                 for (int i = 0; i < count; ++i)
                     formulas.Message(3, TProtoWriter().Varint(1, static_cast<std::uint64_t>(i)).Message(
                                             2, TProtoWriter().Message(1, TProtoWriter().Message(1, node))));
                 model.Message(47, TProtoWriter().Message(2, formulas));
             });
         },
         3, 200},
        {"border layers, each down the whole table",
         [](TDocumentBuilder& b, int count) {
             TProtoWriter sidecar;
             for (int i = 0; i < count; ++i) sidecar.Reference(4, b.Add(types::kStrokeLayer, StrokeLayer(1, 1000)));
             const auto sidecarId = b.Add(types::kStrokeSidecar, sidecar);
             EmptyTable(b, 1000, 30, [&](TProtoWriter& model) { model.Reference(49, sidecarId); });
         },
         3, 5000},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TDocumentBuilder few;
        c.Build(few, c.Few);
        EXPECT_EQ(Message([&] { few.Read(); }), "no error");
        TDocumentBuilder many;
        c.Build(many, c.Many);
        EXPECT_EQ(Message([&] { many.Read(); }),
                  "The document asks for more objects, table cells and text than any real document holds");
    }
}

// A border layer named again draws the same line again: it is drawn once, however many times
// it is named, and both cells beside the line take it.
TEST(ModernReader, ABorderLayerNamedManyTimesIsDrawnOnce) {
    TDocumentBuilder b;
    const auto layer = b.Add(types::kStrokeLayer, StrokeLayer(1, 1000));
    TProtoWriter sidecar;
    for (int i = 0; i < 5000; ++i) sidecar.Reference(4, layer);
    const auto sidecarId = b.Add(types::kStrokeSidecar, sidecar);
    EmptyTable(b, 1000, 30, [&](TProtoWriter& model) { model.Reference(49, sidecarId); });
    const doc::TDocument d = b.Read();
    ASSERT_EQ(d.Tables.size(), 1u);
    const doc::TTable& t = d.Tables[0];
    for (std::size_t row : {0u, 999u}) {
        EXPECT_EQ(t.Cells[row][0].Right.Width, 2) << row;
        EXPECT_EQ(t.Cells[row][1].Left.Width, 2) << row;
        EXPECT_EQ(t.Cells[row][2].Left.Width, 0) << row;
    }
}
