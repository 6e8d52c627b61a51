#include "iwork/Tables.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <unordered_map>

#include "document/Limits.h"
#include "iwork/ObjectTypes.h"
#include "iwork/StyleFields.h"
#include "iwork/Stylesheet.h"
#include "iwork/TableFields.h"
#include "iwork/TextStorageReader.h"

namespace iwork::detail {

namespace {

using namespace fields;
namespace limits = doc::limits;

// Cell types of the tile records.
enum TCellType : std::uint8_t {
    ctEmpty = 0,
    ctNumber = 2,
    ctText = 3,
    ctDate = 5,
    ctBool = 6,
    ctDuration = 7,
    ctError = 8,
    ctRichText = 9,
    ctCurrency = 10,
};

struct TCellValue {
    std::uint8_t Type = ctEmpty;
    std::optional<double> Number, Seconds;
    std::optional<std::uint32_t> String, Rich, CellStyle, TextStyle, Format;
};

std::uint32_t ReadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

double ReadF64(const std::uint8_t* p) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | p[i];
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// IEEE 754-2008 decimal128 with a binary significand, as the tiles keep numbers.
double ReadDecimal128(const std::uint8_t* b) {
    const int exponent = (((b[15] & 0x7F) << 7) | (b[14] >> 1)) - 0x1820;
    double mantissa = b[14] & 1;
    for (int i = 13; i >= 0; --i)
        mantissa = mantissa * 256 + b[i];
    const double value = mantissa * std::pow(10.0, exponent);
    if (!std::isfinite(value))
        return 0;
    return (b[15] & 0x80) ? -value : value;
}

// A record of the current storage (version 5): 12 bytes of header, flags at 8, then
// the fields the flags name in ascending bit order.
std::optional<TCellValue> DecodeCell(std::span<const std::uint8_t> r) {
    if (r.size() < 12 || r[0] != 5)
        return std::nullopt;
    TCellValue v;
    v.Type = r[1];
    const std::uint32_t flags = ReadU32(r.data() + 8);
    std::size_t pos = 12;
    for (std::uint32_t bit = 1; bit != 0 && bit <= flags; bit <<= 1) {
        if (!(flags & bit))
            continue;
        const std::size_t size = bit == 1 ? 16 : bit == 2 || bit == 4 ? 8 : 4;
        if (pos + size > r.size())
            return std::nullopt;
        const std::uint8_t* p = r.data() + pos;
        switch (bit) {
        case 0x1: v.Number = ReadDecimal128(p); break;
        case 0x2: if (!v.Number) v.Number = ReadF64(p); break;
        case 0x4: v.Seconds = ReadF64(p); break;
        case 0x8: v.String = ReadU32(p); break;
        case 0x10: v.Rich = ReadU32(p); break;
        case 0x20: v.CellStyle = ReadU32(p); break;
        case 0x40: v.TextStyle = ReadU32(p); break;
        // Number, currency, date, duration, text and boolean formats.
        case 0x2000: case 0x4000: case 0x8000: case 0x10000:
            if (!v.Format) v.Format = ReadU32(p);
            break;
        default: break;
        }
        pos += size;
    }
    return v;
}

// Records of older storage (versions 0-4): flags at 4, the type at 2 (at 1 from version 4
// on, as in the current storage), fields at offsets from population counts of the flags
// (SheetJS notes, iwa/README.md).
std::optional<TCellValue> DecodeOldCell(std::span<const std::uint8_t> r) {
    if (r.size() < 8 || r[0] > 4)
        return std::nullopt;
    TCellValue v;
    v.Type = r[0] >= 4 ? r[1] : r[2];
    const std::uint32_t flags = ReadU32(r.data() + 4);
    const bool v3 = r[0] >= 2;
    const std::size_t base = v3 ? 12 : 8;
    auto at = [&](std::uint32_t mask1, std::uint32_t mask3, std::size_t size) -> const std::uint8_t* {
        const std::uint32_t before = flags & (v3 ? mask3 : mask1);
        // Every field before takes four bytes but the number (0x20), which takes eight.
        const std::size_t offset = base + std::popcount(before) * 4 + ((before & 0x20) ? 4 : 0);
        return offset + size <= r.size() ? r.data() + offset : nullptr;
    };
    if (flags & 0x200)
        if (auto p = at(0x018E, 0x0D8E, 4)) v.Rich = ReadU32(p);
    if (flags & 0x10)
        if (auto p = at(0x138E, 0x3F8E, 4)) v.String = ReadU32(p);
    if (flags & 0x20)
        if (auto p = at(0x139E, 0x3F9E, 8)) v.Number = ReadF64(p);
    if (flags & 0x40)
        if (auto p = at(0x13BE, 0x3FBE, 8)) v.Seconds = ReadF64(p);
    return v;
}

// Packed cell coordinates are fixed32 fields.
std::optional<std::uint32_t> Fixed32(const TMessage& message, std::uint32_t field) {
    std::optional<std::uint32_t> value;
    TProtoReader reader(message.Bytes());
    TProtoField f;
    while (reader.Next(f))
        if (f.Number == field && f.Type == TWireType::wtFixed32)
            value = static_cast<std::uint32_t>(f.Value);
    return value;
}

std::u16string Ascii(std::string_view s) { return std::u16string(s.begin(), s.end()); }

std::u16string CurrencySymbol(const std::string& code) {
    static const std::map<std::string, std::u16string> symbols = {
        {"USD", u"$"}, {"EUR", u"€"}, {"GBP", u"£"}, {"JPY", u"¥"}, {"CNY", u"¥"}, {"INR", u"₹"},
        {"KRW", u"₩"}, {"RUB", u"₽"}, {"CHF", u"CHF "}, {"CAD", u"$"}, {"AUD", u"$"}, {"BRL", u"R$"},
    };
    auto it = symbols.find(code);
    return it != symbols.end() ? it->second : Utf16(code) + u" ";
}

std::u16string FormatDuration(double seconds) {
    const bool negative = seconds < 0;
    auto total = static_cast<long long>(std::llround(std::min(std::abs(seconds), 1e15)));
    const long long days = total / 86400, hours = total / 3600 % 24, minutes = total / 60 % 60, secs = total % 60;
    std::string out;
    auto part = [&](long long v, const char* unit) {
        if (v == 0)
            return;
        if (!out.empty())
            out += ' ';
        out += std::to_string(v) + unit;
    };
    part(days, "d");
    part(hours, "h");
    part(minutes, "m");
    part(secs, "s");
    if (out.empty())
        out = "0s";
    return Ascii((negative ? "-" : "") + out);
}

doc::TBorder Border(const std::optional<doc::TStroke>& stroke) {
    doc::TBorder b;
    if (stroke) {
        b.Width = stroke->Width;
        b.Color = stroke->Color;
        b.Dash = stroke->Dash;
    }
    return b;
}

// A cell style's fill and strokes over what the cell has; the table's own strokes (its
// sidecar) come after and win.
void ApplyCellLook(doc::TCell& cell, const TCellLook& look) {
    if (look.Fill)
        cell.Fill = look.Fill;
    if (look.Top) cell.Top = Border(look.Top);
    if (look.Right) cell.Right = Border(look.Right);
    if (look.Bottom) cell.Bottom = Border(look.Bottom);
    if (look.Left) cell.Left = Border(look.Left);
}

// Region of a cell: 0 body, 1 header row, 2 header column, 3 footer row (a header row wins).
int Region(const doc::TTable& table, std::size_t row, std::size_t column) {
    const std::size_t rows = table.Cells.size();
    return static_cast<std::size_t>(table.HeaderRows) > row            ? 1
           : row + static_cast<std::size_t>(table.FooterRows) >= rows  ? 3
           : static_cast<std::size_t>(table.HeaderColumns) > column    ? 2
                                                                       : 0;
}

class TTableReader {
public:
    TTableReader(TReadContext& context, const TObject& info) : FContext(context), FInfo(info) {}
    std::size_t Read();

private:
    void ReadDataList(std::optional<std::uint64_t> id, std::unordered_map<std::uint32_t, TMessage>& into);
    void ReadSizes(const TMessage& store, doc::TTable& table, double defaultRow, double defaultColumn);
    void ReadCells(const TMessage& store, doc::TTable& table);
    void ReadRow(const TMessage& info, std::size_t row, doc::TTable& table);
    void ReadCell(const TCellValue& value, doc::TTable& table, std::size_t row, std::size_t column);
    void ReadRegionStyles(const TMessage& model);
    void ApplyRegionLooks(doc::TTable& table);
    void ReadMerges(const TMessage& model, const TMessage& store, doc::TTable& table);
    void ReadStyleLines(const TMessage& model, doc::TTable& table);
    void ReadBorders(const TMessage& model, doc::TTable& table);
    doc::TTextStorage CellText(const TCellValue& value, std::uint64_t paragraphStyle);
    std::u16string NumberText(const TCellValue& value);
    std::uint64_t StyleRef(std::optional<std::uint32_t> key) const;

