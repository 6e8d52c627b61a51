#pragma once
// Field numbers of tables: the table and its model, the cell data store and its tiles, the
// data lists of strings, styles and formats, merges, strokes, and table styles' properties.
// Named once here; see ObjectTypes.h for the types. The bytes of a tile's cell records are
// laid out in Tables.cpp.

#include <cstdint>

#include "iwork/CommonFields.h"

namespace iwork::fields {

// A table (6000); a word-processing table (6007) wraps it in its field 1.
namespace table_info {
inline constexpr std::uint32_t kModel = 2;
}  // namespace table_info

namespace wp_table_info {
inline constexpr std::uint32_t kTableInfo = 1;
}  // namespace wp_table_info

// The table model (6001). Region defaults stand in the order body, header row, header
// column, footer row from their first field on.
namespace table_model {
inline constexpr std::uint32_t kTableStyle = 3;
inline constexpr std::uint32_t kDataStore = 4;
inline constexpr std::uint32_t kRows = 6;
inline constexpr std::uint32_t kColumns = 7;
inline constexpr std::uint32_t kName = 8;
inline constexpr std::uint32_t kHeaderRows = 9;
inline constexpr std::uint32_t kHeaderColumns = 10;
inline constexpr std::uint32_t kFooterRows = 11;
inline constexpr std::uint32_t kDefaultRowHeight = 16;
inline constexpr std::uint32_t kDefaultColumnWidth = 17;
inline constexpr std::uint32_t kFirstRegionCellStyle = 18;  // 18-21
inline constexpr std::uint32_t kFirstRegionTextStyle = 24;  // 24-27
inline constexpr std::uint32_t kMergeOwner = 47;
inline constexpr std::uint32_t kStrokeSidecar = 49;
}  // namespace table_model

namespace data_store {
inline constexpr std::uint32_t kRowHeaders = 1;
inline constexpr std::uint32_t kColumnHeaders = 2;  // a header storage bucket
inline constexpr std::uint32_t kTiles = 3;
inline constexpr std::uint32_t kStrings = 4;
inline constexpr std::uint32_t kStyles = 5;
inline constexpr std::uint32_t kRowTileTree = 9;
inline constexpr std::uint32_t kOldFormats = 11;
inline constexpr std::uint32_t kMergeRegionMap = 13;
inline constexpr std::uint32_t kRichText = 17;
inline constexpr std::uint32_t kFormats = 22;
}  // namespace data_store

namespace row_headers {
inline constexpr std::uint32_t kBuckets = 2;
}  // namespace row_headers

// A header storage bucket (6006): sizes of the rows or columns that have their own.
namespace header_bucket {
inline constexpr std::uint32_t kHeaders = 2;
}  // namespace header_bucket

namespace header {
inline constexpr std::uint32_t kIndex = 1;
inline constexpr std::uint32_t kSize = 2;
}  // namespace header

namespace tile_storage {
inline constexpr std::uint32_t kTiles = 1;
inline constexpr std::uint32_t kTileSize = 2;  // rows per tile
}  // namespace tile_storage

namespace tile_entry {
inline constexpr std::uint32_t kTileId = 1;
inline constexpr std::uint32_t kTile = 2;
}  // namespace tile_entry

// The row tree: the first row of each tile.
namespace row_tile_tree {
inline constexpr std::uint32_t kNodes = 1;
}  // namespace row_tile_tree

namespace row_tile_node {
inline constexpr std::uint32_t kFirstRow = 1;
inline constexpr std::uint32_t kTileId = 2;
}  // namespace row_tile_node

// A tile (6002) and its rows.
namespace tile {
inline constexpr std::uint32_t kRows = 5;
}  // namespace tile

namespace tile_row {
inline constexpr std::uint32_t kRowIndex = 1;  // within the tile
inline constexpr std::uint32_t kOldCellStorage = 3;
inline constexpr std::uint32_t kOldCellOffsets = 4;
inline constexpr std::uint32_t kCellStorage = 6;
inline constexpr std::uint32_t kCellOffsets = 7;
inline constexpr std::uint32_t kWideOffsets = 8;  // offsets in units of four bytes
}  // namespace tile_row

// A table data list (6005); long lists continue in segments.
namespace data_list {
inline constexpr std::uint32_t kEntries = 3;
inline constexpr std::uint32_t kSegments = 4;
}  // namespace data_list

namespace data_list_entry {
inline constexpr std::uint32_t kKey = 1;
inline constexpr std::uint32_t kString = 3;
inline constexpr std::uint32_t kReference = 4;  // a style; in older lists a rich text payload too
inline constexpr std::uint32_t kFormat = 6;
inline constexpr std::uint32_t kRichText = 9;
}  // namespace data_list_entry

namespace cell_format {
inline constexpr std::uint32_t kType = 1;  // 256 number, 257 currency, 258 percentage
inline constexpr std::uint32_t kDecimalPlaces = 2;  // 253 and beyond: as many as the value needs
inline constexpr std::uint32_t kCurrencyCode = 3;
inline constexpr std::uint32_t kThousandsSeparator = 5;
inline constexpr std::uint32_t kDatePattern = 14;
}  // namespace cell_format

// A cell's rich text (6218).
namespace rich_text_payload {
inline constexpr std::uint32_t kStorage = 1;
}  // namespace rich_text_payload

// Merges kept as formulas of the table's merge owner: a colon tract node whose absolute
// column and row ranges span the merged cells.
namespace merge_owner {
inline constexpr std::uint32_t kFormulas = 2;
}  // namespace merge_owner

namespace formula_list {
inline constexpr std::uint32_t kFormulas = 3;
}  // namespace formula_list

namespace formula {
inline constexpr std::uint32_t kArchive = 2;
}  // namespace formula

namespace formula_archive {
inline constexpr std::uint32_t kNodes = 1;
}  // namespace formula_archive

namespace formula_nodes {
inline constexpr std::uint32_t kNodes = 1;
}  // namespace formula_nodes

namespace formula_node {
inline constexpr std::uint32_t kType = 1;
inline constexpr std::uint64_t kColonTract = 67;  // a value of kType
inline constexpr std::uint32_t kTract = 40;
}  // namespace formula_node

namespace colon_tract {
inline constexpr std::uint32_t kColumns = 3;
inline constexpr std::uint32_t kRows = 4;
}  // namespace colon_tract

namespace tract_range {
inline constexpr std::uint32_t kBegin = 1;
inline constexpr std::uint32_t kEnd = 2;
}  // namespace tract_range

// The older place for merges (6144): packed cell ranges, the column in the high half.
namespace merge_region_map {
inline constexpr std::uint32_t kRanges = 1;
}  // namespace merge_region_map

namespace merge_range {
inline constexpr std::uint32_t kOrigin = 1;
inline constexpr std::uint32_t kSize = 2;
}  // namespace merge_range

namespace packed_cell {
inline constexpr std::uint32_t kPacked = 1;  // fixed32
}  // namespace packed_cell

// The table's own strokes (6305): layers (6306) along the edges of columns and rows.
namespace stroke_sidecar {
inline constexpr std::uint32_t kLeftColumnEdges = 4;
inline constexpr std::uint32_t kRightColumnEdges = 5;
inline constexpr std::uint32_t kTopRowEdges = 6;
inline constexpr std::uint32_t kBottomRowEdges = 7;
}  // namespace stroke_sidecar

namespace stroke_layer {
inline constexpr std::uint32_t kLine = 1;
inline constexpr std::uint32_t kRuns = 2;
}  // namespace stroke_layer

// A run covers cells along the layer's line.
namespace stroke_run {
inline constexpr std::uint32_t kOrigin = 1;  // an int32
inline constexpr std::uint32_t kLength = 2;
inline constexpr std::uint32_t kStroke = 3;
inline constexpr std::uint32_t kOrder = 4;
}  // namespace stroke_run

// A table style's (6003) properties: switches for which lines show, then the lines' strokes.
namespace table_style_properties {
inline constexpr std::uint32_t kVerticalLines = 33;
inline constexpr std::uint32_t kHorizontalLines = 34;
inline constexpr std::uint32_t kHeaderRowSeparator = 35;
inline constexpr std::uint32_t kHeaderColumnSeparator = 36;
inline constexpr std::uint32_t kFooterRowSeparator = 37;
inline constexpr std::uint32_t kTableBorder = 38;
inline constexpr std::uint32_t kFirstSwitch = 33;
inline constexpr std::uint32_t kLastSwitch = 44;

inline constexpr std::uint32_t kHeaderRowSeparatorStroke = 46;
inline constexpr std::uint32_t kHeaderRowBorderStroke = 47;
inline constexpr std::uint32_t kHeaderRowHorizontalStroke = 48;
inline constexpr std::uint32_t kHeaderRowVerticalStroke = 49;
inline constexpr std::uint32_t kHeaderColumnBorderStroke = 50;
inline constexpr std::uint32_t kHeaderColumnSeparatorStroke = 51;
inline constexpr std::uint32_t kHeaderColumnHorizontalStroke = 52;
inline constexpr std::uint32_t kHeaderColumnVerticalStroke = 53;
inline constexpr std::uint32_t kFooterRowSeparatorStroke = 54;
inline constexpr std::uint32_t kFooterRowBorderStroke = 55;
inline constexpr std::uint32_t kFooterRowHorizontalStroke = 56;
inline constexpr std::uint32_t kFooterRowVerticalStroke = 57;
inline constexpr std::uint32_t kBodyHorizontalBorderStroke = 58;
inline constexpr std::uint32_t kBodyVerticalBorderStroke = 59;
inline constexpr std::uint32_t kBodyHorizontalStroke = 60;
inline constexpr std::uint32_t kBodyVerticalStroke = 61;
inline constexpr std::uint32_t kFirstStroke = 46;
inline constexpr std::uint32_t kLastStroke = 61;
}  // namespace table_style_properties

}  // namespace iwork::fields
