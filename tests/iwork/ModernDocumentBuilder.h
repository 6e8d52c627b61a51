#pragma once
// Documents for the modern reader's tests, built object by object with the IWA writer: the
// message types Pages writes, the small messages most tests need, and a builder that collects
// the objects and reads them as a document.

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "document/Document.h"
#include "iwork/ModernReader.h"
#include "iwork/ObjectStore.h"
#include "iwork/ObjectTypes.h"
#include "support/IwaWriter.h"

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

struct TEntry {
    std::uint32_t Index;
    std::uint64_t Object;  // 0: an entry naming nothing
};

// {1 entries {1 character index, 2 object}}
TProtoWriter ObjectTable(std::initializer_list<TEntry> entries);

// {1 entries {1 character index, 2 first, 3 second}}
TProtoWriter DataTable(std::initializer_list<std::array<std::uint64_t, 3>> entries);

// {1 name, 3 parent, 4 is variation}
TProtoWriter StyleRecord(const std::string& name, std::uint64_t parent = 0);

// A style {1 record, 11 properties}: character properties for paragraph and character
// styles (paragraph styles add theirs in 12).
TProtoWriter Style(const std::string& name, std::uint64_t parent, const TProtoWriter& properties);

// Character properties {3 size, 5 font name}.
TProtoWriter Font(float size, const std::string& name = "");

TProtoWriter Size(float w, float h);

// {1 position, 2 size}
TProtoWriter Geometry(float x, float y, float w, float h);

// A drawable record: geometry and a text wrap of the given type (0: inline).
TProtoWriter DrawableRecord(float x, float y, float w, float h, std::uint64_t wrapType);

// A text box {1 shape {1 drawable}, 4 storage, 6 is a text box}.
TProtoWriter TextBox(const TProtoWriter& drawable, std::uint64_t storage = 0);

// A text storage holding text, in one piece.
TProtoWriter Storage(const std::string& text);

class TDocumentBuilder {
public:
    // A Letter page.
    TDocumentBuilder();

    std::uint64_t Add(std::uint32_t type, const TProtoWriter& payload);
    // A body storage of the root.
    std::uint64_t Body(const TProtoWriter& storage);
    iwork::TObjectStore Store(std::uint32_t rootType = kDocument) const;
    doc::TDocument Read(const std::wstring& dataFolder = {}) const;

    TProtoWriter Root;

private:
    std::vector<TIwaObject> FObjects;
    std::uint64_t FNext = 100;
};

std::u16string U16(const std::string& utf8);

// The text of each paragraph.
std::vector<std::u16string> Texts(const doc::TTextStorage& storage);

// What reading says of a damaged document: its message, or "no error".
std::string Message(const std::function<void()>& read);

}  // namespace testsupport