    TReadContext& FContext;
    const TObject& FInfo;
    std::unordered_map<std::uint32_t, TMessage> FStrings, FRich, FStyles, FFormats;
    // Region defaults: body, header row, header column, footer row.
    std::uint64_t FTextStyles[4] = {}, FCellStyles[4] = {};
};

void TTableReader::ReadDataList(std::optional<std::uint64_t> id, std::unordered_map<std::uint32_t, TMessage>& into) {
    if (!id)
        return;
    const TObject& list = FContext.Expect(*id, {types::kTableDataList}, L"table data list");
    auto add = [&](const TMessage& holder) {
        for (const auto& entry : holder.Messages(data_list::kEntries))
            if (auto key = entry.Varint(data_list_entry::kKey))
                into.insert_or_assign(static_cast<std::uint32_t>(*key), entry);
    };
    add(list.Payload);
    // Long lists continue in segments.
    for (std::uint64_t segment : list.Payload.References(data_list::kSegments))
        if (const TObject* s = FContext.Store.Find(segment))
            add(s->Payload);
}

std::uint64_t TTableReader::StyleRef(std::optional<std::uint32_t> key) const {
    if (!key)
        return 0;
    auto it = FStyles.find(*key);
    return it == FStyles.end() ? 0 : it->second.Reference(data_list_entry::kReference).value_or(0);
}

void TTableReader::ReadSizes(const TMessage& store, doc::TTable& table, double defaultRow, double defaultColumn) {
    std::fill(table.RowHeights.begin(), table.RowHeights.end(), defaultRow);
    std::fill(table.ColumnWidths.begin(), table.ColumnWidths.end(), defaultColumn);
    auto apply = [&](std::uint64_t bucketId, std::vector<double>& sizes) {
        const TObject* bucket = FContext.Store.Find(bucketId);
        if (!bucket || bucket->Type != types::kHeaderStorageBucket)
            return;
        for (const auto& stored : bucket->Payload.Messages(header_bucket::kHeaders)) {
            auto index = stored.Varint(header::kIndex);
            auto size = Float(stored, header::kSize);
            if (index && *index < sizes.size() && size && *size > 0)
                sizes[*index] = *size;
        }
    };
    if (auto rows = store.Message(data_store::kRowHeaders))
        for (std::uint64_t bucket : rows->References(row_headers::kBuckets))
            apply(bucket, table.RowHeights);
    if (auto columns = store.Reference(data_store::kColumnHeaders))
        apply(*columns, table.ColumnWidths);
}

std::u16string TTableReader::NumberText(const TCellValue& value) {
    const double number = value.Number.value_or(0);
    std::optional<TMessage> format;
    if (value.Format)
        if (auto it = FFormats.find(*value.Format); it != FFormats.end())
            format = it->second.Message(data_list_entry::kFormat);
    const auto type = format ? format->Varint(cell_format::kType).value_or(256) : 256;
    auto places = format ? format->Varint(cell_format::kDecimalPlaces) : std::nullopt;
    // 253 and beyond mean "as many as the value needs".
    const int decimals = places && *places < 20 ? static_cast<int>(*places) : -1;
    const bool thousands = format && format->Bool(cell_format::kThousandsSeparator).value_or(false);
    if (value.Type == ctCurrency || type == 257) {
        const std::string code = format ? format->String(cell_format::kCurrencyCode).value_or("USD") : "USD";
        return FormatNumber(number, decimals < 0 ? 2 : decimals, thousands, CurrencySymbol(code));
    }
    if (type == 258)
        return FormatNumber(number * 100, decimals, thousands, {}, u"%");
    return FormatNumber(number, decimals, thousands);
}

doc::TTextStorage TTableReader::CellText(const TCellValue& value, std::uint64_t paragraphStyle) {
    std::u16string text;
    switch (value.Type) {
    case ctText:
        if (value.String)
            if (auto it = FStrings.find(*value.String); it != FStrings.end())
                text = Utf16(it->second.String(data_list_entry::kString).value_or(""));
        break;
    case ctRichText: {
        if (!value.Rich)
            break;
        auto it = FRich.find(*value.Rich);
        if (it == FRich.end())
            break;
        // The entry's payload field; older lists keep it in the general reference field.
        auto payload = it->second.Reference(data_list_entry::kRichText);
        if (!payload)
            payload = it->second.Reference(data_list_entry::kReference);
        if (!payload)
            break;
        const TObject& rich =
            FContext.Expect(*payload, {types::kRichTextPayload, types::kTextStorage}, L"cell's rich text");
        auto storage =
            rich.Type == types::kTextStorage ? std::optional(rich.Id) : rich.Payload.Reference(rich_text_payload::kStorage);
        if (storage)
            return ReadTextStorage(FContext, *storage, TStorageRole::srCell, paragraphStyle);
        break;
    }
    case ctNumber:
    case ctCurrency:
        text = NumberText(value);
        break;
    case ctDate: {
        std::string pattern = "d MMM yyyy";
        if (value.Format)
            if (auto it = FFormats.find(*value.Format); it != FFormats.end())
                if (auto format = it->second.Message(data_list_entry::kFormat))
                    if (auto p = format->String(cell_format::kDatePattern); p && !p->empty())
                        pattern = *p;
        text = FormatDate(value.Seconds.value_or(0), pattern);
        break;
    }
    case ctBool:
        text = value.Number.value_or(0) > 0 ? u"TRUE" : u"FALSE";
        break;
    case ctDuration:
        text = FormatDuration(value.Number.value_or(0));
        break;
    default:
        break;
    }
    if (text.empty())
        return {};
    return PlainText(FContext, text, paragraphStyle);
}

void TTableReader::ReadCells(const TMessage& store, doc::TTable& table) {
    const std::size_t rows = table.Cells.size();
    auto tiles = store.Message(data_store::kTiles);
    if (!tiles)
        return;
    const std::uint64_t tileSize = std::max<std::uint64_t>(tiles->Varint(tile_storage::kTileSize).value_or(256), 1);
    // Row tree: the first row of each tile, by tile identifier.
    std::unordered_map<std::uint64_t, std::uint64_t> firstRows;
    if (auto tree = store.Message(data_store::kRowTileTree))
        for (const auto& node : tree->Messages(row_tile_tree::kNodes)) {
            const auto key = node.Varint(row_tile_node::kFirstRow), value = node.Varint(row_tile_node::kTileId);
            if (key && value)
                firstRows.emplace(*value, *key);
        }
    for (const auto& entry : tiles->Messages(tile_storage::kTiles)) {
        const auto tileId = entry.Varint(tile_entry::kTileId).value_or(0);
        auto ref = entry.Reference(tile_entry::kTile);
        if (!ref)
            continue;
        const TObject& object = FContext.Expect(*ref, {types::kTile}, L"table tile");
        auto first = firstRows.find(tileId);
        const std::uint64_t firstRow = first != firstRows.end() ? first->second : tileId * tileSize;
        for (const auto& info : object.Payload.Messages(tile::kRows)) {
            const std::uint64_t row = firstRow + info.Varint(tile_row::kRowIndex).value_or(0);
            if (row < rows)
                ReadRow(info, static_cast<std::size_t>(row), table);
        }
    }
}

void TTableReader::ReadRow(const TMessage& info, std::size_t row, doc::TTable& table) {
    auto buffer = info.Message(tile_row::kCellStorage), offsets = info.Message(tile_row::kCellOffsets);
    const bool current = buffer && offsets;
    if (!current) {
        buffer = info.Message(tile_row::kOldCellStorage);
        offsets = info.Message(tile_row::kOldCellOffsets);
    }
    if (!buffer || !offsets)
        return;
    const bool wide = info.Bool(tile_row::kWideOffsets).value_or(false);
    const auto bytes = buffer->Bytes();
    const auto offsetBytes = offsets->Bytes();
    const std::size_t count = std::min(offsetBytes.size() / 2, table.ColumnWidths.size());
    // A record runs from its offset to the next column's (0xFFFF: no record).
    std::vector<std::size_t> starts(count, SIZE_MAX);
    for (std::size_t c = 0; c < count; ++c) {
        const std::uint16_t raw = offsetBytes[2 * c] | offsetBytes[2 * c + 1] << 8;
        if (raw != 0xFFFF)
            starts[c] = wide ? std::size_t(raw) * 4 : raw;
    }
    for (std::size_t c = 0; c < count; ++c) {
        if (starts[c] == SIZE_MAX || starts[c] >= bytes.size())
            continue;
        std::size_t end = bytes.size();
        for (std::size_t k = c + 1; k < count; ++k)
            if (starts[k] != SIZE_MAX && starts[k] > starts[c]) {
                end = std::min(end, starts[k]);
                break;
            }
        auto record = bytes.subspan(starts[c], end - starts[c]);
        if (auto value = current ? DecodeCell(record) : DecodeOldCell(record))
            ReadCell(*value, table, row, c);
    }
}

void TTableReader::ReadCell(const TCellValue& value, doc::TTable& table, std::size_t row, std::size_t column) {
    doc::TCell& cell = table.Cells[row][column];
    std::uint64_t textStyle = StyleRef(value.TextStyle);
    if (textStyle == 0 || FContext.Store.Find(textStyle) == nullptr ||
        FContext.Store.Find(textStyle)->Type != types::kParagraphStyle)
        textStyle = FTextStyles[Region(table, row, column)];
    cell.Text = CellText(value, textStyle);
    if (std::uint64_t cellStyle = StyleRef(value.CellStyle); cellStyle != 0) {
        const TObject* style = FContext.Store.Find(cellStyle);
        if (style && style->Type == types::kCellStyle)
            ApplyCellLook(cell, FContext.Styles().Cell(cellStyle));
    }
}

void TTableReader::ReadMerges(const TMessage& model, const TMessage& store, doc::TTable& table) {
    struct TRange {
        std::uint64_t Row, Column, Rows, Columns;
    };
    std::vector<TRange> ranges;
    // Merges are kept as formulas of the table's merge owner: a colon tract node whose
    // absolute column and row ranges span the merged cells.
    if (auto owner = model.Message(table_model::kMergeOwner))
        if (auto formulas = owner->Message(merge_owner::kFormulas))
            for (const auto& stored : formulas->Messages(formula_list::kFormulas)) {
                auto archive = stored.Message(formula::kArchive);
                auto nodes = archive ? archive->Message(formula_archive::kNodes) : std::nullopt;
                if (!nodes)
                    continue;
                for (const auto& node : nodes->Messages(formula_nodes::kNodes)) {
                    if (node.Varint(formula_node::kType).value_or(0) != formula_node::kColonTract)
                        continue;
                    auto tract = node.Message(formula_node::kTract);
                    auto column = tract ? tract->Message(colon_tract::kColumns) : std::nullopt;
                    auto row = tract ? tract->Message(colon_tract::kRows) : std::nullopt;
                    if (!column || !row)
                        continue;
                    const auto c0 = column->Varint(tract_range::kBegin).value_or(0),
                               c1 = column->Varint(tract_range::kEnd).value_or(c0);
                    const auto r0 = row->Varint(tract_range::kBegin).value_or(0),
                               r1 = row->Varint(tract_range::kEnd).value_or(r0);
                    if (c1 >= c0 && r1 >= r0)
                        ranges.push_back({r0, c0, r1 - r0 + 1, c1 - c0 + 1});
                }
            }
    // The older place: packed cell ranges (column in the high half).
    if (auto mapId = store.Reference(data_store::kMergeRegionMap))
        if (const TObject* map = FContext.Store.Find(*mapId); map && map->Type == types::kMergeRegionMap)
            for (const auto& range : map->Payload.Messages(merge_region_map::kRanges)) {
                auto origin = range.Message(merge_range::kOrigin), size = range.Message(merge_range::kSize);
                if (!origin || !size)
                    continue;
                const std::uint32_t o = Fixed32(*origin, packed_cell::kPacked).value_or(0),
                                    s = Fixed32(*size, packed_cell::kPacked).value_or(0);
                ranges.push_back({o & 0xFFFFu, o >> 16, s & 0xFFFFu, s >> 16});
            }
    const std::uint64_t rows = table.Cells.size(), columns = table.ColumnWidths.size();
    for (const auto& r : ranges) {
        if (r.Row >= rows || r.Column >= columns || r.Rows == 0 || r.Columns == 0 || (r.Rows == 1 && r.Columns == 1))
            continue;
        const auto rowEnd = std::min(rows, r.Row + r.Rows), columnEnd = std::min(columns, r.Column + r.Columns);
        // Each merge visits its cells: thousands of merges over one large range cost their cells each time.
        FContext.Budget.Charge(static_cast<std::size_t>((rowEnd - r.Row) * (columnEnd - r.Column)) * limits::price::kCellVisit);
        for (auto i = r.Row; i < rowEnd; ++i)
            for (auto j = r.Column; j < columnEnd; ++j) {
                table.Cells[i][j].RowSpan = table.Cells[i][j].ColumnSpan = 0;
            }
        auto& anchor = table.Cells[r.Row][r.Column];
        anchor.RowSpan = static_cast<int>(rowEnd - r.Row);
        anchor.ColumnSpan = static_cast<int>(columnEnd - r.Column);
    }
}

void TTableReader::ReadStyleLines(const TMessage& model, doc::TTable& table) {
    using namespace fields::table_style_properties;
    auto styleId = model.Reference(table_model::kTableStyle);
    const TObject* style = styleId ? FContext.Store.Find(*styleId) : nullptr;
    if (!style || style->Type != types::kTableStyle)
        return;
    const TTableLook look = FContext.Styles().Table(style->Id);
    const int rows = static_cast<int>(table.Cells.size()), columns = static_cast<int>(table.ColumnWidths.size());
    const int header = table.HeaderRows, footer = rows - table.FooterRows, headerColumns = table.HeaderColumns;
    auto line = [&](std::uint32_t field, bool visible) {
        return visible ? Border(look.Stroke(field)) : doc::TBorder{};
    };
    const bool border = look.On(kTableBorder, true);
    // The line above row r (r == rows: below the last row), for the cells of column c.
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c < columns; ++c) {
            doc::TBorder b;
            if (r == 0 || r == rows)
                b = line(kBodyHorizontalBorderStroke, border);
            else if (r == header)
                b = line(kHeaderRowSeparatorStroke, look.On(kHeaderRowSeparator, true));
            else if (r == footer)
                b = line(kFooterRowSeparatorStroke, look.On(kFooterRowSeparator, true));
            else if (r < header)
                b = line(kHeaderRowHorizontalStroke, look.On(kHorizontalLines, true));
            else if (r > footer)
                b = line(kFooterRowHorizontalStroke, look.On(kHorizontalLines, true));
            else
                b = line(c < headerColumns ? kHeaderColumnHorizontalStroke : kBodyHorizontalStroke,
                         look.On(kHorizontalLines, true));
            if (r < rows) table.Cells[r][c].Top = b;
            if (r > 0) table.Cells[r - 1][c].Bottom = b;
        }
    // The line left of column c (c == columns: right of the last column), for row r.
    for (int c = 0; c <= columns; ++c)
        for (int r = 0; r < rows; ++r) {
            doc::TBorder b;
            if (c == 0 || c == columns)
                b = line(kBodyVerticalBorderStroke, border);
            else if (c == headerColumns)
                b = line(kHeaderColumnSeparatorStroke, look.On(kHeaderColumnSeparator, true));
            else if (r < header)
                b = line(kHeaderRowVerticalStroke, look.On(kVerticalLines, true));
            else if (r >= footer)
                b = line(kFooterRowVerticalStroke, look.On(kVerticalLines, true));
            else
                b = line(c < headerColumns ? kHeaderColumnVerticalStroke : kBodyVerticalStroke,
                         look.On(kVerticalLines, true));
            if (c < columns) table.Cells[r][c].Left = b;
            if (c > 0) table.Cells[r][c - 1].Right = b;
        }
}

void TTableReader::ReadBorders(const TMessage& model, doc::TTable& table) {
    auto sidecarId = model.Reference(table_model::kStrokeSidecar);
    const TObject* sidecar = sidecarId ? FContext.Store.Find(*sidecarId) : nullptr;
    if (!sidecar || sidecar->Type != types::kStrokeSidecar)
        return;
    const std::int64_t rows = static_cast<std::int64_t>(table.Cells.size());
    const std::int64_t columns = static_cast<std::int64_t>(table.ColumnWidths.size());
    using namespace fields::stroke_sidecar;
    struct TRun {
        std::uint32_t Field;
        std::int64_t Line, Origin, Length;
        std::uint64_t Order;
        doc::TBorder Border;
    };
    std::vector<TRun> runs;
    // A layer named again draws the same lines again: once is enough.
    std::set<std::pair<std::uint32_t, std::uint64_t>> seen;
    for (std::uint32_t field : {kLeftColumnEdges, kRightColumnEdges, kTopRowEdges, kBottomRowEdges})
        for (std::uint64_t layerId : sidecar->Payload.References(field)) {
            const TObject* layer = FContext.Store.Find(layerId);
            if (!layer || layer->Type != types::kStrokeLayer || !seen.emplace(field, layerId).second)
                continue;
            const auto line =
                static_cast<std::int64_t>(std::min<std::uint64_t>(layer->Payload.Varint(stroke_layer::kLine).value_or(0), 1 << 20));
            for (const auto& run : layer->Payload.Messages(stroke_layer::kRuns)) {
                auto stroke = run.Message(stroke_run::kStroke);
                // The origin is an int32: negative values come as ten-byte varints.
                const auto origin = static_cast<std::int32_t>(run.Varint(stroke_run::kOrigin).value_or(0));
                const auto length =
                    static_cast<std::int64_t>(std::min<std::uint64_t>(run.Varint(stroke_run::kLength).value_or(0), 1 << 20));
                runs.push_back({field, line, origin, length, run.Varint(stroke_run::kOrder).value_or(0),
                                Border(stroke ? ReadStroke(*stroke) : std::nullopt)});
            }
        }
    std::stable_sort(runs.begin(), runs.end(), [](const TRun& a, const TRun& b) { return a.Order < b.Order; });
    for (const auto& run : runs) {
        const bool vertical = run.Field == kLeftColumnEdges || run.Field == kRightColumnEdges;
        // The line between two cells: both sides take the border.
        const std::int64_t before =
            run.Field == kLeftColumnEdges || run.Field == kTopRowEdges ? run.Line - 1 : run.Line;
        const std::int64_t after = before + 1;
        const std::int64_t limit = vertical ? rows : columns;
        const std::int64_t end = std::min(run.Origin + run.Length, limit);
        const std::int64_t covered = std::max<std::int64_t>(end - std::max<std::int64_t>(run.Origin, 0), 0);
        FContext.Budget.Charge(static_cast<std::size_t>(covered) * limits::price::kCellVisit + limits::price::kStrokeRun);
        for (std::int64_t k = std::max<std::int64_t>(run.Origin, 0); k < end; ++k) {
            if (vertical) {
                if (before >= 0 && before < columns) table.Cells[k][before].Right = run.Border;
                if (after >= 0 && after < columns) table.Cells[k][after].Left = run.Border;
            } else {
                if (before >= 0 && before < rows) table.Cells[before][k].Bottom = run.Border;
                if (after >= 0 && after < rows) table.Cells[after][k].Top = run.Border;
            }
        }
    }
}

// Each region's default text and cell styles: body, header row, header column, footer row.
void TTableReader::ReadRegionStyles(const TMessage& model) {
    for (std::uint32_t region = 0; region < 4; ++region) {
        auto text = model.Reference(table_model::kFirstRegionTextStyle + region);
        const TObject* t = text ? FContext.Store.Find(*text) : nullptr;
        FTextStyles[region] = t && t->Type == types::kParagraphStyle ? t->Id : 0;
        auto cell = model.Reference(table_model::kFirstRegionCellStyle + region);
        const TObject* c = cell ? FContext.Store.Find(*cell) : nullptr;
        FCellStyles[region] = c && c->Type == types::kCellStyle ? c->Id : 0;
    }
}

void TTableReader::ApplyRegionLooks(doc::TTable& table) {
    for (std::size_t r = 0; r < table.Cells.size(); ++r)
        for (std::size_t c = 0; c < table.ColumnWidths.size(); ++c)
            if (const std::uint64_t style = FCellStyles[Region(table, r, c)]; style != 0)
                ApplyCellLook(table.Cells[r][c], FContext.Styles().Cell(style));
}

std::size_t TTableReader::Read() {
    // A word-processing table wraps the table record.
    std::optional<TMessage> info(FInfo.Payload);
    if (FInfo.Type == types::kWpTableInfo)
        info = FInfo.Payload.Message(wp_table_info::kTableInfo);
    auto modelId = info ? info->Reference(table_info::kModel) : std::nullopt;
    if (!modelId)
        Damaged(L"table " + std::to_wstring(FInfo.Id) + L" has no table model");
    const TObject& modelObject = FContext.Expect(*modelId, {types::kTableModel}, L"table model");
    const TMessage& model = modelObject.Payload;

    const std::uint64_t rows = model.Varint(table_model::kRows).value_or(0),
                        columns = model.Varint(table_model::kColumns).value_or(0);
    if (rows > limits::kMaxTableRows || columns > limits::kMaxTableColumns || rows * columns > limits::kMaxTableCells)
        Damaged(L"table " + std::to_wstring(modelObject.Id) + L" claims " + std::to_wstring(rows) + L" rows and " +
                std::to_wstring(columns) + L" columns");
    FContext.Budget.Charge(static_cast<std::size_t>(rows * columns) * limits::price::kTableCell);
    doc::TTable table;
    if (auto name = model.String(table_model::kName))
        table.Name = Wide(*name);
    table.HeaderRows = static_cast<int>(std::min<std::uint64_t>(model.Varint(table_model::kHeaderRows).value_or(0), rows));
    table.HeaderColumns =
        static_cast<int>(std::min<std::uint64_t>(model.Varint(table_model::kHeaderColumns).value_or(0), columns));
    const std::uint64_t bodyRows = rows - static_cast<std::uint64_t>(table.HeaderRows);
    table.FooterRows =
        static_cast<int>(std::min<std::uint64_t>(model.Varint(table_model::kFooterRows).value_or(0), bodyRows));
    table.RowHeights.resize(rows);
    table.ColumnWidths.resize(columns);
    table.Cells.assign(rows, std::vector<doc::TCell>(columns));

    ReadRegionStyles(model);

    auto store = model.Message(table_model::kDataStore);
    if (!store)
        Damaged(L"table " + std::to_wstring(modelObject.Id) + L" has no cell data");
    ReadSizes(*store, table, std::max(0.0, Float(model, table_model::kDefaultRowHeight, 18)),
              std::max(0.0, Float(model, table_model::kDefaultColumnWidth, 72)));
    ReadDataList(store->Reference(data_store::kStrings), FStrings);
    ReadDataList(store->Reference(data_store::kRichText), FRich);
    ReadDataList(store->Reference(data_store::kStyles), FStyles);
    ReadDataList(store->Reference(data_store::kFormats) ? store->Reference(data_store::kFormats)
                                                         : store->Reference(data_store::kOldFormats),
                 FFormats);

    // The table style's lines, then region styles, then each cell's own style over them;
    // the table's own strokes come last.
    ReadStyleLines(model, table);
    ApplyRegionLooks(table);
    ReadCells(*store, table);
    ReadMerges(model, *store, table);
    ReadBorders(model, table);

    FContext.Doc.Tables.push_back(std::move(table));
    return FContext.Doc.Tables.size() - 1;
}

// Days since 1970-01-01 -> civil date (Howard Hinnant's algorithm).
void CivilFromDays(long long z, int& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yy + (m <= 2));
}

