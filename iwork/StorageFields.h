#pragma once
// Field numbers of text storages (2001) and of what their tables name: attachments, smart
// fields, footnotes. Named once here; see ObjectTypes.h for the types.

#include <cstdint>

#include "iwork/CommonFields.h"

namespace iwork::fields {

// A text storage. Every table but the text is {1 entries}, each entry {1 character index,
// 2 object} (attribute_entry) or, for paragraph data and starts, {1 character index, 2 first,
// 3 second} (data_entry). Character indices count UTF-16 units.
namespace storage {
inline constexpr std::uint32_t kKind = 1;  // 0 body, 1 header/footer, 2 footnote, 3 text box, 5 cell
inline constexpr std::uint32_t kText = 3;  // repeated: the pieces follow each other
inline constexpr std::uint32_t kParagraphStyles = 5;
// "first" is the paragraph's list level (0-8): an edit's paragraph action names the same
// pair, level then flags.
inline constexpr std::uint32_t kParagraphData = 6;
inline constexpr std::uint32_t kListStyles = 7;
inline constexpr std::uint32_t kCharacterStyles = 8;
inline constexpr std::uint32_t kAttachments = 9;
// A range of text per entry, to the next entry; hyperlinks among them.
inline constexpr std::uint32_t kSmartFields = 11;
inline constexpr std::uint32_t kColumnStyles = 12;
// "first" is the number a list starts over at, on the paragraph where it does; 0 elsewhere.
inline constexpr std::uint32_t kParagraphStarts = 14;
inline constexpr std::uint32_t kFootnotes = 16;
inline constexpr std::uint32_t kSections = 17;
// {1 entries {1 character index, 2 language tag}}: the language Pages found the text from there on
// to be in ("en", "zh-Hans"); an entry without a tag: none known.
inline constexpr std::uint32_t kLanguages = 19;
inline constexpr std::uint32_t kInsertions = 21;
inline constexpr std::uint32_t kDeletions = 22;
inline constexpr std::uint32_t kHighlights = 23;
inline constexpr std::uint32_t kOverlappingHighlights = 25;
// An entry naming a drop-cap style at a paragraph's start gives that paragraph one; the
// next paragraph has none unless an entry stands at its own start.
inline constexpr std::uint32_t kDropCaps = 28;
// Tables are read by number up to here.
inline constexpr std::uint32_t kFieldLimit = 32;
}  // namespace storage

namespace attribute_table {
inline constexpr std::uint32_t kEntries = 1;
}  // namespace attribute_table

namespace attribute_entry {
inline constexpr std::uint32_t kCharacterIndex = 1;
inline constexpr std::uint32_t kObject = 2;
}  // namespace attribute_entry

namespace language_entry {
inline constexpr std::uint32_t kCharacterIndex = 1;
inline constexpr std::uint32_t kLanguage = 2;
}  // namespace language_entry

namespace data_entry {
inline constexpr std::uint32_t kCharacterIndex = 1;
inline constexpr std::uint32_t kFirst = 2;
inline constexpr std::uint32_t kSecond = 3;
}  // namespace data_entry

// A drawable attachment (2003): where an inline or anchored drawable sits in the text.
namespace drawable_attachment {
inline constexpr std::uint32_t kDrawable = 1;
inline constexpr std::uint32_t kVerticalOrigin = 4;  // what kVerticalOffset counts from: 0 the line, 1 the page
inline constexpr std::uint32_t kVerticalOffset = 5;
}  // namespace drawable_attachment

// A table of contents' attachment (2241) wraps a drawable attachment.
namespace toc_attachment {
inline constexpr std::uint32_t kAttachment = 1;
}  // namespace toc_attachment

// A textual attachment (2004, 2007, 2009): a page number or count.
namespace textual_attachment {
inline constexpr std::uint32_t kStringEquivalent = 1;
inline constexpr std::uint32_t kKind = 2;  // 0 page number, 1 page count
}  // namespace textual_attachment

// A number attachment (2043) wraps a textual one and says what it shows.
namespace number_attachment {
inline constexpr std::uint32_t kTextual = 1;
inline constexpr std::uint32_t kShown = 3;
}  // namespace number_attachment

// A table of contents' page number (2010) wraps a textual one too.
namespace toc_page_number {
inline constexpr std::uint32_t kTextual = 1;
inline constexpr std::uint32_t kShown = 2;
}  // namespace toc_page_number

// A footnote reference (2008).
namespace footnote_reference {
inline constexpr std::uint32_t kStorage = 2;
inline constexpr std::uint32_t kCustomMark = 3;
}  // namespace footnote_reference

// A hyperlink smart field (2032).
namespace hyperlink {
inline constexpr std::uint32_t kTarget = 2;
}  // namespace hyperlink

}  // namespace iwork::fields
