#include "layout/TextBlock.h"

#include "layout/Lists.h"
#include "layout/ParagraphLayout.h"

namespace layout {

double SpaceBefore(const doc::TParagraphStyle& style) { return Sane(style.SpaceBefore, 0, 2000, 0); }
double SpaceAfter(const doc::TParagraphStyle& style) { return Sane(style.SpaceAfter, 0, 2000, 0); }

TBlock LayOutBlock(const doc::TTextStorage& storage, double width, TTextContext& context,
                   const TBlockOptions& options) {
    TBlock block;
    TListNumbering numbering(context.Document.ListStyles);
    double y = 0;
    bool firstParagraph = true;
    for (const doc::TParagraph& paragraph : storage.Paragraphs) {
        if (y > options.MaxHeight) break;
        TParagraphOptions paragraphOptions;
        paragraphOptions.List = numbering.Next(paragraph);
        paragraphOptions.Natural = options.Natural;
        if (firstParagraph) paragraphOptions.Label = options.FirstLabel;
        firstParagraph = false;
        TParagraphLayout layout(paragraph, context, std::move(paragraphOptions));
        y += SpaceBefore(paragraph.Style);
        while (!layout.Done() && y <= options.MaxHeight) {
            TLine line = layout.Next(width);
            const std::size_t base = block.Items.size();
            AppendTranslated(block.Items, std::move(line.Items), 0, y);
            for (TFieldSlot slot : line.Fields) {
                slot.Item += base;
                block.Fields.push_back(slot);
            }
            y += line.Height;
        }
        y += SpaceAfter(paragraph.Style);
    }
    block.Height = y;
    return block;
}

}  // namespace layout