// Quoted text of a date pattern, from the quote at i, is literal; a doubled quote is a quote,
// inside quotes or out. Returns where the pattern goes on.
std::size_t AppendQuoted(std::string_view pattern, std::size_t i, std::string& out) {
    if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
        out += '\'';
        return i + 2;
    }
    for (++i; i < pattern.size(); ++i) {
        if (pattern[i] != '\'') {
            out += pattern[i];
        } else if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
            out += '\'';
            ++i;
        } else {
            return i + 1;
        }
    }
    return i;
}

}  // namespace

std::u16string FormatNumber(double value, int decimals, bool thousands, std::u16string_view prefix,
                            std::u16string_view suffix) {
    if (!std::isfinite(value))
        value = 0;
    char buffer[64];
    if (decimals >= 0) {
        std::snprintf(buffer, sizeof buffer, "%.*f", std::min(decimals, 15), std::abs(value));
    } else {
        // As many digits as the value needs, up to double's precision.
        std::snprintf(buffer, sizeof buffer, "%.15g", std::abs(value));
    }
    std::string digits = buffer;
    if (thousands && digits.find('e') == std::string::npos) {
        const auto dot = digits.find('.');
        std::string integer = digits.substr(0, dot), rest = dot == std::string::npos ? "" : digits.substr(dot);
        std::string grouped;
        for (std::size_t i = 0; i < integer.size(); ++i) {
            if (i > 0 && (integer.size() - i) % 3 == 0)
                grouped += ',';
            grouped += integer[i];
        }
        digits = grouped + rest;
    }
    const bool negative = value < 0 && digits.find_first_not_of("0.,") != std::string::npos;
    std::u16string out;
    if (negative)
        out += u'-';
    out += prefix;
    out += Ascii(digits);
    out += suffix;
    return out;
}

