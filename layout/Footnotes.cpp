#include "layout/Footnotes.h"

#include <algorithm>

#include "layout/Lists.h"

namespace layout {

std::vector<std::u16string> FootnoteMarks(const doc::TDocument& document) {
    std::vector<std::u16string> marks(document.Footnotes.size());
    const doc::TFootnoteSettings& settings = document.FootnoteSettings;
    long long number = 0;
    std::size_t section = 0;
    for (const doc::TParagraph& paragraph : document.Body.Paragraphs) {
        // Numbering by page is done when pages are made; these marks stand in until then.
        if (settings.Numbering == doc::TFootnoteNumbering::fnSection && paragraph.Section != section) number = 0;
        section = paragraph.Section;
        for (const doc::TAttachment& a : paragraph.Attachments) {
            if (a.Kind != doc::TAttachmentKind::akFootnote || a.Index >= marks.size()) continue;
            const doc::TFootnote& note = document.Footnotes[a.Index];
            if (!note.CustomMark.empty()) marks[a.Index] = note.CustomMark;
            else if (marks[a.Index].empty()) marks[a.Index] = FormatNumber(++number, settings.Format);
        }
    }
    for (std::size_t i = 0; i < marks.size(); ++i)
        if (marks[i].empty()) marks[i] = FormatNumber(++number, settings.Format);
    return marks;
}

TBlock LayOutFootnote(std::size_t footnote, double width, TTextContext& context) {
    if (footnote >= context.Document.Footnotes.size()) return {};
    TBlockOptions options;
    if (context.FootnoteMarks && footnote < context.FootnoteMarks->size())
        options.FirstLabel = (*context.FootnoteMarks)[footnote];
    return LayOutBlock(context.Document.Footnotes[footnote].Text, width, context, options);
}

double FootnoteSeparatorRoom(const doc::TDocument& document) {
    return Sane(document.FootnoteSettings.Gap, 0, 500, doc::kDefaultFootnoteGap) + kFootnoteSeparatorSpace;
}

std::vector<std::size_t> NotesReferred(const doc::TDocument& document, std::size_t from, std::size_t to) {
    std::vector<std::size_t> notes;
    std::vector<bool> seen(document.Footnotes.size(), false);
    for (std::size_t i = from; i < to && i < document.Body.Paragraphs.size(); ++i)
        for (const doc::TAttachment& a : document.Body.Paragraphs[i].Attachments)
            if (a.Kind == doc::TAttachmentKind::akFootnote && a.Index < seen.size() && !seen[a.Index]) {
                seen[a.Index] = true;
                notes.push_back(a.Index);
            }
    return notes;
}

TLine EndnoteSeparator(const doc::TDocument& document, double columnWidth) {
    TLine separator;
    separator.Height = FootnoteSeparatorRoom(document);
    TLineItem rule;
    rule.From = {0, separator.Height - kFootnoteSeparatorSpace};
    rule.To = {std::min(kFootnoteSeparatorLength, columnWidth / 2), rule.From.Y};
    rule.Stroke.Width = 0.5;
    separator.Items.emplace_back(rule);
    return separator;
}

}  // namespace layout
