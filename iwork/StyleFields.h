#pragma once
// Field numbers of styles and of the properties they carry: the common style record,
// character and paragraph properties, lists, columns, shapes, media and cells, and the
// colours, fills and strokes inside them. Named once here; see ObjectTypes.h for the types.
// Table styles' own properties are in TableFields.h.

#include <cstdint>

#include "iwork/CommonFields.h"

namespace iwork::fields {

// Every style's field 1 (a text shape style and a table of contents' entry style wrap it one
// level deeper).
namespace style {
inline constexpr std::uint32_t kRecord = 1;
inline constexpr std::uint32_t kProperties = 11;  // character, column, shape, media, cell, table properties
}  // namespace style

namespace style_record {
inline constexpr std::uint32_t kName = 1;
inline constexpr std::uint32_t kIdentifier = 2;
inline constexpr std::uint32_t kParent = 3;
inline constexpr std::uint32_t kIsVariation = 4;
}  // namespace style_record

// A paragraph style (2022).
namespace paragraph_style {
inline constexpr std::uint32_t kRecord = 1;
inline constexpr std::uint32_t kCharacterProperties = 11;
inline constexpr std::uint32_t kParagraphProperties = 12;
}  // namespace paragraph_style

// A table of contents' entry style (2026): a paragraph style inside.
namespace toc_entry_style {
inline constexpr std::uint32_t kParagraphStyle = 1;
}  // namespace toc_entry_style

// A text shape style (2025): a shape style inside, then the text's own properties.
namespace text_shape_style {
inline constexpr std::uint32_t kShapeStyle = 1;
inline constexpr std::uint32_t kTextProperties = 11;
}  // namespace text_shape_style

namespace text_shape_properties {
inline constexpr std::uint32_t kPadding = 6;
inline constexpr std::uint32_t kParagraphStyle = 10;
}  // namespace text_shape_properties

namespace padding {
inline constexpr std::uint32_t kLeft = 1;
}  // namespace padding

// A shape style's (3015) properties.
namespace shape_properties {
inline constexpr std::uint32_t kFill = 1;
inline constexpr std::uint32_t kStroke = 2;
inline constexpr std::uint32_t kOpacity = 3;
}  // namespace shape_properties

// A media style's (3016) properties.
namespace media_properties {
inline constexpr std::uint32_t kStroke = 1;
}  // namespace media_properties

// A cell style's (6004) properties.
namespace cell_properties {
inline constexpr std::uint32_t kFill = 1;
inline constexpr std::uint32_t kTopStroke = 10;
inline constexpr std::uint32_t kRightStroke = 11;
inline constexpr std::uint32_t kBottomStroke = 12;
inline constexpr std::uint32_t kLeftStroke = 13;
}  // namespace cell_properties

// Character properties. A "null" flag clears what a parent style set.
namespace character_properties {
inline constexpr std::uint32_t kBold = 1;
inline constexpr std::uint32_t kItalic = 2;
inline constexpr std::uint32_t kFontSize = 3;
inline constexpr std::uint32_t kFontNameNull = 4;
inline constexpr std::uint32_t kFontName = 5;  // PostScript name
inline constexpr std::uint32_t kColorNull = 6;
inline constexpr std::uint32_t kColor = 7;
inline constexpr std::uint32_t kSuperscript = 10;  // 1 superscript, 2 subscript
inline constexpr std::uint32_t kUnderline = 11;
inline constexpr std::uint32_t kStrikethrough = 12;
inline constexpr std::uint32_t kCapitalization = 13;  // 1 all caps, 2 small caps, 3 title
inline constexpr std::uint32_t kBaselineShift = 14;
inline constexpr std::uint32_t kBackgroundNull = 25;
inline constexpr std::uint32_t kBackground = 26;
inline constexpr std::uint32_t kTracking = 27;
}  // namespace character_properties

// Paragraph properties.
namespace paragraph_properties {
inline constexpr std::uint32_t kAlignment = 1;  // 0 left, 1 right, 2 centre, 3 justified, 4 natural
inline constexpr std::uint32_t kDefaultTabInterval = 4;
inline constexpr std::uint32_t kFillNull = 5;
inline constexpr std::uint32_t kFill = 6;
inline constexpr std::uint32_t kFirstLineIndent = 7;
inline constexpr std::uint32_t kHyphenate = 8;  // false: the style's "remove hyphenation"
inline constexpr std::uint32_t kKeepLinesTogether = 9;
inline constexpr std::uint32_t kKeepWithNext = 10;
inline constexpr std::uint32_t kLeftIndent = 11;
inline constexpr std::uint32_t kLineSpacing = 13;
inline constexpr std::uint32_t kPageBreakBefore = 14;
inline constexpr std::uint32_t kBorderKind = 15;  // 0 none, 1 above, 2 below, 3 above and below, 4 a box
inline constexpr std::uint32_t kBorderOffset = 17;  // a point
inline constexpr std::uint32_t kRightIndent = 19;
inline constexpr std::uint32_t kSpaceAfter = 20;
inline constexpr std::uint32_t kSpaceBefore = 21;
inline constexpr std::uint32_t kTabsNull = 24;
inline constexpr std::uint32_t kTabs = 25;
inline constexpr std::uint32_t kWidowControl = 26;
inline constexpr std::uint32_t kOutlineLevel = 27;  // 0-8 on headings, 0xFFFFFFFF on body text
inline constexpr std::uint32_t kBorderStrokeNull = 31;
inline constexpr std::uint32_t kBorderStroke = 32;
inline constexpr std::uint32_t kListStyleNull = 39;
inline constexpr std::uint32_t kListStyle = 40;
inline constexpr std::uint32_t kBorderSides = 45;  // newer documents: 1 above, presumably 2 below, 4 left, 8 right
inline constexpr std::uint32_t kBorderRounded = 46;
}  // namespace paragraph_properties

namespace line_spacing {
inline constexpr std::uint32_t kMode = 1;  // 0 relative, 1 at least, 2 and 3 exactly, 4 between
inline constexpr std::uint32_t kAmount = 2;
inline constexpr std::uint32_t kBaselineRule = 3;
}  // namespace line_spacing

namespace tabs {
inline constexpr std::uint32_t kStops = 1;
}  // namespace tabs

namespace tab_stop {
inline constexpr std::uint32_t kPosition = 1;
inline constexpr std::uint32_t kAlignment = 2;  // 0 left, 1 centre, 2 right, 3 decimal
inline constexpr std::uint32_t kLeader = 3;
}  // namespace tab_stop

// A list style (2023): one value per level in each.
namespace list_style {
inline constexpr std::uint32_t kLabelTypes = 11;  // 0 none, 1 image, 2 string, 3 number
inline constexpr std::uint32_t kTextIndents = 12;  // in ems of the paragraph's font size
inline constexpr std::uint32_t kIndents = 13;
inline constexpr std::uint32_t kNumberTypes = 15;
inline constexpr std::uint32_t kBulletStrings = 16;
inline constexpr std::uint32_t kTieredNumbers = 25;
}  // namespace list_style

// A column style's (2024) properties and its columns.
namespace column_properties {
inline constexpr std::uint32_t kColumns = 7;
}  // namespace column_properties

namespace columns {
inline constexpr std::uint32_t kEqual = 1;
inline constexpr std::uint32_t kUnequal = 2;
}  // namespace columns

namespace equal_columns {
inline constexpr std::uint32_t kCount = 1;
inline constexpr std::uint32_t kGap = 2;
}  // namespace equal_columns

namespace unequal_columns {
inline constexpr std::uint32_t kFollowing = 2;  // every column after the first
}  // namespace unequal_columns

namespace following_column {
inline constexpr std::uint32_t kGap = 1;
}  // namespace following_column

// A drop-cap style (10024).
namespace drop_cap_style {
inline constexpr std::uint32_t kCharacterProperties = 11;
inline constexpr std::uint32_t kSettings = 12;
}  // namespace drop_cap_style

namespace drop_cap_settings {
inline constexpr std::uint32_t kDropCap = 1;
}  // namespace drop_cap_settings

namespace drop_cap {
inline constexpr std::uint32_t kLines = 2;
inline constexpr std::uint32_t kCharacters = 10;
}  // namespace drop_cap

// Colours.
namespace color {
inline constexpr std::uint32_t kModel = 1;  // 1 RGB, 2 CMYK, 3 grey
inline constexpr std::uint32_t kRed = 3;
inline constexpr std::uint32_t kGreen = 4;
inline constexpr std::uint32_t kBlue = 5;
inline constexpr std::uint32_t kAlpha = 6;
inline constexpr std::uint32_t kCyan = 7;
inline constexpr std::uint32_t kMagenta = 8;
inline constexpr std::uint32_t kYellow = 9;
inline constexpr std::uint32_t kBlack = 10;
inline constexpr std::uint32_t kWhite = 11;
}  // namespace color

namespace fill {
inline constexpr std::uint32_t kColor = 1;
inline constexpr std::uint32_t kGradient = 2;
inline constexpr std::uint32_t kImage = 3;
}  // namespace fill

namespace image_fill {
inline constexpr std::uint32_t kTint = 3;
}  // namespace image_fill

namespace gradient {
inline constexpr std::uint32_t kType = 1;  // 0 linear
inline constexpr std::uint32_t kStops = 2;
inline constexpr std::uint32_t kOpacity = 3;
inline constexpr std::uint32_t kAngle = 5;
}  // namespace gradient

namespace gradient_stop {
inline constexpr std::uint32_t kColor = 1;
inline constexpr std::uint32_t kFraction = 2;
}  // namespace gradient_stop

namespace gradient_angle {
inline constexpr std::uint32_t kRadians = 2;
}  // namespace gradient_angle

namespace stroke {
inline constexpr std::uint32_t kColor = 1;
inline constexpr std::uint32_t kWidth = 2;
inline constexpr std::uint32_t kPattern = 6;
}  // namespace stroke

namespace stroke_pattern {
inline constexpr std::uint32_t kType = 1;  // 0 dashes, 1 solid, 2 empty
inline constexpr std::uint32_t kCount = 3;  // how many of the lengths are in use
inline constexpr std::uint32_t kLengths = 4;  // in line widths
}  // namespace stroke_pattern

}  // namespace iwork::fields
