#include "iwork/Sections.h"

#include <algorithm>
#include <vector>

#include "iwork/DocumentFields.h"
#include "iwork/Drawables.h"
#include "iwork/ObjectTypes.h"
#include "iwork/StorageFields.h"
#include "iwork/Stylesheet.h"
#include "iwork/TextStorageReader.h"

namespace iwork::detail {

namespace {

using namespace fields;

struct TEntry {
    std::uint64_t Index = 0;
    std::uint64_t Object = 0;
};

std::vector<TEntry> Entries(const TObject* storage, std::uint32_t field) {
    std::vector<TEntry> entries;
    if (!storage)
        return entries;
    auto table = storage->Payload.Message(field);
    if (!table)
        return entries;
    for (const auto& entry : table->Messages(attribute_table::kEntries)) {
        auto object = entry.Reference(attribute_entry::kObject);
        if (object)
            entries.push_back({entry.Varint(attribute_entry::kCharacterIndex).value_or(0), *object});
    }
    // The text reader has already refused tables that go backwards; these are read apart
    // from it, so sort rather than trust them.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const TEntry& a, const TEntry& b) { return a.Index < b.Index; });
    return entries;
}

// Copied masters cost what their paragraphs cost when read.
void ChargeCopy(TReadContext& context, const doc::TSection& section) {
    std::size_t paragraphs = 0, characters = 0;
    for (const doc::TPageMaster* master : {&section.First, &section.Even, &section.Odd})
        for (const doc::THeaderFooter* parts : {&master->Header, &master->Footer})
            for (const doc::TTextStorage* part : {&parts->Left, &parts->Center, &parts->Right}) {
                paragraphs += part->Paragraphs.size();
                for (const doc::TParagraph& paragraph : part->Paragraphs)
                    characters += paragraph.Text.size();
            }
    context.Budget.ChargeParagraphs(paragraphs, characters);
}

doc::TTextStorage Part(TReadContext& context, const std::vector<std::uint64_t>& storages, std::size_t index) {
    if (index >= storages.size())
        return {};
    return ReadTextStorage(context, storages[index], TStorageRole::srHeaderFooter);
}

doc::TPageMaster ReadPageMaster(TReadContext& context, std::uint64_t id) {
    const TObject& master = context.Expect(id, {types::kPageMaster}, L"page master");
    TReadBudget::TNesting nesting(context.Budget, id);
    doc::TPageMaster result;
    // Three storages each, left, centre and right.
    const auto headers = master.Payload.References(page_master::kHeaders);
    const auto footers = master.Payload.References(page_master::kFooters);
    result.Header.Left = Part(context, headers, 0);
    result.Header.Center = Part(context, headers, 1);
    result.Header.Right = Part(context, headers, 2);
    result.Footer.Left = Part(context, footers, 0);
    result.Footer.Center = Part(context, footers, 1);
    result.Footer.Right = Part(context, footers, 2);
    for (std::uint64_t drawable : master.Payload.References(page_master::kDrawables))
        if (auto index = ReadFloatingDrawable(context, drawable))
            result.Drawables.push_back(*index);
    return result;
}

doc::TSection ReadSection(TReadContext& context, std::uint64_t id, const doc::TSection* previous) {
    const TObject& section = context.Expect(id, {types::kSection}, L"section");
    const TMessage& p = section.Payload;
    doc::TSection result;
    // Pages sections always begin on a new page (its choice is only which side).
    result.StartsNewPage = true;
    result.FirstPageDifferent = p.Bool(section::kFirstPageDifferent).value_or(false);
    result.EvenOddDifferent = p.Bool(section::kEvenOddDifferent).value_or(false);
    if (p.Varint(section::kRestartPageNumbers).value_or(0) != 0)
        result.PageNumberStartAt =
            static_cast<int>(std::min<std::uint64_t>(p.Varint(section::kPageNumberStart).value_or(1), 1000000));
    if (previous && p.Bool(section::kInheritPrevious).value_or(false)) {
        // "Same as the previous section": its masters stand for this one's.
        ChargeCopy(context, *previous);
        result.First = previous->First;
        result.Even = previous->Even;
        result.Odd = previous->Odd;
    } else {
        if (auto first = p.Reference(section::kFirstPageMaster))
            result.First = ReadPageMaster(context, *first);
        if (auto even = p.Reference(section::kEvenPageMaster))
            result.Even = ReadPageMaster(context, *even);
        if (auto odd = p.Reference(section::kOddPageMaster))
            result.Odd = ReadPageMaster(context, *odd);
    }
    if (p.Bool(section::kFirstPageBare).value_or(false)) {
        // The first page shows neither header nor footer.
        result.FirstPageDifferent = true;
        result.First.Header = {};
        result.First.Footer = {};
    }
    return result;
}

}  // namespace

void ReadSections(TReadContext& context, const TObject* bodyStorage, std::optional<std::uint64_t> documentSection) {
    auto& document = context.Doc;
    auto& paragraphs = document.Body.Paragraphs;
    std::vector<TEntry> entries = Entries(bodyStorage, storage::kSections);
    if (entries.empty() && documentSection)
        entries.push_back({0, *documentSection});
    const std::vector<TEntry> columns = Entries(bodyStorage, storage::kColumnStyles);

    for (const auto& entry : entries) {
        const doc::TSection* previous = document.Sections.empty() ? nullptr : &document.Sections.back();
        doc::TSection section = ReadSection(context, entry.Object, previous);
        const auto start = static_cast<std::uint32_t>(std::min<std::uint64_t>(entry.Index, UINT32_MAX));
        section.FirstParagraph = paragraphs.empty() ? 0 : ParagraphAt(document.Body, start);
        // The column style in force where the section starts.
        auto column = std::upper_bound(columns.begin(), columns.end(), entry.Index,
                                       [](std::uint64_t index, const TEntry& e) { return index < e.Index; });
        if (column != columns.begin()) {
            const auto layout = context.Styles().Columns(std::prev(column)->Object);
            section.Columns = layout.Columns;
            section.ColumnGap = layout.Gap;
        }
        if (document.Sections.empty() && section.FirstParagraph != 0)
            document.Sections.emplace_back();  // text before the first section takes the defaults
        if (!document.Sections.empty() && document.Sections.back().FirstParagraph == section.FirstParagraph)
            document.Sections.back() = std::move(section);
        else
            document.Sections.push_back(std::move(section));
    }
    if (document.Sections.empty())
        document.Sections.emplace_back();
    document.Sections.front().FirstParagraph = 0;

    std::size_t current = 0;
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        while (current + 1 < document.Sections.size() && document.Sections[current + 1].FirstParagraph <= i)
            ++current;
        paragraphs[i].Section = current;
    }
}

}  // namespace iwork::detail
