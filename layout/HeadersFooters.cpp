#include "layout/HeadersFooters.h"

#include <algorithm>

namespace layout {

TMasterKind MasterFor(const doc::TSection& section, bool firstPageOfSection, long long pageNumber) {
    if (firstPageOfSection && section.FirstPageDifferent) return TMasterKind::mkFirst;
    if (section.EvenOddDifferent && pageNumber % 2 == 0) return TMasterKind::mkEven;
    return TMasterKind::mkOdd;
}

const doc::TPageMaster& MasterOf(const doc::TSection& section, TMasterKind kind) {
    switch (kind) {
    case TMasterKind::mkFirst: return section.First;
    case TMasterKind::mkEven: return section.Even;
    case TMasterKind::mkOdd: break;
    }
    return section.Odd;
}

TBlock LayOutHeaderFooter(const doc::THeaderFooter& parts, double width, TTextContext& context, double maxHeight) {
    TBlock result;
    const std::pair<const doc::TTextStorage*, doc::TAlignment> sides[] = {
        {&parts.Left, doc::TAlignment::alLeft},
        {&parts.Center, doc::TAlignment::alCenter},
        {&parts.Right, doc::TAlignment::alRight}};
    for (const auto& [storage, alignment] : sides) {
        if (storage->Empty()) continue;
        TBlockOptions options;
        options.Natural = alignment;
        options.MaxHeight = maxHeight;
        TBlock part = LayOutBlock(*storage, width, context, options);
        const std::size_t base = result.Items.size();
        for (TFieldSlot slot : part.Fields) {
            slot.Item += base;
            result.Fields.push_back(slot);
        }
        result.Items.insert(result.Items.end(), std::make_move_iterator(part.Items.begin()),
                            std::make_move_iterator(part.Items.end()));
        result.Height = std::max(result.Height, part.Height);
    }
    return result;
}

}  // namespace layout
