#pragma once
// Documents for the modern reader's tests, built object by object with the IWA writer: the
// message types Pages writes under short names, and a builder that collects the objects (the
// small messages most tests need are in support/ModernMessages.h) and reads them as a document.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "document/Document.h"
#include "iwork/ModernReader.h"
#include "iwork/ObjectStore.h"
#include "iwork/ObjectTypes.h"
#include "support/IwaWriter.h"
#include "support/ModernMessages.h"

namespace testsupport {

// Message types under the short names the tests use; the values are the reader's own.
constexpr std::uint32_t kDocument = iwork::types::kPagesDocument, kSettings = iwork::types::kSettings, kSection = iwork::types::kSection,
                        kPageMaster = iwork::types::kPageMaster, kFloating = iwork::types::kFloatingDrawables,
                        kStorage = iwork::types::kTextStorage, kDrawableAttachment = iwork::types::kDrawableAttachment,
                        kFootnote = iwork::types::kFootnoteReference, kTextBox = iwork::types::kShapeInfo,
                        kCharacterStyle = iwork::types::kCharacterStyle, kParagraphStyle = iwork::types::kParagraphStyle,
                        kListStyle = iwork::types::kListStyle, kHyperlink = iwork::types::kHyperlink,
                        kDropCapStyle = iwork::types::kDropCapStyle, kNumberAttachment = iwork::types::kNumberAttachment,
                        kImage = iwork::types::kImage, kMask = iwork::types::kMask, kChart = iwork::types::kChartDrawable,
                        kTableInfo = iwork::types::kTableInfo, kTableModel = iwork::types::kTableModel, kTile = iwork::types::kTile,
                        kDataList = iwork::types::kTableDataList, kMetadata = iwork::types::kPackageMetadata;

// A document on a Letter page, read as the reader reads a package.
class TDocumentBuilder : public TModernObjects {
public:
    iwork::TObjectStore Store(std::uint32_t rootType = kDocument) const;
    doc::TDocument Read(const std::wstring& dataFolder = {}) const;
};

std::u16string U16(const std::string& utf8);

// The text of each paragraph.
std::vector<std::u16string> Texts(const doc::TTextStorage& storage);

// What reading says of a damaged document: its message, or "no error".
std::string Message(const std::function<void()>& read);

}  // namespace testsupport
