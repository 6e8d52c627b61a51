#include "iwork/TableOfContents.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>

namespace iwork::detail {

namespace {

// The table of contents a paragraph holds and nothing else besides spaces and page breaks.
std::optional<std::size_t> SoleTableOfContents(const doc::TDocument& document, const doc::TParagraph& paragraph) {
    std::optional<std::size_t> found;
    for (const doc::TAttachment& a : paragraph.Attachments) {
        if (a.Kind != doc::TAttachmentKind::akDrawable || a.Index >= document.Drawables.size()) continue;
        const doc::TDrawable& d = document.Drawables[a.Index];
        if (!d.TableOfContents || !d.Inline || d.Text.Empty()) continue;
        if (found) return std::nullopt;  // two in one paragraph: left as they are
        found = a.Index;
    }
    if (!found) return std::nullopt;
    const bool alone = std::all_of(paragraph.Text.begin(), paragraph.Text.end(), [](char16_t c) {
        return c == doc::kObjectMark || c == doc::kPageBreak || c == u' ' || c == u'\t' || c == u'\u00A0';
    });
    return alone ? found : std::nullopt;
}

// The host paragraph's page breaks keep their side of the entries: before them as a break before
// the first, after them at the end of the last.
void KeepBreaks(const std::u16string& host, std::vector<doc::TParagraph>& entries) {
    const std::size_t mark = host.find(doc::kObjectMark);
    if (host.find(doc::kPageBreak) < mark) entries.front().Style.Edit().PageBreakBefore = true;
    if (host.find(doc::kPageBreak, mark) == std::u16string::npos) return;
    doc::TParagraph& last = entries.back();
    last.Text += doc::kPageBreak;
    if (last.Runs.empty()) last.Runs.emplace_back();
    last.Runs.back().End = std::uint32_t(last.Text.size());
}

}  // namespace

void FlowTablesOfContents(doc::TDocument& document) {
    auto& paragraphs = document.Body.Paragraphs;
    for (std::size_t p = 0; p < paragraphs.size(); ++p) {
        const auto toc = SoleTableOfContents(document, paragraphs[p]);
        if (!toc) continue;
        std::vector<doc::TParagraph> entries = document.Drawables[*toc].Text.Paragraphs;
        document.Drawables[*toc].Text = {};  // its text lives in the body now
        KeepBreaks(paragraphs[p].Text, entries);
        for (doc::TParagraph& entry : entries) {
            entry.Section = paragraphs[p].Section;
            entry.StorageStart = paragraphs[p].StorageStart;
        }
        const std::size_t added = entries.size() - 1;
        paragraphs.erase(paragraphs.begin() + std::ptrdiff_t(p));
        paragraphs.insert(paragraphs.begin() + std::ptrdiff_t(p), std::make_move_iterator(entries.begin()),
                          std::make_move_iterator(entries.end()));
        for (doc::TSection& section : document.Sections)
            if (section.FirstParagraph > p) section.FirstParagraph += added;
        for (doc::TDrawable& drawable : document.Drawables)
            if (drawable.AnchorParagraph && *drawable.AnchorParagraph > p) *drawable.AnchorParagraph += added;
        p += added;
    }
}

}  // namespace iwork::detail
