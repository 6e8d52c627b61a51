#pragma once
// The document's list styles, each added once however many paragraphs and sizes name it.
// Internal to iwork/.

#include <cstdint>
#include <map>
#include <unordered_map>
#include <utility>

#include "document/Document.h"

namespace iwork::detail {

class TStylesheet;

class TListStyleIndex {
public:
    TListStyleIndex(doc::TDocument& document, TStylesheet& styles) : FDoc(document), FStyles(styles) {}

    // Its index in TDocument::ListStyles, the list added when no equal one is there.
    int Add(doc::TListStyle style);
    // The list style at a paragraph's font size (text indents are in ems), added once.
    int Index(std::uint64_t id, double fontSize);

private:
    doc::TDocument& FDoc;
    TStylesheet& FStyles;
    std::map<std::pair<std::uint64_t, double>, int> FIndexes;  // list style and font size -> index
    std::unordered_multimap<std::size_t, int> FByHash;          // FDoc.ListStyles by content
};

}  // namespace iwork::detail
