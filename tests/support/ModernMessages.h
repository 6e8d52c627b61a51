#pragma once
// The small messages of a modern document that the reader's tests and the fuzzers' seed writer
// both build (text storages and their tables, style records, drawable records, text boxes), and
// the list of objects a document is built from. Written with the reader's field names; nothing
// here reads.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/IwaWriter.h"

namespace testsupport {

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

// The objects of a document: the root (object 1, a Letter page) and the objects added, which
// are numbered from 100 in the order they are added.
class TModernObjects {
public:
    TModernObjects();

    std::uint64_t Add(std::uint32_t type, const TProtoWriter& payload);
    // A body storage of the root.
    std::uint64_t Body(const TProtoWriter& storage);
    // The objects added, then the root with the given type.
    std::vector<TIwaObject> Objects(std::uint32_t rootType) const;

    TProtoWriter Root;

private:
    std::vector<TIwaObject> FObjects;
    std::uint64_t FNext = 100;
};

}  // namespace testsupport
