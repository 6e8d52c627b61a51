#include "layout/TextBlock.h"

#include "layout/Borders.h"
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
    TBorderStretch border;  // of the run of bordered paragraphs under way
    const auto& paragraphs = storage.Paragraphs;
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        const doc::TParagraph& paragraph = paragraphs[i];
        if (y > options.MaxHeight) break;
        TParagraphOptions paragraphOptions;
        paragraphOptions.List = numbering.Next(paragraph);
        paragraphOptions.Natural = options.Natural;
        if (firstParagraph) paragraphOptions.Label = options.FirstLabel;
        firstParagraph = false;
        const TBorderRun run = paragraph.Style->Border ? BorderRunOf(paragraphs, i) : TBorderRun{};
        if (run.First) paragraphOptions.RoomAbove = BorderRoomAbove(paragraph.Style);
        if (run.Last) paragraphOptions.RoomBelow = BorderRoomBelow(paragraph.Style);
        TParagraphLayout layout(paragraph, context, std::move(paragraphOptions));
        y += SpaceBefore(paragraph.Style);
        if (paragraph.Style->Border && run.First)
            border = {BorderLeft(paragraph.Style, width), BorderRight(paragraph.Style, width), y, y, true, true};
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
        if (paragraph.Style->Border && (run.Last || y > options.MaxHeight)) {
            border.Bottom = y;
            border.Closes = run.Last && layout.Done();
            AppendBorder(block.Items, *paragraph.Style->Border, border);
        }
        y += SpaceAfter(paragraph.Style);
    }
    block.Height = y;
    return block;
}

}  // namespace layout
