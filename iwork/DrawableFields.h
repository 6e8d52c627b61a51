#pragma once
// Field numbers of drawables: the common drawable record, geometry and wrap, shapes and their
// paths, pictures and masks, groups and media. Named once here; see ObjectTypes.h for the types.

#include <cstdint>

#include "iwork/CommonFields.h"

namespace iwork::fields {

// Every kind wraps the record of the kind it extends in its field 1 (an image {1 drawable},
// a text box {1 shape {1 drawable}}...).
namespace super {
inline constexpr std::uint32_t kSuper = 1;
}  // namespace super

// The common drawable record.
namespace drawable {
inline constexpr std::uint32_t kGeometry = 1;
inline constexpr std::uint32_t kParent = 2;
inline constexpr std::uint32_t kWrap = 3;
inline constexpr std::uint32_t kComment = 6;
// Title and caption: each a text shape (or a stand-in when the drawable never had one).
inline constexpr std::uint32_t kTitle = 10;
inline constexpr std::uint32_t kCaption = 11;
inline constexpr std::uint32_t kTitleHidden = 12;
inline constexpr std::uint32_t kCaptionHidden = 13;
}  // namespace drawable

namespace geometry {
inline constexpr std::uint32_t kPosition = 1;  // a point
inline constexpr std::uint32_t kSize = 2;      // a point
inline constexpr std::uint32_t kAngle = 4;
}  // namespace geometry

// Text wrap. Types as Pages writes them: 0 on inline tables, 1 around (both sides), 2 on figures
// that text runs above and below, 4 automatic (Pages' default for floating pictures and boxes),
// 5 on rules and boxes in the margins (no wrap).
namespace wrap {
inline constexpr std::uint32_t kType = 1;
inline constexpr std::uint32_t kMargin = 4;
}  // namespace wrap

// The shape record of shapes (3004) and text shapes.
namespace shape {
inline constexpr std::uint32_t kDrawable = 1;
inline constexpr std::uint32_t kStyle = 2;
inline constexpr std::uint32_t kPathSource = 3;
}  // namespace shape

// The text shape record (a text box 2011; the text of a table of contents or a caption).
namespace text_shape {
inline constexpr std::uint32_t kShape = 1;
inline constexpr std::uint32_t kOldStorage = 2;
inline constexpr std::uint32_t kFlow = 3;
inline constexpr std::uint32_t kStorage = 4;
inline constexpr std::uint32_t kIsTextBox = 6;
}  // namespace text_shape

// The flow that linked text boxes share.
namespace text_flow {
inline constexpr std::uint32_t kStorage = 1;
}  // namespace text_flow

namespace path_source {
inline constexpr std::uint32_t kHorizontalFlip = 1;
inline constexpr std::uint32_t kVerticalFlip = 2;
inline constexpr std::uint32_t kScalar = 4;
inline constexpr std::uint32_t kBezier = 5;
inline constexpr std::uint32_t kCallout = 6;
inline constexpr std::uint32_t kConnectionLine = 7;
inline constexpr std::uint32_t kEditableBezier = 8;
}  // namespace path_source

// A rounded rectangle (type 0, the scalar its corner radius) or a regular polygon (type 1,
// the scalar its number of sides).
namespace scalar_path {
inline constexpr std::uint32_t kType = 1;
inline constexpr std::uint32_t kScalar = 2;
inline constexpr std::uint32_t kNaturalSize = 3;
}  // namespace scalar_path

namespace bezier_path_source {
inline constexpr std::uint32_t kNaturalSize = 2;
inline constexpr std::uint32_t kPath = 3;
}  // namespace bezier_path_source

namespace connection_line_path {
inline constexpr std::uint32_t kBezier = 1;
}  // namespace connection_line_path

namespace callout_path {
inline constexpr std::uint32_t kCornerRadius = 4;
}  // namespace callout_path

namespace bezier_path {
inline constexpr std::uint32_t kElements = 1;
}  // namespace bezier_path

namespace path_element {
inline constexpr std::uint32_t kType = 1;  // 1 move, 2 line, 3 quadratic, 4 cubic, 5 close
inline constexpr std::uint32_t kPoints = 2;
}  // namespace path_element

namespace editable_bezier {
inline constexpr std::uint32_t kSubpaths = 1;
inline constexpr std::uint32_t kNaturalSize = 2;
}  // namespace editable_bezier

namespace editable_subpath {
inline constexpr std::uint32_t kNodes = 1;
inline constexpr std::uint32_t kClosed = 2;
}  // namespace editable_subpath

namespace editable_node {
inline constexpr std::uint32_t kControlIn = 1;
inline constexpr std::uint32_t kPoint = 2;
inline constexpr std::uint32_t kControlOut = 3;
}  // namespace editable_node

// A picture (3005).
namespace image {
inline constexpr std::uint32_t kStyle = 3;
inline constexpr std::uint32_t kOriginalSize = 4;
inline constexpr std::uint32_t kMask = 5;
inline constexpr std::uint32_t kNaturalSize = 9;
inline constexpr std::uint32_t kData = 11;
inline constexpr std::uint32_t kThumbnailData = 12;
inline constexpr std::uint32_t kOriginalData = 13;  // the picture before its adjustments
// Equations are pictures with their source beside them.
inline constexpr std::uint32_t kEquationSource = 100;
inline constexpr std::uint32_t kEquationSourceAlt = 103;
}  // namespace image

// A data reference: a file of the package's Data/ by its identifier.
namespace data_reference {
inline constexpr std::uint32_t kIdentifier = 1;
}  // namespace data_reference

// A picture's mask (3006): its geometry is the visible part, in the picture's coordinates.
namespace mask {
inline constexpr std::uint32_t kDrawable = 1;
inline constexpr std::uint32_t kPathSource = 2;
}  // namespace mask

// Audio or video (3007).
namespace movie {
inline constexpr std::uint32_t kAudioOnly = 9;
}  // namespace movie

// A group (3008).
namespace group {
inline constexpr std::uint32_t kChildren = 2;
}  // namespace group

}  // namespace iwork::fields
