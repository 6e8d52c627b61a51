#pragma once
// Message types of the objects a Pages document is read from, as the archive's message
// info names them. Keynote and Numbers share the low numbers for their own roots.

#include <cstdint>

namespace iwork::types {

inline constexpr std::uint32_t kKeynoteOrNumbersDocument = 1;  // KN / TN document archive
inline constexpr std::uint32_t kPagesDocument = 10000;
inline constexpr std::uint32_t kFloatingDrawables = 10010;
inline constexpr std::uint32_t kSection = 10011;
inline constexpr std::uint32_t kSettings = 10012;
inline constexpr std::uint32_t kDrawablesZOrder = 10015;
inline constexpr std::uint32_t kPageMaster = 10143;
inline constexpr std::uint32_t kDropCapStyle = 10024;

inline constexpr std::uint32_t kTextStorage = 2001;
inline constexpr std::uint32_t kTextStorageAlt = 2005;  // the same message under a second type
inline constexpr std::uint32_t kDrawableAttachment = 2003;
inline constexpr std::uint32_t kTextualAttachment = 2004;
inline constexpr std::uint32_t kTextualAttachmentAlt1 = 2007;
inline constexpr std::uint32_t kFootnoteReference = 2008;
inline constexpr std::uint32_t kTextualAttachmentAlt2 = 2009;
inline constexpr std::uint32_t kTocPageNumber = 2010;
inline constexpr std::uint32_t kHyperlink = 2032;  // a smart field: 2 the link's target
inline constexpr std::uint32_t kShapeInfo = 2011;  // text box, or a shape with text
inline constexpr std::uint32_t kHighlight = 2013;  // commented text
inline constexpr std::uint32_t kCommentInfo = 2014;
inline constexpr std::uint32_t kEquationInfo = 2015;
inline constexpr std::uint32_t kCharacterStyle = 2021;
inline constexpr std::uint32_t kParagraphStyle = 2022;
inline constexpr std::uint32_t kListStyle = 2023;
inline constexpr std::uint32_t kColumnStyle = 2024;
inline constexpr std::uint32_t kTextShapeStyle = 2025;
inline constexpr std::uint32_t kTocEntryStyle = 2026;  // a paragraph style inside its field 1
inline constexpr std::uint32_t kNumberAttachment = 2043;
inline constexpr std::uint32_t kChange = 2060;  // a tracked change
inline constexpr std::uint32_t kTocInfo = 2240;
inline constexpr std::uint32_t kTocAttachment = 2241;

inline constexpr std::uint32_t kDrawable = 3002;
inline constexpr std::uint32_t kShape = 3004;
inline constexpr std::uint32_t kImage = 3005;
inline constexpr std::uint32_t kMask = 3006;
inline constexpr std::uint32_t kMovie = 3007;
inline constexpr std::uint32_t kGroup = 3008;
inline constexpr std::uint32_t kConnectionLine = 3009;
inline constexpr std::uint32_t kShapeStyle = 3015;
inline constexpr std::uint32_t kMediaStyle = 3016;
inline constexpr std::uint32_t kCommentStorage = 3056;
inline constexpr std::uint32_t kStandinCaption = 3097;

inline constexpr std::uint32_t kChartInfoPreUff = 5000;
inline constexpr std::uint32_t kChartDrawable = 5021;

inline constexpr std::uint32_t kTableInfo = 6000;
inline constexpr std::uint32_t kTableModel = 6001;
inline constexpr std::uint32_t kTile = 6002;
inline constexpr std::uint32_t kTableStyle = 6003;
inline constexpr std::uint32_t kCellStyle = 6004;
inline constexpr std::uint32_t kTableDataList = 6005;
inline constexpr std::uint32_t kHeaderStorageBucket = 6006;
inline constexpr std::uint32_t kWpTableInfo = 6007;
inline constexpr std::uint32_t kMergeRegionMap = 6144;
inline constexpr std::uint32_t kRichTextPayload = 6218;
inline constexpr std::uint32_t kStrokeSidecar = 6305;
inline constexpr std::uint32_t kStrokeLayer = 6306;

inline constexpr std::uint32_t kCaptionInfo = 633;
inline constexpr std::uint32_t kPackageMetadata = 11006;

}  // namespace iwork::types
