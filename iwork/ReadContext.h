#pragma once
// What the parts of the modern reader share while one document is read: the objects, the
// model being filled, the styles, the data files, the read budget and the list styles, each
// a class of its own; and the reader's small helpers. Internal to iwork/.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "document/Document.h"
#include "iwork/DataFiles.h"
#include "iwork/ListStyleIndex.h"
#include "iwork/ObjectStore.h"
#include "iwork/ReadBudget.h"

namespace iwork::detail {

class TStylesheet;

[[noreturn]] void Damaged(const std::wstring& what);
std::wstring ObjectName(std::uint64_t id);  // "object 123"

// The object, which must exist and be of one of the types; role names it in the error
// ("paragraph style", "drawable").
const TObject& ExpectObject(const TObjectStore& store, std::uint64_t id, std::initializer_list<std::uint32_t> types,
                            const wchar_t* role);

// Floats as Pages stores them, refused when not finite so that no NaN reaches the layout.
std::optional<double> Float(const TMessage& message, std::uint32_t field);
double Float(const TMessage& message, std::uint32_t field, double fallback);

struct TPointValue {
    double X = 0, Y = 0;
};
std::optional<TPointValue> Point(const TMessage& message, std::uint32_t field);  // {1 x, 2 y} or {1 width, 2 height}

class TReadContext {
public:
    // dataFolder: the package's Data folder, where its pictures are.
    TReadContext(const TObjectStore& store, const std::wstring& dataFolder, doc::TDocument& document);
    ~TReadContext();
    TReadContext(const TReadContext&) = delete;
    TReadContext& operator=(const TReadContext&) = delete;

    const TObjectStore& Store;
    doc::TDocument& Doc;
    TStylesheet& Styles() { return *FStyles; }
    const TDataFiles& Data() const { return FData; }

    const TObject& Expect(std::uint64_t id, std::initializer_list<std::uint32_t> types, const wchar_t* role) const {
        return ExpectObject(Store, id, types, role);
    }

    // The index in TDocument::Links of a hyperlink object's target, added once however many
    // entries name the object; -1 when it has none.
    int LinkIndex(const TObject& hyperlink);

private:
    std::unique_ptr<TStylesheet> FStyles;
    TDataFiles FData;
    std::unordered_map<std::uint64_t, int> FLinks;  // hyperlink object -> index in Doc.Links

public:
    // What the document may ask of the reader.
    TReadBudget Budget;
    // The document's list styles, each added once (after FStyles, which it reads).
    TListStyleIndex Lists;
};

}  // namespace iwork::detail
