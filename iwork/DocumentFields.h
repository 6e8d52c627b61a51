#pragma once
// Field numbers of the document's own messages: the root, its settings, sections and their
// page masters, the floating drawables of each page, the package metadata and the archive
// header every object is stored under. Named once here; see ObjectTypes.h for the types.

#include <cstdint>

#include "iwork/CommonFields.h"

namespace iwork::fields {

// ArchiveInfo, in front of every object in an .iwa.
namespace archive_info {
inline constexpr std::uint32_t kIdentifier = 1;
inline constexpr std::uint32_t kMessageInfos = 2;
}  // namespace archive_info

namespace message_info {
inline constexpr std::uint32_t kType = 1;
inline constexpr std::uint32_t kLength = 3;
inline constexpr std::uint32_t kObjectReferences = 5;  // packed
}  // namespace message_info

// The Pages document (10000), object 1. Lengths are points, as floats.
namespace document {
inline constexpr std::uint32_t kKeynoteShow = 2;  // on a Keynote root (type 1) only
inline constexpr std::uint32_t kFloatingDrawables = 3;
inline constexpr std::uint32_t kBodyStorage = 4;
inline constexpr std::uint32_t kSection = 5;
inline constexpr std::uint32_t kSettings = 7;
inline constexpr std::uint32_t kDrawablesZOrder = 20;
inline constexpr std::uint32_t kPageWidth = 30;
inline constexpr std::uint32_t kPageHeight = 31;
inline constexpr std::uint32_t kLeftMargin = 32;
inline constexpr std::uint32_t kRightMargin = 33;
inline constexpr std::uint32_t kTopMargin = 34;
inline constexpr std::uint32_t kBottomMargin = 35;
inline constexpr std::uint32_t kHeaderMargin = 36;
inline constexpr std::uint32_t kFooterMargin = 37;
inline constexpr std::uint32_t kOrientation = 42;  // 1 landscape
}  // namespace document

// Document settings (10012).
namespace settings {
inline constexpr std::uint32_t kHasBody = 1;  // false: a page-layout document
inline constexpr std::uint32_t kHeadersOn = 2;
inline constexpr std::uint32_t kFootersOn = 3;
inline constexpr std::uint32_t kHyphenation = 9;  // the document-wide "Hyphenation" option; absent: off
inline constexpr std::uint32_t kLanguage = 21;    // the document's language ("en", "ja")
inline constexpr std::uint32_t kFootnoteKind = 30;
inline constexpr std::uint32_t kFootnoteFormat = 31;
inline constexpr std::uint32_t kFootnoteNumbering = 32;
inline constexpr std::uint32_t kFootnoteGap = 33;
}  // namespace settings

// A section (10011).
namespace section {
inline constexpr std::uint32_t kInheritPrevious = 17;  // "same as the previous section"
inline constexpr std::uint32_t kFirstPageDifferent = 18;
inline constexpr std::uint32_t kEvenOddDifferent = 19;
inline constexpr std::uint32_t kRestartPageNumbers = 21;
inline constexpr std::uint32_t kPageNumberStart = 22;
inline constexpr std::uint32_t kFirstPageMaster = 23;
inline constexpr std::uint32_t kEvenPageMaster = 24;
inline constexpr std::uint32_t kOddPageMaster = 25;
inline constexpr std::uint32_t kFirstPageBare = 28;  // the first page shows neither header nor footer
}  // namespace section

// A page master (10143): three storages each (left, centre, right).
namespace page_master {
inline constexpr std::uint32_t kHeaders = 1;
inline constexpr std::uint32_t kFooters = 2;
inline constexpr std::uint32_t kDrawables = 3;
}  // namespace page_master

// The floating drawables (10010): page groups, each of drawable entries {1 drawable}.
namespace floating_drawables {
inline constexpr std::uint32_t kPageGroups = 1;
}  // namespace floating_drawables

namespace page_group {
inline constexpr std::uint32_t kPageIndex = 1;
inline constexpr std::uint32_t kBackground = 2;
inline constexpr std::uint32_t kForeground = 3;
inline constexpr std::uint32_t kDrawables = 4;
}  // namespace page_group

namespace drawable_entry {
inline constexpr std::uint32_t kDrawable = 1;
}  // namespace drawable_entry

// The document's z-order (10015): every drawable, back to front.
namespace drawables_z_order {
inline constexpr std::uint32_t kDrawables = 1;
}  // namespace drawables_z_order

// The package metadata (11006) and its data files.
namespace package_metadata {
inline constexpr std::uint32_t kDataFiles = 4;
}  // namespace package_metadata

namespace data_file {
inline constexpr std::uint32_t kIdentifier = 1;
inline constexpr std::uint32_t kPreferredFileName = 3;
inline constexpr std::uint32_t kFileName = 4;
}  // namespace data_file

}  // namespace iwork::fields