std::u16string FormatDate(double seconds, std::string_view pattern) {
    if (!std::isfinite(seconds) || std::abs(seconds) > 1e13)
        seconds = 0;
    // 2001-01-01 is day 11323 after 1970-01-01.
    const double days = std::floor(seconds / 86400);
    const long long day = static_cast<long long>(days) + 11323;
    long long within = static_cast<long long>(seconds - days * 86400);
    int year;
    unsigned month, dayOfMonth;
    CivilFromDays(day, year, month, dayOfMonth);
    const int hour = static_cast<int>(within / 3600), minute = static_cast<int>(within / 60 % 60),
              second = static_cast<int>(within % 60);
    const int weekday = static_cast<int>(((day % 7) + 7 + 4) % 7);  // 1970-01-01 was a Thursday
    static const char* months[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
    static const char* weekdays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    std::string out;
    auto number = [&](long long v, std::size_t width) {
        std::string s = std::to_string(v);
        if (s.size() < width)
            s.insert(0, width - s.size(), '0');
        out += s;
    };
    for (std::size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        std::size_t n = 1;
        while (i + n < pattern.size() && pattern[i + n] == c)
            ++n;
        if (c == '\'') {
            i = AppendQuoted(pattern, i, out);
            continue;
        }
        switch (c) {
        case 'y': n == 2 ? number(((year % 100) + 100) % 100, 2) : number(year, n); break;
        case 'M':
        case 'L':
            if (n >= 4) out += months[month - 1];
            else if (n == 3) out += std::string(months[month - 1]).substr(0, 3);
            else number(month, n);
            break;
        case 'd': number(dayOfMonth, n); break;
        case 'E':
            out += n >= 4 ? std::string(weekdays[weekday]) : std::string(weekdays[weekday]).substr(0, 3);
            break;
        case 'H': number(hour, n); break;
        case 'h': number(hour % 12 == 0 ? 12 : hour % 12, n); break;
        case 'm': number(minute, n); break;
        case 's': number(second, n); break;
        case 'a': out += hour < 12 ? "AM" : "PM"; break;
        default: out.append(n, c); break;
        }
        i += n;
    }
    return Utf16(out);
}

std::size_t ReadTable(TReadContext& context, const TObject& tableInfo) {
    return TTableReader(context, tableInfo).Read();
}

}  // namespace iwork::detail
