#pragma once
// A text storage (2001) -> paragraphs with resolved styles, runs, list levels, attachments
// and footnote marks. Internal to iwork/.

#include <cstdint>
#include <string>

#include "document/Document.h"
#include "iwork/ReadContext.h"

namespace iwork::detail {

enum class TStorageRole {
    srBody,          // anchored drawables take their paragraph; U+0005 breaks pages
    srHeaderFooter,
    srFootnote,
    srTextBox,
    srCell,
};

// defaultParagraphStyle applies where the storage names none (a text box's own style).
doc::TTextStorage ReadTextStorage(TReadContext& context, std::uint64_t storageId, TStorageRole role,
                                  std::uint64_t defaultParagraphStyle = 0);

// A language tag as Pages stores one ("en", "zh-Hans", "en_US"), or empty for what names no
// language: its own markers ("__none", "__multilingual"), or bytes no tag is made of.
std::string LanguageTag(const std::string& stored);

// Plain text (a table cell's string) as paragraphs of one paragraph style, each one run.
doc::TTextStorage PlainText(TReadContext& context, const std::u16string& text, std::uint64_t paragraphStyle);

// The index of the paragraph that holds a storage position (paragraphs in StorageStart
// order); the last paragraph for positions past the text.
std::size_t ParagraphAt(const doc::TTextStorage& storage, std::uint32_t position);

}  // namespace iwork::detail
