#pragma once
// What the parts of the modern reader share while one document is read: the objects, the
// model being filled, the style caches, and the guards that keep damaged documents from
// recursing without end. Internal to iwork/.

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "document/Document.h"
#include "iwork/ModernReader.h"
#include "iwork/ObjectStore.h"

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

// Data files of the package by identifier (Metadata's data list), resolved to engine paths.
class TDataFiles {
public:
    TDataFiles(const TObjectStore& store, const std::wstring& dataFolder);
    // The file's path when it exists in Data/; empty otherwise.
    std::wstring Path(std::uint64_t dataId) const;

private:
    void ListDataFolder();

    std::unordered_map<std::uint64_t, std::vector<std::wstring>> FNames;  // candidates in order
    std::wstring FDataFolder;
    std::unordered_map<std::wstring, std::wstring> FFiles;  // the folder's files, by name and lower-cased name
};

class TReadContext {
public:
    TReadContext(const TObjectStore& store, const TModernPackage& package, doc::TDocument& document);
    ~TReadContext();
    TReadContext(const TReadContext&) = delete;
    TReadContext& operator=(const TReadContext&) = delete;

    const TObjectStore& Store;
    const TModernPackage& Package;
    doc::TDocument& Doc;
    TStylesheet& Styles() { return *FStyles; }
    const TDataFiles& Data() const { return FData; }

    const TObject& Expect(std::uint64_t id, std::initializer_list<std::uint32_t> types, const wchar_t* role) const {
        return ExpectObject(Store, id, types, role);
    }

    // Deduplicated list styles of TDocument::ListStyles.
    int AddListStyle(doc::TListStyle style);
    // The list style at a paragraph's font size (text indents are in ems), added once.
    int ListStyleIndex(std::uint64_t id, double fontSize);

    // The index in TDocument::Links of a hyperlink object's target, added once however many
    // entries name the object; -1 when it has none.
    int LinkIndex(const TObject& hyperlink);

    // Work a document asks for, paid from the read budget at the prices of document/Limits.h;
    // past the budget the document is damaged.
    void Charge(std::size_t units);
    // Paragraphs made or copied, and their text.
    void ChargeParagraphs(std::size_t count, std::size_t characters);
    // A text storage read again costs its bytes on top.
    void ChargeStorage(std::uint64_t id, std::size_t bytes);


    // Marks an object as being read for as long as the guard lives: reading it again
    // inside itself, or nesting deeper than a document can, is damage.
    class TNesting {
    public:
        TNesting(TReadContext& context, std::uint64_t id);
        ~TNesting();
        TNesting(const TNesting&) = delete;
        TNesting& operator=(const TNesting&) = delete;

    private:
        TReadContext& FContext;
        std::uint64_t FId;
    };

private:
    std::unique_ptr<TStylesheet> FStyles;
    TDataFiles FData;
    std::map<std::pair<std::uint64_t, double>, int> FListIndexes;  // list style and font size -> index
    std::unordered_multimap<std::size_t, int> FListsByHash;           // Doc.ListStyles by content
    std::unordered_set<std::uint64_t> FOpen;
    std::unordered_set<std::uint64_t> FStoragesRead;
    std::unordered_map<std::uint64_t, int> FLinks;  // hyperlink object -> index in Doc.Links
    int FDepth = 0;
    std::size_t FSpent = 0;
};

}  // namespace iwork::detail
