#include "ModernDocumentBuilder.h"

#include "iwork/Errors.h"
#include "platform/Text.h"

namespace testsupport {

TProtoWriter ObjectTable(std::initializer_list<TEntry> entries) {
    TProtoWriter table;
    for (const auto& e : entries) {
        TProtoWriter entry;
        entry.Varint(1, e.Index);
        if (e.Object != 0) entry.Reference(2, e.Object);
        table.Message(1, entry);
    }
    return table;
}

TProtoWriter DataTable(std::initializer_list<std::array<std::uint64_t, 3>> entries) {
    TProtoWriter table;
    for (const auto& e : entries) table.Message(1, TProtoWriter().Varint(1, e[0]).Varint(2, e[1]).Varint(3, e[2]));
    return table;
}

TProtoWriter StyleRecord(const std::string& name, std::uint64_t parent) {
    TProtoWriter record;
    if (!name.empty()) record.String(1, name);
    if (parent != 0) record.Reference(3, parent).Bool(4, true);
    return record;
}

TProtoWriter Style(const std::string& name, std::uint64_t parent, const TProtoWriter& properties) {
    return TProtoWriter().Message(1, StyleRecord(name, parent)).Message(11, properties);
}

TProtoWriter Font(float size, const std::string& name) {
    TProtoWriter font;
    font.Float(3, size);
    if (!name.empty()) font.String(5, name);
    return font;
}

TProtoWriter Size(float w, float h) { return TProtoWriter().Float(1, w).Float(2, h); }

TProtoWriter Geometry(float x, float y, float w, float h) {
    return TProtoWriter().Message(1, Size(x, y)).Message(2, Size(w, h));
}

TProtoWriter DrawableRecord(float x, float y, float w, float h, std::uint64_t wrapType) {
    return TProtoWriter().Message(1, Geometry(x, y, w, h)).Message(3, TProtoWriter().Varint(1, wrapType).Float(4, 8));
}

TProtoWriter TextBox(const TProtoWriter& drawable, std::uint64_t storage) {
    TProtoWriter box;
    box.Message(1, TProtoWriter().Message(1, drawable));
    if (storage != 0) box.Reference(4, storage);
    return box.Bool(6, true);
}

TProtoWriter Storage(const std::string& text) { return TProtoWriter().Varint(1, 0).String(3, text); }

std::uint64_t TDocumentBuilder::Add(std::uint32_t type, const TProtoWriter& payload) {
    FObjects.emplace_back(FNext, type, payload.Data());
    return FNext++;
}

std::uint64_t TDocumentBuilder::Body(const TProtoWriter& storage) {
    const std::uint64_t id = Add(kStorage, storage);
    Root.Reference(4, id);
    return id;
}

iwork::TObjectStore TDocumentBuilder::Store(std::uint32_t rootType) const {
    std::vector<TIwaObject> objects = FObjects;
    objects.emplace_back(1, rootType, Root.Data());
    iwork::TObjectStore store;
    store.AddArchives(IwaArchives(objects));
    return store;
}

doc::TDocument TDocumentBuilder::Read(const std::wstring& dataFolder) const {
    iwork::TModernPackage package;
    package.DataFolder = dataFolder;
    package.Title = L"Test";
    return iwork::ReadModernDocument(Store(), package);
}

std::u16string U16(const std::string& utf8) {
    const std::wstring wide = platform::FromUtf8(utf8);
    return std::u16string(wide.begin(), wide.end());
}

std::vector<std::u16string> Texts(const doc::TTextStorage& storage) {
    std::vector<std::u16string> texts;
    for (const auto& p : storage.Paragraphs) texts.push_back(p.Text);
    return texts;
}

std::string Message(const std::function<void()>& read) {
    try {
        read();
    } catch (const iwork::EDamagedDocument& e) {
        return e.what();
    }
    return "no error";
}

}  // namespace testsupport
