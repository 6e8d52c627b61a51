#include "support/ModernMessages.h"

#include "iwork/DocumentFields.h"
#include "iwork/DrawableFields.h"
#include "iwork/ObjectTypes.h"
#include "iwork/StorageFields.h"
#include "iwork/StyleFields.h"

namespace testsupport {

using namespace iwork::fields;

TProtoWriter ObjectTable(std::initializer_list<TEntry> entries) {
    TProtoWriter table;
    for (const auto& e : entries) {
        TProtoWriter entry;
        entry.Varint(attribute_entry::kCharacterIndex, e.Index);
        if (e.Object != 0) entry.Reference(attribute_entry::kObject, e.Object);
        table.Message(attribute_table::kEntries, entry);
    }
    return table;
}

TProtoWriter DataTable(std::initializer_list<std::array<std::uint64_t, 3>> entries) {
    TProtoWriter table;
    for (const auto& e : entries)
        table.Message(attribute_table::kEntries, TProtoWriter()
                                                     .Varint(data_entry::kCharacterIndex, e[0])
                                                     .Varint(data_entry::kFirst, e[1])
                                                     .Varint(data_entry::kSecond, e[2]));
    return table;
}

TProtoWriter StyleRecord(const std::string& name, std::uint64_t parent) {
    TProtoWriter record;
    if (!name.empty()) record.String(style_record::kName, name);
    if (parent != 0) record.Reference(style_record::kParent, parent).Bool(style_record::kIsVariation, true);
    return record;
}

TProtoWriter Style(const std::string& name, std::uint64_t parent, const TProtoWriter& properties) {
    return TProtoWriter().Message(style::kRecord, StyleRecord(name, parent)).Message(style::kProperties, properties);
}

TProtoWriter Font(float size, const std::string& name) {
    TProtoWriter font;
    font.Float(character_properties::kFontSize, size);
    if (!name.empty()) font.String(character_properties::kFontName, name);
    return font;
}

TProtoWriter Size(float w, float h) { return TProtoWriter().Float(point::kX, w).Float(point::kY, h); }

TProtoWriter Geometry(float x, float y, float w, float h) {
    return TProtoWriter().Message(geometry::kPosition, Size(x, y)).Message(geometry::kSize, Size(w, h));
}

TProtoWriter DrawableRecord(float x, float y, float w, float h, std::uint64_t wrapType) {
    return TProtoWriter()
        .Message(drawable::kGeometry, Geometry(x, y, w, h))
        .Message(drawable::kWrap, TProtoWriter().Varint(wrap::kType, wrapType).Float(wrap::kMargin, 8));
}

TProtoWriter TextBox(const TProtoWriter& drawable, std::uint64_t storage) {
    TProtoWriter box;
    box.Message(text_shape::kShape, TProtoWriter().Message(shape::kDrawable, drawable));
    if (storage != 0) box.Reference(text_shape::kStorage, storage);
    return box.Bool(text_shape::kIsTextBox, true);
}

TProtoWriter Storage(const std::string& text) {
    return TProtoWriter().Varint(storage::kKind, 0).String(storage::kText, text);
}

TModernObjects::TModernObjects() {
    Root.Float(document::kPageWidth, 612).Float(document::kPageHeight, 792);
}

std::uint64_t TModernObjects::Add(std::uint32_t type, const TProtoWriter& payload) {
    FObjects.emplace_back(FNext, type, payload.Data());
    return FNext++;
}

std::uint64_t TModernObjects::Body(const TProtoWriter& storage) {
    const std::uint64_t id = Add(iwork::types::kTextStorage, storage);
    Root.Reference(document::kBodyStorage, id);
    return id;
}

std::vector<TIwaObject> TModernObjects::Objects(std::uint32_t rootType) const {
    std::vector<TIwaObject> objects = FObjects;
    objects.emplace_back(1, rootType, Root.Data());
    return objects;
}

}  // namespace testsupport
